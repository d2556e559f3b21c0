// HeadlessPlatform: every platform service in memory, with queued answers and a record of
// what the control showed.
#include <tablique/control.h>
#include <tablique/platform.h>

namespace tablique {

namespace {

template <typename T>
T nextQueued(std::vector<T>& queue, size_t& next, T fallback) {
  if (next < queue.size()) return queue[next++];
  return fallback;
}

}  // namespace

void HeadlessPlatform::queueMessageAnswer(MessageAnswer a) { answers_.push_back(a); }
void HeadlessPlatform::queueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
void HeadlessPlatform::queueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
void HeadlessPlatform::queueMenuChoice(std::optional<std::string> entryName) {
  menuChoices_.push_back(std::move(entryName));
}

MessageAnswer HeadlessPlatform::messageBox(std::string_view text, std::string_view title, bool okCancel) {
  messages_.push_back({std::string(text), std::string(title), okCancel});
  MessageAnswer answer = nextQueued(answers_, nextAnswer_, MessageAnswer::Ok);
  return okCancel ? answer : MessageAnswer::Ok;
}

std::optional<std::string> HeadlessPlatform::inputBox(std::string_view prompt, std::string_view title,
                                                      std::string_view defaultText) {
  prompts_.emplace_back(prompt);
  inputTitles_.emplace_back(title);
  inputDefaults_.emplace_back(defaultText);
  return nextQueued(inputs_, nextInput_, std::optional<std::string>{});
}

std::optional<std::string> HeadlessPlatform::fileDialog(const FileDialogCall& call) {
  fileDialogs_.push_back(call);
  return nextQueued(files_, nextFile_, std::optional<std::string>{});
}

std::optional<std::string> HeadlessPlatform::popupMenu(const std::string& caption,
                                                       const std::vector<MenuEntry>&, float x, float y) {
  menus_.push_back({caption, x, y});
  return nextQueued(menuChoices_, nextMenu_, std::optional<std::string>{});
}

void HeadlessPlatform::synthesizeKey(int keyCode) {
  keys_.push_back(keyCode);
  if (Control* c = control()) c->pressKey(int16_t(keyCode), 0);
}

}  // namespace tablique
