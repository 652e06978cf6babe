#include "fakes.h"

#include <algorithm>
#include <thread>

namespace kovrin::fakes {

// ---------------------------------------------------------------- files ---

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool isDriveRoot(const std::string& key) {
  return key.size() == 2 && key[1] == ':';
}

std::string lastName(const std::string& path) {
  std::string p = path;
  while (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  const auto slash = p.find_last_of("\\/");
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// "\x" is x at the root of the current drive.
std::string onCurrentDrive(const std::string& path) {
  const bool driveRelative = !path.empty() && (path[0] == '\\' || path[0] == '/') &&
                             (path.size() == 1 || (path[1] != '\\' && path[1] != '/'));
  return driveRelative ? "C:" + path : path;
}

// The path on its drive with "/" read as "\" and separators not repeated,
// letter case kept.
std::string plainPath(const std::string& path) {
  std::string p;
  for (char c : onCurrentDrive(path)) {
    if (c == '/') c = '\\';
    if (c == '\\' && !p.empty() && p.back() == '\\') continue;
    p.push_back(c);
  }
  return p;
}

}  // namespace

std::string FakeFileSystem::key(const std::string& pathAsGiven) {
  const std::string path = onCurrentDrive(pathAsGiven);
  std::string k;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && !k.empty() && k.back() == '\\') continue;
    k.push_back(c);
  }
  while (k.size() > 1 && k.back() == '\\') k.pop_back();
  return lowerAscii(k);
}

std::string FakeFileSystem::parentKey(const std::string& key) {
  const auto slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

std::string FakeFileSystem::resolve(const std::string& k) const {
  // Follows junctions met along the path, at most a few levels deep.
  std::string current = k;
  for (int round = 0; round < 8; ++round) {
    bool changed = false;
    std::size_t pos = 0;
    while (true) {
      pos = current.find('\\', pos + 1);
      const std::string prefix = pos == std::string::npos ? current : current.substr(0, pos);
      auto it = nodes_.find(prefix);
      if (it != nodes_.end() && !it->second.linkTarget.empty()) {
        current = key(it->second.linkTarget) + (pos == std::string::npos ? "" : current.substr(pos));
        changed = true;
        break;
      }
      if (pos == std::string::npos) break;
    }
    if (!changed) break;
  }
  return current;
}

bool FakeFileSystem::parentIsDirectory(const std::string& k) {
  const std::string parent = parentKey(k);
  if (parent.empty()) return false;
  return isDirectory(parent);
}

bool FakeFileSystem::locked(const std::string& k) const {
  for (const auto& l : locks_)
    if (k == l || k.rfind(l + "\\", 0) == 0) return true;
  return false;
}

bool FakeFileSystem::isDirectory(const std::string& path) {
  const std::string k = resolve(key(path));
  if (isDriveRoot(k)) return true;
  auto it = nodes_.find(k);
  return it != nodes_.end() && it->second.directory;
}

bool FakeFileSystem::exists(const std::string& path) {
  const std::string k = resolve(key(path));
  return isDriveRoot(k) || nodes_.count(k) > 0;
}

bool FakeFileSystem::createDirectory(const std::string& path) {
  const std::string k = resolve(key(path));
  if (exists(k) || !parentIsDirectory(k) || locked(k)) return false;
  nodes_[k] = Node{lastName(path), true, {}, {}};
  return true;
}

bool FakeFileSystem::createDirectoryPath(const std::string& pathAsGiven) {
  const std::string path = plainPath(pathAsGiven);
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return true;
  const std::string dirs = key(path.substr(0, slash));
  std::size_t pos = 0;
  while (true) {
    pos = dirs.find('\\', pos + 1);
    const std::string prefix = pos == std::string::npos ? dirs : dirs.substr(0, pos);
    if (!isDirectory(prefix)) {
      if (exists(prefix)) return false;
      const std::string original = path.substr(0, prefix.size());
      if (!createDirectory(original)) return false;
    }
    if (pos == std::string::npos) return true;
  }
}

std::optional<std::string> FakeFileSystem::readFile(const std::string& path) {
  const std::string k = resolve(key(path));
  for (const auto& l : readLocks_)
    if (k == l || k.rfind(l + "\\", 0) == 0) return std::nullopt;
  auto it = nodes_.find(k);
  if (it == nodes_.end() || it->second.directory) return std::nullopt;
  return it->second.bytes;
}

bool FakeFileSystem::writeFile(const std::string& path, std::string_view bytes) {
  const std::string k = resolve(key(path));
  if (locked(k) || !parentIsDirectory(k)) return false;
  auto it = nodes_.find(k);
  if (it != nodes_.end() && (it->second.directory || it->second.readOnly)) return false;
  ++writes_;
  writeLog.push_back(path);
  nodes_[k] = Node{lastName(path), false, std::string(bytes), {}};
  return true;
}

bool FakeFileSystem::replaceFile(const std::string& path, std::string_view bytes) {
  return writeFile(path, bytes);
}

bool FakeFileSystem::deleteFile(const std::string& path) {
  const std::string k = resolve(key(path));
  auto it = nodes_.find(k);
  if (it == nodes_.end() || it->second.directory || it->second.readOnly || locked(k)) return false;
  nodes_.erase(it);
  return true;
}

bool FakeFileSystem::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  auto bytes = readFile(from);
  if (!bytes) return false;
  if (!overwrite && exists(to)) return false;
  if (!writeFile(to, *bytes)) return false;
  if (isReadOnly(from)) setReadOnly(to);
  return true;
}

std::optional<std::vector<DirEntry>> FakeFileSystem::listDirectory(const std::string& path) {
  const std::string k = resolve(key(path));
  if (!isDirectory(k)) return std::nullopt;
  std::vector<DirEntry> entries;
  for (const auto& [nodeKey, node] : nodes_) {
    if (parentKey(nodeKey) != k) continue;
    entries.push_back(DirEntry{node.name, node.directory, !node.linkTarget.empty()});
  }
  return entries;
}

bool FakeFileSystem::removeDirectory(const std::string& path) {
  const std::string k = key(path);
  auto it = nodes_.find(k);
  if (it == nodes_.end() || !it->second.directory || locked(k)) return false;
  if (it->second.linkTarget.empty()) {
    if (it->second.readOnly) return false;
    for (const auto& [nodeKey, node] : nodes_)
      if (parentKey(nodeKey) == k) return false;
  }
  nodes_.erase(it);
  return true;
}

bool FakeFileSystem::clearReadOnly(const std::string& path) {
  auto it = nodes_.find(key(path));
  if (it == nodes_.end() || !it->second.linkTarget.empty() || !it->second.readOnly) return false;
  it->second.readOnly = false;
  return true;
}

void FakeFileSystem::setReadOnly(const std::string& path) {
  auto it = nodes_.find(resolve(key(path)));
  if (it != nodes_.end()) it->second.readOnly = true;
}

bool FakeFileSystem::isReadOnly(const std::string& path) {
  auto it = nodes_.find(resolve(key(path)));
  return it != nodes_.end() && it->second.readOnly;
}

void FakeFileSystem::addDirectory(const std::string& path) {
  createDirectoryPath(path + "\\");
}

void FakeFileSystem::addFile(const std::string& path, std::string_view bytes) {
  createDirectoryPath(path);
  const std::string k = resolve(key(path));
  nodes_[k] = Node{lastName(path), false, std::string(bytes), {}};
}

void FakeFileSystem::addLink(const std::string& path, const std::string& target) {
  createDirectoryPath(path);
  nodes_[key(path)] = Node{lastName(path), true, {}, target};
}

void FakeFileSystem::lock(const std::string& path) { locks_.push_back(key(path)); }

void FakeFileSystem::denyReads(const std::string& path) { readLocks_.push_back(key(path)); }

void FakeFileSystem::unlock(const std::string& path) {
  locks_.erase(std::remove(locks_.begin(), locks_.end(), key(path)), locks_.end());
}

bool FakeFileSystem::hasFile(const std::string& path) { return readFile(path).has_value(); }

std::string FakeFileSystem::file(const std::string& path) { return readFile(path).value_or(""); }

std::vector<std::string> FakeFileSystem::children(const std::string& path) {
  std::vector<std::string> names;
  if (auto entries = listDirectory(path))
    for (const auto& e : *entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

// ------------------------------------------------------------ processes ---

std::vector<ProcessEntry> FakeProcesses::snapshot() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++snapshots;
  return processes_;
}

std::optional<std::uint32_t> FakeProcesses::windowOwner(const std::string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(title);
  if (it == windows_.end()) return std::nullopt;
  return it->second;
}

bool FakeProcesses::terminate(std::uint32_t pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  terminated.push_back(pid);
  if (refuseTermination) return false;
  auto it = std::find_if(processes_.begin(), processes_.end(),
                         [pid](const ProcessEntry& p) { return p.pid == pid; });
  if (it == processes_.end()) return false;
  processes_.erase(it);
  for (auto w = windows_.begin(); w != windows_.end();)
    w = w->second == pid ? windows_.erase(w) : std::next(w);
  return true;
}

bool FakeProcesses::start(const std::string& commandLine, int showWindow, bool wait) {
  StartedProgram program{commandLine, showWindow, wait};
  std::function<bool(const StartedProgram&)> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    started.push_back(program);
    hook = onStart;
  }
  return hook ? hook(program) : true;
}

namespace {
class FakeThread : public Thread {
 public:
  explicit FakeThread(std::function<void()> body) : thread_(std::move(body)) {}
  ~FakeThread() override {
    if (thread_.joinable()) thread_.join();
  }
  void join() override {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};
}  // namespace

std::unique_ptr<Thread> FakeProcesses::startThread(std::function<void()> body) {
  if (refuseThreads) return nullptr;
  return std::make_unique<FakeThread>(std::move(body));
}

std::uint32_t FakeProcesses::add(const std::string& exeName, std::uint32_t parentPid) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::uint32_t pid = nextPid_++;
  processes_.push_back(ProcessEntry{pid, parentPid, exeName});
  return pid;
}

void FakeProcesses::addWindow(const std::string& title, std::uint32_t pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  windows_[title] = pid;
}

void FakeProcesses::remove(std::uint32_t pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  processes_.erase(std::remove_if(processes_.begin(), processes_.end(),
                                  [pid](const ProcessEntry& p) { return p.pid == pid; }),
                   processes_.end());
}

bool FakeProcesses::running(const std::string& exeName) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string wanted = lowerAscii(exeName);
  return std::any_of(processes_.begin(), processes_.end(),
                     [&](const ProcessEntry& p) { return lowerAscii(p.exeName) == wanted; });
}

// ------------------------------------------------------------ automation --

namespace {

class FakeFileSystemObject : public FileSystemObject {
 public:
  FakeFileSystemObject(FakeFileSystem& files, FakeAutomation& owner) : files_(files), owner_(owner) {}

  bool copyFolder(const std::string& source, const std::string& target) override {
    owner_.copies.emplace_back(source, target);
    if (!files_.isDirectory(source)) return false;
    return copyTree(source, target, true);
  }

  std::optional<double> subfolderCount(const std::string& path) override {
    auto entries = files_.listDirectory(path);
    if (!entries) return std::nullopt;
    return static_cast<double>(std::count_if(entries->begin(), entries->end(),
                                             [](const DirEntry& e) { return e.directory; }));
  }

 private:
  bool copyTree(const std::string& source, const std::string& target, bool top) {
    if (files_.isDirectory(target)) {
      if (!top && !owner_.copyFolderMergesSubfolders) return false;  // "file already exists"
    } else if (!files_.createDirectory(target)) {
      return false;
    }
    auto entries = files_.listDirectory(source);
    if (!entries) return false;
    for (const auto& e : *entries) {
      const std::string from = source + "\\" + e.name;
      const std::string to = target + "\\" + e.name;
      if (e.directory) {
        if (!copyTree(from, to, false)) return false;
      } else if (!files_.copyFile(from, to, true)) {
        return false;
      }
    }
    return true;
  }

  FakeFileSystem& files_;
  FakeAutomation& owner_;
};

}  // namespace

std::unique_ptr<FileSystemObject> FakeAutomation::createFileSystemObject() {
  if (!fileSystemObjectAvailable) return nullptr;
  return std::make_unique<FakeFileSystemObject>(files_, *this);
}

std::unique_ptr<RegExpEngine> FakeAutomation::createRegExp() {
  return regExpFactory ? regExpFactory() : nullptr;
}

// ----------------------------------------------------------------- http ---

std::optional<HttpResponse> FakeHttp::get(const std::string& url, int timeoutMs) {
  requests.emplace_back(url, timeoutMs);
  auto it = responses.find(url);
  if (it == responses.end()) return std::nullopt;
  return it->second;
}

// ---------------------------------------------------------------- shell ---

std::optional<std::string> FakeShell::browseForFolder(const std::string& prompt) {
  prompts.push_back(prompt);
  return browseResult;
}

// ---------------------------------------------------------- environment ---

std::optional<std::string> FakeEnvironment::variable(const std::string& name) {
  auto it = variables.find(name);
  if (it == variables.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> FakeEnvironment::carriedFile(CarriedFile which) {
  auto it = carried.find(which);
  if (it == carried.end()) return std::nullopt;
  return it->second;
}

// ------------------------------------------------------------------ gui ---

void FakeGui::showMessage(const std::string& text) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
    hook = whileMessageOpen;
  }
  if (hook) hook(text);
}

std::vector<std::string> FakeGui::messages() {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

void FakeGui::runMainWindow(const WindowSpec& layout) {
  mainWindow = std::make_unique<MemoryWindow>(layout);
  mainWindow->created();
  if (whileMainWindowRuns) whileMainWindowRuns(*mainWindow);
  mainWindow->destroyed();
}

void FakeGui::runModal(const WindowSpec& layout) {
  ++modalsOpened;
  modalWindow = std::make_unique<MemoryWindow>(layout);
  modalWindow->created();
  if (whileModalRuns) whileModalRuns(*modalWindow);
  modalWindow->destroyed();
}

}  // namespace kovrin::fakes
