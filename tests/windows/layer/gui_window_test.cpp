// The real windows the GUI layer builds from rosters, looked at through the
// system the way an automation tool sees them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/main_window.h"
#include "app/tool.h"
#include "fakes.h"
#include "gui_roster_check.h"
#include "gui_test_support.h"
#include "platform/win32/gui.h"
#include "platform/win32/resource_ids.h"

namespace kovrin {
namespace {

using namespace guitest;
using K = ControlKind;
using E = ControlEvent;
using Clock = std::chrono::steady_clock;

std::size_t indexOf(const WindowSpec& layout, std::string_view name) {
  for (std::size_t i = 0; i < layout.controls.size(); ++i)
    if (layout.controls[i].name == name) return i;
  ADD_FAILURE() << "no control " << name;
  return 0;
}

HWND item(HWND top, const WindowSpec& layout, std::string_view name) {
  return GetDlgItem(top, controlId(indexOf(layout, name)));
}

TEST(GuiWindow, BuildsTheMainWindowFromItsRoster) {
  Watchdog dog;
  fakes::FakePlatform fake;
  Tool tool(fake.platform, "C:\\steamcmd");
  WindowSpec layout = mainWindowSpec(tool);
  layout.onDestroy = {};
  bool checked = false;
  layout.onCreated = [&](Window&) {
    HWND top = findToolWindow("Kovrin v2.30");
    ASSERT_NE(top, nullptr);
    expectFrame(top, layout);
    expectControls(top, layout);
    // The window's client area holds the roster: the banner spans it.
    RECT client{};
    GetClientRect(top, &client);
    EXPECT_GE(client.right, 448);
    EXPECT_GE(client.bottom, 336 + 16);
    checked = true;
    PostMessageW(top, WM_CLOSE, 0, 0);
  };
  win32::Win32Gui gui;
  gui.runMainWindow(layout);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(dog.fired());
}

TEST(GuiWindow, DispatchesEventsAndReachesPropertiesByName) {
  Watchdog dog;
  win32::Win32Gui gui;
  int clicks = 0, throwingClicks = 0, presses = 0, changes = 0, destroyed = 0;
  std::string changedTo, editAtDestroy;
  WindowSpec layout;
  layout.name = "TestWindow";
  layout.caption = "事件测试";
  layout.width = 420;
  layout.height = 300;
  layout.controls = {
      {"标签甲", K::Label, {8, 8, 120, 40}, "第一行\r\n第二行", {}, 0xFF0000, {}, E::LeftButtonDown,
       [&](Window&) { ++presses; }},
      {"标签乙", K::Label, {140, 8, 160, 16}, "普通标签", {12, true, true}, 0x0088FF, {}, E::None, {}},
      {"按钮", K::Button, {8, 56, 88, 32}, "开启定时备份", {}, {}, {}, E::Clicked, [&](Window&) { ++clicks; }},
      {"抛出按钮", K::Button, {100, 56, 88, 32}, "抛出", {14, false, false}, {}, {}, E::Clicked,
       [&](Window&) {
         ++throwingClicks;
         throw std::runtime_error("a handler that fails");
       }},
      {"编辑框", K::Edit, {8, 96, 64, 24}, "60", {}, {}, {}, E::TextChanged,
       [&](Window& w) {
         ++changes;
         changedTo = w.text("编辑框");
       }},
      {"组合框", K::Combo, {80, 96, 120, 20}, "", {}, {}, {"None", "Item", "ItemAndEquipment", "All"},
       E::None, {}},
      {"进度条", K::Progress, {8, 130, 200, 24}, "", {}, {}, {}, E::None, {}},
      {"时钟", K::Timer, {300, 8, 32, 32}, "", {}, {}, {}, E::Elapsed, {}},
  };
  layout.onDestroy = [&](Window& w) {
    ++destroyed;
    editAtDestroy = w.text("编辑框");  // the controls still exist
  };
  layout.onCreated = [&](Window& w) {
    HWND top = findToolWindow(layout.caption);
    ASSERT_NE(top, nullptr);
    expectFrame(top, layout);
    expectControls(top, layout);

    // Clicks reach the handler unless the button is disabled.
    HWND button = item(top, layout, "按钮");
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    w.setDisabled("按钮", true);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_TRUE(w.disabled("按钮"));
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    w.setDisabled("按钮", false);
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_FALSE(w.disabled("按钮"));
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2);

    // A failing handler does not escape into the system and runs again.
    SendMessageW(item(top, layout, "抛出按钮"), BM_CLICK, 0, 0);
    SendMessageW(item(top, layout, "抛出按钮"), BM_CLICK, 0, 0);
    EXPECT_EQ(throwingClicks, 2);

    // Text changes of the edit box, as the operator makes them.
    HWND edit = item(top, layout, "编辑框");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"四十二"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changedTo, "四十二");
    SendMessageW(edit, EM_SETSEL, 3, 3);
    SendMessageW(edit, WM_CHAR, L'7', 1);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(changedTo, "四十二7");
    EXPECT_EQ(w.text("编辑框"), "四十二7");

    // Only the label with a press event takes the mouse.
    HWND pressable = item(top, layout, "标签甲");
    HWND plain = item(top, layout, "标签乙");
    SendMessageW(pressable, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(pressable, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(presses, 1);
    for (HWND label : {pressable, plain}) {
      RECT r{};
      GetWindowRect(label, &r);
      const LRESULT hit = SendMessageW(label, WM_NCHITTEST, 0, MAKELPARAM(r.left + 2, r.top + 2));
      EXPECT_EQ(hit, label == pressable ? HTCLIENT : HTTRANSPARENT);
    }

    // Properties by name, converted between UTF-8 and UTF-16.
    const std::string status = "服务端状态：正在运行";
    w.setText("标签乙", status);
    EXPECT_EQ(windowText(plain), wide(status));
    EXPECT_EQ(w.text("标签乙"), status);
    w.setText("按钮", "定时重启中...\r\n1799");
    EXPECT_EQ(windowText(button), L"定时重启中...\r\n1799");
    const std::string unusual = "Ünïcode 😀 中文 \"引号\"";
    w.setText("编辑框", unusual);
    EXPECT_EQ(w.text("编辑框"), unusual);
    HWND combo = item(top, layout, "组合框");
    w.setText("组合框", "true");
    EXPECT_EQ(windowText(combo), L"true");
    EXPECT_EQ(w.text("组合框"), "true");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    w.setText("组合框", "Item");
    EXPECT_EQ(w.text("组合框"), "Item");
    w.setPosition("进度条", 37);
    EXPECT_EQ(SendMessageW(item(top, layout, "进度条"), PBM_GETPOS, 0, 0), 37);

    // Names outside the roster and properties a control does not have.
    EXPECT_THROW(w.text("没有这个控件"), std::out_of_range);
    EXPECT_THROW(w.setPosition("标签乙", 1), std::logic_error);
    EXPECT_THROW(w.setText("进度条", "x"), std::logic_error);
    EXPECT_THROW(w.setPeriod("按钮", 1000), std::logic_error);
    PostMessageW(top, WM_CLOSE, 0, 0);
  };
  gui.runMainWindow(layout);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(editAtDestroy, "Ünïcode 😀 中文 \"引号\"");
  EXPECT_EQ(findToolWindow(layout.caption), nullptr);
  EXPECT_FALSE(dog.fired());
}

TEST(GuiWindow, TabMovesTheFocusInRosterOrder) {
  Watchdog dog;
  win32::Win32Gui gui;
  HWND top = nullptr;
  std::vector<std::pair<int, int>> focused;  // identifiers of the focus and of its parent
  int step = 0;
  WindowSpec layout;
  layout.caption = "焦点测试";
  layout.width = 300;
  layout.height = 200;
  layout.controls = {
      {"甲", K::Edit, {8, 8, 80, 24}, "", {}, {}, {}, E::None, {}},
      {"标签", K::Label, {8, 40, 80, 16}, "标签", {}, {}, {}, E::None, {}},
      {"乙", K::Button, {8, 64, 80, 24}, "按钮", {}, {}, {}, E::None, {}},
      {"丙", K::Combo, {8, 96, 80, 20}, "", {}, {}, {"True"}, E::None, {}},
      {"时钟", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed,
       [&](Window&) {
         if (step == 0) SetFocus(GetDlgItem(top, controlId(0)));
         focused.emplace_back(GetDlgCtrlID(GetFocus()), GetDlgCtrlID(GetParent(GetFocus())));
         if (++step == 4) {
           PostMessageW(top, WM_CLOSE, 0, 0);
           return;
         }
         PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
         PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0xC0000001);
       }},
  };
  layout.onCreated = [&](Window& w) {
    top = findToolWindow(layout.caption);
    w.setPeriod("时钟", 50);
  };
  gui.runMainWindow(layout);
  ASSERT_EQ(focused.size(), 4u);
  EXPECT_EQ(focused[0].first, controlId(0));
  EXPECT_EQ(focused[1].first, controlId(2));  // the label takes no focus
  EXPECT_EQ(focused[2].second, controlId(3));  // the combo box's own edit field
  EXPECT_EQ(focused[3].first, controlId(0));  // round again
  EXPECT_FALSE(dog.fired());
}

TEST(GuiWindow, ClassIconIsTheToolsIcon) {
  Watchdog dog;
  win32::Win32Gui gui;
  WindowSpec layout;
  layout.caption = "图标测试";
  layout.width = 200;
  layout.height = 150;
  layout.onCreated = [&](Window&) {
    HWND top = findToolWindow(layout.caption);
    ASSERT_NE(top, nullptr);
    for (const auto& [index, metric] : {std::pair{GCLP_HICON, SM_CXICON}, std::pair{GCLP_HICONSM, SM_CXSMICON}}) {
      auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(top, index));
      ASSERT_NE(icon, nullptr);
      const int size = GetSystemMetrics(metric);
      // The same pixels as the resource's image of that size.
      auto fromResource = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KOVRIN),
                                                        IMAGE_ICON, size, size, 0));
      ASSERT_NE(fromResource, nullptr);
      auto pixels = [size](HICON h) {
        ICONINFO info{};
        GetIconInfo(h, &info);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = size;
        bi.bmiHeader.biHeight = -size;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<std::uint32_t> out(static_cast<std::size_t>(size) * size);
        HDC dc = GetDC(nullptr);
        const int rows = GetDIBits(dc, info.hbmColor, 0, size, out.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        EXPECT_EQ(rows, size);
        return out;
      };
      const auto classPixels = pixels(icon);
      EXPECT_EQ(classPixels, pixels(fromResource));
      // Transparent corners, an opaque centre.
      EXPECT_EQ(classPixels.front() >> 24, 0u);
      EXPECT_EQ(classPixels[static_cast<std::size_t>(size / 2) * size + size / 2] >> 24, 0xFFu);
      DestroyIcon(fromResource);
    }
    PostMessageW(top, WM_CLOSE, 0, 0);
  };
  gui.runMainWindow(layout);
  EXPECT_FALSE(dog.fired());
}

TEST(GuiTimer, TicksOnDuringAMessageBoxWithoutNestingOrCatchingUp) {
  Watchdog dog;
  win32::Win32Gui gui;
  HWND top = nullptr;
  int slowEntries = 0, fastTicks = 0, fastDuringBox = 0, stoppedAtFast = -1;
  bool inside = false, nested = false, boxOpen = false, enabledAfterBox = false;
  Clock::time_point boxClosed, fourthEntry;
  WindowSpec layout;
  layout.caption = "计时测试";
  layout.width = 300;
  layout.height = 200;
  layout.controls = {
      {"慢", K::Timer, {0, 0, 32, 32}, "", {}, {}, {}, E::Elapsed,
       [&](Window& w) {
         if (inside) nested = true;
         inside = true;
         ++slowEntries;
         if (slowEntries == 1) {
           boxOpen = true;
           gui.showMessage("计时中");
           boxOpen = false;
           boxClosed = Clock::now();
           enabledAfterBox = IsWindowEnabled(top);
         } else if (slowEntries == 4) {
           fourthEntry = Clock::now();
           w.setPeriod("慢", 0);
           stoppedAtFast = fastTicks;
         }
         inside = false;
       }},
      {"快", K::Timer, {40, 0, 32, 32}, "", {}, {}, {}, E::Elapsed,
       [&](Window&) {
         ++fastTicks;
         if (boxOpen) ++fastDuringBox;
         // Close once the stopped timer has had time to tick again.
         if (stoppedAtFast >= 0 && fastTicks - stoppedAtFast >= 15) PostMessageW(top, WM_CLOSE, 0, 0);
       }},
  };
  layout.onCreated = [&](Window& w) {
    top = findToolWindow(layout.caption);
    w.setPeriod("慢", 40);
    w.setPeriod("快", 20);
  };
  bool windowDisabledWhileOpen = false;
  MessageBoxView seen;
  MessageBoxCloser closer(
      [&](const MessageBoxView& v) {
        seen = v;
        windowDisabledWhileOpen = !IsWindowEnabled(top);
      },
      400);
  gui.runMainWindow(layout);
  closer.join();

  EXPECT_TRUE(closer.found());
  EXPECT_EQ(seen.text, L"计时中");
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(seen.icon);
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_TRUE(windowDisabledWhileOpen);
  EXPECT_TRUE(enabledAfterBox);
  EXPECT_FALSE(nested);
  EXPECT_GE(fastDuringBox, 5);  // about 20 in 400 ms
  // The ten ticks missed during the box are not made up afterwards: the
  // next three entries still take about two periods.
  EXPECT_GE(fourthEntry - boxClosed, std::chrono::milliseconds(30));
  EXPECT_EQ(slowEntries, 4);  // nothing after its period was set to 0
  EXPECT_FALSE(dog.fired());
}

TEST(GuiMessage, FromAWorkerThreadHoldsUpOnlyThatThread) {
  Watchdog dog;
  win32::Win32Gui gui;
  HWND top = nullptr;
  std::thread worker;
  std::atomic<DWORD> workerId{0};
  std::atomic<bool> returned{false};
  MessageBoxView seen;
  bool enabledWhileOpen = false, sameThread = true;
  int ticksWhileOpen = 0;
  WindowSpec layout;
  layout.caption = "工作线程消息";
  layout.width = 300;
  layout.height = 200;
  layout.controls = {
      {"时钟", K::Timer, {0, 0, 32, 32}, "", {}, {}, {}, E::Elapsed,
       [&](Window&) {
         if (returned) {
           PostMessageW(top, WM_CLOSE, 0, 0);
           return;
         }
         HWND box = findMessageBox();
         if (!box) return;
         // The GUI thread goes on while the worker's box is open.
         if (++ticksWhileOpen < 3) return;
         seen = viewMessageBox(box);
         enabledWhileOpen = IsWindowEnabled(top);
         sameThread = GetWindowThreadProcessId(box, nullptr) == GetCurrentThreadId();
         PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
       }},
  };
  layout.onCreated = [&](Window& w) {
    top = findToolWindow(layout.caption);
    worker = std::thread([&] {
      workerId = GetCurrentThreadId();
      gui.showMessage("安装完成\r\n第二行");
      returned = true;
    });
    w.setPeriod("时钟", 20);
  };
  gui.runMainWindow(layout);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(seen.text, L"安装完成\r\n第二行");
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(seen.icon);
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_TRUE(enabledWhileOpen);
  EXPECT_FALSE(sameThread);
  EXPECT_FALSE(dog.fired());
}

// A roster shaped like the configuration window: 64 captioned value
// controls in four columns of sixteen, a pink banner and a save button.
WindowSpec configLikeSpec() {
  WindowSpec layout;
  layout.name = "ConfigWindow";
  layout.caption = "幻兽帕鲁配置修改";
  layout.width = 1177;
  layout.height = 698;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 16; ++row) {
      const int k = col * 16 + row;
      const int x = 8 + col * 280;
      const int y = 8 + row * 40;
      layout.controls.push_back({"透明标签" + std::to_string(k), K::Label, {x, y + 8, 140, 16},
                               "设置项" + std::to_string(k), {}, {}, {}, E::None, {}});
      if (row < 5)
        layout.controls.push_back({"值" + std::to_string(k), K::Combo, {x + 152, y + 8, 120, 20}, "", {}, {},
                                 {"True", "False"}, E::None, {}});
      else
        layout.controls.push_back({"值" + std::to_string(k), K::Edit, {x + 152, y, 120, 32}, "", {}, {}, {},
                                 E::None, {}});
    }
  }
  layout.controls.push_back({"广告标签", K::Label, {168, 648, 472, 16}, "Kovrin", {}, 0xFF80C0, {}, E::None, {}});
  layout.controls.push_back({"按钮2", K::Button, {768, 640, 160, 24}, "保存服务器配置", {}, {}, {}, E::Clicked, {}});
  return layout;
}

TEST(GuiModal, OwnedModalAndCentredWhileTheMainTimerTicks) {
  Watchdog dog;
  win32::Win32Gui gui;
  HWND top = nullptr, modal = nullptr;
  int mainTicks = 0, ticksAtOpen = -1, modalCreated = 0, modalDestroyed = 0;
  bool mainDisabledInModal = false, checkedAfter = false;

  WindowSpec config = configLikeSpec();
  config.controls.push_back({"关闭", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed, [&](Window&) {
                               if (mainTicks - ticksAtOpen >= 5) PostMessageW(modal, WM_CLOSE, 0, 0);
                             }});
  config.onCreated = [&](Window& w) {
    ++modalCreated;
    modal = findToolWindow(config.caption);
    ASSERT_NE(modal, nullptr);
    expectFrame(modal, config);
    expectControls(modal, config);
    EXPECT_EQ(GetWindow(modal, GW_OWNER), top);
    mainDisabledInModal = !IsWindowEnabled(top);
    ticksAtOpen = mainTicks;
    w.setPeriod("关闭", 30);
  };
  config.onDestroy = [&](Window&) { ++modalDestroyed; };

  WindowSpec layout;
  layout.caption = "主窗口";
  layout.width = 462;
  layout.height = 381;
  layout.controls = {
      {"计数", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed, [&](Window&) { ++mainTicks; }},
      {"打开", K::Timer, {0, 0, 0, 0}, "", {}, {}, {}, E::Elapsed,
       [&](Window& w) {
         w.setPeriod("打开", 0);
         gui.runModal(config);
         EXPECT_FALSE(IsWindow(modal));
         EXPECT_TRUE(IsWindowEnabled(top));
         EXPECT_EQ(GetActiveWindow(), top);
         checkedAfter = true;
         PostMessageW(top, WM_CLOSE, 0, 0);
       }},
  };
  layout.onCreated = [&](Window& w) {
    top = findToolWindow(layout.caption);
    w.setPeriod("计数", 20);
    w.setPeriod("打开", 50);
  };
  gui.runMainWindow(layout);
  EXPECT_EQ(modalCreated, 1);
  EXPECT_EQ(modalDestroyed, 1);
  EXPECT_TRUE(mainDisabledInModal);
  EXPECT_GE(mainTicks - ticksAtOpen, 5);
  EXPECT_TRUE(checkedAfter);
  EXPECT_FALSE(dog.fired());
}

}  // namespace
}  // namespace kovrin
