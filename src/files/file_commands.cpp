// The file commands: savetxt, opentxt, savexls (text table), expspare, dataexp, datainp (tbq).
//
// Every command asks for the path through the file dialog, prepared the same way each time
// (filter, default extension, the program's folder, the remembered name of its file kind).
// Saving builds the whole file in memory and writes it atomically; opening reads and checks the
// whole file before the table changes. Failures after the dialog throw Error(File) naming the
// file; a cancelled dialog ends the command quietly.
#include <tablique/control.h>

#include <algorithm>

#include "control/budget.h"
#include "editing/paste_text.h"
#include "files/encoding.h"
#include "files/file_io.h"
#include "files/tbq.h"
#include "files/text_table.h"
#include "files/texts.h"

namespace tablique {

namespace {

// Shows the open or save dialog; the remembered name is preset and takes the answer (also an
// empty one). Returns the path to use, or nothing after Cancel or an empty answer.
std::optional<std::string> askFile(Platform& platform, bool save, const char* filter,
                                   const char* defaultExt, std::string& remembered) {
  FileDialogCall call{save, filter, defaultExt, files::programDirectory(), std::string()};
  if (!remembered.empty()) call.fileName = remembered;
  std::optional<std::string> answer = platform.fileDialog(call);
  if (!answer) return std::nullopt;
  remembered = *answer;
  if (answer->empty()) return std::nullopt;
  return answer;
}

// The header of data column j: "C" followed by j.
std::string headerText(int32_t j) {
  std::string text = "C";
  text += std::to_string(j);
  return text;
}

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
  throw Error(ErrorCode::File, path + ": " + reason);
}

// At least the rows x width of the block the paste would make of `text`, counted without
// splitting (a huge file must be refused before it is split into cells).
int64_t pasteCellsBound(std::string_view text, editing::PasteSource kind) {
  if (kind == editing::PasteSource::OwnCopy) return 0;  // the block is the control's own copy
  const bool numeric = kind == editing::PasteSource::Numeric;
  int64_t first = -1, last = -1, line = 0, widest = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view body = text.substr(start, end - start);
    if (body.find_first_not_of('\b') != std::string_view::npos) {
      if (first < 0) first = line;
      last = line;
    }
    int64_t cells = 1 + std::count(body.begin(), body.end(), '\t');
    if (numeric)
      cells += std::count(body.begin(), body.end(), ',') + std::count(body.begin(), body.end(), ' ');
    widest = std::max(widest, cells);
    ++line;
    start = end + 2;
  }
  return first < 0 ? 0 : (last - first + 1) * widest;
}

// savetxt and savexls: the used area as a text table.
void saveTextTable(Control& c, const Grid& grid, const char* filter, const char* ext,
                   std::string& remembered) {
  c.focusGrid();
  const std::optional<std::string> path = askFile(c.platform(), true, filter, ext, remembered);
  if (!path) return;
  files::writeFileAtomic(*path, files::toNarrow(files::buildTextTable(grid), *path));
}

}  // namespace

void Control::savetxt() try {
  saveTextTable(*this, grid_, files::texts::kTxtFilter, "txt", st_.txtFileName);
} catch (...) {
  rethrowAsError();
}

void Control::savexls() try {
  saveTextTable(*this, grid_, files::texts::kXlsFilter, "xls", st_.xlsFileName);
} catch (...) {
  rethrowAsError();
}

// Loads a text table at (1, 1) of an emptied table, split by the paste's rules in memory (the
// clipboard is not used). The file is read, decoded and split before anything changes.
void Control::opentxt() try {
  endEdit();
  const std::optional<std::string> path =
      askFile(*platform_, false, files::texts::kTxtFilter, "txt", st_.txtFileName);
  if (!path) return;
  focusGrid();
  std::string bytes = files::readWholeFile(*path);
  if (bytes.find('\0') != std::string::npos) fail(*path, "not a text file (it holds NUL bytes)");
  std::string text = files::joinLinesCrLf(files::fromNarrow(std::move(bytes), *path));
  if (pasteCellsBound(text, editing::classifyPasteText(text, st_.copyText)) > kCellBudget)
    fail(*path, "the file holds more cells than the table can hold");
  editing::PasteBlock block = editing::splitOwnedPasteText(std::move(text), st_.copyText);

  // Empty the table. When the block fits the grid the paste cannot stop early, and the cells
  // it writes at (1, 1) need not be emptied first.
  const int32_t rows = grid_.Rows(), cols = grid_.Cols();
  const bool fits = block.rows() <= rows - 1 && block.width <= cols - 1;
  for (int32_t i = 1; i < rows; ++i) {
    const int32_t k = i - 1;
    const int32_t written = fits && k < block.rows() ? block.rowLength(k) : 0;
    for (int32_t j = 1 + written; j < cols; ++j)
      if (!grid_.textAt(i, j).empty()) grid_.setTextAt(i, j, {});
  }
  for (size_t j = 1; j < st_.colFormula.size(); ++j) st_.colFormula[j].clear();

  if (rows > 1 && cols > 1) mouseset(1, 1);
  // What m_paste does around the paste.
  editor_.setEnabled(true);
  pasteBlock(std::move(block));
  focusGrid();
} catch (...) {
  rethrowAsError();
}

// Before an export: two spare columns when the last grid column holds data.
void Control::expspare() {
  const files::UsedArea a = files::usedArea(grid_);
  if (a.lastCol != grid_.Cols() - 1) return;
  grid_.setCol(grid_.Cols() - 1);
  grid_.setCols(grid_.Cols() + 2);
  st_.colFormula.resize(size_t(grid_.Cols()));
  const int32_t cols = grid_.Cols();
  for (int32_t j = 1; j < cols; ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  for (int32_t j = 1; j < cols; ++j) {
    grid_.setRow(0);
    grid_.setCol(j);
    grid_.setText(headerText(j));
    grid_.setCellAlignment(kAlignCenterTop);
  }
}

// Export. The records are compacted only when the file was written; column 1's layout piece is
// removed again in every case but a failed write, which leaves the records as they were.
void Control::dataexp() {
  auto removeLayoutPiece = [&] {
    if (st_.colFormula.size() > 1 && !st_.colFormula[1].empty())
      st_.colFormula[1] = files::dropLayoutPiece(st_.colFormula[1]);
  };
  const std::optional<std::string> path =
      askFile(*platform_, true, files::texts::kTbqFilter, "tbq", st_.tbqFileName);
  if (!path) {
    removeLayoutPiece();
    return;
  }
  if (grid_.Rows() < 2 || grid_.Cols() < 2) fail(*path, "the table has no data cells to export");
  std::vector<std::string> records = st_.colFormula;
  if (records.size() < size_t(grid_.Cols())) records.resize(size_t(grid_.Cols()));
  files::writeFileAtomic(*path, files::toNarrow(files::buildTbq(grid_, records), *path));
  st_.colFormula = std::move(records);
  removeLayoutPiece();
}

// Import. The whole file is read, decoded, split and checked first; a file that is not a data
// file, or would grow the grid beyond the cell budget, changes nothing.
void Control::datainp() {
  auto finish = [&] {
    if (st_.colFormula.size() > 1 && !st_.colFormula[1].empty())
      st_.colFormula[1] = files::dropLayoutPiece(st_.colFormula[1]);
    if (grid_.Rows() > 1 && grid_.Cols() > 1) {
      grid_.setRow(1);
      grid_.setCol(1);
    }
  };
  const std::optional<std::string> path =
      askFile(*platform_, false, files::texts::kTbqFilter, "tbq", st_.tbqFileName);
  if (!path) {
    finish();
    return;
  }
  focusGrid();
  const std::string text = files::fromNarrow(files::readWholeFile(*path), *path);
  const files::TbqShape shape = files::scanTbq(text, *path);
  const int32_t L = shape.lines, F = shape.fields;
  {
    // The grid the import leaves; the two spare columns an export carries are not counted.
    const int64_t rowsAfter = std::max<int64_t>(grid_.Rows(), L);
    const int64_t colsAfter = std::max<int64_t>(grid_.Cols(), int64_t(F) + 1);
    const bool grows = rowsAfter > grid_.Rows() || colsAfter > grid_.Cols();
    if (grows && rowsAfter * (colsAfter - 2) > kCellBudget)
      fail(*path, "the file holds " + std::to_string(L) + " lines of " + std::to_string(F) +
                      " fields, more than the table can hold");
  }
  const std::vector<std::string_view> fields = files::readTbqFields(text, shape, *path);

  // Empty the table (the cells the data lines fill are overwritten below); hide the editor.
  const int32_t D = L - 1;  // data lines
  for (int32_t i = 1; i < grid_.Rows(); ++i)
    for (int32_t j = i <= D ? F + 1 : 1; j < grid_.Cols(); ++j)
      if (!grid_.textAt(i, j).empty()) grid_.setTextAt(i, j, {});
  hideEditor();

  // Room for the lines. The import adds two rows more than the file needs before the last row
  // and removes the last two rows at the end, passing the formula line through row L: in effect
  // the grid ends with max(Rows, L) rows, the old last row replaced by a fresh one.
  {
    const int32_t rows = grid_.Rows();
    if (L > rows - 1) grid_.setRows(L);
    if (rows > 1) grid_.setRowHeight(rows - 1, Grid::kDefaultRowHeight);
    for (int32_t i = 1; i < grid_.Rows(); ++i) grid_.setTextAt(i, 0, std::to_string(i));
  }
  // Room for F fields: all records are discarded when columns are added.
  if (F > grid_.Cols() - 1) {
    grid_.setCols(F + 1);
    st_.colFormula.assign(size_t(F) + 1, std::string());
    for (int32_t j = 1; j <= F; ++j) {
      grid_.setRow(0);
      grid_.setCol(j);
      grid_.setText(headerText(j));
      grid_.setCellAlignment(kAlignCenterTop);
    }
  }
  for (int32_t j = 1; j < grid_.Cols(); ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  st_.colFormula.resize(size_t(grid_.Cols()));
  grid_.setRow(1);
  grid_.setCol(1);

  // The data lines, F fields per row; the formula line gives the records (the last field of
  // the file, column F's record, is not read back).
  size_t at = 0;
  for (int32_t r = 1; r <= D; ++r, at += size_t(F)) {
    const std::string_view* row = fields.data() + at;
    grid_.writeRowTexts(r, 1, F, [row](int32_t k, std::string& cell) { files::decodeFieldInto(row[k], cell); });
  }
  for (int32_t j = 1; j < grid_.Cols(); ++j)
    st_.colFormula[size_t(j)] = j <= F ? files::decodeField(fields[at++]) : std::string();

  // Sizes: defaults within the file's area, then the layout piece.
  for (int32_t i = 1; i <= std::min(L, grid_.Rows() - 1); ++i)
    if (grid_.RowHeight(i) != Grid::kDefaultRowHeight) grid_.setRowHeight(i, Grid::kDefaultRowHeight);
  for (int32_t j = 1; j <= std::min(F, grid_.Cols() - 1); ++j)
    if (grid_.ColWidth(j) != Grid::kDefaultColWidth) grid_.setColWidth(j, Grid::kDefaultColWidth);
  const files::LayoutSizes sizes = files::parseLayoutPiece(st_.colFormula[1]);
  for (const files::SizeEntry& e : sizes.heights)
    if (e.index > 0 && e.index <= grid_.Rows() - 1) grid_.setRowHeight(e.index, e.twips);
  for (const files::SizeEntry& e : sizes.widths)
    if (e.index > 0 && e.index <= grid_.Cols() - 1) grid_.setColWidth(e.index, e.twips);

  finish();
}

}  // namespace tablique
