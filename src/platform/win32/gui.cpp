// The GUI toolkit of the tool on Win32: the main window's message loop, modal
// windows and message boxes.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "platform/win32/gui.h"
#include "platform/win32/gui_internal.h"

namespace kovrin::win32 {
namespace {

// The tool's windows open on this thread, the innermost (active) one last.
thread_local std::vector<Win32Window*> openWindows;

class OpenWindow {
 public:
  explicit OpenWindow(Win32Window& w) { openWindows.push_back(&w); }
  ~OpenWindow() { openWindows.pop_back(); }
  OpenWindow(const OpenWindow&) = delete;
  OpenWindow& operator=(const OpenWindow&) = delete;
};

bool isOpenWindow(HWND hwnd) {
  return std::any_of(openWindows.begin(), openWindows.end(),
                     [hwnd](Win32Window* w) { return w->handle() == hwnd; });
}

// Dispatches the thread's messages until `window` is gone. When the loop
// ends on WM_QUIT instead, the quit code.
std::optional<WPARAM> pumpUntilClosed(Win32Window& window) {
  MSG msg{};
  while (window.alive()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return msg.wParam;
    if (got == -1) break;
    // Tab and arrow keys move between the controls of the active window.
    HWND active = GetActiveWindow();
    if (active && isOpenWindow(active) && IsDialogMessageW(active, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return std::nullopt;
}

}  // namespace

Win32Gui::Win32Gui() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&icc);
}

Win32Gui::~Win32Gui() = default;

void Win32Gui::showMessage(const std::string& text) {
  const std::u16string body = toUtf16(text);
  // Owned by no window and task-modal: on the GUI thread the system disables
  // the thread's windows and keeps dispatching their messages (so the timer
  // goes on); on any other thread it holds up only that thread.
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(body.c_str()), L"信息：",
              MB_OK | MB_TASKMODAL);
}

void Win32Gui::runMainWindow(const WindowSpec& layout) {
  FontCache fonts;
  Win32Window window(layout, fonts);
  if (!window.create(nullptr, false)) return;
  OpenWindow open(window);
  window.created();
  window.show();
  pumpUntilClosed(window);
  window.destroy();
}

void Win32Gui::runModal(const WindowSpec& layout) {
  HWND owner = openWindows.empty() ? GetActiveWindow() : openWindows.back()->handle();
  FontCache fonts;
  Win32Window window(layout, fonts);
  if (!window.create(owner, true)) return;
  std::optional<WPARAM> quit;
  {
    OpenWindow open(window);
    window.created();
    window.show();
    quit = pumpUntilClosed(window);
    window.destroy();
  }
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  // A quit request ends the outer loops as well.
  if (quit) PostQuitMessage(static_cast<int>(*quit));
}

}  // namespace kovrin::win32
