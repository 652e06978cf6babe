// The one-second tick.
#pragma once

namespace kovrin {

struct Tool;

void onClockTick(Tool& tool);  // 时钟1, period elapsed
void runStatusPass(Tool& tool);
void retireUpdateWorker(Tool& tool);

}  // namespace kovrin
