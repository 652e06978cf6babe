// Installing and updating the server through SteamCMD, on a worker thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kovrin {

struct Tool;

inline constexpr std::string_view updateScriptText =
    "steamcmd +login anonymous +app_update 2394010 validate +quit";

// Closing messages of a run that did not leave the server's launcher behind.
inline constexpr std::string_view installFailedMessage =
    "下载安装失败！失败原因请查看SteamCMD窗口中的提示，处理后请重新点击安装";
inline constexpr std::string_view updateFailedMessage =
    "更新失败！失败原因请查看SteamCMD窗口中的提示，处理后请重新点击更新";
// The install path could get no SteamCMD: none carried, none downloaded.
inline constexpr std::string_view steamCmdDownloadFailedMessage =
    "下载安装失败！未能下载SteamCMD，请检查网络后重新点击安装";

// How long the SteamCMD download may wait to connect and for each piece of
// data: it is a few megabytes, possibly over a slow line.
inline constexpr int steamCmdDownloadTimeoutMs = 60000;
// No SteamCMD bootstrapper comes near this size.
inline constexpr std::size_t steamCmdMaxSize = 64u << 20;

void onUpdateClicked(Tool& tool);       // 更新游戏按钮
void installOrUpdateWorker(Tool& tool);

// Where SteamCMD is downloaded from: the environment variable
// KOVRIN_STEAMCMD_URL when set, else the built-in address of Valve's zip.
std::string steamCmdUrl(Tool& tool);
// The steamcmd.exe to write on an install: the one this build carries, else
// the one in the zip at steamCmdUrl (only a 200 answer counts); nothing when
// neither is to be had.
std::optional<std::string> obtainSteamCmdImage(Tool& tool);

}  // namespace kovrin
