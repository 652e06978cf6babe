#include "server/steamcmd.h"

#include "app/tool.h"
#include "server/server_control.h"
#include "server/zip.h"

namespace kovrin {
namespace {

constexpr const char* kUpdateButton = "更新游戏按钮";

void setUpdateButtonDisabled(Tool& tool, bool disabled) {
  if (tool.main) tool.main->setDisabled(kUpdateButton, disabled);
}

// Runs one batch file from the run directory in a normal window and waits for
// its end. Returns without starting anything when it cannot be created.
void runBatch(Tool& tool, const std::string& path) { runProgram(tool, commandLineFor(path), true, 2); }

std::string_view runBody(Tool& tool) {
  FileSystem& fs = tool.os.files;
  const Paths& p = tool.paths;
  if (tool.state.steamCmdFound == 1) {
    fs.writeFile(p.updateScriptPath, updateScriptText);
    runBatch(tool, p.updateScriptPath);
    return fs.exists(p.serverExePath) ? std::string_view("更新完成") : updateFailedMessage;
  }
  const std::optional<std::string> image = obtainSteamCmdImage(tool);
  if (image) fs.writeFile(p.steamCmdPath, *image);
  fs.writeFile(p.updateScriptPath, updateScriptText);
  // The operator's own preparation, when there is one.
  if (fs.exists(p.steamCmdScriptPath)) runBatch(tool, p.steamCmdScriptPath);
  runBatch(tool, p.updateScriptPath);
  if (fs.exists(p.serverExePath)) return "下载安装完成！";
  return image ? installFailedMessage : steamCmdDownloadFailedMessage;
}

}  // namespace

std::string steamCmdUrl(Tool& tool) {
  if (auto value = tool.os.environment.variable("KOVRIN_STEAMCMD_URL"); value && !value->empty()) return *value;
  return KOVRIN_STEAMCMD_URL;
}

std::optional<std::string> obtainSteamCmdImage(Tool& tool) {
  if (auto carried = tool.os.environment.carriedFile(CarriedFile::SteamCmdExe); carried && !carried->empty())
    return carried;
  auto response = tool.os.http.get(steamCmdUrl(tool), steamCmdDownloadTimeoutMs);
  if (!response || response->status != 200) return std::nullopt;
  return extractZipEntry(response->body, "steamcmd.exe", steamCmdMaxSize);
}

void installOrUpdateWorker(Tool& tool) {
  // Runs on its own thread: it reads only what nothing changes after the
  // start, shows its message on this thread, and touches no control.
  try {
    const std::string_view message = runBody(tool);
    tool.os.gui.showMessage(std::string(message));
  } catch (...) {
    // Out of memory or the like: the run is over all the same.
  }
  // The last act: from here on the tick may retire this thread.
  tool.state.updateRunning.store(0);
}

void onUpdateClicked(Tool& tool) {
  ToolState& s = tool.state;
  // One run at a time; the button stays disabled until a status pass after
  // the run has ended.
  if (s.updateRunning.load() != 0) return;
  setUpdateButtonDisabled(tool, true);
  // A worker that ended but has not been retired yet.
  if (s.updateThread) {
    s.updateThread->join();
    s.updateThread.reset();
  }
  // Set before the worker starts, so that a worker ending at once leaves 0.
  s.updateRunning.store(1);
  try {
    s.updateThread = tool.os.processes.startThread([&tool] { installOrUpdateWorker(tool); });
  } catch (...) {
    s.updateThread.reset();
  }
  if (!s.updateThread) {
    s.updateRunning.store(0);
    setUpdateButtonDisabled(tool, false);
  }
}

}  // namespace kovrin
