// Finding, starting, stopping and restarting the server.
#pragma once

#include <string>

namespace kovrin {

struct Tool;

bool isServerRunning(Tool& tool);
void startServer(Tool& tool);
void killServerProcess(Tool& tool);

// Show modes 1..6 (clamped): hidden, normal, minimised, maximised, normal not
// activated, minimised not activated. Mode 2 when none is given.
bool runProgram(Tool& tool, const std::string& commandLine, bool wait, int showMode = 2);
bool terminateProcessByName(Tool& tool, const std::string& name);

void onStartServerClicked(Tool& tool);    // 启动服务端按钮
void onRestartServerClicked(Tool& tool);  // 重启服务端按钮

}  // namespace kovrin
