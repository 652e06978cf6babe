// Timed command, run under Wine or Windows: the cost of one full idle tick
// (all six steps, with the real window, the real process snapshot and the real
// machine readings, no backup due), the tool's memory after an hour of ticks,
// to show that nothing grows, and the cost of one isServerRunning (a real
// Toolhelp snapshot of every process, walked to its end: no launcher runs).
//
//   kovrin_tick_memory_bench [--ticks N] [--checks N]   (defaults 3600: one hour; 200)
//
// The ticks are run back to back instead of once a second; everything else is
// as in the tool: the main window is built from its roster and the startup
// sequence has run (offline, with a SteamCMD in place so no message shows).
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/tool.h"
#include "automation/tick.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "server/server_control.h"

// Live C++ heap of the tool's code, counted at every allocation.
namespace {
std::size_t liveBytes = 0;
std::size_t liveBlocks = 0;
}  // namespace

void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *block = size;
  liveBytes += size;
  ++liveBlocks;
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* p) noexcept {
  if (!p) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  liveBytes -= *block;
  --liveBlocks;
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

struct Usage {
  double workingSetMiB = 0;
  double privateMiB = 0;
  DWORD handles = 0;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  std::size_t heapBytes = 0;
  std::size_t heapBlocks = 0;
};

Usage usage() {
  Usage u;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    u.workingSetMiB = static_cast<double>(counters.WorkingSetSize) / 1048576.0;
    u.privateMiB = static_cast<double>(counters.PrivateUsage) / 1048576.0;
  }
  GetProcessHandleCount(GetCurrentProcess(), &u.handles);
  u.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  u.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  u.heapBytes = liveBytes;
  u.heapBlocks = liveBlocks;
  return u;
}

void print(const char* when, const Usage& u) {
  std::printf("%-16s working set %8.2f MiB  private %7.2f MiB  handles %4lu  GDI %4lu  USER %4lu  heap %8zu B in %5zu blocks\n",
              when, u.workingSetMiB, u.privateMiB, static_cast<unsigned long>(u.handles),
              static_cast<unsigned long>(u.gdiObjects), static_cast<unsigned long>(u.userObjects), u.heapBytes,
              u.heapBlocks);
}

std::string scratchRunDirectory() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + L"kovrin tick bench " + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  HANDLE f = CreateFileW((dir + L"\\steamcmd.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return kovrin::fromUtf16(reinterpret_cast<const char16_t*>(dir.c_str()));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  long ticks = 3600;
  long checks = 200;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--ticks") == 0) ticks = std::wcstol(argv[i + 1], nullptr, 10);
    if (std::wcscmp(argv[i], L"--checks") == 0) checks = std::wcstol(argv[i + 1], nullptr, 10);
  }
  // Nothing listens there: the document fetches fail at once.
  SetEnvironmentVariableW(L"KOVRIN_VERSION_URL", L"http://127.0.0.1:9/version");
  SetEnvironmentVariableW(L"KOVRIN_BANNER_URL", L"http://127.0.0.1:9/banner");

  kovrin::win32::Win32Platform system;
  kovrin::Platform& platform = system.platform;

  const std::string runDir = scratchRunDirectory();
  kovrin::Tool tool(platform, runDir);
  kovrin::WindowSpec layout = kovrin::mainWindowSpec(tool);
  layout.onCreated = [&](kovrin::Window& window) {
    kovrin::onMainWindowCreated(tool, window);
    window.setPeriod("时钟1", 0);  // the ticks below are driven directly
    for (int warm = 0; warm < 10; ++warm) kovrin::onClockTick(tool);
    const Usage before = usage();
    print("after startup", before);
    const auto t0 = std::chrono::steady_clock::now();
    for (long t = 1; t <= ticks; ++t) {
      kovrin::onClockTick(tool);
      if (t == ticks / 6) print("after 1/6", usage());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const Usage after = usage();
    print("after all ticks", after);
    std::printf("%ld ticks in %.3f s: %.1f us per idle tick (a status pass with a process snapshot every 5th)\n",
                ticks, seconds, seconds * 1e6 / static_cast<double>(ticks));
    std::printf("growth: working set %+.2f MiB, private %+.2f MiB, handles %+ld, GDI %+ld, USER %+ld, heap %+lld B\n",
                after.workingSetMiB - before.workingSetMiB, after.privateMiB - before.privateMiB,
                static_cast<long>(after.handles) - static_cast<long>(before.handles),
                static_cast<long>(after.gdiObjects) - static_cast<long>(before.gdiObjects),
                static_cast<long>(after.userObjects) - static_cast<long>(before.userObjects),
                static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes));
    std::printf("(Wine reports no private bytes, handle or GDI/USER counts: those read 0 there.)\n");

    const std::size_t processCount = system.processes.snapshot().size();
    long found = 0;
    const auto c0 = std::chrono::steady_clock::now();
    for (long c = 0; c < checks; ++c) found += kovrin::isServerRunning(tool) ? 1 : 0;
    const double checkSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - c0).count();
    const double perCheckUs = checkSeconds * 1e6 / static_cast<double>(checks > 0 ? checks : 1);
    std::printf("isServerRunning: %.1f us per call, %ld calls, %zu processes in the snapshot"
                " (launcher found %ld times)\n",
                perCheckUs, checks, processCount, found);
    std::fflush(stdout);
    system.files.deleteFile(runDir + "\\ZEruvo\\GMSetting.ini");
    system.files.removeDirectory(runDir + "\\ZEruvo");
    system.files.deleteFile(runDir + "\\steamcmd.exe");
    system.files.removeDirectory(runDir);
    ExitProcess(0);
  };
  system.gui.runMainWindow(layout);
  return 0;
}
