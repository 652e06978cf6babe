// Saving in the configuration editor against the real kovrin.exe: the file
// then holds the edits and nothing else changed, the quotes the save added
// show in the boxes, a value the server could not read back is refused.
#include <stdexcept>
#include <vector>

#include "tool_fixture.h"

namespace e2e {
namespace {

constexpr const char* kSavedMessage = "修改配置成功，请重新启动一下服务器~";
constexpr const char* kFailedMessage = "修改配置失败~";

// The text with its one occurrence of `from` replaced by `to`.
std::string replacedOnce(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos)
    throw std::logic_error("not exactly one " + from);
  return text.replace(at, from.size(), to);
}

TEST_F(ToolFixture, AnEditIsSavedInPlaceAndTheQuotesItAddedShow) {
  chineseRunDir = true;
  const std::string original = testData("config/v0.6_current.ini");
  ASSERT_TRUE(openConfigOver(original));
  const ToolWindow config = configWindow();

  ASSERT_TRUE(config.setText("ExpRate", "2.000000"));
  ASSERT_TRUE(config.setText("DeathPenalty", "Item"));
  ASSERT_TRUE(config.setText("ServerName", "新服务器 🎮, 欢迎"));
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSavedMessage));
  EXPECT_EQ(config.text("ServerName"), "\"新服务器 🎮, 欢迎\"");

  std::string expected = replacedOnce(original, "ExpRate=1.000000,", "ExpRate=2.000000,");
  expected = replacedOnce(expected, "DeathPenalty=All,", "DeathPenalty=Item,");
  expected = replacedOnce(expected, "ServerName=\"霓虹帕鲁岛, 24/7 (PvE)\",", "ServerName=\"新服务器 🎮, 欢迎\",");
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(expected));

  // A second save writes the same file and adds no further quotes.
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSavedMessage));
  EXPECT_EQ(config.text("ServerName"), "\"新服务器 🎮, 欢迎\"");
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(expected));

  // Opened again, the editor shows what was saved.
  ASSERT_TRUE(closeConfig());
  ASSERT_TRUE(openConfig());
  EXPECT_EQ(configWindow().text("ExpRate"), "2.000000");
  EXPECT_EQ(configWindow().text("DeathPenalty"), "Item");
  EXPECT_EQ(configWindow().text("ServerName"), "\"新服务器 🎮, 欢迎\"");
  ASSERT_TRUE(closeConfig());
}

TEST_F(ToolFixture, OverAnOlderFileABareTextIsQuotedAndAMissingSettingAdded) {
  // Hand-edited: the server name without its double quotes.
  const std::string original = replacedOnce(testData("config/v0.1_default.ini"),
                                            "ServerName=\"Default Palworld Server\",", "ServerName=Pal Nest,");
  ASSERT_TRUE(openConfigOver(original));
  const ToolWindow config = configWindow();
  EXPECT_EQ(config.text("ServerName"), "Pal Nest");
  EXPECT_EQ(config.text("AllowGlobalPalboxExport"), "");

  ASSERT_TRUE(config.setText("AllowGlobalPalboxExport", "False"));
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSavedMessage));
  EXPECT_EQ(config.text("ServerName"), "\"Pal Nest\"");

  // The quotes, and the new setting at the end of the list under the key as
  // the server spells it; every other byte as it was.
  std::string expected = replacedOnce(original, "ServerName=Pal Nest,", "ServerName=\"Pal Nest\",");
  expected = replacedOnce(expected, "banlist.txt\")", "banlist.txt\",bAllowGlobalPalboxExport=False)");
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(expected));
  ASSERT_TRUE(closeConfig());
}

TEST_F(ToolFixture, AValueTheServerCouldNotReadBackIsRefusedAndTheFileKept) {
  const std::string original = testData("config/v0.6_current.ini");
  ASSERT_TRUE(openConfigOver(original));
  const ToolWindow config = configWindow();

  ASSERT_TRUE(config.setText("ExpRate", "1,5"));
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kFailedMessage));
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(original));
  // The window stays as it was, for the operator to correct the value.
  EXPECT_EQ(config.text("ExpRate"), "1,5");
  EXPECT_TRUE(IsWindow(config.hwnd()));

  ASSERT_TRUE(config.setText("ExpRate", "1.5"));
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSavedMessage));
  EXPECT_EQ(readFile(kPalSettingsFile),
            std::optional<std::string>(replacedOnce(original, "ExpRate=1.000000,", "ExpRate=1.5,")));
  ASSERT_TRUE(closeConfig());
}

// Another program holds the settings file open, letting others read it but
// not replace it (an editor, a copy running): the editor loads it, and a save
// fails without harm.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path)
      : handle_(CreateFileW(driver::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldFile() { release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
  void release() {
    if (held()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(driver::widen(dir + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = driver::narrow(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

TEST_F(ToolFixture, ASaveOverAFileAnotherProgramHoldsFailsAndLeavesItWhole) {
  const std::string original = testData("config/v0.3_linux.ini");
  ASSERT_TRUE(openConfigOver(original));
  const ToolWindow config = configWindow();
  HeldFile held(path(kPalSettingsFile));
  ASSERT_TRUE(held.held());

  ASSERT_TRUE(config.setText("ExpRate", "3.000000"));
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kFailedMessage));
  held.release();
  EXPECT_EQ(readFile(kPalSettingsFile), std::optional<std::string>(original));
  // Nothing is left beside it.
  const std::string file = kPalSettingsFile;
  EXPECT_EQ(filesIn(path(file.substr(0, file.rfind('\\')))), std::vector<std::string>{"PalWorldSettings.ini"});

  // Once the other program lets go, the same click saves.
  ASSERT_TRUE(config.click("按钮2"));
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSavedMessage));
  EXPECT_EQ(readFile(kPalSettingsFile),
            std::optional<std::string>(replacedOnce(original, "ExpRate=2.500000,", "ExpRate=3.000000,")));
  ASSERT_TRUE(closeConfig());
}

}  // namespace
}  // namespace e2e
