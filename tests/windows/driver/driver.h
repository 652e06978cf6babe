// The test driver: works the windows of another process the way an operator
// (or an automation tool) would, through window messages only. Every wait has
// a time-out; nothing here can hang on a busy or modal target.
//
// Texts are UTF-8 on this side and UTF-16 towards the system.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driver {

using std::chrono::milliseconds;

// The caption of every message box of the tool.
inline constexpr const char* kMessageCaption = "信息：";

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// Polls `condition` every `interval` until it holds or `timeout` has passed.
// Returns whether it held.
bool waitFor(const std::function<bool()>& condition, milliseconds timeout,
             milliseconds interval = milliseconds(20));

// ------------------------------------------------------------- windows ---
// A top-level window whose title is exactly `caption`, optionally of a given
// window class and owned by a given process (0: any). Hidden windows count
// only when `visibleOnly` is false.
HWND findTopLevel(const std::string& caption, DWORD pid = 0, const wchar_t* className = nullptr,
                  bool visibleOnly = true);
HWND waitTopLevel(const std::string& caption, milliseconds timeout, DWORD pid = 0,
                  const wchar_t* className = nullptr, bool visibleOnly = true);
// All visible top-level windows of a process.
std::vector<HWND> topLevelWindows(DWORD pid);
DWORD ownerProcess(HWND window);

struct ControlInfo {
  HWND hwnd = nullptr;
  int id = 0;
  std::string className;
  std::string text;
  RECT rect{};  // left, top, right, bottom in the parent's client area
  bool enabled = false;
  bool visible = false;
};

// Every descendant window, in the system's order (a combo box's inner edit
// box included).
std::vector<ControlInfo> controls(HWND window);
ControlInfo describe(HWND control);
// A descendant by its control identifier; nullptr when there is none.
HWND control(HWND window, int id);
// The first descendant whose text is exactly `text` (of the given class, if
// one is named).
HWND controlByText(HWND window, const std::string& text, const wchar_t* className = nullptr);

// ----------------------------------------------------------- properties ---
// The window text by WM_GETTEXT; nothing when the window is gone or does not
// answer within `timeout`.
std::optional<std::string> text(HWND window, milliseconds timeout = milliseconds(2000));
// WM_SETTEXT, as if typed (an edit box reports the change to its parent).
bool setText(HWND window, const std::string& text, milliseconds timeout = milliseconds(2000));
bool enabled(HWND window);
bool visible(HWND window);
// A progress bar's position; nothing when it does not answer.
std::optional<int> progressPosition(HWND progress, milliseconds timeout = milliseconds(2000));
// A combo box's list items.
std::vector<std::string> comboItems(HWND combo, milliseconds timeout = milliseconds(2000));

// Waits until the text of `window` satisfies `condition`; returns the last
// text read (nothing when it never did).
std::optional<std::string> waitText(HWND window, const std::function<bool(const std::string&)>& condition,
                                    milliseconds timeout);

// -------------------------------------------------------------- actions ---
// Clicks a button by posting BM_CLICK, so that a modal box the click opens
// does not block the driver. Like an operator, it cannot click a disabled or
// missing button: then it returns false and posts nothing.
bool click(HWND button);
// Presses and releases the left mouse button in the middle of a control.
bool pressLeftButton(HWND control);
// Asks a top-level window to close (WM_CLOSE).
bool close(HWND window);

// -------------------------------------------------------- message boxes ---
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string text;
};

// The open message boxes (#32770 dialogs) with the given caption, of one
// process or of any (pid 0), oldest first as the system lists them.
std::vector<MessageBoxInfo> messageBoxes(DWORD pid = 0, const std::string& caption = kMessageCaption);
std::optional<MessageBoxInfo> waitMessageBox(milliseconds timeout, DWORD pid = 0,
                                             const std::string& caption = kMessageCaption);
// Clicks the box's OK button and waits until the box is gone.
bool dismiss(HWND box, milliseconds timeout = milliseconds(5000));
// Waits for a box, reads it and dismisses it; nothing when none came.
std::optional<std::string> dismissNext(milliseconds timeout, DWORD pid = 0,
                                       const std::string& caption = kMessageCaption);

}  // namespace driver
