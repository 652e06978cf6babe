#include "app/settings.h"

#include "app/tool.h"

namespace kovrin {

namespace {
constexpr const char* kSection = "Basic";
}

std::string readSetting(Tool& tool, const std::string& key) {
  return tool.profile.read(tool.paths.settingsPath, kSection, key);
}

void writeSetting(Tool& tool, const std::string& key, const std::string& value) {
  tool.profile.write(tool.paths.settingsPath, kSection, key, value);
}

void ensureSetting(Tool& tool, const std::string& key, const std::string& defaultValue) {
  if (readSetting(tool, key).empty()) writeSetting(tool, key, defaultValue);
}

}  // namespace kovrin
