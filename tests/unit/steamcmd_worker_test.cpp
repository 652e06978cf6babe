#include <gtest/gtest.h>

#include <string>

#include <chrono>
#include <future>

#include "server/steamcmd.h"
#include "server_fixture.h"
#include "steamcmd_zip_builder.h"

namespace kovrin {
namespace {

using testing::Rig;

constexpr const char* kRunDir = "C:\\Steam CMD\\帕鲁";
constexpr const char* kUpdateBat = "C:\\Steam CMD\\帕鲁\\update.bat";
constexpr const char* kSteamCmdBat = "C:\\Steam CMD\\帕鲁\\steamcmd.bat";
constexpr const char* kSteamCmdExe = "C:\\Steam CMD\\帕鲁\\steamcmd.exe";
constexpr const char* kUpdateCommand = "\"C:\\Steam CMD\\帕鲁\\update.bat\"";
constexpr const char* kSteamCmdBatCommand = "\"C:\\Steam CMD\\帕鲁\\steamcmd.bat\"";
constexpr const char* kCarried = "MZ carried steamcmd";

class SteamCmdWorkerTest : public ::testing::Test {
 protected:
  SteamCmdWorkerTest() : r(kRunDir) {
    // The fake SteamCMD installs the server when update.bat runs and
    // steamcmd.exe is there.
    r.fp.processes.onStart = [this](const fakes::StartedProgram& p) {
      if (p.commandLine == kUpdateCommand && r.fp.files.hasFile(kSteamCmdExe)) r.installServer();
      return p.commandLine != kSteamCmdBatCommand || r.fp.files.hasFile(kSteamCmdBat);
    };
  }

  // Clicks the button and waits for the worker to end.
  void runToEnd() {
    r.window.click("更新游戏按钮");
    ASSERT_NE(r.tool.state.updateThread, nullptr);
    r.tool.state.updateThread->join();
    EXPECT_EQ(r.tool.state.updateRunning.load(), 0);
  }

  std::vector<std::string> commandLines() {
    std::vector<std::string> lines;
    for (const auto& p : r.fp.processes.started) lines.push_back(p.commandLine);
    return lines;
  }

  Rig r;
};

TEST_F(SteamCmdWorkerTest, TheScriptIsExactlyItsSixtyBytes) {
  EXPECT_EQ(updateScriptText.size(), 60u);
  EXPECT_EQ(updateScriptText, "steamcmd +login anonymous +app_update 2394010 validate +quit");
}

TEST_F(SteamCmdWorkerTest, UpdateWritesOnlyUpdateBatAndRunsIt) {
  r.tool.state.steamCmdFound = 1;
  r.fp.files.addFile(kSteamCmdExe, "old steamcmd");
  r.fp.files.addFile(kUpdateBat, std::string(200, 'x'));  // longer than the script
  r.fp.files.addFile(kSteamCmdBat, "echo prepare");
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  r.installServer();
  const int writesBefore = r.fp.files.writes();

  runToEnd();

  EXPECT_EQ(r.fp.files.writeLog, std::vector<std::string>{kUpdateBat});
  EXPECT_EQ(r.fp.files.writes() - writesBefore, 1);
  EXPECT_EQ(r.fp.files.file(kUpdateBat), updateScriptText);
  EXPECT_EQ(r.fp.files.file(kSteamCmdExe), "old steamcmd");
  EXPECT_EQ(commandLines(), std::vector<std::string>{kUpdateCommand});
  EXPECT_TRUE(r.fp.processes.started[0].wait);
  EXPECT_EQ(r.fp.processes.started[0].showWindow, 1);
  EXPECT_TRUE(r.fp.http.requests.empty());
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"更新完成"});
}

TEST_F(SteamCmdWorkerTest, InstallWritesSteamCmdThenTheScriptAndRunsTheScript) {
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  r.fp.files.addFile(kSteamCmdExe, "something else");  // replaced

  runToEnd();

  EXPECT_EQ(r.fp.files.writeLog, (std::vector<std::string>{kSteamCmdExe, kUpdateBat}));
  EXPECT_EQ(r.fp.files.file(kSteamCmdExe), kCarried);
  EXPECT_EQ(r.fp.files.file(kUpdateBat), updateScriptText);
  // No steamcmd.bat: passed over.
  EXPECT_EQ(commandLines(), std::vector<std::string>{kUpdateCommand});
  EXPECT_TRUE(r.fp.http.requests.empty());
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"下载安装完成！"});
}

TEST_F(SteamCmdWorkerTest, InstallRunsTheOperatorsSteamCmdBatFirstWithEverythingWritten) {
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  r.fp.files.addFile(kSteamCmdBat, "echo prepare");
  std::vector<std::string> seen;
  auto install = r.fp.processes.onStart;
  r.fp.processes.onStart = [&](const fakes::StartedProgram& p) {
    seen.push_back(p.commandLine + (p.wait ? " waited" : "") + " exe=" + r.fp.files.file(kSteamCmdExe) +
                   " script=" + std::to_string(r.fp.files.file(kUpdateBat).size()));
    return install(p);
  };

  runToEnd();

  const std::string written = std::string(" waited exe=") + kCarried + " script=60";
  EXPECT_EQ(seen, (std::vector<std::string>{kSteamCmdBatCommand + written, kUpdateCommand + written}));
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"下载安装完成！"});
}

TEST_F(SteamCmdWorkerTest, ASecondInstallWritesSteamCmdAgain) {
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  runToEnd();
  r.ticks(5);
  r.fp.files.addFile(kSteamCmdExe, "changed meanwhile");
  runToEnd();
  EXPECT_EQ(r.fp.files.file(kSteamCmdExe), kCarried);
  EXPECT_EQ(r.fp.gui.messages().size(), 2u);
}

TEST_F(SteamCmdWorkerTest, AFailedRunIsNotReportedAsASuccess) {
  r.fp.processes.onStart = [](const fakes::StartedProgram&) { return true; };  // SteamCMD installs nothing

  r.tool.state.steamCmdFound = 1;
  runToEnd();
  r.ticks(5);
  r.tool.state.steamCmdFound = 0;
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  runToEnd();

  EXPECT_EQ(r.fp.gui.messages(),
            (std::vector<std::string>{std::string(updateFailedMessage), std::string(installFailedMessage)}));
}

TEST_F(SteamCmdWorkerTest, UnwritableFilesAreSkippedAndTheRunEndsWithItsFailure) {
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  r.fp.files.lock(kSteamCmdExe);
  r.fp.files.lock(kUpdateBat);
  runToEnd();
  EXPECT_FALSE(r.fp.files.hasFile(kSteamCmdExe));
  EXPECT_EQ(commandLines(), std::vector<std::string>{kUpdateCommand});
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{std::string(installFailedMessage)});
}

// --------------------------------------------------------- the download ---

TEST_F(SteamCmdWorkerTest, WithoutACarriedSteamCmdItIsDownloadedAndUnpacked) {
  const std::string exe = testing::sampleExecutable(300000);
  const std::string zip = testing::buildZip({{"steamcmd.exe", exe}});
  r.fp.http.responses[KOVRIN_STEAMCMD_URL] = HttpResponse{200, zip};

  runToEnd();

  ASSERT_EQ(r.fp.http.requests.size(), 1u);
  EXPECT_EQ(r.fp.http.requests[0].first, KOVRIN_STEAMCMD_URL);
  EXPECT_GE(r.fp.http.requests[0].second, 30000);  // a few megabytes may come slowly
  EXPECT_TRUE(r.fp.files.file(kSteamCmdExe) == exe);
  EXPECT_EQ(r.fp.files.writeLog, (std::vector<std::string>{kSteamCmdExe, kUpdateBat}));
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"下载安装完成！"});
}

TEST_F(SteamCmdWorkerTest, TheEnvironmentNamesAnotherDownloadAddress) {
  r.fp.environment.variables["KOVRIN_STEAMCMD_URL"] = "http://127.0.0.1:8080/steamcmd.zip";
  r.fp.http.responses["http://127.0.0.1:8080/steamcmd.zip"] =
      HttpResponse{200, testing::buildZip({{"steamcmd.exe", "MZ mirror"}})};
  runToEnd();
  EXPECT_EQ(r.fp.files.file(kSteamCmdExe), "MZ mirror");
  r.ticks(5);

  r.fp.environment.variables["KOVRIN_STEAMCMD_URL"] = "";  // empty: the built-in address
  runToEnd();
  ASSERT_EQ(r.fp.http.requests.size(), 2u);
  EXPECT_EQ(r.fp.http.requests[1].first, KOVRIN_STEAMCMD_URL);
}

struct DownloadCase {
  const char* what;
  std::optional<HttpResponse> response;
};

void PrintTo(const DownloadCase& c, std::ostream* os) { *os << c.what; }

class FailedDownloadTest : public SteamCmdWorkerTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(FailedDownloadTest, WritesNoSteamCmdAndSaysTheDownloadFailed) {
  if (GetParam().response) r.fp.http.responses[KOVRIN_STEAMCMD_URL] = *GetParam().response;
  runToEnd();
  EXPECT_FALSE(r.fp.files.hasFile(kSteamCmdExe)) << GetParam().what;
  EXPECT_EQ(r.fp.files.writeLog, std::vector<std::string>{kUpdateBat});
  EXPECT_EQ(commandLines(), std::vector<std::string>{kUpdateCommand});
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{std::string(steamCmdDownloadFailedMessage)});
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedDownloadTest,
    ::testing::Values(DownloadCase{"no answer", std::nullopt},
                      DownloadCase{"not found", HttpResponse{404, testing::buildZip({{"steamcmd.exe", "MZ"}})}},
                      DownloadCase{"server error", HttpResponse{500, ""}},
                      DownloadCase{"not a zip", HttpResponse{200, "<html>captive portal</html>"}},
                      DownloadCase{"no steamcmd.exe inside", HttpResponse{200, testing::buildZip({{"readme.txt", "hi"}})}},
                      DownloadCase{"cut short", HttpResponse{200, testing::buildZip({{"steamcmd.exe", "MZ"}}).substr(0, 40)}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// ------------------------------------------------ the button and the tick ---

TEST_F(SteamCmdWorkerTest, TheButtonIsBusyUntilAPassAfterTheMessageWasClosed) {
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  std::promise<void> messageOpen;
  std::promise<void> closeMessage;
  std::shared_future<void> close = closeMessage.get_future().share();
  r.fp.gui.whileMessageOpen = [&](const std::string&) {
    messageOpen.set_value();
    close.wait_for(std::chrono::seconds(20));
  };

  r.window.click("更新游戏按钮");
  EXPECT_TRUE(r.window.disabled("更新游戏按钮"));  // at once, before any tick
  ASSERT_EQ(messageOpen.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);

  // The message is open: the worker has not ended.
  EXPECT_EQ(r.tool.state.updateRunning.load(), 1);
  r.ticks(5);
  EXPECT_EQ(r.window.text("更新游戏按钮"), "正在安装中.");
  EXPECT_TRUE(r.window.disabled("更新游戏按钮"));
  EXPECT_NE(r.tool.state.updateThread, nullptr);
  // A click now does nothing, whether it reaches the handler or not.
  r.window.click("更新游戏按钮");
  onUpdateClicked(r.tool);
  EXPECT_EQ(r.fp.processes.started.size(), 1u);

  closeMessage.set_value();
  r.tool.state.updateThread->join();
  EXPECT_EQ(r.tool.state.updateRunning.load(), 0);
  r.ticks(4);
  EXPECT_TRUE(r.window.disabled("更新游戏按钮"));  // lags up to five ticks
  r.ticks(1);
  EXPECT_EQ(r.window.text("更新游戏按钮"), "安装服务端");
  EXPECT_FALSE(r.window.disabled("更新游戏按钮"));
  EXPECT_EQ(r.tool.state.updateThread, nullptr);
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"下载安装完成！"});
}

TEST_F(SteamCmdWorkerTest, AThreadThatCannotBeCreatedLeavesTheButtonUsable) {
  r.fp.processes.refuseThreads = true;
  r.window.click("更新游戏按钮");
  EXPECT_EQ(r.tool.state.updateRunning.load(), 0);
  EXPECT_EQ(r.tool.state.updateThread, nullptr);
  EXPECT_FALSE(r.window.disabled("更新游戏按钮"));
  EXPECT_TRUE(r.fp.processes.started.empty());
  EXPECT_TRUE(r.fp.gui.messages().empty());

  r.fp.processes.refuseThreads = false;
  r.fp.environment.carried[CarriedFile::SteamCmdExe] = kCarried;
  runToEnd();
  EXPECT_EQ(r.fp.gui.messages(), std::vector<std::string>{"下载安装完成！"});
}

TEST_F(SteamCmdWorkerTest, AWorkerThatEndedButWasNotRetiredIsReleasedByTheNextClick) {
  r.tool.state.steamCmdFound = 1;
  r.installServer();
  runToEnd();
  r.window.setDisabled("更新游戏按钮", false);  // as if a pass had not come yet
  runToEnd();
  EXPECT_EQ(commandLines(), (std::vector<std::string>{kUpdateCommand, kUpdateCommand}));
  EXPECT_EQ(r.fp.gui.messages(), (std::vector<std::string>{"更新完成", "更新完成"}));
}

}  // namespace
}  // namespace kovrin
