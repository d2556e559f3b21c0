// tablique::Platform: the services the control asks of its host platform (message and input
// boxes, the file dialog, the clipboard, the popup menu, focus and key synthesis), and
// HeadlessPlatform, a complete in-memory implementation for batch hosts and tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tablique {

class Control;

enum class MessageAnswer { Ok, Cancel };
enum class FocusTarget { None, Grid, Editor };

struct ShownMessage {
  std::string text, title;
  bool okCancel;
};

// What the control asks of the file dialog. `filter` uses the "描述|*.ext" form; `fileName`
// is the preset name; the answer is a full path or nothing (Cancel).
struct FileDialogCall {
  bool save;
  std::string filter, defaultExt, initDir, fileName;
};

// One line of a popup menu: an entry with its name and caption, or a separator.
struct MenuEntry {
  std::string name;      // "CommandAA2m", or "m1" for a separator
  std::string caption;   // empty for a separator
  bool separator = false;
};

struct ShownMenu {
  std::string caption;   // the menu's own caption
  float x, y;            // twips, relative to the grid
};

class Platform {
public:
  virtual ~Platform() = default;

  // Modal message box; okCancel selects OK+Cancel, else OK only. Closing counts as Cancel.
  virtual MessageAnswer messageBox(std::string_view text, std::string_view title, bool okCancel) = 0;
  // Modal single-line input box with OK and Cancel; nullopt on Cancel.
  virtual std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                              std::string_view defaultText) = 0;
  // Open or save file dialog; nullopt on Cancel.
  virtual std::optional<std::string> fileDialog(const FileDialogCall& call) = 0;
  // Plain-text clipboard.
  virtual std::string clipboardText() const = 0;
  virtual void clearClipboard() = 0;
  virtual void setClipboardText(std::string text) = 0;
  // Shows a popup menu at (x, y) twips relative to the grid and waits until it closes; returns
  // the chosen entry's name, or nullopt when nothing was chosen.
  virtual std::optional<std::string> popupMenu(const std::string& caption,
                                               const std::vector<MenuEntry>& entries, float x,
                                               float y) = 0;
  // The control moved the keyboard focus (the core already ran its focus handlers); a real
  // platform moves the real focus to match.
  virtual void focusChanged(FocusTarget target) { (void)target; }
  // Synthesises a press and a release of a virtual key (38 Up, 40 Down) for the focused window.
  // The headless platform delivers it to the control at once.
  virtual void synthesizeKey(int keyCode) = 0;
  // A command failed and changed nothing; `text` is the Chinese text the user was shown (the
  // control shows it through messageBox first). A host hook: the Qt widget turns it into a
  // signal, the headless platform records it.
  virtual void commandFailed(std::string_view text) { (void)text; }

  // The control announces itself to its platform at construction.
  void attach(Control* control) { control_ = control; }
  Control* control() const { return control_; }

private:
  Control* control_ = nullptr;
};

class HeadlessPlatform : public Platform {
public:
  void queueMessageAnswer(MessageAnswer a);            // answers in order; Ok when none queued
  void queueInput(std::optional<std::string> text);    // nullopt = Cancel; Cancel when none
  void queueFile(std::optional<std::string> path);     // nullopt = Cancel; Cancel when none
  void queueMenuChoice(std::optional<std::string> entryName);  // nullopt = closed; none queued: closed
  const std::vector<ShownMessage>& messages() const { return messages_; }
  const std::vector<std::string>& prompts() const { return prompts_; }
  const std::vector<std::string>& inputTitles() const { return inputTitles_; }
  const std::vector<std::string>& inputDefaults() const { return inputDefaults_; }
  const std::vector<FileDialogCall>& fileDialogs() const { return fileDialogs_; }
  const std::vector<ShownMenu>& menus() const { return menus_; }
  const std::vector<int>& synthesizedKeys() const { return keys_; }
  const std::vector<std::string>& failures() const { return failures_; }
  FocusTarget focus() const { return focus_; }
  std::string clipboardText() const override { return clipboard_; }
  void setClipboardText(std::string text) override { clipboard_ = std::move(text); }

  MessageAnswer messageBox(std::string_view text, std::string_view title, bool okCancel) override;
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> fileDialog(const FileDialogCall& call) override;
  void clearClipboard() override { clipboard_.clear(); }
  std::optional<std::string> popupMenu(const std::string& caption,
                                       const std::vector<MenuEntry>& entries, float x,
                                       float y) override;
  void focusChanged(FocusTarget target) override { focus_ = target; }
  void synthesizeKey(int keyCode) override;
  void commandFailed(std::string_view text) override { failures_.emplace_back(text); }

private:
  std::vector<MessageAnswer> answers_;
  std::vector<std::optional<std::string>> inputs_, files_, menuChoices_;
  size_t nextAnswer_ = 0, nextInput_ = 0, nextFile_ = 0, nextMenu_ = 0;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> prompts_, inputTitles_, inputDefaults_;
  std::vector<FileDialogCall> fileDialogs_;
  std::vector<ShownMenu> menus_;
  std::vector<int> keys_;
  std::vector<std::string> failures_;
  std::string clipboard_;
  FocusTarget focus_ = FocusTarget::None;
};

}  // namespace tablique
