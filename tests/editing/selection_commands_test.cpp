// Row and column commands act on the rows and columns the user selected; inserts stay within
// the cell budget; refusals are told.
#include "support/driver.h"

#include <random>

namespace tablique {
namespace {

using namespace tablique::testing;

// A drag over the row headers from row r0 to row r1 (or the column headers, c0 to c1).
void dragRowHeaders(Control& c, int32_t r0, int32_t r1) {
  press(c, r0, 0);
  move(c, r1, 0);
  release(c, r1, 0);
}
void dragColumnHeaders(Control& c, int32_t c0, int32_t c1) {
  press(c, 0, c0);
  move(c, 0, c1);
  release(c, 0, c1);
}

// Column col holds "1".."n" (row numbers as they were at the start).
void numberRows(Control& c, int32_t n, int32_t col = 1) {
  for (int32_t r = 1; r <= n; ++r) c.settext(r, col, std::to_string(r));
}
// Row 1 holds "c1".."cn".
void nameColumns(Control& c, int32_t n) {
  for (int32_t j = 1; j <= n; ++j) c.settext(1, j, "c" + std::to_string(j));
}
Texts rowOne(const Control& c, int32_t n) {
  Texts out;
  for (int32_t j = 1; j <= n; ++j) out.push_back(c.gettext(1, j));
  return out;
}

TEST(RowCommands, ActOnTheRowsDraggedOverTheirHeaders) {
  Control c;
  c.rowcol(20, 3);
  numberRows(c, 20);
  click(c, 10, 2);
  dragRowHeaders(c, 3, 5);
  ASSERT_EQ((std::vector<int32_t>{c.rr0(), c.cc0(), c.RR(), c.cc()}), (std::vector<int32_t>{3, 0, 5, 0}));
  c.m_rowdel();  // rows 3 to 5, not 10 to 12
  EXPECT_EQ(column(c, 1, 1, 5), (Texts{"1", "2", "6", "7", "8"}));
  EXPECT_EQ(c.gettext(9, 1), "12");
  EXPECT_EQ(c.rows(), 17);
  EXPECT_EQ(c.grid().Row(), 2);

  // Insert: as many rows before the first dragged one; a cell formula stays on its data.
  enterFormula(c, 4, 2, "=C1*10");
  ASSERT_EQ(c.gettext(4, 2), "70");
  dragRowHeaders(c, 5, 4);  // upwards
  c.m_rowins();
  EXPECT_EQ(column(c, 1, 1, 7), (Texts{"1", "2", "6", "", "", "7", "8"}));
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>6;");
  pasteAt(c, 6, 1, "9");
  EXPECT_EQ(c.gettext(6, 2), "90");
  expectConsistent(c);
}

TEST(ColumnCommands, ActOnTheColumnsSelectedByTheirHeaders) {
  Control c;
  c.rowcol(10, 12);
  nameColumns(c, 12);
  click(c, 3, 2);
  dragColumnHeaders(c, 5, 7);
  c.m_coldel();  // columns 5 to 7, not 2 to 4
  EXPECT_EQ(rowOne(c, 6), (Texts{"c1", "c2", "c3", "c4", "c8", "c9"}));
  EXPECT_EQ(c.cols(), 9);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 4);

  // Insert before the first selected column; references at and after it follow.
  c.settext(2, 3, "4");
  enterFormula(c, 1, 7, "C3*2");
  dragColumnHeaders(c, 4, 3);
  c.m_colins();
  EXPECT_EQ(rowOne(c, 7), (Texts{"c1", "c2", "", "", "c3", "c4", "c8"}));
  EXPECT_EQ(record(c, 9), "C5<4>*2;");
  pasteAt(c, 2, 5, "21");
  EXPECT_EQ(c.gettext(2, 9), "42");
  expectConsistent(c);
}

TEST(RowCommands, CurrentRowWithinTheSelectionTakesExactlyTheSelectedRows) {
  Control c;
  c.rowcol(20, 3);
  numberRows(c, 20);
  select(c, 5, 1, 7, 1);
  c.MSFlexGrid1_KeyDown(40, 0);
  c.MSFlexGrid1_KeyDown(40, 0);  // Down twice: the current row is 7, still within
  ASSERT_EQ(c.grid().Row(), 7);
  c.m_rowdel();  // rows 5 to 7, not 7 to 9
  EXPECT_EQ(column(c, 1, 4, 6), (Texts{"4", "8", "9"}));
  // Selected upwards from row 9 to row 8: the same two rows wherever the current row is.
  select(c, 9, 1, 8, 1);
  c.m_rowdel();
  EXPECT_EQ(column(c, 1, 7, 8), (Texts{"10", "13"}));
  // Insert puts as many rows at the current row.
  select(c, 3, 1, 5, 1);
  c.MSFlexGrid1_KeyDown(40, 0);
  c.m_rowins();
  EXPECT_EQ(column(c, 1, 3, 8), (Texts{"3", "", "", "", "4", "8"}));
  expectConsistent(c);
}

TEST(RowAndColumnCommands, CurrentCellMovedOutsideTheSelectionActsAloneThere) {
  Control c;
  c.rowcol(20, 12);
  numberRows(c, 20);
  nameColumns(c, 12);
  select(c, 2, 1, 4, 1);
  c.mouseset(9, 1);  // the host moves the current cell after the drag
  c.m_rowdel();
  EXPECT_EQ(column(c, 1, 8, 9), (Texts{"8", "10"}));
  EXPECT_EQ(c.rows(), 19);
  c.mouseset(6, 1);
  c.m_rowins();  // one row, at row 6
  EXPECT_EQ(column(c, 1, 5, 7), (Texts{"5", "", "6"}));

  select(c, 2, 2, 2, 4);
  c.mouseset(2, 9);
  c.m_coldel();
  EXPECT_EQ(rowOne(c, 10), (Texts{"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c10", "c11"}));
  c.mouseset(2, 6);
  c.m_colins();  // one column, at column 6
  EXPECT_EQ(rowOne(c, 7), (Texts{"c1", "c2", "c3", "c4", "c5", "", "c6"}));
  expectConsistent(c);
}

// Rows or columns selected over their headers: the right button opens the menu on a data cell
// and on the header of a selected line (not on another header), and the chosen command takes
// exactly the selected lines.
TEST(RowAndColumnCommands, HeaderSelectionsReachTheMenu) {
  Control c;
  c.rowcol(20, 12);
  numberRows(c, 20);
  nameColumns(c, 12);
  click(c, 10, 2);
  dragRowHeaders(c, 3, 5);
  c.headless().queueMenuChoice("CommandAA5m");  // 删除行, chosen from a data cell
  press(c, 8, 3, kRight);
  release(c, 8, 3, kRight);
  ASSERT_EQ(c.headless().menus().size(), 1u);
  EXPECT_EQ(column(c, 1, 1, 4), (Texts{"c1", "2", "6", "7"}));
  EXPECT_EQ(c.rows(), 17);

  dragRowHeaders(c, 4, 3);
  c.headless().queueMenuChoice("CommandAA4m");  // 插入行, chosen on a selected row header
  press(c, 3, 0, kRight);
  release(c, 3, 0, kRight);
  ASSERT_EQ(c.headless().menus().size(), 2u);
  EXPECT_EQ(column(c, 1, 1, 6), (Texts{"c1", "2", "", "", "6", "7"}));
  press(c, 9, 0, kRight);  // a header outside the selection: no menu
  EXPECT_EQ(c.headless().menus().size(), 2u);

  dragColumnHeaders(c, 5, 7);
  c.headless().queueMenuChoice("CommandAA7m");  // 删除列, on a selected column header
  press(c, 0, 6, kRight);
  release(c, 0, 6, kRight);
  ASSERT_EQ(c.headless().menus().size(), 3u);
  EXPECT_EQ(rowOne(c, 6), (Texts{"c1", "c2", "c3", "c4", "c8", "c9"}));
  EXPECT_EQ(c.headless().messages().size(), 0u);
  expectConsistent(c);
}

// A drag that begins on a header selects whole lines also when the mouse drifts into the cells
// or onto the other header band.
TEST(RowAndColumnCommands, DragsFromAHeaderStayWholeLines) {
  Control c;
  c.rowcol(20, 12);
  numberRows(c, 20);
  nameColumns(c, 12);
  click(c, 10, 2);
  press(c, 3, 0);
  move(c, 4, 3);
  move(c, 5, 4);
  release(c, 5, 4);
  ASSERT_EQ((std::vector<int32_t>{c.rr0(), c.cc0(), c.RR(), c.cc()}), (std::vector<int32_t>{3, 0, 5, 0}));
  c.m_rowdel();
  EXPECT_EQ(column(c, 1, 1, 4), (Texts{"c1", "2", "6", "7"}));

  press(c, 0, 5);
  move(c, 2, 7);
  release(c, 2, 7);
  ASSERT_EQ((std::vector<int32_t>{c.rr0(), c.cc0(), c.RR(), c.cc()}), (std::vector<int32_t>{0, 5, 0, 7}));
  press(c, 3, 0);  // a row header drag that goes up over the column headers: from row 1
  move(c, 0, 0);
  release(c, 0, 0);
  ASSERT_EQ((std::vector<int32_t>{c.rr0(), c.cc0(), c.RR(), c.cc()}), (std::vector<int32_t>{3, 0, 1, 0}));
  expectConsistent(c);
}

// Rows or columns selected over their headers are whole lines for the cell commands too: copy,
// cut and delete act on every data cell of them, and the selection stays whole for a row or
// column command after them.
TEST(RowAndColumnCommands, CellCommandsTakeWholeLinesSelectedOverTheirHeaders) {
  Control c;
  c.rowcol(6, 3);
  put(c, 1, 1, {{"a", "b", "c"}, {"d", "e, f", ""}, {"g", "h", "i"}, {"j", "k", "l"}});
  dragRowHeaders(c, 3, 2);
  c.pressKey(67, 2);  // Ctrl+C
  EXPECT_EQ(c.headless().clipboardText(), "d\te, f\t\r\ng\th\ti\r\n");
  EXPECT_EQ((std::vector<int32_t>{c.rr0(), c.cc0(), c.RR(), c.cc()}), (std::vector<int32_t>{2, 0, 3, 0}));
  pasteAt(c, 5, 1, c.headless().clipboardText());
  EXPECT_EQ(block(c, 5, 1, 2, 3), (Rows{{"d", "e, f", ""}, {"g", "h", "i"}}));

  dragColumnHeaders(c, 2, 2);
  c.headless().queueMenuChoice("CommandAA13m");  // 剪切 from a selected column header
  press(c, 0, 2, kRight);
  release(c, 0, 2, kRight);
  ASSERT_EQ(c.rows(), 8);  // the paste grew the table
  EXPECT_EQ(column(c, 2, 8), (Texts(8, "")));
  EXPECT_EQ(c.headless().clipboardText(), "b\r\ne, f\r\nh\r\nk\r\ne, f\r\nh\r\n\r\n\r\n");
  dragRowHeaders(c, 1, 1);
  c.pressKey(46);  // Del
  EXPECT_EQ(block(c, 1, 1, 1, 3), (Rows{{"", "", ""}}));
  EXPECT_EQ(c.gettext(2, 1), "d");
  expectConsistent(c);
}

// Row and column moves carry the current cell with the moved line, so repeated moves carry the
// same line on, and the current cell never lands on a header, also when it was moved away from
// the anchor or the selection was made over the headers.
TEST(RowAndColumnCommands, MovesCarryTheCurrentCellWithTheMovedLine) {
  Control c;
  c.rowcol(12, 8);
  numberRows(c, 12);
  nameColumns(c, 8);
  click(c, 6, 2);
  for (int i = 0; i < 3; ++i) {
    c.headless().queueMenuChoice("CommandAA11m");  // 行上移, three times from the menu
    press(c, c.grid().Row(), 2, kRight);
    release(c, c.grid().Row(), 2, kRight);
  }
  EXPECT_EQ(column(c, 1, 1, 6), (Texts{"c1", "2", "6", "3", "4", "5"}));
  EXPECT_EQ(c.grid().Row(), 3);

  click(c, 1, 2);
  c.mouseset(3, 2);  // the anchor stays on row 1
  c.m_rowup();
  EXPECT_EQ(column(c, 1, 2, 3), (Texts{"6", "2"}));
  EXPECT_EQ(c.grid().Row(), 2);
  c.m_rowdow();
  EXPECT_EQ(c.grid().Row(), 3);

  click(c, 2, 1);
  c.mouseset(2, 3);
  c.m_collef();
  EXPECT_EQ(rowOne(c, 3), (Texts{"c1", "c3", "c2"}));
  EXPECT_EQ((std::pair{c.grid().Row(), c.grid().Col()}), (std::pair{2, 2}));

  click(c, 5, 4);
  dragColumnHeaders(c, 6, 7);  // rr0 = RR = 0
  c.m_rowup();
  EXPECT_EQ((std::pair{c.grid().Row(), c.grid().Col()}), (std::pair{4, 4}));
  dragRowHeaders(c, 2, 3);  // cc0 = cc = 0
  c.m_colrig();
  EXPECT_EQ((std::pair{c.grid().Row(), c.grid().Col()}), (std::pair{4, 5}));
  // A cell formula entered now belongs to a data row.
  c.headless().queueInput("=C1*2");
  c.m_focal();
  EXPECT_EQ(c.gettext(4, 5), std::to_string(2 * std::stoi(c.gettext(4, 1))));
  for (const std::string& r : c.state().colFormula) EXPECT_EQ(r.find("\x0b" "0;"), std::string::npos);
  expectConsistent(c);
}

// Random selections (cells, row headers, column headers), moves of the current cell and
// commands, against a plain table that applies the rules as stated.
TEST(RowAndColumnCommands, RandomSessionsMatchAPlainTable) {
  std::mt19937 rng(3);
  int changes = 0;  // commands that changed the table's shape
  for (int session = 0; session < 20; ++session) {
    Control c;
    c.rowcol(10, 6);
    std::vector<Texts> model(11, Texts(7));  // [row][col], fixed ones unused
    for (int32_t i = 1; i <= 10; ++i)
      for (int32_t j = 1; j <= 6; ++j) c.settext(i, j, model[size_t(i)][size_t(j)] = std::to_string(i * 10 + j));
    for (int step = 0; step < 30; ++step) {
      const int32_t rows = int32_t(model.size()) - 1, cols = int32_t(model[0].size()) - 1;
      auto anyRow = [&] { return 1 + int32_t(rng() % uint32_t(rows)); };
      auto anyCol = [&] { return 1 + int32_t(rng() % uint32_t(cols)); };
      switch (rng() % 4) {
        case 0: select(c, anyRow(), anyCol(), anyRow(), anyCol()); break;
        case 1: dragRowHeaders(c, anyRow(), anyRow()); break;
        case 2: dragColumnHeaders(c, anyCol(), anyCol()); break;
        default: c.mouseset(anyRow(), anyCol()); break;
      }
      // The rows (columns) a command acts on, by the rules as stated.
      auto lines = [](int32_t a, int32_t e, int32_t acrossA, int32_t acrossE, int32_t current) {
        const int32_t lo = std::min(a, e), hi = std::max(a, e);
        if (lo >= 1 && acrossA == 0 && acrossE == 0) return std::pair{lo, hi - lo + 1};
        if (lo >= 1 && lo <= current && current <= hi) return std::pair{lo, hi - lo + 1};
        return std::pair{current, 1};
      };
      const bool wholeRows = c.cc0() == 0 && c.cc() == 0, wholeCols = c.rr0() == 0 && c.RR() == 0;
      const auto [r1, rn] = lines(c.rr0(), c.RR(), c.cc0(), c.cc(), c.grid().Row());
      const auto [c1, cn] = lines(c.cc0(), c.cc(), c.rr0(), c.RR(), c.grid().Col());
      const int command = int(rng() % 4);
      const size_t before = model.size() * 100 + model[0].size();
      if (command == 0) {
        const int32_t at = wholeRows ? r1 : c.grid().Row();
        c.m_rowins();
        if (at <= rows) model.insert(model.begin() + at, size_t(rn), Texts(size_t(cols) + 1));
      } else if (command == 1) {
        const bool deletable = 1 < r1 && r1 < rows - 1;
        if (deletable) c.m_rowdel();
        else EXPECT_THROW(c.m_rowdel(), Error);
        if (deletable) model.erase(model.begin() + r1, model.begin() + std::min(rows + 1, r1 + rn));
      } else if (command == 2) {
        const int32_t at = wholeCols ? c1 : c.grid().Col();
        c.m_colins();
        if (at <= cols)
          for (Texts& row : model) row.insert(row.begin() + at, size_t(cn), std::string());
      } else {
        const bool deletable = 1 < c1 && c1 < cols - 1;
        if (deletable) c.m_coldel();
        else EXPECT_THROW(c.m_coldel(), Error);
        if (deletable)
          for (Texts& row : model) row.erase(row.begin() + c1, row.begin() + std::min(cols + 1, c1 + cn));
      }
      changes += before != model.size() * 100 + model[0].size();
      ASSERT_EQ(c.rows(), int32_t(model.size()) - 1) << "session " << session << " step " << step;
      ASSERT_EQ(c.cols(), int32_t(model[0].size()) - 1) << "session " << session << " step " << step;
      for (int32_t i = 1; i < int32_t(model.size()); ++i)
        for (int32_t j = 1; j < int32_t(model[0].size()); ++j)
          ASSERT_EQ(c.gettext(i, j), model[size_t(i)][size_t(j)]) << i << ", " << j << " step " << step;
      expectConsistent(c);
    }
  }
  EXPECT_GT(changes, 300);
}

// What a refused command leaves: its text told once in the notice box and to the host.
void expectToldOnce(Control& c, const std::string& text) {
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, text);
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  EXPECT_FALSE(c.headless().messages()[0].okCancel);
  EXPECT_EQ(c.headless().failures(), (Texts{text}));
}

TEST(CellBudget, InsertsPastItAreRefusedWithTheSizeMessage) {
  Control c;
  c.rowcol(6997, 49);  // 6998 x 50: one row below the budget
  click(c, 5, 5);
  c.m_rowins();  // 6999 x 50 = 349950: allowed
  EXPECT_EQ(c.rows(), 6998);
  c.settext(5, 5, "x");
  for (auto command : {&Control::m_rowins, &Control::m_colins}) {
    try {
      (c.*command)();
      ADD_FAILURE() << "insert reported success";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Refused);
      EXPECT_EQ(e.userText(), "行或列数超出，请重新设置！");
    }
  }
  EXPECT_EQ(c.rows(), 6998);
  EXPECT_EQ(c.cols(), 49);
  EXPECT_EQ(c.gettext(5, 5), "x");
  EXPECT_EQ(c.headless().messages().size(), 2u);
  EXPECT_EQ(c.headless().failures().size(), 2u);
  // From the popup menu: told, not thrown. Deletes run on the full table.
  c.headless().queueMenuChoice("CommandAA4m");
  press(c, 5, 5, kRight);
  release(c, 5, 5, kRight);
  EXPECT_EQ(c.headless().messages().size(), 3u);
  EXPECT_EQ(c.rows(), 6998);
  c.m_rowdel();
  c.m_coldel();
  EXPECT_EQ(c.rows(), 6997);
  EXPECT_EQ(c.cols(), 48);
  expectConsistent(c);
}

TEST(CellBudget, RepeatedWideInsertsStopAtIt) {
  Control c;
  int refused = 0;
  int32_t lastInserted = 0;
  for (int i = 0; i < 10; ++i) {  // every column selected each time: the table doubles
    const int32_t cols = c.cols();
    dragColumnHeaders(c, 1, cols);
    try {
      c.m_colins();
      lastInserted = cols;
    } catch (const Error&) {
      ++refused;
    }
    EXPECT_LE(int64_t(c.grid().Rows()) * c.grid().Cols(), 349950);
  }
  EXPECT_EQ(refused, 7);
  EXPECT_EQ(c.headless().messages().size(), 7u);
  // The last insert can be taken back at once.
  const int32_t cols = c.cols();
  dragColumnHeaders(c, 2, 1 + lastInserted);
  c.m_coldel();
  EXPECT_EQ(c.cols(), cols - lastInserted);
  expectConsistent(c);
}

TEST(Paste, WithTheCurrentCellInAHeaderIsRefusedAndTold) {
  for (auto [r, col] : {std::pair{0, 2}, std::pair{3, 0}}) {
    Control c;
    c.headless().setClipboardText("a\tb");
    c.mouseset(r, col);
    try {
      c.m_paste();
      ADD_FAILURE() << "paste reported success";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Refused);
    }
    expectToldOnce(c, "当前单元格在表头，不能粘贴！");
    EXPECT_EQ(c.gettext(0, 2), "C2");
    EXPECT_EQ(c.gettext(3, 0), "3");
    EXPECT_EQ(c.gettext(3, 1), "");
    EXPECT_EQ(c.gettext(1, 2), "");
    EXPECT_EQ(c.rows(), 500);
    expectConsistent(c);
  }
}

}  // namespace
}  // namespace tablique
