// The configuration editor's codec and text helpers on arbitrary input: no
// crash, no sanitizer report, and the properties the editor relies on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/option_codec.h"
#include "config/settings_file.h"
#include "config/text_helpers.h"
#include "platform/text.h"

namespace {

using namespace kovrin;

void require(bool condition) {
  if (!condition) std::abort();
}

OptionValues valuesOf(std::string_view text) {
  OptionValues values;
  for (std::size_t i = 0; i < kOptionCount; ++i) values[i] = extractOption(text, optionFields[i].key);
  return values;
}

// What the editor shows for a written text the next time it loads it: the
// values of the well-formed text (a window holds no malformed UTF-8).
bool showsValues(std::string_view written, const OptionValues& values) {
  const OptionValues shown = valuesOf(wellFormedUtf8(written));
  for (std::size_t i = 0; i < kOptionCount; ++i)
    if (shown[i] != wellFormedUtf8(values[i])) return false;
  return true;
}

// The character-aware search done the slow way: walking every character.
std::size_t findByWalking(std::string_view text, std::string_view searched, std::size_t from) {
  if (searched.empty()) return std::string::npos;
  for (std::size_t i = 0; i < text.size(); i += characterLength(text, i))
    if (i >= from && text.compare(i, searched.size(), searched) == 0) return i;
  return std::string::npos;
}

void textHelpers(FuzzedDataProvider& in, const std::string& text) {
  const std::string needle = in.ConsumeRandomLengthString(8);
  const std::string right = in.ConsumeRandomLengthString(4);
  const auto start = in.ConsumeIntegralInRange<std::ptrdiff_t>(-1, static_cast<std::ptrdiff_t>(text.size()) + 2);
  const std::ptrdiff_t found = findText(text, needle, start, in.ConsumeBool());
  require(found == -1 || (found >= 1 && static_cast<std::size_t>(found) + needle.size() - 1 <= text.size()));

  const std::string between = textBetween(text, needle, right);
  require(between.size() <= text.size());
  const auto from = in.ConsumeIntegralInRange<std::size_t>(0, text.size());
  const std::size_t at = findOnCharBoundary(text, needle, from);
  require(at == findByWalking(text, needle, from));

  // Blank means CR and LF only, whatever else the text holds.
  const std::string stripped = stripBlankLinesDirect(text);
  require(stripped.empty() == isBlankText(text));
  require(isValidUtf8(stripped));

  // Every text GBK can hold comes back from UTF-8 unchanged.
  const std::string gbk = utf8ToGbk(text);
  require(gbk.find('\0') == std::string::npos);
  require(utf8ToGbk(gbkToUtf8(gbk)) == gbk);
  require(isValidUtf8(gbkToUtf8(text)));
  require(isValidUtf8(wellFormedUtf8(text)));
}

void codec(FuzzedDataProvider& in, const std::string& text) {
  for (const auto& field : optionFields) {
    const auto span = locateOption(text, field.key);
    if (!span) continue;
    require(span->begin <= span->end && span->end <= text.size());
    if (span->terminated) require(text[span->end] == ',' || text[span->end] == ')');
  }

  // Loading and saving without an edit changes nothing.
  const OptionValues shown = valuesOf(text);
  const auto same = mergeSettingsText(text, shown);
  if (isBlankText(text))
    require(same == composeSettingsText(shown));
  else
    require(same == text);

  // An edit is either refused or reads back, and so does a composed text.
  OptionValues edited = shown;
  const int edits = in.ConsumeIntegralInRange(0, 6);
  for (int e = 0; e < edits; ++e) {
    const auto i = in.ConsumeIntegralInRange<std::size_t>(0, kOptionCount - 1);
    std::string value = in.ConsumeRandomLengthString(48);
    if (optionFields[i].quoteOnSave) value = quoteIfBare(value);
    edited[i] = value;
  }
  if (const auto merged = mergeSettingsText(text, edited)) require(showsValues(*merged, edited));
  if (const auto composed = mergeSettingsText("", edited)) {
    require(*composed == composeSettingsText(edited));
    require(showsValues(*composed, edited));
  }

  const SettingsFileText file = readSettingsBytes(text);
  require(file.text.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string text = in.ConsumeRandomLengthString(1 << 16);
  textHelpers(in, text);
  codec(in, text);
  return 0;
}
