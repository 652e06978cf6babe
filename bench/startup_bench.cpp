// Timed command, run under Wine (scripts/bench): how fast kovrin.exe is up
// when offline, and how much processor time it takes while idle.
//
//   kovrin_startup_bench [--runs N] [--idle-seconds S] [--tool PATH]
//
// Startup is timed from just before process creation to:
//   input idle    WaitForInputIdle returns (the created handler has run);
//   labels        the startup sequence has written the memory labels, its
//                 step right before it arms the one-second timer;
//   first tick    the first tick has written the memory bar or load label;
//   timer armed   first tick minus the one-second period (an estimate).
// The run directory holds a SteamCMD and the document addresses point at a
// closed port, so startup shows no message and fetches nothing.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "driver.h"
#include "roster.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::wstring windowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return driver::widen(path);
}

double median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Tool {
  HANDLE process = nullptr;
  DWORD pid = 0;
  HWND window = nullptr;
};

bool start(const std::wstring& exe, const std::wstring& dir, Tool& tool) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                      &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  tool.process = info.hProcess;
  tool.pid = info.dwProcessId;
  return true;
}

void stop(Tool& tool) {
  if (tool.window) driver::close(tool.window);
  if (WaitForSingleObject(tool.process, 10000) != WAIT_OBJECT_0) TerminateProcess(tool.process, 1);
  WaitForSingleObject(tool.process, 5000);
  CloseHandle(tool.process);
  tool = {};
}

HWND mainControl(HWND window, const char* name) {
  return driver::control(window, driver::rosterControlId(driver::Roster::Main, name));
}

bool labelsWritten(HWND window) {
  auto t = driver::text(mainControl(window, "内存总量标签"), milliseconds(200));
  return t && t->rfind("物理内存总量：", 0) == 0 && *t != "物理内存总量：12345M";
}

bool ticked(HWND window) {
  auto position = driver::progressPosition(mainControl(window, "内存进度条"), milliseconds(200));
  auto load = driver::text(mainControl(window, "内存负载标签"), milliseconds(200));
  return (position && *position != 0) || (load && *load != "负载：100%");
}

bool underWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string readSmallFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(4096, '\0');
  DWORD n = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(file);
  bytes.resize(n);
  return bytes;
}

// Under Wine, GetProcessTimes reports no processor time for other processes:
// the time is read from the Linux process instead, found by the Windows path
// Wine shows as its command line.
double linuxCpuMs(const std::wstring& exe) {
  std::string wanted = driver::narrow(exe);
  for (auto& c : wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  double result = -1;
  do {
    const std::wstring pid = data.cFileName;
    if (pid.empty() || pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    std::string command = readSmallFile(L"Z:\\proc\\" + pid + L"\\cmdline");
    command = command.substr(0, command.find('\0'));
    for (auto& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (command != wanted) continue;
    const std::string stat = readSmallFile(L"Z:\\proc\\" + pid + L"\\stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) continue;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < stat.size()) {
      const auto space = stat.find(' ', at);
      fields.push_back(stat.substr(at, space == std::string::npos ? std::string::npos : space - at));
      if (space == std::string::npos) break;
      at = space + 1;
    }
    if (fields.size() < 13) continue;
    const double ticks = std::strtod(fields[11].c_str(), nullptr) + std::strtod(fields[12].c_str(), nullptr);
    result = ticks * 1000.0 / 100.0;  // USER_HZ is 100 on Linux
    break;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return result;
}

double cpuMs(HANDLE process, const std::wstring& exe) {
  if (underWine()) return linuxCpuMs(exe);
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto value = [](FILETIME f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 5;
  int idleSeconds = 60;
  std::wstring toolPath = windowsPath(KOVRIN_BENCH_TOOL);
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring arg = argv[i];
    if (arg == L"--runs") runs = std::max(1, static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10)));
    else if (arg == L"--idle-seconds") idleSeconds = std::max(0, static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10)));
    else if (arg == L"--tool") toolPath = argv[i + 1];
  }

  // A run directory with a SteamCMD, offline document addresses.
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring dir = std::wstring(temp) + L"kovrin-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring exe = dir + L"\\kovrin.exe";
  if (!CopyFileW(toolPath.c_str(), exe.c_str(), FALSE) ||
      !CopyFileW(windowsPath(KOVRIN_BENCH_STEAMCMD).c_str(), (dir + L"\\steamcmd.exe").c_str(), FALSE)) {
    std::fprintf(stderr, "cannot prepare the run directory\n");
    return 1;
  }
  SetEnvironmentVariableW(L"KOVRIN_VERSION_URL", L"http://127.0.0.1:1/version.txt");
  SetEnvironmentVariableW(L"KOVRIN_BANNER_URL", L"http://127.0.0.1:1/banner.txt");
  const std::string caption = driver::rosterCaption(driver::Roster::Main);

  std::vector<double> idle, labels, tick;
  for (int run = 0; run < runs; ++run) {
    Tool tool;
    const auto t0 = Clock::now();
    if (!start(exe, dir, tool)) {
      std::fprintf(stderr, "cannot start kovrin.exe\n");
      return 1;
    }
    WaitForInputIdle(tool.process, 60000);
    idle.push_back(msSince(t0));
    tool.window = driver::waitTopLevel(caption, milliseconds(60000), tool.pid, nullptr, false);
    if (!tool.window || !driver::waitFor([&] { return labelsWritten(tool.window); }, milliseconds(60000),
                                         milliseconds(2))) {
      std::fprintf(stderr, "run %d: the startup sequence did not finish\n", run + 1);
      stop(tool);
      return 1;
    }
    labels.push_back(msSince(t0));
    if (driver::waitFor([&] { return ticked(tool.window); }, milliseconds(10000), milliseconds(2)))
      tick.push_back(msSince(t0));
    stop(tool);
  }
  std::printf("kovrin.exe startup, offline, median of %d runs (from process creation):\n", runs);
  std::printf("  input idle       %8.1f ms\n", median(idle));
  std::printf("  labels written   %8.1f ms\n", median(labels));
  if (tick.size() == idle.size()) {
    std::printf("  first tick       %8.1f ms\n", median(tick));
    std::printf("  timer armed   ~  %8.1f ms (first tick - 1000 ms)\n", median(tick) - 1000.0);
  } else {
    std::printf("  first tick       not seen in every run\n");
  }

  if (idleSeconds > 0) {
    Tool tool;
    if (start(exe, dir, tool)) {
      tool.window = driver::waitTopLevel(caption, milliseconds(60000), tool.pid, nullptr, false);
      driver::waitFor([&] { return tool.window && labelsWritten(tool.window); }, milliseconds(60000));
      const double before = cpuMs(tool.process, exe);
      Sleep(static_cast<DWORD>(idleSeconds) * 1000);
      const double after = cpuMs(tool.process, exe);
      if (before < 0 || after < 0) {
        std::printf("idle processor time: cannot be read here\n");
      } else {
        std::printf("idle processor time: %.1f ms per minute (measured over %d s%s)\n",
                    (after - before) * 60.0 / idleSeconds, idleSeconds,
                    underWine() ? ", from the Linux process, 10 ms resolution" : "");
      }
      stop(tool);
    }
  }

  // Leave nothing behind.
  DeleteFileW(exe.c_str());
  DeleteFileW((dir + L"\\steamcmd.exe").c_str());
  DeleteFileW((dir + L"\\ZEruvo\\GMSetting.ini").c_str());
  RemoveDirectoryW((dir + L"\\ZEruvo").c_str());
  RemoveDirectoryW(dir.c_str());
  return 0;
}
