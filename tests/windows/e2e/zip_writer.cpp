#include "zip_writer.h"

#include <zlib.h>

#include <cstdint>

namespace e2e {
namespace {

void put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::string deflateRaw(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

std::string zipArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string archive;
  std::string directory;
  for (const auto& [name, bytes] : entries) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    const std::string packed = deflateRaw(bytes);
    const auto offset = static_cast<std::uint32_t>(archive.size());
    // Local header.
    put32(archive, 0x04034b50);
    put16(archive, 20);  // version needed
    put16(archive, 0);   // flags
    put16(archive, 8);   // deflate
    put16(archive, 0);   // time
    put16(archive, 0x5821);  // date: 2024-01-01
    put32(archive, crc);
    put32(archive, static_cast<std::uint32_t>(packed.size()));
    put32(archive, static_cast<std::uint32_t>(bytes.size()));
    put16(archive, static_cast<std::uint16_t>(name.size()));
    put16(archive, 0);
    archive += name;
    archive += packed;
    // Central directory entry.
    put32(directory, 0x02014b50);
    put16(directory, 20);  // made by
    put16(directory, 20);  // needed
    put16(directory, 0);
    put16(directory, 8);
    put16(directory, 0);
    put16(directory, 0x5821);
    put32(directory, crc);
    put32(directory, static_cast<std::uint32_t>(packed.size()));
    put32(directory, static_cast<std::uint32_t>(bytes.size()));
    put16(directory, static_cast<std::uint16_t>(name.size()));
    put16(directory, 0);  // extra
    put16(directory, 0);  // comment
    put16(directory, 0);  // disk
    put16(directory, 0);  // internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, offset);
    directory += name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  put32(archive, 0x06054b50);
  put16(archive, 0);
  put16(archive, 0);
  put16(archive, static_cast<std::uint16_t>(entries.size()));
  put16(archive, static_cast<std::uint16_t>(entries.size()));
  put32(archive, static_cast<std::uint32_t>(directory.size()));
  put32(archive, directoryOffset);
  put16(archive, 0);
  return archive;
}

}  // namespace e2e
