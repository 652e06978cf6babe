#include <gtest/gtest.h>

#include <string>

#include "app/values.h"

namespace kovrin {
namespace {

struct TextToIntCase {
  const char* text;
  std::int32_t expected;
};

class TextToIntTest : public ::testing::TestWithParam<TextToIntCase> {};

TEST_P(TextToIntTest, ReadsLikeTheCLibraryAfterFoldingFullWidthForms) {
  EXPECT_EQ(textToInt(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextToIntTest,
    ::testing::Values(
        TextToIntCase{"", 0},
        TextToIntCase{"60", 60},
        TextToIntCase{"６０", 60},                 // full-width digits
        TextToIntCase{"　６０", 60},               // ideographic space, then full-width digits
        TextToIntCase{"－５", -5},                 // full-width minus sign
        TextToIntCase{"＋７", 7},
        TextToIntCase{"-5", -5},
        TextToIntCase{"+12", 12},
        TextToIntCase{" \t\r\n\v\f42", 42},        // every C white-space character
        TextToIntCase{"  -3", -3},                 // blanks before a sign
        TextToIntCase{"- 3", 0},                   // a blank after the sign ends it
        TextToIntCase{"+-3", 0},
        TextToIntCase{"12abc", 12},
        TextToIntCase{"1.9", 1},
        TextToIntCase{"abc", 0},
        TextToIntCase{"分钟", 0},
        TextToIntCase{"1２3", 123},                // mixed widths
        TextToIntCase{"2147483647", 2147483647},
        TextToIntCase{"2147483648", INT32_MIN},    // wraps at 32 bits
        TextToIntCase{"4294967296", 0},
        TextToIntCase{"4294967297", 1},
        TextToIntCase{"-2147483648", INT32_MIN},
        TextToIntCase{"99999999999", 1215752191},  // 99999999999 mod 2^32
        TextToIntCase{"★5", 0},                    // a star folds to "*", not a digit
        TextToIntCase{"～1", 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(IntToText, PlainDigitsWithMinusSign) {
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(3599), "3599");
  EXPECT_EQ(intToText(-1), "-1");
}

}  // namespace
}  // namespace kovrin

#include "automation/schedules.h"

namespace kovrin {
namespace {

TEST(MinutesToTicks, ExactProductKeptToItsLow32Bits) {
  EXPECT_EQ(minutesToTicks(60), 3600);
  EXPECT_EQ(minutesToTicks(0), 0);
  EXPECT_EQ(minutesToTicks(-5), -300);
  EXPECT_EQ(minutesToTicks(35791394), 2147483640);  // the largest that fits
  EXPECT_LT(minutesToTicks(35791395), 0);           // wraps: never fires
  EXPECT_EQ(minutesToTicks(35791395), -2147483596);
}

}  // namespace
}  // namespace kovrin
