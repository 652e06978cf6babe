// The shell: the system folder browser and the "open" action.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "gui_test_support.h"
#include "platform/win32/gui.h"

namespace kovrin {
namespace {

using namespace guitest;
using K = ControlKind;
using E = ControlEvent;

// The folder browser of this process, once it is up.
HWND findFolderBrowser() {
  struct Search {
    HWND found = nullptr;
  } search;
  EnumWindows(
      [](HWND h, LPARAM lp) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != GetCurrentProcessId() || !IsWindowVisible(h) || className(h) != L"#32770") return TRUE;
        // The browser is the dialog with a tree of the namespace.
        for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
          if (className(c) == WC_TREEVIEWW) {
            reinterpret_cast<Search*>(lp)->found = h;
            return FALSE;
          }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND childOfClass(HWND parent, const wchar_t* cls) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (_wcsicmp(className(c).c_str(), cls) == 0) return c;
  return nullptr;
}

// Opens the browser on a worker thread, lets `operate` work it, and returns
// what the browser call returned.
std::optional<std::string> browseOnWorker(const std::function<void(HWND)>& operate) {
  win32::Win32Shell shell;
  std::optional<std::string> result = "not returned";
  std::thread worker([&] { result = shell.browseForFolder("请选择备份文件夹"); });
  HWND browser = waitForWindow(findFolderBrowser);
  EXPECT_NE(browser, nullptr);
  if (browser) operate(browser);
  worker.join();
  return result;
}

TEST(GuiShell, FolderBrowserOwnedByTheActiveWindowKeepsTheTimerGoing) {
  Watchdog dog;
  win32::Win32Gui gui;
  win32::Win32Shell shell;
  HWND top = nullptr;
  int ticks = 0, ticksWhileOpen = 0;
  bool browsing = false, ownedByTop = false, topDisabled = false, hasEdit = false;
  std::optional<std::string> result = "not returned";
  WindowSpec layout;
  layout.caption = "浏览测试";
  layout.width = 300;
  layout.height = 200;
  layout.controls = {
      {"计数", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed,
       [&](Window&) {
         ++ticks;
         if (browsing) ++ticksWhileOpen;
       }},
      {"浏览", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed,
       [&](Window& w) {
         w.setPeriod("浏览", 0);
         browsing = true;
         result = shell.browseForFolder("请选择备份文件夹");
         browsing = false;
         PostMessageW(top, WM_CLOSE, 0, 0);
       }},
  };
  layout.onCreated = [&](Window& w) {
    top = findToolWindow(layout.caption);
    w.setPeriod("计数", 20);
    w.setPeriod("浏览", 50);
  };
  std::thread operatorThread([&] {
    HWND browser = waitForWindow(findFolderBrowser);
    if (!browser) return;
    ownedByTop = GetWindow(browser, GW_OWNER) == top;
    topDisabled = !IsWindowEnabled(top);
    hasEdit = childOfClass(browser, L"Edit") != nullptr;
    Sleep(300);
    PostMessageW(GetDlgItem(browser, IDCANCEL), BM_CLICK, 0, 0);
  });
  gui.runMainWindow(layout);
  operatorThread.join();
  EXPECT_EQ(result, std::nullopt);  // cancelled
  EXPECT_TRUE(ownedByTop);
  EXPECT_TRUE(topDisabled);
  EXPECT_TRUE(hasEdit);
  EXPECT_GE(ticksWhileOpen, 5);
  EXPECT_FALSE(dog.fired());
}

TEST(GuiShell, FolderBrowserReturnsThePathOfTheChosenFolder) {
  const auto result = browseOnWorker([](HWND browser) {
    // The whole namespace, from the desktop, which is selected at first.
    HWND tree = childOfClass(browser, WC_TREEVIEWW);
    ASSERT_NE(tree, nullptr);
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_EQ(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), reinterpret_cast<LRESULT>(root));
    PostMessageW(GetDlgItem(browser, IDOK), BM_CLICK, 0, 0);
  });
  ASSERT_TRUE(result.has_value());
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(wide(*result), desktop);
}

TEST(GuiShell, FolderBrowserGivesAnEmptyPathForAnItemOutsideTheFileSystem) {
  const auto result = browseOnWorker([](HWND browser) {
    HWND tree = childOfClass(browser, WC_TREEVIEWW);
    ASSERT_NE(tree, nullptr);
    // The first item below the desktop that is no folder of the file system
    // (the computer, the recycle bin...).
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    HTREEITEM pick = nullptr;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
         item && !pick;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
      wchar_t text[260] = {};
      TVITEMW tv{};
      tv.mask = TVIF_TEXT;
      tv.hItem = item;
      tv.pszText = text;
      tv.cchTextMax = 260;
      SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
      if (std::wstring(text) == L"My Computer") pick = item;
    }
    ASSERT_NE(pick, nullptr);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pick));
    PostMessageW(GetDlgItem(browser, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, std::optional<std::string>(""));
}

TEST(GuiShell, OpenRunsTheShellsOpenAction) {
  // "open" on a batch file runs it; a web address goes to the browser the
  // same way.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path dir = std::filesystem::path(temp) / L"kovrin_open_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto marker = dir / L"opened.txt";
  {
    std::ofstream bat(dir / L"open me.bat");
    bat << "@echo opened> \"%~dp0opened.txt\"\r\n";
  }
  win32::Win32Shell shell;
  const std::wstring bat = (dir / L"open me.bat").wstring();
  shell.openUrl(fromUtf16(std::u16string(bat.begin(), bat.end())));
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(marker); }));
  Sleep(200);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace kovrin
