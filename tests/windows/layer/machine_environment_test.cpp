// Win32Machine, Win32Clock and Win32Environment.
#include <gtest/gtest.h>

#include "platform/win32/services.h"
#include "support.h"

namespace {

using kovrin::CarriedFile;
using kovrin::win32::Win32Clock;
using kovrin::win32::Win32Environment;
using kovrin::win32::Win32Machine;
using layer::ScratchDir;

// ---------------------------------------------------------------- machine --

TEST(Machine, MemoryReadingIsPlausible) {
  Win32Machine machine;
  const auto m = machine.memory();
  ASSERT_TRUE(m.has_value());
  EXPECT_GE(m->totalBytes, 64ull << 20);
  EXPECT_GT(m->availableBytes, 0u);
  EXPECT_LE(m->availableBytes, m->totalBytes);
}

TEST(Machine, CpuTimesGrowAndKernelIncludesIdle) {
  Win32Machine machine;
  const auto before = machine.cpuTimes();
  ASSERT_TRUE(before.has_value());
  // Keep a processor busy for a while.
  const DWORD start = ::GetTickCount();
  volatile unsigned long long sink = 0;
  while (::GetTickCount() - start < 400) sink = sink + 1;
  const auto after = machine.cpuTimes();
  ASSERT_TRUE(after.has_value());
  EXPECT_GE(before->kernel, before->idle);
  EXPECT_GE(after->kernel, after->idle);
  EXPECT_GE(after->idle, before->idle);
  EXPECT_GE(after->kernel, before->kernel);
  EXPECT_GE(after->user, before->user);
  const auto busy = (after->kernel - after->idle + after->user) -
                    (before->kernel - before->idle + before->user);
  EXPECT_GT(busy, 0u);
  // At most all processors for a generous span (100 ns units).
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  const auto total = (after->kernel + after->user) - (before->kernel + before->user);
  EXPECT_LT(total, 100ull * 10'000'000ull * info.dwNumberOfProcessors);
}

// ------------------------------------------------------------------ clock --

ULONGLONG asTicks(const SYSTEMTIME& t) {
  FILETIME f;
  ::SystemTimeToFileTime(&t, &f);
  return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

TEST(Clock, NowIsTheLocalTimeFieldByField) {
  Win32Clock clock;
  SYSTEMTIME before;
  ::GetLocalTime(&before);
  const kovrin::LocalTime now = clock.now();
  SYSTEMTIME after;
  ::GetLocalTime(&after);
  SYSTEMTIME mine{};
  mine.wYear = static_cast<WORD>(now.year);
  mine.wMonth = static_cast<WORD>(now.month);
  mine.wDay = static_cast<WORD>(now.day);
  mine.wHour = static_cast<WORD>(now.hour);
  mine.wMinute = static_cast<WORD>(now.minute);
  mine.wSecond = static_cast<WORD>(now.second);
  mine.wMilliseconds = static_cast<WORD>(now.millisecond);
  EXPECT_LE(asTicks(before), asTicks(mine));
  EXPECT_LE(asTicks(mine), asTicks(after));
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_LT(now.millisecond, 1000);
}

// ------------------------------------------------------------ environment --

// Runs a copy of this test program from `directory` and returns the
// executable directory it reports.
std::optional<std::string> directoryReportedFrom(const std::string& directory,
                                                 const std::string& out) {
  const std::string copy = directory + (directory.back() == '\\' ? "" : "\\") + "kovrin 探针.exe";
  if (!::CopyFileW(layer::selfPath().c_str(), layer::wide(copy).c_str(), FALSE)) return std::nullopt;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring command = layer::wide(layer::childCommand("exedir", {out}, layer::wide(copy)));
  std::optional<std::string> reported;
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    reported = layer::readBytes(out);
  }
  ::DeleteFileW(layer::wide(copy).c_str());
  return reported;
}

TEST(Environment, ExecutableDirectoryHasNoTrailingBackslash) {
  ScratchDir dir;
  ASSERT_TRUE(layer::makeDir(dir / "运行 目录"));
  EXPECT_EQ(directoryReportedFrom(dir / "运行 目录", dir / "out.txt"), dir / "运行 目录");
}

TEST(Environment, ExecutableDirectoryAtADriveRootIsTheDrive) {
  ScratchDir dir;
  wchar_t windows[MAX_PATH];
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::string drive = layer::narrow(std::wstring(windows, 2));  // "C:"
  EXPECT_EQ(directoryReportedFrom(drive + "\\", dir / "out.txt"), drive);
}

TEST(Environment, SetCurrentDirectory) {
  ScratchDir dir;
  Win32Environment environment;
  wchar_t saved[MAX_PATH * 2];
  ::GetCurrentDirectoryW(MAX_PATH * 2, saved);
  ASSERT_TRUE(layer::makeDir(dir / "运行 目录"));

  auto current = [] {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = ::GetCurrentDirectoryW(MAX_PATH * 2, buffer);
    return layer::narrow(std::wstring(buffer, n));
  };
  EXPECT_TRUE(environment.setCurrentDirectory(dir / "运行 目录"));
  EXPECT_EQ(current(), dir / "运行 目录");
  // A relative name now finds files there.
  ASSERT_TRUE(layer::writeBytes(dir / "运行 目录\\steamcmd.exe", "x"));
  EXPECT_NE(::GetFileAttributesW(L"steamcmd.exe"), INVALID_FILE_ATTRIBUTES);

  // A bare drive means its root.
  const std::string drive = (dir.path()).substr(0, 2);
  EXPECT_TRUE(environment.setCurrentDirectory(drive));
  EXPECT_EQ(current(), drive + "\\");

  EXPECT_FALSE(environment.setCurrentDirectory(dir / "missing"));
  EXPECT_EQ(current(), drive + "\\");
  ::SetCurrentDirectoryW(saved);
}

TEST(Environment, Variables) {
  Win32Environment environment;
  const std::wstring name = L"KOVRIN_LAYER_测试";
  ::SetEnvironmentVariableW(name.c_str(), L"值 value");
  EXPECT_EQ(environment.variable("KOVRIN_LAYER_测试"), "值 value");
  ::SetEnvironmentVariableW(name.c_str(), std::wstring(1000, L'长').c_str());
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "长";
  EXPECT_EQ(environment.variable("KOVRIN_LAYER_测试"), expected);
  ::SetEnvironmentVariableW(name.c_str(), L"");
  EXPECT_EQ(environment.variable("KOVRIN_LAYER_测试"), std::string());
  ::SetEnvironmentVariableW(name.c_str(), nullptr);
  EXPECT_EQ(environment.variable("KOVRIN_LAYER_测试"), std::nullopt);
}

TEST(Environment, CarriedFilesAbsentFromThisProgramGiveNothing) {
  Win32Environment environment;
  EXPECT_EQ(environment.carriedFile(CarriedFile::EmptyExe), std::nullopt);
  EXPECT_EQ(environment.carriedFile(CarriedFile::SteamCmdExe), std::nullopt);
}

}  // namespace
