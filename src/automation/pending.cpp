// Placeholders until the automation steps land.
#include "automation/guard.h"
#include "automation/monitor.h"
#include "automation/schedules.h"
#include "automation/tick.h"

namespace kovrin {
void onClockTick(Tool&) {}
void runStatusPass(Tool&) {}
void retireUpdateWorker(Tool&) {}
void runGuardStep(Tool&) {}
std::int32_t intervalSeconds(Window&, std::string_view) { return 0; }
std::int32_t minutesToTicks(std::int32_t) { return 0; }
void runBackupSchedule(Tool&) {}
void runRestartSchedule(Tool&) {}
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
