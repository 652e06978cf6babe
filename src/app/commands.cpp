#include "app/commands.h"

#include "app/settings.h"
#include "app/tool.h"
#include "app/values.h"
#include "automation/schedules.h"

namespace kovrin {

namespace {

// One of the two schedule switches: its setting, minutes box, button, the
// button's two captions, and its flag and countdown.
struct ScheduleSwitch {
  const char* key;
  const char* minutesBox;
  const char* button;
  const char* offCaption;
  const char* onCaption;
  std::int32_t ToolState::*on;
  std::int32_t ToolState::*left;
};

constexpr ScheduleSwitch kBackupSwitch{"CronBackup", "备份时间编辑框", "自动备份按钮", "开启定时备份", "定时备份中...",
                                       &ToolState::cronBackupOn, &ToolState::cronBackupLeft};
constexpr ScheduleSwitch kRebootSwitch{"CronReboot", "重启时间编辑框", "定时重启按钮", "开启定时重启", "定时重启中...",
                                       &ToolState::cronRebootOn, &ToolState::cronRebootLeft};

// Switching off discards the remaining time; switching on starts from the
// whole interval in the box at that moment.
void flip(Tool& tool, const ScheduleSwitch& schedule) {
  Window& w = *tool.main;
  ToolState& s = tool.state;
  if (s.*schedule.on != 0) {
    w.setText(schedule.button, schedule.offCaption);
    s.*schedule.left = 0;
    s.*schedule.on = 0;
  } else {
    s.*schedule.left = intervalSeconds(w, schedule.minutesBox);
    s.*schedule.on = 1;
    w.setText(schedule.button, schedule.onCaption);
  }
}

}  // namespace

void onCronBackupClicked(Tool& tool) {
  if (!tool.main) return;
  // The typed interval is kept on every click, also when the click is refused.
  writeSetting(tool, kBackupSwitch.key, tool.main->text(kBackupSwitch.minutesBox));
  if (tool.state.steamCmdFound != 1) {
    showMessage(tool, "游戏路径配置不正确！");
    return;
  }
  flip(tool, kBackupSwitch);
}

void onCronRebootClicked(Tool& tool) {
  if (!tool.main) return;
  writeSetting(tool, kRebootSwitch.key, tool.main->text(kRebootSwitch.minutesBox));
  flip(tool, kRebootSwitch);
}

void onGuardClicked(Tool& tool) {
  if (!tool.main) return;
  ToolState& s = tool.state;
  if (s.guardOn != 0) {
    s.guardOn = 0;
    tool.main->setText("进程守护按钮", "开启进程守护");
  } else {
    s.guardOn = 1;
    tool.main->setText("进程守护按钮", "进程守护中...");
  }
}

void onKeepCountChanged(Tool& tool) {
  if (!tool.main) return;
  // Stored as typed, on every keystroke; the rotation reads the box itself.
  writeSetting(tool, "BackupNum", tool.main->text("保留份数编辑框"));
}

void onBackupPathClicked(Tool& tool) {
  showMessage(tool, "请选择用于存放备份文件的文件夹，路径请勿带中文，可以事先创建一个文件夹");
  const std::optional<std::string> chosen = tool.os.shell.browseForFolder("请选择用于存放备份文件的文件夹");
  // Cancelling the browser, or picking something that is not a folder on
  // disk, leaves the backup root as it was: an empty root would put the
  // backups at the top of the drive.
  if (!chosen || chosen->empty()) return;
  tool.state.backupRoot = *chosen;
  if (tool.main) tool.main->setText("备份路径编辑框", tool.state.backupRoot);
  writeSetting(tool, "Backup", tool.state.backupRoot);
}

void onRuntimeClicked(Tool& tool) {
  showMessage(tool, "即将跳转网址，将会自动下载运行库，请先解压DirectX_Repair使用，再安装MSVBCRT");
  tool.os.shell.openUrl(KOVRIN_RUNTIME_URL);
}

void onMainWindowDestroy(Tool& tool) { tool.state.memClearAutoOn = 0; }

}  // namespace kovrin
