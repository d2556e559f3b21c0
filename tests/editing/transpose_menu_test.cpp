// Transpose, and the popup menu's entries and wrapper steps.
#include "support/driver.h"

#include <filesystem>
#include <unistd.h>

namespace tablique {
namespace {

using namespace tablique::testing;

TEST(Transpose, TurnsTheBlockAboutItsCorner) {
  Control c;
  put(c, 1, 1, {{"a", "b", "c"}, {"d", "e", "f"}});
  select(c, 2, 3, 1, 1);  // reversed
  c.trans();
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.cc(), 3);
  EXPECT_EQ(block(c, 1, 1, 3, 3), (Rows{{"a", "d", ""}, {"b", "e", ""}, {"c", "f", ""}}));
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  // A square block turns about its diagonal.
  put(c, 5, 5, {{"1", "2"}, {"3", "4"}});
  select(c, 5, 5, 6, 6);
  c.trans();
  EXPECT_EQ(block(c, 5, 5, 2, 2), (Rows{{"1", "3"}, {"2", "4"}}));
}

TEST(Transpose, ABlockThatDoesNotFitChangesNothing) {
  Control c;
  c.rowcol(3, 10);
  const Rows data = {{"1", "2", "3", "4", "5"}, {"6", "7", "8", "9", "10"}};
  put(c, 2, 1, data);
  select(c, 2, 1, 3, 5);  // 2 x 5 would need rows 2..6
  // Told to the user and thrown to the host, no cell changed.
  try {
    c.trans();
    ADD_FAILURE() << "trans reported success";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Refused);
    EXPECT_EQ(e.userText(), "转置后超出表格范围，不能转置！");
  }
  EXPECT_EQ(block(c, 2, 1, 2, 5), data);
  EXPECT_EQ(c.rows(), 3);
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, "转置后超出表格范围，不能转置！");
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  EXPECT_EQ(c.headless().failures(), (Texts{"转置后超出表格范围，不能转置！"}));
  EXPECT_FALSE(c.editor().visible());
  // A block that fits after all is turned as usual.
  select(c, 2, 1, 3, 2);
  c.trans();
  EXPECT_EQ(block(c, 2, 1, 2, 2), (Rows{{"1", "6"}, {"2", "7"}}));
}

TEST(Menu, EntriesAndCaptionsInOrder) {
  EXPECT_EQ(Control::popmuCaption(), "弹出菜单");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"CommandAA2m", "复制  Ctrl+C"}, {"CommandAA3m", "粘贴  Ctrl+V"}, {"CommandAA13m", "剪切  Ctrl+X"},
      {"CommandAA1m", "删除  Del"},    {"m1", ""},                      {"CommandAA4m", "插入行"},
      {"CommandAA5m", "删除行"},       {"CommandAA11m", "行上移"},       {"CommandAA10m", "行下移"},
      {"m2", ""},                      {"CommandAA6m", "插入列"},        {"CommandAA7m", "删除列"},
      {"CommandAA8m", "列左移"},       {"CommandAA9m", "列右移"},        {"m3", ""},
      {"CommandAA14m", "计算公式"},    {"CommandAA12m", "清空表格"},     {"CommandAA16m", "数据导出"},
      {"CommandAA17m", "数据导入"}};
  const std::vector<MenuEntry>& entries = Control::popmuEntries();
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].name, expected[i].first);
    EXPECT_EQ(entries[i].caption, expected[i].second);
    EXPECT_EQ(entries[i].separator, expected[i].second.empty());
  }
}

TEST(Menu, ChosenEntryRunsItsCommand) {
  Control c;
  put(c, 2, 2, {{"v"}});
  click(c, 2, 2);
  c.headless().queueMenuChoice("CommandAA2m");
  c.MSFlexGrid1_MouseDown(2, 0, cellX(c, 2), cellY(c, 2));  // right press: popmu
  ASSERT_EQ(c.headless().menus().size(), 1u);
  EXPECT_EQ(c.headless().menus()[0].caption, "弹出菜单");
  EXPECT_EQ(c.headless().clipboardText(), "v");
}

TEST(Menu, WrapperStepsLeaveTheEditorAsEachEntryDefines) {
  Control c;
  // Copy, and every entry of its kind, ends with the editor hidden and the grid focused.
  click(c, 2, 2);
  ASSERT_TRUE(c.editor().visible());
  c.m_copy();
  EXPECT_FALSE(c.editor().visible());
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  click(c, 2, 2);
  c.m_rowins();
  EXPECT_FALSE(c.editor().visible());
  // Paste leaves the editor as the paste left it: shown when nothing was pasted.
  click(c, 2, 2);
  c.headless().setClipboardText("");
  c.m_paste();
  EXPECT_TRUE(c.editor().visible());
  c.headless().setClipboardText("x");
  c.m_paste();
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  // Insert columns hides the editor before the action.
  click(c, 2, 2);
  c.m_colins();
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.state().editLock, EditLock::None);
}

// Export labels its spare columns through the header row; the current cell is a data cell
// afterwards, so that a formula entered next belongs to a data row.
TEST(Menu, ExportLeavesTheCurrentCellOnItsDataCell) {
  Control c;
  c.rowcol(6, 4);
  c.settext(2, 4, "7");  // the last column holds data: export adds spare columns
  c.settext(3, 1, "5");
  click(c, 3, 2);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("tablique-menu-" + std::to_string(::getpid()) + ".tbq")).string();
  c.headless().queueFile(path);
  c.m_daexp();
  std::filesystem::remove(path);
  EXPECT_EQ(c.cols(), 6);
  EXPECT_EQ((std::pair{c.grid().Row(), c.grid().Col()}), (std::pair{3, 2}));
  c.headless().queueInput("=C1*2");
  c.m_focal();
  EXPECT_EQ(c.gettext(3, 2), "10");
  EXPECT_EQ(record(c, 2), "=C1<4>*2<B>3;");
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
