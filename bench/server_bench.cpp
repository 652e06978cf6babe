// The cost of the tool's own work in the two things it does most often:
// looking for the server's launcher, and a tick with nothing to do. The
// operating system's share (the process snapshot) is measured on Windows by
// the Windows benchmark; here the surroundings are fakes.
#include <benchmark/benchmark.h>

#include "app/main_window.h"
#include "app/tool.h"
#include "automation/tick.h"
#include "fakes.h"
#include "server/server_control.h"

namespace kovrin {
namespace {

// A machine with `n` processes, the launcher last (the worst case).
void addProcesses(fakes::FakeProcesses& processes, int n) {
  for (int i = 0; i + 1 < n; ++i) processes.add("svchost" + std::to_string(i) + ".exe");
  processes.add("PalServer.exe");
}

void BM_IsServerRunning(benchmark::State& state) {
  fakes::FakePlatform fp;
  Tool tool(fp.platform, "C:\\steamcmd");
  addProcesses(fp.processes, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(isServerRunning(tool));
}
BENCHMARK(BM_IsServerRunning)->Arg(50)->Arg(300);

// Ticks with every automation off; one in five carries the status pass.
void BM_IdleTick(benchmark::State& state) {
  fakes::FakePlatform fp;
  Tool tool(fp.platform, "C:\\steamcmd");
  fakes::MemoryWindow window(mainWindowSpec(tool));
  tool.main = &window;
  tool.state.statusTickLeft = statusPassTicks;
  addProcesses(fp.processes, 300);
  for (auto _ : state) onClockTick(tool);
}
BENCHMARK(BM_IdleTick);

}  // namespace
}  // namespace kovrin

BENCHMARK_MAIN();
