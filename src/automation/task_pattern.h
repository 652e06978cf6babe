// How the working-set trimmer selects processes: a process id, or a task name
// that may hold the wildcards * and ?.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kovrin {

// A process id when the argument is all decimal digits.
std::optional<std::uint32_t> parseProcessId(std::string_view argument);

// Whether an executable name is selected by a task-name pattern: "*" any run
// of characters, "?" exactly one, ASCII letters without regard to case; the
// pattern may name the task with or without its ".exe".
bool matchesTaskName(std::string_view pattern, std::string_view exeName);

}  // namespace kovrin
