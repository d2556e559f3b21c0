// The README's examples for host developers do what the README says.
#include <gtest/gtest.h>

#include <tablique/control.h>

namespace tablique {
namespace {

TEST(ReadmeExamples, ColumnFormulaThroughTheMethods) {
  Control c;
  c.rowcol(100, 5);
  c.settext(1, 1, "12.5");
  c.settext(1, 2, "3");
  c.formuset(3, "C1*C2");
  c.update(3);
  EXPECT_EQ(c.gettext(1, 3), "37.5");
}

TEST(ReadmeExamples, FormulaCommandWithAQueuedAnswer) {
  Control c;
  c.settext(1, 1, "2");
  c.headless().queueInput("C1^10");
  c.mouseset(1, 2);
  c.m_focal();
  EXPECT_EQ(c.gettext(1, 2), "1024");
  ASSERT_EQ(c.headless().inputTitles().size(), 1u);
  EXPECT_EQ(c.headless().inputTitles()[0], "计算公式");
}

}  // namespace
}  // namespace tablique
