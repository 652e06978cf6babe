#include <gtest/gtest.h>

#include <string>

#include "automation/task_pattern.h"

namespace kovrin {
namespace {

struct PatternCase {
  const char* pattern;
  const char* name;
  bool selected;
};

class TaskPatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(TaskPatternTest, SelectsByWildcardsWithoutRegardToCase) {
  const PatternCase& c = GetParam();
  EXPECT_EQ(matchesTaskName(c.pattern, c.name), c.selected) << c.pattern << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TaskPatternTest,
    ::testing::Values(PatternCase{"*", "PalServer.exe", true},
                      PatternCase{"*", "x", true},
                      PatternCase{"palserver.exe", "PalServer.exe", true},
                      PatternCase{"PalServer", "PalServer.exe", true},  // without its .exe
                      PatternCase{"Pal*", "PalServer-Win64-Shipping-Cmd.exe", true},
                      PatternCase{"*-Cmd", "PalServer-Win64-Shipping-Cmd.exe", true},
                      PatternCase{"*cmd*", "steamcmd.exe", true},
                      PatternCase{"?al*.exe", "PalServer.exe", true},
                      PatternCase{"??", "ab.exe", true},
                      PatternCase{"?", "服.exe", true},  // ? takes a whole character
                      PatternCase{"服务*", "服务器.exe", true},
                      PatternCase{"Pal", "PalServer.exe", false},
                      PatternCase{"?al", "PalServer.exe", false},
                      PatternCase{"*.dll", "PalServer.exe", false},
                      PatternCase{"a*b*c", "axxbyy", false},
                      PatternCase{"", "PalServer.exe", false},
                      PatternCase{"*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ProcessIdArgument, OnlyPlainDigitsNameAProcess) {
  EXPECT_EQ(parseProcessId("1234"), 1234u);
  EXPECT_EQ(parseProcessId("4294967295"), 4294967295u);
  EXPECT_EQ(parseProcessId("4294967296"), std::nullopt);
  EXPECT_EQ(parseProcessId("12a"), std::nullopt);
  EXPECT_EQ(parseProcessId("-1"), std::nullopt);
  EXPECT_EQ(parseProcessId(""), std::nullopt);
  EXPECT_EQ(parseProcessId("*"), std::nullopt);
}

}  // namespace
}  // namespace kovrin
