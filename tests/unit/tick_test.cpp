#include <gtest/gtest.h>

#include <string>

#include <stdexcept>

#include "automation/guard.h"
#include "automation/monitor.h"
#include "automation/schedules.h"
#include "automation/tick.h"
#include "server_fixture.h"

namespace kovrin {
namespace {

using testing::LoggedThread;
using testing::Rig;

// ---------------------------------------------------- order and divider ---
// Steps that write their letter into a log: S status pass, B backup schedule,
// R restart schedule, M monitor, U release burst, A auto-release countdown.

std::string* stepLog = nullptr;
const TickSteps* nestedSteps = nullptr;

void logS(Tool&) { *stepLog += 'S'; }
void logB(Tool&) { *stepLog += 'B'; }
void logR(Tool&) { *stepLog += 'R'; }
void logM(Tool&) { *stepLog += 'M'; }
void logU(Tool&) { *stepLog += 'U'; }
void logA(Tool&) { *stepLog += 'A'; }
void throwingB(Tool&) {
  *stepLog += 'b';
  throw std::runtime_error("step failed");
}
// A step that lets another timer event in, as a modal wait would.
void reenteringR(Tool& tool) {
  *stepLog += '[';
  runTick(tool, *nestedSteps);
  *stepLog += ']';
}

constexpr TickSteps kLogging{logS, logB, logR, logM, logU, logA};

class TickOrderTest : public ::testing::Test {
 protected:
  TickOrderTest() { stepLog = &log; }
  ~TickOrderTest() override { stepLog = nullptr; }

  // The log of `n` ticks, one line per tick.
  std::string ticks(int n, const TickSteps& steps = kLogging) {
    std::string all;
    for (int i = 0; i < n; ++i) {
      log.clear();
      runTick(r.tool, steps);
      all += log + (i + 1 < n ? "\n" : "");
    }
    return all;
  }

  Rig r;
  std::string log;
};

TEST_F(TickOrderTest, StatusPassEveryFifthTickThenTheFiveStepsOnEveryTick) {
  EXPECT_EQ(ticks(11),
            "BRMUA\nBRMUA\nBRMUA\nBRMUA\nSBRMUA\n"
            "BRMUA\nBRMUA\nBRMUA\nBRMUA\nSBRMUA\n"
            "BRMUA");
  EXPECT_EQ(r.tool.state.statusTickLeft, 4);
}

TEST_F(TickOrderTest, TheDividerCountsDownFromWhereverItStands) {
  r.tool.state.statusTickLeft = 2;
  EXPECT_EQ(ticks(7), "BRMUA\nSBRMUA\nBRMUA\nBRMUA\nBRMUA\nBRMUA\nSBRMUA");
}

TEST_F(TickOrderTest, ADividerAtZeroOrBelowNeverRunsThePassAndStaysPut) {
  for (int start : {0, -1, INT32_MIN}) {
    r.tool.state.statusTickLeft = start;
    EXPECT_EQ(ticks(6), "BRMUA\nBRMUA\nBRMUA\nBRMUA\nBRMUA\nBRMUA") << start;
    EXPECT_EQ(r.tool.state.statusTickLeft, start);
  }
}

TEST_F(TickOrderTest, AFailingStepDoesNotEndTheTick) {
  const TickSteps steps{logS, throwingB, logR, logM, logU, logA};
  EXPECT_EQ(ticks(5, steps), "bRMUA\nbRMUA\nbRMUA\nbRMUA\nSbRMUA");
  EXPECT_FALSE(r.tool.inTick);
}

TEST_F(TickOrderTest, ATimerEventDuringATickIsDroppedNotNested) {
  const TickSteps steps{logS, logB, reenteringR, logM, logU, logA};
  nestedSteps = &steps;
  r.tool.state.statusTickLeft = 1;
  EXPECT_EQ(ticks(2, steps), "SB[]MUA\nB[]MUA");
  EXPECT_EQ(r.tool.state.statusTickLeft, 4);  // counted once per real tick
  EXPECT_FALSE(r.tool.inTick);
  nestedSteps = nullptr;
}

TEST(TickSteps, TheTimerRunsTheStepsOfTheOtherPartsInTheirOrder) {
  const TickSteps s = tickSteps();
  EXPECT_EQ(s.statusPass, &runStatusPass);
  EXPECT_EQ(s.backupSchedule, &runBackupSchedule);
  EXPECT_EQ(s.restartSchedule, &runRestartSchedule);
  EXPECT_EQ(s.resourceMonitor, &refreshResourceMonitor);
  EXPECT_EQ(s.releaseBurst, &runReleaseBurst);
  EXPECT_EQ(s.autoReleaseCountdown, &runAutoReleaseCountdown);
}

// The real steps, told apart by the controls they write: each group's first
// write comes after the previous group's, and the automatic release countdown
// comes after the release burst (it re-arms a burst that this tick's burst
// step has not counted down).
TEST(ClockTick, TheStepsActInTheirOrder) {
  Rig r;
  ToolState& s = r.tool.state;
  s.statusTickLeft = 1;
  s.cronBackupOn = 1;
  s.cronBackupLeft = 100;
  s.cronRebootOn = 1;
  s.cronRebootLeft = 100;
  s.memReleaseBurst = 2;
  s.memClearAutoOn = 1;
  s.memClearLeft = 1;

  r.ticks(1);

  auto groupOf = [](const std::string& entry) -> std::string {
    // "text <control> <value>" or "disabled <control> <0|1>"
    const std::size_t from = entry.find(' ') + 1;
    const std::string control = entry.substr(from, entry.find(' ', from) - from);
    if (control == "更新游戏按钮" || control == "进程守护按钮" || control == "服务端状态标签") return "status";
    if (control == "自动备份按钮") return "backup";
    if (control == "定时重启按钮") return "restart";
    if (control == "内存负载标签" || control == "可用内存标签" || control == "CPU负载标签") return "monitor";
    if (control == "按钮1") return "burst";
    return "other " + control;
  };
  std::vector<std::string> groups;
  for (const auto& entry : r.window.log) {
    const std::string g = groupOf(entry);
    if (groups.empty() || groups.back() != g) groups.push_back(g);
  }
  // The schedules write their captions once they are built; until then their
  // steps are silent and only the others are seen.
  std::vector<std::string> expected{"status"};
  for (const char* g : {"backup", "restart"})
    if (std::find(groups.begin(), groups.end(), g) != groups.end()) expected.push_back(g);
  expected.insert(expected.end(), {"monitor", "burst"});
  EXPECT_EQ(groups, expected);
  EXPECT_EQ(s.memReleaseBurst, 20);
  EXPECT_EQ(s.memClearLeft, 60);
}

// ------------------------------------------------------------ status pass ---

struct PassCase {
  std::int32_t steamCmdFound;
  std::int32_t updateRunning;
  const char* caption;
  bool disabled;
  bool retires;
};

void PrintTo(const PassCase& c, std::ostream* os) {
  *os << "steamCmdFound " << c.steamCmdFound << ", updateRunning " << c.updateRunning;
}

class StatusPassTableTest : public ::testing::TestWithParam<PassCase> {};

TEST_P(StatusPassTableTest, CaptionThenDisabledStateThenRetireOnlyWhenNotRunning) {
  const PassCase& c = GetParam();
  Rig r;
  r.tool.state.steamCmdFound = c.steamCmdFound;
  r.tool.state.updateRunning = c.updateRunning;
  r.tool.state.updateThread = std::make_unique<LoggedThread>(r.window.log);

  runStatusPass(r.tool);

  ASSERT_GE(r.window.log.size(), 2u);
  EXPECT_EQ(r.window.log[0], std::string("text 更新游戏按钮 ") + c.caption);
  EXPECT_EQ(r.window.log[1], std::string("disabled 更新游戏按钮 ") + (c.disabled ? "1" : "0"));
  if (c.retires) {
    ASSERT_GE(r.window.log.size(), 3u);
    EXPECT_EQ(r.window.log[2], "join");
    EXPECT_EQ(r.tool.state.updateThread, nullptr);
  } else {
    EXPECT_EQ(std::count(r.window.log.begin(), r.window.log.end(), "join"), 0);
    EXPECT_NE(r.tool.state.updateThread, nullptr);
  }
  EXPECT_EQ(r.window.text("更新游戏按钮"), c.caption);
  EXPECT_EQ(r.window.disabled("更新游戏按钮"), c.disabled);
  r.tool.state.updateThread.reset();
}

INSTANTIATE_TEST_SUITE_P(Table, StatusPassTableTest,
                         ::testing::Values(PassCase{1, 0, "更新服务端", false, true},
                                           PassCase{1, 1, "正在更新中...", true, false},
                                           PassCase{0, 0, "安装服务端", false, true},
                                           PassCase{0, 1, "正在安装中.", true, false},
                                           PassCase{2, 0, "安装服务端", false, true},
                                           PassCase{-1, 1, "正在安装中.", true, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(RetireUpdateWorker, ReleasesTheThreadOnceAndThenDoesNothing) {
  Rig r;
  std::vector<std::string> log;
  retireUpdateWorker(r.tool);  // none: nothing happens
  EXPECT_TRUE(log.empty());
  r.tool.state.updateThread = std::make_unique<LoggedThread>(log);
  retireUpdateWorker(r.tool);
  retireUpdateWorker(r.tool);
  EXPECT_EQ(log, std::vector<std::string>{"join"});
  EXPECT_EQ(r.tool.state.updateThread, nullptr);
}

struct RefreshCase {
  std::int32_t guardOn;
  bool launcherRunning;
};

class PlainRefreshTest : public ::testing::TestWithParam<RefreshCase> {};

TEST_P(PlainRefreshTest, AnyGuardValueButOneRefreshesTheStatusFromARealCheck) {
  Rig r;
  r.tool.state.guardOn = GetParam().guardOn;
  if (GetParam().launcherRunning) r.fp.processes.add("PalServer.exe");
  r.window.setText("服务端状态标签", "服务端状态\r\n\r\n正在运行");
  r.window.log.clear();

  runStatusPass(r.tool);

  const std::string status = GetParam().launcherRunning ? "服务端状态：正在运行" : "服务端状态：未运行";
  const std::vector<std::string> expected{"text 更新游戏按钮 安装服务端", "disabled 更新游戏按钮 0",
                                          "text 进程守护按钮 开启进程守护", "text 服务端状态标签 " + status};
  EXPECT_EQ(r.window.log, expected);
  EXPECT_EQ(r.fp.processes.snapshots, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, PlainRefreshTest,
                         ::testing::Values(RefreshCase{0, false}, RefreshCase{0, true}, RefreshCase{2, true},
                                           RefreshCase{-1, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(StatusPass, WithTheGuardOnTheGuardStepOwnsTheGuardButtonAndTheLabel) {
  Rig r;
  r.tool.state.guardOn = 1;
  runStatusPass(r.tool);
  for (const auto& entry : r.window.log) {
    EXPECT_NE(entry, "text 进程守护按钮 开启进程守护");
    EXPECT_NE(entry, "text 服务端状态标签 服务端状态：未运行");
  }
}

TEST(StatusPass, WithoutAMainWindowDoesNothing) {
  Rig r;
  r.tool.main = nullptr;
  r.tool.state.updateThread = std::make_unique<LoggedThread>(r.window.log);
  runStatusPass(r.tool);
  EXPECT_TRUE(r.window.log.empty());
  r.tool.state.updateThread.reset();
}

// ------------------------------------------------------- through the timer ---

TEST(ClockTick, DesignValuesStayUntilTheFifthTickThenTheStatusPassReplacesThem) {
  Rig r;
  r.tool.state.steamCmdFound = 1;
  r.fp.processes.add("PalServer.exe");
  r.ticks(4);
  EXPECT_EQ(r.window.text("更新游戏按钮"), "更新服务端");
  EXPECT_EQ(r.window.text("进程守护按钮"), "守护服务端");
  EXPECT_EQ(r.window.text("服务端状态标签"), "服务端状态：未运行");
  EXPECT_EQ(r.fp.processes.snapshots, 0);  // no snapshot between passes
  r.ticks(1);
  EXPECT_EQ(r.window.text("进程守护按钮"), "开启进程守护");
  EXPECT_EQ(r.window.text("服务端状态标签"), "服务端状态：正在运行");
  EXPECT_EQ(r.fp.processes.snapshots, 1);
}

TEST(ClockTick, TheProvisionalStatusStaysUntilTheNextPass) {
  Rig r;
  r.ticks(3);
  r.window.click("启动服务端按钮");  // the fake launcher does not come up
  r.ticks(1);
  EXPECT_EQ(r.window.text("服务端状态标签"), "服务端状态\r\n\r\n正在运行");
  r.ticks(1);
  EXPECT_EQ(r.window.text("服务端状态标签"), "服务端状态：未运行");
}

}  // namespace
}  // namespace kovrin
