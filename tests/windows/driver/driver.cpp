#include "driver.h"

#include <commctrl.h>

#include <thread>

namespace driver {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring windowClass(HWND window) {
  wchar_t name[256];
  const int n = GetClassNameW(window, name, 256);
  return n > 0 ? std::wstring(name, static_cast<std::size_t>(n)) : std::wstring();
}

// The title as the system keeps it; no message is sent, so a hung or modal
// owner cannot block this.
std::wstring title(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int n = GetWindowTextW(window, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

// SendMessageTimeout that tells "no answer" from an answer.
std::optional<LRESULT> send(HWND window, UINT message, WPARAM w, LPARAM l, milliseconds timeout) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           static_cast<UINT>(timeout.count()), &result)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

struct TopLevelSearch {
  std::wstring caption;
  DWORD pid;
  const wchar_t* className;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<TopLevelSearch*>(param);
  if (s.visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (s.pid != 0 && ownerProcess(window) != s.pid) return TRUE;
  if (s.className && windowClass(window) != s.className) return TRUE;
  if (title(window) != s.caption) return TRUE;
  s.found = window;
  return FALSE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> descendants(HWND window) {
  std::vector<HWND> all;
  if (IsWindow(window)) EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

struct ProcessWindows {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<ProcessWindows*>(param);
  if (IsWindowVisible(window) && (s.pid == 0 || ownerProcess(window) == s.pid)) s.windows.push_back(window);
  return TRUE;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool waitFor(const std::function<bool()>& condition, milliseconds timeout, milliseconds interval) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(interval);
  }
}

DWORD ownerProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

HWND findTopLevel(const std::string& caption, DWORD pid, const wchar_t* className, bool visibleOnly) {
  TopLevelSearch s{widen(caption), pid, className, visibleOnly, nullptr};
  EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND waitTopLevel(const std::string& caption, milliseconds timeout, DWORD pid, const wchar_t* className,
                  bool visibleOnly) {
  HWND found = nullptr;
  waitFor([&] { return (found = findTopLevel(caption, pid, className, visibleOnly)) != nullptr; }, timeout);
  return found;
}

std::vector<HWND> topLevelWindows(DWORD pid) {
  ProcessWindows s{pid, {}};
  EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.windows;
}

ControlInfo describe(HWND control) {
  ControlInfo c;
  c.hwnd = control;
  c.id = GetDlgCtrlID(control);
  c.className = narrow(windowClass(control));
  c.text = text(control).value_or("");
  RECT r{};
  GetWindowRect(control, &r);
  HWND parent = GetParent(control);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  c.rect = r;
  c.enabled = IsWindowEnabled(control) != FALSE;
  c.visible = IsWindowVisible(control) != FALSE;
  return c;
}

std::vector<ControlInfo> controls(HWND window) {
  std::vector<ControlInfo> all;
  for (HWND child : descendants(window)) all.push_back(describe(child));
  return all;
}

HWND control(HWND window, int id) {
  if (HWND direct = GetDlgItem(window, id)) return direct;
  for (HWND child : descendants(window))
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

HWND controlByText(HWND window, const std::string& wanted, const wchar_t* className) {
  for (HWND child : descendants(window)) {
    if (className && windowClass(child) != className) continue;
    if (text(child) == wanted) return child;
  }
  return nullptr;
}

std::optional<std::string> text(HWND window, milliseconds timeout) {
  if (!IsWindow(window)) return std::nullopt;
  auto length = send(window, WM_GETTEXTLENGTH, 0, 0, timeout);
  if (!length) return std::nullopt;
  std::wstring buffer(static_cast<std::size_t>(*length) + 1, L'\0');
  auto copied = send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), timeout);
  if (!copied) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(*copied));
  return narrow(buffer);
}

bool setText(HWND window, const std::string& value, milliseconds timeout) {
  if (!IsWindow(window)) return false;
  const std::wstring wide = widen(value);
  auto done = send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), timeout);
  return done && *done != 0;
}

bool enabled(HWND window) { return IsWindow(window) && IsWindowEnabled(window); }
bool visible(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

std::optional<int> progressPosition(HWND progress, milliseconds timeout) {
  auto position = send(progress, PBM_GETPOS, 0, 0, timeout);
  if (!position) return std::nullopt;
  return static_cast<int>(*position);
}

std::vector<std::string> comboItems(HWND combo, milliseconds timeout) {
  std::vector<std::string> items;
  auto count = send(combo, CB_GETCOUNT, 0, 0, timeout);
  if (!count || *count < 0) return items;
  for (LRESULT i = 0; i < *count; ++i) {
    auto length = send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, timeout);
    if (!length || *length < 0) break;
    std::wstring buffer(static_cast<std::size_t>(*length) + 1, L'\0');
    auto copied = send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()), timeout);
    if (!copied || *copied < 0) break;
    buffer.resize(static_cast<std::size_t>(*copied));
    items.push_back(narrow(buffer));
  }
  return items;
}

std::optional<std::string> waitText(HWND window, const std::function<bool(const std::string&)>& condition,
                                    milliseconds timeout) {
  std::optional<std::string> last;
  const bool held = waitFor(
      [&] {
        last = text(window);
        return last && condition(*last);
      },
      timeout, milliseconds(50));
  return held ? last : std::nullopt;
}

bool click(HWND button) {
  if (!IsWindow(button) || !IsWindowEnabled(button)) return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool pressLeftButton(HWND control) {
  if (!IsWindow(control) || !IsWindowEnabled(control)) return false;
  RECT r{};
  GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
  return PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(control, WM_LBUTTONUP, 0, at);
}

bool close(HWND window) { return IsWindow(window) && PostMessageW(window, WM_CLOSE, 0, 0); }

std::vector<MessageBoxInfo> messageBoxes(DWORD pid, const std::string& caption) {
  std::vector<MessageBoxInfo> boxes;
  const std::wstring wanted = widen(caption);
  for (HWND window : topLevelWindows(pid)) {
    if (windowClass(window) != L"#32770" || title(window) != wanted) continue;
    MessageBoxInfo box{window, {}};
    // The message is the box's one static control with text (an icon, when
    // there is one, is a static without text).
    for (HWND child : descendants(window)) {
      if (windowClass(child) != L"Static") continue;
      std::string t = text(child).value_or("");
      if (t.size() > box.text.size()) box.text = std::move(t);
    }
    boxes.push_back(std::move(box));
  }
  return boxes;
}

std::optional<MessageBoxInfo> waitMessageBox(milliseconds timeout, DWORD pid, const std::string& caption) {
  std::optional<MessageBoxInfo> found;
  waitFor(
      [&] {
        auto boxes = messageBoxes(pid, caption);
        if (boxes.empty()) return false;
        found = boxes.front();
        return true;
      },
      timeout);
  return found;
}

bool dismiss(HWND box, milliseconds timeout) {
  HWND ok = GetDlgItem(box, IDOK);
  if (!ok) ok = controlByText(box, "OK", L"Button");
  if (!ok) ok = controlByText(box, "确定", L"Button");
  if (!ok || !PostMessageW(ok, BM_CLICK, 0, 0)) return false;
  // The box is gone once destroyed; one that is only hidden by then counts.
  return waitFor([&] { return !IsWindow(box); }, timeout) || !IsWindowVisible(box);
}

std::optional<std::string> dismissNext(milliseconds timeout, DWORD pid, const std::string& caption) {
  auto box = waitMessageBox(timeout, pid, caption);
  if (!box || !dismiss(box->hwnd)) return std::nullopt;
  return box->text;
}

}  // namespace driver
