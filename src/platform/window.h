// Windows as data. A window is described by a roster of controls; the GUI
// layer builds the real controls from it and reports their events to the
// handlers in the roster. Code reaches a control by its window and its name and
// reads or writes one property at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

class Window;

enum class ControlKind { Label, Button, Edit, Combo, Progress, Timer };

// The one event of a control that has a handler.
enum class ControlEvent { None, Clicked, TextChanged, Elapsed, LeftButtonDown };

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Font {
  int height = 0;          // pixels; 0 = the default font
  bool bold = false;
  bool gb2312 = false;     // GB2312 character set, default face
};

using Handler = std::function<void(Window&)>;

struct ControlSpec {
  std::string name;
  ControlKind kind = ControlKind::Label;
  Rect rect;
  std::string caption;                     // caption or design text
  Font font;
  std::optional<std::uint32_t> textColor;  // 0xRRGGBB; nothing = default colour
  std::vector<std::string> items;          // combo box items
  ControlEvent event = ControlEvent::None;
  Handler handler;                         // called for `event`
};

struct WindowSpec {
  std::string name;
  std::string caption;
  int width = 0;   // outer size
  int height = 0;
  std::vector<ControlSpec> controls;
  Handler onCreated;   // after the window and all its controls exist
  Handler onDestroy;   // the window is about to be destroyed

  const ControlSpec* find(std::string_view control) const {
    for (const auto& c : controls)
      if (c.name == control) return &c;
    return nullptr;
  }
};

// A live window. Every call names a control of the window's roster.
class Window {
 public:
  virtual ~Window() = default;
  virtual const WindowSpec& layout() const = 0;
  // Edit-box or combo-box text (for labels and buttons: the caption).
  virtual std::string text(std::string_view control) = 0;
  // Edit-box or combo-box text, label or button caption; shows at once.
  virtual void setText(std::string_view control, const std::string& text) = 0;
  virtual void setDisabled(std::string_view control, bool disabled) = 0;
  virtual bool disabled(std::string_view control) = 0;
  // Progress-bar position (0..100).
  virtual void setPosition(std::string_view control, int position) = 0;
  // Timer period in milliseconds; 0 stops it.
  virtual void setPeriod(std::string_view control, int milliseconds) = 0;
};

// The control identifier of the control at `index` of a roster: the GUI layer
// gives every control this identifier, so that other programs (automation
// tools, the test driver) can reach a control by its place in the roster.
inline int controlId(std::size_t index) { return 1000 + static_cast<int>(index); }

class Gui {
 public:
  virtual ~Gui() = default;
  // A message box with the caption "信息：", an OK button and no icon, owned by
  // no window and modal for the calling thread (on the GUI thread it disables
  // the tool's windows). May be called from any thread; returns when closed.
  virtual void showMessage(const std::string& text) = 0;
  // Creates the main window centred on the screen, runs its created handler,
  // and runs the message loop until the window has been destroyed.
  virtual void runMainWindow(const WindowSpec& layout) = 0;
  // Creates a window modal over the main window, centred, runs its created
  // handler, and returns when the operator has closed it.
  virtual void runModal(const WindowSpec& layout) = 0;
};

}  // namespace kovrin
