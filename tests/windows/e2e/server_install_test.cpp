// Installing and updating the server through (the fake) SteamCMD from the
// main window, against the real kovrin.exe: with the SteamCMD a build carries
// and with the one fetched as a zip from the local server, the update path,
// and runs that fail.
#include <chrono>
#include <cstdint>
#include <ostream>
#include <set>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kButton = "更新游戏按钮";
constexpr const char* kUpdateScript = "steamcmd +login anonymous +app_update 2394010 validate +quit";
constexpr const char* kLauncher = "steamapps\\common\\PalServer\\PalServer.exe";
constexpr const char* kServerProcess =
    "steamapps\\common\\PalServer\\Pal\\Binaries\\Win64\\PalServer-Win64-Shipping-Cmd.exe";
constexpr const char* kSteamCmdLog = "logs\\fake_steamcmd.log";

constexpr const char* kInstallIdle = "安装服务端";
constexpr const char* kInstallBusy = "正在安装中.";
constexpr const char* kUpdateIdle = "更新服务端";
constexpr const char* kUpdateBusy = "正在更新中...";

// The whole run, message included; SteamCMD itself is quick.
constexpr auto kRunTimeout = 60s;

class SteamCmdRunTest : public ToolFixture {
 protected:
  // Starts the tool; without steamcmd.exe in the run directory the startup
  // says so first.
  ::testing::AssertionResult startTheTool() {
    const bool steamCmdThere = exists("steamcmd.exe");
    auto result = startTool();
    if (!result) return result;
    if (!steamCmdThere) {
      const auto message = nextMessage();
      if (message != std::optional<std::string>(kSteamCmdMissingMessage))
        return ::testing::AssertionFailure() << "no startup message about SteamCMD";
    }
    return waitStarted();
  }

  // Clicks the button and returns the run's closing message. While the
  // message is open the run is not over: the button shows `busy` and stays
  // disabled. Afterwards the button comes back as `idle`.
  std::string runAndClose(const char* idle, const char* busy) {
    EXPECT_EQ(waitText(kButton, idle), idle) << "the first status pass names the path";
    if (!click(kButton)) {
      ADD_FAILURE() << "the button cannot be clicked";
      return {};
    }
    const auto box = driver::waitMessageBox(kRunTimeout, toolPid());
    if (!box) {
      ADD_FAILURE() << "no closing message";
      return {};
    }
    EXPECT_EQ(waitText(kButton, busy), busy);
    EXPECT_FALSE(enabled(kButton));
    EXPECT_TRUE(driver::dismiss(box->hwnd));
    EXPECT_EQ(waitText(kButton, idle), idle);
    EXPECT_TRUE(enabled(kButton));
    return box->text;
  }

  // Whether SteamCMD ran with the command line of update.bat.
  bool steamCmdRanTheScript() {
    const auto log = readFile(kSteamCmdLog);
    return log && log->find("+login anonymous +app_update 2394010 validate +quit") != std::string::npos;
  }

  std::optional<std::uint64_t> writeTime(const std::string& relative) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(driver::widen(path(relative)).c_str(), GetFileExInfoStandard, &data))
      return std::nullopt;
    return (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  }

  // The names in the run directory itself.
  std::set<std::string> entries() {
    std::set<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(driver::widen(path("*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = driver::narrow(data.cFileName);
      if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }
};

// ---------------------------------------------------------------- install --

struct InstallCase {
  const char* name;
  bool carried;        // the build carries SteamCMD; otherwise the zip is fetched
  bool operatorBatch;  // the operator put a steamcmd.bat into the run directory
};

// Cases are named by their name in test listings.
void PrintTo(const InstallCase& c, std::ostream* out) { *out << c.name; }

class InstallTest : public SteamCmdRunTest, public ::testing::WithParamInterface<InstallCase> {};

TEST_P(InstallTest, WritesSteamCmdRunsItAndTheServerAppears) {
  const InstallCase& c = GetParam();
  chineseRunDir = true;
  carriedSteamCmd = c.carried;
  // A build that carries SteamCMD never downloads it.
  if (c.carried) http.set(kSteamCmdZipPath, {404, "not here", false});
  // The operator's batch runs after steamcmd.exe and update.bat are written
  // and before update.bat.
  if (c.operatorBatch)
    writeFile("steamcmd.bat",
              "@if exist steamcmd.exe if exist update.bat if not exist steamapps echo ready>prepared.txt\r\n");
  ASSERT_TRUE(startTheTool());

  EXPECT_EQ(runAndClose(kInstallIdle, kInstallBusy), "下载安装完成！");
  EXPECT_EQ(http.hits(kSteamCmdZipPath), c.carried ? 0 : 1);
  EXPECT_EQ(readFile("steamcmd.exe"), readWholeFile(fakeProgram("steamcmd.exe")));
  EXPECT_EQ(readFile("update.bat"), std::optional<std::string>(kUpdateScript));
  EXPECT_TRUE(steamCmdRanTheScript());
  EXPECT_TRUE(exists(kLauncher));
  EXPECT_TRUE(exists(kServerProcess));
  EXPECT_EQ(exists("prepared.txt"), c.operatorBatch);
}

INSTANTIATE_TEST_SUITE_P(SteamCmdSources, InstallTest,
                         ::testing::Values(InstallCase{"Carried", true, false},
                                           InstallCase{"DownloadedWithTheOperatorsBatch", false, true}),
                         [](const ::testing::TestParamInfo<InstallCase>& info) { return info.param.name; });

// ----------------------------------------------------------------- update --

TEST_F(SteamCmdRunTest, UpdateWritesOnlyUpdateBatAndRunsIt) {
  putSteamCmd();
  writeFile("update.bat", "@echo an older script, longer than the sixty bytes that replace it\r\n");
  // Run on an install only.
  writeFile("steamcmd.bat", "@echo ran>operator.txt\r\n");
  const auto steamCmdWritten = writeTime("steamcmd.exe");
  ASSERT_TRUE(steamCmdWritten);
  ASSERT_TRUE(startTheTool());
  const auto before = entries();

  EXPECT_EQ(runAndClose(kUpdateIdle, kUpdateBusy), "更新完成");
  const auto script = readFile("update.bat");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->size(), 60u);
  EXPECT_EQ(*script, kUpdateScript);
  EXPECT_TRUE(steamCmdRanTheScript());
  EXPECT_TRUE(exists(kLauncher));
  // Nothing else of the tool's: steamcmd.exe untouched, no download, the
  // operator's batch not run; the new names are SteamCMD's.
  EXPECT_EQ(writeTime("steamcmd.exe"), steamCmdWritten);
  EXPECT_EQ(http.hits(kSteamCmdZipPath), 0);
  EXPECT_FALSE(exists("operator.txt"));
  auto expected = before;
  expected.insert({"logs", "steamapps"});
  EXPECT_EQ(entries(), expected);
}

// ---------------------------------------------------------------- failure --

struct FailureCase {
  const char* name;
  bool steamCmdThere;  // update path; otherwise install path
  bool steamCmdFails;
  bool zipThere;
  const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class FailedRunTest : public SteamCmdRunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedRunTest, IsReportedAsAFailureAndTheButtonComesBack) {
  const FailureCase& c = GetParam();
  if (c.steamCmdThere) putSteamCmd();
  if (c.steamCmdFails) environment["KOVRIN_FAKE_STEAMCMD_FAIL"] = "1";
  if (!c.zipThere) http.set(kSteamCmdZipPath, {404, "not here", false});
  ASSERT_TRUE(startTheTool());

  EXPECT_EQ(runAndClose(c.steamCmdThere ? kUpdateIdle : kInstallIdle, c.steamCmdThere ? kUpdateBusy : kInstallBusy),
            c.message);
  EXPECT_FALSE(exists(kLauncher));
  // SteamCMD ran whenever there was one to run.
  EXPECT_EQ(exists("steamcmd.exe"), c.steamCmdThere || c.zipThere);
  EXPECT_EQ(steamCmdRanTheScript(), c.steamCmdThere || c.zipThere);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FailedRunTest,
    ::testing::Values(
        FailureCase{"InstallWithFailingSteamCmd", false, true, true,
                    "下载安装失败！失败原因请查看SteamCMD窗口中的提示，处理后请重新点击安装"},
        FailureCase{"UpdateWithFailingSteamCmd", true, true, true,
                    "更新失败！失败原因请查看SteamCMD窗口中的提示，处理后请重新点击更新"},
        FailureCase{"InstallWithoutSteamCmdToDownload", false, false, false,
                    "下载安装失败！未能下载SteamCMD，请检查网络后重新点击安装"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
