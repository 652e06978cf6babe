// Text conversions. Inside the tool every text is UTF-8; the operating system
// is spoken to in UTF-16, and a few files are kept in code page 936 (GBK).
#pragma once

#include <string>
#include <string_view>

namespace kovrin {

// UTF-8 <-> UTF-16. Invalid UTF-8 sequences become U+FFFD; unpaired
// surrogates become U+FFFD on the way back.
std::u16string toUtf16(std::string_view utf8);
std::string fromUtf16(std::u16string_view utf16);

// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// UTF-8 <-> GBK (code page 936), as Windows converts them. A character GBK
// cannot hold becomes "?" (the system's default character); an invalid GBK
// sequence becomes U+FFFD... the conversion never fails.
std::string toGbk(std::string_view utf8);
std::string fromGbk(std::string_view gbk);

// Whether every character of the UTF-8 text has a GBK form.
bool fitsGbk(std::string_view utf8);

}  // namespace kovrin
