// Placeholders until the guard and the schedules land.
#include "automation/guard.h"
#include "automation/schedules.h"

namespace kovrin {
void runGuardStep(Tool&) {}
void runBackupSchedule(Tool&) {}
void runRestartSchedule(Tool&) {}
}  // namespace kovrin
