// empty.exe — the working-set trimmer the tool writes out for a memory
// release.
//
//   empty.exe {pid | task-name}
//
// A task name may hold the wildcards * and ?; "*" selects every process. The
// working set of each selected process that can be opened is emptied, and the
// number trimmed is reported.
#include <string>

#include "automation/task_pattern.h"
#include "platform/text.h"
#include "platform/win32/services.h"
#include "platform/win32/working_set.h"

using kovrin::win32::writeOutput;

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    writeOutput("USAGE: empty.exe {pid | task-name}\r\n");
    return 1;
  }
  const std::string argument = kovrin::fromUtf16(reinterpret_cast<const char16_t*>(argv[1]));
  const auto pid = kovrin::parseProcessId(argument);

  kovrin::win32::Win32Processes processes;
  int selected = 0;
  int trimmed = 0;
  for (const auto& process : processes.snapshot()) {
    if (pid ? process.pid != *pid : !kovrin::matchesTaskName(argument, process.exeName)) continue;
    ++selected;
    const bool ok = kovrin::win32::emptyWorkingSet(process.pid);
    if (ok) ++trimmed;
    writeOutput(std::to_string(process.pid) + " " + process.exeName +
                (ok ? ": working set emptied\r\n" : ": could not be trimmed\r\n"));
  }
  writeOutput("Trimmed " + std::to_string(trimmed) + " of " + std::to_string(selected) +
              " selected processes.\r\n");
  return selected > 0 ? 0 : 2;
}
