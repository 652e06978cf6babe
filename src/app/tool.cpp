#include "app/tool.h"

namespace kovrin {

Paths Paths::fromRunDir(const std::string& runDir) {
  Paths p;
  p.runDir = runDir;
  p.toolDir = runDir + "\\ZEruvo";
  p.settingsPath = p.toolDir + "\\GMSetting.ini";
  p.steamCmdPath = runDir + "\\steamcmd.exe";
  const std::string server = runDir + "\\steamapps\\common\\PalServer";
  p.serverExePath = server + "\\PalServer.exe";
  p.saveFolder = server + "\\Pal\\Saved";
  p.defaultSettingsPath = server + "\\DefaultPalWorldSettings.ini";
  p.updateScriptPath = runDir + "\\update.bat";
  p.steamCmdScriptPath = runDir + "\\steamcmd.bat";
  p.emptyExePath = p.toolDir + "\\empty.exe";
  p.emptyBatPath = p.toolDir + "\\empty.bat";
  return p;
}

std::string palSettingsPathOf(const std::string& serverRoot) {
  return serverRoot + "\\steamapps\\common\\PalServer\\Pal\\Saved\\Config\\WindowsServer\\PalWorldSettings.ini";
}

}  // namespace kovrin
