#include "config/config_window.h"

#include <array>
#include <exception>
#include <string_view>

#include "app/startup.h"
#include "app/tool.h"
#include "app/values.h"
#include "config/option_codec.h"
#include "config/settings_file.h"
#include "config/text_helpers.h"

namespace kovrin {

const char* const kDeathPenaltyHelp =
    "死亡惩罚说明：\r\nNone（完全不掉落） \r\nItem（掉落道具）\r\nItemAndEquipment（掉落道具与装备）\r\nAll（掉落全部）";
const char* const kConfigSavedMessage = "修改配置成功，请重新启动一下服务器~";
const char* const kConfigSaveFailedMessage = "修改配置失败~";
const char* const kWrongGamePathMessage = "游戏路径配置不正确！";

namespace {

constexpr std::uint32_t kPink = 0xFF80C0;
constexpr std::string_view kDeathPenaltyLabel = "透明标签37";

// One row of the window: a caption label and the value control of one
// setting (its kind and items come from optionFields). Column by column, top
// to bottom; the labels are 透明标签13 to 透明标签76 in this order.
struct Row {
  std::string_view control;
  std::string_view caption;
  Rect label;
  Rect value;
};

// clang-format off
constexpr std::array<Row, kOptionCount> kRows{{
    // column 1
    {"Difficulty",                           "难度",                       {8, 16, 40, 16},     {160, 16, 120, 20}},
    {"DayTimeSpeedRate",                     "白天时间加速率",             {8, 56, 96, 16},     {160, 48, 120, 32}},
    {"NightTimeSpeedRate",                   "夜间时间加速率",             {8, 96, 96, 16},     {160, 88, 120, 32}},
    {"ExpRate",                              "经验值加成率",               {8, 136, 80, 16},    {160, 128, 120, 32}},
    {"PalCaptureRate",                       "宠物捕捉率",                 {8, 176, 64, 16},    {160, 168, 120, 32}},
    {"PalSpawnNumRate",                      "宠物生成数量加成率",         {8, 216, 128, 16},   {160, 208, 120, 32}},
    {"PalDamageRateAttack",                  "宠物攻击伤害加成率",         {8, 256, 144, 16},   {160, 248, 120, 32}},
    {"PalDamageRateDefense",                 "宠物防御伤害减免率",         {8, 296, 120, 16},   {160, 288, 120, 32}},
    {"PlayerDamageRateAttack",               "玩家攻击伤害加成率",         {8, 336, 160, 16},   {160, 328, 120, 32}},
    {"PlayerDamageRateDefense",              "玩家防御伤害减免率",         {8, 376, 128, 16},   {160, 368, 120, 32}},
    {"PlayerStomachDecreaceRate",            "玩家胃口下降率",             {8, 416, 128, 16},   {160, 408, 120, 32}},
    {"PlayerStaminaDecreaceRate",            "玩家耐力下降率",             {8, 456, 144, 16},   {160, 448, 120, 32}},
    {"PlayerAutoHPRegeneRate",               "玩家自动生命恢复率",         {8, 496, 144, 16},   {160, 488, 120, 32}},
    {"PlayerAutoHpRegeneRateInSleep",        "玩家睡眠中自动生命恢复率",   {8, 536, 152, 16},   {160, 528, 120, 32}},
    {"PalStomachDecreaceRate",               "宠物胃口下降率",             {8, 576, 168, 16},   {160, 568, 120, 32}},
    {"PalStaminaDecreaceRate",               "宠物耐力下降率",             {8, 616, 168, 16},   {160, 608, 120, 32}},
    // column 2
    {"PalAutoHPRegeneRate",                  "宠物自动生命恢复率",         {288, 16, 168, 16},  {448, 8, 120, 32}},
    {"PalAutoHpRegeneRateInSleep",           "宠物睡眠中自动生命恢复率",   {288, 56, 152, 16},  {448, 48, 120, 32}},
    {"BuildObjectDamageRate",                "建筑物伤害率",               {288, 96, 168, 16},  {448, 88, 120, 32}},
    {"BuildObjectDeteriorationDamageRate",   "建筑物劣化伤害率",           {288, 136, 184, 16}, {448, 128, 120, 32}},
    {"CollectionDropRate",                   "掉落物品率",                 {288, 176, 216, 16}, {448, 168, 120, 32}},
    {"CollectionObjectHpRate",               "物品生命值倍率",             {288, 216, 200, 16}, {448, 208, 120, 32}},
    {"CollectionObjectRespawnSpeedRate",     "物品刷新间隔速率",           {288, 256, 184, 16}, {448, 248, 120, 32}},
    {"EnemyDropItemRate",                    "敌人掉落物品率",             {288, 296, 200, 16}, {448, 288, 120, 32}},
    {"DeathPenalty",                         "死亡惩罚(点我看说明)",       {288, 336, 152, 16}, {448, 336, 120, 20}},
    {"bEnablePlayerToPlayerDamage",          "允许玩家对玩家造成伤害",     {288, 376, 200, 16}, {448, 376, 120, 20}},
    {"bEnableFriendlyFire",                  "允许友好火力",               {288, 416, 200, 16}, {448, 416, 120, 20}},
    {"bEnableInvaderEnemy",                  "允许侵略者敌人",             {288, 456, 200, 16}, {448, 456, 120, 20}},
    {"bActiveUNKO",                          "改用UNKO",                   {288, 496, 160, 16}, {448, 496, 120, 20}},
    {"bEnableAimAssistPad",                  "改用手柄瞄准辅助",           {288, 536, 200, 16}, {448, 536, 120, 20}},
    {"bEnableAimAssistKeyboard",             "改用键盘瞄准辅助",           {288, 576, 200, 16}, {448, 576, 120, 20}},
    {"BanListURL",                           "封锁清单URL",                {288, 616, 224, 16}, {360, 608, 208, 32}},
    // column 3
    {"DropItemMaxNum",                       "掉落物品最大数量",           {576, 16, 200, 16},  {760, 8, 120, 32}},
    {"DropItemMaxNum_UNKO",                  "UNKO掉落物品最大数量",       {576, 56, 200, 16},  {760, 48, 120, 32}},
    {"BaseCampMaxNum",                       "基地最大数量",               {576, 96, 200, 16},  {760, 88, 120, 32}},
    {"BaseCampWorkerMaxNum",                 "基地工作者最大数量",         {576, 136, 200, 16}, {760, 128, 120, 32}},
    {"DropItemAliveMaxHours",                "掉落物品存活最大时间",       {576, 176, 200, 16}, {760, 168, 120, 32}},
    {"bAutoResetGuildNoOnlinePlayers",       "自动重置公会没有在线的玩家", {576, 216, 200, 16}, {760, 208, 120, 32}},
    {"AutoResetGuildTimeNoOnlinePlayers",    "没有在线的玩家公会自动重置时间", {576, 256, 200, 16}, {760, 248, 120, 32}},
    {"GuildPlayerMaxNum",                    "公会玩家最大数量",           {576, 296, 200, 16}, {760, 288, 120, 32}},
    {"PalEggDefaultHatchingTime",            "生物蛋孵化时间",             {576, 336, 200, 16}, {760, 328, 120, 32}},
    {"WorkSpeedRate",                        "工作速度倍率",               {576, 376, 200, 16}, {760, 368, 120, 32}},
    {"bIsMultiplay",                         "是否多人游玩",               {576, 416, 88, 16},  {760, 408, 120, 20}},
    {"bIsPvP",                               "是否PvP",                    {576, 456, 200, 16}, {760, 448, 120, 20}},
    {"bCanPickupOtherGuildDeathPenaltyDrop", "能否拾取其他公会死亡惩罚掉落", {576, 496, 200, 16}, {760, 496, 120, 20}},
    {"bEnableNonLoginPenalty",               "启用非登录惩罚",             {576, 536, 200, 16}, {760, 536, 120, 20}},
    {"bEnableFastTravel",                    "启用快速移动",               {576, 576, 200, 16}, {760, 576, 120, 20}},
    {"bIsStartLocationSelectByMap",          "启用地图选择开始位置",       {576, 616, 200, 16}, {760, 616, 120, 20}},
    // column 4
    {"bExistPlayerAfterLogout",              "登出后是否保留玩家",         {888, 16, 200, 16},  {1040, 16, 120, 20}},
    {"bEnableDefenseOtherGuildPlayer",       "是否改用防御其他公会玩家",   {888, 56, 200, 16},  {1040, 56, 120, 20}},
    {"CoopPlayerMaxNum",                     "合作玩家最大数量",           {888, 96, 200, 16},  {1040, 88, 120, 32}},
    {"ServerPlayerMaxNum",                   "服务器玩家最大数量",         {888, 136, 200, 16}, {1040, 128, 120, 32}},
    {"ServerName",                           "服务器名称（往下内容连看）", {888, 176, 200, 16}, {1040, 168, 120, 32}},
    {"ServerDescription",                    "服务器描述（带双引号的）",   {888, 216, 200, 16}, {1040, 208, 120, 32}},
    {"AdminPassword",                        "管理员密码（都需要保留）",   {888, 256, 200, 16}, {1040, 248, 120, 32}},
    {"ServerPassword",                       "服务器密码（默认带双引号）", {888, 296, 200, 16}, {1040, 288, 120, 32}},
    {"PublicPort",                           "公共端口",                   {888, 336, 200, 16}, {1040, 328, 120, 32}},
    {"PublicIP",                             "公共IP（的内容请勿删掉）",   {888, 376, 200, 16}, {1040, 368, 120, 32}},
    {"RCONEnabled",                          "RCON启用",                   {888, 416, 200, 16}, {1040, 416, 120, 20}},
    {"RCONPort",                             "RCON端口",                   {888, 456, 200, 16}, {1040, 448, 120, 32}},
    {"Region",                               "地区（在双引号中间填内容）", {888, 496, 200, 16}, {1040, 488, 120, 32}},
    {"bUseAuth",                             "是否使用身份验证",           {888, 536, 200, 16}, {1040, 536, 120, 20}},
    {"AllowGlobalPalboxExport",              "全局帕鲁终端导出",           {888, 576, 168, 16}, {1040, 576, 120, 20}},
    {"bAllowGlobalPalboxImport",             "全局帕鲁终端导入",           {888, 616, 168, 16}, {1040, 616, 120, 20}},
}};
// clang-format on

constexpr int kFirstLabelNumber = 13;

const OptionField* fieldOf(std::string_view control) {
  for (const auto& f : optionFields)
    if (f.control == control) return &f;
  return nullptr;
}

// ConfigWindow, created: the banner, then the settings into the controls.
void onConfigWindowCreated(Tool& tool, Window& window) {
  try {
    window.setText("广告标签", bannerText(fetchDocument(tool, bannerUrl(tool))));
    const std::string text = loadSettingsText(tool);
    for (const auto& field : optionFields) window.setText(field.control, extractOption(text, field.key));
  } catch (const std::exception&) {
    // Nothing leaves a handler; whatever was filled stays.
  }
}

// 按钮2, clicked: quote the text fields, then write all 64 values.
void onConfigSaveClicked(Tool& tool, Window& window) {
  bool saved = false;
  try {
    for (std::string_view name : kQuotedFields) {
      const std::string text = window.text(name);
      if (findText(text, "\"") == -1) window.setText(name, quoteIfBare(text));
    }
    OptionValues values;
    for (std::size_t i = 0; i < kOptionCount; ++i) values[i] = window.text(optionFields[i].control);
    saved = saveOptionValues(tool, values);
  } catch (const std::exception&) {
    saved = false;
  }
  showMessage(tool, saved ? kConfigSavedMessage : kConfigSaveFailedMessage);
}

}  // namespace

WindowSpec configWindowSpec(Tool& tool) {
  using K = ControlKind;
  using E = ControlEvent;
  WindowSpec w;
  w.name = "ConfigWindow";
  w.caption = "幻兽帕鲁配置修改";
  w.width = 1177;
  w.height = 698;
  w.onCreated = [&tool](Window& window) { onConfigWindowCreated(tool, window); };

  w.controls.reserve(2 * kRows.size() + 2);
  int labelNumber = kFirstLabelNumber;
  for (const Row& row : kRows) {
    const OptionField* field = fieldOf(row.control);
    ControlSpec label;
    label.name = "透明标签" + std::to_string(labelNumber++);
    label.kind = K::Label;
    label.rect = row.label;
    label.caption = std::string(row.caption);
    if (label.name == kDeathPenaltyLabel) {
      label.event = E::LeftButtonDown;
      label.handler = [&tool](Window&) { showMessage(tool, kDeathPenaltyHelp); };
    }
    w.controls.push_back(std::move(label));

    ControlSpec value;
    value.name = std::string(row.control);
    value.kind = field ? field->kind : K::Edit;
    value.rect = row.value;
    if (field)
      for (std::string_view item : field->choices) value.items.emplace_back(item);
    w.controls.push_back(std::move(value));
  }

  ControlSpec banner;
  banner.name = "广告标签";
  banner.kind = K::Label;
  banner.rect = {168, 648, 472, 16};
  banner.caption = "Kovrin · 幻兽帕鲁服务端管理工具";
  banner.textColor = kPink;
  w.controls.push_back(std::move(banner));

  ControlSpec save;
  save.name = "按钮2";
  save.kind = K::Button;
  save.rect = {768, 640, 160, 24};
  save.caption = "保存服务器配置";
  save.event = E::Clicked;
  save.handler = [&tool](Window& window) { onConfigSaveClicked(tool, window); };
  w.controls.push_back(std::move(save));
  return w;
}

void onConfigClicked(Tool& tool) {
  if (tool.state.steamCmdFound == 1)
    tool.os.gui.runModal(configWindowSpec(tool));
  else
    showMessage(tool, kWrongGamePathMessage);
}

}  // namespace kovrin
