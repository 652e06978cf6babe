// The main window and its roster.
#pragma once

#include "platform/window.h"

namespace kovrin {

struct Tool;

inline constexpr const char* kToolVersion = "2.30";

// The roster of MainWindow with every event bound to its handler on `tool`.
WindowSpec mainWindowSpec(Tool& tool);

}  // namespace kovrin
