// The blank test of the configuration editor, stripBlankLines, runs on the
// system's VBScript.RegExp when it can be created and on a direct
// implementation otherwise. Both must give the same text for every input, or
// a settings file could be taken for blank on one machine and not another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/text_helpers.h"
#include "platform/win32/services.h"

namespace {

using kovrin::stripBlankLines;
using kovrin::stripBlankLinesDirect;

std::string visible(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

// Counts the engines the code under test creates.
class CountingAutomation : public kovrin::Automation {
 public:
  std::unique_ptr<kovrin::FileSystemObject> createFileSystemObject() override { return nullptr; }
  std::unique_ptr<kovrin::RegExpEngine> createRegExp() override {
    auto engine = real_.createRegExp();
    if (engine) ++created;
    return engine;
  }
  int created = 0;

 private:
  kovrin::win32::Win32Automation real_;
};

const char* const kLineSeparator = "\xE2\x80\xA8";
const char* const kParagraphSeparator = "\xE2\x80\xA9";

TEST(ConfigStripBlankLines, TheEngineAndTheDirectWayAgreeOnEveryListedText) {
  const std::vector<std::string> texts = {
      // blank
      "", "\r\n", "\r\n\r\n\r\n\r\n", "\r", "\n", "\n\n\r\r", "\n\r", "\r\r\r", "\n\n\n", "\r\n\n\r\r\n",
      // not blank
      "a", " ", "\t", "\r\na\r\n", "\r\n\r\na\r\n\r\n", "\n\na", "a\r\r", "x\r\r\ny\n\n", "a\r\nb", "a\n\nb",
      "\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n", "中\r\n\r\n文\n", "👋\r\n\r\n한\n\r",
      "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ServerName=\"幻兽帕鲁\")\r\n",
      "; comment\r\n\r\n[/Script/Pal.PalGameWorldSettings]\r\n\r\n",
      // the Unicode line and paragraph separators next to CR and LF
      std::string("a") + kLineSeparator + "\rb", std::string("a\n") + kParagraphSeparator,
      std::string(kLineSeparator) + "\r\n" + kParagraphSeparator, std::string("\r") + kLineSeparator + "\n",
      // malformed UTF-8 is read as U+FFFD either way
      "\xFF\r\r", "\r\n\xC3", "a\xE4\xB8\r\n\r\n",
      // upper-case letters: the engine is case-insensitive, which changes nothing here
      "ABC\r\n\r\nDEF"};
  CountingAutomation automation;
  for (const std::string& text : texts) {
    EXPECT_EQ(visible(stripBlankLines(automation, text)), visible(stripBlankLinesDirect(text))) << visible(text);
  }
  // Each text went through the real engine.
  EXPECT_EQ(automation.created, static_cast<int>(texts.size()));
}

// Every text of up to five characters drawn from CR, LF, a letter, a blank
// and the line separator.
TEST(ConfigStripBlankLines, TheEngineAndTheDirectWayAgreeOnEveryShortText) {
  const std::vector<std::string> alphabet = {"\r", "\n", "a", " ", kLineSeparator};
  CountingAutomation automation;
  int checked = 0;
  for (int length = 0; length <= 5; ++length) {
    int combos = 1;
    for (int i = 0; i < length; ++i) combos *= static_cast<int>(alphabet.size());
    for (int n = 0; n < combos; ++n) {
      std::string text;
      for (int i = 0, m = n; i < length; ++i, m /= static_cast<int>(alphabet.size())) text += alphabet[m % alphabet.size()];
      const std::string direct = stripBlankLinesDirect(text);
      ASSERT_EQ(visible(stripBlankLines(automation, text)), visible(direct)) << visible(text);
      ASSERT_EQ(direct.empty(), text.find_first_not_of("\r\n") == std::string::npos) << visible(text);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 3906);
  EXPECT_EQ(automation.created, checked);
}

}  // namespace
