// tablique::Editor: the in-cell editor `Text1`, a single-line text box over the current cell.
// The core holds its whole state; the Qt layer mirrors it onto a QLineEdit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tablique {

class Editor {
public:
  bool visible() const { return visible_; }
  bool enabled() const { return enabled_; }
  const std::string& text() const { return text_; }
  float fontSize() const { return fontSize_; }   // points
  int alignment() const { return alignment_; }   // 0 left
  uint32_t foreColor() const { return foreColor_; }
  int32_t left() const { return left_; }         // twips, in the control
  int32_t top() const { return top_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  // Plain setters: the control calls them; setting the text here does not run any handler
  // (the control's setEditorText does that).
  void setVisible(bool on) { visible_ = on; notify(); }
  void setEnabled(bool on) { enabled_ = on; notify(); }
  void setTextRaw(std::string text) { text_ = std::move(text); notify(); }
  void setFontSize(float points) { fontSize_ = points; notify(); }
  void setAlignment(int code) { alignment_ = code; notify(); }
  void setForeColor(uint32_t rgb) { foreColor_ = rgb; notify(); }
  void setLeft(int32_t v) { left_ = v; notify(); }
  void setTop(int32_t v) { top_ = v; notify(); }
  void setWidth(int32_t v) { width_ = v; notify(); }
  void setHeight(int32_t v) { height_ = v; notify(); }

  // Called after every change; the view mirrors the state.
  std::function<void()> changed;

private:
  void notify() const { if (changed) changed(); }
  bool visible_ = false;
  bool enabled_ = true;
  std::string text_;
  float fontSize_ = 12.0f;
  int alignment_ = 0;
  uint32_t foreColor_ = 0x000000;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace tablique
