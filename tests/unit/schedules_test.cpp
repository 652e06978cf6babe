#include <gtest/gtest.h>

#include <string>

#include "app/values.h"
#include "automation/schedules.h"
#include "backup_fixture.h"

namespace kovrin {
namespace {

using fakes::StartedProgram;
using testing_support::ToolFixture;

class ScheduleTest : public ToolFixture {
 protected:
  ScheduleTest() { addSaveFolder(); }

  // The schedules' share of one tick, in the tick's order.
  void tick() {
    // Every tick is a new second: snapshots taken on different ticks get
    // different names.
    advanceClock();
    runBackupSchedule(tool);
    runRestartSchedule(tool);
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) tick();
  }
  void advanceClock() {
    LocalTime& t = fp.clock.time;
    if (++t.second == 60) {
      t.second = 0;
      if (++t.minute == 60) {
        t.minute = 0;
        ++t.hour;
      }
    }
  }

  void armBackup(const std::string& minutes) {
    window.setText("备份时间编辑框", minutes);
    window.click("自动备份按钮");
    ASSERT_EQ(tool.state.cronBackupOn, 1);
  }
  void armRestart(const std::string& minutes) {
    window.setText("重启时间编辑框", minutes);
    window.click("定时重启按钮");
    ASSERT_EQ(tool.state.cronRebootOn, 1);
  }

  std::string backupCaption() { return window.text("自动备份按钮"); }
  std::string restartCaption() { return window.text("定时重启按钮"); }
  std::size_t timedBackups() { return snapshots("定时备份").size(); }
  std::size_t restartBackups() { return snapshots("定时重启备份").size(); }
};

std::string backupShows(long long n) { return "定时备份中...\r\n" + std::to_string(n); }
std::string restartShows(long long n) { return "定时重启中...\r\n" + std::to_string(n); }

TEST_F(ScheduleTest, DefaultBackupCountsDownFromSixtyMinutesAndFiresOnTheLastTick) {
  armBackup("60");
  EXPECT_EQ(backupCaption(), "定时备份中...");
  tick();
  EXPECT_EQ(backupCaption(), backupShows(3599));
  ticks(3598);
  EXPECT_EQ(backupCaption(), backupShows(1));
  EXPECT_EQ(timedBackups(), 0u);
  tick();  // the 3600th
  EXPECT_EQ(backupCaption(), backupShows(0));
  EXPECT_EQ(timedBackups(), 1u);
  EXPECT_EQ(tool.state.cronBackupLeft, 3600);
  tick();
  EXPECT_EQ(backupCaption(), backupShows(3599));
  EXPECT_EQ(timedBackups(), 1u);
  EXPECT_EQ(restartBackups(), 0u);
}

TEST_F(ScheduleTest, OneMinuteRestartStopsAndBacksUpAtTenAndStartsAtZero) {
  fp.processes.add("PalServer.exe");
  const std::uint32_t server = fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");  // only one is stopped
  armRestart("1");
  const std::size_t before = window.history("定时重启按钮").size();
  std::vector<int> backupTicks, killTicks, startTicks;
  for (int t = 1; t <= 61; ++t) {
    const std::size_t copies = fp.automation.copies.size();
    const std::size_t kills = fp.processes.terminated.size();
    const std::size_t starts = fp.processes.started.size();
    tick();
    if (fp.automation.copies.size() != copies) backupTicks.push_back(t);
    if (fp.processes.terminated.size() != kills) killTicks.push_back(t);
    if (fp.processes.started.size() != starts) startTicks.push_back(t);
  }
  EXPECT_EQ(killTicks, std::vector<int>{50});
  EXPECT_EQ(fp.processes.terminated, std::vector<std::uint32_t>{server});
  EXPECT_EQ(startTicks, std::vector<int>{60});
  ASSERT_EQ(fp.processes.started.size(), 1u);
  EXPECT_EQ(fp.processes.started[0].commandLine, "\"" + tool.paths.serverExePath + "\"");
  EXPECT_FALSE(fp.processes.started[0].wait);
  EXPECT_EQ(fp.processes.started[0].showWindow, 1);  // SW_SHOWNORMAL
  std::vector<std::string> expected;
  for (int n = 59; n >= 0; --n) expected.push_back(restartShows(n));
  expected.push_back(restartShows(59));
  const auto& history = window.history("定时重启按钮");
  EXPECT_EQ(std::vector<std::string>(history.begin() + static_cast<long>(before), history.end()), expected);
  EXPECT_EQ(backupTicks, std::vector<int>{50});  // on the tick that shows 10
  EXPECT_EQ(restartBackups(), 1u);
  EXPECT_EQ(tool.state.cronRebootLeft, 59);
}

struct DeadIntervalCase {
  const char* text;
  std::int32_t armed;
};

class DeadIntervalTest : public ScheduleTest, public ::testing::WithParamInterface<DeadIntervalCase> {};

TEST_P(DeadIntervalTest, CountsThroughNegativeNumbersWithoutEverFiring) {
  armBackup(GetParam().text);
  armRestart(GetParam().text);
  EXPECT_EQ(tool.state.cronBackupLeft, GetParam().armed);
  // Long enough to cross the bottom of the 32-bit range for the wrapped one.
  ticks(120);
  EXPECT_TRUE(fp.automation.copies.empty());
  EXPECT_EQ(timedBackups() + restartBackups(), 0u);
  const std::int32_t expected =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(GetParam().armed) - 120u);
  EXPECT_EQ(tool.state.cronBackupLeft, expected);
  EXPECT_EQ(tool.state.cronRebootLeft, expected);
  EXPECT_EQ(backupCaption(), backupShows(expected));
  EXPECT_EQ(restartCaption(), restartShows(expected));
}

INSTANTIATE_TEST_SUITE_P(Table, DeadIntervalTest,
                         ::testing::Values(DeadIntervalCase{"0", 0}, DeadIntervalCase{"", 0},
                                           DeadIntervalCase{"分钟", 0}, DeadIntervalCase{"-5", -300},
                                           DeadIntervalCase{"－５", -300},
                                           DeadIntervalCase{"35791395", -2147483596}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(ScheduleTest, FirstTicksOfOtherIntervals) {
  armBackup("６０");  // full-width digits
  armRestart("35791394");
  tick();
  EXPECT_EQ(backupCaption(), backupShows(3599));
  EXPECT_EQ(restartCaption(), restartShows(2147483639));
  EXPECT_TRUE(fp.automation.copies.empty());
}

TEST_F(ScheduleTest, AReloadThatReadsZeroFiresOnceAndThenNeverAgain) {
  armBackup("1");
  ticks(59);
  window.setText("备份时间编辑框", "0");
  tick();
  EXPECT_EQ(timedBackups(), 1u);
  EXPECT_EQ(tool.state.cronBackupLeft, 0);
  ticks(200);
  EXPECT_EQ(timedBackups(), 1u);
  EXPECT_EQ(backupCaption(), backupShows(-200));
}

TEST_F(ScheduleTest, ANewIntervalTakesEffectAtTheNextReload) {
  armBackup("1");
  ticks(10);
  window.setText("备份时间编辑框", "2");
  std::vector<int> fired;
  for (int t = 11; t <= 300; ++t) {
    const std::size_t copies = fp.automation.copies.size();
    tick();
    if (fp.automation.copies.size() != copies) fired.push_back(t);
  }
  EXPECT_EQ(fired, (std::vector<int>{60, 180, 300}));
  EXPECT_EQ(timedBackups(), 3u);
}

TEST_F(ScheduleTest, OnTheSameTickTheScheduledBackupComesBeforeTheRestartBackup) {
  armBackup("1");
  ticks(10);
  armRestart("1");
  ticks(49);
  EXPECT_TRUE(fp.automation.copies.empty());
  tick();  // backup fires; restart shows 10
  ASSERT_EQ(fp.automation.copies.size(), 2u);
  EXPECT_NE(fp.automation.copies[0].second.find("\\定时备份\\"), std::string::npos);
  EXPECT_NE(fp.automation.copies[1].second.find("\\定时重启备份\\"), std::string::npos);
}

TEST_F(ScheduleTest, KeepCountIsReadFromTheBoxWhenTheBackupIsTaken) {
  for (const char* name : {"1600000001_a_Saved", "1600000002_b_Saved", "1600000003_c_Saved"})
    fp.files.addDirectory(kind("定时备份") + "\\" + name);
  window.setText("保留份数编辑框", "10");
  armBackup("1");
  ticks(59);
  window.setText("保留份数编辑框", "２");
  tick();
  EXPECT_EQ(timedBackups(), 2u);
  EXPECT_EQ(snapshots("定时备份")[0], "1600000003_c_Saved");
  window.setText("保留份数编辑框", "");  // a box cleared while typing
  ticks(60);
  EXPECT_EQ(timedBackups(), 3u);
}

TEST_F(ScheduleTest, TheRestartStartsTheServerWhetherOrNotItRuns) {
  fp.processes.add("PalServer.exe");  // the server process itself is gone already
  armRestart("1");
  ticks(60);
  EXPECT_EQ(fp.processes.started.size(), 1u);
  EXPECT_EQ(restartBackups(), 1u);
  fp.processes.refuseTermination = true;
  fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  fp.processes.onStart = [](const StartedProgram&) { return false; };  // and cannot start
  ticks(60);
  EXPECT_EQ(fp.processes.started.size(), 2u);
  EXPECT_EQ(restartBackups(), 2u);
  EXPECT_EQ(tool.state.cronRebootLeft, 60);
}

TEST_F(ScheduleTest, FailuresAreSilentAndTheCountdownsGoOn) {
  fp.files.denyReads(tool.paths.saveFolder);  // nothing can be read from the save folder
  tool.state.backupRoot = "Q:\\no\\such\\drive";
  fp.files.lock("Q:");
  armBackup("1");
  armRestart("1");
  ticks(61);
  EXPECT_EQ(tool.state.cronBackupOn, 1);
  EXPECT_EQ(tool.state.cronRebootOn, 1);
  EXPECT_EQ(backupCaption(), backupShows(59));
  EXPECT_EQ(restartCaption(), restartShows(59));
  EXPECT_TRUE(fp.gui.messages().empty());
}

TEST_F(ScheduleTest, DisarmedSchedulesDoNothing) {
  armBackup("1");
  armRestart("1");
  ticks(5);
  window.click("自动备份按钮");
  window.click("定时重启按钮");
  const std::size_t captions = window.history("自动备份按钮").size();
  ticks(120);
  EXPECT_EQ(window.history("自动备份按钮").size(), captions);
  EXPECT_EQ(backupCaption(), "开启定时备份");
  EXPECT_EQ(restartCaption(), "开启定时重启");
  EXPECT_EQ(tool.state.cronBackupLeft, 0);
  EXPECT_EQ(tool.state.cronRebootLeft, 0);
  EXPECT_TRUE(fp.automation.copies.empty());
}

}  // namespace
}  // namespace kovrin
