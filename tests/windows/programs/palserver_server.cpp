// Fake PalServer-Win64-Shipping-Cmd.exe: the server process proper. While it
// runs it keeps rewriting a world save and a few player saves in Pal\Saved
// below the PalServer directory (three levels above its own), so that a backup
// has real files to copy, and it notes each start in Pal\Saved\Logs.
//
// Environment, for tests:
//   KOVRIN_FAKE_SERVER_PERIOD_MS    milliseconds between save rounds (default 1000)
//   KOVRIN_FAKE_SERVER_LIFETIME_MS  end by itself after this long (default: never)
//   KOVRIN_FAKE_SERVER_TITLE        also own a hidden top-level window with this title
#include <cstdio>
#include <cwchar>
#include <string>

#include "fake_common.h"

namespace {

constexpr wchar_t kWorldId[] = L"0123456789ABCDEF0123456789ABCDEF";
constexpr const wchar_t* kPlayers[] = {
    L"00000000000000000000000000000001",
    L"6C2E9A1B000000000000000000000000",
    L"D41D8CD98F00B204E9800998ECF8427E",
};

int numberFromEnvironment(const wchar_t* name, int fallback) {
  const std::wstring text = fake::environment(name);
  if (text.empty()) return fallback;
  return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

// Some bytes that look like a save: a header, the round and a filler.
std::string saveBytes(const char* kind, unsigned round, std::size_t size) {
  char header[128];
  std::snprintf(header, sizeof header, "GVAS fake %s save, round %u, pid %lu\n", kind, round,
                static_cast<unsigned long>(GetCurrentProcessId()));
  std::string bytes = header;
  while (bytes.size() < size) bytes.push_back(static_cast<char>('a' + (bytes.size() + round) % 26));
  return bytes;
}

struct Saves {
  std::wstring saved;  // ...\PalServer\Pal\Saved
  unsigned round = 0;

  void prepare() {
    const std::wstring world = saved + L"\\SaveGames\\0\\" + kWorldId;
    fake::makeDirectories(world + L"\\Players");
    fake::makeDirectories(saved + L"\\Logs");
    // The real server leaves an empty settings file on its first start.
    const std::wstring configDir = saved + L"\\Config\\WindowsServer";
    fake::makeDirectories(configDir);
    const std::wstring settings = configDir + L"\\PalWorldSettings.ini";
    if (GetFileAttributesW(settings.c_str()) == INVALID_FILE_ATTRIBUTES) fake::writeFile(settings, "");
    char line[96];
    std::snprintf(line, sizeof line, "started pid %lu\r\n", static_cast<unsigned long>(GetCurrentProcessId()));
    fake::appendFile(saved + L"\\Logs\\PalServer.log", line);
  }

  void write() {
    ++round;
    const std::wstring world = saved + L"\\SaveGames\\0\\" + kWorldId;
    fake::writeFile(world + L"\\Level.sav", saveBytes("level", round, 16384));
    fake::writeFile(world + L"\\LevelMeta.sav", saveBytes("meta", round, 512));
    for (const wchar_t* player : kPlayers)
      fake::writeFile(world + L"\\Players\\" + player + L".sav", saveBytes("player", round, 2048));
  }
};

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring palServer = fake::parentOf(fake::parentOf(fake::parentOf(fake::ownDirectory())));
  Saves saves{palServer + L"\\Pal\\Saved"};
  saves.prepare();
  saves.write();

  const int period = numberFromEnvironment(L"KOVRIN_FAKE_SERVER_PERIOD_MS", 1000);
  const int lifetime = numberFromEnvironment(L"KOVRIN_FAKE_SERVER_LIFETIME_MS", 0);
  const std::wstring title = fake::environment(L"KOVRIN_FAKE_SERVER_TITLE");

  HWND window = nullptr;
  if (!title.empty()) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"KovrinFakeServer";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                             nullptr, instance, nullptr);
  }

  const UINT_PTR saveTimer = SetTimer(nullptr, 0, period > 0 ? static_cast<UINT>(period) : 1000u, nullptr);
  const ULONGLONG started = GetTickCount64();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == saveTimer) {
      saves.write();
      if (lifetime > 0 && GetTickCount64() - started >= static_cast<ULONGLONG>(lifetime)) break;
      continue;
    }
    DispatchMessageW(&msg);
  }
  if (window) DestroyWindow(window);
  return 0;
}
