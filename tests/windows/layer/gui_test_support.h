// Helpers for the GUI layer's tests: they look at the real windows the way an
// automation tool would (by caption, class and control identifier) and keep a
// broken test from hanging the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace kovrin::guitest {

inline std::wstring wide(const std::string& utf8) {
  const std::u16string w = toUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

inline std::wstring windowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return s;
}

inline std::wstring className(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

// A child's rectangle relative to its parent's client area.
inline RECT childRect(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline HWND findToolWindow(const std::string& caption) {
  return FindWindowW(L"KovrinWindow", wide(caption).c_str());
}

// Polls until `done` holds or the time is up; whether it held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Polls until `find` yields a window or the time is up.
inline HWND waitForWindow(const std::function<HWND()>& find, int timeoutMs = 10000) {
  HWND found = nullptr;
  waitUntil([&] { return (found = find()) != nullptr; }, timeoutMs);
  return found;
}

// The tool's message box, once it is up.
inline HWND findMessageBox() {
  HWND box = FindWindowW(L"#32770", L"信息：");
  return box && IsWindowVisible(box) ? box : nullptr;
}

// What a message box shows.
struct MessageBoxView {
  HWND box = nullptr;
  HWND owner = nullptr;
  std::wstring text;               // the visible static text
  std::vector<int> buttons;        // identifiers of the visible buttons
  bool icon = false;               // a visible icon static showing an icon
};

inline MessageBoxView viewMessageBox(HWND box) {
  MessageBoxView v;
  v.box = box;
  v.owner = GetWindow(box, GW_OWNER);
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    const std::wstring cls = className(c);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      v.buttons.push_back(GetDlgCtrlID(c));
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
      if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        v.icon = v.icon || SendMessageW(c, STM_GETICON, 0, 0) != 0;
      else if (!windowText(c).empty())
        v.text = windowText(c);
    }
  }
  return v;
}

// On another thread: waits for the tool's message box, runs `look` on it
// while it is open, then presses its OK button.
class MessageBoxCloser {
 public:
  explicit MessageBoxCloser(std::function<void(const MessageBoxView&)> look, int delayMs = 0)
      : thread_([this, look = std::move(look), delayMs] {
          HWND box = waitForWindow(findMessageBox);
          if (!box) return;
          if (delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          look(viewMessageBox(box));
          found_ = true;
          PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }) {}
  ~MessageBoxCloser() { join(); }
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
  bool found() const { return found_; }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// Closes every window of the test's thread if the test has not finished in
// time, so that a broken test fails instead of hanging the run.
class Watchdog {
 public:
  explicit Watchdog(int seconds = 20)
      : threadId_(GetCurrentThreadId()), thread_([this, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
          fired_ = true;
          while (!done_) {
            EnumThreadWindows(threadId_, [](HWND h, LPARAM) { PostMessageW(h, WM_CLOSE, 0, 0); return TRUE; }, 0);
            if (HWND box = findMessageBox()) PostMessageW(box, WM_CLOSE, 0, 0);
            cv_.wait_for(lock, std::chrono::milliseconds(200), [this] { return done_; });
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  bool fired() const { return fired_; }

 private:
  DWORD threadId_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

}  // namespace kovrin::guitest
