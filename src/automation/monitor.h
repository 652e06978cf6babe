// Resource monitor and memory release.
#pragma once

#include <cstdint>

namespace kovrin {

struct Tool;

// Whole mebibytes, rounded down; 0 when unreadable.
std::int64_t totalPhysicalMiB(Tool& tool);
std::int64_t availablePhysicalMiB(Tool& tool);
// Whole-machine processor load over the last tick, 0..100; -1 when unreadable.
int cpuLoadPercent(Tool& tool);

void refreshResourceMonitor(Tool& tool);
void runReleaseBurst(Tool& tool);
void runAutoReleaseCountdown(Tool& tool);
void writeReleaseFiles(Tool& tool);

void onReleaseNowClicked(Tool& tool);      // 按钮1
void onAutoReleaseClicked(Tool& tool);     // 按钮2
void onAutoReleaseOffClicked(Tool& tool);  // 按钮3

}  // namespace kovrin
