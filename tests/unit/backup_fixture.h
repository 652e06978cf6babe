// A tool on the fake platform with its main window up, a server below
// C:\steamcmd and a small save folder, for the backup, schedule, guard and
// command tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/tool.h"
#include "fakes.h"

namespace kovrin::testing_support {

class ToolFixture : public ::testing::Test {
 protected:
  static constexpr const char* kRunDir = "C:\\steamcmd";
  static constexpr const char* kBackupRoot = "C:\\steamcmd\\ZERuvoBackup";

  ToolFixture() {
    tool.main = &window;
    tool.state.serverRoot = kRunDir;
    tool.state.backupRoot = kBackupRoot;
    tool.state.steamCmdFound = 1;
    fp.files.addDirectory(tool.paths.toolDir);
    window.setText("保留份数编辑框", "10");
  }

  // A save folder as the server leaves it: a world, players, a config file.
  void addSaveFolder() {
    const std::string& save = tool.paths.saveFolder;
    fp.files.addFile(save + "\\SaveGames\\0\\ABCD\\Level.sav", "world");
    fp.files.addFile(save + "\\SaveGames\\0\\ABCD\\Players\\0001.sav", "player one");
    fp.files.addFile(save + "\\Config\\WindowsServer\\PalWorldSettings.ini", "[/Script/Pal.PalGameWorldSettings]");
  }

  std::string kind(const char* name) const { return std::string(kBackupRoot) + "\\" + name; }

  // Snapshot folders of a kind folder, by name in byte order.
  std::vector<std::string> snapshots(const char* kindName) { return fp.files.children(kind(kindName)); }

  fakes::FakePlatform fp;
  Tool tool{fp.platform, kRunDir};
  fakes::MemoryWindow window{mainWindowSpec(tool)};
};

}  // namespace kovrin::testing_support
