#include "automation/schedules.h"

#include "app/tool.h"
#include "app/values.h"
#include "backup/rotation.h"
#include "server/server_control.h"

namespace kovrin {
namespace {

// The restart stops the server and takes its backup when this many ticks are
// left, and starts it again at 0.
constexpr std::int32_t restartLeadTicks = 10;

// One tick less. A countdown that never fires may keep going down for ever:
// it wraps at the bottom of the 32-bit range instead of overflowing.
std::int32_t countDown(std::int32_t left) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) - 1u);
}

int keepCount(Window& w) { return textToInt(w.text("保留份数编辑框")); }

}  // namespace

void runBackupSchedule(Tool& tool) {
  ToolState& s = tool.state;
  if (s.cronBackupOn == 0 || !tool.main) return;
  Window& w = *tool.main;
  s.cronBackupLeft = countDown(s.cronBackupLeft);
  w.setText("自动备份按钮", "定时备份中...\r\n" + intToText(s.cronBackupLeft));
  if (s.cronBackupLeft == 0) {
    s.cronBackupLeft = intervalSeconds(w, "备份时间编辑框");
    backupWithRotation(tool, BackupKind::TimedBackup, keepCount(w));
  }
}

void runRestartSchedule(Tool& tool) {
  ToolState& s = tool.state;
  if (s.cronRebootOn == 0 || !tool.main) return;
  Window& w = *tool.main;
  s.cronRebootLeft = countDown(s.cronRebootLeft);
  w.setText("定时重启按钮", "定时重启中...\r\n" + intToText(s.cronRebootLeft));
  if (s.cronRebootLeft == restartLeadTicks) {
    killServerProcess(tool);
    backupWithRotation(tool, BackupKind::RestartBackup, keepCount(w));
  } else if (s.cronRebootLeft == 0) {
    s.cronRebootLeft = intervalSeconds(w, "重启时间编辑框");
    startServer(tool);
  }
}

}  // namespace kovrin
