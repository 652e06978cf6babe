// Path texts as the backup code needs them: Windows paths with backslashes,
// compared the way the file system compares them (ASCII letters without
// regard to case; other characters exactly).
#pragma once

#include <string>
#include <string_view>

namespace kovrin {

// A name that can be addressed below a folder without leaving it: not empty,
// no separator or drive colon, and not made of dots and blanks only (".",
// "..", "..." and the like name the folder itself or its parent once the
// system has trimmed them).
bool isPlainEntryName(std::string_view name);

// folder + "\" + name, without doubling a trailing backslash of the folder.
std::string joinPath(std::string_view folder, std::string_view name);

// The path with "/" read as "\", repeated separators folded into one (a
// leading "\\" of a network path kept), trailing separators removed and ASCII
// letters lowered.
std::string comparablePath(std::string_view path);

bool samePath(std::string_view a, std::string_view b);

// When `inner` lies strictly below `outer`: the full path of the entry of
// `outer` on the way to it (outer + "\" + first name). Otherwise "".
std::string childOnPathTo(std::string_view outer, std::string_view inner);

// True when `path` names an entry directly inside `folder` by a plain name.
bool isDirectChild(std::string_view folder, std::string_view path);

// Paths no deletion may ever start from: an empty path, a drive ("X:",
// "X:\"), the root of the current drive ("\"), a network share root
// ("\\server\share") or a device prefix ("\\?\X:"), and any path with a
// component that climbs or stays (".", ".." and other names of dots and
// blanks only).
bool isUndeletablePath(std::string_view path);

}  // namespace kovrin
