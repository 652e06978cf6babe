// Private-profile (INI) files, kept in code page 936 whatever the system's
// ANSI code page. One key is read or written at a time; nothing is cached.
#pragma once

#include <string>

namespace kovrin {

class FileSystem;

// The longest value a read returns, in bytes of the file.
inline constexpr std::size_t kProfileValueLimit = 10239;

class ProfileFile {
 public:
  explicit ProfileFile(FileSystem& files) : files_(files) {}

  // The value of `key` in `section`: blanks around it and one pair of
  // enclosing quotation marks are not part of it; at most 10,239 bytes of the
  // file. "" when the file, the section or the key is missing. Section and key
  // names match without regard to ASCII letter case.
  std::string read(const std::string& path, const std::string& section, const std::string& key);
  // Stores the value, creating the file, the section and the key as needed
  // and replacing the old value otherwise. True when the file was written.
  bool write(const std::string& path, const std::string& section, const std::string& key,
             const std::string& value);

 private:
  FileSystem& files_;
};

}  // namespace kovrin
