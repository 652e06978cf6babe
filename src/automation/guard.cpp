#include "automation/guard.h"

#include "app/tool.h"
#include "backup/rotation.h"
#include "server/server_control.h"

namespace kovrin {

void runGuardStep(Tool& tool) {
  if (!tool.main) return;
  Window& w = *tool.main;
  w.setText("进程守护按钮", "进程守护中...");
  if (isServerRunning(tool)) {
    w.setText("服务端状态标签", "服务端状态：正在运行");
    return;
  }
  w.setText("服务端状态标签", "服务端状态：重新启动中");
  // The guard's own bound applies; the keep count of the box does not.
  backupWithRotation(tool, BackupKind::GuardBackup, guardBackupLimit);
  startServer(tool);
}

}  // namespace kovrin
