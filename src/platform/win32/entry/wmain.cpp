// The entry of kovrin.exe: builds the Win32 platform and hands it to the tool.
#include <windows.h>

#include "app/startup.h"
#include "platform/platform.h"
#include "platform/win32/gui.h"
#include "platform/win32/services.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  UINT code = 1;
  try {
    kovrin::win32::Win32FileSystem files;
    kovrin::win32::Win32Processes processes;
    kovrin::win32::Win32Automation automation;
    kovrin::win32::Win32Machine machine;
    kovrin::win32::Win32Http http;
    kovrin::win32::Win32Clock clock;
    kovrin::win32::Win32Environment environment;
    kovrin::win32::Win32Gui gui;
    kovrin::win32::Win32Shell shell;
    kovrin::Platform platform{files, processes, automation, machine, http,
                              shell, clock,     environment, gui};
    code = static_cast<UINT>(kovrin::programEntry(platform));
    // The process ends here, with everything above still alive: an install
    // worker that is still running keeps using these services and the
    // tool's state until the system stops it.
    ::ExitProcess(code);
  } catch (...) {
    // Nothing more can be told to anyone: end with a failure code.
  }
  ::ExitProcess(code);
}
