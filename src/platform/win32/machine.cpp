#include <windows.h>

#include "platform/win32/services.h"

namespace kovrin::win32 {

namespace {

std::uint64_t ticksOf(const FILETIME& t) {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

std::optional<MemoryReading> Win32Machine::memory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return std::nullopt;
  return MemoryReading{status.ullTotalPhys, status.ullAvailPhys};
}

std::optional<CpuTimes> Win32Machine::cpuTimes() {
  FILETIME idle{}, kernel{}, user{};
  if (!::GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
  return CpuTimes{ticksOf(idle), ticksOf(kernel), ticksOf(user)};
}

}  // namespace kovrin::win32
