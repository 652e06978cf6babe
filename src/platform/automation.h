// Scriptable automation objects of the system (COM): the scripting file-system
// object and the regular-expression engine. Each object initialises COM on the
// calling thread for its lifetime and uninitialises it when destroyed.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kovrin {

class FileSystemObject {
 public:
  virtual ~FileSystemObject() = default;
  // CopyFolder(source, target) without the overwrite argument; true when the
  // call reported no error.
  virtual bool copyFolder(const std::string& source, const std::string& target) = 0;
  // GetFolder(path).SubFolders.Count; nothing when a call fails.
  virtual std::optional<double> subfolderCount(const std::string& path) = 0;
};

class RegExpEngine {
 public:
  virtual ~RegExpEngine() = default;
  // Sets IgnoreCase, Multiline, Global and Pattern, then Execute(text); true
  // when a match collection came back.
  virtual bool execute(const std::string& pattern, const std::string& text, bool ignoreCase,
                       bool multiline, bool global) = 0;
  // Replace(text given to execute, replacement); nothing when the call fails.
  virtual std::optional<std::string> replace(const std::string& replacement) = 0;
};

class Automation {
 public:
  virtual ~Automation() = default;
  // "Scripting.FileSystemObject"; nothing when it cannot be created.
  virtual std::unique_ptr<FileSystemObject> createFileSystemObject() = 0;
  // "VBScript.RegExp"; nothing when it cannot be created.
  virtual std::unique_ptr<RegExpEngine> createRegExp() = 0;
};

}  // namespace kovrin
