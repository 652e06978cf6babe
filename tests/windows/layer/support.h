// Helpers of the Win32 layer tests: scratch directories, directory links, the
// test program started again as a child process, and small file utilities
// that use the system directly (independent of the code under test).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace layer {

std::wstring wide(const std::string& utf8);
std::string narrow(const std::wstring& text);

// A fresh directory under the system's temporary directory whose own name has
// a space and Chinese characters; removed with everything in it at the end
// (links are removed as links, never followed).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The directory's path, UTF-8, without a trailing backslash.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void removeTree(const std::wstring& path);

// Direct file helpers.
bool writeBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> readBytes(const std::string& path);
DWORD attributes(const std::string& path);
bool isDir(const std::string& path);
bool makeDir(const std::string& path);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> namesIn(const std::string& dir);

// A link at `link` to the directory `target`, made the way this system
// allows: a junction, else a directory symbolic link, else (under Wine, which
// supports neither) a Unix symbolic link. The way used, or nothing.
std::optional<std::string> makeDirectoryLink(const std::string& link, const std::string& target);

// A free drive letter ("Q:") that names the folder `target`: through
// DefineDosDeviceW, or under Wine (whose file access ignores such
// definitions) as a link in the prefix's drive folder. Nothing when neither
// works. unmapDrive takes the letter away again.
std::optional<std::string> mapDrive(const std::string& target);
void unmapDrive(const std::string& drive);

// The running test program's full path.
std::wstring selfPath();

// Command line that starts this test program as a child doing `mode`.
//   sleep <ms> <marker>   sleeps, then writes "done" to <marker>
//   window <title>        shows a top-level window with that title until ended
//   exedir <out>          writes the executable directory the layer reports
std::string childCommand(const std::string& mode, const std::vector<std::string>& args,
                         const std::wstring& exe = selfPath());

// Exit code of a "window" child that could not create its window (under Wine:
// no display).
constexpr DWORD kNoWindowExitCode = 4;

// Direct children of this process whose executable has this program's name.
std::vector<std::uint32_t> childPids();

// Waits for the process to end; its exit code, or nothing when it did not end
// in time or cannot be opened.
std::optional<DWORD> waitForExit(std::uint32_t pid, DWORD timeoutMs);

}  // namespace layer
