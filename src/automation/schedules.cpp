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

int keepCount(Window& w) { return textToInt(w.text("保留份数编辑框")); }

}  // namespace

void runBackupSchedule(Tool& tool) {
  ToolState& s = tool.state;
  if (s.cronBackupOn == 0 || !tool.main) return;
  Window& w = *tool.main;
  countDown(s.cronBackupLeft);  // a dead countdown wraps, never overflows
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
  countDown(s.cronRebootLeft);
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
