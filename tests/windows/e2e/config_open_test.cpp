// The configuration editor against the real kovrin.exe: when it opens, what
// it loads into its controls (fixture files of several server versions, an
// empty file the server left, no file at all), its banner, its help text, and
// that it is modal and closes without touching the file.
#include <cstdlib>
#include <utility>
#include <vector>

#include "tool_fixture.h"

namespace e2e {
namespace {

constexpr const char* kWrongGamePathMessage = "游戏路径配置不正确！";
constexpr const char* kBlankSettingsMessage =
    "配置文件为空，请确保PalServer目录下存在DefaultPalWorldSettings.ini文件，如有疑问请联系Kovrin的维护者。";
constexpr const char* kDeathPenaltyHelp =
    "死亡惩罚说明：\r\nNone（完全不掉落） \r\nItem（掉落道具）\r\nItemAndEquipment（掉落道具与装备）\r\nAll（掉落全部）";
constexpr const char* kBanList = "\"https://api.palworldgame.com/api/banlist.txt\"";

// The names of the 64 value controls: the roster without the caption labels,
// the banner and the save button.
std::vector<std::string> valueControls() {
  std::vector<std::string> names;
  for (const auto& name : driver::rosterNames(driver::Roster::Config))
    if (name.rfind("透明标签", 0) != 0 && name != "广告标签" && name != "按钮2") names.push_back(name);
  return names;
}

std::vector<std::string> emptyValueControls(const ToolWindow& window) {
  std::vector<std::string> empty;
  for (const auto& name : valueControls())
    if (window.text(name).empty()) empty.push_back(name);
  return empty;
}

// ----------------------------------------------------------- the opener --

TEST_F(ToolFixture, WithoutSteamCmdAtStartTheEditorNeverOpens) {
  ASSERT_TRUE(startTool());
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSteamCmdMissingMessage));
  ASSERT_TRUE(waitStarted());
  const std::string caption = driver::rosterCaption(driver::Roster::Config);

  ASSERT_TRUE(click("服务端配置按钮"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kWrongGamePathMessage));
  // Once the main window answers again the click's handler has ended.
  EXPECT_EQ(text("服务端配置按钮"), "服务端配置");
  EXPECT_EQ(driver::findTopLevel(caption, toolPid(), nullptr, false), nullptr);

  // SteamCMD found later does not count until the tool starts again.
  putSteamCmd();
  ASSERT_TRUE(click("服务端配置按钮"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kWrongGamePathMessage));
  EXPECT_EQ(text("服务端配置按钮"), "服务端配置");
  EXPECT_EQ(driver::findTopLevel(caption, toolPid(), nullptr, false), nullptr);
}

// ----------------------------------------------------- loading a file ---

struct LoadCase {
  const char* file;
  std::vector<std::pair<const char*, const char*>> shown;  // value control, text
  std::vector<std::string> empty;                          // controls the file has no value for
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.file; }

class ConfigLoadTest : public ToolFixture, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(ConfigLoadTest, ShowsTheFileInItsControlsAndLeavesItAsItWas) {
  const std::string original = testData(std::string("config/") + GetParam().file);
  ASSERT_TRUE(openConfigOver(original));

  const ToolWindow config = configWindow();
  for (const auto& [name, expected] : GetParam().shown) EXPECT_EQ(config.text(name), expected) << name;
  EXPECT_EQ(emptyValueControls(config), GetParam().empty);

  ASSERT_TRUE(closeConfig());
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(original));
}

INSTANTIATE_TEST_SUITE_P(
    ServerVersions, ConfigLoadTest,
    ::testing::Values(
        // The first dedicated server's defaults, CR LF, comments first.
        LoadCase{"v0.1_default.ini",
                 {{"Difficulty", "None"},
                  {"ExpRate", "1.000000"},
                  {"DeathPenalty", "All"},
                  {"ServerName", "\"Default Palworld Server\""},
                  {"ServerPassword", "\"\""},
                  {"PublicPort", "8211"},
                  {"BanListURL", kBanList}},
                 {"AllowGlobalPalboxExport", "bAllowGlobalPalboxImport"}},
        // Written on Linux: LF only, no comments, settings the editor does
        // not know between the ones it shows.
        LoadCase{"v0.3_linux.ini",
                 {{"Difficulty", "Difficult"},
                  {"ExpRate", "2.500000"},
                  {"DeathPenalty", "Item"},
                  {"BaseCampWorkerMaxNum", "15"},
                  {"AdminPassword", "\"s3cret\""},
                  {"RCONEnabled", "True"},
                  {"BanListURL", kBanList}},
                 {"AllowGlobalPalboxExport", "bAllowGlobalPalboxImport"}},
        // A current server's file: over a hundred entries, nested lists,
        // quoted texts with commas and brackets, characters GBK lacks, the
        // export switch spelled with its b, a lower-case true.
        LoadCase{"v0.6_current.ini",
                 {{"Difficulty", "None"},
                  {"bEnableInvaderEnemy", "true"},
                  {"WorkSpeedRate", "1.000000"},
                  {"ServerName", "\"霓虹帕鲁岛, 24/7 (PvE)\""},
                  {"ServerDescription", "\"欢迎 👋 환영합니다, have fun!\""},
                  {"AdminPassword", "\"p@ss,word\""},
                  {"PublicIP", "\"203.0.113.7\""},
                  {"Region", "\"亚洲\""},
                  {"AllowGlobalPalboxExport", "True"},
                  {"bAllowGlobalPalboxImport", "False"},
                  {"BanListURL", kBanList}},
                 {}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find(".ini"));
      for (char& c : name)
        if (c == '.') c = '_';
      return name;
    });

// ------------------------------------------------------ the window itself --

TEST_F(ToolFixture, TheEditorIsModalCentredOnTheScreenAndClosingDiscardsEdits) {
  const std::string original = testData("config/v0.6_current.ini");
  ASSERT_TRUE(openConfigOver(original));
  const ToolWindow config = configWindow();

  // The designed size, wholly on the screen and centred on it (a screen
  // smaller than the window would push it off).
  RECT r{};
  ASSERT_TRUE(GetWindowRect(config.hwnd(), &r));
  EXPECT_EQ(r.right - r.left, 1177);
  EXPECT_EQ(r.bottom - r.top, 698);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(config.hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT& screen = monitor.rcMonitor;
  EXPECT_TRUE(r.left >= screen.left && r.top >= screen.top && r.right <= screen.right && r.bottom <= screen.bottom)
      << "window " << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " on a screen of "
      << screen.right - screen.left << "x" << screen.bottom - screen.top;
  EXPECT_LE(std::abs((r.left - screen.left) - (screen.right - r.right)), 1);
  EXPECT_LE(std::abs((r.top - screen.top) - (screen.bottom - r.bottom)), 1);

  // Modal: the main window takes no input meanwhile.
  EXPECT_FALSE(IsWindowEnabled(mainWindow().hwnd()));
  EXPECT_EQ(config.items("Difficulty"), (std::vector<std::string>{"None", "Easy", "Difficult"}));
  EXPECT_EQ(config.items("DeathPenalty"), (std::vector<std::string>{"None", "Item", "ItemAndEquipment", "All"}));

  // Closed without saving: the file stays, and the next opening loads it
  // afresh.
  ASSERT_TRUE(config.setText("ExpRate", "9.000000"));
  ASSERT_TRUE(config.setText("ServerName", "改了但没保存"));
  ASSERT_TRUE(closeConfig());
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(original));
  ASSERT_TRUE(openConfig());
  EXPECT_EQ(configWindow().text("ExpRate"), "1.000000");
  EXPECT_EQ(configWindow().text("ServerName"), "\"霓虹帕鲁岛, 24/7 (PvE)\"");
  ASSERT_TRUE(closeConfig());
}

// ------------------------------------------------------ a blank file ---

TEST_F(ToolFixture, AnEmptySettingsFileLeftByTheServerIsFilledFromTheDefaultFile) {
  installServer();
  ASSERT_TRUE(startToolAndSettle());
  // The server leaves an empty settings file on its first start.
  ASSERT_TRUE(click("启动服务端按钮"));
  ASSERT_TRUE(driver::waitFor([&] { return exists(kPalSettingsFile); }, kMessageTimeout))
      << "the server left no settings file";
  ASSERT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(""));

  ASSERT_TRUE(openConfig());  // and no message
  const ToolWindow config = configWindow();
  EXPECT_EQ(config.text("Difficulty"), "None");
  EXPECT_EQ(config.text("DeathPenalty"), "All");
  EXPECT_EQ(config.text("ServerName"), "\"Default Palworld Server\"");
  EXPECT_EQ(config.text("BanListURL"), kBanList);
  EXPECT_EQ(config.text("bAllowGlobalPalboxImport"), "False");
  EXPECT_TRUE(emptyValueControls(config).empty());
  // The default file was copied over the empty one.
  const auto defaults = readFile(kDefaultSettingsFile);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(readFile(kPalSettingsFile), defaults);
  ASSERT_TRUE(closeConfig());
}

TEST_F(ToolFixture, WithNeitherFileTheEditorSaysSoShowsNothingAndCannotSave) {
  putSteamCmd();  // no server installed
  ASSERT_TRUE(startToolAndSettle());
  ASSERT_TRUE(startOpeningConfig());
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kBlankSettingsMessage));
  ASSERT_TRUE(waitConfigLoaded());
  EXPECT_TRUE(openMessages().empty());
  const ToolWindow config = configWindow();
  EXPECT_EQ(emptyValueControls(config), valueControls());

  // The server's folder does not exist: nothing is written.
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>("修改配置失败~"));
  EXPECT_FALSE(exists("steamapps"));
  ASSERT_TRUE(closeConfig());
}

// ------------------------------------------------- banner and help text ---

TEST_F(ToolFixture, TheBannerIsFetchedAgainEachTimeTheEditorOpens) {
  installServer();
  writeFile(kPalSettingsFile, testData("config/v0.1_default.ini"));
  ASSERT_TRUE(startToolAndSettle());
  EXPECT_EQ(text("广告标签"), kDefaultBanner);

  const std::string banner = "配置窗口的横幅 ✨ v2";
  http.set(kBannerPath, {200, banner, false});
  ASSERT_TRUE(openConfig());
  EXPECT_EQ(configWindow().text("广告标签"), banner);
  EXPECT_EQ(http.hits(kBannerPath), 2);
  ASSERT_TRUE(closeConfig());
  // The main window keeps the banner of the start.
  EXPECT_EQ(text("广告标签"), kDefaultBanner);

  http.set(kBannerPath, {503, "<html>busy</html>", false});
  ASSERT_TRUE(openConfig());
  EXPECT_EQ(configWindow().text("广告标签"), "");
  EXPECT_EQ(http.hits(kBannerPath), 3);
  ASSERT_TRUE(closeConfig());
}

TEST_F(ToolFixture, TheDeathPenaltyCaptionExplainsItsValues) {
  ASSERT_TRUE(openConfigOver(testData("config/v0.1_default.ini")));
  const ToolWindow config = configWindow();

  EXPECT_EQ(config.text("透明标签37"), "死亡惩罚(点我看说明)");
  ASSERT_TRUE(config.press("透明标签37"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kDeathPenaltyHelp));
  // The window goes on as before.
  EXPECT_TRUE(openMessages().empty());
  EXPECT_EQ(config.text("DeathPenalty"), "All");
  ASSERT_TRUE(closeConfig());
}

}  // namespace
}  // namespace e2e
