// The one-second tick.
#pragma once

namespace kovrin {

struct Tool;

// Ticks between two status passes.
inline constexpr int statusPassTicks = 5;

void onClockTick(Tool& tool);  // 时钟1, period elapsed
void runStatusPass(Tool& tool);
void retireUpdateWorker(Tool& tool);

// The steps of a tick after the divider, in the order they run.
struct TickSteps {
  void (*statusPass)(Tool&);
  void (*backupSchedule)(Tool&);
  void (*restartSchedule)(Tool&);
  void (*resourceMonitor)(Tool&);
  void (*releaseBurst)(Tool&);
  void (*autoReleaseCountdown)(Tool&);
};

// The steps onClockTick runs.
TickSteps tickSteps();

// One tick with the given steps: onClockTick is runTick(tool, tickSteps()).
// Does nothing while another tick runs.
void runTick(Tool& tool, const TickSteps& steps);

}  // namespace kovrin
