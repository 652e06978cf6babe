#include <gtest/gtest.h>

#include "automation/guard.h"
#include "backup/rotation.h"
#include "backup_fixture.h"

namespace kovrin {
namespace {

using testing_support::ToolFixture;

class GuardTest : public ToolFixture {
 protected:
  GuardTest() {
    addSaveFolder();
    tool.state.guardOn = 1;
  }
};

TEST_F(GuardTest, ServerRunningOnlyShowsIt) {
  fp.processes.add("PALSERVER.EXE");
  runGuardStep(tool);
  EXPECT_EQ(window.text("进程守护按钮"), "进程守护中...");
  EXPECT_EQ(window.text("服务端状态标签"), "服务端状态：正在运行");
  EXPECT_TRUE(fp.automation.copies.empty());
  EXPECT_TRUE(fp.processes.started.empty());
}

TEST_F(GuardTest, LauncherGoneIsBackedUpThenStartedAgain) {
  // The server process alone does not count: the guard watches the launcher.
  fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  bool backedUpBeforeStart = false;
  fp.processes.onStart = [&](const fakes::StartedProgram&) {
    backedUpBeforeStart = snapshots("进程守护备份").size() == 1;
    fp.processes.add("PalServer.exe");
    return true;
  };
  runGuardStep(tool);
  EXPECT_EQ(window.text("服务端状态标签"), "服务端状态：重新启动中");
  ASSERT_EQ(fp.processes.started.size(), 1u);
  EXPECT_EQ(fp.processes.started[0].commandLine, "\"" + tool.paths.serverExePath + "\"");
  EXPECT_FALSE(fp.processes.started[0].wait);
  EXPECT_TRUE(backedUpBeforeStart);
  EXPECT_TRUE(fp.processes.terminated.empty());
  runGuardStep(tool);  // the next pass finds it
  EXPECT_EQ(window.text("服务端状态标签"), "服务端状态：正在运行");
  EXPECT_EQ(fp.processes.started.size(), 1u);
  EXPECT_EQ(snapshots("进程守护备份").size(), 1u);
}

TEST_F(GuardTest, ServerGoneTakesAGuardBackupWithTheFixedBound) {
  // The keep count of the box does not apply to the guard's backups.
  window.setText("保留份数编辑框", "1");
  const std::string folder = kind("进程守护备份");
  for (int i = 0; i < 11; ++i)
    fp.files.addDirectory(folder + "\\16000000" + std::to_string(10 + i) + "_Saved");
  runGuardStep(tool);
  EXPECT_EQ(window.text("进程守护按钮"), "进程守护中...");
  EXPECT_EQ(window.text("服务端状态标签"), "服务端状态：重新启动中");
  const auto names = snapshots("进程守护备份");
  ASSERT_EQ(names.size(), 10u);
  EXPECT_EQ(names.front(), "1600000012_Saved");  // the two oldest went
  EXPECT_EQ(names.back(), "1706329845_2024年1月27日12时30分45秒_Saved");
}

TEST_F(GuardTest, AFailedBackupIsSilentAndEveryPassTriesAgain) {
  fp.files.denyReads(tool.paths.saveFolder);
  tool.state.backupRoot = "";
  fp.processes.onStart = [](const fakes::StartedProgram&) { return false; };  // not installed
  for (int pass = 0; pass < 3; ++pass) {
    fp.clock.time.second = 5 * pass;  // passes are five ticks apart
    runGuardStep(tool);
  }
  EXPECT_EQ(fp.automation.copies.size(), 3u);
  EXPECT_EQ(fp.processes.started.size(), 3u);
  EXPECT_EQ(window.text("服务端状态标签"), "服务端状态：重新启动中");
  EXPECT_TRUE(fp.gui.messages().empty());
  EXPECT_EQ(tool.state.guardOn, 1);
}

TEST_F(GuardTest, GuardBackupsAndScheduledBackupsAreCountedApart) {
  for (int i = 0; i < 11; ++i) fp.files.addDirectory(kind("定时备份") + "\\16000000" + std::to_string(10 + i) + "_t");
  runGuardStep(tool);
  EXPECT_EQ(snapshots("定时备份").size(), 11u);
  EXPECT_EQ(snapshots("进程守护备份").size(), 1u);
}

}  // namespace
}  // namespace kovrin

namespace kovrin {
namespace {

TEST_F(GuardTest, ThroughTheTickADeadServerIsStartedWithinFiveTicks) {
  tool.state.guardOn = 0;
  tool.state.statusTickLeft = 5;
  window.setPeriod("时钟1", 1000);
  window.click("进程守护按钮");
  std::vector<int> startTicks;
  for (int t = 1; t <= 10; ++t) {
    const std::size_t starts = fp.processes.started.size();
    fp.clock.time.second = t;
    window.elapse("时钟1");
    if (fp.processes.started.size() != starts) startTicks.push_back(t);
  }
  // Nothing comes up, so every status pass backs up and tries again.
  EXPECT_EQ(startTicks, (std::vector<int>{5, 10}));
  EXPECT_EQ(fp.automation.copies.size(), 2u);
}

}  // namespace
}  // namespace kovrin
