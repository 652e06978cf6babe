// The backup code on the real Win32 file system and scripting object: a tool
// whose run directory is a scratch directory, with a save folder below it and
// a backup root beside it. The scripting object can be withheld (so that the
// tool's own copy and count are used) and the clock can be fixed (so that a
// snapshot's name is known in advance).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "app/tool.h"
#include "backup/snapshot.h"
#include "fakes.h"
#include "platform/win32/services.h"
#include "support.h"

namespace layer {

// A moment and the name of a snapshot taken then.
inline constexpr kovrin::LocalTime kMoment{2024, 1, 27, 12, 30, 45, 123};
inline constexpr const char* kMomentName = "1706329845_2024年1月27日12时30分45秒_Saved";

// The system's local time, or a fixed moment.
class SettableClock : public kovrin::Clock {
 public:
  kovrin::LocalTime now() override { return fixed ? *fixed : real.now(); }

  std::optional<kovrin::LocalTime> fixed;
  kovrin::win32::Win32Clock real;
};

// What a folder holds, read straight from the system: relative path ->
// "dir" for a directory, or "file " + the read-only and hidden attributes +
// ":" + the bytes (beyond 64 bytes: their size and a hash). Links are listed
// as "link" and not entered.
using Tree = std::map<std::string, std::string>;
Tree treeOf(const std::string& folder);

class BackupOnDisk : public ::testing::Test {
 protected:
  BackupOnDisk() {
    tool.state.serverRoot = dir.path();
    tool.state.backupRoot = dir / "备份 root";
  }

  const std::string& saveFolder() const { return tool.paths.saveFolder; }
  std::string kindPath(kovrin::BackupKind kind) { return kovrin::kindFolder(tool, kind); }

  // A save folder as the server leaves it, with a few awkward entries: an
  // empty folder, Chinese names, an empty file, a hidden file and binary
  // bytes.
  void makeSaveFolder();
  // Writes a file, making its folders.
  void put(const std::string& path, const std::string& bytes);

  ScratchDir dir;
  kovrin::win32::Win32FileSystem files;
  kovrin::win32::Win32Automation realAutomation;
  kovrin::fakes::WithholdingAutomation automation{realAutomation};
  SettableClock clock;
  kovrin::fakes::FakePlatform unused;  // the backup code takes nothing else from the system
  kovrin::Platform platform{files,       unused.processes, automation,        unused.machine, unused.http,
                            unused.shell, clock,           unused.environment, unused.gui};
  kovrin::Tool tool{platform, dir.path()};
};

}  // namespace layer
