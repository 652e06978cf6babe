// Everything the tool takes from the operating system, in one place.
#pragma once

#include "platform/automation.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/machine.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace kovrin {

struct Platform {
  FileSystem& files;
  Processes& processes;
  Automation& automation;
  Machine& machine;
  Http& http;
  Shell& shell;
  Clock& clock;
  Environment& environment;
  Gui& gui;
};

}  // namespace kovrin
