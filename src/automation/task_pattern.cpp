#include "automation/task_pattern.h"

#include <algorithm>

namespace kovrin {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Length of the UTF-8 character starting at s[i], so that "?" takes a whole
// character.
std::size_t charLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  return std::min(n, s.size() - i);
}

// Iterative wildcard match with single-star backtracking: linear in practice
// and never recursive, whatever the pattern.
bool wildcardMatch(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0;
  std::size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      t += charLength(text, t);
    } else if (p < pattern.size() && lower(pattern[p]) == lower(text[t])) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      starT += charLength(text, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool endsWithExe(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && lower(tail[1]) == 'e' && lower(tail[2]) == 'x' && lower(tail[3]) == 'e';
}

}  // namespace

std::optional<std::uint32_t> parseProcessId(std::string_view argument) {
  if (argument.empty() || argument.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : argument) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool matchesTaskName(std::string_view pattern, std::string_view exeName) {
  if (pattern.empty()) return false;
  if (wildcardMatch(pattern, exeName)) return true;
  return endsWithExe(exeName) && wildcardMatch(pattern, exeName.substr(0, exeName.size() - 4));
}

}  // namespace kovrin
