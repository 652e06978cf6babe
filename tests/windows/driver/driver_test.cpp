// The driver against a small window of this test's own, on a thread of its
// own: what the end-to-end tests rely on, including that nothing hangs on a
// busy or vanished window.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "driver.h"

namespace {

using namespace std::chrono_literals;

constexpr int kEdit = 1001;
constexpr int kButton = 1002;
constexpr int kDisabled = 1003;
constexpr int kLabel = 1004;
constexpr int kProgress = 1005;
constexpr int kBusyButton = 1006;
constexpr UINT kBusy = WM_APP + 1;

std::atomic<int> clicks{0};

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
    ++clicks;
    if (LOWORD(w) == kButton) MessageBoxW(nullptr, L"服务端正在运行中", L"信息：", MB_OK);
    if (LOWORD(w) == kBusyButton) Sleep(3000);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// A window with an edit box, buttons, a label and a progress bar, run by a
// message loop on its own thread.
class TargetWindow {
 public:
  TargetWindow() {
    thread_ = std::thread([this] { run(); });
    driver::waitFor([this] { return ready_.load(); }, 10s);
  }
  ~TargetWindow() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }

 private:
  void run() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"DriverTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"驱动 测试", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400,
                              300, nullptr, nullptr, instance, nullptr);
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y) {
      return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, 100, 24, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    child(L"Edit", L"60", ES_AUTOHSCROLL, kEdit, 8, 8);
    child(L"Button", L"启动服务端", BS_PUSHBUTTON, kButton, 8, 40);
    HWND disabled = child(L"Button", L"关闭", BS_PUSHBUTTON, kDisabled, 120, 40);
    EnableWindow(disabled, FALSE);
    child(L"Static", L"服务端状态：未运行", 0, kLabel, 8, 72);
    HWND progress = child(PROGRESS_CLASSW, L"", 0, kProgress, 8, 104);
    SendMessageW(progress, PBM_SETPOS, 42, 0);
    child(L"Button", L"忙", BS_PUSHBUTTON, kBusyButton, 120, 104);
    ready_ = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    window_ = nullptr;
  }

  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND window_ = nullptr;
};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clicks = 0;
    ASSERT_NE(target.window(), nullptr);
  }
  TargetWindow target;
};

TEST_F(DriverTest, FindsTheWindowByItsCaptionAndProcess) {
  EXPECT_EQ(driver::findTopLevel("驱动 测试"), target.window());
  EXPECT_EQ(driver::findTopLevel("驱动 测试", GetCurrentProcessId()), target.window());
  EXPECT_EQ(driver::findTopLevel("驱动 测试", GetCurrentProcessId() + 4), nullptr);
  EXPECT_EQ(driver::findTopLevel("驱动"), nullptr);  // the whole caption, not a part
}

TEST_F(DriverTest, WaitingForAMissingWindowEndsAtItsTimeOut) {
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(driver::waitTopLevel("没有这个窗口", 300ms), nullptr);
  const auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, 300ms);
  EXPECT_LT(waited, 3s);
}

TEST_F(DriverTest, ListsTheControlsWithIdentifierClassTextAndPlace) {
  const auto all = driver::controls(target.window());
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0].id, kEdit);
  EXPECT_EQ(all[0].className, "Edit");
  EXPECT_EQ(all[0].text, "60");
  EXPECT_EQ(all[0].rect.left, 8);
  EXPECT_EQ(all[0].rect.top, 8);
  EXPECT_EQ(all[0].rect.right - all[0].rect.left, 100);
  EXPECT_EQ(all[1].text, "启动服务端");
  EXPECT_TRUE(all[1].enabled);
  EXPECT_FALSE(all[2].enabled);
  EXPECT_EQ(all[3].text, "服务端状态：未运行");
}

TEST_F(DriverTest, FindsControlsByIdentifierAndByText) {
  HWND edit = driver::control(target.window(), kEdit);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetDlgCtrlID(edit), kEdit);
  EXPECT_EQ(driver::control(target.window(), 4242), nullptr);
  EXPECT_EQ(driver::controlByText(target.window(), "启动服务端"), driver::control(target.window(), kButton));
  EXPECT_EQ(driver::controlByText(target.window(), "启动服务端", L"Static"), nullptr);
}

TEST_F(DriverTest, ReadsAndSetsTexts) {
  HWND edit = driver::control(target.window(), kEdit);
  EXPECT_EQ(driver::text(edit), std::optional<std::string>("60"));
  EXPECT_TRUE(driver::setText(edit, "６０ 分钟"));
  EXPECT_EQ(driver::text(edit), std::optional<std::string>("６０ 分钟"));
  EXPECT_TRUE(driver::setText(edit, ""));
  EXPECT_EQ(driver::text(edit), std::optional<std::string>(""));
  EXPECT_EQ(driver::progressPosition(driver::control(target.window(), kProgress)), std::optional<int>(42));
}

TEST_F(DriverTest, AClickThatOpensAMessageBoxDoesNotBlockAndTheBoxIsReadAndDismissed) {
  ASSERT_TRUE(driver::click(driver::control(target.window(), kButton)));
  auto box = driver::waitMessageBox(5s, GetCurrentProcessId());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "服务端正在运行中");
  EXPECT_EQ(clicks.load(), 1);
  // Only boxes with the tool's caption count.
  EXPECT_TRUE(driver::messageBoxes(GetCurrentProcessId(), "别的标题").empty());
  EXPECT_TRUE(driver::dismiss(box->hwnd));
  EXPECT_FALSE(IsWindow(box->hwnd));
  EXPECT_TRUE(driver::messageBoxes(GetCurrentProcessId()).empty());
}

TEST_F(DriverTest, ADisabledButtonCannotBeClicked) {
  HWND disabled = driver::control(target.window(), kDisabled);
  EXPECT_FALSE(driver::enabled(disabled));
  EXPECT_FALSE(driver::click(disabled));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(clicks.load(), 0);
}

TEST_F(DriverTest, ABusyWindowGivesNoAnswerInsteadOfHangingTheDriver) {
  ASSERT_TRUE(driver::click(driver::control(target.window(), kBusyButton)));
  ASSERT_TRUE(driver::waitFor([] { return clicks.load() == 1; }, 2s));
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(driver::text(driver::control(target.window(), kLabel), 300ms), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST_F(DriverTest, AVanishedWindowReadsAsNothing) {
  HWND label = driver::control(target.window(), kLabel);
  PostMessageW(target.window(), WM_CLOSE, 0, 0);  // destroys the window and its controls
  ASSERT_TRUE(driver::waitFor([&] { return !IsWindow(label); }, 5s));
  EXPECT_EQ(driver::text(label), std::nullopt);
  EXPECT_FALSE(driver::setText(label, "x"));
  EXPECT_FALSE(driver::click(label));
  EXPECT_EQ(driver::waitMessageBox(100ms, GetCurrentProcessId()), std::nullopt);
}

// driver.exe from a command line, against the same window: output is UTF-8.
struct CommandResult {
  int code = -1;
  std::string output;
};

CommandResult runDriver(const std::wstring& arguments) {
  CommandResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::wstring line = L"\"" + driver::widen(KOVRIN_DRIVER_EXE) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info{};
  const BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &info);
  CloseHandle(writeEnd);
  if (created) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) result.output.append(buffer, n);
    WaitForSingleObject(info.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    result.code = static_cast<int>(code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}

TEST_F(DriverTest, TheCommandLineDriverReadsSetsClicksAndDismisses) {
  const std::wstring window = L"--window \"驱动 测试\" --pid " + std::to_wstring(GetCurrentProcessId()) + L" ";
  auto get = runDriver(window + L"get " + std::to_wstring(kEdit));
  EXPECT_EQ(get.code, 0);
  EXPECT_EQ(get.output, "60\n");
  EXPECT_EQ(runDriver(window + L"set " + std::to_wstring(kEdit) + L" 分钟").code, 0);
  EXPECT_EQ(driver::text(driver::control(target.window(), kEdit)), std::optional<std::string>("分钟"));
  EXPECT_EQ(runDriver(window + L"enabled " + std::to_wstring(kDisabled)).output, "0\n");
  EXPECT_EQ(runDriver(window + L"click " + std::to_wstring(kDisabled)).code, 1);
  EXPECT_EQ(runDriver(window + L"click text=启动服务端").code, 0);
  auto dismissed = runDriver(L"--pid " + std::to_wstring(GetCurrentProcessId()) + L" --timeout 5000 dismiss");
  EXPECT_EQ(dismissed.code, 0);
  EXPECT_EQ(dismissed.output, "服务端正在运行中\n");
  EXPECT_TRUE(driver::messageBoxes(GetCurrentProcessId()).empty());
  EXPECT_EQ(runDriver(L"--timeout 100 --window 没有这个窗口 controls").code, 1);
  EXPECT_EQ(runDriver(L"no-such-command").code, 2);
}

}  // namespace
