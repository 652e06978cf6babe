#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/settings.h"
#include "backup_fixture.h"

namespace kovrin {
namespace {

using testing_support::ToolFixture;

class CommandsTest : public ToolFixture {};

TEST_F(CommandsTest, ScheduledBackupWithoutSteamCmdIsRefusedButSavesTheInterval) {
  tool.state.steamCmdFound = 0;
  window.setText("备份时间编辑框", "45");
  window.click("自动备份按钮");
  EXPECT_EQ(fp.gui.messages(), std::vector<std::string>{"游戏路径配置不正确！"});
  EXPECT_EQ(readSetting(tool, "CronBackup"), "45");
  EXPECT_EQ(tool.state.cronBackupOn, 0);
  EXPECT_EQ(tool.state.cronBackupLeft, 0);
  EXPECT_EQ(window.text("自动备份按钮"), "开启定时备份");
}

TEST_F(CommandsTest, ScheduledBackupTogglesOnAndOff) {
  window.setText("备份时间编辑框", "３0分");
  window.click("自动备份按钮");
  EXPECT_EQ(readSetting(tool, "CronBackup"), "３0分");
  EXPECT_EQ(tool.state.cronBackupOn, 1);
  EXPECT_EQ(tool.state.cronBackupLeft, 1800);
  EXPECT_EQ(window.text("自动备份按钮"), "定时备份中...");
  window.setText("备份时间编辑框", "5");
  window.click("自动备份按钮");
  EXPECT_EQ(readSetting(tool, "CronBackup"), "5");
  EXPECT_EQ(tool.state.cronBackupOn, 0);
  EXPECT_EQ(tool.state.cronBackupLeft, 0);
  EXPECT_EQ(window.text("自动备份按钮"), "开启定时备份");
  EXPECT_TRUE(fp.gui.messages().empty());
}

TEST_F(CommandsTest, ScheduledRestartTogglesWithoutSteamCmd) {
  tool.state.steamCmdFound = 0;
  window.setText("重启时间编辑框", "30");
  window.click("定时重启按钮");
  EXPECT_EQ(readSetting(tool, "CronReboot"), "30");
  EXPECT_EQ(tool.state.cronRebootOn, 1);
  EXPECT_EQ(tool.state.cronRebootLeft, 1800);
  EXPECT_EQ(window.text("定时重启按钮"), "定时重启中...");
  window.setText("重启时间编辑框", "-1");
  window.click("定时重启按钮");
  EXPECT_EQ(readSetting(tool, "CronReboot"), "-1");
  EXPECT_EQ(tool.state.cronRebootOn, 0);
  EXPECT_EQ(tool.state.cronRebootLeft, 0);
  EXPECT_EQ(window.text("定时重启按钮"), "开启定时重启");
  window.click("定时重启按钮");
  EXPECT_EQ(tool.state.cronRebootLeft, -60);
  EXPECT_TRUE(fp.gui.messages().empty());
}

TEST_F(CommandsTest, GuardTogglesWithoutAnyPrecondition) {
  tool.state.steamCmdFound = 0;
  window.click("进程守护按钮");
  EXPECT_EQ(tool.state.guardOn, 1);
  EXPECT_EQ(window.text("进程守护按钮"), "进程守护中...");
  window.click("进程守护按钮");
  EXPECT_EQ(tool.state.guardOn, 0);
  EXPECT_EQ(window.text("进程守护按钮"), "开启进程守护");
  EXPECT_TRUE(fp.gui.messages().empty());
  EXPECT_FALSE(fp.files.exists(tool.paths.settingsPath));  // the guard saves nothing
}

TEST_F(CommandsTest, KeepCountIsSavedOnEveryKeystroke) {
  const int before = fp.files.writes();
  window.type("保留份数编辑框", "");
  EXPECT_EQ(readSetting(tool, "BackupNum"), "");
  window.type("保留份数编辑框", "1");
  EXPECT_EQ(readSetting(tool, "BackupNum"), "1");
  window.type("保留份数编辑框", "12");
  EXPECT_EQ(readSetting(tool, "BackupNum"), "12");
  EXPECT_EQ(fp.files.writes() - before, 3);
}

TEST_F(CommandsTest, ChosenBackupPathBecomesTheRootTheBoxAndTheSetting) {
  fp.shell.browseResult = "E:\\备份";
  window.click("按钮4");
  EXPECT_EQ(fp.gui.messages(),
            std::vector<std::string>{"请选择用于存放备份文件的文件夹，路径请勿带中文，可以事先创建一个文件夹"});
  EXPECT_EQ(fp.shell.prompts, std::vector<std::string>{"请选择用于存放备份文件的文件夹"});
  EXPECT_EQ(tool.state.backupRoot, "E:\\备份");
  EXPECT_EQ(window.text("备份路径编辑框"), "E:\\备份");
  EXPECT_EQ(readSetting(tool, "Backup"), "E:\\备份");
  EXPECT_FALSE(fp.files.exists("E:\\备份"));  // taken as chosen, not created
}

class CancelledBrowserTest : public CommandsTest, public ::testing::WithParamInterface<std::optional<std::string>> {};

TEST_P(CancelledBrowserTest, ChangesNothing) {
  writeSetting(tool, "Backup", kBackupRoot);
  window.setText("备份路径编辑框", kBackupRoot);
  fp.shell.browseResult = GetParam();
  window.click("按钮4");
  EXPECT_EQ(fp.shell.prompts.size(), 1u);
  EXPECT_EQ(tool.state.backupRoot, kBackupRoot);
  EXPECT_EQ(window.text("备份路径编辑框"), kBackupRoot);
  EXPECT_EQ(readSetting(tool, "Backup"), kBackupRoot);
}

// Cancelled, or an item with no folder on disk behind it.
INSTANTIATE_TEST_SUITE_P(Results, CancelledBrowserTest,
                         ::testing::Values(std::nullopt, std::optional<std::string>("")),
                         [](const auto& info) { return info.param ? "NoPath" : "Cancelled"; });

TEST_F(CommandsTest, RuntimeLinkTellsTheOperatorThenOpensTheAddress) {
  fp.gui.whileMessageOpen = [this](const std::string&) { EXPECT_TRUE(fp.shell.opened.empty()); };
  window.click("按钮7");
  EXPECT_EQ(fp.gui.messages(),
            std::vector<std::string>{"即将跳转网址，将会自动下载运行库，请先解压DirectX_Repair使用，再安装MSVBCRT"});
  EXPECT_EQ(fp.shell.opened, std::vector<std::string>{KOVRIN_RUNTIME_URL});
}

TEST_F(CommandsTest, ClosingTheMainWindowSwitchesAutomaticReleaseOffOnly) {
  tool.state.memClearAutoOn = 1;
  tool.state.guardOn = 1;
  tool.state.cronRebootOn = 1;
  window.destroyed();
  EXPECT_EQ(tool.state.memClearAutoOn, 0);
  EXPECT_EQ(tool.state.guardOn, 1);
  EXPECT_EQ(tool.state.cronRebootOn, 1);
  EXPECT_FALSE(fp.files.exists(tool.paths.settingsPath));
}

}  // namespace
}  // namespace kovrin
