// The Win32 implementations of the non-GUI platform interfaces.
#pragma once

#include "platform/automation.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/machine.h"
#include "platform/processes.h"

namespace kovrin::win32 {

class Win32FileSystem : public FileSystem {
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
};

class Win32Processes : public Processes {
 public:
  std::vector<ProcessEntry> snapshot() override;
  std::optional<std::uint32_t> windowOwner(const std::string& title) override;
  bool terminate(std::uint32_t pid) override;
  bool start(const std::string& commandLine, int showWindow, bool wait) override;
  std::unique_ptr<Thread> startThread(std::function<void()> body) override;
};

class Win32Automation : public Automation {
 public:
  std::unique_ptr<FileSystemObject> createFileSystemObject() override;
  std::unique_ptr<RegExpEngine> createRegExp() override;
};

class Win32Machine : public Machine {
 public:
  std::optional<MemoryReading> memory() override;
  std::optional<CpuTimes> cpuTimes() override;
};

class Win32Http : public Http {
 public:
  std::optional<HttpResponse> get(const std::string& url, int timeoutMs) override;
};

class Win32Clock : public Clock {
 public:
  LocalTime now() override;
};

class Win32Environment : public Environment {
 public:
  std::string executableDirectory() override;
  bool setCurrentDirectory(const std::string& path) override;
  std::optional<std::string> variable(const std::string& name) override;
  std::optional<std::string> carriedFile(CarriedFile which) override;
};

}  // namespace kovrin::win32
