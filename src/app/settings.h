// The tool's own settings: section "Basic" of ZEruvo\GMSetting.ini.
#pragma once

#include <string>

namespace kovrin {

struct Tool;

// The value of a key; "" when the file, the section or the key is missing.
std::string readSetting(Tool& tool, const std::string& key);
// Stores a value; a failure is silent.
void writeSetting(Tool& tool, const std::string& key, const std::string& value);
// Writes the default when the key reads back exactly "".
void ensureSetting(Tool& tool, const std::string& key, const std::string& defaultValue);

}  // namespace kovrin
