// The scheduled restart and the process guard against the fake server: the
// server process stopped, a backup of its saves taken into the kind's folder,
// the launcher started again, and what the main window shows meanwhile.
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kServerDir = "steamapps\\common\\PalServer";
constexpr const char* kWorld = "SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF";
constexpr const char* kLauncher = "PalServer.exe";
constexpr const char* kServerProcess = "PalServer-Win64-Shipping-Cmd.exe";
constexpr const char* kRunning = "服务端状态：正在运行";

std::string saved(const std::string& relative) { return std::string(kServerDir) + "\\Pal\\Saved\\" + relative; }

// The save files the fake server writes, below the save folder.
std::vector<std::string> saveFiles() {
  const std::string world = kWorld;
  return {world + "\\Level.sav", world + "\\LevelMeta.sav",
          world + "\\Players\\00000000000000000000000000000001.sav",
          world + "\\Players\\6C2E9A1B000000000000000000000000.sav",
          world + "\\Players\\D41D8CD98F00B204E9800998ECF8427E.sav", "Logs\\PalServer.log"};
}

// Subfolder names of a folder below the run directory, sorted.
std::vector<std::string> foldersIn(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(driver::widen(path + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L".." && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.push_back(driver::narrow(name));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// A snapshot's name: ten digits, "_", the date and time, "_Saved".
bool isSnapshotName(const std::string& name) {
  if (name.size() < 18 || name[10] != '_' || name.compare(name.size() - 6, 6, "_Saved") != 0) return false;
  return std::all_of(name.begin(), name.begin() + 10, [](char c) { return c >= '0' && c <= '9'; });
}

// The number a counting caption ends with ("定时重启中...\r\n42" -> 42).
std::optional<int> countOf(const std::string& caption, const std::string& prefix) {
  if (caption.size() <= prefix.size() || caption.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return std::atoi(caption.c_str() + prefix.size());
}

bool terminate(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return false;
  const bool ended = TerminateProcess(h, 1) && WaitForSingleObject(h, 5000) == WAIT_OBJECT_0;
  CloseHandle(h);
  return ended;
}

class BackupScenario : public ToolFixture {
 protected:
  // The server started from the main window, writing its saves.
  ::testing::AssertionResult startServer() {
    if (!click("启动服务端按钮")) return ::testing::AssertionFailure() << "启动服务端按钮 cannot be clicked";
    if (!driver::waitFor([&] { return processesNamed(kServerProcess).size() == 1 && exists(saved(saveFiles()[0])); },
                         20s))
      return ::testing::AssertionFailure() << "the fake server did not start";
    return ::testing::AssertionSuccess();
  }

  // Lines "started pid N" of the fake server's log, as pids.
  std::vector<DWORD> serverStarts() {
    std::vector<DWORD> pids;
    const std::string log = readFile(saved("Logs\\PalServer.log")).value_or("");
    for (std::size_t at = log.find("started pid "); at != std::string::npos; at = log.find("started pid ", at + 1))
      pids.push_back(static_cast<DWORD>(std::strtoul(log.c_str() + at + 12, nullptr, 10)));
    return pids;
  }

  // Each save file of the snapshot (below the run directory) holds what the
  // save folder holds.
  void expectSnapshotOfTheSaves(const std::string& snapshot) {
    for (const auto& file : saveFiles()) {
      const auto copy = readFile(snapshot + "\\" + file);
      ASSERT_TRUE(copy) << file;
      EXPECT_EQ(copy, readFile(saved(file))) << file;
    }
  }
};

// One whole cycle of a one-minute scheduled restart: captions 59 ... 11; at 10
// the server process ends and a restart backup of its saves is taken (with the
// keep count of the box applied); 9 ... 1 with the server down; at 0 the
// launcher starts again and the count goes back to a full minute.
TEST_F(BackupScenario, AOneMinuteScheduledRestartBacksUpWhileTheServerIsDown) {
  installServer();
  // Three older restart backups; with a keep count of 2 the two oldest go.
  const std::string kind = "ZERuvoBackup\\定时重启备份";
  for (const char* old : {"1600000001_old_Saved", "1600000002_old_Saved", "1600000003_old_Saved"})
    writeFile(kind + "\\" + old + "\\Level.sav", "old");
  ASSERT_TRUE(startToolAndSettle());
  ASSERT_TRUE(startServer());
  const DWORD firstServer = processesNamed(kServerProcess).at(0);
  ASSERT_EQ(serverStarts(), std::vector<DWORD>{firstServer});

  ASSERT_TRUE(setText("保留份数编辑框", "2"));
  ASSERT_TRUE(setText("重启时间编辑框", "1"));
  ASSERT_TRUE(click("定时重启按钮"));

  const std::string prefix = "定时重启中...\r\n";
  std::vector<int> seen;
  bool checkedDown = false;
  const auto deadline = std::chrono::steady_clock::now() + 100s;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto count = countOf(text("定时重启按钮"), prefix);
    if (count && (seen.empty() || *count != seen.back())) {
      seen.push_back(*count);
      if (*count == 0) break;
    }
    // Between 10 and 0 the server is down and its restart backup is there.
    if (count && *count <= 8 && *count >= 2 && !checkedDown) {
      checkedDown = true;
      EXPECT_TRUE(processesNamed(kServerProcess).empty()) << "at " << *count;
      EXPECT_TRUE(processesNamed(kLauncher).empty()) << "at " << *count;
      const auto snapshots = foldersIn(path(kind));
      ASSERT_EQ(snapshots.size(), 2u) << "at " << *count;
      EXPECT_EQ(snapshots[0], "1600000003_old_Saved");
      EXPECT_TRUE(isSnapshotName(snapshots[1])) << snapshots[1];
      expectSnapshotOfTheSaves(kind + "\\" + snapshots[1]);
      EXPECT_EQ(serverStarts().size(), 1u);
    }
    Sleep(100);
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(checkedDown);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_LE(seen.front(), 59);
  // Counting down one by one; a reading may be missed, never one out of order.
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i], seen[i - 1]) << "after " << seen[i - 1];
  EXPECT_GE(seen.size(), 40u);

  // At 0 the launcher was started again, and with it a new server process
  // (the old one was seen gone; Wine may hand its id out again).
  ASSERT_TRUE(driver::waitFor([&] { return processesNamed(kServerProcess).size() == 1; }, 20s));
  EXPECT_EQ(processesNamed(kLauncher).size(), 1u);
  const DWORD secondServer = processesNamed(kServerProcess).at(0);
  ASSERT_TRUE(driver::waitFor([&] { return serverStarts().size() == 2; }, 10s));
  EXPECT_EQ(serverStarts(), (std::vector<DWORD>{firstServer, secondServer}));
  // The count starts over from the box, and the settings were saved.
  EXPECT_EQ(waitText("定时重启按钮", prefix + "59"), prefix + "59");
  const std::string settings = readFile("ZEruvo\\GMSetting.ini").value_or("");
  EXPECT_NE(settings.find("CronReboot=1\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("BackupNum=2\r\n"), std::string::npos) << settings;
  EXPECT_EQ(foldersIn(path(kind)).size(), 2u);
}

// The guard finds the launcher gone within a status pass, backs up the saves
// into its own folder and starts the launcher again; the run directory has
// spaces and Chinese characters, and so has the backup root below it.
TEST_F(BackupScenario, TheGuardBacksUpAndStartsTheServerAfterTheLauncherIsKilled) {
  chineseRunDir = true;
  installServer();
  ASSERT_TRUE(startToolAndSettle());
  ASSERT_TRUE(startServer());
  ASSERT_TRUE(click("进程守护按钮"));
  EXPECT_EQ(waitText("进程守护按钮", "进程守护中..."), "进程守护中...");
  EXPECT_EQ(waitText("服务端状态标签", kRunning, 10s), kRunning);
  const auto launchers = processesNamed(kLauncher);
  ASSERT_EQ(launchers.size(), 1u);
  const DWORD firstServer = processesNamed(kServerProcess).at(0);

  ASSERT_TRUE(terminate(launchers[0]));
  const auto killed = std::chrono::steady_clock::now();
  // The pass that finds it gone says so while it backs up and starts it; the
  // old launcher has ended, so the one that runs then is new.
  EXPECT_EQ(waitText("服务端状态标签", "服务端状态：重新启动中", 10s), "服务端状态：重新启动中");
  ASSERT_TRUE(driver::waitFor([&] { return processesNamed(kLauncher).size() == 1; }, 15s));
  const auto restartedAfter = std::chrono::steady_clock::now() - killed;
  EXPECT_LE(restartedAfter, 9s) << "five ticks, and the copy";

  const std::string kind = "ZERuvoBackup\\进程守护备份";
  const auto snapshots = foldersIn(path(kind));
  ASSERT_EQ(snapshots.size(), 1u);
  EXPECT_TRUE(isSnapshotName(snapshots[0])) << snapshots[0];
  for (const auto& file : saveFiles()) EXPECT_TRUE(exists(kind + "\\" + snapshots[0] + "\\" + file)) << file;
  const auto level = readFile(kind + "\\" + snapshots[0] + "\\" + saveFiles()[0]).value_or("");
  EXPECT_EQ(level.rfind("GVAS fake level save", 0), 0u);
  // Only the launcher is watched: the old server process still runs beside
  // the new one, and the other kinds' folders were not made.
  ASSERT_TRUE(driver::waitFor([&] { return processesNamed(kServerProcess).size() == 2; }, 10s));
  const auto servers = processesNamed(kServerProcess);
  EXPECT_NE(std::find(servers.begin(), servers.end(), firstServer), servers.end());
  EXPECT_FALSE(exists("ZERuvoBackup\\定时备份"));
  EXPECT_FALSE(exists("ZERuvoBackup\\定时重启备份"));
  // The next pass finds the new launcher.
  EXPECT_EQ(waitText("服务端状态标签", kRunning, 10s), kRunning);
  EXPECT_EQ(text("进程守护按钮"), "进程守护中...");
  EXPECT_EQ(foldersIn(path(kind)).size(), 1u);
}

}  // namespace
}  // namespace e2e
