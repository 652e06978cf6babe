// The server configuration editor window.
#pragma once

#include "platform/window.h"

namespace kovrin {

struct Tool;

void onConfigClicked(Tool& tool);  // MainWindow.服务端配置按钮: the opener
WindowSpec configWindowSpec(Tool& tool);

}  // namespace kovrin
