// The grid's own cursor keys: Home, End, Ctrl+Home, Ctrl+End, Page Up and Page Down.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

constexpr int16_t kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36, kCtrl = 2;

void expectCurrent(const Control& c, int32_t row, int32_t col) {
  EXPECT_EQ(c.grid().Row(), row);
  EXPECT_EQ(c.grid().Col(), col);
  // Fully in view.
  const Grid& g = c.grid();
  EXPECT_GE(g.Row(), g.TopRow());
  EXPECT_LE(int64_t(g.CellTop()) + g.CellHeight(), g.viewHeight());
  EXPECT_LE(int64_t(g.CellLeft()) + g.CellWidth(), g.viewWidth());
}

TEST(CursorKeys, HomeEndAndTheirCtrlFormsReachTheRowsAndTheTablesEnds) {
  Control c;
  c.mouseset(7, 5);
  c.focusGrid();
  c.pressKey(kEnd);
  expectCurrent(c, 7, 50);
  c.pressKey(kHome);
  expectCurrent(c, 7, 1);
  c.pressKey(kEnd, kCtrl);
  expectCurrent(c, 500, 50);
  EXPECT_GT(c.grid().TopRow(), 400);
  c.pressKey(kHome, kCtrl);
  expectCurrent(c, 1, 1);
  EXPECT_EQ(c.grid().TopRow(), 1);
  EXPECT_EQ(c.grid().LeftCol(), 1);
  // The keys move the current cell, never the selection.
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.RR(), 1);
  expectConsistent(c);
}

TEST(CursorKeys, PageKeysMoveByTheRowsTheViewShows) {
  Control c;
  // Taller rows near the top: a page there holds fewer rows than one of default rows.
  for (int32_t r = 1; r <= 12; ++r) c.setrowh(r, 12.0f);
  c.mouseset(3, 2);
  c.focusGrid();
  const Grid& g = c.grid();
  const int32_t tallPage = g.pageRows();
  int64_t used = g.RowHeight(0);
  int32_t fits = 0;
  for (int32_t r = 1; used + g.RowHeight(r) <= g.viewHeight(); ++r, ++fits) used += g.RowHeight(r);
  EXPECT_EQ(tallPage, fits);
  c.pressKey(kPageDown);
  EXPECT_EQ(g.Row(), 3 + tallPage);
  EXPECT_EQ(g.TopRow(), 1 + tallPage);  // the view scrolled a page; the row kept its place
  c.pressKey(kPageUp);
  expectCurrent(c, 3, 2);
  EXPECT_EQ(g.TopRow(), 1);
  // At the end the view stops on the last full page and the row on the last row.
  for (int i = 0; i < 100; ++i) c.pressKey(kPageDown);
  expectCurrent(c, 500, 2);
  EXPECT_EQ(g.TopRow(), g.lastTopRow());
  for (int i = 0; i < 100; ++i) c.pressKey(kPageUp);
  expectCurrent(c, 1, 2);
  expectConsistent(c);
}

// Hidden (zero-height) rows are passed over: each page key moves the view and ends on a row the
// user sees; Ctrl+End on hidden last rows ends on the last row shown.
TEST(CursorKeys, PageKeysAndTheEndsPassOverHiddenRows) {
  Control c;
  c.rowcol(60, 5);
  for (int32_t r = 40; r <= 60; ++r) c.setrowh(r, 0.0f);
  c.focusGrid();
  const Grid& g = c.grid();
  c.pressKey(kEnd, kCtrl);
  EXPECT_EQ(g.Row(), 39);
  EXPECT_GT(g.RowHeight(g.Row()), 0);
  int32_t top = g.TopRow(), row = g.Row();
  while (row > 1) {
    c.pressKey(kPageUp);
    ASSERT_GT(g.RowHeight(g.Row()), 0) << "row " << g.Row();
    ASSERT_LT(g.Row(), row);
    ASSERT_TRUE(g.TopRow() < top || top == 1) << "the view did not move";
    top = g.TopRow();
    row = g.Row();
  }
  for (int i = 0; i < 10; ++i) {
    c.pressKey(kPageDown);
    EXPECT_GT(g.RowHeight(g.Row()), 0) << "row " << g.Row();
  }
  EXPECT_EQ(g.Row(), 39);
  // Hidden first rows: Ctrl+Home ends on the first row shown.
  c.setrowh(1, 0.0f);
  c.setrowh(2, 0.0f);
  c.pressKey(kHome, kCtrl);
  expectCurrent(c, 3, 1);
  expectConsistent(c);
}

// A clipboard another program holds locked: reading it fails.
class LockedClipboard : public HeadlessPlatform {
public:
  std::string clipboardText() const override {
    throw Error(ErrorCode::Refused, "clipboard locked", "剪贴板被其他程序占用，无法粘贴！");
  }
};

TEST(CursorKeys, AKeysCommandThatFailsIsToldToTheUserAndTheHost) {
  LockedClipboard platform;
  Control c(platform);
  c.settext(1, 1, "kept");
  c.mouseset(1, 1);
  c.focusGrid();
  c.pressKey(86, kCtrl);  // Ctrl+V
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, "剪贴板被其他程序占用，无法粘贴！");
  EXPECT_EQ(platform.messages()[0].title, "温馨提示");
  EXPECT_EQ(platform.failures(), std::vector<std::string>{"剪贴板被其他程序占用，无法粘贴！"});
  EXPECT_EQ(c.gettext(1, 1), "kept");
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
