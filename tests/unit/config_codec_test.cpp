#include <gtest/gtest.h>

#include <string>

#include <set>

#include "config/option_codec.h"
#include "config_test_support.h"

namespace kovrin {
namespace {

using config_test::fixture;
using config_test::indexOf;
using config_test::replacedOnce;
using config_test::valuesOf;

const std::string kHeader = "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(";

// ---------------------------------------------------------------- table ---

TEST(OptionFieldsTest, HoldsTheSixtyFourSettingsInTheirOrder) {
  ASSERT_EQ(optionFields.size(), 64u);
  EXPECT_EQ(optionFields[0].key, "Difficulty=");
  EXPECT_EQ(optionFields[24].key, "DeathPenalty=");
  EXPECT_EQ(optionFields[51].key, "ServerName=");
  EXPECT_EQ(optionFields[61].key, "BanListURL=");
  EXPECT_EQ(optionFields[62].key, "AllowGlobalPalboxExport=");   // without a leading b
  EXPECT_EQ(optionFields[63].key, "bAllowGlobalPalboxImport=");  // with one
  int edits = 0, combos = 0;
  std::set<std::string_view> quoted;
  for (const auto& f : optionFields) {
    EXPECT_EQ(std::string(f.control) + "=", f.key);
    if (f.kind == ControlKind::Edit) {
      ++edits;
      EXPECT_TRUE(f.choices.empty()) << f.key;
    } else {
      ASSERT_EQ(f.kind, ControlKind::Combo) << f.key;
      ++combos;
      EXPECT_FALSE(f.choices.empty()) << f.key;
    }
    if (f.quoteOnSave) quoted.insert(f.control);
  }
  EXPECT_EQ(edits, 44);
  EXPECT_EQ(combos, 20);
  EXPECT_EQ(quoted, (std::set<std::string_view>{"ServerName", "ServerDescription", "AdminPassword",
                                                "ServerPassword", "PublicIP", "Region"}));
  EXPECT_EQ(std::set<std::string_view>(std::begin(kQuotedFields), std::end(kQuotedFields)), quoted);
  EXPECT_EQ(optionFields[indexOf("bAutoResetGuildNoOnlinePlayers")].kind, ControlKind::Edit);
  EXPECT_FALSE(optionFields[indexOf("BanListURL")].quoteOnSave);
  const auto& difficulty = optionFields[0].choices;
  EXPECT_EQ(std::vector<std::string_view>(difficulty.begin(), difficulty.end()),
            (std::vector<std::string_view>{"None", "Easy", "Difficult"}));
  const auto& death = optionFields[24].choices;
  EXPECT_EQ(std::vector<std::string_view>(death.begin(), death.end()),
            (std::vector<std::string_view>{"None", "Item", "ItemAndEquipment", "All"}));
  const auto& rcon = optionFields[indexOf("RCONEnabled")].choices;
  EXPECT_EQ(std::vector<std::string_view>(rcon.begin(), rcon.end()), (std::vector<std::string_view>{"True", "False"}));
}

TEST(OptionFieldsTest, NoKeyOccursInsideAnother) {
  for (const auto& a : optionFields)
    for (const auto& b : optionFields)
      if (&a != &b) {
        EXPECT_EQ(b.key.find(a.key), std::string_view::npos) << a.key << " in " << b.key;
      }
}

// -------------------------------------------------------- extractOption ---

struct ExtractCase {
  const char* name;
  std::string text;
  const char* key;
  std::string expected;
};

class ExtractOptionTest : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractOptionTest, ReadsTheValue) {
  const ExtractCase& c = GetParam();
  EXPECT_EQ(extractOption(c.text, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtractOptionTest,
    ::testing::Values(
        ExtractCase{"Plain", "(Difficulty=None,ExpRate=1.5,)", "ExpRate=", "1.5"},
        ExtractCase{"EmptyBeforeComma", "(ExpRate=,PalCaptureRate=2,)", "ExpRate=", ""},
        ExtractCase{"FollowingEntryAfterAnEmptyOne", "(ExpRate=,PalCaptureRate=2,)", "PalCaptureRate=", "2"},
        ExtractCase{"LastEntryClosedByParenthesis", "(Difficulty=None,bUseAuth=True)", "bUseAuth=", "True"},
        ExtractCase{"NoEnd", "OptionSettings=(ExpRate=1.5", "ExpRate=", ""},
        ExtractCase{"Missing", "(Difficulty=None,)", "ExpRate=", ""},
        ExtractCase{"EmptyText", "", "ExpRate=", ""},
        ExtractCase{"QuotesAreKept", "(ServerName=\"abc\",)", "ServerName=", "\"abc\""},
        ExtractCase{"CommaInsideQuotes", "(ServerName=\"a, b\",PublicPort=1)", "ServerName=", "\"a, b\""},
        ExtractCase{"ParenthesisInsideQuotes", "(ServerName=\"x) (y\")", "ServerName=", "\"x) (y\""},
        ExtractCase{"NestedList", "(BanListURL=(a,b,(c)),PublicPort=1)", "BanListURL=", "(a,b,(c))"},
        ExtractCase{"AfterANestedList", "(CrossplayPlatforms=(Steam,Xbox),PublicPort=8211)", "PublicPort=", "8211"},
        ExtractCase{"SpacesAreKept", "(ExpRate= 1 ,)", "ExpRate=", " 1 "},
        ExtractCase{"OtherLetterCaseIsNotFound", "(exprate=2,EXPRATE=3,)", "ExpRate=", ""},
        ExtractCase{"FirstOccurrenceWins", "(ExpRate=1,ExpRate=2,)", "ExpRate=", "1"},
        ExtractCase{"InsideALongerName", "(bAllowGlobalPalboxExport=True,)", "AllowGlobalPalboxExport=", "True"},
        ExtractCase{"OutsideTheList", "; ExpRate=3, noted\r\nOptionSettings=(ExpRate=1,)", "ExpRate=", "3"},
        ExtractCase{"Chinese", "(ServerName=\"幻兽帕鲁\",)", "ServerName=", "\"幻兽帕鲁\""},
        ExtractCase{"Hangul", "(ServerName=\"환영 👋\")", "ServerName=", "\"환영 👋\""},
        ExtractCase{"TenKilobytes", "(ServerDescription=\"" + std::string(10240, 'x') + "\",)", "ServerDescription=",
                    "\"" + std::string(10240, 'x') + "\""},
        ExtractCase{"UnclosedQuoteSwallowsToTheEnd", "(ServerName=\"abc,PublicPort=1)", "ServerName=", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExtractOptionTest, ANoneOfTheKeysTextGivesSixtyFourEmptyValues) {
  for (const std::string text : {"", "\r\n", " ", "[/Script/Pal.PalGameWorldSettings]\r\n", "hello, world"})
    for (const auto& v : valuesOf(text)) EXPECT_EQ(v, "");
}

// ----------------------------------------------------------- quoteIfBare ---

TEST(QuoteIfBareTest, QuotesOnlyValuesWithoutADoubleQuote) {
  EXPECT_EQ(quoteIfBare(""), "\"\"");
  EXPECT_EQ(quoteIfBare("abc"), "\"abc\"");
  EXPECT_EQ(quoteIfBare("幻兽 帕鲁"), "\"幻兽 帕鲁\"");
  EXPECT_EQ(quoteIfBare("\"abc\""), "\"abc\"");
  EXPECT_EQ(quoteIfBare("abc\""), "abc\"");   // a quote at one end
  EXPECT_EQ(quoteIfBare("a\"b"), "a\"b");     // or in the middle
  EXPECT_EQ(quoteIfBare("\"\""), "\"\"");
}

// ---------------------------------------------------- composeSettingsText ---

OptionValues sampleValues() {
  OptionValues v;
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    std::string value(1, 'v');
    value += std::to_string(i);
    v[i] = std::move(value);
  }
  v[0] = "None";
  v[1] = "1";
  v[63] = "False";
  v[indexOf("ServerName")] = "\"幻兽帕鲁, 24/7 (PvE)\"";
  v[indexOf("ServerDescription")] = "\"欢迎 👋 환영합니다\"";
  v[indexOf("AdminPassword")] = "\"\"";
  v[indexOf("BanListURL")] = "https://example.org/ban list.txt";
  v[indexOf("ExpRate")] = "";
  return v;
}

TEST(ComposeSettingsTextTest, WritesTheSectionAndOneListOfAllEntries) {
  const OptionValues v = sampleValues();
  const std::string text = composeSettingsText(v);
  ASSERT_EQ(text.rfind(kHeader, 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 2), ",)");
  EXPECT_EQ(text.find('\n'), kHeader.find('\n'));  // two lines, no break after ")"
  EXPECT_EQ(text.rfind("\r\n"), kHeader.find("\r\n"));
  std::string expected = kHeader;
  for (std::size_t i = 0; i < kOptionCount; ++i) expected += std::string(optionFields[i].key) + v[i] + ",";
  expected += ")";
  EXPECT_EQ(text, expected);
  EXPECT_NE(text.find("OptionSettings=(Difficulty=None,DayTimeSpeedRate=1,NightTimeSpeedRate=v2,"), std::string::npos);
  EXPECT_NE(text.find(",bAllowGlobalPalboxImport=False,)"), std::string::npos);
}

TEST(ComposeSettingsTextTest, ReadsBackEveryValue) {
  const OptionValues v = sampleValues();
  EXPECT_EQ(valuesOf(composeSettingsText(v)), v);
  OptionValues empty;
  EXPECT_EQ(valuesOf(composeSettingsText(empty)), empty);
}

// ------------------------------------------------------ mergeSettingsText ---

struct FixtureCase {
  const char* file;
  std::size_t missingKeys;  // table keys the file lacks
};

class MergeFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(MergeFixtureTest, WithoutAnEditChangesNothing) {
  const std::string text = fixture(GetParam().file);
  const OptionValues values = valuesOf(text);
  std::size_t missing = 0;
  for (const auto& f : optionFields) missing += text.find(f.key) == std::string::npos;
  EXPECT_EQ(missing, GetParam().missingKeys);
  EXPECT_EQ(mergeSettingsText(text, values), text);
}

TEST_P(MergeFixtureTest, AnEditChangesOnlyThatValue) {
  const std::string text = fixture(GetParam().file);
  OptionValues values = valuesOf(text);
  const std::string oldExp = "ExpRate=" + values[indexOf("ExpRate")] + ",";
  values[indexOf("ExpRate")] = "3.000000";
  const std::string oldName = "ServerName=" + values[indexOf("ServerName")] + ",";
  values[indexOf("ServerName")] = "\"新的名字, 둘 🎮\"";
  const auto merged = mergeSettingsText(text, values);
  ASSERT_TRUE(merged);
  const std::string expected = replacedOnce(replacedOnce(text, oldExp, "ExpRate=3.000000,"), oldName,
                                            "ServerName=\"新的名字, 둘 🎮\",");
  EXPECT_EQ(*merged, expected);
  EXPECT_EQ(valuesOf(*merged), values);
}

INSTANTIATE_TEST_SUITE_P(Table, MergeFixtureTest,
                         ::testing::Values(FixtureCase{"v0.1_default.ini", 2}, FixtureCase{"v0.3_linux.ini", 2},
                                           FixtureCase{"v0.6_current.ini", 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(MergeSettingsTextTest, ReadsTheCurrentServersFileCompletely) {
  const OptionValues v = valuesOf(fixture("v0.6_current.ini"));
  EXPECT_EQ(v[indexOf("ServerName")], "\"霓虹帕鲁岛, 24/7 (PvE)\"");
  EXPECT_EQ(v[indexOf("ServerDescription")], "\"欢迎 👋 환영합니다, have fun!\"");
  EXPECT_EQ(v[indexOf("AdminPassword")], "\"p@ss,word\"");
  EXPECT_EQ(v[indexOf("bEnableInvaderEnemy")], "true");  // not among the items: kept as written
  EXPECT_EQ(v[indexOf("AllowGlobalPalboxExport")], "True");
  EXPECT_EQ(v[indexOf("bAllowGlobalPalboxImport")], "False");
  EXPECT_EQ(v[indexOf("BanListURL")], "\"https://api.palworldgame.com/api/banlist.txt\"");
  EXPECT_EQ(v[indexOf("PublicPort")], "8211");
  for (const auto& value : v) EXPECT_NE(value, "");
}

TEST(MergeSettingsTextTest, TheLastEntryOfAnEarlyServersListIsRead) {
  // The early default file ends its list with BanListURL=...")".
  EXPECT_EQ(valuesOf(fixture("v0.1_default.ini"))[indexOf("BanListURL")],
            "\"https://api.palworldgame.com/api/banlist.txt\"");
}

TEST(MergeSettingsTextTest, KeepsTheKeyAsTheFileSpellsIt) {
  const std::string text = fixture("v0.6_current.ini");
  OptionValues values = valuesOf(text);
  values[indexOf("AllowGlobalPalboxExport")] = "False";
  const auto merged = mergeSettingsText(text, values);
  ASSERT_TRUE(merged);
  EXPECT_EQ(*merged, replacedOnce(text, "bAllowGlobalPalboxExport=True,", "bAllowGlobalPalboxExport=False,"));
}

TEST(MergeSettingsTextTest, AppendsTheKeysTheFileLacksAtTheEndOfTheList) {
  const std::string text = fixture("v0.1_default.ini");  // has no palbox switches
  OptionValues values = valuesOf(text);
  values[indexOf("AllowGlobalPalboxExport")] = "True";
  values[indexOf("bAllowGlobalPalboxImport")] = "False";
  const auto merged = mergeSettingsText(text, values);
  ASSERT_TRUE(merged);
  EXPECT_EQ(*merged, replacedOnce(text, "banlist.txt\")\r\n",
                                  "banlist.txt\",bAllowGlobalPalboxExport=True,bAllowGlobalPalboxImport=False)\r\n"));
  EXPECT_EQ(valuesOf(*merged), values);
}

TEST(MergeSettingsTextTest, ALackedKeyWithAnEmptyValueIsNotAdded) {
  const std::string text = fixture("v0.1_default.ini");
  EXPECT_EQ(mergeSettingsText(text, valuesOf(text)), text);
}

struct ShapeCase {
  const char* name;
  std::string existing;
  std::string expected;  // after setting ExpRate to 2
};

class MergeShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(MergeShapeTest, WritesTheValueWhereItReadsBack) {
  OptionValues values = valuesOf(GetParam().existing);
  values[indexOf("ExpRate")] = "2";
  const auto merged = mergeSettingsText(GetParam().existing, values);
  ASSERT_TRUE(merged);
  EXPECT_EQ(*merged, GetParam().expected);
  EXPECT_EQ(extractOption(*merged, "ExpRate="), "2");
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeShapeTest,
    ::testing::Values(
        ShapeCase{"InPlace", "[S]\r\nOptionSettings=(ExpRate=1,Foo=(a,b))\r\n", "[S]\r\nOptionSettings=(ExpRate=2,Foo=(a,b))\r\n"},
        ShapeCase{"LastEntry", "OptionSettings=(Foo=1,ExpRate=1)", "OptionSettings=(Foo=1,ExpRate=2)"},
        ShapeCase{"AppendedAfterLastEntry", "OptionSettings=(Foo=1)\n", "OptionSettings=(Foo=1,ExpRate=2)\n"},
        ShapeCase{"AppendedKeepingATrailingComma", "OptionSettings=(Foo=1,)", "OptionSettings=(Foo=1,ExpRate=2,)"},
        ShapeCase{"AppendedToAnEmptyList", "OptionSettings=()", "OptionSettings=(ExpRate=2)"},
        ShapeCase{"AppendedToAListInOtherLetterCase", "optionsettings = (exprate=1)\r\n",
                  "optionsettings = (exprate=1,ExpRate=2)\r\n"},
        ShapeCase{"AppendedToAnUnclosedList", "OptionSettings=(Foo=1\r\nBar=2", "OptionSettings=(Foo=1,ExpRate=2,\r\nBar=2"},
        ShapeCase{"ListAddedAfterTheSection", "; c\r\n[/Script/Pal.PalGameWorldSettings]\r\n[Other]\r\nX=1\r\n",
                  "; c\r\n[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)\r\n[Other]\r\nX=1\r\n"},
        ShapeCase{"ListAddedAfterALastSectionLine", "[/Script/Pal.PalGameWorldSettings]",
                  "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)"},
        ShapeCase{"SectionAndListAdded", " ", " \r\n[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)"},
        ShapeCase{"SectionAndListAddedAfterALineBreak", "; note\n",
                  "; note\n[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)"},
        ShapeCase{"ACommentedListIsNoList", "; OptionSettings=(ExpRate)\r\n",
                  "; OptionSettings=(ExpRate)\r\n[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(ExpRate=2,)"},
        ShapeCase{"AValueWithoutAnEndGetsOne", "OptionSettings=(Foo=1,ExpRate=1", "OptionSettings=(Foo=1,ExpRate=2,1"},
        ShapeCase{"OnlyTheFirstOfTwo", "OptionSettings=(ExpRate=1,ExpRate=5)", "OptionSettings=(ExpRate=2,ExpRate=5)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergeSettingsTextTest, ABlankTextIsReplacedByTheComposedText) {
  OptionValues values = sampleValues();
  for (const std::string blank : {"", "\r\n", "\n\n\r\r"}) EXPECT_EQ(mergeSettingsText(blank, values), composeSettingsText(values));
  // Every entry empty but the six quoted fields, as a save from an empty
  // window writes them.
  OptionValues quotedOnly;
  for (std::string_view name : kQuotedFields) quotedOnly[indexOf(name)] = "\"\"";
  const auto text = mergeSettingsText("", quotedOnly);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("Difficulty=,DayTimeSpeedRate=,"), std::string::npos);
  EXPECT_NE(text->find("ServerName=\"\",ServerDescription=\"\",AdminPassword=\"\",ServerPassword=\"\",PublicPort=,"),
            std::string::npos);
}

TEST(MergeSettingsTextTest, RefusesValuesThatWouldNotReadBack) {
  const std::string text = fixture("v0.6_current.ini");
  for (const std::string& bad : std::vector<std::string>{"1,5", "1)", "\"abc", "a\"b", "(x", "a\r\nb", "a\nb", std::string("a\0b", 3)}) {
    OptionValues values = valuesOf(text);
    values[indexOf("ServerName")] = bad;
    EXPECT_EQ(mergeSettingsText(text, values), std::nullopt) << bad;
    EXPECT_EQ(mergeSettingsText("", values), std::nullopt) << bad;
  }
}

TEST(MergeSettingsTextTest, RefusesWhenAnEditWouldChangeAnotherValue) {
  // ExpRate= stands inside ServerName's quoted value: rewriting one there
  // would change the other.
  const std::string text = "OptionSettings=(ServerName=\"ExpRate=1\",PublicPort=1)";
  OptionValues values = valuesOf(text);
  ASSERT_EQ(values[indexOf("ExpRate")], "");  // its quote runs to the end
  values[indexOf("ExpRate")] = "2";
  EXPECT_EQ(mergeSettingsText(text, values), std::nullopt);
}

TEST(MergeSettingsTextTest, AQuotedValueWithCommasReadsBackAsTyped) {
  const std::string text = fixture("v0.3_linux.ini");
  OptionValues values = valuesOf(text);
  values[indexOf("ServerDescription")] = "\"PvE, no griefing, (EU)\"";
  values[indexOf("BanListURL")] = "\"https://x.example/a,b\"";
  const auto merged = mergeSettingsText(text, values);
  ASSERT_TRUE(merged);
  EXPECT_EQ(valuesOf(*merged), values);
}

TEST(MergeSettingsTextTest, KeepsMalformedBytesWhenTheValueShownIsUnchanged) {
  const std::string text = "OptionSettings=(ServerName=\"a\xFF\",ExpRate=1)";
  OptionValues shown = valuesOf("OptionSettings=(ServerName=\"a\xEF\xBF\xBD\",ExpRate=1)");
  EXPECT_EQ(mergeSettingsText(text, shown), text);
  shown[indexOf("ExpRate")] = "2";
  EXPECT_EQ(mergeSettingsText(text, shown), "OptionSettings=(ServerName=\"a\xFF\",ExpRate=2)");
}

TEST(MergeSettingsTextTest, WritesATenKilobyteValue) {
  const std::string text = fixture("v0.6_current.ini");
  OptionValues values = valuesOf(text);
  values[indexOf("ServerDescription")] = "\"" + std::string(10240, 'x') + "\"";
  const auto merged = mergeSettingsText(text, values);
  ASSERT_TRUE(merged);
  EXPECT_EQ(valuesOf(*merged), values);
  const std::string before = valuesOf(text)[indexOf("ServerDescription")];
  EXPECT_EQ(merged->size(), text.size() - before.size() + values[indexOf("ServerDescription")].size());
}

TEST(MergeSettingsTextTest, ReadsAFileWrittenByTheComposedFormTheSameWay) {
  // Files the editor wrote before it kept other entries: two lines ending
  // ",)", every value followed by a comma.
  const OptionValues v = sampleValues();
  const std::string old = composeSettingsText(v);
  EXPECT_EQ(valuesOf(old), v);
  EXPECT_EQ(mergeSettingsText(old, v), old);
}

}  // namespace
}  // namespace kovrin
