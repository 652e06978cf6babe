// The text operations the configuration editor rests on: searches, the
// blank-line stripper that decides whether a settings file is blank, and the
// conversions between UTF-8 and GBK.
//
// Texts are UTF-8 byte strings. Positions are 1-based byte positions. Where a
// search is "character-aware" it steps over a whole UTF-8 character at a time
// (a malformed byte counts as a character of its own), so a match can only
// begin on a character boundary.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation.h"

namespace kovrin {

// The 1-based byte position of the first occurrence of `searched` that begins
// at or after `start` (0 counts as 1), or -1. An empty text or an empty
// searched-for text gives -1. With `ignoreCase`, ASCII A-Z are compared as a-z.
// The search is byte-wise.
std::ptrdiff_t findText(std::string_view text, std::string_view searched, std::ptrdiff_t start = 1,
                        bool ignoreCase = false);

// The characters between the first occurrence of `left` and the first
// occurrence of `right` after it; "" when either is missing. Both searches
// are character-aware and case-sensitive.
std::string textBetween(std::string_view text, std::string_view left, std::string_view right);

// The byte offset of the first occurrence of `searched` in `text` that begins
// on a character boundary at or after byte offset `from`; npos when none.
// An empty `searched` is never found.
std::size_t findOnCharBoundary(std::string_view text, std::string_view searched, std::size_t from = 0);

// The number of bytes of the character that begins at byte offset `at`
// (1 for a malformed byte). `at` must be inside the text.
std::size_t characterLength(std::string_view text, std::size_t at);

// One use of the system's regular-expression engine (VBScript.RegExp): it is
// created, used and released by the same operation.
class RegexObject {
 public:
  explicit RegexObject(Automation& automation) : automation_(automation) {}
  ~RegexObject() { release(); }
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Creates a fresh engine, sets its flags and pattern and runs it over
  // `text`. True when the engine ran (also when nothing matched).
  bool execute(const std::string& pattern, const std::string& text, bool caseSensitive = false,
               bool multiline = true, bool global = true);
  // The text given to `execute` with the matches replaced; nothing when no
  // engine ran or the call failed.
  std::optional<std::string> replace(const std::string& replacement);
  // Drops the engine and the kept text.
  void release();

 private:
  Automation& automation_;
  std::unique_ptr<RegExpEngine> engine_;
  std::string text_;
};

// Removes every CR that begins a line and every LF that ends a line, after
// dropping one leading and one trailing CR LF pair. A text of CR and LF only
// (the empty text included) comes out empty; a text with any other character
// never does. Runs on the system's regular-expression engine when it can be
// created, otherwise on stripBlankLinesDirect, which gives the same result.
// Malformed UTF-8 is read as U+FFFD by either way.
std::string stripBlankLines(Automation& automation, std::string_view text);

// The same operation without the engine.
std::string stripBlankLinesDirect(std::string_view text);

// Whether a text holds no character other than CR and LF.
bool isBlankText(std::string_view text);

// The same characters in code page 936; characters GBK cannot hold become "?".
// The text is taken up to its first zero byte, and so is the result.
std::string utf8ToGbk(std::string_view text);
// GBK bytes to UTF-8, up to the first zero character; no byte-order mark.
std::string gbkToUtf8(std::string_view gbk);

// The text with every malformed UTF-8 sequence replaced by U+FFFD, as a
// window shows it.
std::string wellFormedUtf8(std::string_view text);

}  // namespace kovrin
