#include "config/option_codec.h"

#include <vector>

#include "config/text_helpers.h"

namespace kovrin {

namespace {

constexpr ControlKind kEdit = ControlKind::Edit;
constexpr ControlKind kCombo = ControlKind::Combo;
constexpr std::span<const std::string_view> kNoChoices{};
constexpr std::span<const std::string_view> kDifficulty{choice_lists::kDifficulty};
constexpr std::span<const std::string_view> kDeathPenalty{choice_lists::kDeathPenalty};
constexpr std::span<const std::string_view> kTrueFalse{choice_lists::kTrueFalse};

constexpr std::string_view kSectionLine = "[/Script/Pal.PalGameWorldSettings]";

}  // namespace

// clang-format off
const std::array<OptionField, kOptionCount> optionFields{{
    {"Difficulty=",                         "Difficulty",                         kCombo, kDifficulty,   false},
    {"DayTimeSpeedRate=",                   "DayTimeSpeedRate",                   kEdit,  kNoChoices,    false},
    {"NightTimeSpeedRate=",                 "NightTimeSpeedRate",                 kEdit,  kNoChoices,    false},
    {"ExpRate=",                            "ExpRate",                            kEdit,  kNoChoices,    false},
    {"PalCaptureRate=",                     "PalCaptureRate",                     kEdit,  kNoChoices,    false},
    {"PalSpawnNumRate=",                    "PalSpawnNumRate",                    kEdit,  kNoChoices,    false},
    {"PalDamageRateAttack=",                "PalDamageRateAttack",                kEdit,  kNoChoices,    false},
    {"PalDamageRateDefense=",               "PalDamageRateDefense",               kEdit,  kNoChoices,    false},
    {"PlayerDamageRateAttack=",             "PlayerDamageRateAttack",             kEdit,  kNoChoices,    false},
    {"PlayerDamageRateDefense=",            "PlayerDamageRateDefense",            kEdit,  kNoChoices,    false},
    {"PlayerStomachDecreaceRate=",          "PlayerStomachDecreaceRate",          kEdit,  kNoChoices,    false},
    {"PlayerStaminaDecreaceRate=",          "PlayerStaminaDecreaceRate",          kEdit,  kNoChoices,    false},
    {"PlayerAutoHPRegeneRate=",             "PlayerAutoHPRegeneRate",             kEdit,  kNoChoices,    false},
    {"PlayerAutoHpRegeneRateInSleep=",      "PlayerAutoHpRegeneRateInSleep",      kEdit,  kNoChoices,    false},
    {"PalStomachDecreaceRate=",             "PalStomachDecreaceRate",             kEdit,  kNoChoices,    false},
    {"PalStaminaDecreaceRate=",             "PalStaminaDecreaceRate",             kEdit,  kNoChoices,    false},
    {"PalAutoHPRegeneRate=",                "PalAutoHPRegeneRate",                kEdit,  kNoChoices,    false},
    {"PalAutoHpRegeneRateInSleep=",         "PalAutoHpRegeneRateInSleep",         kEdit,  kNoChoices,    false},
    {"BuildObjectDamageRate=",              "BuildObjectDamageRate",              kEdit,  kNoChoices,    false},
    {"BuildObjectDeteriorationDamageRate=", "BuildObjectDeteriorationDamageRate", kEdit,  kNoChoices,    false},
    {"CollectionDropRate=",                 "CollectionDropRate",                 kEdit,  kNoChoices,    false},
    {"CollectionObjectHpRate=",             "CollectionObjectHpRate",             kEdit,  kNoChoices,    false},
    {"CollectionObjectRespawnSpeedRate=",   "CollectionObjectRespawnSpeedRate",   kEdit,  kNoChoices,    false},
    {"EnemyDropItemRate=",                  "EnemyDropItemRate",                  kEdit,  kNoChoices,    false},
    {"DeathPenalty=",                       "DeathPenalty",                       kCombo, kDeathPenalty, false},
    {"bEnablePlayerToPlayerDamage=",        "bEnablePlayerToPlayerDamage",        kCombo, kTrueFalse,    false},
    {"bEnableFriendlyFire=",                "bEnableFriendlyFire",                kCombo, kTrueFalse,    false},
    {"bEnableInvaderEnemy=",                "bEnableInvaderEnemy",                kCombo, kTrueFalse,    false},
    {"bActiveUNKO=",                        "bActiveUNKO",                        kCombo, kTrueFalse,    false},
    {"bEnableAimAssistPad=",                "bEnableAimAssistPad",                kCombo, kTrueFalse,    false},
    {"bEnableAimAssistKeyboard=",           "bEnableAimAssistKeyboard",           kCombo, kTrueFalse,    false},
    {"DropItemMaxNum=",                     "DropItemMaxNum",                     kEdit,  kNoChoices,    false},
    {"DropItemMaxNum_UNKO=",                "DropItemMaxNum_UNKO",                kEdit,  kNoChoices,    false},
    {"BaseCampMaxNum=",                     "BaseCampMaxNum",                     kEdit,  kNoChoices,    false},
    {"BaseCampWorkerMaxNum=",               "BaseCampWorkerMaxNum",               kEdit,  kNoChoices,    false},
    {"DropItemAliveMaxHours=",              "DropItemAliveMaxHours",              kEdit,  kNoChoices,    false},
    {"bAutoResetGuildNoOnlinePlayers=",     "bAutoResetGuildNoOnlinePlayers",     kEdit,  kNoChoices,    false},
    {"AutoResetGuildTimeNoOnlinePlayers=",  "AutoResetGuildTimeNoOnlinePlayers",  kEdit,  kNoChoices,    false},
    {"GuildPlayerMaxNum=",                  "GuildPlayerMaxNum",                  kEdit,  kNoChoices,    false},
    {"PalEggDefaultHatchingTime=",          "PalEggDefaultHatchingTime",          kEdit,  kNoChoices,    false},
    {"WorkSpeedRate=",                      "WorkSpeedRate",                      kEdit,  kNoChoices,    false},
    {"bIsMultiplay=",                       "bIsMultiplay",                       kCombo, kTrueFalse,    false},
    {"bIsPvP=",                             "bIsPvP",                             kCombo, kTrueFalse,    false},
    {"bCanPickupOtherGuildDeathPenaltyDrop=", "bCanPickupOtherGuildDeathPenaltyDrop", kCombo, kTrueFalse, false},
    {"bEnableNonLoginPenalty=",             "bEnableNonLoginPenalty",             kCombo, kTrueFalse,    false},
    {"bEnableFastTravel=",                  "bEnableFastTravel",                  kCombo, kTrueFalse,    false},
    {"bIsStartLocationSelectByMap=",        "bIsStartLocationSelectByMap",        kCombo, kTrueFalse,    false},
    {"bExistPlayerAfterLogout=",            "bExistPlayerAfterLogout",            kCombo, kTrueFalse,    false},
    {"bEnableDefenseOtherGuildPlayer=",     "bEnableDefenseOtherGuildPlayer",     kCombo, kTrueFalse,    false},
    {"CoopPlayerMaxNum=",                   "CoopPlayerMaxNum",                   kEdit,  kNoChoices,    false},
    {"ServerPlayerMaxNum=",                 "ServerPlayerMaxNum",                 kEdit,  kNoChoices,    false},
    {"ServerName=",                         "ServerName",                         kEdit,  kNoChoices,    true},
    {"ServerDescription=",                  "ServerDescription",                  kEdit,  kNoChoices,    true},
    {"AdminPassword=",                      "AdminPassword",                      kEdit,  kNoChoices,    true},
    {"ServerPassword=",                     "ServerPassword",                     kEdit,  kNoChoices,    true},
    {"PublicPort=",                         "PublicPort",                         kEdit,  kNoChoices,    false},
    {"PublicIP=",                           "PublicIP",                           kEdit,  kNoChoices,    true},
    {"RCONEnabled=",                        "RCONEnabled",                        kCombo, kTrueFalse,    false},
    {"RCONPort=",                           "RCONPort",                           kEdit,  kNoChoices,    false},
    {"Region=",                             "Region",                             kEdit,  kNoChoices,    true},
    {"bUseAuth=",                           "bUseAuth",                           kCombo, kTrueFalse,    false},
    {"BanListURL=",                         "BanListURL",                         kEdit,  kNoChoices,    false},
    {"AllowGlobalPalboxExport=",            "AllowGlobalPalboxExport",            kCombo, kTrueFalse,    false},
    {"bAllowGlobalPalboxImport=",           "bAllowGlobalPalboxImport",           kCombo, kTrueFalse,    false},
}};
// clang-format on

namespace {

// Scans a value from `begin` under the reading rules. Returns the position of
// its terminating comma or ")", or npos when the text ends first; `openAtEnd`
// tells whether a quote or a parenthesis was still open there.
std::size_t valueEnd(std::string_view text, std::size_t begin, bool* openAtEnd = nullptr) {
  bool quoted = false;
  std::size_t depth = 0;
  for (std::size_t i = begin; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) return i;
        --depth;
      } else if (c == ',' && depth == 0) {
        return i;
      }
    }
  }
  if (openAtEnd) *openAtEnd = quoted || depth > 0;
  return std::string_view::npos;
}

// Whether a value, written after its key and followed by a comma or ")",
// reads back as itself and leaves what follows alone.
bool writable(std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  bool open = false;
  return valueEnd(value, 0, &open) == std::string_view::npos && !open;
}

bool sameAsShown(std::string_view a, std::string_view b) { return a == b || wellFormedUtf8(a) == wellFormedUtf8(b); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isBreak(char c) { return c == '\r' || c == '\n'; }

bool equalsIgnoringAsciiCase(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char a = text[at + i], b = word[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    if (a != b) return false;
  }
  return true;
}

// Calls `visit(lineStart)` for each line until it returns true; returns the
// line start it accepted, or npos.
template <typename Visit>
std::size_t findLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start <= text.size()) {
    if (visit(start)) return start;
    const std::size_t brk = text.find_first_of("\r\n", start);
    if (brk == std::string_view::npos) break;
    start = brk + 1;
  }
  return std::string_view::npos;
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && isBlank(text[i])) ++i;
  return i;
}

struct ListPlace {
  std::size_t contentBegin = 0;  // just after "("
  std::size_t end = 0;           // the closing ")", or the end of its line
  bool closed = false;
};

// The OptionSettings list: a line "OptionSettings=(" (any letter case, blanks
// allowed around "="), up to its closing ")" or the end of its line.
std::optional<ListPlace> findList(std::string_view text) {
  std::size_t contentBegin = 0;
  const std::size_t line = findLine(text, [&](std::size_t start) {
    std::size_t i = skipBlanks(text, start);
    if (!equalsIgnoringAsciiCase(text, i, "OptionSettings")) return false;
    i = skipBlanks(text, i + 14);
    if (i >= text.size() || text[i] != '=') return false;
    i = skipBlanks(text, i + 1);
    if (i >= text.size() || text[i] != '(') return false;
    contentBegin = i + 1;
    return true;
  });
  if (line == std::string_view::npos) return std::nullopt;
  ListPlace place{contentBegin, text.size(), false};
  bool quoted = false;
  std::size_t depth = 0;
  for (std::size_t i = contentBegin; i < text.size(); ++i) {
    const char c = text[i];
    if (isBreak(c)) {
      place.end = i;
      return place;
    }
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) {
          place.end = i;
          place.closed = true;
          return place;
        }
        --depth;
      }
    }
  }
  return place;
}

// The key under which a setting the file lacks is added. The server spells
// the palbox export switch with a leading b; the table's key finds it either
// way.
std::string_view keyForNewEntry(const OptionField& field) {
  if (field.key == "AllowGlobalPalboxExport=") return "bAllowGlobalPalboxExport=";
  return field.key;
}

std::string join(const std::vector<std::string>& entries) {
  std::string out;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) out += ',';
    out += entries[i];
  }
  return out;
}

void addEntries(std::string& text, const std::vector<std::string>& entries) {
  if (auto list = findList(text)) {
    const std::string_view content =
        std::string_view(text).substr(list->contentBegin, list->end - list->contentBegin);
    const bool endsWithComma = !content.empty() && content.back() == ',';
    std::string insert;
    if (!content.empty() && !endsWithComma) insert += ',';
    insert += join(entries);
    // A trailing comma where the list had one, and where no ")" follows to
    // end the last value.
    if (endsWithComma || !list->closed) insert += ',';
    text.insert(list->end, insert);
    return;
  }
  std::string line = "OptionSettings=(";
  for (const auto& e : entries) line += e + ",";
  line += ")";
  const std::size_t section = findLine(text, [&](std::size_t start) {
    return equalsIgnoringAsciiCase(text, skipBlanks(text, start), kSectionLine);
  });
  if (section != std::string_view::npos) {
    const std::size_t brk = text.find_first_of("\r\n", section);
    if (brk == std::string::npos) {
      text += "\r\n" + line;
    } else {
      const std::size_t brkLength = text.compare(brk, 2, "\r\n") == 0 ? 2 : 1;
      text.insert(brk + brkLength, line + text.substr(brk, brkLength));
    }
    return;
  }
  if (!text.empty() && !isBreak(text.back())) text += "\r\n";
  text += std::string(kSectionLine) + "\r\n" + line;
}

}  // namespace

std::optional<OptionSpan> locateOption(std::string_view text, std::string_view key) {
  const std::size_t at = findOnCharBoundary(text, key);
  if (at == std::string_view::npos) return std::nullopt;
  OptionSpan span;
  span.keyBegin = at;
  span.begin = at + key.size();
  const std::size_t end = valueEnd(text, span.begin);
  span.terminated = end != std::string_view::npos;
  span.end = span.terminated ? end : span.begin;
  return span;
}

std::string extractOption(std::string_view text, std::string_view key) {
  const auto span = locateOption(text, key);
  if (!span) return "";
  return std::string(text.substr(span->begin, span->end - span->begin));
}

std::string quoteIfBare(const std::string& value) {
  if (findText(value, "\"") == -1) return "\"" + value + "\"";
  return value;
}

std::string composeSettingsText(const OptionValues& values) {
  std::string text = std::string(kSectionLine) + "\r\nOptionSettings=(";
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    text += optionFields[i].key;
    text += values[i];
    text += ',';
  }
  text += ')';
  return text;
}

bool yieldsValues(std::string_view text, const OptionValues& values) {
  for (std::size_t i = 0; i < kOptionCount; ++i)
    if (!sameAsShown(extractOption(text, optionFields[i].key), values[i])) return false;
  return true;
}

std::optional<std::string> mergeSettingsText(std::string_view existing, const OptionValues& values) {
  if (isBlankText(existing)) {
    for (const auto& v : values)
      if (!writable(v)) return std::nullopt;
    std::string text = composeSettingsText(values);
    if (!yieldsValues(text, values)) return std::nullopt;
    return text;
  }

  std::string text(existing);
  std::vector<std::string> newEntries;
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    const OptionField& field = optionFields[i];
    const std::string& value = values[i];
    const auto span = locateOption(text, field.key);
    if (!span) {
      // A setting the file lacks is added only when there is a value to hold.
      if (sameAsShown(value, "")) continue;
      if (!writable(value)) return std::nullopt;
      newEntries.push_back(std::string(keyForNewEntry(field)) + value);
      continue;
    }
    const std::string_view current = std::string_view(text).substr(span->begin, span->end - span->begin);
    if (sameAsShown(current, value)) continue;
    if (!writable(value)) return std::nullopt;
    if (span->terminated)
      text.replace(span->begin, span->end - span->begin, value);
    else
      text.insert(span->begin, value + ",");
  }
  if (!newEntries.empty()) addEntries(text, newEntries);
  if (!yieldsValues(text, values)) return std::nullopt;
  return text;
}

}  // namespace kovrin
