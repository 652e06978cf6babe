// The server configuration editor window.
#pragma once

#include "platform/window.h"

namespace kovrin {

struct Tool;

// MainWindow.服务端配置按钮: opens the editor modally when SteamCMD was found
// at startup, otherwise tells the operator the game path is wrong.
void onConfigClicked(Tool& tool);

// The editor window "幻兽帕鲁配置修改": 64 captioned value controls, the banner
// and the save button, with its handlers bound to `tool`.
WindowSpec configWindowSpec(Tool& tool);

// Texts the window shows.
extern const char* const kDeathPenaltyHelp;
extern const char* const kConfigSavedMessage;
extern const char* const kConfigSaveFailedMessage;
extern const char* const kWrongGamePathMessage;

}  // namespace kovrin
