// tablique::Control: the grid control. One class with plain state; behaviour lives in event
// handlers named after the child and the event, and in short action procedures.
//
// Map of the class (each group is implemented in the folder named):
//   control/      start-up, layout, pmenu, cell/selection/dimension methods, popup menu,
//                 the m_ methods and the CommandAA*m_Click handlers, focus and editor helpers
//   interaction/  grid mouse/key/scroll handlers, wheel watchers, the Text1_* handlers
//   formula/      formuset, formuget, update, recalc, focal
//   editing/      copysel, pastesel, delsel, cutsel, cleartab, row and column operations, trans
//   files/        savetxt, opentxt, savexls, savexlsx, expspare, dataexp, datainp
//   analysis/     psort, hsort, statis
//
// Public methods that fail throw tablique::Error; methods silent by design return normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tablique/control_state.h>
#include <tablique/editor.h>
#include <tablique/error.h>
#include <tablique/grid.h>
#include <tablique/platform.h>
#include <tablique/script.h>

namespace tablique {

namespace editing {
struct PasteBlock;  // src/editing/paste_text.h
}
class History;  // src/control/history.h

class Control {
public:
  Control();                              // headless: owns a HeadlessPlatform
  explicit Control(Platform& platform);   // runs start-up
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HeadlessPlatform& headless();           // the owned one (throws if a Platform was given)
  Platform& platform() { return *platform_; }

  // ---- property
  bool pmenu() const { return st_.pmenu; }
  void setPmenu(bool on) { st_.pmenu = on; }

  // ---- cells and selection
  void rowcol(int32_t rw, int32_t cl);
  std::string gettext(int32_t r, int32_t c) const;
  void settext(int32_t r, int32_t c, std::string_view txt);
  void mouseset(int32_t r, int32_t c);
  int32_t rr0() const { return st_.rr0; }
  int32_t cc0() const { return st_.cc0; }
  int32_t RR() const { return st_.RR; }
  int32_t cc() const { return st_.cc; }

  // ---- dimensions
  void addrow(int32_t rows);
  void addcol(int32_t cols);
  int32_t rows() const { return grid_.Rows() - 1; }
  int32_t cols() const { return grid_.Cols() - 1; }
  void setcolw(int32_t coll, float w);
  void setrowh(int32_t roww, float h);

  // ---- commands (each runs the matching menu entry's click handler)
  void m_delete(); void m_copy(); void m_paste(); void m_rowins(); void m_rowdel();
  void m_colins(); void m_coldel(); void m_collef(); void m_colrig(); void m_rowdow();
  void m_rowup(); void m_clc(); void m_cut(); void m_focal(); void m_daexp(); void m_dainp();

  // ---- formulas
  void formuset(int32_t coll, std::string_view formu);
  std::string formuget(int32_t coll);
  void update(int32_t coll);

  // ---- files
  void savetxt(); void opentxt(); void savexls();
  // The used area as an .xlsx workbook: numbers as numbers, sizes from the grid.
  void savexlsx();

  // ---- analysis and transposition
  void psort(const script::Value& p = {});
  void statis(int32_t col);
  void trans();

  // ---- undo and redo: every change to the table made by one command, edit, fill drag or
  // method is one step. Undo and redo put back the cells, alignments, formula records, counts,
  // sizes, current cell and selection; false when there is nothing to take back (put back).
  bool undo();
  bool redo();
  bool canUndo() const;
  bool canRedo() const;
  size_t undoSteps() const;  // steps that undo can take back
  size_t redoSteps() const;
  void clearUndo();
  // Memory the history may hold, in bytes (64 MiB unless set); the oldest steps go first. 0
  // turns recording off.
  void setUndoLimit(size_t bytes);
  size_t undoLimit() const;
  // Called whenever canUndo() or canRedo() may have changed.
  void setHistoryListener(std::function<void()> listener);

  // Event raised to the host; arguments by reference, the host may change Button and Shift.
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& y)> MouseDown;

  const ControlState& state() const { return st_; }
  const Grid& grid() const { return grid_; }
  const Editor& editor() const { return editor_; }
  script::Engine& engine() { return *ScriptControl1; }

  // ---- the control's own size (twips); resize() stores it and runs UserControl_Resize.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void resize(int32_t width, int32_t height);
  void UserControl_Resize();

  // ---- input delivery: what the platform (Qt, a test, a batch host) calls
  // Grid events. Positions are twips relative to the grid. Each first does what the grid does
  // on a real event, then runs the control's handling.
  void MSFlexGrid1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
  void MSFlexGrid1_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
  void MSFlexGrid1_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
  void MSFlexGrid1_KeyDown(int16_t KeyCode, int16_t Shift);
  void MSFlexGrid1_KeyUp(int16_t KeyCode, int16_t Shift);
  void MSFlexGrid1_Scroll();
  // Wheel watchers: one call per notch, amount +120 (away from the user) or -120.
  void glidbar1_Wheel(int16_t amount);
  void glidbar2_Wheel(int16_t amount);
  // Editor events.
  void Text1_GotFocus();
  void Text1_Change();
  void Text1_KeyDown(int16_t KeyCode, int16_t Shift);
  void Text1_KeyUp(int16_t KeyCode, int16_t Shift);
  void Text1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
  void Text1_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
  void Text1_LostFocus();
  // Menu entries' click handlers.
  void CommandAA1m_Click(); void CommandAA2m_Click(); void CommandAA3m_Click();
  void CommandAA4m_Click(); void CommandAA5m_Click(); void CommandAA6m_Click();
  void CommandAA7m_Click(); void CommandAA8m_Click(); void CommandAA9m_Click();
  void CommandAA10m_Click(); void CommandAA11m_Click(); void CommandAA12m_Click();
  void CommandAA13m_Click(); void CommandAA14m_Click(); void CommandAA16m_Click();
  void CommandAA17m_Click();

  // Focus: moves the keyboard focus, running Text1_LostFocus / Text1_GotFocus as the platform
  // would; a no-op when the target already has it.
  void focusGrid();
  void focusEditor();
  void focusOut();  // the focus left the control for another window of the host
  FocusTarget focus() const { return focus_; }
  // Typing into the editor: the editor's text changes, then Text1_Change runs.
  void typeText(std::string_view text);
  // Sets the editor's text as a program does; Text1_Change runs when the text differs.
  void setEditorText(std::string text);
  // A key pressed and released where the focus is (grid or editor), as a user would: the
  // focused widget's own handling (grid: arrows and page keys move the current cell), then the
  // KeyDown and KeyUp handlers; in the editor Backspace removes the last character.
  void pressKey(int16_t keyCode, int16_t shift = 0);
  // For a platform's view: change notifications (called after every change that needs a
  // repaint; a view only marks itself dirty), the grid's own scrolling by its scroll bars (the
  // view then reports MSFlexGrid1_Scroll), and the part of the grid's area that shows cells.
  void setChangeListeners(std::function<void()> gridChanged, std::function<void()> editorChanged);
  void scrollTo(int32_t topRow, int32_t leftCol);
  void showCurrentCell() { grid_.ensureCurrentVisible(); }
  void setClientSize(int32_t widthTwips, int32_t heightTwips);
  // The popup menu's entries in order, separators included; runs the click handler of a name.
  static const std::vector<MenuEntry>& popmuEntries();
  static const std::string& popmuCaption();
  void runMenuEntry(std::string_view name);

private:
  // ---- control/
  void UserControl_Initialize();
  void startHistory();
  void showPopupMenu(float x, float y);  // opens popmu at the mouse and runs the choice
  // A command failed and changed nothing: its text is shown to the user (message box, title
  // 温馨提示) and handed to the platform's commandFailed hook.
  void tellFailure(const Error& e);
  void tellFailureInFlight();  // inside a catch block: tells the exception in flight
  // Runs a command chosen by the host: a failure is told to the user, then thrown on.
  template <typename Command>
  void runForHost(Command command);
  // Runs a click handler's body: the pending edit ends first; a failure leaves as an Error.
  template <typename Action>
  void runClick(Action action);
  // Ends a pending edit as a focus loss does: the focus goes to the grid and Text1_LostFocus
  // runs (with its restricted recalc). Every command and every public method that changes the
  // table calls it before anything else.
  void endEdit();
  // Inside a catch block: the exception in flight leaves as a tablique::Error (out of memory as
  // ErrorCode::OutOfMemory), so that no other exception reaches the host.
  [[noreturn]] static void rethrowAsError();
  // Raises MouseDown to the host; a host exception leaves the editor enabled as it was.
  void raiseMouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y);
  void hideEditor();                    // hide; a focused editor hands the focus to the grid
  // The editor left visible without the focus is hidden once it no longer shows the current
  // cell: the current cell has moved, the cell has moved or resized under it, or its text
  // has changed. Run after everything that may move or rewrite the current cell.
  void hideEditorOffItsCell();
  void blankEditor();                   // hide and shrink to nothing
  void placeEditorOverCurrentCell(bool withWidth);
  void gridMoveByKey(int16_t keyCode, int16_t shift);  // the grid's own cursor keys
  void currentCellToFirst();            // after addrow/addcol: (1, 1) as far as it exists
  // The open edit has changed its cell: undo takes that back first; redo would end the edit as a
  // new step and so have nothing to put back.
  bool editChangedCell() const;
  void tellHistoryListener();
  void endEditStep(bool typed);         // after Text1_LostFocus: the edit's step ends

  // ---- interaction/
  void openEditorOverCurrentCell();     // scrolled into view, placed, shown, focused
  bool outsideCells(float X, float Y) const;
  void fillStep(int32_t mouseRow);      // one fill-drag move; throws on a failing step

  // ---- formula/
  void recalc();
  void updateColumnFormula(int32_t c);  // recalc's run of a column formula
  void focal();

  // ---- editing/
  void copysel(); void pastesel(); void delsel(); void cutsel(); void cleartab();
  void rowins(); void rowdel(); void rowup(); void rowdown();
  void colins(); void coldel(); void colleft(); void colright();
  // The paste after the clipboard: split a source text (or take a split block) and write it at
  // the current cell with growth, overflow messages, formula retirement and restricted recalc.
  void pasteText(std::string_view text);
  void pasteBlock(editing::PasteBlock block);

  // ---- files/
  void expspare(); void dataexp(); void datainp();
  void opentxtFile();  // opentxt without telling its failure

  // ---- analysis/
  void hsort(std::vector<double>& v);  // heapsort, ascending, in place

  ControlState st_;
  Grid grid_;
  Editor editor_;
  std::unique_ptr<script::Engine> ScriptControl1;
  std::unique_ptr<HeadlessPlatform> ownedPlatform_;
  Platform* platform_ = nullptr;
  FocusTarget focus_ = FocusTarget::None;
  int32_t editorRow_ = -1, editorCol_ = -1;  // the cell the editor was last placed over
  bool pressOutside_ = false;  // the last press was beside the table: a drag selects nothing
  int32_t width_ = 0, height_ = 0;
  std::unique_ptr<History> history_;
  // A dispatch point (command, key, mouse event, public method): the outermost one ends an
  // undo step when it returns.
  class StepScope {
  public:
    explicit StepScope(Control& c);
    ~StepScope();
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

  private:
    History* history_;  // none while the control starts
  };
};

}  // namespace tablique
