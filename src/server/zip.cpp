#include "server/zip.h"

#include <zlib.h>

#include <cstdint>

#include "server/server_control.h"

namespace kovrin {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// Little-endian fields at an offset; the caller has checked the bounds.
std::uint16_t u16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

// Whether [offset, offset + length) lies within a buffer of `size` bytes.
bool fits(std::size_t size, std::size_t offset, std::size_t length) {
  return offset <= size && length <= size - offset;
}

struct Entry {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t localHeaderOffset = 0;
};

// The end-of-central-directory record: the last one whose comment reaches
// exactly to the end of the archive.
std::optional<std::size_t> findEnd(std::string_view a) {
  if (a.size() < kEndSize) return std::nullopt;
  const std::size_t last = a.size() - kEndSize;
  const std::size_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
  for (std::size_t at = last + 1; at-- > first;) {
    if (u32(a, at) == kEndSignature && at + kEndSize + u16(a, at + 20) == a.size()) return at;
  }
  return std::nullopt;
}

std::optional<Entry> findEntry(std::string_view a, std::string_view name) {
  const auto end = findEnd(a);
  if (!end) return std::nullopt;
  const std::uint16_t disk = u16(a, *end + 4);
  const std::uint16_t directoryDisk = u16(a, *end + 6);
  const std::uint16_t entriesHere = u16(a, *end + 8);
  const std::uint16_t entries = u16(a, *end + 10);
  const std::uint32_t directorySize = u32(a, *end + 12);
  const std::uint32_t directoryOffset = u32(a, *end + 16);
  // Split archives and zip64 (whose markers are all-ones fields) are not read.
  if (disk != 0 || directoryDisk != 0 || entriesHere != entries || entries == 0xFFFF ||
      directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
    return std::nullopt;
  if (!fits(*end, directoryOffset, directorySize)) return std::nullopt;

  const std::string_view directory = a.substr(directoryOffset, directorySize);
  std::size_t at = 0;
  for (std::uint16_t i = 0; i < entries; ++i) {
    if (!fits(directory.size(), at, kCentralHeaderSize) || u32(directory, at) != kCentralHeaderSignature)
      return std::nullopt;
    const std::size_t nameLength = u16(directory, at + 28);
    const std::size_t extraLength = u16(directory, at + 30);
    const std::size_t commentLength = u16(directory, at + 32);
    const std::size_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (!fits(directory.size(), at, recordSize)) return std::nullopt;
    if (sameExeName(directory.substr(at + kCentralHeaderSize, nameLength), name)) {
      Entry e;
      e.flags = u16(directory, at + 8);
      e.method = u16(directory, at + 10);
      e.crc = u32(directory, at + 16);
      e.compressedSize = u32(directory, at + 20);
      e.size = u32(directory, at + 24);
      e.localHeaderOffset = u32(directory, at + 42);
      return e;
    }
    at += recordSize;
  }
  return std::nullopt;
}

std::optional<std::string> inflateRaw(std::string_view in, std::size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return std::nullopt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  // An entry that inflates to more than its recorded size stops with its
  // output full and Z_BUF_ERROR: damaged, like every other result.
  const bool whole = rc == Z_STREAM_END && z.total_out == size && z.total_in == in.size();
  inflateEnd(&z);
  if (!whole) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> extractZipEntry(std::string_view a, std::string_view name, std::size_t maxSize) {
  const auto e = findEntry(a, name);
  if (!e) return std::nullopt;
  if ((e->flags & kFlagEncrypted) != 0 || e->size > maxSize) return std::nullopt;
  if (e->method != kMethodStored && e->method != kMethodDeflated) return std::nullopt;

  const std::size_t local = e->localHeaderOffset;
  if (!fits(a.size(), local, kLocalHeaderSize) || u32(a, local) != kLocalHeaderSignature) return std::nullopt;
  const std::size_t localNameLength = u16(a, local + 26);
  if (!fits(a.size(), local + kLocalHeaderSize, localNameLength) ||
      !sameExeName(a.substr(local + kLocalHeaderSize, localNameLength), name))
    return std::nullopt;
  const std::size_t dataOffset = local + kLocalHeaderSize + localNameLength + u16(a, local + 28);
  if (!fits(a.size(), dataOffset, e->compressedSize)) return std::nullopt;
  const std::string_view data = a.substr(dataOffset, e->compressedSize);

  std::optional<std::string> bytes;
  if (e->method == kMethodStored) {
    if (e->compressedSize != e->size) return std::nullopt;
    bytes.emplace(data);
  } else {
    bytes = inflateRaw(data, e->size);
    if (!bytes) return std::nullopt;
  }
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes->data()),
                          static_cast<uInt>(bytes->size()));
  if (crc != e->crc) return std::nullopt;
  return bytes;
}

}  // namespace kovrin
