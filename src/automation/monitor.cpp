#include "automation/monitor.h"

#include <cmath>

#include "app/settings.h"
#include "app/tool.h"
#include "app/values.h"
#include "automation/schedules.h"
#include "platform/text.h"
#include "server/server_control.h"

namespace kovrin {
namespace {

constexpr std::int32_t releaseBurstTicks = 20;
constexpr int releaseRunsPerTick = 5;
constexpr int kHiddenWindow = 1;

std::int64_t mebibytes(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes >> 20); }

// Processor load from two cumulative readings; nothing when no time passed.
std::optional<int> loadBetween(const CpuTimes& before, const CpuTimes& after) {
  if (after.idle < before.idle || after.kernel < before.kernel || after.user < before.user)
    return std::nullopt;  // the counters went backwards: no usable span
  const std::uint64_t idle = after.idle - before.idle;
  const std::uint64_t total = (after.kernel - before.kernel) + (after.user - before.user);
  if (total == 0 || idle > total) return std::nullopt;
  return static_cast<int>(std::lround(static_cast<double>(total - idle) * 100.0 / static_cast<double>(total)));
}

// Takes this tick's processor reading: the load since the previous tick, or
// since the machine started when there is no previous reading yet.
void sampleCpuLoad(Tool& tool) {
  CpuMeter& meter = tool.cpu;
  const auto now = tool.os.machine.cpuTimes();
  if (!now) {
    meter.havePrevious = false;
    meter.lastLoad = -1;
    return;
  }
  std::optional<int> load;
  if (meter.havePrevious) load = loadBetween(meter.previous, *now);
  if (!load && meter.havePrevious && meter.lastLoad >= 0) load = meter.lastLoad;  // no time passed
  if (!load) load = loadBetween(CpuTimes{}, *now);
  meter.previous = *now;
  meter.havePrevious = true;
  meter.lastLoad = load.value_or(-1);
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

bool isAscii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The one line of empty.bat, without a line end: the trimmer's path, quoted so
// that a run directory with spaces works, and "*". The command interpreter
// reads a batch file in the console's code page, so a path with Chinese
// characters would only be found on a machine whose code page is 936: such a
// path is named through the batch file's own folder ("%~dp0"), which the
// interpreter expands itself and which works on every machine.
std::string releaseCommandLine(const std::string& trimmerPath) {
  if (isAscii(trimmerPath)) return quoted(trimmerPath) + " *";
  return "\"%~dp0empty.exe\" *";
}

}  // namespace

std::int64_t totalPhysicalMiB(Tool& tool) {
  const auto memory = tool.os.machine.memory();
  return memory ? mebibytes(memory->totalBytes) : 0;
}

std::int64_t availablePhysicalMiB(Tool& tool) {
  const auto memory = tool.os.machine.memory();
  return memory ? mebibytes(memory->availableBytes) : 0;
}

int cpuLoadPercent(Tool& tool) { return tool.cpu.lastLoad; }

void refreshResourceMonitor(Tool& tool) {
  Window& w = *tool.main;
  // One memory reading serves the bar, the label and the available memory, so
  // that they always agree.
  if (const auto memory = tool.os.machine.memory(); memory && mebibytes(memory->totalBytes) > 0) {
    const auto total = static_cast<double>(mebibytes(memory->totalBytes));
    const auto available = static_cast<double>(mebibytes(memory->availableBytes));
    const int load = static_cast<int>((total - available) / total * 100.0);
    w.setPosition("内存进度条", load);
    w.setText("内存负载标签", "负载：" + intToText(load) + "%");
    w.setText("可用内存标签", "可用物理内存：" + intToText(mebibytes(memory->availableBytes)) + "M");
  }
  sampleCpuLoad(tool);
  const int cpu = cpuLoadPercent(tool);
  w.setPosition("CPU进度条", cpu);
  w.setText("CPU负载标签", "负载：" + intToText(cpu) + "%");
}

void writeReleaseFiles(Tool& tool) {
  FileSystem& fs = tool.os.files;
  tool.releaseFilesLeft = false;  // this release owns them now
  if (const auto image = tool.os.environment.carriedFile(CarriedFile::EmptyExe))
    fs.writeFile(tool.paths.emptyExePath, *image);
  fs.writeFile(tool.paths.emptyBatPath, releaseCommandLine(tool.paths.emptyExePath));
}

// Removes the two release files; whether both are gone. The last runs of a
// burst are not waited for, so the trimmer may still be running and its file
// in use: then the removal is tried again on the following ticks.
bool removeReleaseFiles(Tool& tool) {
  FileSystem& fs = tool.os.files;
  for (const std::string* file : {&tool.paths.emptyExePath, &tool.paths.emptyBatPath})
    if (fs.exists(*file)) fs.deleteFile(*file);
  return !fs.exists(tool.paths.emptyExePath) && !fs.exists(tool.paths.emptyBatPath);
}

void runReleaseBurst(Tool& tool) {
  ToolState& s = tool.state;
  if (s.memReleaseBurst <= 0) {
    if (tool.releaseFilesLeft) tool.releaseFilesLeft = !removeReleaseFiles(tool);
    return;
  }
  Window& w = *tool.main;
  w.setText("按钮1", "释放中...");
  w.setDisabled("按钮1", true);
  for (int i = 0; i < releaseRunsPerTick; ++i)
    runProgram(tool, quoted(tool.paths.emptyBatPath), false, kHiddenWindow);
  countDown(s.memReleaseBurst);
  if (s.memReleaseBurst == 0) {
    w.setText("按钮1", "立即释放");
    w.setDisabled("按钮1", false);
    writeSetting(tool, "MemClear", w.text("编辑框1"));
    tool.releaseFilesLeft = !removeReleaseFiles(tool);
  }
}

void runAutoReleaseCountdown(Tool& tool) {
  ToolState& s = tool.state;
  if (s.memClearAutoOn != 1) return;
  countDown(s.memClearLeft);
  if (s.memClearLeft == 0) {
    writeReleaseFiles(tool);
    s.memReleaseBurst = releaseBurstTicks;
    s.memClearLeft = intervalSeconds(*tool.main, "编辑框1");
  }
}

void onReleaseNowClicked(Tool& tool) {
  writeReleaseFiles(tool);
  tool.state.memReleaseBurst = releaseBurstTicks;
}

void onAutoReleaseClicked(Tool& tool) {
  tool.state.memClearAutoOn = 1;
  tool.state.memClearLeft = intervalSeconds(*tool.main, "编辑框1");
  tool.main->setText("按钮2", "自动释放中");
  tool.main->setDisabled("按钮2", true);
}

void onAutoReleaseOffClicked(Tool& tool) {
  tool.state.memClearAutoOn = 0;
  tool.main->setText("按钮2", "自动释放内存");
  tool.main->setDisabled("按钮2", false);
}

}  // namespace kovrin
