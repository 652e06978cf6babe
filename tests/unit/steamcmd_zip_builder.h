// Builds zip archives in memory for the SteamCMD download tests, with zlib's
// own deflate, and with knobs to damage them.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kovrin::testing {

struct ZipItem {
  ZipItem(std::string n, std::string d, std::uint16_t m = 8) : name(std::move(n)), data(std::move(d)), method(m) {}
  std::string name;
  std::string data;
  std::uint16_t method = 8;  // 0 stored, 8 deflated, anything else as given
  std::uint16_t flags = 0;
  std::optional<std::uint32_t> crc;             // recorded instead of the true one
  std::optional<std::uint32_t> size;            // recorded instead of the true one
  std::optional<std::string> localName;         // in the local header instead of `name`
};

inline std::string deflateRaw(const std::string& data, int level = Z_DEFAULT_COMPRESSION) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

inline std::uint32_t crcOf(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

inline std::string buildZip(const std::vector<ZipItem>& items, const std::string& comment = "") {
  std::string out;
  std::string directory;
  for (const ZipItem& item : items) {
    const std::string packed = item.method == 8 ? deflateRaw(item.data) : item.data;
    const std::uint32_t crc = item.crc.value_or(crcOf(item.data));
    const std::uint32_t size = item.size.value_or(static_cast<std::uint32_t>(item.data.size()));
    const std::string localName = item.localName.value_or(item.name);
    const auto offset = static_cast<std::uint32_t>(out.size());

    put32(out, 0x04034b50);
    put16(out, 20);  // version needed
    put16(out, item.flags);
    put16(out, item.method);
    put16(out, 0);  // time
    put16(out, 0x21);  // date
    put32(out, crc);
    put32(out, static_cast<std::uint32_t>(packed.size()));
    put32(out, size);
    put16(out, static_cast<std::uint32_t>(localName.size()));
    put16(out, 4);  // extra field
    out += localName;
    out += std::string("\xFE\xCA\x00\x00", 4);
    out += packed;

    put32(directory, 0x02014b50);
    put16(directory, 0x031E);  // made by
    put16(directory, 20);
    put16(directory, item.flags);
    put16(directory, item.method);
    put16(directory, 0);
    put16(directory, 0x21);
    put32(directory, crc);
    put32(directory, static_cast<std::uint32_t>(packed.size()));
    put32(directory, size);
    put16(directory, static_cast<std::uint32_t>(item.name.size()));
    put16(directory, 0);  // extra
    put16(directory, 3);  // comment
    put16(directory, 0);  // disk
    put16(directory, 0);  // internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, offset);
    directory += item.name;
    directory += "abc";
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<std::uint32_t>(items.size()));
  put16(out, static_cast<std::uint32_t>(items.size()));
  put32(out, static_cast<std::uint32_t>(directory.size()));
  put32(out, directoryOffset);
  put16(out, static_cast<std::uint32_t>(comment.size()));
  out += comment;
  return out;
}

// Bytes that look a little like a program: some text, some repetition, some
// noise, so that deflate uses all of its block kinds.
inline std::string sampleExecutable(std::size_t size) {
  std::string s = "MZ";
  std::uint32_t x = 12345;
  while (s.size() < size) {
    x = x * 1103515245u + 12345u;
    if ((x >> 28) < 6) {
      s += "This program cannot be run in DOS mode. ";
    } else {
      for (int i = 0; i < 16; ++i) {
        x = x * 1103515245u + 12345u;
        s += static_cast<char>(x >> 24);
      }
    }
  }
  s.resize(size);
  return s;
}

}  // namespace kovrin::testing
