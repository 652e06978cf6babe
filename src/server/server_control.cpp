#include "server/server_control.h"

#include <algorithm>

#include "app/tool.h"
#include "app/values.h"

namespace kovrin {
namespace {

constexpr const char* kStatusLabel = "服务端状态标签";
constexpr const char* kProvisionalStatus = "服务端状态\r\n\r\n正在运行";
constexpr const char* kAlreadyRunning = "服务端正在运行中，请先关闭或者点击重启";

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void showProvisionalStatus(Tool& tool) {
  if (tool.main) tool.main->setText(kStatusLabel, kProvisionalStatus);
}

}  // namespace

bool sameExeName(std::string_view a, std::string_view b) {
  // UTF-8 keeps every byte of a multi-byte character at 0x80 or above, so
  // folding ASCII capitals alone never touches one.
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool isServerRunning(Tool& tool) {
  for (const ProcessEntry& p : tool.os.processes.snapshot())
    if (sameExeName(p.exeName, serverLauncherName)) return true;
  return false;
}

int showWindowOf(int showMode) {
  // SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED,
  // SW_SHOWNOACTIVATE, SW_MINIMIZE.
  static constexpr int kShowWindow[] = {0, 1, 2, 3, 4, 6};
  return kShowWindow[std::clamp(showMode, 1, 6) - 1];
}

std::string commandLineFor(const std::string& path) { return "\"" + path + "\""; }

bool runProgram(Tool& tool, const std::string& commandLine, bool wait, int showMode) {
  return tool.os.processes.start(commandLine, showWindowOf(showMode), wait);
}

bool terminateProcessByName(Tool& tool, const std::string& name) {
  if (name.empty()) return false;
  std::optional<std::uint32_t> target = tool.os.processes.windowOwner(name);
  if (!target) {
    for (const ProcessEntry& p : tool.os.processes.snapshot()) {
      if (sameExeName(p.exeName, name)) {
        target = p.pid;
        break;
      }
    }
  }
  if (!target) return false;
  return tool.os.processes.terminate(*target);
}

void startServer(Tool& tool) { runProgram(tool, commandLineFor(tool.paths.serverExePath), false, 2); }

void killServerProcess(Tool& tool) { terminateProcessByName(tool, std::string(serverProcessName)); }

void onStartServerClicked(Tool& tool) {
  if (isServerRunning(tool)) {
    showMessage(tool, kAlreadyRunning);
    return;
  }
  showProvisionalStatus(tool);
  startServer(tool);
}

void onRestartServerClicked(Tool& tool) {
  if (isServerRunning(tool)) {
    killServerProcess(tool);
    startServer(tool);
    return;
  }
  showProvisionalStatus(tool);
  startServer(tool);
}

}  // namespace kovrin
