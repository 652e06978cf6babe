// GBK conversions through the system's code page 936 tables, which work the
// same under every ANSI code page.
#include <windows.h>

#include "platform/text.h"

namespace kovrin {
namespace {

constexpr UINT kGbk = 936;

std::string narrow(const std::u16string& wide, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
  const int n = WideCharToMultiByte(kGbk, 0, w, static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, usedDefault);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kGbk, 0, w, static_cast<int>(wide.size()), out.data(), n, nullptr,
                      usedDefault);
  return out;
}

}  // namespace

std::string toGbk(std::string_view utf8) { return narrow(toUtf16(utf8), nullptr); }

std::string fromGbk(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int n = MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()),
                      reinterpret_cast<wchar_t*>(wide.data()), n);
  return fromUtf16(wide);
}

bool fitsGbk(std::string_view utf8) {
  BOOL usedDefault = FALSE;
  narrow(toUtf16(utf8), &usedDefault);
  return !usedDefault && isValidUtf8(utf8);
}

}  // namespace kovrin
