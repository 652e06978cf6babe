// Placeholders until the main-window commands land.
#include "app/commands.h"

namespace kovrin {
void onCronBackupClicked(Tool&) {}
void onCronRebootClicked(Tool&) {}
void onGuardClicked(Tool&) {}
void onKeepCountChanged(Tool&) {}
void onBackupPathClicked(Tool&) {}
void onRuntimeClicked(Tool&) {}
void onMainWindowDestroy(Tool&) {}
}  // namespace kovrin
