#include "automation/tick.h"

#include "app/tool.h"
#include "automation/guard.h"
#include "automation/monitor.h"
#include "automation/schedules.h"
#include "server/server_control.h"

namespace kovrin {
namespace {

constexpr const char* kUpdateButton = "更新游戏按钮";
constexpr const char* kGuardButton = "进程守护按钮";
constexpr const char* kStatusLabel = "服务端状态标签";

// A step that fails in an unforeseen way (out of memory) costs that step
// only: the later steps still run, and nothing leaves the timer's handler.
void runStep(Tool& tool, void (*step)(Tool&)) {
  try {
    step(tool);
  } catch (...) {
  }
}

class TickScope {
 public:
  explicit TickScope(Tool& tool) : tool_(tool) { tool_.inTick = true; }
  ~TickScope() { tool_.inTick = false; }
  TickScope(const TickScope&) = delete;
  TickScope& operator=(const TickScope&) = delete;

 private:
  Tool& tool_;
};

}  // namespace

TickSteps tickSteps() {
  return TickSteps{runStatusPass,          runBackupSchedule, runRestartSchedule,
                   refreshResourceMonitor, runReleaseBurst,   runAutoReleaseCountdown};
}

void runTick(Tool& tool, const TickSteps& steps) {
  // A step that waits in a message loop (a modal wait, a COM call) may let
  // another timer event through: it is dropped, not nested.
  if (tool.inTick) return;
  TickScope scope(tool);

  ToolState& s = tool.state;
  if (s.statusTickLeft > 0) {
    --s.statusTickLeft;
    if (s.statusTickLeft == 0) {
      s.statusTickLeft = statusPassTicks;
      runStep(tool, steps.statusPass);
    }
  }
  runStep(tool, steps.backupSchedule);
  runStep(tool, steps.restartSchedule);
  runStep(tool, steps.resourceMonitor);
  runStep(tool, steps.releaseBurst);
  runStep(tool, steps.autoReleaseCountdown);
}

void onClockTick(Tool& tool) { runTick(tool, tickSteps()); }

void runStatusPass(Tool& tool) {
  if (!tool.main) return;
  Window& w = *tool.main;
  ToolState& s = tool.state;

  const bool update = s.steamCmdFound == 1;
  const bool running = s.updateRunning.load() != 0;
  if (running) {
    w.setText(kUpdateButton, update ? "正在更新中..." : "正在安装中.");
    w.setDisabled(kUpdateButton, true);
  } else {
    w.setText(kUpdateButton, update ? "更新服务端" : "安装服务端");
    w.setDisabled(kUpdateButton, false);
    retireUpdateWorker(tool);
  }

  if (s.guardOn == 1) {
    runGuardStep(tool);
  } else {
    w.setText(kGuardButton, "开启进程守护");
    w.setText(kStatusLabel, isServerRunning(tool) ? "服务端状态：正在运行" : "服务端状态：未运行");
  }
}

void retireUpdateWorker(Tool& tool) {
  ToolState& s = tool.state;
  if (!s.updateThread) return;
  // The worker has set updateRunning to 0 as its last act: its thread has
  // ended or is about to.
  s.updateThread->join();
  s.updateThread.reset();
}

}  // namespace kovrin
