// Placeholders until the tick lands.
#include "automation/tick.h"

namespace kovrin {
void onClockTick(Tool&) {}
void runStatusPass(Tool&) {}
void retireUpdateWorker(Tool&) {}
}  // namespace kovrin
