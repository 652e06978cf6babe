// Reading one file out of a zip archive held in memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kovrin {

// The bytes of the archive's first entry whose whole name equals `name` (ASCII
// letter case ignored; an entry in a folder never matches a bare name).
// Stored and deflated entries are read; the sizes and the CRC-32 recorded in
// the archive must agree with what comes out. Nothing for a missing entry, an
// entry larger than `maxSize`, an encrypted, split or zip64 archive, an
// unknown compression method, or any damage or truncation.
std::optional<std::string> extractZipEntry(std::string_view archive, std::string_view name, std::size_t maxSize);

}  // namespace kovrin
