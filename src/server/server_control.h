// Finding, starting, stopping and restarting the server.
#pragma once

#include <string>
#include <string_view>

namespace kovrin {

struct Tool;

// The launcher's file name, compared without regard to letter case.
inline constexpr std::string_view serverLauncherName = "palserver.exe";
// The server process proper, which the launcher starts.
inline constexpr std::string_view serverProcessName = "PalServer-Win64-Shipping-Cmd.exe";

bool isServerRunning(Tool& tool);
void startServer(Tool& tool);
void killServerProcess(Tool& tool);

// Show modes 1..6 (clamped): hidden, normal, minimised, maximised, normal not
// activated, minimised not activated. Mode 2 when none is given.
bool runProgram(Tool& tool, const std::string& commandLine, bool wait, int showMode = 2);
bool terminateProcessByName(Tool& tool, const std::string& name);

// The wShowWindow value of a show mode (clamped to 1..6).
int showWindowOf(int showMode);

// A command line that runs the program at `path` with no arguments: the path
// in double quotes, so that process creation never splits it at a space and
// starts another program earlier on the path ("C:\Program.exe").
std::string commandLineFor(const std::string& path);

// Whether two executable names are equal when ASCII letter case is ignored.
// Bytes of multi-byte characters are compared as they are.
bool sameExeName(std::string_view a, std::string_view b);

void onStartServerClicked(Tool& tool);    // 启动服务端按钮
void onRestartServerClicked(Tool& tool);  // 重启服务端按钮

}  // namespace kovrin
