// The entry of kovrin.exe: builds the Win32 platform and hands it to the tool.
#include <windows.h>

#include "app/startup.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  UINT code = 1;
  try {
    kovrin::win32::Win32Platform system;
    code = static_cast<UINT>(kovrin::programEntry(system.platform));
    // The process ends here, with everything above still alive: an install
    // worker that is still running keeps using these services and the
    // tool's state until the system stops it.
    ::ExitProcess(code);
  } catch (...) {
    // Nothing more can be told to anyone: end with a failure code.
  }
  ::ExitProcess(code);
}
