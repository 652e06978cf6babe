// Installing and updating the server through SteamCMD, on a worker thread.
#pragma once

#include <string_view>

namespace kovrin {

struct Tool;

inline constexpr std::string_view updateScriptText =
    "steamcmd +login anonymous +app_update 2394010 validate +quit";

void onUpdateClicked(Tool& tool);       // 更新游戏按钮
void installOrUpdateWorker(Tool& tool);

}  // namespace kovrin
