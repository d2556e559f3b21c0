// The popup menu popmu, its click handlers and the m_ methods that run them.
//
// Each click handler is a thin wrapper: it prepares the editor, runs the command's action and
// returns the focus to the grid. A failure inside an action ends the handler there; through an
// m_ method it reaches the host, from the menu itself it is dropped.
#include <tablique/control.h>

#include <algorithm>

#include "control/texts.h"

namespace tablique {

const std::string& Control::popmuCaption() {
  static const std::string caption = texts::kPopupCaption;
  return caption;
}

const std::vector<MenuEntry>& Control::popmuEntries() {
  static const std::vector<MenuEntry> entries = {
      {"CommandAA2m", "复制  Ctrl+C"},   {"CommandAA3m", "粘贴  Ctrl+V"},
      {"CommandAA13m", "剪切  Ctrl+X"},  {"CommandAA1m", "删除  Del"},
      {"m1", "", true},
      {"CommandAA4m", "插入行"},         {"CommandAA5m", "删除行"},
      {"CommandAA11m", "行上移"},        {"CommandAA10m", "行下移"},
      {"m2", "", true},
      {"CommandAA6m", "插入列"},         {"CommandAA7m", "删除列"},
      {"CommandAA8m", "列左移"},         {"CommandAA9m", "列右移"},
      {"m3", "", true},
      {"CommandAA14m", "计算公式"},      {"CommandAA12m", "清空表格"},
      {"CommandAA16m", "数据导出"},      {"CommandAA17m", "数据导入"},
  };
  return entries;
}

void Control::runMenuEntry(std::string_view name) {
  const StepScope scope(*this);
  using Handler = void (Control::*)();
  static const std::pair<std::string_view, Handler> handlers[] = {
      {"CommandAA1m", &Control::CommandAA1m_Click},   {"CommandAA2m", &Control::CommandAA2m_Click},
      {"CommandAA3m", &Control::CommandAA3m_Click},   {"CommandAA4m", &Control::CommandAA4m_Click},
      {"CommandAA5m", &Control::CommandAA5m_Click},   {"CommandAA6m", &Control::CommandAA6m_Click},
      {"CommandAA7m", &Control::CommandAA7m_Click},   {"CommandAA8m", &Control::CommandAA8m_Click},
      {"CommandAA9m", &Control::CommandAA9m_Click},   {"CommandAA10m", &Control::CommandAA10m_Click},
      {"CommandAA11m", &Control::CommandAA11m_Click}, {"CommandAA12m", &Control::CommandAA12m_Click},
      {"CommandAA13m", &Control::CommandAA13m_Click}, {"CommandAA14m", &Control::CommandAA14m_Click},
      {"CommandAA16m", &Control::CommandAA16m_Click}, {"CommandAA17m", &Control::CommandAA17m_Click},
  };
  endEdit();  // a pending edit ends before the command sees the table
  for (const auto& [entry, handler] : handlers)
    if (entry == name) return (this->*handler)();
}

void Control::tellFailure(const Error& e) {
  const std::string& text = e.userText().empty() ? std::string(texts::kCommandFailed) : e.userText();
  platform_->messageBox(text, texts::kNoticeTitle, false);
  platform_->commandFailed(text);
}

void Control::tellFailureInFlight() {
  try {
    rethrowAsError();
  } catch (const Error& e) {
    tellFailure(e);
  }
}

// A pending edit ends before the command sees the table.
template <typename Command>
void Control::runForHost(Command command) {
  const StepScope scope(*this);
  endEdit();
  try {
    command();
  } catch (...) {
    tellFailureInFlight();
    rethrowAsError();
  }
}

// Opens popmu at the mouse and runs the chosen entry; a failing command is told to the user
// and goes no further, as a menu choice has no caller to report to.
void Control::showPopupMenu(float x, float y) {
  std::optional<std::string> choice = platform_->popupMenu(popmuCaption(), popmuEntries(), x, y);
  if (!choice) return;
  try {
    runMenuEntry(*choice);
  } catch (...) {
    tellFailureInFlight();
  }
}

// ---- wrappers

namespace {

// enable the editor; run the action; focus the grid; hide the editor
template <typename Action>
void wrapHideAfter(Control& c, Editor& editor, Action action) {
  editor.setEnabled(true);
  action();
  c.focusGrid();
  editor.setVisible(false);  // the grid has the focus
}

}  // namespace

// A host may call a click handler itself: the pending edit ends before the command sees the
// table, and only a tablique::Error leaves.
template <typename Action>
void Control::runClick(Action action) {
  endEdit();
  try {
    action();
    hideEditorOffItsCell();
  } catch (...) {
    rethrowAsError();
  }
}

void Control::CommandAA2m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { copysel(); }); }); }
void Control::CommandAA13m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { cutsel(); }); }); }
void Control::CommandAA1m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { delsel(); }); }); }
void Control::CommandAA4m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { rowins(); }); }); }
void Control::CommandAA11m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { rowup(); }); }); }
void Control::CommandAA10m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { rowdown(); }); }); }
void Control::CommandAA8m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { colleft(); }); }); }
void Control::CommandAA9m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { colright(); }); }); }
void Control::CommandAA14m_Click() { runClick([&] { wrapHideAfter(*this, editor_, [&] { focal(); }); }); }

// Insert columns hides the editor before the action.
void Control::CommandAA6m_Click() {
  runClick([&] {
    editor_.setEnabled(true);
    hideEditor();
    colins();
    focusGrid();
  });
}

void Control::CommandAA3m_Click() {
  runClick([&] {
    editor_.setEnabled(true);
    pastesel();
    focusGrid();
  });
}

void Control::CommandAA17m_Click() {
  runClick([&] {
    editor_.setEnabled(true);
    datainp();
    focusGrid();
  });
}

// The spare columns are labelled through the header row; the current cell goes back to its data
// cell before the export, so that nothing after it acts on a header cell. An export that is
// refused or fails takes its spare columns off again: the table is left as it was.
void Control::CommandAA16m_Click() {
  runClick([&] {
    editor_.setEnabled(true);
    const int32_t row = grid_.Row(), col = grid_.Col(), cols = grid_.Cols();
    expspare();
    grid_.setRow(row);
    grid_.setCol(col);
    try {
      dataexp();
    } catch (...) {
      if (grid_.Cols() > cols) {
        grid_.setCols(cols);
        st_.recordWrites.touchFrom(size_t(cols));
        st_.colFormula.resize(size_t(cols));
      }
      throw;
    }
    focusGrid();
  });
}

void Control::CommandAA12m_Click() {
  runClick([&] {
    if (platform_->messageBox(texts::kClearConfirm, texts::kNoticeTitle, true) == MessageAnswer::Cancel)
      return;
    cleartab();
    setEditorText(std::string());
    focusGrid();
  });
}

namespace {

// Delete rows and delete columns run with editLock telling the editor that such a command runs;
// they run whatever the table's size, as they only shrink it. The lock is released also when
// the action fails, so that the editor keeps working afterwards.
template <typename Action>
void withEditLock(ControlState& st, Action action) {
  st.editLock = EditLock::Deleting;
  try {
    action();
  } catch (...) {
    st.editLock = EditLock::None;
    throw;
  }
  st.editLock = EditLock::None;
}

}  // namespace

void Control::CommandAA5m_Click() { runClick([&] { withEditLock(st_, [&] { rowdel(); }); }); }
void Control::CommandAA7m_Click() { runClick([&] { withEditLock(st_, [&] { coldel(); }); }); }

// ---- the m_ methods

void Control::m_delete() { runForHost([&] { CommandAA1m_Click(); }); }
void Control::m_copy() { runForHost([&] { CommandAA2m_Click(); }); }
void Control::m_paste() { runForHost([&] { CommandAA3m_Click(); }); }
void Control::m_rowins() { runForHost([&] { CommandAA4m_Click(); }); }
void Control::m_rowdel() { runForHost([&] { CommandAA5m_Click(); }); }
void Control::m_colins() { runForHost([&] { CommandAA6m_Click(); }); }
void Control::m_coldel() { runForHost([&] { CommandAA7m_Click(); }); }
void Control::m_collef() { runForHost([&] { CommandAA8m_Click(); }); }
void Control::m_colrig() { runForHost([&] { CommandAA9m_Click(); }); }
void Control::m_rowdow() { runForHost([&] { CommandAA10m_Click(); }); }
void Control::m_rowup() { runForHost([&] { CommandAA11m_Click(); }); }
void Control::m_clc() { runForHost([&] { CommandAA12m_Click(); }); }
void Control::m_cut() { runForHost([&] { CommandAA13m_Click(); }); }
void Control::m_focal() { runForHost([&] { CommandAA14m_Click(); }); }
void Control::m_daexp() { runForHost([&] { CommandAA16m_Click(); }); }
void Control::m_dainp() { runForHost([&] { CommandAA17m_Click(); }); }

}  // namespace tablique
