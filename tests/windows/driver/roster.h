// Control identifiers of the tool's windows, taken from the real rosters: a
// control's identifier is controlId(its index in the roster).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace driver {

enum class Roster { Main, Config };

// The identifier of the named control; -1 when the roster has no such name.
int rosterControlId(Roster roster, std::string_view name);
// The names of a roster, in roster order.
std::vector<std::string> rosterNames(Roster roster);
// The window caption a roster declares.
std::string rosterCaption(Roster roster);

}  // namespace driver
