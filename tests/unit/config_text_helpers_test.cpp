#include <gtest/gtest.h>

#include <string>

#include <regex>

#include "config/text_helpers.h"
#include "fakes.h"
#include "platform/text.h"

namespace kovrin {
namespace {

// ------------------------------------------------------------- findText ---

struct FindCase {
  const char* text;
  const char* searched;
  std::ptrdiff_t start;
  bool ignoreCase;
  std::ptrdiff_t expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, GivesTheOneBasedBytePositionOrMinusOne) {
  const FindCase& c = GetParam();
  EXPECT_EQ(findText(c.text, c.searched, c.start, c.ignoreCase), c.expected)
      << '"' << c.text << "\" / \"" << c.searched << "\" from " << c.start;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindTextTest,
    ::testing::Values(FindCase{"", "a", 1, false, -1},           // empty text
                      FindCase{"abc", "", 1, false, -1},         // empty searched-for text
                      FindCase{"", "", 1, false, -1},
                      FindCase{"abc", "c", 1, false, 3},         // the last character
                      FindCase{"abc", "a", 0, false, 1},         // start 0 counts as 1
                      FindCase{"abcabc", "a", 2, false, 4},      // from the start position on
                      FindCase{"abcabc", "a", 4, false, 4},
                      FindCase{"abc", "c", 4, false, -1},        // start just past the end
                      FindCase{"abc", "\"", 1, false, -1},       // a value without a double quote
                      FindCase{"\"abc\"", "\"", 1, false, 1},
                      FindCase{"ab\"c", "\"", 1, false, 3},
                      FindCase{"hello world", "WORLD", 1, true, 7},   // ignore case
                      FindCase{"HELLO", "hello", 1, true, 1},
                      FindCase{"hello world", "WORLD", 1, false, -1}, // case-sensitive by default
                      FindCase{"服务器", "\x9C", 1, false, 2}),
    [](const auto& info) { return "case" + std::to_string(info.index); });       // byte-wise, not by character

// ---------------------------------------------------------- textBetween ---

struct BetweenCase {
  const char* text;
  const char* left;
  const char* right;
  const char* expected;
};

class TextBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, TakesTheTextAfterTheFirstLeftMarker) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(textBetween(c.text, c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextBetweenTest,
    ::testing::Values(BetweenCase{"a=1,b=2,", "a=", ",", "1"},
                      BetweenCase{"a=,b=2,", "a=", ",", ""},          // markers touch
                      BetweenCase{"b=2,", "a=", ",", ""},             // no left marker
                      BetweenCase{"x,a=1", "a=", ",", ""},            // no right marker after it
                      BetweenCase{"a=1)a=2,", "a=", ",", "1)a=2"},     // only the first left marker
                      BetweenCase{"名=张三,", "名=", ",", "张三"},
                      BetweenCase{"", "a", "b", ""},
                      BetweenCase{"abc", "", "c", ""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(TextBetweenTest, NeverMatchesInsideACharacter) {
  // "中" is E4 B8 AD: the bytes B8 AD occur only inside it.
  const std::string text = "中=x,";
  EXPECT_EQ(findOnCharBoundary(text, "\xB8\xAD"), std::string::npos);
  EXPECT_EQ(textBetween(text, "\xB8\xAD", ","), "");
  // A stray continuation byte is a character of its own and can be found.
  const std::string stray = "a\xAD=1,";
  EXPECT_EQ(textBetween(stray, "\xAD=", ","), "1");
  // The right marker is also only found on a boundary.
  EXPECT_EQ(textBetween("k=中\xB8\xAD!", "k=", "\xB8\xAD"), "中");
}

// ------------------------------------------------------ stripBlankLines ---

// An independent engine for host tests: the ECMAScript grammar of the
// standard library, with the same flags as VBScript.RegExp.
class StdRegExpEngine : public RegExpEngine {
 public:
  explicit StdRegExpEngine(std::vector<std::string>* log) : log_(log) {}
  bool execute(const std::string& pattern, const std::string& text, bool ignoreCase, bool multiline,
               bool global) override {
    if (log_) log_->push_back(pattern + (ignoreCase ? " i" : "") + (multiline ? " m" : "") + (global ? " g" : ""));
    auto flags = std::regex::ECMAScript;
    if (ignoreCase) flags |= std::regex::icase;
    if (multiline) flags |= std::regex::multiline;
    regex_ = std::regex(pattern, flags);
    global_ = global;
    text_ = text;
    return true;
  }
  std::optional<std::string> replace(const std::string& replacement) override {
    return std::regex_replace(text_, regex_, replacement,
                              global_ ? std::regex_constants::format_default
                                      : std::regex_constants::format_first_only);
  }

 private:
  std::vector<std::string>* log_;
  std::regex regex_;
  bool global_ = true;
  std::string text_;
};

// An engine that can be created but fails when called.
class BrokenRegExpEngine : public RegExpEngine {
 public:
  explicit BrokenRegExpEngine(bool runs) : runs_(runs) {}
  bool execute(const std::string&, const std::string&, bool, bool, bool) override { return runs_; }
  std::optional<std::string> replace(const std::string&) override { return std::nullopt; }

 private:
  bool runs_;
};

std::string visible(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

struct StripCase {
  const char* text;
  const char* expected;
};

class StripBlankLinesTest : public ::testing::TestWithParam<StripCase> {
 protected:
  fakes::FakeFileSystem files;
  fakes::FakeAutomation automation{files};
};

TEST_P(StripBlankLinesTest, WithoutAnEngineGivesTheEnginesResult) {
  const StripCase& c = GetParam();
  EXPECT_EQ(visible(stripBlankLines(automation, c.text)), visible(c.expected)) << visible(c.text);
}

TEST_P(StripBlankLinesTest, WithAnEngineGivesTheSameResult) {
  const StripCase& c = GetParam();
  std::vector<std::string> log;
  automation.regExpFactory = [&log] { return std::make_unique<StdRegExpEngine>(&log); };
  EXPECT_EQ(visible(stripBlankLines(automation, c.text)), visible(c.expected)) << visible(c.text);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "(?:^\\r|\\n$) i m g");  // case-insensitive, multiline, global
}

TEST_P(StripBlankLinesTest, AnEngineThatFailsFallsBack) {
  const StripCase& c = GetParam();
  for (bool runs : {false, true}) {
    automation.regExpFactory = [runs] { return std::make_unique<BrokenRegExpEngine>(runs); };
    EXPECT_EQ(visible(stripBlankLines(automation, c.text)), visible(c.expected)) << visible(c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StripBlankLinesTest,
    ::testing::Values(
        // Blank: nothing but CR and LF, in any mix and number.
        StripCase{"", ""}, StripCase{"\r\n", ""}, StripCase{"\r\n\r\n\r\n\r\n", ""}, StripCase{"\r", ""},
        StripCase{"\n", ""}, StripCase{"\n\n\r\r", ""}, StripCase{"\n\r", ""}, StripCase{"\r\r\r", ""},
        StripCase{"\n\n\n", ""}, StripCase{"\r\n\n\r\r\n", ""},
        // Not blank: every other character stays.
        StripCase{"a", "a"}, StripCase{" ", " "}, StripCase{"\t", "\t"}, StripCase{"\r\na\r\n", "a"},
        StripCase{"\r\n\r\na\r\n\r\n", "\na\r"}, StripCase{"\n\na", "\na"}, StripCase{"a\r\r", "a\r"},
        StripCase{"x\r\r\ny\n\n", "x\r\ny"}, StripCase{"a\r\nb", "a\r\nb"}, StripCase{"a\n\nb", "a\nb"},
        StripCase{"[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=()",
                  "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=()"},
        StripCase{"\xEF\xBB\xBF", "\xEF\xBB\xBF"},     // a byte-order mark is a character
        StripCase{"中\r\n\r\n文\n", "中\r\n文"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(StripBlankLinesDirectTest, TreatsTheUnicodeSeparatorsAsLineEnds) {
  // The engine's multiline anchors also stand at U+2028 and U+2029.
  EXPECT_EQ(visible(stripBlankLinesDirect("a\xE2\x80\xA8\rb")), visible("a\xE2\x80\xA8" "b"));
  EXPECT_EQ(visible(stripBlankLinesDirect("a\n\xE2\x80\xA9")), visible("a\xE2\x80\xA9"));
}

TEST(StripBlankLinesDirectTest, ReadsMalformedBytesAsReplacementCharacters) {
  EXPECT_EQ(stripBlankLinesDirect("\xFF\r\r"), "\xEF\xBF\xBD\r");
  EXPECT_EQ(stripBlankLinesDirect("\r\n\xC3"), "\xEF\xBF\xBD");
}

// Every text of up to six characters drawn from CR, LF, "a" and " ": the
// direct way agrees with the engine, and blank means CR and LF only.
TEST(StripBlankLinesDirectTest, AgreesWithAnEngineOnEveryShortText) {
  fakes::FakeFileSystem files;
  fakes::FakeAutomation automation{files};
  automation.regExpFactory = [] { return std::make_unique<StdRegExpEngine>(nullptr); };
  const char alphabet[] = {'\r', '\n', 'a', ' '};
  int checked = 0;
  for (int length = 0; length <= 6; ++length) {
    int combos = 1;
    for (int i = 0; i < length; ++i) combos *= 4;
    for (int n = 0; n < combos; ++n) {
      std::string text;
      for (int i = 0, m = n; i < length; ++i, m /= 4) text.push_back(alphabet[m % 4]);
      const std::string direct = stripBlankLinesDirect(text);
      ASSERT_EQ(visible(direct), visible(stripBlankLines(automation, text))) << visible(text);
      ASSERT_EQ(direct.empty(), isBlankText(text)) << visible(text);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 5461);
}

// ---------------------------------------------------------- RegexObject ---

TEST(RegexObjectTest, ReportsWhenNoEngineCanBeCreated) {
  fakes::FakeFileSystem files;
  fakes::FakeAutomation automation{files};
  RegexObject regex(automation);
  EXPECT_FALSE(regex.execute("a", "abc"));
  EXPECT_EQ(regex.replace("x"), std::nullopt);
}

TEST(RegexObjectTest, ReplacesAllOrTheFirstMatchAndForgetsOnRelease) {
  fakes::FakeFileSystem files;
  fakes::FakeAutomation automation{files};
  std::vector<std::string> log;
  automation.regExpFactory = [&log] { return std::make_unique<StdRegExpEngine>(&log); };
  RegexObject regex(automation);
  ASSERT_TRUE(regex.execute("a", "AbA"));
  EXPECT_EQ(regex.replace("x"), "xbx");
  ASSERT_TRUE(regex.execute("a", "AbA", true));  // case-sensitive
  EXPECT_EQ(regex.replace("x"), "AbA");
  ASSERT_TRUE(regex.execute("a", "abab", false, true, false));  // not global
  EXPECT_EQ(regex.replace("x"), "xbab");
  EXPECT_EQ(log, (std::vector<std::string>{"a i m g", "a m g", "a i m"}));
  regex.release();
  EXPECT_EQ(regex.replace("x"), std::nullopt);
}

// ---------------------------------------------------------- conversions ---

TEST(CodePageTest, GbkToUtf8OfEmptyGivesNoBytes) { EXPECT_EQ(gbkToUtf8(""), ""); }

TEST(CodePageTest, AsciiIsTheSameInBoth) {
  const std::string ascii = "OptionSettings=(ServerName=\"abc\",)";
  EXPECT_EQ(gbkToUtf8(ascii), ascii);
  EXPECT_EQ(utf8ToGbk(ascii), ascii);
}

TEST(CodePageTest, ConvertsChineseBothWays) {
  EXPECT_EQ(utf8ToGbk("幻兽帕鲁"), "\xBB\xC3\xCA\xDE\xC5\xC1\xC2\xB3");
  EXPECT_EQ(gbkToUtf8("\xBB\xC3\xCA\xDE\xC5\xC1\xC2\xB3"), "幻兽帕鲁");
}

TEST(CodePageTest, RoundTripsEveryTextGbkCanHold) {
  for (const char* text : {"", "a", "配置文件为空，请确保PalServer目录下存在", "全角：１２３　～", "€"}) {
    ASSERT_TRUE(fitsGbk(text)) << text;
    EXPECT_EQ(gbkToUtf8(utf8ToGbk(text)), text);
  }
}

TEST(CodePageTest, StopsAtTheFirstZeroAndReplacesWhatGbkLacks) {
  EXPECT_EQ(utf8ToGbk(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(gbkToUtf8(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(utf8ToGbk("한"), "?");
}

TEST(WellFormedUtf8Test, KeepsValidTextAndReplacesMalformedBytes) {
  EXPECT_EQ(wellFormedUtf8("環境 👋 한"), "環境 👋 한");
  EXPECT_EQ(wellFormedUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(wellFormedUtf8("a\xE4\xB8"), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kovrin
