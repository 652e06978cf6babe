// Placeholders until the configuration editor lands.
#include "config/config_window.h"

namespace kovrin {
void onConfigClicked(Tool&) {}
WindowSpec configWindowSpec(Tool&) { return {}; }
}  // namespace kovrin
