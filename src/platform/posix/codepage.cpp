// GBK conversions on the build host, through iconv.
#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/text.h"

namespace kovrin {
namespace {

// Converts `in` from one code set to another. Unconvertible input is replaced
// by `replacement` (already in the target code set), one input character at a
// time. Returns whether everything converted cleanly.
bool convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view replacement, std::size_t badStep) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool clean = true;
  out.clear();
  char buffer[256];
  char* src = const_cast<char*>(in.data());
  std::size_t left = in.size();
  while (left > 0) {
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      clean = false;
      out.append(replacement);
      std::size_t step = badStep;
      if (badStep == 0) {  // one UTF-8 character
        const auto lead = static_cast<unsigned char>(*src);
        step = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      } else if (static_cast<unsigned char>(*src) < 0x80) {
        step = 1;
      }
      step = std::min(step, left);
      src += step;
      left -= step;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return clean;
}

}  // namespace

std::string toGbk(std::string_view utf8) {
  std::string out;
  convert("CP936", "UTF-8", utf8, out, "?", 0);
  return out;
}

std::string fromGbk(std::string_view gbk) {
  std::string out;
  convert("UTF-8", "CP936", gbk, out, "\xEF\xBF\xBD", 2);
  return out;
}

bool fitsGbk(std::string_view utf8) {
  std::string out;
  return convert("CP936", "UTF-8", utf8, out, "?", 0);
}

}  // namespace kovrin
