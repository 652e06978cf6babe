#include "app/values.h"
#include "automation/schedules.h"
#include "platform/window.h"

namespace kovrin {

std::int32_t minutesToTicks(std::int32_t minutes) {
  // The exact product, reduced to its low 32 bits: more than 35,791,394
  // minutes wrap around to a count that never fires.
  const auto product = static_cast<std::int64_t>(minutes) * 60;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(product)));
}

std::int32_t intervalSeconds(Window& window, std::string_view editBox) {
  return minutesToTicks(textToInt(window.text(editBox)));
}

}  // namespace kovrin
