// The workbook file, written by libxlsxwriter into a private temporary file and read back; the
// command then saves the bytes like every other file (file_io.h).
#include "files/xlsx_file.h"

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <tablique/grid.h>

#include "files/file_error.h"
#include "files/file_io.h"
#include "files/text_table.h"
#include "files/xlsx_cells.h"

static_assert(LXW_VERSION_ID >= 114, "libxlsxwriter 1.1.4 or newer is needed");

namespace tablique::files {

namespace {

// The widest column (characters) and the highest row (points) a sheet has.
constexpr double kMostColumnWidth = 255;
constexpr double kMostRowHeight = 409;

// Numbers formatted in the "C" locale on this thread while it lives: the library prints
// numbers with printf, which follows the locale the application chose.
class CNumericLocale {
public:
  CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", locale_t(0))) {
    if (c_) old_ = uselocale(c_);
  }
  ~CNumericLocale() {
    if (!c_) return;
    uselocale(old_);
    freelocale(c_);
  }
  bool ok() const { return c_ != locale_t(0); }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
  locale_t c_ = locale_t(0), old_ = locale_t(0);
};

// A private file in the system's temporary folder, removed when it goes out of scope.
class TemporaryFile {
public:
  TemporaryFile() {
    std::error_code ec;
    std::string dir = std::filesystem::temp_directory_path(ec).string();
    if (ec || dir.empty()) dir = "/tmp";
    std::vector<char> name(dir.begin(), dir.end());
    const char tail[] = "/tablique-xlsx-XXXXXX";
    name.insert(name.end(), tail, tail + sizeof tail);
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return;
    }
    ::close(fd);
    path_ = name.data();
  }
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }
  int error() const { return error_; }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

private:
  std::string path_;
  int error_ = 0;
};

std::string cellName(int32_t i, int32_t j) { return "(" + std::to_string(i) + "," + std::to_string(j) + ")"; }

[[noreturn]] void failLibrary(std::string_view what, lxw_error err) {
  failFile(what, std::string("cannot write the workbook: ") + lxw_strerror(err),
           std::string("无法保存：生成xlsx文件出错（") + lxw_strerror(err) + "）！");
}

// The workbook open in the library; closed (and freed) exactly once.
class Workbook {
public:
  explicit Workbook(const std::string& path) : wb_(workbook_new(path.c_str())) {}
  ~Workbook() {
    if (wb_) workbook_close(wb_);
  }
  lxw_workbook* get() const { return wb_; }
  lxw_error close() {
    lxw_workbook* wb = wb_;
    wb_ = nullptr;
    return workbook_close(wb);
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

private:
  lxw_workbook* wb_ = nullptr;
};

// The data cells of row i in the used area: a number, a text, or nothing.
void writeRow(lxw_worksheet* ws, const Grid& grid, int32_t i, int32_t lastCol, std::string_view what) {
  const auto row = lxw_row_t(i - 1);
  for (int32_t j = 1; j <= lastCol; ++j) {
    const std::string& text = grid.textAt(i, j);
    if (text.empty()) continue;
    const auto col = lxw_col_t(j - 1);
    double value = 0;
    lxw_error err;
    if (isExactNumberText(text, value)) {
      err = worksheet_write_number(ws, row, col, value, nullptr);
    } else {
      if (text.find('\0') != std::string::npos)
        failFile(what, "cell " + cellName(i, j) + " holds U+0000, which a workbook cannot carry",
                 "无法保存：单元格" + cellName(i, j) + "含有字符U+0000，xlsx文件不能保存它！");
      size_t units = 0;
      const std::string safe = workbookText(text, units);
      if (units > kMostCellUnits)
        failFile(what, "cell " + cellName(i, j) + " holds more than 32767 characters",
                 "无法保存：单元格" + cellName(i, j) + "的文本超过32767个字符，xlsx文件不能保存它！");
      err = worksheet_write_string(ws, row, col, safe.c_str(), nullptr);
    }
    if (err != LXW_NO_ERROR) failLibrary(what, err);
  }
}

// The sheet: column widths first, then row by row its height (rows of the grid's default height
// take the sheet's default row height) and its cells.
void writeSheet(lxw_worksheet* ws, const Grid& grid, const UsedArea& a, std::string_view what) {
  worksheet_set_default_row(ws, Grid::kDefaultRowHeight / 20.0, LXW_FALSE);
  lxw_row_col_options hidden{};
  hidden.hidden = LXW_TRUE;
  for (int32_t j = 1; j <= a.lastCol; ++j) {
    const int32_t w = grid.ColWidth(j);
    const auto col = lxw_col_t(j - 1);
    const lxw_error err = w > 0 ? worksheet_set_column(ws, col, col, workbookColumnWidth(w), nullptr)
                                : worksheet_set_column_opt(ws, col, col, LXW_DEF_COL_WIDTH, nullptr, &hidden);
    if (err != LXW_NO_ERROR) failLibrary(what, err);
  }
  for (int32_t i = 1; i <= a.lastRow; ++i) {
    const int32_t h = grid.RowHeight(i);
    if (h != Grid::kDefaultRowHeight) {
      const auto row = lxw_row_t(i - 1);
      const lxw_error err = h > 0 ? worksheet_set_row(ws, row, std::min(h / 20.0, kMostRowHeight), nullptr)
                                  : worksheet_set_row_opt(ws, row, LXW_DEF_ROW_HEIGHT, nullptr, &hidden);
      if (err != LXW_NO_ERROR) failLibrary(what, err);
    }
    writeRow(ws, grid, i, a.lastCol, what);
  }
}

}  // namespace

double workbookColumnWidth(int32_t twips) {
  const double px = twips / 15.0;
  return std::min(px <= 12 ? px / 12 : (px - 5) / 7, kMostColumnWidth);
}

std::string buildWorkbook(const Grid& grid, std::string_view what) {
  UsedArea a = usedArea(grid);  // (1, 1) for an empty table, which may have no data cell at all
  a.lastRow = std::min(a.lastRow, grid.Rows() - 1);
  a.lastCol = std::min(a.lastCol, grid.Cols() - 1);
  if (a.lastCol > int32_t(LXW_COL_MAX))
    failFile(what, "the data reaches column " + std::to_string(a.lastCol) + ", a sheet has 16384",
             "无法保存：xlsx文件最多16384列，表格的数据到第" + std::to_string(a.lastCol) + "列！");
  TemporaryFile tmp;
  if (tmp.path().empty())
    failFile(what, std::string("cannot create a temporary file: ") + std::strerror(tmp.error()),
             "无法保存：不能创建临时文件！");
  CNumericLocale cLocale;
  if (!cLocale.ok()) failFile(what, "the C locale is not available", "无法保存：系统错误！");
  {
    Workbook wb(tmp.path());
    if (!wb.get()) failFile(what, "cannot start the workbook", "无法保存：内存不足！");
    lxw_worksheet* ws = workbook_add_worksheet(wb.get(), nullptr);
    if (!ws) failFile(what, "cannot add the sheet", "无法保存：内存不足！");
    writeSheet(ws, grid, a, what);
    if (const lxw_error err = wb.close(); err != LXW_NO_ERROR) failLibrary(what, err);
  }
  try {
    return readWholeFile(tmp.path());
  } catch (const Error& e) {
    failFile(what, std::string("cannot read the workbook back: ") + e.what(), "无法保存：临时文件读取出错！");
  }
}

}  // namespace tablique::files
