// Emptying processes' working sets, for the carried trimmer empty.exe.
#pragma once

#include <cstdint>
#include <string>

namespace kovrin::win32 {

// Empties the working set of a process; true when the process could be opened
// and the system accepted the request.
bool emptyWorkingSet(std::uint32_t pid);

// Writes text to standard output: UTF-16 to a console, UTF-8 to a pipe or file.
void writeOutput(const std::string& utf8);

}  // namespace kovrin::win32
