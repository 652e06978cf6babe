#include "platform/profile.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace kovrin {
namespace {

enum class Encoding { Gbk, Utf8Bom, Utf16Bom };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

struct Document {
  Encoding encoding = Encoding::Gbk;
  std::vector<std::string> lines;  // UTF-8, without their line ends
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

std::string decodeUtf16(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return fromUtf16(units);
}

std::string encodeUtf16(std::string_view utf8) {
  std::string bytes;
  for (char16_t unit : toUtf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

Document parse(std::string_view raw) {
  Document doc;
  std::string text;
  if (raw.substr(0, 2) == kUtf16Bom) {
    doc.encoding = Encoding::Utf16Bom;
    text = decodeUtf16(raw.substr(2));
  } else if (raw.substr(0, 3) == kUtf8Bom) {
    doc.encoding = Encoding::Utf8Bom;
    text = std::string(raw.substr(3));
  } else {
    text = fromGbk(raw);
  }
  doc.lines = splitLines(text);
  return doc;
}

// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const std::size_t close = line.find(']');
  return trim(close == std::string_view::npos ? line : line.substr(0, close));
}

// Key and raw value of a "key=value" line, or nothing.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::make_pair(trim(line.substr(0, eq)), line.substr(eq + 1));
}

// Index range [begin, end) of the section's body lines, or nothing.
std::optional<std::pair<std::size_t, std::size_t>> findSection(const Document& doc,
                                                               std::string_view section) {
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    auto name = sectionName(doc.lines[i]);
    if (!name || !equalsIgnoringCase(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < doc.lines.size() && !sectionName(doc.lines[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

// Cuts a UTF-8 value to at most `limit` bytes in the file's encoding, never in
// the middle of a character.
std::string cutToLimit(std::string_view value, Encoding encoding) {
  std::string out;
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < value.size()) {
    std::size_t len = 1;
    const auto lead = static_cast<unsigned char>(value[i]);
    if (lead >= 0xF0) len = 4;
    else if (lead >= 0xE0) len = 3;
    else if (lead >= 0xC0) len = 2;
    len = std::min(len, value.size() - i);
    const std::string_view ch = value.substr(i, len);
    std::size_t cost = len;
    if (encoding == Encoding::Gbk) cost = toGbk(ch).size();
    else if (encoding == Encoding::Utf16Bom) cost = toUtf16(ch).size() * 2;
    if (used + cost > kProfileValueLimit) break;
    used += cost;
    out.append(ch);
    i += len;
  }
  return out;
}

std::string serialise(const Document& doc) {
  std::string text;
  for (const auto& line : doc.lines) {
    text += line;
    text += "\r\n";
  }
  switch (doc.encoding) {
    case Encoding::Utf16Bom: return std::string(kUtf16Bom) + encodeUtf16(text);
    case Encoding::Utf8Bom: return std::string(kUtf8Bom) + text;
    case Encoding::Gbk: break;
  }
  return toGbk(text);
}

}  // namespace

std::string ProfileFile::read(const std::string& path, const std::string& section,
                              const std::string& key) {
  const auto raw = files_.readFile(path);
  if (!raw) return "";
  const Document doc = parse(*raw);
  const auto range = findSection(doc, section);
  if (!range) return "";
  for (std::size_t i = range->first; i < range->second; ++i) {
    auto kv = keyValue(doc.lines[i]);
    if (!kv || !equalsIgnoringCase(kv->first, key)) continue;
    std::string_view value = trim(kv->second);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return cutToLimit(value, doc.encoding);
  }
  return "";
}

bool ProfileFile::write(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value) {
  Document doc;
  if (const auto raw = files_.readFile(path)) doc = parse(*raw);
  // A value GBK cannot hold would be lost in the ANSI file: such a file is
  // kept in UTF-16 with a byte-order mark instead, which reads the same way.
  if (doc.encoding == Encoding::Gbk && !fitsGbk(value)) doc.encoding = Encoding::Utf16Bom;

  const std::string line = key + "=" + value;
  if (auto range = findSection(doc, section)) {
    std::size_t insertAt = range->first;
    for (std::size_t i = range->first; i < range->second; ++i) {
      auto kv = keyValue(doc.lines[i]);
      if (kv && equalsIgnoringCase(kv->first, key)) {
        doc.lines[i] = line;
        return files_.replaceFile(path, serialise(doc));
      }
      if (!trim(doc.lines[i]).empty()) insertAt = i + 1;
    }
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
  } else {
    doc.lines.push_back("[" + section + "]");
    doc.lines.push_back(line);
  }
  return files_.replaceFile(path, serialise(doc));
}

}  // namespace kovrin
