#include "app/main_window.h"

#include "app/commands.h"
#include "app/tool.h"
#include "automation/monitor.h"
#include "automation/tick.h"
#include "config/config_window.h"
#include "server/server_control.h"
#include "server/steamcmd.h"

namespace kovrin {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0088FF;
constexpr Font kBold12{12, true, true};
constexpr Font kNormal14{14, false, false};

}  // namespace

WindowSpec mainWindowSpec(Tool& tool) {
  using K = ControlKind;
  using E = ControlEvent;
  auto on = [&tool](void (*handler)(Tool&)) { return [&tool, handler](Window&) { handler(tool); }; };

  WindowSpec w;
  w.name = "MainWindow";
  w.caption = "Kovrin v2.30";
  w.width = 462;
  w.height = 381;
  w.onDestroy = on(onMainWindowDestroy);
  // The created handler is bound by the program entry.

  //          name               kind         position             caption / text          font       colour  items event       handler
  w.controls = {
      {"透明标签1",       K::Label,    {8, 56, 88, 16},     "定时备份存档：",      {},        {},     {}, E::None,        {}},
      {"备份时间编辑框",  K::Edit,     {96, 48, 32, 32},    "60",                  {},        {},     {}, E::None,        {}},
      {"透明标签9",       K::Label,    {136, 48, 32, 32},   "分钟",                {},        {},     {}, E::None,        {}},
      {"自动备份按钮",    K::Button,   {168, 48, 88, 32},   "开启定时备份",        {},        {},     {}, E::Clicked,     on(onCronBackupClicked)},
      {"进程守护按钮",    K::Button,   {264, 48, 88, 32},   "守护服务端",          {},        {},     {}, E::Clicked,     on(onGuardClicked)},
      {"启动服务端按钮",  K::Button,   {360, 48, 88, 32},   "启动服务端",          {},        {},     {}, E::Clicked,     on(onStartServerClicked)},
      {"透明标签2",       K::Label,    {8, 96, 88, 16},     "定时重启时间：",      {},        {},     {}, E::None,        {}},
      {"重启时间编辑框",  K::Edit,     {96, 88, 32, 32},    "60",                  {},        {},     {}, E::None,        {}},
      {"透明标签10",      K::Label,    {136, 88, 32, 32},   "分钟",                {},        {},     {}, E::None,        {}},
      {"定时重启按钮",    K::Button,   {168, 88, 88, 32},   "开启定时重启",        {},        {},     {}, E::Clicked,     on(onCronRebootClicked)},
      {"更新游戏按钮",    K::Button,   {264, 88, 88, 32},   "更新服务端",          {},        {},     {}, E::Clicked,     on(onUpdateClicked)},
      {"重启服务端按钮",  K::Button,   {360, 88, 88, 32},   "重启服务端",          {},        {},     {}, E::Clicked,     on(onRestartServerClicked)},
      {"透明标签12",      K::Label,    {8, 128, 64, 24},    "游戏路径：",          {},        {},     {}, E::None,        {}},
      {"文件路径编辑框",  K::Edit,     {72, 128, 216, 24},  "",                    {},        {},     {}, E::None,        {}},
      {"服务端状态标签",  K::Label,    {304, 136, 128, 16}, "服务端状态：未运行",  {},        kRed,   {}, E::None,        {}},
      {"透明标签7",       K::Label,    {8, 160, 64, 24},    "备份路径：",          {},        {},     {}, E::None,        {}},
      {"备份路径编辑框",  K::Edit,     {72, 160, 216, 24},  "",                    {},        {},     {}, E::None,        {}},
      {"按钮4",           K::Button,   {296, 160, 64, 24},  "更改路径",            {},        {},     {}, E::Clicked,     on(onBackupPathClicked)},
      {"按钮7",           K::Button,   {368, 160, 80, 24},  "下载VC运行库",        {},        {},     {}, E::Clicked,     on(onRuntimeClicked)},
      {"透明标签8",       K::Label,    {8, 192, 64, 24},    "保留份数：",          {},        {},     {}, E::None,        {}},
      {"保留份数编辑框",  K::Edit,     {72, 192, 48, 24},   "",                    {},        {},     {}, E::TextChanged, on(onKeepCountChanged)},
      {"透明标签13",      K::Label,    {128, 192, 80, 24},  "备份保留份数",        {},        {},     {}, E::None,        {}},
      {"服务端配置按钮",  K::Button,   {328, 192, 120, 48}, "服务端配置",          kNormal14, {},     {}, E::Clicked,     on(onConfigClicked)},
      {"内存总量标签",    K::Label,    {24, 216, 144, 24},  "物理内存总量：12345M", kBold12,  kRed,   {}, E::None,        {}},
      {"可用内存标签",    K::Label,    {184, 216, 144, 24}, "可用物理内存：12345M", kBold12,  kRed,   {}, E::None,        {}},
      {"时钟1",           K::Timer,    {408, 216, 32, 32},  "",                    {},        {},     {}, E::Elapsed,     on(onClockTick)},
      {"透明标签3",       K::Label,    {24, 248, 48, 24},   "内存：",              kBold12,   kRed,   {}, E::None,        {}},
      {"内存进度条",      K::Progress, {64, 248, 296, 24},  "",                    {},        {},     {}, E::None,        {}},
      {"内存负载标签",    K::Label,    {368, 248, 72, 24},  "负载：100%",          kBold12,   kRed,   {}, E::None,        {}},
      {"透明标签4",       K::Label,    {24, 280, 48, 24},   "CPU：",               kBold12,   kRed,   {}, E::None,        {}},
      {"CPU进度条",       K::Progress, {64, 280, 296, 24},  "",                    {},        {},     {}, E::None,        {}},
      {"CPU负载标签",     K::Label,    {368, 280, 80, 24},  "负载：100%",          kBold12,   kRed,   {}, E::None,        {}},
      {"透明标签5",       K::Label,    {24, 312, 80, 24},   "自动释放内存",        {},        {},     {}, E::None,        {}},
      {"编辑框1",         K::Edit,     {104, 312, 32, 24},  "1",                   {},        {},     {}, E::None,        {}},
      {"透明标签6",       K::Label,    {144, 312, 32, 24},  "分钟",                {},        {},     {}, E::None,        {}},
      {"按钮1",           K::Button,   {184, 312, 80, 24},  "立即释放",            {},        {},     {}, E::Clicked,     on(onReleaseNowClicked)},
      {"按钮2",           K::Button,   {272, 312, 80, 24},  "自动释放",            {},        {},     {}, E::Clicked,     on(onAutoReleaseClicked)},
      {"按钮3",           K::Button,   {360, 312, 80, 24},  "关闭自动",            {},        {},     {}, E::Clicked,     on(onAutoReleaseOffClicked)},
      {"广告标签",        K::Label,    {-8, 336, 464, 16},  "Kovrin · 幻兽帕鲁服务端管理工具", {}, kBlue, {}, E::None, {}},
  };
  return w;
}

}  // namespace kovrin
