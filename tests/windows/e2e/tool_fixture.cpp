#include "tool_fixture.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

#include "roster.h"
#include "zip_writer.h"

namespace e2e {
namespace {

using driver::narrow;
using driver::widen;

// The design caption of the total-memory label: the startup sequence
// replaces it in its second-to-last step, right before arming the timer.
constexpr const char* kMemoryLabel = "内存总量标签";
constexpr const char* kMemoryLabelDesign = "物理内存总量：12345M";
constexpr const char* kMemoryLabelPrefix = "物理内存总量：";
// Written by every status pass of the tick.
constexpr const char* kStatusLabel = "服务端状态标签";

std::wstring windowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return widen(path);
}

std::wstring fromEnvironmentOr(const wchar_t* name, const char* builtIn) {
  wchar_t buffer[1024];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  if (n > 0 && n < 1024) return std::wstring(buffer, n);
  return windowsPath(builtIn);
}

std::wstring lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring fileNameOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The full image path of a process; empty when it cannot be read.
std::wstring imagePath(HANDLE process) {
  wchar_t buffer[MAX_PATH * 2];
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process, 0, buffer, &size)) return {};
  return std::wstring(buffer, size);
}

// Processes whose image lies below `dir` (case-insensitive), with handles
// that allow terminating and waiting.
struct OwnedProcess {
  DWORD pid;
  std::wstring image;
  HANDLE handle;
};

std::vector<OwnedProcess> processesBelow(const std::wstring& dir) {
  std::vector<OwnedProcess> found;
  if (dir.empty()) return found;
  const std::wstring prefix = lower(dir) + L"\\";
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) continue;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                           entry.th32ProcessID);
    if (!h) continue;
    std::wstring image = imagePath(h);
    if (lower(image).rfind(prefix, 0) == 0) {
      found.push_back({entry.th32ProcessID, std::move(image), h});
    } else {
      CloseHandle(h);
    }
  }
  CloseHandle(snapshot);
  return found;
}

// Removes a directory tree. Junctions are removed, never followed.
bool removeTree(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = dir + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          RemoveDirectoryW(child.c_str());
        } else {
          removeTree(child);
        }
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return RemoveDirectoryW(dir.c_str()) || GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void makeDirectories(const std::wstring& path) {
  for (std::size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
}

std::wstring parentOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::wstring toolExecutable() { return fromEnvironmentOr(L"KOVRIN_E2E_TOOL", KOVRIN_E2E_TOOL); }

std::wstring toolExecutableCarryingSteamCmd() {
  return fromEnvironmentOr(L"KOVRIN_E2E_TOOL_CARRYING_STEAMCMD", KOVRIN_E2E_TOOL_CARRYING_STEAMCMD);
}

std::wstring fakeProgram(const char* name) {
  return fromEnvironmentOr(L"KOVRIN_E2E_PROGRAMS", KOVRIN_E2E_PROGRAMS) + L"\\" + widen(name);
}

std::optional<std::string> readWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != FALSE) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool writeWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string testData(const std::string& relative) {
  std::string path = std::string(KOVRIN_TEST_DATA) + "/" + relative;
  auto bytes = readWholeFile(windowsPath(path));
  if (!bytes) {
    ADD_FAILURE() << "cannot read the test data " << path;
    return {};
  }
  return *bytes;
}

// ------------------------------------------------------------- fixture ---

void ToolFixture::SetUp() {
  ASSERT_TRUE(http.listening()) << "the local HTTP server could not listen";
  http.set(kVersionPath, {200, "2.30", false});
  http.set(kBannerPath, {200, kDefaultBanner, false});
  const auto steamCmd = readWholeFile(fakeProgram("steamcmd.exe"));
  ASSERT_TRUE(steamCmd) << "the fake steamcmd.exe is not built";
  http.set(kSteamCmdZipPath, {200, zipArchive({{"steamcmd.exe", *steamCmd}}), false});
}

void ToolFixture::TearDown() {
  killEverything();
  removeRunDir();
  for (const auto& [name, value] : savedEnvironment_)
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  savedEnvironment_.clear();
}

void ToolFixture::makeRunDir() {
  if (!runDirW_.empty()) return;
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring base = n > 0 ? std::wstring(temp, n) : L"C:\\";
  if (base.back() != L'\\') base += L'\\';
  makeDirectories(base.substr(0, base.size() - 1));
  static int counter = 0;
  const std::wstring unique = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
                              std::to_wstring(GetTickCount64() % 100000);
  // The run directory lies in a folder of the test's own, so that a test can
  // put things beside it (where an unquoted path with spaces would lead).
  folderW_ = base + L"kovrin-e2e-" + unique;
  runDirW_ = folderW_ + (chineseRunDir ? L"\\Kovrin 运行 目录" : L"\\run");
  removeTree(folderW_);
  if (!CreateDirectoryW(folderW_.c_str(), nullptr) || !CreateDirectoryW(runDirW_.c_str(), nullptr))
    ADD_FAILURE() << "cannot create " << narrow(runDirW_);
  runDir_ = narrow(runDirW_);
}

void ToolFixture::removeRunDir() {
  if (runDirW_.empty()) return;
  // Files of processes that were just ended may stay locked for a moment.
  const bool removed = driver::waitFor([&] { return removeTree(folderW_); }, milliseconds(5000),
                                       milliseconds(200));
  if (!removed) ADD_FAILURE() << "could not remove the run directory " << runDir_;
  folderW_.clear();
  runDirW_.clear();
  runDir_.clear();
}

const std::string& ToolFixture::runDir() {
  makeRunDir();
  return runDir_;
}

std::string ToolFixture::path(const std::string& relative) { return runDir() + "\\" + relative; }

std::string ToolFixture::besideRunDir(const std::string& name) {
  makeRunDir();
  return narrow(folderW_) + "\\" + name;
}

bool ToolFixture::exists(const std::string& relative) {
  return GetFileAttributesW(widen(path(relative)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ToolFixture::isDirectory(const std::string& relative) {
  const DWORD a = GetFileAttributesW(widen(path(relative)).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ToolFixture::readFile(const std::string& relative) {
  return readWholeFile(widen(path(relative)));
}

void ToolFixture::writeFile(const std::string& relative, const std::string& bytes) {
  const std::wstring full = widen(path(relative));
  makeDirectories(parentOf(full));
  if (!writeWholeFile(full, bytes)) ADD_FAILURE() << "cannot write " << path(relative);
}

void ToolFixture::makeDirectory(const std::string& relative) { makeDirectories(widen(path(relative))); }

void ToolFixture::putSteamCmd() {
  const std::wstring target = widen(path("steamcmd.exe"));
  if (!CopyFileW(fakeProgram("steamcmd.exe").c_str(), target.c_str(), FALSE))
    ADD_FAILURE() << "cannot copy the fake steamcmd.exe";
}

void ToolFixture::installServer(bool keepSteamCmd) {
  const bool hadSteamCmd = exists("steamcmd.exe");
  if (!hadSteamCmd) putSteamCmd();
  const std::wstring exe = widen(path("steamcmd.exe"));
  std::wstring commandLine = L"\"" + exe + L"\" +login anonymous +app_update 2394010 validate +quit";
  SetEnvironmentVariableW(L"KOVRIN_FAKE_STEAMCMD_DELAY_MS", L"0");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  const BOOL created = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                      nullptr, runDirW_.c_str(), &startup, &info);
  SetEnvironmentVariableW(L"KOVRIN_FAKE_STEAMCMD_DELAY_MS", nullptr);
  if (!created) {
    ADD_FAILURE() << "cannot run the fake steamcmd.exe";
    return;
  }
  DWORD code = 1;
  if (WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(info.hProcess, &code);
  } else {
    TerminateProcess(info.hProcess, 1);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  if (code != 0) ADD_FAILURE() << "the fake SteamCMD failed to install the server";
  if (!keepSteamCmd && !hadSteamCmd) DeleteFileW(exe.c_str());
}

// ---------------------------------------------------------------- tool ---

::testing::AssertionResult ToolFixture::startTool() {
  if (process_) return ::testing::AssertionFailure() << "the tool is already running";
  const std::wstring exe = widen(path("kovrin.exe"));
  const std::wstring build = carriedSteamCmd ? toolExecutableCarryingSteamCmd() : toolExecutable();
  if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES && !CopyFileW(build.c_str(), exe.c_str(), FALSE)) {
    return ::testing::AssertionFailure() << "cannot copy " << narrow(build);
  }

  std::map<std::string, std::string> variables = {
      {"KOVRIN_VERSION_URL", http.url(kVersionPath)},
      {"KOVRIN_BANNER_URL", http.url(kBannerPath)},
      {"KOVRIN_STEAMCMD_URL", http.url(kSteamCmdZipPath)},
  };
  for (const auto& [name, value] : environment) variables[name] = value;
  for (const auto& [name, value] : variables) {
    const std::wstring wideName = widen(name);
    if (!savedEnvironment_.count(wideName)) {
      wchar_t buffer[4096];
      const DWORD n = GetEnvironmentVariableW(wideName.c_str(), buffer, 4096);
      savedEnvironment_[wideName] =
          n > 0 && n < 4096 ? std::optional<std::wstring>(std::wstring(buffer, n)) : std::nullopt;
    }
    SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : widen(value).c_str());
  }

  // Everything the tool starts joins its job, so that TearDown can end it all.
  job_ = CreateJobObjectW(nullptr, nullptr);
  if (job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }

  // Started from another directory: the tool must find its run directory
  // itself.
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring startDir = n > 0 ? std::wstring(temp, n) : L"C:\\";
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      startDir.c_str(), &startup, &info)) {
    return ::testing::AssertionFailure() << "cannot start kovrin.exe, error " << GetLastError();
  }
  if (job_) AssignProcessToJobObject(job_, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  toolPid_ = info.dwProcessId;

  const std::string caption = driver::rosterCaption(driver::Roster::Main);
  bool ended = false;
  driver::waitFor(
      [&] {
        ended = WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
        main_ = driver::findTopLevel(caption, toolPid_, nullptr, false);
        return main_ != nullptr || ended;
      },
      kWindowTimeout, milliseconds(50));
  if (main_) {
    // The window comes first, its controls right after it: wait for the last
    // of the roster.
    const auto names = driver::rosterNames(driver::Roster::Main);
    const int lastId = driver::rosterControlId(driver::Roster::Main, names.back());
    if (driver::waitFor([&] { return driver::control(main_, lastId) != nullptr; }, kWindowTimeout))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the main window's controls did not come";
  }
  if (ended) {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return ::testing::AssertionFailure() << "kovrin.exe ended with code " << code << " before its window came";
  }
  return ::testing::AssertionFailure() << "no window \"" << caption << "\" within " << kWindowTimeout.count()
                                       << " ms";
}

::testing::AssertionResult ToolFixture::waitStarted(milliseconds timeout) {
  if (!main_) return ::testing::AssertionFailure() << "the tool has no main window";
  const int labelId = controlId(kMemoryLabel);
  std::string last;
  const bool started = driver::waitFor(
      [&] {
        auto t = driver::text(driver::control(main_, labelId), milliseconds(500));
        if (!t) return false;
        last = *t;
        return driver::visible(main_) && last.rfind(kMemoryLabelPrefix, 0) == 0 && last != kMemoryLabelDesign;
      },
      timeout, milliseconds(50));
  if (started) return ::testing::AssertionSuccess();
  return failureWithOpenMessages("the startup sequence did not finish within " + std::to_string(timeout.count()) +
                                 " ms (" + kMemoryLabel + ": \"" + last + "\")");
}

::testing::AssertionResult ToolFixture::startToolAndSettle() {
  auto started = startTool();
  if (!started) return started;
  started = waitStarted();
  if (!started) return started;
  return noMessageOpen();
}

::testing::AssertionResult ToolFixture::noMessageOpen() {
  const auto messages = openMessages();
  if (!messages.empty()) return ::testing::AssertionFailure() << "unexpected message: \"" << messages.front() << "\"";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ToolFixture::failureWithOpenMessages(const std::string& what) {
  auto failure = ::testing::AssertionFailure();
  failure << what;
  for (const auto& m : openMessages()) failure << "; message box open: \"" << m << "\"";
  return failure;
}

void ToolFixture::stopTool() {
  if (!process_) return;
  if (main_) driver::close(main_);
  if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "kovrin.exe did not end within 10 s of closing its window";
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
  process_ = nullptr;
  toolPid_ = 0;
  main_ = nullptr;
  config_ = nullptr;
}

bool ToolFixture::toolRunning() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void ToolFixture::killEverything() {
  if (process_) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = nullptr;
  }
  toolPid_ = 0;
  main_ = nullptr;
  config_ = nullptr;
  if (job_) {
    TerminateJobObject(job_, 1);
    CloseHandle(job_);
    job_ = nullptr;
  }
  // Whatever still runs from the run directory (a server started by the
  // tool, SteamCMD...), in case it left the job.
  for (int round = 0; round < 3; ++round) {
    auto left = processesBelow(folderW_);
    if (left.empty()) break;
    for (auto& p : left) {
      TerminateProcess(p.handle, 1);
      WaitForSingleObject(p.handle, 5000);
      CloseHandle(p.handle);
    }
  }
}

std::vector<DWORD> ToolFixture::processesNamed(const std::string& exeName) {
  std::vector<DWORD> pids;
  const std::wstring wanted = lower(widen(exeName));
  for (auto& p : processesBelow(runDirW_)) {
    if (lower(fileNameOf(p.image)) == wanted && WaitForSingleObject(p.handle, 0) == WAIT_TIMEOUT)
      pids.push_back(p.pid);
    CloseHandle(p.handle);
  }
  return pids;
}

// ------------------------------------------------------------- windows ---

int ToolWindow::controlId(const std::string& name) const {
  const int id = driver::rosterControlId(roster_, name);
  if (id < 0) ADD_FAILURE() << driver::rosterCaption(roster_) << " has no control " << name;
  return id;
}

HWND ToolWindow::control(const std::string& name) const {
  const int id = controlId(name);
  if (id < 0 || !hwnd_) return nullptr;
  HWND h = driver::control(hwnd_, id);
  if (!h) ADD_FAILURE() << "no window for control " << name << " (id " << id << ")";
  return h;
}

std::string ToolWindow::text(const std::string& name) const {
  auto t = driver::text(control(name));
  if (!t) {
    ADD_FAILURE() << "control " << name << " does not answer";
    return "<no answer>";
  }
  return *t;
}

bool ToolWindow::setText(const std::string& name, const std::string& value) const {
  return driver::setText(control(name), value);
}

bool ToolWindow::click(const std::string& name) const { return driver::click(control(name)); }

bool ToolWindow::press(const std::string& name) const { return driver::pressLeftButton(control(name)); }

bool ToolWindow::enabled(const std::string& name) const { return driver::enabled(control(name)); }

std::vector<std::string> ToolWindow::items(const std::string& name) const {
  return driver::comboItems(control(name));
}

std::string ToolWindow::waitText(const std::string& name, const std::string& expected,
                                 milliseconds timeout) const {
  return waitTextWhere(name, [&](const std::string& t) { return t == expected; }, timeout);
}

std::string ToolWindow::waitTextWhere(const std::string& name,
                                      const std::function<bool(const std::string&)>& condition,
                                      milliseconds timeout) const {
  HWND h = control(name);
  std::string last;
  driver::waitFor(
      [&] {
        auto t = driver::text(h, milliseconds(500));
        if (t) last = *t;
        return t && condition(*t);
      },
      timeout, milliseconds(50));
  return last;
}

::testing::AssertionResult ToolFixture::waitStatusPass(milliseconds timeout) {
  // No caption of the tool is empty: every status pass writes one.
  HWND label = control(kStatusLabel);
  if (!label || !driver::setText(label, "")) return ::testing::AssertionFailure() << "cannot mark " << kStatusLabel;
  if (driver::waitText(label, [](const std::string& t) { return !t.empty(); }, timeout))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no status pass within " << timeout.count() << " ms";
}

// ---------------------------------------------------- the configuration ---

::testing::AssertionResult ToolFixture::startOpeningConfig() {
  if (!main_) return ::testing::AssertionFailure() << "the tool has no main window";
  if (!click("服务端配置按钮")) return ::testing::AssertionFailure() << "服务端配置按钮 cannot be clicked";
  const std::string caption = driver::rosterCaption(driver::Roster::Config);
  config_ = nullptr;
  driver::waitFor([&] { return (config_ = driver::findTopLevel(caption, toolPid_, nullptr, false)) != nullptr; },
                  kWindowTimeout, milliseconds(50));
  if (!config_)
    return failureWithOpenMessages("no window \"" + caption + "\" within " + std::to_string(kWindowTimeout.count()) +
                                   " ms");
  const auto names = driver::rosterNames(driver::Roster::Config);
  const int lastId = driver::rosterControlId(driver::Roster::Config, names.back());
  if (!driver::waitFor([&] { return driver::control(config_, lastId) != nullptr; }, kWindowTimeout))
    return ::testing::AssertionFailure() << "the configuration window's controls did not come";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ToolFixture::waitConfigLoaded(milliseconds timeout) {
  if (!config_) return ::testing::AssertionFailure() << "the configuration window is not open";
  if (driver::waitFor([&] { return driver::visible(config_); }, timeout, milliseconds(50)))
    return ::testing::AssertionSuccess();
  return failureWithOpenMessages("the configuration window was not shown within " +
                                 std::to_string(timeout.count()) + " ms");
}

::testing::AssertionResult ToolFixture::openConfig() {
  auto opened = startOpeningConfig();
  if (!opened) return opened;
  opened = waitConfigLoaded();
  if (!opened) return opened;
  return noMessageOpen();
}

::testing::AssertionResult ToolFixture::openConfigOver(const std::string& settings) {
  installServer();
  writeFile(kPalSettingsFile, settings);
  auto opened = startToolAndSettle();
  if (!opened) return opened;
  return openConfig();
}

::testing::AssertionResult ToolFixture::closeConfig() {
  if (!config_) return ::testing::AssertionFailure() << "the configuration window is not open";
  driver::close(config_);
  if (!driver::waitFor([&] { return !IsWindow(config_); }, kMessageTimeout))
    return ::testing::AssertionFailure() << "the configuration window did not close";
  config_ = nullptr;
  if (!driver::waitFor([&] { return driver::visible(main_) && IsWindowEnabled(main_); }, kMessageTimeout))
    return ::testing::AssertionFailure() << "the main window takes no input after the configuration window closed";
  return ::testing::AssertionSuccess();
}

// ------------------------------------------------------- message boxes ---

std::optional<std::string> ToolFixture::nextMessage(milliseconds timeout) {
  if (!toolPid_) return std::nullopt;
  auto box = driver::waitMessageBox(timeout, toolPid_);
  if (!box) return std::nullopt;
  if (!driver::dismiss(box->hwnd)) ADD_FAILURE() << "the message box \"" << box->text << "\" did not close";
  return box->text;
}

std::vector<std::string> ToolFixture::openMessages() {
  std::vector<std::string> texts;
  if (!toolPid_) return texts;
  for (auto& box : driver::messageBoxes(toolPid_)) texts.push_back(box.text);
  return texts;
}

}  // namespace e2e
