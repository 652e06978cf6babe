// Stand-ins for the operating system in host tests. Each records what the
// tool asked of it and answers from what the test set up.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "memory_window.h"
#include "platform/platform.h"

namespace kovrin::fakes {

// ---------------------------------------------------------------- files ---
// An in-memory file system with Windows path rules: backslashes, names
// compared without regard to ASCII letter case, drive roots ("C:") always
// present, a path beginning with a single backslash taken from the root of
// the current drive (C:). Files and directories need an existing parent.
class FakeFileSystem : public FileSystem {
 public:
  bool isDirectory(const std::string& path) override;
  bool exists(const std::string& path) override;
  bool createDirectory(const std::string& path) override;
  bool createDirectoryPath(const std::string& path) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, std::string_view bytes) override;
  bool replaceFile(const std::string& path, std::string_view bytes) override;
  bool deleteFile(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
  std::optional<std::vector<DirEntry>> listDirectory(const std::string& path) override;
  bool removeDirectory(const std::string& path) override;
  bool clearReadOnly(const std::string& path) override;

  // Test setup: creates parents as needed.
  void addFile(const std::string& path, std::string_view bytes);
  void addDirectory(const std::string& path);
  // A junction at `path` that points at the directory `target`.
  void addLink(const std::string& path, const std::string& target);
  // Writes, creations and deletions at or below this path fail.
  void lock(const std::string& path);
  void unlock(const std::string& path);
  // Reads at or below this path fail (files held open by another program).
  void denyReads(const std::string& path);
  // A read-only file or directory: it cannot be deleted, removed or
  // overwritten; a copy of a file is read-only too.
  void setReadOnly(const std::string& path);

  // Inspection.
  bool hasFile(const std::string& path);
  std::string file(const std::string& path);  // "" when missing
  bool isReadOnly(const std::string& path);
  // Names directly inside a directory, in byte order.
  std::vector<std::string> children(const std::string& path);
  int writes() const { return writes_; }
  // The path of every successful write, in order.
  std::vector<std::string> writeLog;

 private:
  struct Node {
    std::string name;          // as created
    bool directory = false;
    std::string bytes;
    std::string linkTarget;    // a junction when not empty
    bool readOnly = false;
  };
  static std::string key(const std::string& path);
  static std::string parentKey(const std::string& key);
  bool parentIsDirectory(const std::string& key);
  bool locked(const std::string& key) const;
  std::string resolve(const std::string& key) const;  // follows links in the path
  std::map<std::string, Node> nodes_;
  std::vector<std::string> locks_;
  std::vector<std::string> readLocks_;
  int writes_ = 0;
};

// ------------------------------------------------------------ processes ---
struct StartedProgram {
  std::string commandLine;
  int showWindow = 0;
  bool wait = false;
};

class FakeProcesses : public Processes {
 public:
  std::vector<ProcessEntry> snapshot() override;
  std::optional<std::uint32_t> windowOwner(const std::string& title) override;
  bool terminate(std::uint32_t pid) override;
  bool start(const std::string& commandLine, int showWindow, bool wait) override;
  std::unique_ptr<Thread> startThread(std::function<void()> body) override;

  // Setup.
  std::uint32_t add(const std::string& exeName, std::uint32_t parentPid = 0);
  void addWindow(const std::string& title, std::uint32_t pid);
  void remove(std::uint32_t pid);
  bool running(const std::string& exeNameIgnoringCase);
  // Called on each start with the command line; returns whether creation
  // succeeds (the default: true). May add processes.
  std::function<bool(const StartedProgram&)> onStart;
  bool refuseTermination = false;
  bool refuseThreads = false;

  std::vector<StartedProgram> started;
  std::vector<std::uint32_t> terminated;
  int snapshots = 0;

 private:
  std::mutex mutex_;
  std::vector<ProcessEntry> processes_;
  std::map<std::string, std::uint32_t> windows_;
  std::uint32_t nextPid_ = 100;
};

// ------------------------------------------------------------ automation --
class FakeAutomation : public Automation {
 public:
  explicit FakeAutomation(FakeFileSystem& files) : files_(files) {}
  std::unique_ptr<FileSystemObject> createFileSystemObject() override;
  std::unique_ptr<RegExpEngine> createRegExp() override;

  bool fileSystemObjectAvailable = true;
  // CopyFolder into a target that exists merges the subfolders too; when
  // false it stops with an error at the first subfolder that exists, as
  // Wine's scripting object does.
  bool copyFolderMergesSubfolders = true;
  // A regular-expression engine for tests that want one; none by default.
  std::function<std::unique_ptr<RegExpEngine>()> regExpFactory;
  std::vector<std::pair<std::string, std::string>> copies;  // (source, target)

 private:
  FakeFileSystem& files_;
};

// Another implementation's automation objects (the real ones, in tests on
// Windows), with the scripting file-system object withheld on request.
class WithholdingAutomation : public Automation {
 public:
  explicit WithholdingAutomation(Automation& inner) : inner_(inner) {}
  std::unique_ptr<FileSystemObject> createFileSystemObject() override {
    return scripting ? inner_.createFileSystemObject() : nullptr;
  }
  std::unique_ptr<RegExpEngine> createRegExp() override { return inner_.createRegExp(); }

  bool scripting = true;

 private:
  Automation& inner_;
};

// -------------------------------------------------------------- machine ---
class FakeMachine : public Machine {
 public:
  std::optional<MemoryReading> memory() override { ++memoryReads; return memoryReading; }
  std::optional<CpuTimes> cpuTimes() override { ++cpuReads; return cpu; }

  std::optional<MemoryReading> memoryReading = MemoryReading{16305ull << 20, 9000ull << 20};
  std::optional<CpuTimes> cpu = CpuTimes{};
  int memoryReads = 0;
  int cpuReads = 0;
};

// ----------------------------------------------------------------- http ---
class FakeHttp : public Http {
 public:
  std::optional<HttpResponse> get(const std::string& url, int timeoutMs) override;
  std::map<std::string, HttpResponse> responses;  // by address; others: no answer
  std::vector<std::pair<std::string, int>> requests;  // (address, time-out)
};

// ---------------------------------------------------------------- shell ---
class FakeShell : public Shell {
 public:
  std::optional<std::string> browseForFolder(const std::string& prompt) override;
  void openUrl(const std::string& url) override { opened.push_back(url); }

  std::optional<std::string> browseResult;  // nothing: cancelled
  std::vector<std::string> prompts;
  std::vector<std::string> opened;
};

// ---------------------------------------------------------------- clock ---
class FakeClock : public Clock {
 public:
  LocalTime now() override { return time; }
  LocalTime time{2024, 1, 27, 12, 30, 45, 123};
};

// ---------------------------------------------------------- environment ---
class FakeEnvironment : public Environment {
 public:
  std::string executableDirectory() override { return exeDir; }
  bool setCurrentDirectory(const std::string& path) override { currentDir = path; return true; }
  std::optional<std::string> variable(const std::string& name) override;
  std::optional<std::string> carriedFile(CarriedFile which) override;

  std::string exeDir = "C:\\steamcmd";
  std::string currentDir;
  std::map<std::string, std::string> variables;
  std::map<CarriedFile, std::string> carried;
};

// ------------------------------------------------------------------ gui ---
class FakeGui : public Gui {
 public:
  void showMessage(const std::string& text) override;
  void runMainWindow(const WindowSpec& layout) override;
  void runModal(const WindowSpec& layout) override;

  // Runs while a message box is open (on the calling thread), e.g. ticks.
  std::function<void(const std::string&)> whileMessageOpen;
  // Runs while the main window is up, after its created handler.
  std::function<void(MemoryWindow&)> whileMainWindowRuns;
  // Runs while a modal window is up, after its created handler.
  std::function<void(MemoryWindow&)> whileModalRuns;

  std::vector<std::string> messages();
  std::unique_ptr<MemoryWindow> mainWindow;   // kept after the loop ends
  std::unique_ptr<MemoryWindow> modalWindow;  // the last modal window
  int modalsOpened = 0;

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

// ------------------------------------------------------------- together ---
struct FakePlatform {
  FakeFileSystem files;
  FakeProcesses processes;
  FakeAutomation automation{files};
  FakeMachine machine;
  FakeHttp http;
  FakeShell shell;
  FakeClock clock;
  FakeEnvironment environment;
  FakeGui gui;
  Platform platform{files, processes, automation, machine, http, shell, clock, environment, gui};
};

}  // namespace kovrin::fakes
