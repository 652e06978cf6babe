#include <gtest/gtest.h>

#include <string>

#include "server/server_control.h"
#include "server_fixture.h"

namespace kovrin {
namespace {

using testing::Rig;

constexpr const char* kLauncherCommand = "\"C:\\steam cmd\\steamapps\\common\\PalServer\\PalServer.exe\"";
constexpr const char* kProvisional = "服务端状态\r\n\r\n正在运行";
constexpr const char* kAlreadyRunning = "服务端正在运行中，请先关闭或者点击重启";

// --------------------------------------------------------- isServerRunning

struct RunningCase {
  std::vector<std::string> processes;
  bool expected;
};

class IsServerRunningTest : public ::testing::TestWithParam<RunningCase> {};

TEST_P(IsServerRunningTest, LooksForTheLauncherByItsWholeNameInAnyLetterCase) {
  Rig r;
  for (const auto& name : GetParam().processes) r.fp.processes.add(name);
  EXPECT_EQ(isServerRunning(r.tool), GetParam().expected);
  EXPECT_EQ(r.fp.processes.snapshots, 1);  // one fresh snapshot per call
}

INSTANTIATE_TEST_SUITE_P(
    Table, IsServerRunningTest,
    ::testing::Values(
        RunningCase{{}, false},
        RunningCase{{"PalServer.exe"}, true},
        RunningCase{{"PALSERVER.EXE"}, true},
        RunningCase{{"palserver.exe"}, true},
        RunningCase{{"pALsERVER.eXE"}, true},
        RunningCase{{"System", "explorer.exe", "PalServer.exe", "cmd.exe"}, true},
        RunningCase{{"PalServer-Win64-Shipping-Cmd.exe"}, false},  // its launcher gone
        RunningCase{{"xPalServer.exe"}, false},
        RunningCase{{"PalServer.exe.bak"}, false},
        RunningCase{{"PalServer.ex"}, false},
        RunningCase{{" PalServer.exe"}, false},
        RunningCase{{"PalServer.exe "}, false},
        RunningCase{{"ＰalServer.exe"}, false},       // full-width P is another letter
        RunningCase{{"服务PalServer.exe"}, false},
        RunningCase{{"PalServer"}, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SameExeName, FoldsOnlyAsciiCapitals) {
  EXPECT_TRUE(sameExeName("PalServer-Win64-Shipping-Cmd.exe", "palserver-win64-shipping-cmd.EXE"));
  EXPECT_TRUE(sameExeName("服务端.EXE", "服务端.exe"));
  EXPECT_FALSE(sameExeName("Ａ.exe", "ａ.exe"));  // full-width letters are not folded
  EXPECT_FALSE(sameExeName("a[.exe", "a{.exe"));  // '[' is not a capital of '{'
  EXPECT_FALSE(sameExeName("a@.exe", "a`.exe"));
  EXPECT_FALSE(sameExeName("abc", "abcd"));
}

// -------------------------------------------------------------- runProgram

struct ShowModeCase {
  int mode;
  int showWindow;
};

class RunProgramShowModeTest : public ::testing::TestWithParam<ShowModeCase> {};

TEST_P(RunProgramShowModeTest, MapsClampedModesToShowWindowValues) {
  Rig r;
  ASSERT_TRUE(runProgram(r.tool, "\"C:\\a b\\x.bat\"", true, GetParam().mode));
  ASSERT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_EQ(r.fp.processes.started[0].showWindow, GetParam().showWindow) << "mode " << GetParam().mode;
  EXPECT_EQ(r.fp.processes.started[0].commandLine, "\"C:\\a b\\x.bat\"");  // passed as given
  EXPECT_TRUE(r.fp.processes.started[0].wait);
}

INSTANTIATE_TEST_SUITE_P(Table, RunProgramShowModeTest,
                         ::testing::Values(ShowModeCase{-7, 0}, ShowModeCase{0, 0}, ShowModeCase{1, 0},
                                           ShowModeCase{2, 1}, ShowModeCase{3, 2}, ShowModeCase{4, 3},
                                           ShowModeCase{5, 4}, ShowModeCase{6, 6}, ShowModeCase{7, 6},
                                           ShowModeCase{1000, 6}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(RunProgram, DefaultsToANormalWindowAndReportsWhetherTheProcessWasCreated) {
  Rig r;
  EXPECT_TRUE(runProgram(r.tool, "a.exe", false));
  r.fp.processes.onStart = [](const fakes::StartedProgram&) { return false; };
  EXPECT_FALSE(runProgram(r.tool, "b.exe", false));
  ASSERT_EQ(r.fp.processes.started.size(), 2u);
  EXPECT_EQ(r.fp.processes.started[0].showWindow, 1);
  EXPECT_FALSE(r.fp.processes.started[0].wait);
}

// -------------------------------------------------- terminateProcessByName

TEST(TerminateProcessByName, EmptyNameLooksAtNothing) {
  Rig r;
  r.fp.processes.add("");
  r.fp.processes.addWindow("", r.fp.processes.add("a.exe"));
  EXPECT_FALSE(terminateProcessByName(r.tool, ""));
  EXPECT_EQ(r.fp.processes.snapshots, 0);
  EXPECT_TRUE(r.fp.processes.terminated.empty());
}

TEST(TerminateProcessByName, TheOwnerOfAWindowWithThatTitleComesFirst) {
  Rig r;
  const auto first = r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  const auto second = r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.addWindow("PalServer-Win64-Shipping-Cmd.exe", second);
  EXPECT_TRUE(terminateProcessByName(r.tool, "PalServer-Win64-Shipping-Cmd.exe"));
  EXPECT_EQ(r.fp.processes.terminated, std::vector<std::uint32_t>{second});
  EXPECT_EQ(r.fp.processes.snapshots, 0);
  EXPECT_TRUE(r.fp.processes.running("PalServer-Win64-Shipping-Cmd.exe"));  // `first` lives on
  (void)first;
}

TEST(TerminateProcessByName, OtherwiseTheFirstSnapshotEntryIgnoringCaseAndOnlyThatOne) {
  Rig r;
  r.fp.processes.add("explorer.exe");
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe.old");
  const auto first = r.fp.processes.add("palserver-win64-shipping-cmd.EXE");
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.addWindow("palserver-win64-shipping-cmd.exe", r.fp.processes.add("other.exe"));  // not exact
  EXPECT_TRUE(terminateProcessByName(r.tool, "PalServer-Win64-Shipping-Cmd.exe"));
  EXPECT_EQ(r.fp.processes.terminated, std::vector<std::uint32_t>{first});
}

TEST(TerminateProcessByName, NoTargetOrARefusalIsFalse) {
  Rig r;
  r.fp.processes.add("PalServer.exe");
  EXPECT_FALSE(terminateProcessByName(r.tool, "PalServer-Win64-Shipping-Cmd.exe"));
  EXPECT_TRUE(r.fp.processes.terminated.empty());

  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.refuseTermination = true;
  EXPECT_FALSE(terminateProcessByName(r.tool, "PalServer-Win64-Shipping-Cmd.exe"));
  EXPECT_EQ(r.fp.processes.terminated.size(), 1u);
}

// ------------------------------------------------- start, kill, the buttons

TEST(StartServer, StartsTheLauncherQuotedWithoutWaiting) {
  Rig r;
  startServer(r.tool);
  ASSERT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_EQ(r.fp.processes.started[0].commandLine, kLauncherCommand);
  EXPECT_EQ(r.fp.processes.started[0].showWindow, 1);
  EXPECT_FALSE(r.fp.processes.started[0].wait);
}

TEST(StartServer, ARunDirectoryWithSpacesAndChineseStaysOnePath) {
  Rig r("D:\\Program Files\\幻兽 帕鲁");
  startServer(r.tool);
  ASSERT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_EQ(r.fp.processes.started[0].commandLine,
            "\"D:\\Program Files\\幻兽 帕鲁\\steamapps\\common\\PalServer\\PalServer.exe\"");
}

TEST(KillServerProcess, TerminatesOneServerProcessNotTheLauncher) {
  Rig r;
  r.fp.processes.add("PalServer.exe");
  const auto server = r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  killServerProcess(r.tool);
  EXPECT_EQ(r.fp.processes.terminated, std::vector<std::uint32_t>{server});
  EXPECT_TRUE(r.fp.processes.running("PalServer.exe"));
}

TEST(StartButton, WhileTheLauncherRunsOnlyTellsTheOperator) {
  Rig r;
  r.fp.processes.add("PALSERVER.EXE");
  r.window.click("启动服务端按钮");
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{kAlreadyRunning});
  EXPECT_TRUE(r.fp.processes.started.empty());
  EXPECT_TRUE(r.window.history("服务端状态标签").empty());
  EXPECT_EQ(r.window.text("服务端状态标签"), "服务端状态：未运行");
}

TEST(StartButton, OtherwiseShowsTheProvisionalStatusAndStartsTheLauncher) {
  Rig r;
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");  // an orphan does not count
  r.window.click("启动服务端按钮");
  EXPECT_TRUE(r.fp.gui.messages().empty());
  EXPECT_EQ(r.window.text("服务端状态标签"), kProvisional);
  ASSERT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_EQ(r.fp.processes.started[0].commandLine, kLauncherCommand);
  // The label is written before the launcher is started.
  EXPECT_EQ(r.window.log.back(), std::string("text 服务端状态标签 ") + kProvisional);
}

TEST(StartButton, AFailedStartIsSilent) {
  Rig r;
  r.fp.processes.onStart = [](const fakes::StartedProgram&) { return false; };
  r.window.click("启动服务端按钮");
  EXPECT_TRUE(r.fp.gui.messages().empty());
  EXPECT_EQ(r.window.text("服务端状态标签"), kProvisional);
}

TEST(RestartButton, WhileRunningKillsOneServerProcessAndStartsANewLauncherAtOnce) {
  Rig r;
  std::vector<std::string> events;
  r.fp.processes.add("PalServer.exe");
  const auto first = r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.onStart = [&](const fakes::StartedProgram& p) {
    events.push_back("start after " + std::to_string(r.fp.processes.terminated.size()) + " kills: " + p.commandLine);
    return true;
  };
  r.window.click("重启服务端按钮");
  EXPECT_EQ(r.fp.processes.terminated, std::vector<std::uint32_t>{first});
  EXPECT_EQ(events, std::vector<std::string>{std::string("start after 1 kills: ") + kLauncherCommand});
  EXPECT_TRUE(r.window.history("服务端状态标签").empty());
  EXPECT_TRUE(r.fp.gui.messages().empty());
}

TEST(RestartButton, ARefusedKillStillStartsTheLauncher) {
  Rig r;
  r.fp.processes.add("PalServer.exe");
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.fp.processes.refuseTermination = true;
  r.window.click("重启服务端按钮");
  EXPECT_EQ(r.fp.processes.terminated.size(), 1u);
  EXPECT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_TRUE(r.fp.gui.messages().empty());
}

TEST(RestartButton, WhileNothingRunsActsLikeTheStartButton) {
  Rig r;
  r.fp.processes.add("PalServer-Win64-Shipping-Cmd.exe");
  r.window.click("重启服务端按钮");
  EXPECT_TRUE(r.fp.processes.terminated.empty());
  EXPECT_EQ(r.window.text("服务端状态标签"), kProvisional);
  ASSERT_EQ(r.fp.processes.started.size(), 1u);
  EXPECT_EQ(r.fp.processes.started[0].commandLine, kLauncherCommand);
}

}  // namespace
}  // namespace kovrin
