// The working-set trimmer empty.exe, run as the tool runs it: a separate
// program whose output is read through a pipe.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/services.h"
#include "support.h"

namespace {

using layer::ScratchDir;

struct RunResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// Runs a command line, collecting its standard output; gives up after 20 s.
RunResult run(const std::string& commandLine) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring line = layer::wide(commandLine);
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.output.append(buffer, got);
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

class EmptyTrimmer : public ::testing::Test {
 protected:
  void TearDown() override {
    for (std::uint32_t pid : targets) {
      HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
      if (h) {
        TerminateProcess(h, 9);
        CloseHandle(h);
      }
      layer::waitForExit(pid, 5000);
    }
  }

  // Starts a copy of the test program under `name` that sleeps for a while.
  std::uint32_t startTarget(const std::string& name) {
    const std::string exe = dir / name;
    CopyFileW(layer::selfPath().c_str(), layer::wide(exe).c_str(), FALSE);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = layer::wide(layer::childCommand("sleep", {"15000", dir / (name + ".done")}, layer::wide(exe)));
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    targets.push_back(pi.dwProcessId);
    return pi.dwProcessId;
  }

  ScratchDir dir;
  std::vector<std::uint32_t> targets;
  const std::string trimmer = quoted(KOVRIN_EMPTY_EXE);
};

TEST_F(EmptyTrimmer, WithoutAnArgumentItPrintsItsUsage) {
  const RunResult r = run(trimmer);
  EXPECT_EQ(r.output, "USAGE: empty.exe {pid | task-name}\r\n");
  EXPECT_EQ(r.exitCode, 1u);
}

TEST_F(EmptyTrimmer, APatternSelectsEveryMatchingProcessAndTheCountIsReported) {
  const std::uint32_t a = startTarget("trim_target_a.exe");
  const std::uint32_t b = startTarget("trim_target_b.exe");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  const RunResult r = run(trimmer + " TRIM_TARGET_?*");
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_NE(r.output.find(std::to_string(a) + " trim_target_a.exe: working set emptied"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(std::to_string(b) + " trim_target_b.exe: working set emptied"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Trimmed 2 of 2 selected processes."), std::string::npos) << r.output;
}

TEST_F(EmptyTrimmer, AProcessIdSelectsThatProcessOnly) {
  const std::uint32_t a = startTarget("trim_target_a.exe");
  startTarget("trim_target_b.exe");
  ASSERT_NE(a, 0u);
  const RunResult r = run(trimmer + " " + std::to_string(a));
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_NE(r.output.find("Trimmed 1 of 1 selected processes."), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("trim_target_b.exe"), std::string::npos) << r.output;
}

TEST_F(EmptyTrimmer, StarSelectsEveryProcessItself) {
  const RunResult r = run(trimmer + " *");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_NE(r.output.find("empty.exe: working set emptied"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("kovrin_win32_tests.exe: working set emptied"), std::string::npos) << r.output;
}

TEST_F(EmptyTrimmer, APatternThatSelectsNothingSaysSo) {
  const RunResult r = run(trimmer + " no_such_task_*");
  EXPECT_EQ(r.output, "Trimmed 0 of 0 selected processes.\r\n");
  EXPECT_EQ(r.exitCode, 2u);
}

}  // namespace
