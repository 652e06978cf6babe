// The tool's run-time state, its paths, and the context every operation works
// in: one `Tool` exists for the program's lifetime.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/machine.h"
#include "platform/platform.h"
#include "platform/profile.h"

namespace kovrin {

// Every path the tool uses, derived from the directory of its executable.
struct Paths {
  std::string runDir;               // without a trailing backslash
  std::string toolDir;              // runDir\ZEruvo
  std::string settingsPath;         // runDir\ZEruvo\GMSetting.ini
  std::string steamCmdPath;         // runDir\steamcmd.exe
  std::string serverExePath;        // runDir\steamapps\common\PalServer\PalServer.exe
  std::string saveFolder;           // runDir\steamapps\common\PalServer\Pal\Saved
  std::string defaultSettingsPath;  // runDir\steamapps\common\PalServer\DefaultPalWorldSettings.ini
  std::string updateScriptPath;     // runDir\update.bat
  std::string steamCmdScriptPath;   // runDir\steamcmd.bat
  std::string emptyExePath;         // runDir\ZEruvo\empty.exe
  std::string emptyBatPath;         // runDir\ZEruvo\empty.bat

  static Paths fromRunDir(const std::string& runDir);
};

// The path of the server's settings file below a server root.
std::string palSettingsPathOf(const std::string& serverRoot);

struct ToolState {
  std::string serverRoot;
  std::string palSettingsPath;
  std::string backupRoot;
  std::int32_t steamCmdFound = 0;
  std::int32_t guardOn = 0;
  std::int32_t cronBackupOn = 0;
  std::int32_t cronBackupLeft = 0;
  std::int32_t cronRebootOn = 0;
  std::int32_t cronRebootLeft = 0;
  std::int32_t statusTickLeft = 0;
  std::atomic<std::int32_t> updateRunning{0};  // written by the install/update worker
  std::unique_ptr<Thread> updateThread;        // the install/update worker, until retired
  std::int32_t memClearAutoOn = 0;
  std::int32_t memClearLeft = 0;
  std::int32_t memReleaseBurst = 0;
};

// The processor reading of the previous tick, from which the load over the
// last tick is measured.
struct CpuMeter {
  bool havePrevious = false;
  CpuTimes previous;
  int lastLoad = -1;
};

struct Tool {
  Tool(Platform& platform, const std::string& runDir)
      : os(platform), paths(Paths::fromRunDir(runDir)), profile(platform.files) {}

  Platform& os;
  Paths paths;
  ToolState state;
  ProfileFile profile;
  Window* main = nullptr;  // the main window, from its creation on
  bool inTick = false;     // a tick is running
  CpuMeter cpu;
  bool releaseFilesLeft = false;  // a finished release's files are still to be removed
};

}  // namespace kovrin
