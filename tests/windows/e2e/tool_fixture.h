// The end-to-end fixture: runs the real kovrin.exe in a fresh run directory
// and works its windows through the driver.
//
// Each test gets:
//   - a new, empty run directory below the prefix's temporary folder (with
//     spaces and Chinese characters in its path when `chineseRunDir` is set
//     before startTool()), removed again afterwards;
//   - a local HTTP server (`http`) answering the version document "2.30", a
//     banner and SteamCMD's zip; KOVRIN_VERSION_URL, KOVRIN_BANNER_URL and
//     KOVRIN_STEAMCMD_URL point the tool at it;
//   - startTool(), which copies kovrin.exe into the run directory, starts it
//     and waits for its main window; and helpers to read and work the
//     controls by their roster names and to read and dismiss message boxes.
// Whatever happens, TearDown ends the tool and every process it started and
// removes the run directory.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "local_http.h"
#include "roster.h"

namespace e2e {

using std::chrono::milliseconds;

// Time-outs. Generous, because Wine on a busy machine is slow to start a
// program; a passing test never waits for them.
inline constexpr milliseconds kWindowTimeout{30000};   // main window up
inline constexpr milliseconds kStartedTimeout{30000};  // startup sequence done
inline constexpr milliseconds kMessageTimeout{15000};  // a message box shows

// Routes of the local server.
inline constexpr const char* kVersionPath = "/version.txt";
inline constexpr const char* kBannerPath = "/banner.txt";
inline constexpr const char* kSteamCmdZipPath = "/steamcmd.zip";
// The banner the local server answers by default (UTF-8, as published).
inline constexpr const char* kDefaultBanner = "欢迎使用 Kovrin 服务端管理工具";

// The server's settings files, relative to the run directory.
inline constexpr const char* kPalSettingsFile =
    "steamapps\\common\\PalServer\\Pal\\Saved\\Config\\WindowsServer\\PalWorldSettings.ini";
inline constexpr const char* kDefaultSettingsFile = "steamapps\\common\\PalServer\\DefaultPalWorldSettings.ini";

// Texts of the tool.
inline constexpr const char* kSteamCmdMissingMessage =
    "未能找到steamcmd，请将RIro放到steamcmd目录下，若安装则将会在该路径开始下载游戏！";
inline constexpr const char* kNewVersionMessage = "RIro有新版本，请点击 版本更新 及时更新！";

// Where the built programs are.
std::wstring toolExecutable();               // kovrin.exe
std::wstring toolExecutableCarryingSteamCmd();  // a test build that carries the fake steamcmd.exe
std::wstring fakeProgram(const char* name);  // steamcmd.exe, PalServer.exe, ...

// The bytes of a whole file; nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::wstring& path);
bool writeWholeFile(const std::wstring& path, const std::string& bytes);
// A file of the source tree's tests/data (e.g. "config/v0.6_current.ini");
// fails the test and gives nothing when it cannot be read.
std::string testData(const std::string& relative);

// One window of the tool, its controls reached by their roster names. Every
// function fails the test when the roster has no such name.
class ToolWindow {
 public:
  ToolWindow() = default;
  ToolWindow(driver::Roster roster, HWND hwnd) : roster_(roster), hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }

  int controlId(const std::string& name) const;
  HWND control(const std::string& name) const;  // the raw handle, for driver.h
  std::string text(const std::string& name) const;
  bool setText(const std::string& name, const std::string& value) const;  // as typed
  bool click(const std::string& name) const;  // false when disabled or missing
  bool press(const std::string& name) const;  // the left mouse button on the control
  bool enabled(const std::string& name) const;
  std::vector<std::string> items(const std::string& name) const;  // a combo box's list
  // Waits until the control's text equals `expected`; returns the last text.
  std::string waitText(const std::string& name, const std::string& expected,
                       milliseconds timeout = kMessageTimeout) const;
  std::string waitTextWhere(const std::string& name, const std::function<bool(const std::string&)>& condition,
                            milliseconds timeout = kMessageTimeout) const;

 private:
  driver::Roster roster_ = driver::Roster::Main;
  HWND hwnd_ = nullptr;
};

class ToolFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ---- the run directory (set up before startTool) ----
  // Put spaces and Chinese characters into the run directory's path.
  bool chineseRunDir = false;
  // The run directory, UTF-8, without a trailing backslash. Made on first use.
  const std::string& runDir();
  // runDir() + "\" + relative (relative uses backslashes).
  std::string path(const std::string& relative);
  // A path beside the run directory, in the folder that holds it; the folder
  // is the test's own and goes with the run directory.
  std::string besideRunDir(const std::string& name);
  bool exists(const std::string& relative);
  bool isDirectory(const std::string& relative);
  std::optional<std::string> readFile(const std::string& relative);
  void writeFile(const std::string& relative, const std::string& bytes);  // makes parents
  void makeDirectory(const std::string& relative);                        // makes parents
  // The fake SteamCMD into the run directory (so the tool finds it).
  void putSteamCmd();
  // The fake server installed below steamapps\common\PalServer, as the fake
  // SteamCMD installs it (runs it once in the run directory; it leaves
  // steamcmd.exe there only when `keepSteamCmd`).
  void installServer(bool keepSteamCmd = true);

  // ---- the local HTTP server and the tool's environment ----
  LocalHttpServer http;
  // Extra or overriding environment variables for the tool (UTF-8); an empty
  // value removes a variable. Applied by startTool().
  std::map<std::string, std::string> environment;

  // ---- the tool ----
  // Start the test build of kovrin.exe that carries the fake SteamCMD, as a
  // release build carries Valve's (set before startTool()).
  bool carriedSteamCmd = false;
  // Copies kovrin.exe into the run directory (once), starts it and waits for
  // its main window to exist (visible or not: the startup sequence may show
  // messages first). Use as ASSERT_TRUE(startTool()).
  ::testing::AssertionResult startTool();
  // Waits until the startup sequence has finished: the main window is visible
  // and the memory labels are written, which comes right before the timer is
  // armed. A failure names the message boxes that are open.
  ::testing::AssertionResult waitStarted(milliseconds timeout = kStartedTimeout);
  // startTool(), then waitStarted(), and no message box open.
  ::testing::AssertionResult startToolAndSettle();
  // Closes the main window and waits for the process to end (terminates it
  // when it does not). Started fake processes stay, as with the real tool.
  void stopTool();
  bool toolRunning() const;
  DWORD toolPid() const { return toolPid_; }
  ToolWindow mainWindow() const { return {driver::Roster::Main, main_}; }

  // ---- the main window's controls, by roster name (see ToolWindow) ----
  int controlId(const std::string& name) { return mainWindow().controlId(name); }
  HWND control(const std::string& name) { return mainWindow().control(name); }
  std::string text(const std::string& name) { return mainWindow().text(name); }
  bool setText(const std::string& name, const std::string& value) { return mainWindow().setText(name, value); }
  bool click(const std::string& name) { return mainWindow().click(name); }
  bool enabled(const std::string& name) { return mainWindow().enabled(name); }
  std::string waitText(const std::string& name, const std::string& expected,
                       milliseconds timeout = kMessageTimeout) {
    return mainWindow().waitText(name, expected, timeout);
  }
  std::string waitTextWhere(const std::string& name, const std::function<bool(const std::string&)>& condition,
                            milliseconds timeout = kMessageTimeout) {
    return mainWindow().waitTextWhere(name, condition, timeout);
  }

  // ---- the configuration window "幻兽帕鲁配置修改" ----
  // Clicks 服务端配置按钮 (a posted click: the window is modal) and waits for
  // the window and all its controls; its load handler may still be running.
  ::testing::AssertionResult startOpeningConfig();
  // Waits until the window is shown, which it is once its load handler has
  // finished. A failure names the message boxes that are open.
  ::testing::AssertionResult waitConfigLoaded(milliseconds timeout = kMessageTimeout);
  // Both: the window open, loaded, and no message box open.
  ::testing::AssertionResult openConfig();
  // The server installed with `settings` as its PalWorldSettings.ini, the
  // tool started and settled, then openConfig().
  ::testing::AssertionResult openConfigOver(const std::string& settings);
  ToolWindow configWindow() const { return {driver::Roster::Config, config_}; }
  // Closes it by its title bar's close box and waits until it is gone and
  // the main window takes input again.
  ::testing::AssertionResult closeConfig();

  // Waits for the tick's next status pass (it marks the status label and waits
  // until a pass writes it again). Right after it, the following pass is five
  // ticks away.
  ::testing::AssertionResult waitStatusPass(milliseconds timeout = milliseconds(10000));

  // ---- message boxes of the tool ("信息：") ----
  // Waits for the next box, reads it and clicks OK. Nothing when none came.
  std::optional<std::string> nextMessage(milliseconds timeout = kMessageTimeout);
  // The texts of the boxes open now.
  std::vector<std::string> openMessages();

  // ---- processes ----
  // Processes whose executable lies in the run directory tree, by file name
  // (case-insensitive), e.g. "PalServer.exe".
  std::vector<DWORD> processesNamed(const std::string& exeName);

 private:
  // Success when no message box is open; else a failure naming the first.
  ::testing::AssertionResult noMessageOpen();
  // A failure saying `what`, with the message boxes open now.
  ::testing::AssertionResult failureWithOpenMessages(const std::string& what);
  void makeRunDir();
  void killEverything();
  void removeRunDir();

  std::wstring folderW_;  // holds the run directory
  std::wstring runDirW_;
  std::string runDir_;
  std::map<std::wstring, std::optional<std::wstring>> savedEnvironment_;
  HANDLE job_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD toolPid_ = 0;
  HWND main_ = nullptr;
  HWND config_ = nullptr;
};

}  // namespace e2e
