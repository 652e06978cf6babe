// First start, second start, the startup messages, the version notice and the
// banner, against the real kovrin.exe.
#include <chrono>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::string gbk(const std::string& utf8) {
  const std::wstring wide = driver::widen(utf8);
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// ------------------------------------------------------------ first start --

class FirstStartTest : public ToolFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(FirstStartTest, CreatesTheSettingsFileWithTheSixDefaultsInKeyOrder) {
  chineseRunDir = GetParam();
  putSteamCmd();
  ASSERT_FALSE(exists("ZEruvo"));
  ASSERT_TRUE(startToolAndSettle());

  EXPECT_TRUE(isDirectory("ZEruvo"));
  const auto settings = readFile("ZEruvo\\GMSetting.ini");
  ASSERT_TRUE(settings);
  const std::string expected = gbk("[Basic]\r\n"
                                   "Server=C:\\Users\\Administrator\\Desktop\\PalServer\r\n"
                                   "Backup=" + runDir() + "\\ZERuvoBackup\r\n"
                                   "MemClear=1\r\n"
                                   "CronBackup=60\r\n"
                                   "CronReboot=60\r\n"
                                   "BackupNum=10\r\n");
  EXPECT_EQ(*settings, expected);
}

TEST_P(FirstStartTest, ShowsTheDefaultsAndThePaths) {
  chineseRunDir = GetParam();
  putSteamCmd();
  ASSERT_TRUE(startToolAndSettle());

  EXPECT_EQ(text("备份时间编辑框"), "60");
  EXPECT_EQ(text("重启时间编辑框"), "60");
  EXPECT_EQ(text("编辑框1"), "1");
  EXPECT_EQ(text("保留份数编辑框"), "10");
  EXPECT_EQ(text("文件路径编辑框"), runDir());
  EXPECT_EQ(text("备份路径编辑框"), runDir() + "\\ZERuvoBackup");
  EXPECT_EQ(text("广告标签"), kDefaultBanner);
  // Nothing is started or created beyond the tool's own folder.
  EXPECT_FALSE(exists("ZERuvoBackup"));
  EXPECT_FALSE(exists("update.bat"));
}

INSTANTIATE_TEST_SUITE_P(RunDirectories, FirstStartTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("SpacesAndChinese") : std::string("Plain");
                         });

// ----------------------------------------------------------- second start --

TEST_F(ToolFixture, SecondStartKeepsEditedValuesAndRestoresAnEmptiedOne) {
  putSteamCmd();
  ASSERT_TRUE(startToolAndSettle());
  stopTool();

  writeFile("ZEruvo\\GMSetting.ini", gbk("[Basic]\r\n"
                                         "Server=D:\\其他\\PalServer\r\n"
                                         "Backup=D:\\备份\r\n"
                                         "MemClear=5\r\n"
                                         "CronBackup=abc\r\n"
                                         "CronReboot=\r\n"
                                         "BackupNum=3\r\n"));
  ASSERT_TRUE(startToolAndSettle());

  EXPECT_EQ(text("编辑框1"), "5");
  EXPECT_EQ(text("备份时间编辑框"), "abc");
  EXPECT_EQ(text("重启时间编辑框"), "60");
  EXPECT_EQ(text("保留份数编辑框"), "3");
  EXPECT_EQ(text("备份路径编辑框"), "D:\\备份");
  // The server is always looked for below the run directory.
  EXPECT_EQ(text("文件路径编辑框"), runDir());

  const auto settings = readFile("ZEruvo\\GMSetting.ini");
  ASSERT_TRUE(settings);
  EXPECT_NE(settings->find("CronReboot=60\r\n"), std::string::npos) << *settings;
  EXPECT_NE(settings->find("CronBackup=abc\r\n"), std::string::npos) << *settings;
  EXPECT_NE(settings->find(gbk("Server=D:\\其他\\PalServer\r\n")), std::string::npos) << *settings;
}

// -------------------------------------------------------------- messages --

TEST_F(ToolFixture, TheSteamCmdMessageComesBeforeTheVersionNotice) {
  http.set(kVersionPath, {200, "2.31", false});
  ASSERT_TRUE(startTool());

  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSteamCmdMissingMessage));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kNewVersionMessage));
  ASSERT_TRUE(waitStarted());
  EXPECT_TRUE(openMessages().empty());
}

TEST_F(ToolFixture, WithoutSteamCmdAndAnEqualVersionOnlyTheSteamCmdMessageShows) {
  ASSERT_TRUE(startTool());
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSteamCmdMissingMessage));
  ASSERT_TRUE(waitStarted());
  EXPECT_TRUE(openMessages().empty());
}

// ------------------------------------------------------- version document --

struct VersionCase {
  const char* name;
  int status;
  const char* body;
  bool notice;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class VersionNoticeTest : public ToolFixture, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionNoticeTest, ShowsTheNoticeOnlyForADifferentPublishedVersion) {
  putSteamCmd();
  http.set(kVersionPath, {GetParam().status, GetParam().body, false});
  ASSERT_TRUE(startTool());
  if (GetParam().notice) {
    EXPECT_EQ(nextMessage(), std::optional<std::string>(kNewVersionMessage));
  }
  // The startup sequence finishes only after the version step: a notice that
  // is not wanted would hold it up here.
  ASSERT_TRUE(waitStarted());
  EXPECT_TRUE(openMessages().empty());
  EXPECT_EQ(http.hits(kVersionPath), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, VersionNoticeTest,
    ::testing::Values(VersionCase{"Same", 200, "2.30", false},
                      VersionCase{"Newer", 200, "2.31", true},
                      VersionCase{"SameWithLineBreak", 200, "2.30\r\n", false},
                      VersionCase{"SameWithByteOrderMark", 200, "\xEF\xBB\xBF" "2.30", false},
                      VersionCase{"ErrorPage", 404, "2.31", false},
                      VersionCase{"ServerError", 500, "<html>error</html>", false},
                      VersionCase{"Empty", 200, "", true}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- offline --

TEST_F(ToolFixture, OfflineStartShowsNeitherNoticeNorBanner) {
  putSteamCmd();
  environment["KOVRIN_VERSION_URL"] = closedPortUrl(kVersionPath);
  environment["KOVRIN_BANNER_URL"] = closedPortUrl(kBannerPath);
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(startToolAndSettle());
  EXPECT_LT(std::chrono::steady_clock::now() - before, 20s);
  EXPECT_EQ(text("广告标签"), "");
  EXPECT_EQ(text("备份时间编辑框"), "60");
}

TEST_F(ToolFixture, AServerThatNeverAnswersHoldsTheStartOnlyForTheTimeOuts) {
  putSteamCmd();
  http.set(kVersionPath, {200, "2.31", true});
  http.set(kBannerPath, {200, "never sent", true});
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(startToolAndSettle());
  // Two requests with a time-out of a few seconds each.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 25s);
  EXPECT_EQ(text("广告标签"), "");
  EXPECT_EQ(http.hits(kVersionPath), 1);
  EXPECT_EQ(http.hits(kBannerPath), 1);
}

TEST_F(ToolFixture, ABannerFromAnErrorPageIsNotShown) {
  putSteamCmd();
  http.set(kBannerPath, {503, "<html>busy</html>", false});
  ASSERT_TRUE(startToolAndSettle());
  EXPECT_EQ(text("广告标签"), "");
}

}  // namespace
}  // namespace e2e
