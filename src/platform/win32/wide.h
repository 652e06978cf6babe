// UTF-8 <-> UTF-16 at the Win32 boundary, and path spelling for the W APIs.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/text.h"

namespace kovrin::win32 {

inline std::wstring wide(std::string_view utf8) {
  const std::u16string units = toUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string narrow(const wchar_t* text, std::size_t length) {
  return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

inline std::string narrow(std::wstring_view text) { return narrow(text.data(), text.size()); }

// The path as the W file APIs take it. A path too long for the classic
// MAX_PATH rules (directories are limited to 248 characters) is made absolute
// and given the "\\?\" prefix, which lifts the limit; shorter paths are passed
// through untouched so that they keep their usual meaning.
std::wstring osPath(std::wstring path);
inline std::wstring osPath(std::string_view utf8) { return osPath(wide(utf8)); }

}  // namespace kovrin::win32
