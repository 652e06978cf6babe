#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/tool.h"
#include "fakes.h"
#include "platform/text.h"

namespace kovrin {
namespace {

using fakes::MemoryWindow;

constexpr const char* kSteamCmdMissing =
    "未能找到steamcmd，请将RIro放到steamcmd目录下，若安装则将会在该路径开始下载游戏！";
constexpr const char* kNewVersion = "RIro有新版本，请点击 版本更新 及时更新！";

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    fake.environment.exeDir = "C:\\steam cmd\\运行";
    fake.files.addDirectory("C:\\steam cmd\\运行");
    fake.files.addFile("C:\\steam cmd\\运行\\steamcmd.exe", "MZ");
    fake.environment.variables["KOVRIN_VERSION_URL"] = "http://127.0.0.1:9/version";
    fake.environment.variables["KOVRIN_BANNER_URL"] = "http://127.0.0.1:9/banner";
  }

  // One start of the tool: the main window is created and closed again.
  MemoryWindow& start() {
    programEntry(fake.platform);
    return *fake.gui.mainWindow;
  }

  std::string settings() { return fake.files.file("C:\\steam cmd\\运行\\ZEruvo\\GMSetting.ini"); }

  void serve(const std::string& what, int status, const std::string& body) {
    fake.http.responses["http://127.0.0.1:9/" + what] = HttpResponse{status, body};
  }

  fakes::FakePlatform fake;
};

TEST_F(StartupTest, FirstStartCreatesTheToolDirectoryAndTheSixDefaultsInKeyOrder) {
  MemoryWindow& w = start();
  EXPECT_TRUE(fake.files.isDirectory("C:\\steam cmd\\运行\\ZEruvo"));
  EXPECT_EQ(settings(), toGbk("[Basic]\r\n"
                              "Server=C:\\Users\\Administrator\\Desktop\\PalServer\r\n"
                              "Backup=C:\\steam cmd\\运行\\ZERuvoBackup\r\n"
                              "MemClear=1\r\n"
                              "CronBackup=60\r\n"
                              "CronReboot=60\r\n"
                              "BackupNum=10\r\n"));
  EXPECT_EQ(w.text("备份时间编辑框"), "60");
  EXPECT_EQ(w.text("重启时间编辑框"), "60");
  EXPECT_EQ(w.text("编辑框1"), "1");
  EXPECT_EQ(w.text("保留份数编辑框"), "10");
  EXPECT_EQ(w.text("备份路径编辑框"), "C:\\steam cmd\\运行\\ZERuvoBackup");
  EXPECT_EQ(w.text("文件路径编辑框"), "C:\\steam cmd\\运行");
  EXPECT_EQ(w.period("时钟1"), 1000);
  EXPECT_EQ(fake.environment.currentDir, "C:\\steam cmd\\运行");
  EXPECT_TRUE(fake.gui.messages().empty());
  // The status controls keep their design values until the first status pass.
  EXPECT_EQ(w.text("更新游戏按钮"), "更新服务端");
  EXPECT_EQ(w.text("服务端状态标签"), "服务端状态：未运行");
}

TEST_F(StartupTest, StateAfterStartup) {
  Tool tool(fake.platform, "C:\\steam cmd\\运行");
  tool.state.guardOn = tool.state.cronBackupOn = tool.state.cronRebootOn = 1;
  tool.state.memClearAutoOn = 1;
  MemoryWindow w(mainWindowSpec(tool));
  onMainWindowCreated(tool, w);
  const ToolState& s = tool.state;
  EXPECT_EQ(tool.main, &w);
  EXPECT_EQ(s.serverRoot, "C:\\steam cmd\\运行");
  EXPECT_EQ(s.palSettingsPath,
            "C:\\steam cmd\\运行\\steamapps\\common\\PalServer\\Pal\\Saved\\Config\\WindowsServer\\"
            "PalWorldSettings.ini");
  EXPECT_EQ(s.backupRoot, "C:\\steam cmd\\运行\\ZERuvoBackup");
  EXPECT_EQ(s.steamCmdFound, 1);
  EXPECT_EQ(s.guardOn + s.cronBackupOn + s.cronRebootOn + s.memClearAutoOn, 0);
  EXPECT_EQ(s.statusTickLeft, 5);
  EXPECT_EQ(s.memClearLeft, 60);
}

TEST_F(StartupTest, ASecondStartKeepsEditedValuesAndRestoresEmptiedOnes) {
  const std::string path = "C:\\steam cmd\\运行\\ZEruvo\\GMSetting.ini";
  fake.files.addFile(path, toGbk("[Basic]\r\nServer=D:\\elsewhere\r\nBackup=\r\nMemClear=５\r\n"
                                 "CronBackup=abc\r\nCronReboot=\r\nBackupNum=3\r\n"));
  MemoryWindow& w = start();
  EXPECT_EQ(w.text("编辑框1"), "５");
  EXPECT_EQ(w.text("备份时间编辑框"), "abc");  // kept as typed
  EXPECT_EQ(w.text("重启时间编辑框"), "60");   // restored
  EXPECT_EQ(w.text("保留份数编辑框"), "3");
  EXPECT_EQ(w.text("备份路径编辑框"), "C:\\steam cmd\\运行\\ZERuvoBackup");
  // The server is looked for below the run directory whatever Server says.
  EXPECT_EQ(w.text("文件路径编辑框"), "C:\\steam cmd\\运行");
  EXPECT_EQ(settings(), toGbk("[Basic]\r\nServer=D:\\elsewhere\r\nBackup=C:\\steam cmd\\运行\\ZERuvoBackup\r\n"
                              "MemClear=５\r\nCronBackup=abc\r\nCronReboot=60\r\nBackupNum=3\r\n"));
}

TEST_F(StartupTest, WithoutSteamCmdItsMessageComesBeforeTheVersionNoticeAndBeforeTheTimer) {
  fake.files.deleteFile("C:\\steam cmd\\运行\\steamcmd.exe");
  serve("version", 200, "2.31");
  std::vector<int> periodsSeen;
  fake.gui.whileMessageOpen = [&](const std::string&) {
    periodsSeen.push_back(fake.gui.mainWindow->period("时钟1"));
  };
  start();
  EXPECT_EQ(fake.gui.messages(), (std::vector<std::string>{kSteamCmdMissing, kNewVersion}));
  EXPECT_EQ(periodsSeen, (std::vector<int>{0, 0}));
}

TEST_F(StartupTest, ASteamCmdDirectoryCountsAsFound) {
  fake.files.deleteFile("C:\\steam cmd\\运行\\steamcmd.exe");
  fake.files.addDirectory("C:\\steam cmd\\运行\\steamcmd.exe");
  start();
  EXPECT_TRUE(fake.gui.messages().empty());
}

struct VersionCase {
  std::optional<int> status;  // nothing: no response at all
  std::string body;
  bool notice;
};

class VersionNoticeTest : public StartupTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionNoticeTest, ShownOnlyForA200BodyThatNamesAnotherVersion) {
  const VersionCase& c = GetParam();
  if (c.status) serve("version", *c.status, c.body);
  start();
  EXPECT_EQ(fake.gui.messages().size(), c.notice ? 1u : 0u);
  if (c.notice) {
    EXPECT_EQ(fake.gui.messages().front(), kNewVersion);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, VersionNoticeTest,
    ::testing::Values(VersionCase{std::nullopt, "", false},       // offline
                      VersionCase{404, "2.31", false},            // an error page
                      VersionCase{500, "", false},
                      VersionCase{200, "2.30", false},
                      VersionCase{200, "2.30\r\n", false},
                      VersionCase{200, " \t2.30\n\n", false},
                      VersionCase{200, "\xEF\xBB\xBF" "2.30\r\n", false},
                      VersionCase{200, std::string("2.30\0junk", 9), false},
                      VersionCase{200, "2.31", true},
                      VersionCase{200, "2.3", true},
                      VersionCase{200, "v2.30", true}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(StartupTest, BannerTakesOnlyA200BodyUpToItsFirstZeroByte) {
  serve("banner", 200, std::string("欢迎 Kovrin\0hidden", 20));
  MemoryWindow& w = start();
  EXPECT_EQ(w.text("广告标签"), "欢迎 Kovrin");
}

TEST_F(StartupTest, BannerIsEmptyOfflineOrOnAnErrorPage) {
  MemoryWindow& offline = start();
  EXPECT_EQ(offline.text("广告标签"), "");
  serve("banner", 404, "<html>Not Found</html>");
  MemoryWindow& error = start();
  EXPECT_EQ(error.text("广告标签"), "");
}

TEST_F(StartupTest, BannerWithInvalidUtf8StillGivesValidText) {
  serve("banner", 200, "ok\xFF\xFE!");
  MemoryWindow& w = start();
  EXPECT_TRUE(isValidUtf8(w.text("广告标签")));
  EXPECT_EQ(w.text("广告标签").substr(0, 2), "ok");
}

TEST_F(StartupTest, DocumentsComeFromTheConfiguredAddressesWithShortTimeOuts) {
  start();
  ASSERT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(fake.http.requests[0].first, "http://127.0.0.1:9/version");
  EXPECT_EQ(fake.http.requests[1].first, "http://127.0.0.1:9/banner");
  for (const auto& [url, timeout] : fake.http.requests) {
    EXPECT_GT(timeout, 0) << url;
    EXPECT_LE(timeout, 5000) << url;
  }
  fake.environment.variables.clear();
  fake.http.requests.clear();
  start();
  ASSERT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(fake.http.requests[0].first, KOVRIN_VERSION_URL);
  EXPECT_EQ(fake.http.requests[1].first, KOVRIN_BANNER_URL);
}

TEST_F(StartupTest, AnUnwritableToolDirectoryLeavesTheBoxesEmptyAndStartsAnyway) {
  fake.files.lock("C:\\steam cmd\\运行\\ZEruvo");
  Tool tool(fake.platform, "C:\\steam cmd\\运行");
  MemoryWindow w(mainWindowSpec(tool));
  onMainWindowCreated(tool, w);
  for (const char* box : {"编辑框1", "备份时间编辑框", "重启时间编辑框", "保留份数编辑框", "备份路径编辑框"})
    EXPECT_EQ(w.text(box), "") << box;
  EXPECT_EQ(tool.state.backupRoot, "");
  EXPECT_EQ(tool.state.memClearLeft, 0);
  EXPECT_EQ(w.period("时钟1"), 1000);
}

TEST_F(StartupTest, ASettingsFileThatIsAFolderOrGarbageStillStarts) {
  fake.files.addFile("C:\\steam cmd\\运行\\ZEruvo\\GMSetting.ini", std::string("\0\xFF\xFE[Basic\r\n=\r\n", 13));
  MemoryWindow& w = start();
  EXPECT_EQ(w.period("时钟1"), 1000);
  fake.files.deleteFile("C:\\steam cmd\\运行\\ZEruvo\\GMSetting.ini");
  fake.files.addDirectory("C:\\steam cmd\\运行\\ZEruvo\\GMSetting.ini");
  MemoryWindow& again = start();
  EXPECT_EQ(again.text("编辑框1"), "");
  EXPECT_EQ(again.period("时钟1"), 1000);
}

}  // namespace
}  // namespace kovrin
