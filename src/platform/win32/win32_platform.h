// The whole Win32 platform in one object: every service the tool takes from
// the system, and the `Platform` that hands them to it.
#pragma once

#include "platform/platform.h"
#include "platform/win32/gui.h"
#include "platform/win32/services.h"

namespace kovrin::win32 {

struct Win32Platform {
  Win32FileSystem files;
  Win32Processes processes;
  Win32Automation automation;
  Win32Machine machine;
  Win32Http http;
  Win32Shell shell;
  Win32Clock clock;
  Win32Environment environment;
  Win32Gui gui;
  Platform platform{files, processes, automation, machine, http, shell, clock, environment, gui};
};

}  // namespace kovrin::win32
