// The server's PalWorldSettings.ini on disk: loading it for the editor (with
// the fallback to the server's default file) and writing it back.
#pragma once

#include <string>
#include <string_view>

#include "config/option_codec.h"

namespace kovrin {

struct Tool;

// Shown when the settings file is blank and no default file could fill it.
extern const char* const kBlankSettingsMessage;

// The text of a settings file's bytes, as the editor reads it: a UTF-16 file
// (with its byte-order mark) is decoded to UTF-8; any other file is taken up
// to its first zero byte.
struct SettingsFileText {
  std::string text;   // without a UTF-8 byte-order mark
  std::string rest;   // the bytes from the first zero byte on (UTF-8 files)
  bool bom = false;   // the file began with a UTF-8 byte-order mark
  bool utf16 = false;
};
SettingsFileText readSettingsBytes(std::string_view bytes);

// The settings text to show: the file at palSettingsPath (well-formed UTF-8,
// malformed bytes as U+FFFD). A blank file (CR and LF only, or missing) is
// first overwritten with a copy of DefaultPalWorldSettings.ini and read again;
// when it is still blank the operator is told once and the blank text is
// returned. A file that exists but cannot be read is never overwritten.
std::string loadSettingsText(Tool& tool);

// Writes the text to palSettingsPath as it is, atomically: the old file stays
// whole when the write fails. The directory is not created. True when written.
bool saveSettingsText(Tool& tool, std::string_view text);

// Writes the 64 values into the settings file: over a blank or missing file
// the composed text; otherwise only the values that changed, in place, and
// the settings the file lacks, everything else kept byte for byte (a UTF-8
// byte-order mark is dropped; a UTF-16 file is written as UTF-8). False, with
// the file untouched, when it exists but cannot be read, when a value cannot
// be written so that it reads back as it is, or when the write fails.
bool saveOptionValues(Tool& tool, const OptionValues& values);

}  // namespace kovrin
