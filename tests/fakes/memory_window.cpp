#include "memory_window.h"

#include <stdexcept>

namespace kovrin::fakes {

MemoryWindow::MemoryWindow(WindowSpec layout) : spec_(std::move(layout)) {
  for (const auto& c : spec_.controls) states_[c.name].text = c.caption;
}

const ControlSpec& MemoryWindow::control(std::string_view name) {
  const ControlSpec* c = spec_.find(name);
  if (!c) throw std::out_of_range("no control named " + std::string(name) + " in " + spec_.name);
  return *c;
}

MemoryWindow::State& MemoryWindow::state(std::string_view name) {
  control(name);
  return states_.find(name)->second;
}

std::string MemoryWindow::text(std::string_view name) { return state(name).text; }

void MemoryWindow::setText(std::string_view name, const std::string& text) {
  const ControlSpec& c = control(name);
  if (c.kind == ControlKind::Progress || c.kind == ControlKind::Timer)
    throw std::logic_error("a " + std::string(name) + " has no text");
  State& s = state(name);
  s.text = text;
  s.history.push_back(text);
}

void MemoryWindow::setDisabled(std::string_view name, bool disabled) { state(name).disabled = disabled; }
bool MemoryWindow::disabled(std::string_view name) { return state(name).disabled; }

void MemoryWindow::setPosition(std::string_view name, int position) {
  if (control(name).kind != ControlKind::Progress)
    throw std::logic_error(std::string(name) + " is not a progress bar");
  state(name).position = position;
}

void MemoryWindow::setPeriod(std::string_view name, int milliseconds) {
  if (control(name).kind != ControlKind::Timer)
    throw std::logic_error(std::string(name) + " is not a timer");
  state(name).period = milliseconds;
}

int MemoryWindow::position(std::string_view name) { return state(name).position; }
int MemoryWindow::period(std::string_view name) { return state(name).period; }
const std::vector<std::string>& MemoryWindow::history(std::string_view name) { return state(name).history; }

void MemoryWindow::fire(std::string_view name, ControlEvent event) {
  const ControlSpec& c = control(name);
  if (c.event == event && c.handler) c.handler(*this);
}

void MemoryWindow::click(std::string_view name) {
  if (state(name).disabled) return;
  fire(name, ControlEvent::Clicked);
}

void MemoryWindow::type(std::string_view name, const std::string& text) {
  setText(name, text);
  fire(name, ControlEvent::TextChanged);
}

void MemoryWindow::elapse(std::string_view name) {
  if (state(name).period == 0) return;
  fire(name, ControlEvent::Elapsed);
}

void MemoryWindow::pressLeftButton(std::string_view name) { fire(name, ControlEvent::LeftButtonDown); }

void MemoryWindow::created() {
  if (spec_.onCreated) spec_.onCreated(*this);
}

void MemoryWindow::destroyed() {
  if (spec_.onDestroy) spec_.onDestroy(*this);
}

}  // namespace kovrin::fakes
