#include "config/text_helpers.h"

#include "platform/text.h"

namespace kovrin {
namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The engine's line terminators: CR, LF and the two Unicode separators.
constexpr std::string_view kLineSeparator = "\xE2\x80\xA8";
constexpr std::string_view kParagraphSeparator = "\xE2\x80\xA9";

bool lineTerminatorAt(std::string_view t, std::size_t i) {
  if (i >= t.size()) return false;
  if (t[i] == '\r' || t[i] == '\n') return true;
  const std::string_view rest = t.substr(i, 3);
  return rest == kLineSeparator || rest == kParagraphSeparator;
}

bool lineTerminatorEndsAt(std::string_view t, std::size_t end) {
  if (end == 0) return false;
  if (t[end - 1] == '\r' || t[end - 1] == '\n') return true;
  if (end < 3) return false;
  const std::string_view last = t.substr(end - 3, 3);
  return last == kLineSeparator || last == kParagraphSeparator;
}

// What the engine's pattern "(?:^\r|\n$)" with Multiline and Global removes:
// a CR at the start of the text or after a line terminator, an LF at the end
// of the text or before a line terminator. Every match is one character and
// the anchors look at the original text, so each character is judged alone.
std::string removeBlankBreaks(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && (i == 0 || lineTerminatorEndsAt(t, i))) continue;
    if (t[i] == '\n' && (i + 1 == t.size() || lineTerminatorAt(t, i + 1))) continue;
    out.push_back(t[i]);
  }
  return out;
}

// The text both ways work on: well-formed, without one leading and one
// trailing CR LF pair.
std::string prepareForStrip(std::string_view text) {
  std::string t = wellFormedUtf8(text);
  if (t.compare(0, 2, "\r\n") == 0) t.erase(0, 2);
  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.erase(t.size() - 2);
  return t;
}

std::string_view untilZero(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

std::ptrdiff_t findText(std::string_view text, std::string_view searched, std::ptrdiff_t start,
                        bool ignoreCase) {
  if (start < 1) start = 1;
  if (text.empty() || searched.empty()) return -1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (from > text.size()) return -1;
  std::size_t at;
  if (ignoreCase) {
    std::string t(text), s(searched);
    for (char& c : t) c = lowerAscii(c);
    for (char& c : s) c = lowerAscii(c);
    at = t.find(s, from);
  } else {
    at = text.find(searched, from);
  }
  return at == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at) + 1;
}

std::size_t characterLength(std::string_view text, std::size_t at) {
  const auto b0 = static_cast<unsigned char>(text[at]);
  std::size_t need;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) need = 1;
  else if (b0 >= 0xE0 && b0 <= 0xEF) need = 2;
  else if (b0 >= 0xF0 && b0 <= 0xF4) need = 3;
  else return 1;
  // The lead byte and as many continuation bytes as follow it, at most the
  // sequence's length: a cut-off sequence is one malformed character.
  std::size_t length = 1;
  while (length <= need && at + length < text.size() &&
         isContinuation(static_cast<unsigned char>(text[at + length])))
    ++length;
  return length;
}

namespace {

// Whether byte offset `at` begins a character. A byte that is no continuation
// byte always does; a continuation byte does unless the character begun by
// the nearest byte before it that is no continuation byte (at most three
// bytes back, a character being at most four) reaches over it.
bool onCharBoundary(std::string_view text, std::size_t at) {
  if (at == 0 || at >= text.size() || !isContinuation(static_cast<unsigned char>(text[at]))) return true;
  for (std::size_t back = 1; back <= 3 && back <= at; ++back) {
    const std::size_t lead = at - back;
    if (!isContinuation(static_cast<unsigned char>(text[lead]))) return at >= lead + characterLength(text, lead);
  }
  return true;
}

}  // namespace

std::size_t findOnCharBoundary(std::string_view text, std::string_view searched, std::size_t from) {
  if (searched.empty()) return std::string_view::npos;
  for (std::size_t at = text.find(searched, from); at != std::string_view::npos; at = text.find(searched, at + 1))
    if (onCharBoundary(text, at)) return at;
  return std::string_view::npos;
}

std::string textBetween(std::string_view text, std::string_view left, std::string_view right) {
  const std::size_t l = findOnCharBoundary(text, left);
  if (l == std::string_view::npos) return "";
  const std::size_t begin = l + left.size();
  const std::size_t r = findOnCharBoundary(text, right, begin);
  if (r == std::string_view::npos) return "";
  return std::string(text.substr(begin, r - begin));
}

bool RegexObject::execute(const std::string& pattern, const std::string& text, bool caseSensitive,
                          bool multiline, bool global) {
  engine_.reset();
  engine_ = automation_.createRegExp();
  if (!engine_) return false;
  text_ = text;
  return engine_->execute(pattern, text_, !caseSensitive, multiline, global);
}

std::optional<std::string> RegexObject::replace(const std::string& replacement) {
  if (!engine_) return std::nullopt;
  return engine_->replace(replacement);
}

void RegexObject::release() {
  engine_.reset();
  text_.clear();
}

std::string stripBlankLines(Automation& automation, std::string_view text) {
  const std::string t = prepareForStrip(text);
  {
    RegexObject regex(automation);
    if (regex.execute(R"((?:^\r|\n$))", t)) {
      std::optional<std::string> result = regex.replace("");
      regex.release();
      if (result) return *result;
    }
  }
  return removeBlankBreaks(t);
}

std::string stripBlankLinesDirect(std::string_view text) { return removeBlankBreaks(prepareForStrip(text)); }

bool isBlankText(std::string_view text) {
  return text.find_first_not_of("\r\n") == std::string_view::npos;
}

std::string utf8ToGbk(std::string_view text) { return toGbk(untilZero(text)); }

std::string gbkToUtf8(std::string_view gbk) {
  gbk = untilZero(gbk);
  if (gbk.empty()) return "";
  return fromGbk(gbk);
}

std::string wellFormedUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  return fromUtf16(toUtf16(text));
}

}  // namespace kovrin
