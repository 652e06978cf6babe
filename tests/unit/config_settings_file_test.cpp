#include <gtest/gtest.h>

#include <regex>

#include "app/tool.h"
#include "config/settings_file.h"
#include "config/text_helpers.h"
#include "config_test_support.h"
#include "fakes.h"

namespace kovrin {
namespace {

using config_test::fixture;
using config_test::indexOf;
using config_test::valuesOf;

// A stand-in for VBScript.RegExp built on the standard library's ECMAScript
// grammar, so the blank test can be run through an engine on the host.
class StdRegExpEngine : public RegExpEngine {
 public:
  explicit StdRegExpEngine(int* runs) : runs_(runs) {}
  bool execute(const std::string& pattern, const std::string& text, bool ignoreCase, bool multiline,
               bool) override {
    ++*runs_;
    auto flags = std::regex::ECMAScript;
    if (ignoreCase) flags |= std::regex::icase;
    if (multiline) flags |= std::regex::multiline;
    regex_ = std::regex(pattern, flags);
    text_ = text;
    return true;
  }
  std::optional<std::string> replace(const std::string& replacement) override {
    return std::regex_replace(text_, regex_, replacement);
  }

 private:
  int* runs_;
  std::regex regex_;
  std::string text_;
};

class SettingsFileTest : public ::testing::TestWithParam<bool> {
 protected:
  SettingsFileTest() {
    tool.state.serverRoot = tool.paths.runDir;
    tool.state.palSettingsPath = palSettingsPathOf(tool.paths.runDir);
    os.files.addDirectory(configDir);
    // With the parameter set, the blank test runs through an engine.
    if (GetParam()) os.automation.regExpFactory = [this] { return std::make_unique<StdRegExpEngine>(&engineRuns); };
  }

  std::string settings() { return os.files.file(tool.state.palSettingsPath); }

  fakes::FakePlatform os;
  Tool tool{os.platform, "C:\\steamcmd"};
  const std::string configDir = "C:\\steamcmd\\steamapps\\common\\PalServer\\Pal\\Saved\\Config\\WindowsServer";
  int engineRuns = 0;
};

// ---------------------------------------------------------------- load ---

struct BlankCase {
  const char* name;
  std::optional<std::string> file;  // nothing: missing
};

const BlankCase kBlankFiles[] = {
    {"Empty", std::string()}, {"CrLf", std::string("\r\n")}, {"BreaksOnly", std::string("\n\r\n\r\r\n\n")},
    {"Missing", std::nullopt},
    {"ZeroBytes", std::string("\0\0\0\0", 4)},  // nothing before the first zero byte
};

TEST_P(SettingsFileTest, ABlankFileIsReplacedByTheDefaultFileOnce) {
  const std::string defaults = fixture("v0.1_default.ini");
  for (const BlankCase& c : kBlankFiles) {
    SCOPED_TRACE(c.name);
    os.files.addFile(tool.paths.defaultSettingsPath, defaults);
    if (c.file)
      os.files.addFile(tool.state.palSettingsPath, *c.file);
    else
      os.files.deleteFile(tool.state.palSettingsPath);
    EXPECT_EQ(loadSettingsText(tool), defaults);
    EXPECT_EQ(settings(), defaults);
    EXPECT_TRUE(os.gui.messages().empty());
  }
  EXPECT_EQ(engineRuns > 0, GetParam());
}

TEST_P(SettingsFileTest, ABlankFileWithoutADefaultFileIsReportedOnce) {
  for (const BlankCase& c : kBlankFiles) {
    SCOPED_TRACE(c.name);
    const std::size_t before = os.gui.messages().size();
    if (c.file)
      os.files.addFile(tool.state.palSettingsPath, *c.file);
    else
      os.files.deleteFile(tool.state.palSettingsPath);
    const std::string text = loadSettingsText(tool);
    EXPECT_TRUE(isBlankText(text));
    for (const auto& v : valuesOf(text)) EXPECT_EQ(v, "");
    ASSERT_EQ(os.gui.messages().size(), before + 1);
    EXPECT_EQ(os.gui.messages().back(), kBlankSettingsMessage);
  }
}

TEST_P(SettingsFileTest, TheBlankFileMessageEndsInOneContactSentence) {
  const std::string message = kBlankSettingsMessage;
  const std::string fixedPart = "配置文件为空，请确保PalServer目录下存在DefaultPalWorldSettings.ini文件，";
  ASSERT_EQ(message.rfind(fixedPart, 0), 0u);
  const std::string sentence = message.substr(fixedPart.size());
  EXPECT_FALSE(sentence.empty());
  EXPECT_EQ(sentence.find("。"), sentence.size() - std::string("。").size());  // one sentence
}

struct NotBlankCase {
  const char* name;
  std::string file;
  std::string shown;
};

TEST_P(SettingsFileTest, AFileWithAnyOtherCharacterIsUsedAsItIs) {
  const NotBlankCase cases[] = {
      {"Space", " ", " "},
      {"ByteOrderMarkOnly", "\xEF\xBB\xBF", ""},
      {"NoSectionLine", "OptionSettings=(ExpRate=2)", "OptionSettings=(ExpRate=2)"},
      {"MalformedUtf8", "OptionSettings=(ServerName=\"a\xFF\")", "OptionSettings=(ServerName=\"a\xEF\xBF\xBD\")"},
      {"TextBeforeAZeroByte", std::string("OptionSettings=(ExpRate=2)\0junk", 31), "OptionSettings=(ExpRate=2)"},
      {"Utf16", std::string("\xFF\xFEO\0=\0(\0\x5C\xD5)\0", 12), "O=(한)"},
  };
  os.files.addFile(tool.paths.defaultSettingsPath, fixture("v0.1_default.ini"));
  for (const NotBlankCase& c : cases) {
    SCOPED_TRACE(c.name);
    os.files.addFile(tool.state.palSettingsPath, c.file);
    EXPECT_EQ(loadSettingsText(tool), c.shown);
    EXPECT_EQ(settings(), c.file);  // no copy
  }
  EXPECT_TRUE(os.gui.messages().empty());
}

TEST_P(SettingsFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  os.files.addFile(tool.paths.defaultSettingsPath, fixture("v0.1_default.ini"));
  const std::string original = fixture("v0.6_current.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  os.files.denyReads(tool.state.palSettingsPath);  // held open by another program
  EXPECT_EQ(loadSettingsText(tool), "");
  EXPECT_EQ(os.gui.messages(), std::vector<std::string>{kBlankSettingsMessage});
  OptionValues values;
  values[0] = "Easy";
  EXPECT_FALSE(saveOptionValues(tool, values));
  EXPECT_TRUE(os.files.writeLog.empty());

  // A directory where the file should be is not replaced either.
  fakes::FakePlatform other;
  Tool tool2{other.platform, "C:\\steamcmd"};
  tool2.state.palSettingsPath = tool.state.palSettingsPath;
  other.files.addFile(tool2.paths.defaultSettingsPath, fixture("v0.1_default.ini"));
  other.files.addDirectory(tool2.state.palSettingsPath);
  EXPECT_EQ(loadSettingsText(tool2), "");
  EXPECT_FALSE(saveOptionValues(tool2, values));
  EXPECT_TRUE(other.files.isDirectory(tool2.state.palSettingsPath));
}

// ---------------------------------------------------------------- save ---

TEST_P(SettingsFileTest, SavingWithoutAnEditKeepsEveryByte) {
  for (const char* name : {"v0.1_default.ini", "v0.3_linux.ini", "v0.6_current.ini"}) {
    SCOPED_TRACE(name);
    const std::string original = fixture(name);
    os.files.addFile(tool.state.palSettingsPath, original);
    ASSERT_TRUE(saveOptionValues(tool, valuesOf(loadSettingsText(tool))));
    EXPECT_EQ(settings(), original);
  }
}

TEST_P(SettingsFileTest, SavingDropsAByteOrderMarkOnly) {
  const std::string original = fixture("v0.6_current.ini");
  os.files.addFile(tool.state.palSettingsPath, "\xEF\xBB\xBF" + original);
  ASSERT_TRUE(saveOptionValues(tool, valuesOf(loadSettingsText(tool))));
  EXPECT_EQ(settings(), original);
}

TEST_P(SettingsFileTest, SavingKeepsWhatFollowsAZeroByte) {
  const std::string tail("\0tail,ExpRate=9)", 16);
  os.files.addFile(tool.state.palSettingsPath, "OptionSettings=(ExpRate=1)" + tail);
  OptionValues values = valuesOf(loadSettingsText(tool));
  values[indexOf("ExpRate")] = "2";
  ASSERT_TRUE(saveOptionValues(tool, values));
  EXPECT_EQ(settings(), "OptionSettings=(ExpRate=2)" + tail);
}

TEST_P(SettingsFileTest, SavingAUtf16FileWritesItsTextAsUtf8) {
  os.files.addFile(tool.state.palSettingsPath, std::string("\xFF\xFEO\0=\0(\0\x5C\xD5)\0", 12));
  OptionValues values = valuesOf(loadSettingsText(tool));
  values[indexOf("ExpRate")] = "2";
  ASSERT_TRUE(saveOptionValues(tool, values));
  EXPECT_EQ(settings(), "O=(한)\r\n[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)");
}

TEST_P(SettingsFileTest, ABlankOrMissingFileIsWrittenAsTheComposedText) {
  OptionValues values;
  values[indexOf("ServerName")] = "\"幻兽 👋\"";
  for (const BlankCase& c : kBlankFiles) {
    SCOPED_TRACE(c.name);
    if (c.file)
      os.files.addFile(tool.state.palSettingsPath, *c.file);
    else
      os.files.deleteFile(tool.state.palSettingsPath);
    ASSERT_TRUE(saveOptionValues(tool, values));
    EXPECT_EQ(settings(), composeSettingsText(values));
  }
  os.files.addFile(tool.state.palSettingsPath, "\xEF\xBB\xBF\r\n");
  ASSERT_TRUE(saveOptionValues(tool, values));
  EXPECT_EQ(settings(), composeSettingsText(values));
}

TEST_P(SettingsFileTest, AFailedWriteLeavesTheOldFileWhole) {
  const std::string original = fixture("v0.6_current.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  os.files.lock(tool.state.palSettingsPath);
  OptionValues values = valuesOf(original);
  values[0] = "Easy";
  EXPECT_FALSE(saveOptionValues(tool, values));
  EXPECT_FALSE(saveSettingsText(tool, "x"));
  EXPECT_EQ(settings(), original);
}

TEST_P(SettingsFileTest, AMissingDirectoryIsNotCreated) {
  os.files.removeDirectory(configDir);
  ASSERT_FALSE(os.files.isDirectory(configDir));
  EXPECT_FALSE(saveOptionValues(tool, OptionValues{}));
  EXPECT_FALSE(os.files.exists(configDir));
}

TEST_P(SettingsFileTest, AValueThatWouldNotReadBackIsNotWritten) {
  const std::string original = fixture("v0.3_linux.ini");
  os.files.addFile(tool.state.palSettingsPath, original);
  OptionValues values = valuesOf(original);
  values[indexOf("ExpRate")] = "1,5";
  const int writes = os.files.writes();
  EXPECT_FALSE(saveOptionValues(tool, values));
  EXPECT_EQ(os.files.writes(), writes);
  EXPECT_EQ(settings(), original);
}

TEST_P(SettingsFileTest, SaveSettingsTextWritesTheTextAsItIs) {
  const std::string text = "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ServerName=\"한 👋\",)";
  ASSERT_TRUE(saveSettingsText(tool, text));
  EXPECT_EQ(settings(), text);
}

INSTANTIATE_TEST_SUITE_P(EngineOrNot, SettingsFileTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Engine" : "NoEngine"; });

}  // namespace
}  // namespace kovrin
