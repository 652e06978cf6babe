#include "app/values.h"

#include "app/tool.h"

namespace kovrin {
namespace {

// The ASCII character a full-width form folds to, or 0. These are the
// characters whose GBK form is 0xA3 0xA1..0xFE, 0xA1 0xA1, 0xA1 0xAB,
// 0xA1 0xEE or 0xA1 0xEF.
char foldFullWidth(char32_t cp) {
  if (cp >= 0xFF01 && cp <= 0xFF5E && cp != 0xFF04) return static_cast<char>(cp - 0xFEE0);
  switch (cp) {
    case 0xFFE5: return '$';   // GBK A3 A4
    case 0xFFE3: return '~';   // GBK A3 FE
    case 0x3000: return ' ';   // ideographic space, GBK A1 A1
    case 0x2606:               // GBK A1 EE
    case 0x2605: return '*';   // GBK A1 EF
    default: return 0;
  }
}

std::string fold(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 >= 0xE0 && b0 <= 0xEF && i + 2 < text.size()) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      const auto b2 = static_cast<unsigned char>(text[i + 2]);
      if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
        const char32_t cp = ((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
        if (char c = foldFullWidth(cp)) {
          out.push_back(c);
          i += 3;
          continue;
        }
      }
    }
    out.push_back(text[i]);
    ++i;
  }
  return out;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t textToInt(std::string_view text) {
  const std::string folded = fold(text);
  std::size_t i = 0;
  while (i < folded.size() && isSpace(folded[i])) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
    negative = folded[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::string intToText(std::int64_t value) { return std::to_string(value); }

void showMessage(Tool& tool, const std::string& text) { tool.os.gui.showMessage(text); }

}  // namespace kovrin
