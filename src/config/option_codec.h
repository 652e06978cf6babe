// The OptionSettings codec: the 64 settings the editor knows, how a value is
// taken out of a settings text, and how the values are written back.
//
// Text in, text out: the codec reads no file and touches no control. Values
// are opaque texts, carried character for character (quotes included).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/window.h"

namespace kovrin {

struct OptionField {
  std::string_view key;      // as written in the file, with its "="
  std::string_view control;  // the value control's name: the key without "="
  ControlKind kind;          // Edit or Combo
  std::span<const std::string_view> choices;  // combo items, in order
  bool quoteOnSave;          // a text written between double quotes
};

inline constexpr std::size_t kOptionCount = 64;

namespace choice_lists {
inline constexpr std::string_view kDifficulty[] = {"None", "Easy", "Difficult"};
inline constexpr std::string_view kDeathPenalty[] = {"None", "Item", "ItemAndEquipment", "All"};
inline constexpr std::string_view kTrueFalse[] = {"True", "False"};
}  // namespace choice_lists

// The 64 settings in their fixed order: the order of loading and of the
// entries of a composed text.
extern const std::array<OptionField, kOptionCount> optionFields;

// One value per entry of optionFields, in its order.
using OptionValues = std::array<std::string, kOptionCount>;

// The six quoted text fields, in the order the save normalises them.
inline constexpr std::string_view kQuotedFields[] = {"Region",        "PublicIP",          "ServerPassword",
                                                     "AdminPassword", "ServerDescription", "ServerName"};

// Where a key's value stands in a text.
struct OptionSpan {
  std::size_t keyBegin = 0;
  std::size_t begin = 0;  // just after the key
  std::size_t end = 0;    // the terminating comma or ")"; == begin when unterminated
  bool terminated = false;
};

// The first occurrence of `key` (case-sensitive, on a character boundary,
// anywhere in the text) and its value: everything up to the first comma or
// ")" outside double quotes and outside nested parentheses. Nothing when the
// key does not occur.
std::optional<OptionSpan> locateOption(std::string_view text, std::string_view key);

// The value of `key`: "" when the key is missing or its value has no end.
std::string extractOption(std::string_view text, std::string_view key);

// The value between double quotes when it holds no double quote (an empty
// value becomes ""), otherwise unchanged.
std::string quoteIfBare(const std::string& value);

// The complete two-line settings text of the 64 values:
// "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(Key=Value,...,)".
std::string composeSettingsText(const OptionValues& values);

// The settings text to write over `existing` (a file's text, without a
// byte-order mark) so that it holds `values`:
// - a blank text (CR and LF only) is replaced by composeSettingsText;
// - otherwise each value that differs from what the text yields for its key is
//   written in place of the value it was read from (a value without an end
//   gets one: the new value is followed by a comma), and keys the text lacks
//   are added at the end of the OptionSettings list (a list is added when
//   there is none); every other byte stays as it was.
// Nothing when a value to write cannot read back as it is (a line break or a
// zero byte in it, or a comma, parenthesis or double quote that ends it early
// or swallows what follows): then nothing should be written.
std::optional<std::string> mergeSettingsText(std::string_view existing, const OptionValues& values);

// Whether each key of `text` yields its value (compared as a window shows
// texts: malformed UTF-8 as U+FFFD).
bool yieldsValues(std::string_view text, const OptionValues& values);

}  // namespace kovrin
