// The fake outside programs themselves, as the other scenarios rely on them:
// the fake SteamCMD installs a server whose launcher keeps the server process
// alive, and the server process writes saves while it runs.
#include <chrono>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

// Runs a command line in the run directory; the exit code, or -1.
int run(const std::string& directory, const std::string& commandLine, DWORD waitMs = 30000) {
  std::wstring line = driver::widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      driver::widen(directory).c_str(), &startup, &info)) {
    return -1;
  }
  CloseHandle(info.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (waitMs == 0 || WaitForSingleObject(info.hProcess, waitMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}

std::string quoted(const std::string& text) {
  std::string q(1, '"');
  q += text;
  q += '"';
  return q;
}

constexpr const char* kUpdateLine = "+login anonymous +app_update 2394010 validate +quit";
constexpr const char* kServer = "steamapps\\common\\PalServer";

TEST_F(ToolFixture, TheFakeSteamCmdInstallsTheServerWhereTheToolLooksForIt) {
  putSteamCmd();
  EXPECT_EQ(run(runDir(), quoted(path("steamcmd.exe")) + " " + kUpdateLine), 0);
  EXPECT_TRUE(exists(std::string(kServer) + "\\PalServer.exe"));
  EXPECT_TRUE(exists(std::string(kServer) + "\\Pal\\Binaries\\Win64\\PalServer-Win64-Shipping-Cmd.exe"));
  const auto defaults = readFile(std::string(kServer) + "\\DefaultPalWorldSettings.ini");
  ASSERT_TRUE(defaults);
  EXPECT_NE(defaults->find("[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(Difficulty=None,"), std::string::npos);
  EXPECT_NE(defaults->find("bAllowGlobalPalboxImport=False)"), std::string::npos);
  const auto log = readFile("logs\\fake_steamcmd.log");
  ASSERT_TRUE(log);
  EXPECT_NE(log->find(kUpdateLine), std::string::npos);
}

TEST_F(ToolFixture, TheFakeSteamCmdFailsOnRequestAndInstallsNothing) {
  putSteamCmd();
  SetEnvironmentVariableW(L"KOVRIN_FAKE_STEAMCMD_FAIL", L"1");
  const int code = run(runDir(), quoted(path("steamcmd.exe")) + " " + kUpdateLine);
  SetEnvironmentVariableW(L"KOVRIN_FAKE_STEAMCMD_FAIL", nullptr);
  EXPECT_EQ(code, 8);
  EXPECT_FALSE(exists(kServer));
  // Another application is refused as well.
  EXPECT_EQ(run(runDir(), quoted(path("steamcmd.exe")) + " +login anonymous +app_update 1 +quit"), 8);
}

TEST_F(ToolFixture, TheFakeLauncherRunsTheServerWhichWritesSavesUntilItIsEnded) {
  installServer(false);
  EXPECT_FALSE(exists("steamcmd.exe"));
  ASSERT_EQ(run(runDir(), quoted(path(std::string(kServer) + "\\PalServer.exe")), 0), STILL_ACTIVE);

  const std::string saved = std::string(kServer) + "\\Pal\\Saved";
  ASSERT_TRUE(driver::waitFor([&] { return processesNamed("PalServer-Win64-Shipping-Cmd.exe").size() == 1; }, 10s));
  ASSERT_TRUE(driver::waitFor(
      [&] { return exists(saved + "\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF\\Level.sav"); }, 10s));
  EXPECT_EQ(processesNamed("PalServer.exe").size(), 1u);
  EXPECT_TRUE(exists(saved + "\\Config\\WindowsServer\\PalWorldSettings.ini"));
  const auto log = readFile(saved + "\\Logs\\PalServer.log");
  ASSERT_TRUE(log);
  EXPECT_EQ(log->rfind("started pid ", 0), 0u);

  // The saves are rewritten while the server runs.
  const auto first = readFile(saved + "\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF\\Level.sav");
  EXPECT_TRUE(driver::waitFor(
      [&] { return readFile(saved + "\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF\\Level.sav") != first; }, 5s));

  // Ending the server process ends the launcher.
  const DWORD server = processesNamed("PalServer-Win64-Shipping-Cmd.exe").front();
  HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, server);
  ASSERT_NE(h, nullptr);
  TerminateProcess(h, 0);
  CloseHandle(h);
  EXPECT_TRUE(driver::waitFor([&] { return processesNamed("PalServer.exe").empty(); }, 10s));
}

}  // namespace
}  // namespace e2e
