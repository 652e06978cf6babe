#include "backup/rotation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/tool.h"
#include "backup/paths.h"
#include "platform/text.h"

namespace kovrin {
namespace {

// What the parent folder's listing says about the last entry of `path`;
// nothing when the parent cannot be listed or has no such entry.
std::optional<DirEntry> entryOf(FileSystem& fs, const std::string& path) {
  std::string p = path;
  while (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  const auto slash = p.find_last_of("\\/");
  if (slash == std::string::npos) return std::nullopt;
  const std::string name = p.substr(slash + 1);
  std::string parent = p.substr(0, slash + 1);  // keeps "X:\" and "\" whole
  if (parent.size() > 1 && parent.back() == '\\' && parent[parent.size() - 2] != ':') parent.pop_back();
  auto entries = fs.listDirectory(parent);
  if (!entries) return std::nullopt;
  for (const DirEntry& e : *entries)
    if (samePath(e.name, name)) return e;
  return std::nullopt;
}

// A snapshot copies the read-only attribute of a save file along (operators
// make the server's settings file read-only so that the server keeps its
// hands off it). Such an entry goes once the attribute is cleared; without
// that, every snapshot would stay and the kind folder would grow without end.
bool removeFile(FileSystem& fs, const std::string& path) {
  return fs.deleteFile(path) || (fs.clearReadOnly(path) && fs.deleteFile(path));
}

bool removeEmptyFolder(FileSystem& fs, const std::string& path) {
  return fs.removeDirectory(path) || (fs.clearReadOnly(path) && fs.removeDirectory(path));
}

// Removes everything inside `folder`, depth first, without following a link:
// a link is removed as a link and what it points at stays as it is.
void emptyFolder(FileSystem& fs, const std::string& folder) {
  auto entries = fs.listDirectory(folder);
  if (!entries) return;
  for (const DirEntry& e : *entries) {
    if (!isPlainEntryName(e.name)) continue;
    const std::string path = joinPath(folder, e.name);
    if (e.link) {
      if (e.directory) fs.removeDirectory(path);
      else fs.deleteFile(path);
    } else if (e.directory) {
      emptyFolder(fs, path);
      removeEmptyFolder(fs, path);
    } else {
      removeFile(fs, path);
    }
  }
}

// The order the listing of a kind folder is sorted in: byte order of the
// texts in the system's code page (936), so that digits come before letters
// and letters before Chinese characters, and Chinese characters keep their
// order in that code page. Names that only differ in characters the code
// page lacks are told apart by their own bytes.
struct ListingKey {
  std::string gbk;
  std::string text;
  bool operator<(const ListingKey& other) const {
    if (gbk != other.gbk) return gbk < other.gbk;  // std::string compares as unsigned bytes
    return text < other.text;
  }
};

}  // namespace

int countSubfolders(Tool& tool, const std::string& path) {
  if (auto fso = tool.os.automation.createFileSystemObject()) {
    const std::optional<double> count = fso->subfolderCount(path);
    if (!count || !std::isfinite(*count) || *count <= 0) return 0;
    if (*count >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(*count);  // drops any fraction
  }
  // Without the scripting object the folder is counted from its listing, so
  // that backups taken meanwhile are still rotated.
  auto entries = tool.os.files.listDirectory(path);
  if (!entries) return 0;
  return static_cast<int>(std::count_if(entries->begin(), entries->end(),
                                        [](const DirEntry& e) { return e.directory; }));
}

std::vector<std::string> listSubfolders(Tool& tool, const std::string& path) {
  std::vector<std::pair<ListingKey, std::string>> keyed;
  if (auto entries = tool.os.files.listDirectory(path)) {
    for (const DirEntry& e : *entries) {
      if (!e.directory || !isPlainEntryName(e.name)) continue;
      std::string full = joinPath(path, e.name);
      keyed.emplace_back(ListingKey{toGbk(full), full}, full);
    }
  }
  std::sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> list;
  list.reserve(keyed.size());
  for (auto& k : keyed) list.push_back(std::move(k.second));
  return list;
}

bool deleteFolderTree(Tool& tool, const std::string& path) {
  if (isUndeletablePath(path)) return false;
  FileSystem& fs = tool.os.files;
  // A folder that is itself a link goes as a link: what it points at is not
  // part of it.
  if (auto entry = entryOf(fs, path); entry && entry->link)
    return entry->directory && fs.removeDirectory(path);
  if (!fs.isDirectory(path)) return false;
  emptyFolder(fs, path);
  return removeEmptyFolder(fs, path);
}

void rotateBackups(Tool& tool, BackupKind kind, int keep) {
  const std::string folder = kindFolder(tool, kind);
  const int n = countSubfolders(tool, folder);
  std::int64_t deletions = 0;
  if (kind == BackupKind::GuardBackup) {
    if (n > guardBackupLimit) deletions = 2;
  } else if (keep >= 1 && n >= keep) {
    // A keep count below 1 (an empty box, 0, a negative number) is no count
    // at all: nothing is deleted, so a box cleared while typing never wipes
    // the backups.
    deletions = std::int64_t{n} - keep + 1;
  }
  if (deletions <= 0) return;
  const std::vector<std::string> list = listSubfolders(tool, folder);
  const std::int64_t available = static_cast<std::int64_t>(list.size());
  for (std::int64_t i = 0; i < std::min(deletions, available); ++i) {
    // Only ever a snapshot folder of this kind: never the kind folder, the
    // backup root or anything outside them.
    if (!isDirectChild(folder, list[static_cast<std::size_t>(i)])) continue;
    deleteFolderTree(tool, list[static_cast<std::size_t>(i)]);
  }
}

void backupWithRotation(Tool& tool, BackupKind kind, int keep) {
  const std::string folder = kindFolder(tool, kind);
  if (!isDirectory(tool, folder)) ensureDirectory(tool, folder);
  rotateBackups(tool, kind, keep);
  takeSnapshot(tool, kind);
}

}  // namespace kovrin
