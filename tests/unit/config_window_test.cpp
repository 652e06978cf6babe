#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/startup.h"
#include "app/tool.h"
#include "config/config_window.h"
#include "config/option_codec.h"
#include "config/settings_file.h"
#include "config_test_support.h"
#include "fakes.h"

namespace kovrin {
namespace {

using config_test::fixture;
using config_test::indexOf;
using config_test::replacedOnce;
using config_test::valuesOf;

// ---------------------------------------------------------------- roster ---

class ConfigRosterTest : public ::testing::Test {
 protected:
  fakes::FakePlatform os;
  Tool tool{os.platform, "C:\\steamcmd"};
  WindowSpec layout = configWindowSpec(tool);
};

TEST_F(ConfigRosterTest, IsTheEditorWindow) {
  EXPECT_EQ(layout.name, "ConfigWindow");
  EXPECT_EQ(layout.caption, "幻兽帕鲁配置修改");
  EXPECT_EQ(layout.width, 1177);
  EXPECT_EQ(layout.height, 698);
  EXPECT_TRUE(layout.onCreated);
  EXPECT_FALSE(layout.onDestroy);  // closing is not intercepted
}

TEST_F(ConfigRosterTest, HasACaptionLabelAndAValueControlPerSetting) {
  ASSERT_EQ(layout.controls.size(), 130u);
  std::set<std::string> names;
  int edits = 0, combos = 0, labels = 0;
  for (const auto& c : layout.controls) {
    EXPECT_TRUE(names.insert(c.name).second) << "twice: " << c.name;
    edits += c.kind == ControlKind::Edit;
    combos += c.kind == ControlKind::Combo;
    labels += c.kind == ControlKind::Label;
  }
  EXPECT_EQ(edits, 44);
  EXPECT_EQ(combos, 20);
  EXPECT_EQ(labels, 65);  // 64 captions and the banner
  for (std::size_t i = 0; i < 128; i += 2) {
    const ControlSpec& label = layout.controls[i];
    const ControlSpec& value = layout.controls[i + 1];
    EXPECT_EQ(label.name, "透明标签" + std::to_string(13 + i / 2));
    EXPECT_EQ(label.kind, ControlKind::Label);
    EXPECT_EQ(label.rect.height, 16) << label.name;
    EXPECT_LT(label.rect.left, value.rect.left) << label.name;
    EXPECT_FALSE(label.caption.empty());
    EXPECT_FALSE(label.textColor);
    const OptionField& field = optionFields[indexOf(value.name)];
    EXPECT_EQ(value.kind, field.kind) << value.name;
    EXPECT_EQ(value.caption, "") << value.name;  // empty at creation
    EXPECT_EQ(value.rect.width, value.name == "BanListURL" ? 208 : 120) << value.name;
    EXPECT_EQ(value.rect.height, field.kind == ControlKind::Combo ? 20 : 32) << value.name;
    EXPECT_EQ(value.items, std::vector<std::string>(field.choices.begin(), field.choices.end())) << value.name;
    EXPECT_EQ(value.event, ControlEvent::None);
    EXPECT_EQ(label.event, label.name == "透明标签37" ? ControlEvent::LeftButtonDown : ControlEvent::None);
  }
}

TEST_F(ConfigRosterTest, PlacesTheControlsAsDesigned) {
  struct Placed {
    const char* label;
    const char* caption;
    Rect labelRect;
    const char* control;
    Rect controlRect;
  };
  const Placed samples[] = {
      {"透明标签13", "难度", {8, 16, 40, 16}, "Difficulty", {160, 16, 120, 20}},
      {"透明标签28", "宠物耐力下降率", {8, 616, 168, 16}, "PalStaminaDecreaceRate", {160, 608, 120, 32}},
      {"透明标签29", "宠物自动生命恢复率", {288, 16, 168, 16}, "PalAutoHPRegeneRate", {448, 8, 120, 32}},
      {"透明标签37", "死亡惩罚(点我看说明)", {288, 336, 152, 16}, "DeathPenalty", {448, 336, 120, 20}},
      {"透明标签44", "封锁清单URL", {288, 616, 224, 16}, "BanListURL", {360, 608, 208, 32}},
      {"透明标签51", "没有在线的玩家公会自动重置时间", {576, 256, 200, 16}, "AutoResetGuildTimeNoOnlinePlayers", {760, 248, 120, 32}},
      {"透明标签55", "是否多人游玩", {576, 416, 88, 16}, "bIsMultiplay", {760, 408, 120, 20}},
      {"透明标签61", "登出后是否保留玩家", {888, 16, 200, 16}, "bExistPlayerAfterLogout", {1040, 16, 120, 20}},
      {"透明标签65", "服务器名称（往下内容连看）", {888, 176, 200, 16}, "ServerName", {1040, 168, 120, 32}},
      {"透明标签73", "地区（在双引号中间填内容）", {888, 496, 200, 16}, "Region", {1040, 488, 120, 32}},
      {"透明标签76", "全局帕鲁终端导入", {888, 616, 168, 16}, "bAllowGlobalPalboxImport", {1040, 616, 120, 20}},
  };
  auto same = [](const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  };
  for (const Placed& p : samples) {
    const ControlSpec* label = layout.find(p.label);
    const ControlSpec* control = layout.find(p.control);
    ASSERT_TRUE(label && control) << p.label;
    EXPECT_EQ(label->caption, p.caption);
    EXPECT_TRUE(same(label->rect, p.labelRect)) << p.label;
    EXPECT_TRUE(same(control->rect, p.controlRect)) << p.control;
    // The label stands right before its control in the roster.
    EXPECT_EQ(control - label, 1) << p.label;
  }
  const ControlSpec* banner = layout.find("广告标签");
  ASSERT_TRUE(banner);
  EXPECT_EQ(banner->kind, ControlKind::Label);
  EXPECT_TRUE(same(banner->rect, {168, 648, 472, 16}));
  EXPECT_EQ(banner->textColor, 0xFF80C0u);  // pink: 255, 128, 192
  EXPECT_FALSE(banner->caption.empty());
  const ControlSpec* save = layout.find("按钮2");
  ASSERT_TRUE(save);
  EXPECT_EQ(save->kind, ControlKind::Button);
  EXPECT_TRUE(same(save->rect, {768, 640, 160, 24}));
  EXPECT_EQ(save->caption, "保存服务器配置");
  EXPECT_EQ(save->event, ControlEvent::Clicked);
  // The roster shows every setting once, column by column.
  std::set<std::string_view> shown;
  for (const auto& c : layout.controls)
    if (c.kind == ControlKind::Edit || c.kind == ControlKind::Combo) shown.insert(c.name);
  EXPECT_EQ(shown.size(), 64u);
}

// ------------------------------------------------------------- handlers ---

class ConfigWindowTest : public ::testing::Test {
 protected:
  ConfigWindowTest() {
    tool.state.serverRoot = tool.paths.runDir;
    tool.state.palSettingsPath = palSettingsPathOf(tool.paths.runDir);
    tool.state.steamCmdFound = 1;
    os.files.addDirectory(configDir);
    os.http.responses[bannerUrl(tool)] = HttpResponse{200, "欢迎使用 👋"};
  }

  // Opens the editor from the main window's button; `whileOpen` acts in it.
  void open(std::function<void(fakes::MemoryWindow&)> whileOpen = {}) {
    os.gui.whileModalRuns = std::move(whileOpen);
    onConfigClicked(tool);
  }

  std::string settings() { return os.files.file(tool.state.palSettingsPath); }

  fakes::FakePlatform os;
  Tool tool{os.platform, "C:\\steamcmd"};
  const std::string configDir = "C:\\steamcmd\\steamapps\\common\\PalServer\\Pal\\Saved\\Config\\WindowsServer";
};

TEST_F(ConfigWindowTest, OpensOnlyWhenSteamCmdWasFound) {
  tool.state.steamCmdFound = 0;
  onConfigClicked(tool);
  EXPECT_EQ(os.gui.modalsOpened, 0);
  EXPECT_EQ(os.gui.messages(), std::vector<std::string>{"游戏路径配置不正确！"});
  tool.state.steamCmdFound = 1;
  os.files.addFile(tool.state.palSettingsPath, fixture("v0.3_linux.ini"));
  onConfigClicked(tool);
  EXPECT_EQ(os.gui.modalsOpened, 1);
  ASSERT_TRUE(os.gui.modalWindow);
  EXPECT_EQ(os.gui.modalWindow->layout().caption, "幻兽帕鲁配置修改");
}

TEST_F(ConfigWindowTest, LoadsTheBannerAndEverySetting) {
  const std::string original = fixture("v0.6_current.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  open();
  fakes::MemoryWindow& w = *os.gui.modalWindow;
  EXPECT_EQ(w.text("广告标签"), "欢迎使用 👋");
  const OptionValues expected = valuesOf(original);
  for (std::size_t i = 0; i < kOptionCount; ++i) EXPECT_EQ(w.text(optionFields[i].control), expected[i]);
  EXPECT_EQ(w.text("ServerDescription"), "\"欢迎 👋 환영합니다, have fun!\"");
  EXPECT_EQ(w.text("bEnableInvaderEnemy"), "true");  // not one of the items, shown as written
  EXPECT_EQ(w.text("AllowGlobalPalboxExport"), "True");
  EXPECT_TRUE(os.gui.messages().empty());
  EXPECT_EQ(settings(), original);  // closing without a save changes nothing
  ASSERT_FALSE(os.http.requests.empty());
  EXPECT_EQ(os.http.requests.back().first, bannerUrl(tool));
}

TEST_F(ConfigWindowTest, AFailedBannerFetchLeavesTheBannerEmpty) {
  os.http.responses.clear();
  os.files.addFile(tool.state.palSettingsPath, fixture("v0.3_linux.ini"));
  open();
  EXPECT_EQ(os.gui.modalWindow->text("广告标签"), "");
  EXPECT_EQ(os.gui.modalWindow->text("ExpRate"), "2.500000");
}

TEST_F(ConfigWindowTest, ABlankFileFallsBackToTheDefaultFile) {
  const std::string defaults = fixture("v0.1_default.ini");
  os.files.addFile(tool.paths.defaultSettingsPath, defaults);
  os.files.addFile(tool.state.palSettingsPath, "\r\n");
  open();
  EXPECT_EQ(os.gui.modalWindow->text("ServerName"), "\"Default Palworld Server\"");
  EXPECT_EQ(os.gui.modalWindow->text("BanListURL"), "\"https://api.palworldgame.com/api/banlist.txt\"");
  EXPECT_EQ(settings(), defaults);
  EXPECT_TRUE(os.gui.messages().empty());
}

TEST_F(ConfigWindowTest, WithNeitherFileItWarnsOnceAndSavesTheQuotedFieldsOnly) {
  open([](fakes::MemoryWindow& w) { w.click("按钮2"); });
  fakes::MemoryWindow& w = *os.gui.modalWindow;
  for (const auto& f : optionFields) EXPECT_EQ(w.text(f.control), f.quoteOnSave ? "\"\"" : "") << f.control;
  OptionValues expected;
  for (std::string_view name : kQuotedFields) expected[indexOf(name)] = "\"\"";
  EXPECT_EQ(settings(), composeSettingsText(expected));
  EXPECT_EQ(os.gui.messages(),
            (std::vector<std::string>{kBlankSettingsMessage, "修改配置成功，请重新启动一下服务器~"}));
}

TEST_F(ConfigWindowTest, SavesAnEditAndShowsTheQuotesItWrote) {
  const std::string original = fixture("v0.6_current.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  open([](fakes::MemoryWindow& w) {
    w.type("ServerName", "新服务器 🎮");
    w.type("Difficulty", "Easy");
    w.click("按钮2");
  });
  fakes::MemoryWindow& w = *os.gui.modalWindow;
  EXPECT_EQ(w.text("ServerName"), "\"新服务器 🎮\"");
  const std::string expected = replacedOnce(
      replacedOnce(original, "ServerName=\"霓虹帕鲁岛, 24/7 (PvE)\",", "ServerName=\"新服务器 🎮\","),
      "Difficulty=None,", "Difficulty=Easy,");
  EXPECT_EQ(settings(), expected);
  EXPECT_EQ(os.gui.messages(), std::vector<std::string>{"修改配置成功，请重新启动一下服务器~"});
}

TEST_F(ConfigWindowTest, SavingTwiceWritesTheSameFileAndAddsNoFurtherQuotes) {
  // An early file whose quoted fields were written bare.
  std::string original = fixture("v0.1_default.ini");
  original = replacedOnce(original, "ServerName=\"Default Palworld Server\"", "ServerName=My Server");
  original = replacedOnce(original, "Region=\"\"", "Region=");
  os.files.addFile(tool.state.palSettingsPath, original);
  std::vector<std::string> afterEach;
  open([&](fakes::MemoryWindow& w) {
    w.click("按钮2");
    afterEach.push_back(settings());
    w.click("按钮2");
    afterEach.push_back(settings());
  });
  const std::string expected =
      replacedOnce(replacedOnce(original, "ServerName=My Server", "ServerName=\"My Server\""), "Region=,",
                   "Region=\"\",");
  ASSERT_EQ(afterEach.size(), 2u);
  EXPECT_EQ(afterEach[0], expected);  // the quotes are the only change
  EXPECT_EQ(afterEach[1], expected);
  EXPECT_EQ(os.gui.modalWindow->text("ServerName"), "\"My Server\"");
  EXPECT_EQ(os.gui.modalWindow->history("ServerName").size(), 2u);  // loaded, then quoted once
}

TEST_F(ConfigWindowTest, AFailedWriteKeepsTheTextsAndSaysSo) {
  const std::string original = fixture("v0.3_linux.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  os.files.lock(tool.state.palSettingsPath);
  open([](fakes::MemoryWindow& w) {
    w.type("ExpRate", "9");
    w.click("按钮2");
  });
  EXPECT_EQ(os.gui.modalWindow->text("ExpRate"), "9");
  EXPECT_EQ(settings(), original);
  EXPECT_EQ(os.gui.messages(), std::vector<std::string>{"修改配置失败~"});
}

TEST_F(ConfigWindowTest, AValueThatWouldNotReadBackIsRefused) {
  const std::string original = fixture("v0.3_linux.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  open([](fakes::MemoryWindow& w) {
    w.type("ExpRate", "1,5");
    w.click("按钮2");
  });
  EXPECT_EQ(settings(), original);
  EXPECT_EQ(os.gui.messages(), std::vector<std::string>{"修改配置失败~"});
}

TEST_F(ConfigWindowTest, AMissingDirectoryFailsTheSave) {
  os.files.removeDirectory(configDir);
  open([](fakes::MemoryWindow& w) { w.click("按钮2"); });
  EXPECT_FALSE(os.files.exists(configDir));
  EXPECT_EQ(os.gui.messages(), (std::vector<std::string>{kBlankSettingsMessage, "修改配置失败~"}));
}

TEST_F(ConfigWindowTest, TheDeathPenaltyLabelExplainsTheValues) {
  os.files.addFile(tool.state.palSettingsPath, fixture("v0.3_linux.ini"));
  open([](fakes::MemoryWindow& w) {
    w.pressLeftButton("透明标签37");
    w.pressLeftButton("透明标签36");  // no other label reacts
  });
  EXPECT_EQ(os.gui.messages(),
            std::vector<std::string>{"死亡惩罚说明：\r\nNone（完全不掉落） \r\nItem（掉落道具）\r\n"
                                     "ItemAndEquipment（掉落道具与装备）\r\nAll（掉落全部）"});
}

}  // namespace
}  // namespace kovrin
