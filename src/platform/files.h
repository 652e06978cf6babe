// The file system, as the tool needs it. Paths are UTF-8 Windows paths with
// backslashes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

struct DirEntry {
  std::string name;        // the entry's own name, without a directory
  bool directory = false;  // has the directory attribute
  bool link = false;       // a reparse point (junction or symbolic link)
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True only for an existing directory (a link to one counts).
  virtual bool isDirectory(const std::string& path) = 0;
  // True when any entry (file or directory) of that name exists.
  virtual bool exists(const std::string& path) = 0;
  // Creates one directory; its parent must exist.
  virtual bool createDirectory(const std::string& path) = 0;
  // Creates every missing directory of the path, top down. Only the part up to
  // the last backslash is taken as directories ("a\b\" creates a and a\b).
  virtual bool createDirectoryPath(const std::string& path) = 0;
  // The whole file; nothing when it is missing or cannot be read.
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  // Creates or truncates the file and writes all bytes; true on success.
  virtual bool writeFile(const std::string& path, std::string_view bytes) = 0;
  // Writes the bytes to a temporary file beside the path and then moves it
  // over the path in one step: either the new file is whole or the old one is.
  virtual bool replaceFile(const std::string& path, std::string_view bytes) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  virtual bool copyFile(const std::string& from, const std::string& to, bool overwrite) = 0;
  // Entries of a directory without "." and ".."; nothing when it cannot be read.
  virtual std::optional<std::vector<DirEntry>> listDirectory(const std::string& path) = 0;
  // Removes an empty directory, or a link to a directory (the link only).
  virtual bool removeDirectory(const std::string& path) = 0;
  // Clears the read-only attribute of a file or directory, never through a
  // link (a link is left as it is). True when the entry was read-only and no
  // longer is.
  virtual bool clearReadOnly(const std::string& path) = 0;
};

}  // namespace kovrin
