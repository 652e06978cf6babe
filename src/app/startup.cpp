#include "app/startup.h"

#include <memory>

#include "app/main_window.h"
#include "app/settings.h"
#include "app/tool.h"
#include "app/values.h"
#include "automation/monitor.h"
#include "automation/schedules.h"
#include "platform/text.h"

namespace kovrin {
namespace {

// Long enough for a slow answer, short enough that an offline start is never
// stuck for long.
constexpr int kDocumentTimeoutMs = 3000;

std::string untilZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

std::string trimmed(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::string urlFromEnvironment(Tool& tool, const char* name, const char* builtIn) {
  if (auto value = tool.os.environment.variable(name); value && !value->empty()) return *value;
  return builtIn;
}

}  // namespace

std::string versionUrl(Tool& tool) { return urlFromEnvironment(tool, "KOVRIN_VERSION_URL", KOVRIN_VERSION_URL); }
std::string bannerUrl(Tool& tool) { return urlFromEnvironment(tool, "KOVRIN_BANNER_URL", KOVRIN_BANNER_URL); }

std::optional<std::string> fetchDocument(Tool& tool, const std::string& url) {
  auto response = tool.os.http.get(url, kDocumentTimeoutMs);
  if (!response || response->status != 200) return std::nullopt;
  return std::move(response->body);
}

std::string bannerText(const std::optional<std::string>& body) {
  if (!body) return "";
  // Whatever bytes came, the caption holds valid text.
  return fromUtf16(toUtf16(untilZero(*body)));
}

bool isNewerVersionNotice(const std::optional<std::string>& body) {
  if (!body) return false;
  std::string_view text = *body;
  text = text.substr(0, text.find('\0'));
  std::string version = trimmed(text);
  if (version.rfind("\xEF\xBB\xBF", 0) == 0) version = trimmed(std::string_view(version).substr(3));
  return version != kToolVersion;
}

void onMainWindowCreated(Tool& tool, Window& window) {
  tool.main = &window;
  FileSystem& fs = tool.os.files;
  ToolState& s = tool.state;
  const Paths& p = tool.paths;

  // 1. The tool directory.
  if (!fs.isDirectory(p.toolDir)) fs.createDirectory(p.toolDir);

  // 2. Defaults, in key order.
  ensureSetting(tool, "Server", "C:\\Users\\Administrator\\Desktop\\PalServer");
  ensureSetting(tool, "Backup", p.runDir + "\\ZERuvoBackup");
  ensureSetting(tool, "MemClear", "1");
  ensureSetting(tool, "CronBackup", "60");
  ensureSetting(tool, "CronReboot", "60");
  ensureSetting(tool, "BackupNum", "10");

  // 3. Paths. The server always lives below the run directory.
  s.serverRoot = p.runDir;
  s.palSettingsPath = palSettingsPathOf(s.serverRoot);

  // 4. Backup root.
  s.backupRoot = readSetting(tool, "Backup");

  // 5. Edit boxes.
  window.setText("编辑框1", readSetting(tool, "MemClear"));
  window.setText("备份时间编辑框", readSetting(tool, "CronBackup"));
  window.setText("重启时间编辑框", readSetting(tool, "CronReboot"));
  window.setText("保留份数编辑框", readSetting(tool, "BackupNum"));

  // 6. All automation starts switched off.
  s.memClearAutoOn = 0;
  s.cronBackupOn = 0;
  s.cronRebootOn = 0;
  s.guardOn = 0;
  s.statusTickLeft = 5;

  // 7. SteamCMD.
  if (fs.exists(p.steamCmdPath)) {
    s.steamCmdFound = 1;
  } else {
    s.steamCmdFound = 0;
    showMessage(tool, "未能找到steamcmd，请将RIro放到steamcmd目录下，若安装则将会在该路径开始下载游戏！");
  }

  // 8. Path boxes.
  window.setText("文件路径编辑框", s.serverRoot);
  window.setText("备份路径编辑框", s.backupRoot);

  // 9. Version notice.
  if (isNewerVersionNotice(fetchDocument(tool, versionUrl(tool))))
    showMessage(tool, "RIro有新版本，请点击 版本更新 及时更新！");

  // 10. Banner.
  window.setText("广告标签", bannerText(fetchDocument(tool, bannerUrl(tool))));

  // 11. Memory-release countdown.
  s.memClearLeft = intervalSeconds(window, "编辑框1");

  // 12. Memory labels.
  window.setText("内存总量标签", "物理内存总量：" + intToText(totalPhysicalMiB(tool)) + "M");
  window.setText("可用内存标签", "可用物理内存：" + intToText(availablePhysicalMiB(tool)) + "M");

  // 13. The one-second timer.
  window.setPeriod("时钟1", 1000);
}

int programEntry(Platform& platform) {
  const std::string runDir = platform.environment.executableDirectory();
  platform.environment.setCurrentDirectory(runDir);
  auto tool = std::make_unique<Tool>(platform, runDir);
  WindowSpec layout = mainWindowSpec(*tool);
  Tool* t = tool.get();
  layout.onCreated = [t](Window& window) { onMainWindowCreated(*t, window); };
  platform.gui.runMainWindow(layout);
  tool->main = nullptr;
  // An install or update may still be running on its worker: the program
  // ends without waiting for it, and the worker must not outlive its state,
  // so the state is left to the process's end.
  if (tool->state.updateThread && tool->state.updateRunning.load() != 0) tool.release();
  return 0;
}

}  // namespace kovrin
