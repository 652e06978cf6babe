// Writes a zip archive in memory (deflated entries), as SteamCMD's download
// is packed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Entries are (name inside the archive, bytes).
std::string zipArchive(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace e2e
