// Starting and restarting the (fake) server from the main window, and the
// status the tick shows for it, against the real kovrin.exe.
#include <chrono>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kStatusLabel = "服务端状态标签";
constexpr const char* kProvisional = "服务端状态\r\n\r\n正在运行";
constexpr const char* kRunning = "服务端状态：正在运行";
constexpr const char* kNotRunning = "服务端状态：未运行";
constexpr const char* kAlreadyRunning = "服务端正在运行中，请先关闭或者点击重启";

constexpr const char* kLauncher = "PalServer.exe";
constexpr const char* kServerProcess = "PalServer-Win64-Shipping-Cmd.exe";
constexpr const char* kServerLog = "steamapps\\common\\PalServer\\Pal\\Saved\\Logs\\PalServer.log";

// Five ticks of one second, and some room for a busy machine.
constexpr auto kFiveTicks = 5s + 3s;

// The server installed, the tool up, and the server started by its button:
// the launcher and the server process run.
class ServerControlTest : public ToolFixture {
 protected:
  ::testing::AssertionResult startRunningServer() {
    installServer();
    auto result = startToolAndSettle();
    if (!result) return result;
    if (!click("启动服务端按钮")) return ::testing::AssertionFailure() << "the start button cannot be clicked";
    return firstServerUp();
  }

  // The first server is up: both processes there, and the server past its
  // start (it notes it in its log).
  ::testing::AssertionResult firstServerUp() {
    if (!waitServer() || !driver::waitFor([&] { return serverStarts() == 1; }, kMessageTimeout))
      return ::testing::AssertionFailure() << "the server did not come up";
    return ::testing::AssertionSuccess();
  }

  // Waits until exactly one launcher and one server process run, other than
  // the ones given; returns them.
  std::optional<std::pair<DWORD, DWORD>> waitServer(DWORD oldLauncher = 0, DWORD oldServer = 0) {
    std::pair<DWORD, DWORD> found{};
    const bool up = driver::waitFor(
        [&] {
          const auto launchers = processesNamed(kLauncher);
          const auto servers = processesNamed(kServerProcess);
          if (launchers.size() != 1 || servers.size() != 1) return false;
          found = {launchers[0], servers[0]};
          return found.first != oldLauncher && found.second != oldServer;
        },
        kMessageTimeout, 100ms);
    if (!up) return std::nullopt;
    return found;
  }

  // How often the fake server has been started in this run directory.
  std::size_t serverStarts() {
    const auto log = readFile(kServerLog);
    std::size_t n = 0;
    for (std::size_t at = 0; log && (at = log->find("started pid", at)) != std::string::npos; ++at) ++n;
    return n;
  }
};

TEST_F(ServerControlTest, StartShowsTheProvisionalStatusAndTheNextPassConfirmsIt) {
  installServer();
  ASSERT_TRUE(startToolAndSettle());
  // Right after a pass, so that the provisional text stays long enough to be
  // read.
  ASSERT_TRUE(waitStatusPass());
  EXPECT_EQ(text(kStatusLabel), kNotRunning);

  ASSERT_TRUE(click("启动服务端按钮"));
  EXPECT_EQ(waitText(kStatusLabel, kProvisional, 4s), kProvisional);
  EXPECT_EQ(waitText(kStatusLabel, kRunning, kFiveTicks), kRunning);
  EXPECT_TRUE(firstServerUp());
}

TEST_F(ServerControlTest, StartWhileRunningOnlyTellsTheOperatorAndTheTicksGoOnMeanwhile) {
  ASSERT_TRUE(startRunningServer());
  const auto running = waitServer();
  ASSERT_TRUE(running);
  EXPECT_EQ(waitText(kStatusLabel, kRunning, kFiveTicks), kRunning);

  ASSERT_TRUE(click("启动服务端按钮"));
  const auto box = driver::waitMessageBox(kMessageTimeout, toolPid());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, kAlreadyRunning);
  // The box holds up the GUI thread's handler, not its timer.
  EXPECT_TRUE(waitStatusPass());
  EXPECT_TRUE(driver::dismiss(box->hwnd));
  EXPECT_TRUE(openMessages().empty());
  // The handler has returned when the next pass runs on the same thread.
  ASSERT_TRUE(waitStatusPass());
  EXPECT_EQ(processesNamed(kLauncher), std::vector<DWORD>{running->first});
  EXPECT_EQ(processesNamed(kServerProcess), std::vector<DWORD>{running->second});
  EXPECT_EQ(serverStarts(), 1u);
}

TEST_F(ServerControlTest, RestartKillsTheServerProcessAndStartsANewLauncher) {
  ASSERT_TRUE(startRunningServer());
  const auto before = waitServer();
  ASSERT_TRUE(before);

  ASSERT_TRUE(click("重启服务端按钮"));
  // The old server process is terminated, its launcher ends with it, and a
  // new launcher starts a new server process.
  const auto after = waitServer(before->first, before->second);
  ASSERT_TRUE(after) << "no new launcher and server process in place of the old ones";
  EXPECT_TRUE(openMessages().empty());
  EXPECT_TRUE(driver::waitFor([&] { return serverStarts() == 2; }, kMessageTimeout))
      << readFile(kServerLog).value_or("(no log)");
  EXPECT_EQ(waitText(kStatusLabel, kRunning, kFiveTicks), kRunning);
}

// The launcher's path has spaces in the run directory's part. Unquoted, process
// creation would try "<folder>\Kovrin.exe" and "<folder>\Kovrin 运行.exe"
// before the launcher; decoys there must never run.
TEST_F(ServerControlTest, ARunDirectoryWithSpacesAndChineseStartsTheLauncherNotADecoy) {
  chineseRunDir = true;
  installServer();
  for (const char* decoy : {"Kovrin.exe", "Kovrin 运行.exe"}) {
    ASSERT_TRUE(CopyFileW(fakeProgram("steamcmd.exe").c_str(), driver::widen(besideRunDir(decoy)).c_str(), FALSE));
  }
  ASSERT_TRUE(startToolAndSettle());

  ASSERT_TRUE(click("启动服务端按钮"));
  EXPECT_TRUE(firstServerUp());
  EXPECT_EQ(waitText(kStatusLabel, kRunning, kFiveTicks), kRunning);
  // A decoy (the fake SteamCMD) notes every run in logs\ beside itself.
  const auto decoyRuns = readWholeFile(driver::widen(besideRunDir("logs\\fake_steamcmd.log")));
  EXPECT_FALSE(decoyRuns) << "a decoy beside the run directory was started: " << *decoyRuns;
}

}  // namespace
}  // namespace e2e
