// The process's surroundings: where it runs from, its environment variables and
// the files it carries inside its executable.
#pragma once

#include <optional>
#include <string>

namespace kovrin {

// Files carried inside the tool.
enum class CarriedFile { EmptyExe, SteamCmdExe };

class Environment {
 public:
  virtual ~Environment() = default;
  // The directory of the running executable, without a trailing backslash
  // (at a drive root: the drive letter and colon).
  virtual std::string executableDirectory() = 0;
  virtual bool setCurrentDirectory(const std::string& path) = 0;
  // An environment variable; nothing when it is not set.
  virtual std::optional<std::string> variable(const std::string& name) = 0;
  // The bytes of a carried file; nothing when this build carries none.
  virtual std::optional<std::string> carriedFile(CarriedFile which) = 0;
};

}  // namespace kovrin
