// Win32Processes against real processes and threads. The child processes are
// this test program started again in a child mode (see support.h).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win32/services.h"
#include "support.h"

namespace {

using kovrin::win32::Win32Processes;
using layer::ScratchDir;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Ends every child a test left running.
class Processes : public ::testing::Test {
 protected:
  void TearDown() override {
    for (std::uint32_t pid : layer::childPids()) {
      HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
      if (h) {
        ::TerminateProcess(h, 9);
        ::CloseHandle(h);
      }
      layer::waitForExit(pid, 5000);
    }
  }

  ScratchDir dir;
  Win32Processes processes;
};

TEST_F(Processes, SnapshotListsThisProcessWithItsName) {
  const auto entries = processes.snapshot();
  const std::uint32_t self = ::GetCurrentProcessId();
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const kovrin::ProcessEntry& e) { return e.pid == self; });
  ASSERT_NE(it, entries.end());
  EXPECT_EQ(it->exeName, "kovrin_win32_tests.exe");
  EXPECT_GT(entries.size(), 1u);
}

TEST_F(Processes, StartWithWaitReturnsOnlyAfterTheChildEnded) {
  const std::string marker = dir / "结束 marker";
  ASSERT_TRUE(processes.start(layer::childCommand("sleep", {"1500", marker}), SW_HIDE, true));
  EXPECT_EQ(layer::readBytes(marker), "done");
  EXPECT_TRUE(layer::childPids().empty());
}

TEST_F(Processes, StartWithoutWaitReturnsWhileTheChildRuns) {
  const std::string marker = dir / "marker";
  const auto start = Clock::now();
  ASSERT_TRUE(processes.start(layer::childCommand("sleep", {"6000", marker}), SW_HIDE, false));
  // At most the one second of waiting for input idle, and some slack.
  EXPECT_LT(msSince(start), 4000);
  EXPECT_FALSE(layer::readBytes(marker).has_value());

  // The snapshot finds it as our child; terminating it ends it with code 0.
  const auto children = layer::childPids();
  ASSERT_EQ(children.size(), 1u);
  bool seen = false;
  for (const auto& e : processes.snapshot())
    if (e.pid == children[0]) {
      seen = true;
      EXPECT_EQ(e.parentPid, ::GetCurrentProcessId());
      EXPECT_EQ(e.exeName, "kovrin_win32_tests.exe");
    }
  EXPECT_TRUE(seen);
  EXPECT_TRUE(processes.terminate(children[0]));
  EXPECT_EQ(layer::waitForExit(children[0], 5000), 0u);
  EXPECT_FALSE(layer::readBytes(marker).has_value());
}

TEST_F(Processes, StartRunsABatchFileInAChineseDirectoryToItsEnd) {
  ASSERT_TRUE(layer::makeDir(dir / "运行 目录"));
  const std::string batch = dir / "运行 目录\\update.bat";
  ASSERT_TRUE(layer::writeBytes(batch, "@echo off\r\necho ran> \"%~dp0ran.txt\"\r\nexit /b 0\r\n"));
  ASSERT_TRUE(processes.start("\"" + batch + "\"", SW_HIDE, true));
  const auto ran = layer::readBytes(dir / "运行 目录\\ran.txt");
  ASSERT_TRUE(ran.has_value());
  EXPECT_EQ(ran->substr(0, 3), "ran");
}

TEST_F(Processes, StartOfAMissingProgramFails) {
  EXPECT_FALSE(processes.start(dir / "steamcmd.bat", SW_SHOWNORMAL, true));
  EXPECT_FALSE(processes.start(dir / "missing.exe", SW_SHOWNORMAL, false));
  EXPECT_FALSE(processes.start("", SW_SHOWNORMAL, false));
}

TEST_F(Processes, StartPassesTheCommandLineAsGiven) {
  ASSERT_TRUE(::CopyFileW(layer::selfPath().c_str(), layer::wide(dir / "server.exe").c_str(), FALSE));
  std::string quoted(1, '"');
  quoted += dir / "server.exe";
  quoted += "\"  a  \"b c\" 中文";
  ASSERT_TRUE(processes.start(quoted, SW_HIDE, true));
  EXPECT_EQ(layer::readBytes(dir / "args.txt"), quoted);

  // Unquoted, a path with a space is resolved by the system's own rule: the
  // first part that names a program wins, and the rest become its arguments.
  // (Wine then puts quotes around the program part; Windows does not.)
  ::DeleteFileW(layer::wide(dir / "args.txt").c_str());
  const std::string unquoted = dir / "server root\\PalServer.exe";
  ASSERT_TRUE(processes.start(unquoted, SW_HIDE, true));
  const auto seen = layer::readBytes(dir / "args.txt");
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->substr(seen->size() - 19), " root\\PalServer.exe");
}

TEST_F(Processes, WindowOwnerFindsTheProcessByExactTitleAndTerminateEndsIt) {
  const std::string title = "PalServer-Win64-Shipping-Cmd.exe 层测试 " +
                            std::to_string(::GetCurrentProcessId());
  ASSERT_TRUE(processes.start(layer::childCommand("window", {title}), SW_HIDE, false));
  const auto children = layer::childPids();
  ASSERT_EQ(children.size(), 1u);
  std::optional<std::uint32_t> owner;
  for (int i = 0; i < 100 && !owner; ++i) {
    owner = processes.windowOwner(title);
    if (owner) break;
    if (layer::waitForExit(children[0], 100) == layer::kNoWindowExitCode)
      GTEST_SKIP() << "no window can be created here (Wine needs an X display: set DISPLAY)";
  }
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(*owner, children[0]);

  EXPECT_FALSE(processes.windowOwner(title.substr(0, title.size() - 1)).has_value());
  EXPECT_FALSE(processes.windowOwner(title + " ").has_value());
  EXPECT_FALSE(processes.windowOwner("").has_value());

  EXPECT_TRUE(processes.terminate(*owner));
  EXPECT_EQ(layer::waitForExit(*owner, 5000), 0u);
}

TEST_F(Processes, TerminateOfAGoneProcessFails) {
  ASSERT_TRUE(processes.start(layer::childCommand("sleep", {"0", dir / "m"}), SW_HIDE, false));
  const auto children = layer::childPids();
  ASSERT_EQ(children.size(), 1u);
  ASSERT_TRUE(layer::waitForExit(children[0], 5000).has_value());
  // The system keeps an ended process's object for a moment (Wine even lets
  // TerminateProcess succeed on it); wait until its id is forgotten.
  for (int i = 0; i < 100; ++i) {
    HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, children[0]);
    if (!h) break;
    ::CloseHandle(h);
    ::Sleep(50);
  }
  EXPECT_FALSE(processes.terminate(children[0]));
  EXPECT_FALSE(processes.terminate(0));
}

// ---------------------------------------------------------------- threads --

TEST_F(Processes, StartThreadRunsTheBodyOnAnotherThreadAndJoinWaits) {
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> finished{false};
  auto thread = processes.startThread([&] {
    ranOn = ::GetCurrentThreadId();
    ::Sleep(300);
    finished = true;
  });
  ASSERT_NE(thread, nullptr);
  thread->join();
  EXPECT_TRUE(finished.load());
  EXPECT_NE(ranOn.load(), 0u);
  EXPECT_NE(ranOn.load(), ::GetCurrentThreadId());
  thread->join();  // a second join returns at once
}

TEST_F(Processes, AnExceptionInTheBodyEndsOnlyThatThread) {
  std::atomic<bool> reached{false};
  auto thread = processes.startThread([&] {
    reached = true;
    throw std::runtime_error("worker failed");
  });
  ASSERT_NE(thread, nullptr);
  thread->join();
  EXPECT_TRUE(reached.load());
}

TEST_F(Processes, ADestroyedThreadRunsOnToItsEnd) {
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  auto owned = std::make_shared<std::string>("state the worker owns");
  {
    auto thread = processes.startThread([event, owned] {
      ::Sleep(300);
      if (*owned == "state the worker owns") ::SetEvent(event);
    });
    ASSERT_NE(thread, nullptr);
  }  // released without waiting
  owned.reset();
  EXPECT_EQ(::WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
  ::CloseHandle(event);
}

}  // namespace
