// The file commands: savetxt, opentxt, savexls (text table), savexlsx (workbook), expspare, dataexp, datainp (tbq).
//
// Every command asks for the path through the file dialog, prepared the same way each time
// (filter, default extension, the program's folder, the remembered name of its file kind).
// Saving builds the whole file in memory and writes it safely (file_io.h); opening reads and checks the
// whole file before the table changes. Failures after the dialog throw Error(File) naming the
// file; a cancelled dialog ends the command quietly.
#include <tablique/control.h>

#include <algorithm>

#include "control/budget.h"
#include "control/history.h"
#include "editing/paste_text.h"
#include "files/encoding.h"
#include "files/file_error.h"
#include "files/file_io.h"
#include "files/tbq.h"
#include "files/text_table.h"
#include "files/texts.h"
#include "files/xlsx_file.h"
#include "formula/record.h"

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

// Writes the headers "C" j of data columns from..to (the current cell ends on the last one).
void headColumns(Grid& grid, int32_t from, int32_t to) {
  for (int32_t j = from; j <= to; ++j) {
    grid.setRow(0);
    grid.setCol(j);
    grid.setText("C" + std::to_string(j));
    grid.setCellAlignment(kAlignCenterTop);
  }
}

// An upper bound of the cells a text splits into: one more than its TABs and line ends (and
// "," and spaces, which split numeric text), counted before a huge file is split.
int64_t cellsUpperBound(std::string_view text) {
  int64_t n = 1;
  for (char ch : text) n += ch == '\t' || ch == '\n' || ch == '\r' || ch == ',' || ch == ' ';
  return n;
}

// The grid a loaded table of `rows` x `cols` leaves (fixed row and column included): each
// dimension grown to the table where it is smaller; where the grown grid would exceed the cell
// budget, the emptied rows or columns beyond the table are cut back. Nothing when the table itself
// exceeds it.
std::optional<std::pair<int32_t, int32_t>> gridForTable(int32_t Rows, int32_t Cols, int64_t rows, int64_t cols) {
  if (rows * cols > kCellBudget) return std::nullopt;
  int64_t r = std::max<int64_t>(Rows, rows), c = std::max<int64_t>(Cols, cols);
  if ((r > Rows || c > Cols) && r * c > kCellBudget) {
    c = std::max(cols, kCellBudget / r);
    if (r * c > kCellBudget) r = std::max(rows, kCellBudget / c);
  }
  return std::pair{int32_t(r), int32_t(c)};
}

// savetxt and savexls: the used area as a text table.
void saveTextTable(Control& c, const Grid& grid, const char* filter, const char* ext,
                   std::string& remembered) {
  c.focusGrid();
  const std::optional<std::string> path = askFile(c.platform(), true, filter, ext, remembered);
  if (!path) return;
  files::writeFileAtomic(*path, files::toNarrow(files::buildTextTable(grid, *path), *path));
}

}  // namespace

// The text file commands are the user's choice: a pending edit ends first; a failure is told,
// then reported to the host.
void Control::savetxt() try {
  const StepScope scope(*this);
  endEdit();
  saveTextTable(*this, grid_, files::texts::kTxtFilter, "txt", st_.txtFileName);
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

void Control::savexls() try {
  const StepScope scope(*this);
  endEdit();
  saveTextTable(*this, grid_, files::texts::kXlsFilter, "xls", st_.xlsFileName);
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

void Control::savexlsx() try {
  endEdit();
  focusGrid();
  const std::optional<std::string> path =
      askFile(platform(), true, files::texts::kXlsxFilter, "xlsx", st_.xlsxFileName);
  if (!path) return;
  files::writeFileAtomic(*path, files::buildWorkbook(grid_, *path));
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

void Control::opentxt() try {
  const StepScope scope(*this);
  endEdit();
  opentxtFile();
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

// Loads a text table into the emptied table, file line k at row k, split as text from outside
// (quoted fields, the numeric rule, never the last copy; the clipboard is not used). Cells keep
// their spaces: the file holds them as the table did. The grid is
// sized from the file; the file is read, decoded, split and checked before anything changes.
void Control::opentxtFile() {
  const std::optional<std::string> path =
      askFile(*platform_, false, files::texts::kTxtFilter, "txt", st_.txtFileName);
  if (!path) return;
  focusGrid();
  std::string bytes = files::readWholeFile(*path);
  // NUL keeps binary files out; in UTF-16 (known by its mark) zero bytes are part of characters,
  // so the decoded text is checked instead.
  const auto binary = [&] {
    files::failFile(*path, "not a text file (it holds NUL bytes)", "不是文本文件，无法打开！");
  };
  const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  if (!utf16 && bytes.find('\0') != std::string::npos) binary();
  std::string text = files::fromNarrow(std::move(bytes), *path);
  if (utf16 && text.find('\0') != std::string::npos) binary();
  const auto tooMany = [&] {
    files::failFile(*path, "the file holds more cells than the table can hold", "的单元格超出表格容量，无法打开！");
  };
  constexpr int64_t kMostSeparators = 16 * int64_t(kCellBudget);
  if (int64_t(text.size()) >= kMostSeparators && cellsUpperBound(text) > kMostSeparators) tooMany();
  // Line k of the file is row k + 1 of the table; empty lines after the last cell carry nothing.
  const editing::PasteBlock block = editing::splitForeignText(std::move(text), {.keepEmptyLines = true, .trimSpaces = false});
  int32_t used = block.rows();
  const auto blankRow = [&](int32_t k) {
    for (int32_t j = 0; j < block.rowLength(k); ++j)
      if (!block.at(k, j).empty()) return false;
    return true;
  };
  while (used > 0 && blankRow(used - 1)) --used;
  const int32_t width = used > 0 ? block.width : 0;
  const auto size = gridForTable(grid_.Rows(), grid_.Cols(), int64_t(used) + 1, int64_t(width) + 1);
  if (!size) tooMany();

  // Size the grid, then write every data cell: the file's text, or empty.
  const int32_t oldRows = grid_.Rows(), oldCols = grid_.Cols();
  // The dimension that shrinks first, so that the grid never holds more than both.
  if (size->second < oldCols) grid_.setCols(size->second);
  if (size->first != oldRows) grid_.setRows(size->first);
  if (size->second > oldCols) grid_.setCols(size->second);
  st_.recordWrites.touchFrom(0);
  st_.colFormula.assign(size_t(grid_.Cols()), std::string());
  for (int32_t i = oldRows; i < grid_.Rows(); ++i) grid_.setTextAt(i, 0, std::to_string(i));
  headColumns(grid_, oldCols, grid_.Cols() - 1);
  if (size->second != oldCols)
    for (int32_t j = 1; j < grid_.Cols(); ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  for (int32_t i = 1; i < grid_.Rows(); ++i) {
    const int32_t k = i - 1, written = k < used ? block.rowLength(k) : 0;
    if (written > 0)
      grid_.writeRowTexts(i, 1, written, [&](int32_t j, std::string& cell) { cell.assign(block.at(k, j)); });
    for (int32_t j = 1 + written; j < grid_.Cols(); ++j)
      if (!grid_.textAt(i, j).empty()) grid_.setTextAt(i, j, {});
  }

  hideEditor();
  editor_.setEnabled(true);
  if (grid_.Rows() > 1 && grid_.Cols() > 1) mouseset(1, 1);
  focusGrid();
}

// Before an export: two spare columns when the last grid column holds data and they fit the cell
// budget (the export needs none of them); the current cell stays.
void Control::expspare() {
  const files::UsedArea a = files::usedArea(grid_);
  if (a.lastCol != grid_.Cols() - 1) return;
  if (int64_t(grid_.Rows()) * (int64_t(grid_.Cols()) + 2) > kCellBudget) return;
  const int32_t row = grid_.Row(), col = grid_.Col();
  grid_.setCol(grid_.Cols() - 1);
  grid_.setCols(grid_.Cols() + 2);
  st_.recordWrites.touchFrom(size_t(grid_.Cols()));
  st_.colFormula.resize(size_t(grid_.Cols()));
  for (int32_t j = 1; j < grid_.Cols(); ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  headColumns(grid_, 1, grid_.Cols() - 1);
  // The current cell goes back where it was: left on a header, a later command would act on it.
  grid_.setRow(row);
  grid_.setCol(col);
}

// Export. The records are compacted only when the file was written; a cancelled or failed export
// leaves them as they were.
void Control::dataexp() {
  const std::optional<std::string> path =
      askFile(*platform_, true, files::texts::kTbqFilter, "tbq", st_.tbqFileName);
  if (!path) return;
  if (grid_.Rows() < 2 || grid_.Cols() < 2)
    files::failFile(*path, "the table has no data cells to export", "无法导出：表格没有数据单元格！");
  std::vector<std::string> records = st_.colFormula;
  if (records.size() < size_t(grid_.Cols())) records.resize(size_t(grid_.Cols()));
  files::writeFileAtomic(*path, files::toNarrow(files::buildTbq(grid_, records), *path));
  st_.recordWrites.touchFrom(0);  // compacted
  records.swap(st_.colFormula);
  // The same formulas as before: no undo step of their own, as formuget's compaction.
  for (size_t j = 0; j < records.size() && j < st_.colFormula.size(); ++j)
    if (records[j] != st_.colFormula[j]) history_->acceptRecord(j, records[j]);
}

// Import. The whole file is read, decoded, split and checked first; a file that is not a data
// file, or would grow the grid beyond the cell budget, changes nothing.
void Control::datainp() {
  auto finish = [&] {
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
  const std::string text = files::fromDataFile(files::readWholeFile(*path), *path);
  const files::TbqShape shape = files::scanTbq(text, *path);
  const int32_t L = shape.lines, F = shape.fields;
  // The grid the import leaves, counted as rowcol, opentxt and expspare count it (fixed row and
  // column included), so that every table the export takes comes back and every table imported
  // can be saved and opened again. Where growth would exceed the cell budget, the rows or columns
  // beyond the file (the import empties them) give way first, as opentxt's do.
  int64_t rowsAfter = std::max<int64_t>(grid_.Rows(), L);
  int64_t colsAfter = std::max<int64_t>(grid_.Cols(), int64_t(F) + 1);
  {
    const auto cells = [&] { return rowsAfter * colsAfter; };
    const bool grows = rowsAfter > grid_.Rows() || colsAfter > grid_.Cols();
    if (grows && cells() > kCellBudget) {
      colsAfter = std::max<int64_t>(int64_t(F) + 1, std::min(colsAfter, kCellBudget / rowsAfter));
      if (cells() > kCellBudget) rowsAfter = std::max<int64_t>(L, kCellBudget / colsAfter);
      if (cells() > kCellBudget)
        files::failFile(*path, "the file holds " + std::to_string(L) + " lines of " + std::to_string(F) +
                                   " fields, more than the table can hold",
                        "的单元格超出表格容量，无法导入！");
    }
  }
  const std::vector<std::string_view> fields = files::readTbqFields(text, shape, *path);
  // The dimension that gives way shrinks before the other grows.
  if (colsAfter < grid_.Cols()) {
    grid_.setCols(int32_t(colsAfter));
    st_.recordWrites.touchFrom(size_t(colsAfter));
    st_.colFormula.resize(size_t(colsAfter));
  }
  if (rowsAfter < grid_.Rows()) grid_.setRows(int32_t(rowsAfter));

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
    st_.recordWrites.touchFrom(0);
    st_.colFormula.assign(size_t(F) + 1, std::string());
    headColumns(grid_, 1, F);
  }
  for (int32_t j = 1; j < grid_.Cols(); ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  st_.recordWrites.touchFrom(size_t(grid_.Cols()));
  st_.colFormula.resize(size_t(grid_.Cols()));
  grid_.setRow(1);
  grid_.setCol(1);

  // The data lines, F fields per row; the formula line gives the records, column 1's without
  // the layout piece.
  size_t at = 0;
  for (int32_t r = 1; r <= D; ++r, at += size_t(F)) {
    const std::string_view* row = fields.data() + at;
    grid_.writeRowTexts(r, 1, F, [row](int32_t k, std::string& cell) { files::decodeFieldInto(row[k], cell); });
  }
  const files::RecordAndLayout first = files::splitLayoutPiece(fields[at]);
  st_.recordWrites.touchFrom(0);
  // A cell formula of a row the table lacks (the export writes lines only down to the last row
  // with text) or a broken piece is not kept.
  for (int32_t j = 1; j < grid_.Cols(); ++j)
    st_.colFormula[size_t(j)] =
        j <= F ? files::importedRecord(files::decodeField(j == 1 ? first.record : fields[at + size_t(j - 1)]),
                                       grid_.Rows() - 1)
               : std::string();

  // Sizes: defaults within the file's area, then the layout piece.
  for (int32_t i = 1; i <= std::min(L, grid_.Rows() - 1); ++i)
    if (grid_.RowHeight(i) != Grid::kDefaultRowHeight) grid_.setRowHeight(i, Grid::kDefaultRowHeight);
  for (int32_t j = 1; j <= std::min(F, grid_.Cols() - 1); ++j)
    if (grid_.ColWidth(j) != Grid::kDefaultColWidth) grid_.setColWidth(j, Grid::kDefaultColWidth);
  files::LayoutSizes sizes = files::parseLayoutPiece(first.layout);
  std::vector<int32_t> heights(size_t(grid_.Rows())), widths(size_t(grid_.Cols()));
  for (int32_t i = 0; i < grid_.Rows(); ++i) heights[size_t(i)] = grid_.RowHeight(i);
  for (int32_t j = 0; j < grid_.Cols(); ++j) widths[size_t(j)] = grid_.ColWidth(j);
  files::capSizes(sizes.heights, std::move(heights));
  files::capSizes(sizes.widths, std::move(widths));
  for (const files::SizeEntry& e : sizes.heights)
    if (e.index > 0 && e.index <= grid_.Rows() - 1) grid_.setRowHeight(e.index, e.twips);
  for (const files::SizeEntry& e : sizes.widths)
    if (e.index > 0 && e.index <= grid_.Cols() - 1) grid_.setColWidth(e.index, e.twips);

  finish();
}

}  // namespace tablique
