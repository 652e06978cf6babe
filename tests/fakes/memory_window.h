// An in-memory window for host tests: it holds every property of every control
// of its roster, records what was written, and lets a test click, type and
// fire the timer as an operator (or the system) would.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/window.h"

namespace kovrin::fakes {

class MemoryWindow : public Window {
 public:
  explicit MemoryWindow(WindowSpec layout);

  const WindowSpec& layout() const override { return spec_; }
  std::string text(std::string_view control) override;
  void setText(std::string_view control, const std::string& text) override;
  void setDisabled(std::string_view control, bool disabled) override;
  bool disabled(std::string_view control) override;
  void setPosition(std::string_view control, int position) override;
  void setPeriod(std::string_view control, int milliseconds) override;

  int position(std::string_view control);
  int period(std::string_view control);
  // Every text written to the control, in order.
  const std::vector<std::string>& history(std::string_view control);

  // Operator actions. A click on a disabled button does nothing.
  void click(std::string_view control);
  // Replaces the text and raises the text-changed event, like typing.
  void type(std::string_view control, const std::string& text);
  // One timer event (only while its period is not 0).
  void elapse(std::string_view control);
  void pressLeftButton(std::string_view control);

  void created();
  void destroyed();

 private:
  struct State {
    std::string text;
    bool disabled = false;
    int position = 0;
    int period = 0;
    std::vector<std::string> history;
  };
  State& state(std::string_view control);
  const ControlSpec& control(std::string_view name);
  void fire(std::string_view control, ControlEvent event);

  WindowSpec spec_;
  std::map<std::string, State, std::less<>> states_;
};

}  // namespace kovrin::fakes
