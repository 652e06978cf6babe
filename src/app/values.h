// How numbers and texts move in and out of controls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kovrin {

struct Tool;

// Full-width forms folded to ASCII (full-width ASCII characters, the
// ideographic space, the full-width tilde, the two stars), then the C library's
// decimal conversion: leading white space, one optional sign, digits up to the
// first other character, wrapping at 32 bits. No digits give 0.
std::int32_t textToInt(std::string_view text);

// Plain decimal digits, "-" for a negative number.
std::string intToText(std::int64_t value);

// Decreases a tick count by one. Counts are 32-bit and may run far below
// zero; they wrap at the bottom instead of overflowing.
inline void countDown(std::int32_t& count) {
  count = static_cast<std::int32_t>(static_cast<std::uint32_t>(count) - 1u);
}

// The one way the tool tells the operator anything.
void showMessage(Tool& tool, const std::string& text);

}  // namespace kovrin
