// Fake PalServer.exe: like the real launcher it starts the server process
// Pal\Binaries\Win64\PalServer-Win64-Shipping-Cmd.exe below its own directory,
// passing its own arguments on, stays alive while that process runs and ends
// with its exit code.
#include "fake_common.h"

namespace {

// The arguments of this process's command line, without the program name.
std::wstring argumentTail() {
  const wchar_t* p = GetCommandLineW();
  bool quoted = false;
  while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
    if (*p == L'"') quoted = !quoted;
    ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring server = fake::ownDirectory() + L"\\Pal\\Binaries\\Win64\\PalServer-Win64-Shipping-Cmd.exe";
  std::wstring commandLine = L"\"" + server + L"\"";
  const std::wstring tail = argumentTail();
  if (!tail.empty()) commandLine += L" " + tail;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(server.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return 1;
  }
  fake::Handle process(info.hProcess);
  fake::Handle thread(info.hThread);

  // Wait for the server while answering the message queue, so that whoever
  // started the launcher sees it idle for input at once.
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  return static_cast<int>(code);
}
