// Processes and threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovrin {

struct ProcessEntry {
  std::uint32_t pid = 0;
  std::uint32_t parentPid = 0;
  std::string exeName;  // the executable's file name, without a directory
};

// A started thread. Destroying it releases the handle without waiting.
class Thread {
 public:
  virtual ~Thread() = default;
  // Waits until the thread has ended.
  virtual void join() = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;

  // A fresh snapshot of all processes, in the system's order.
  virtual std::vector<ProcessEntry> snapshot() = 0;
  // The process owning a top-level window whose title is exactly `title`.
  virtual std::optional<std::uint32_t> windowOwner(const std::string& title) = 0;
  // Opens the process with terminate access and terminates it with exit code
  // 0; does not wait for it to go.
  virtual bool terminate(std::uint32_t pid) = 0;
  // Starts a command line (no application name, no inherited handles, the
  // tool's environment and current directory) with STARTF_USESHOWWINDOW and
  // `showWindow` as wShowWindow. With `wait`, waits for the process to end;
  // otherwise waits at most 1000 ms for it to become idle for input.
  // True when the process was created.
  virtual bool start(const std::string& commandLine, int showWindow, bool wait) = 0;
  // Runs `body` on a new thread; nothing when the thread cannot be created.
  virtual std::unique_ptr<Thread> startThread(std::function<void()> body) = 0;
};

}  // namespace kovrin
