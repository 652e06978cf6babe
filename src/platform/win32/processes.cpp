#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <vector>

#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"

namespace kovrin::win32 {

namespace {

constexpr DWORD kInputIdleWaitMs = 1000;

// A thread started by CreateThread. Destroying it only lets go of the handle:
// the thread runs on, detached, and owns everything it uses.
class Win32Thread : public Thread {
 public:
  explicit Win32Thread(UniqueHandle handle) : handle_(std::move(handle)) {}
  void join() override {
    if (handle_) ::WaitForSingleObject(handle_.get(), INFINITE);
  }

 private:
  UniqueHandle handle_;
};

DWORD WINAPI threadMain(void* parameter) noexcept {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  try {
    (*body)();
  } catch (...) {
    // Nothing may leave a thread routine; the body reports its own failures.
  }
  return 0;
}

}  // namespace

std::vector<ProcessEntry> Win32Processes::snapshot() {
  std::vector<ProcessEntry> entries;
  UniqueHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return entries;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snap.get(), &entry); more;
       more = ::Process32NextW(snap.get(), &entry)) {
    ProcessEntry e;
    e.pid = entry.th32ProcessID;
    e.parentPid = entry.th32ParentProcessID;
    e.exeName = narrow(entry.szExeFile, ::wcsnlen(entry.szExeFile, MAX_PATH));
    entries.push_back(std::move(e));
  }
  return entries;
}

std::optional<std::uint32_t> Win32Processes::windowOwner(const std::string& title) {
  // An empty title would pick any untitled window.
  if (title.empty()) return std::nullopt;
  const HWND window = ::FindWindowW(nullptr, wide(title).c_str());
  if (!window) return std::nullopt;
  DWORD pid = 0;
  if (::GetWindowThreadProcessId(window, &pid) == 0 || pid == 0) return std::nullopt;
  return pid;
}

bool Win32Processes::terminate(std::uint32_t pid) {
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  if (!process) return false;
  return ::TerminateProcess(process.get(), 0) != FALSE;
}

bool Win32Processes::start(const std::string& commandLine, int showWindow, bool wait) {
  // CreateProcessW may write into the command line: give it its own copy.
  std::wstring command = wide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showWindow);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (wait)
    ::WaitForSingleObject(process.get(), INFINITE);
  else
    ::WaitForInputIdle(process.get(), kInputIdleWaitMs);
  return true;
}

std::unique_ptr<Thread> Win32Processes::startThread(std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  UniqueHandle handle(::CreateThread(nullptr, 0, threadMain, owned.get(), 0, nullptr));
  if (!handle) return nullptr;
  owned.release();  // the thread owns it now
  return std::make_unique<Win32Thread>(std::move(handle));
}

}  // namespace kovrin::win32
