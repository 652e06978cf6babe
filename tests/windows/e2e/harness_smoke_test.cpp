// One whole install through every part of the harness: the SteamCMD message
// at startup, the zip of the fake SteamCMD served by the local HTTP server,
// update.bat run by the tool, the fake server installed, the closing message
// read while the button shows the run.
#include <chrono>

#include "tool_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ToolFixture, InstallOnAnEmptyRunDirectoryFetchesSteamCmdAndInstallsTheServer) {
  chineseRunDir = true;
  ASSERT_TRUE(startTool());
  EXPECT_EQ(nextMessage(), std::optional<std::string>(kSteamCmdMissingMessage));
  ASSERT_TRUE(waitStarted());
  // The first status pass names the install path on the button.
  EXPECT_EQ(waitText("更新游戏按钮", "安装服务端"), "安装服务端");

  ASSERT_TRUE(click("更新游戏按钮"));
  const auto box = driver::waitMessageBox(60s, toolPid());
  ASSERT_TRUE(box) << "no closing message";
  EXPECT_EQ(box->text, "下载安装完成！");
  // While the message is open the run is still shown and the button refused.
  EXPECT_EQ(waitText("更新游戏按钮", "正在安装中."), "正在安装中.");
  EXPECT_FALSE(enabled("更新游戏按钮"));
  EXPECT_TRUE(driver::dismiss(box->hwnd));

  EXPECT_EQ(http.hits(kSteamCmdZipPath), 1);
  EXPECT_EQ(readFile("steamcmd.exe"), readWholeFile(fakeProgram("steamcmd.exe")));
  EXPECT_EQ(readFile("update.bat"), std::optional<std::string>(
                                        "steamcmd +login anonymous +app_update 2394010 validate +quit"));
  EXPECT_TRUE(exists("steamapps\\common\\PalServer\\PalServer.exe"));
  EXPECT_TRUE(exists("steamapps\\common\\PalServer\\Pal\\Binaries\\Win64\\PalServer-Win64-Shipping-Cmd.exe"));
  // The button comes back with the next status pass.
  EXPECT_EQ(waitText("更新游戏按钮", "安装服务端"), "安装服务端");
  EXPECT_TRUE(enabled("更新游戏按钮"));
}

}  // namespace
}  // namespace e2e
