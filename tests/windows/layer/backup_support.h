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

// The real automation objects, with the scripting file-system object withheld
// on request.
class SwitchableAutomation : public kovrin::Automation {
 public:
  std::unique_ptr<kovrin::FileSystemObject> createFileSystemObject() override {
    return scripting ? real.createFileSystemObject() : nullptr;
  }
  std::unique_ptr<kovrin::RegExpEngine> createRegExp() override { return real.createRegExp(); }

  bool scripting = true;
  kovrin::win32::Win32Automation real;
};

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
  SwitchableAutomation automation;
  SettableClock clock;
  kovrin::fakes::FakeProcesses processes;
  kovrin::fakes::FakeMachine machine;
  kovrin::fakes::FakeHttp http;
  kovrin::fakes::FakeShell shell;
  kovrin::fakes::FakeEnvironment environment;
  kovrin::fakes::FakeGui gui;
  kovrin::Platform platform{files, processes, automation, machine, http, shell, clock, environment, gui};
  kovrin::Tool tool{platform, dir.path()};
};

}  // namespace layer
