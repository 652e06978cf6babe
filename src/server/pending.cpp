// Placeholders until server control lands.
#include "server/server_control.h"
#include "server/steamcmd.h"

namespace kovrin {
bool isServerRunning(Tool&) { return false; }
void startServer(Tool&) {}
void killServerProcess(Tool&) {}
bool runProgram(Tool&, const std::string&, bool, int) { return false; }
bool terminateProcessByName(Tool&, const std::string&) { return false; }
void onStartServerClicked(Tool&) {}
void onRestartServerClicked(Tool&) {}
void onUpdateClicked(Tool&) {}
void installOrUpdateWorker(Tool&) {}
}  // namespace kovrin
