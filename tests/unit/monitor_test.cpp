#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "app/tool.h"
#include "automation/monitor.h"
#include "automation/tick.h"
#include "fakes.h"
#include "platform/text.h"

namespace kovrin {
namespace {

using fakes::MemoryWindow;

constexpr const char* kRun = "C:\\steam cmd";
constexpr const char* kExe = "C:\\steam cmd\\ZEruvo\\empty.exe";
constexpr const char* kBat = "C:\\steam cmd\\ZEruvo\\empty.bat";
constexpr const char* kIni = "C:\\steam cmd\\ZEruvo\\GMSetting.ini";

class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() : tool(fake.platform, kRun), window(mainWindowSpec(tool)) {
    tool.main = &window;
    fake.files.addDirectory("C:\\steam cmd\\ZEruvo");
    fake.environment.carried[CarriedFile::EmptyExe] = "MZ-trimmer";
  }

  static MemoryReading mib(double total, double available) {
    return MemoryReading{static_cast<std::uint64_t>(total * 1048576.0),
                         static_cast<std::uint64_t>(available * 1048576.0)};
  }

  fakes::FakePlatform fake;
  Tool tool;
  MemoryWindow window;
};

struct MemoryCase {
  double totalMiB;
  double availableMiB;
  int load;
  const char* available;
};

class MemoryReadoutTest : public MonitorTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(MemoryReadoutTest, BarLabelAndAvailableMemory) {
  const MemoryCase& c = GetParam();
  fake.machine.memoryReading = mib(c.totalMiB, c.availableMiB);
  refreshResourceMonitor(tool);
  EXPECT_EQ(window.position("内存进度条"), c.load);
  EXPECT_EQ(window.text("内存负载标签"), "负载：" + std::to_string(c.load) + "%");
  EXPECT_EQ(window.text("可用内存标签"), c.available);
}

INSTANTIATE_TEST_SUITE_P(Table, MemoryReadoutTest,
                         ::testing::Values(MemoryCase{16305, 9000, 44, "可用物理内存：9000M"},
                                           MemoryCase{16305, 16305, 0, "可用物理内存：16305M"},
                                           MemoryCase{16305, 9000.9, 44, "可用物理内存：9000M"},
                                           MemoryCase{8192, 0, 100, "可用物理内存：0M"},
                                           MemoryCase{3, 1, 66, "可用物理内存：1M"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });  // truncated, not rounded

TEST_F(MonitorTest, UnreadableMemoryLeavesTheReadoutsAndTheTickGoesOn) {
  fake.machine.memoryReading.reset();
  refreshResourceMonitor(tool);
  EXPECT_EQ(window.text("内存负载标签"), "负载：100%");
  EXPECT_EQ(window.text("可用内存标签"), "可用物理内存：12345M");
  fake.machine.memoryReading = MemoryReading{1000, 0};  // less than one MiB in all
  fake.machine.cpu = CpuTimes{50, 100, 0};
  refreshResourceMonitor(tool);
  EXPECT_EQ(window.text("内存负载标签"), "负载：100%");
  EXPECT_EQ(window.text("CPU负载标签"), "负载：50%");  // the processor part still ran
}

TEST_F(MonitorTest, StartupMemoryLabelsUseWholeMebibytes) {
  fake.machine.memoryReading = mib(16305.7, 9000.9);
  EXPECT_EQ(totalPhysicalMiB(tool), 16305);
  EXPECT_EQ(availablePhysicalMiB(tool), 9000);
  fake.machine.memoryReading.reset();
  EXPECT_EQ(totalPhysicalMiB(tool), 0);
}

TEST_F(MonitorTest, ProcessorLoadIsMeasuredOverTheLastTickAndShownAlikeOnBarAndLabel) {
  // Kernel time includes idle time.
  struct Step {
    CpuTimes times;
    int load;
  };
  const std::vector<Step> steps = {
      {{75, 100, 0}, 25},      // first reading: the load since the machine started
      {{85, 120, 20}, 75},     // 40 units passed, 10 of them idle
      {{85, 120, 20}, 75},     // no time passed: the last reading stands
      {{185, 220, 20}, 0},     // all idle
      {{186, 221, 22}, 67},    // 2 of 3 busy, rounded to the nearest
      {{186, 241, 42}, 100}};  // all busy
  for (const Step& step : steps) {
    fake.machine.cpu = step.times;
    refreshResourceMonitor(tool);
    EXPECT_EQ(window.position("CPU进度条"), step.load);
    EXPECT_EQ(window.text("CPU负载标签"), "负载：" + std::to_string(step.load) + "%");
    EXPECT_EQ(cpuLoadPercent(tool), step.load);
  }
  EXPECT_EQ(fake.machine.cpuReads, static_cast<int>(steps.size()));  // one reading a tick
}

TEST_F(MonitorTest, UnreadableProcessorLoadShowsMinusOne) {
  fake.machine.cpu.reset();
  refreshResourceMonitor(tool);
  EXPECT_EQ(window.position("CPU进度条"), -1);
  EXPECT_EQ(window.text("CPU负载标签"), "负载：-1%");
  // Readable again: a fresh measurement, not one across the gap.
  fake.machine.cpu = CpuTimes{50, 100, 0};
  refreshResourceMonitor(tool);
  EXPECT_EQ(window.text("CPU负载标签"), "负载：50%");
}

TEST_F(MonitorTest, AClickWritesBothReleaseFilesAtOnce) {
  window.click("按钮1");
  EXPECT_EQ(fake.files.file(kExe), "MZ-trimmer");
  // One line, no line end, the trimmer's path quoted, in GBK.
  EXPECT_EQ(fake.files.file(kBat), "\"C:\\steam cmd\\ZEruvo\\empty.exe\" *");
  EXPECT_EQ(tool.state.memReleaseBurst, 20);
  EXPECT_EQ(window.text("按钮1"), "立即释放");  // the caption changes on the first burst tick
}

TEST_F(MonitorTest, ABatchFileBesideAChinesePathNamesTheTrimmerThroughItsOwnFolder) {
  // A batch file is read in the console's code page: Chinese characters in it
  // would only work where that is 936.
  Tool chinese(fake.platform, "D:\\服务器");
  fake.files.addDirectory("D:\\服务器\\ZEruvo");
  writeReleaseFiles(chinese);
  EXPECT_EQ(fake.files.file("D:\\服务器\\ZEruvo\\empty.bat"), "\"%~dp0empty.exe\" *");
  EXPECT_EQ(fake.files.file("D:\\服务器\\ZEruvo\\empty.exe"), "MZ-trimmer");
}

TEST_F(MonitorTest, ABurstRunsTwentyTicksAndEndsWithTheButtonTheSettingAndTheFilesRestored) {
  window.setText("编辑框1", "7");
  window.click("按钮1");
  for (int tick = 1; tick <= 20; ++tick) {
    runReleaseBurst(tool);
    if (tick < 20) {
      EXPECT_EQ(window.text("按钮1"), "释放中...") << tick;
      EXPECT_TRUE(window.disabled("按钮1")) << tick;
      EXPECT_TRUE(fake.files.hasFile(kBat)) << tick;
    }
  }
  EXPECT_EQ(tool.state.memReleaseBurst, 0);
  EXPECT_EQ(window.text("按钮1"), "立即释放");
  EXPECT_FALSE(window.disabled("按钮1"));
  EXPECT_FALSE(fake.files.hasFile(kExe));
  EXPECT_FALSE(fake.files.hasFile(kBat));
  EXPECT_NE(fake.files.file(kIni).find("MemClear=7"), std::string::npos);
  runReleaseBurst(tool);  // idle again: nothing happens
  EXPECT_EQ(tool.state.memReleaseBurst, 0);
}

TEST_F(MonitorTest, ABurstLaunchesTheBatchFileFiveTimesATickHiddenWithoutWaiting) {
  window.click("按钮1");
  for (int tick = 0; tick < 20; ++tick) runReleaseBurst(tool);
  ASSERT_EQ(fake.processes.started.size(), 100u);
  for (const auto& p : fake.processes.started) {
    EXPECT_EQ(p.commandLine, "\"C:\\steam cmd\\ZEruvo\\empty.bat\"");
    EXPECT_EQ(p.showWindow, 0);  // SW_HIDE
    EXPECT_FALSE(p.wait);
  }
}

TEST_F(MonitorTest, ASecondClickBeforeTheFirstBurstTickRewritesTheFilesAndKeepsTwentyTicks) {
  window.click("按钮1");
  fake.files.deleteFile(kBat);
  window.click("按钮1");
  EXPECT_TRUE(fake.files.hasFile(kBat));
  EXPECT_EQ(tool.state.memReleaseBurst, 20);
  runReleaseBurst(tool);
  window.click("按钮1");  // disabled during the burst: ignored
  EXPECT_EQ(tool.state.memReleaseBurst, 19);
}

TEST_F(MonitorTest, ReleaseFilesStillInUseAtTheEndOfABurstAreRemovedOnTheFollowingTicks) {
  window.click("按钮1");
  for (int tick = 0; tick < 19; ++tick) runReleaseBurst(tool);
  fake.files.lock(kExe);  // the last runs still use the trimmer
  runReleaseBurst(tool);
  EXPECT_EQ(window.text("按钮1"), "立即释放");
  EXPECT_TRUE(fake.files.hasFile(kExe));
  EXPECT_FALSE(fake.files.hasFile(kBat));
  runReleaseBurst(tool);
  EXPECT_TRUE(fake.files.hasFile(kExe));
  fake.files.unlock(kExe);
  runReleaseBurst(tool);
  EXPECT_FALSE(fake.files.hasFile(kExe));
  // Once gone, later idle ticks touch nothing.
  fake.files.addFile(kExe, "an operator's own file");
  runReleaseBurst(tool);
  EXPECT_TRUE(fake.files.hasFile(kExe));
  EXPECT_EQ(fake.processes.started.size(), 100u);
}

TEST_F(MonitorTest, ANewReleaseTakesOverFilesLeftByThePreviousOne) {
  window.click("按钮1");
  for (int tick = 0; tick < 19; ++tick) runReleaseBurst(tool);
  fake.files.lock(kExe);
  runReleaseBurst(tool);
  fake.files.unlock(kExe);
  window.click("按钮1");  // before the next idle tick removes them
  runReleaseBurst(tool);
  EXPECT_TRUE(fake.files.hasFile(kExe));
  EXPECT_TRUE(fake.files.hasFile(kBat));
}

TEST_F(MonitorTest, FilesThatCannotBeWrittenOrDeletedAreSilent) {
  fake.files.lock("C:\\steam cmd\\ZEruvo");
  window.click("按钮1");
  for (int tick = 0; tick < 20; ++tick) runReleaseBurst(tool);
  EXPECT_EQ(window.text("按钮1"), "立即释放");
  EXPECT_FALSE(window.disabled("按钮1"));
}

TEST_F(MonitorTest, AutomaticReleaseFiresEverySixtiethTickAndReloadsFromTheBox) {
  window.setText("编辑框1", "1");
  window.click("按钮2");
  EXPECT_EQ(window.text("按钮2"), "自动释放中");
  EXPECT_TRUE(window.disabled("按钮2"));
  EXPECT_EQ(tool.state.memClearLeft, 60);
  int bursts = 0;
  for (int tick = 1; tick <= 180; ++tick) {
    if (tick == 100) window.setText("编辑框1", "2");  // used at the next reload
    runReleaseBurst(tool);
    const bool wasIdle = tool.state.memReleaseBurst == 0;
    runAutoReleaseCountdown(tool);
    if (wasIdle && tool.state.memReleaseBurst == 20) {
      ++bursts;
      EXPECT_TRUE(tick == 60 || tick == 120) << tick;
      EXPECT_TRUE(fake.files.hasFile(kBat));
    }
  }
  EXPECT_EQ(bursts, 2);
  EXPECT_EQ(tool.state.memClearLeft, 60);  // reloaded at 120 with 2 minutes: 120 - 60 ticks left
  window.click("按钮3");
  EXPECT_EQ(tool.state.memClearAutoOn, 0);
  EXPECT_EQ(window.text("按钮2"), "自动释放内存");
  EXPECT_FALSE(window.disabled("按钮2"));
  EXPECT_EQ(tool.state.memClearLeft, 60);  // kept; the next arming reloads it
  runAutoReleaseCountdown(tool);
  EXPECT_EQ(tool.state.memClearLeft, 60);
}

TEST_F(MonitorTest, AutomaticReleaseWithZeroOrLettersNeverFires) {
  for (const char* text : {"0", "", "abc", "-1"}) {
    window.setText("编辑框1", text);
    window.click("按钮3");
    window.click("按钮2");
    for (int tick = 0; tick < 200; ++tick) runAutoReleaseCountdown(tool);
    EXPECT_EQ(tool.state.memReleaseBurst, 0) << text;
    EXPECT_LT(tool.state.memClearLeft, 0) << text;
    EXPECT_EQ(window.text("按钮2"), "自动释放中") << text;
  }
}

TEST_F(MonitorTest, ClosingTheWindowStopsAutomaticRelease) {
  window.click("按钮2");
  window.destroyed();
  EXPECT_EQ(tool.state.memClearAutoOn, 0);
}

}  // namespace
}  // namespace kovrin
