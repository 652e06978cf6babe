// Placeholders until the resource monitor and memory release land.
#include "automation/monitor.h"

namespace kovrin {
std::int64_t totalPhysicalMiB(Tool&) { return 0; }
std::int64_t availablePhysicalMiB(Tool&) { return 0; }
int cpuLoadPercent(Tool&) { return -1; }
void refreshResourceMonitor(Tool&) {}
void runReleaseBurst(Tool&) {}
void runAutoReleaseCountdown(Tool&) {}
void writeReleaseFiles(Tool&) {}
void onReleaseNowClicked(Tool&) {}
void onAutoReleaseClicked(Tool&) {}
void onAutoReleaseOffClicked(Tool&) {}
}  // namespace kovrin
