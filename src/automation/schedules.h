// Scheduled backup and scheduled restart.
#pragma once

#include <cstdint>
#include <string_view>

namespace kovrin {

struct Tool;
class Window;

// Minutes in an edit box as ticks: textToInt x 60, the low 32 bits of the
// exact product.
std::int32_t intervalSeconds(Window& window, std::string_view editBox);
std::int32_t minutesToTicks(std::int32_t minutes);

void runBackupSchedule(Tool& tool);
void runRestartSchedule(Tool& tool);

}  // namespace kovrin
