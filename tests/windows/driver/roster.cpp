#include "roster.h"

#include "app/main_window.h"
#include "app/tool.h"
#include "config/config_window.h"
#include "fakes.h"

namespace driver {
namespace {

// The rosters are built once over a tool on stand-in services; only their
// names and order are used, never their handlers.
const kovrin::WindowSpec& layout(Roster roster) {
  static kovrin::fakes::FakePlatform platform;
  static kovrin::Tool tool(platform.platform, "C:\\kovrin");
  static const kovrin::WindowSpec main = kovrin::mainWindowSpec(tool);
  static const kovrin::WindowSpec config = kovrin::configWindowSpec(tool);
  return roster == Roster::Main ? main : config;
}

}  // namespace

int rosterControlId(Roster roster, std::string_view name) {
  const auto& controls = layout(roster).controls;
  for (std::size_t i = 0; i < controls.size(); ++i)
    if (controls[i].name == name) return kovrin::controlId(i);
  return -1;
}

std::vector<std::string> rosterNames(Roster roster) {
  std::vector<std::string> names;
  for (const auto& c : layout(roster).controls) names.push_back(c.name);
  return names;
}

std::string rosterCaption(Roster roster) { return layout(roster).caption; }

}  // namespace driver
