// The main window's switches and path commands.
#pragma once

namespace kovrin {

struct Tool;

void onCronBackupClicked(Tool& tool);   // 自动备份按钮
void onCronRebootClicked(Tool& tool);   // 定时重启按钮
void onGuardClicked(Tool& tool);        // 进程守护按钮
void onKeepCountChanged(Tool& tool);    // 保留份数编辑框, text changed
void onBackupPathClicked(Tool& tool);   // 按钮4
void onRuntimeClicked(Tool& tool);      // 按钮7
void onMainWindowDestroy(Tool& tool);   // MainWindow, about to be destroyed

}  // namespace kovrin
