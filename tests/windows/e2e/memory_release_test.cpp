// A memory release, end to end: the button writes the trimmer and its batch
// file, the burst runs them for twenty ticks, and at its end the button is
// back, the interval is stored and both files are gone.
#include <chrono>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ToolFixture, AReleaseBurstWritesTheTrimmerRunsItAndRemovesItsFiles) {
  chineseRunDir = true;  // spaces and Chinese characters in the path
  putSteamCmd();
  ASSERT_TRUE(startToolAndSettle());
  ASSERT_TRUE(setText("编辑框1", "3"));

  ASSERT_TRUE(click("按钮1"));
  // Both files are written at the click.
  ASSERT_TRUE(driver::waitFor([&] { return exists("ZEruvo\\empty.bat"); }, 5s));
  const auto trimmer = readFile("ZEruvo\\empty.exe");
  ASSERT_TRUE(trimmer.has_value());
  EXPECT_EQ(trimmer->substr(0, 2), "MZ");
  // The run directory's path has Chinese characters: the batch file names
  // the trimmer through its own folder.
  EXPECT_EQ(readFile("ZEruvo\\empty.bat"), "\"%~dp0empty.exe\" *");

  // The first burst tick shows the burst on the button, and the batch file
  // really starts the trimmer from the run directory.
  EXPECT_EQ(waitText("按钮1", "释放中...", 5s), "释放中...");
  EXPECT_FALSE(enabled("按钮1"));
  EXPECT_TRUE(driver::waitFor([&] { return !processesNamed("empty.exe").empty(); }, 15s))
      << "no trimmer was seen running";

  // Twenty ticks later the burst is over.
  EXPECT_EQ(waitText("按钮1", "立即释放", 60s), "立即释放");
  EXPECT_TRUE(enabled("按钮1"));
  const auto settings = readFile("ZEruvo\\GMSetting.ini");
  ASSERT_TRUE(settings.has_value());
  EXPECT_NE(settings->find("MemClear=3\r\n"), std::string::npos) << *settings;
  EXPECT_TRUE(driver::waitFor([&] { return !exists("ZEruvo\\empty.bat") && !exists("ZEruvo\\empty.exe"); }, 5s))
      << "the release files are still there";
}

TEST_F(ToolFixture, AutomaticReleaseIsArmedAndDisarmedByItsButtons) {
  putSteamCmd();
  ASSERT_TRUE(startToolAndSettle());
  ASSERT_TRUE(click("按钮2"));
  EXPECT_EQ(waitText("按钮2", "自动释放中", 5s), "自动释放中");
  EXPECT_FALSE(enabled("按钮2"));
  ASSERT_TRUE(click("按钮3"));
  EXPECT_EQ(waitText("按钮2", "自动释放内存", 5s), "自动释放内存");
  EXPECT_TRUE(enabled("按钮2"));
}

TEST_F(ToolFixture, TheMonitorShowsLiveReadings) {
  putSteamCmd();
  ASSERT_TRUE(startToolAndSettle());
  // The design texts are replaced by the first tick's readings.
  const std::string memory = waitTextWhere("内存负载标签", [](const std::string& t) { return t != "负载：100%"; }, 5s);
  EXPECT_EQ(memory.rfind("负载：", 0), 0u) << memory;
  EXPECT_EQ(memory.back(), '%') << memory;
  const std::string cpu = waitTextWhere("CPU负载标签", [](const std::string& t) { return t != "负载：100%"; }, 5s);
  EXPECT_EQ(cpu.rfind("负载：", 0), 0u) << cpu;
  EXPECT_EQ(text("可用内存标签").rfind("可用物理内存：", 0), 0u);
  EXPECT_NE(text("可用内存标签"), "可用物理内存：12345M");
}

}  // namespace
}  // namespace e2e
