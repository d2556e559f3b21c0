// Mouse selection: the anchor and end members, the MouseDown event, the editor placed and
// blanked, the popup menu at a right press.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

struct Raised {
  int16_t button, shift;
};

TEST(MouseSelection, DragLeavesMembersUnnormalisedAndOpensEditorOnAnchor) {
  Control c;
  std::vector<Raised> events;
  c.MouseDown = [&](int16_t& b, int16_t& s, float&, float&) { events.push_back({b, s}); };
  c.settext(3, 4, "x");
  press(c, 3, 4);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 4);
  EXPECT_TRUE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  EXPECT_EQ(c.editor().text(), "x");
  EXPECT_EQ(c.editor().width(), c.grid().ColWidth(4));
  EXPECT_EQ(c.editor().left(), c.grid().Left + c.grid().CellLeft());
  EXPECT_EQ(c.editor().top(), c.grid().Top + c.grid().CellTop());
  EXPECT_FLOAT_EQ(c.editor().fontSize(), 10.5f);
  move(c, 5, 3);
  move(c, 6, 2);
  release(c, 6, 2);
  EXPECT_EQ(c.rr0(), 3);
  EXPECT_EQ(c.cc0(), 4);
  EXPECT_EQ(c.RR(), 6);
  EXPECT_EQ(c.cc(), 2);
  EXPECT_EQ(c.grid().Row(), 3);  // the release leaves the current cell on the anchor
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].button, 1);
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST(MouseSelection, PlainClickSelectsThePressedCell) {
  Control c;
  select(c, 2, 2, 4, 5);
  click(c, 7, 3);
  EXPECT_EQ(c.rr0(), 7);
  EXPECT_EQ(c.cc0(), 3);
  EXPECT_EQ(c.RR(), 7);
  EXPECT_EQ(c.cc(), 3);
}

TEST(MouseSelection, RowHeaderPressZeroesAnchorColumnRaisesNothingAndBlanksEditor) {
  Control c;
  int raised = 0;
  c.MouseDown = [&](int16_t&, int16_t&, float&, float&) { ++raised; };
  c.settext(2, 1, "keep");
  click(c, 5, 5);  // the editor open on (5, 5)
  ASSERT_EQ(raised, 1);
  press(c, 2, 0);
  EXPECT_EQ(c.rr0(), 2);
  EXPECT_EQ(c.cc0(), 0);
  EXPECT_EQ(raised, 1);
  const Editor& e = c.editor();
  EXPECT_FALSE(e.visible());
  EXPECT_EQ(e.width(), 0);
  EXPECT_EQ(e.height(), 0);
  EXPECT_FLOAT_EQ(e.fontSize(), 1.0f);
  EXPECT_EQ(e.foreColor(), c.grid().BackColor);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  release(c, 2, 0);
  // Row 2 is selected whole: copy and Delete take every data cell of it.
  c.pressKey(67, kCtrl);
  EXPECT_EQ(c.headless().clipboardText(), "keep" + std::string(49, '\t'));
  c.pressKey(46);
  EXPECT_EQ(c.gettext(2, 1), "");
  // A press on the corner cell leaves no usable selection: copy does nothing.
  c.settext(2, 1, "keep");
  c.MSFlexGrid1_MouseDown(kLeft, 0, cellX(c, 0), 10);
  c.MSFlexGrid1_MouseUp(kLeft, 0, cellX(c, 0), 10);
  ASSERT_EQ(c.rr0(), 0);
  ASSERT_EQ(c.cc0(), 0);
  c.headless().setClipboardText("before");
  c.pressKey(67, kCtrl);
  c.pressKey(46);
  EXPECT_EQ(c.gettext(2, 1), "keep");
  EXPECT_EQ(c.headless().clipboardText(), "before");
}

TEST(MouseSelection, HostMayChangeTheButton) {
  Control c;
  // The host turns every left press into a right press: no editor, the menu opens instead.
  c.MouseDown = [](int16_t& b, int16_t&, float&, float&) { b = 2; };
  press(c, 4, 2);
  EXPECT_EQ(c.grid().Row(), 4);  // the grid made the cell current before the event
  EXPECT_EQ(c.rr0(), 4);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_NE(c.focus(), FocusTarget::Editor);
  ASSERT_EQ(c.headless().menus().size(), 1u);
  EXPECT_EQ(c.headless().menus()[0].caption, "弹出菜单");
}

TEST(MouseSelection, RightPressOpensMenuAndRunsTheChoice) {
  Control c;
  click(c, 3, 3);
  c.headless().queueMenuChoice(std::string("CommandAA12m"));  // 清空表格
  c.headless().queueMessageAnswer(MessageAnswer::Cancel);
  const float x = cellX(c, 3), y = cellY(c, 3);
  c.MSFlexGrid1_MouseDown(kRight, 0, x, y);
  ASSERT_EQ(c.headless().menus().size(), 1u);
  EXPECT_FLOAT_EQ(c.headless().menus()[0].x, x);
  EXPECT_FLOAT_EQ(c.headless().menus()[0].y, y);
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, "表格内容将被清除，确定？");
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_FALSE(c.editor().visible());
  // A right press sets no anchor.
  EXPECT_EQ(c.rr0(), 3);
  EXPECT_EQ(c.cc0(), 3);
}

TEST(MouseSelection, RightPressWithoutMenuOrWithoutAnchorShowsNoMenu) {
  Control c;
  int raised = 0;
  c.MouseDown = [&](int16_t& b, int16_t&, float&, float&) { raised += b == 2; };
  c.setPmenu(false);
  press(c, 3, 3, kRight);
  EXPECT_EQ(raised, 1);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_TRUE(c.headless().menus().empty());

  c.setPmenu(true);
  c.MSFlexGrid1_MouseDown(kLeft, 0, cellX(c, 0), 10);  // the corner cell: rr0 and cc0 become 0
  c.MSFlexGrid1_MouseUp(kLeft, 0, cellX(c, 0), 10);
  ASSERT_EQ(c.rr0(), 0);
  ASSERT_EQ(c.cc0(), 0);
  press(c, 5, 5, kRight);
  EXPECT_EQ(raised, 2);
  EXPECT_TRUE(c.headless().menus().empty());
  EXPECT_TRUE(c.editor().enabled());
}

TEST(MouseSelection, MovesNearTheTopHideTheEditorAndSetThePointer) {
  Control c;
  click(c, 3, 3);
  ASSERT_TRUE(c.editor().visible());
  c.MSFlexGrid1_MouseMove(0, 0, 800, 300);  // row 1 column 1, above 320 twips
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.grid().MousePointer, 0);
  EXPECT_FLOAT_EQ(c.editor().fontSize(), 10.5f);  // hidden, not blanked: still over a data cell
  c.MSFlexGrid1_MouseMove(0, 0, 1200, 300);
  EXPECT_EQ(c.grid().MousePointer, 3);
  c.MSFlexGrid1_MouseMove(0, 0, 500, 600);
  EXPECT_EQ(c.grid().MousePointer, 3);
  // Over the header row the editor is blanked.
  click(c, 3, 3);
  move(c, 0, 3, 0);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_FLOAT_EQ(c.editor().fontSize(), 1.0f);
  // A move without the left button leaves the selection alone.
  move(c, 9, 9, 0);
  EXPECT_EQ(c.RR(), 3);
  EXPECT_EQ(c.cc(), 3);
}

TEST(MouseSelection, PressOnAnotherCellEndsTheEditFirst) {
  Control c;
  click(c, 2, 2);
  c.typeText("ab");
  press(c, 6, 1);
  release(c, 6, 1);
  EXPECT_EQ(c.gettext(2, 2), "ab");
  EXPECT_EQ(c.gettext(6, 1), "");
  EXPECT_EQ(c.editor().text(), "");  // loaded from (6, 1)
  EXPECT_EQ(c.state().editOrig, "");
  c.typeText("z");
  EXPECT_EQ(c.gettext(6, 1), "z");
  EXPECT_EQ(c.gettext(2, 2), "ab");
}

}  // namespace
}  // namespace tablique
