#include "backup/snapshot.h"

#include <cstdint>

#include "app/tool.h"
#include "backup/paths.h"

namespace kovrin {
namespace {

const char* kindFolderName(BackupKind kind) {
  switch (kind) {
    case BackupKind::GuardBackup: return "进程守护备份";
    case BackupKind::TimedBackup: return "定时备份";
    case BackupKind::RestartBackup: return "定时重启备份";
  }
  return "定时备份";
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Copies the contents of `source` into `target`, creating `target` when it is
// missing and overwriting files that exist there, as the scripting object's
// CopyFolder does; stops at the first failure, leaving what was copied.
// `skip` names one entry of `source` (a full path) that is left out.
bool copyTree(FileSystem& fs, const std::string& source, const std::string& target,
              const std::string& skip, int depth) {
  // Directory links are followed like the scripting object follows them; the
  // bound keeps a link that points back up the tree from looping.
  constexpr int kMaxDepth = 64;
  if (depth > kMaxDepth) return false;
  if (!fs.isDirectory(target) && !fs.createDirectory(target)) return false;
  auto entries = fs.listDirectory(source);
  if (!entries) return false;
  for (const DirEntry& e : *entries) {
    if (!isPlainEntryName(e.name)) continue;
    const std::string from = joinPath(source, e.name);
    if (!skip.empty() && samePath(from, skip)) continue;
    const std::string to = joinPath(target, e.name);
    if (e.directory) {
      if (!copyTree(fs, from, to, {}, depth + 1)) return false;
    } else if (!fs.copyFile(from, to, true)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string kindFolder(Tool& tool, BackupKind kind) {
  return tool.state.backupRoot + "\\" + kindFolderName(kind);
}

bool isDirectory(Tool& tool, const std::string& path) { return tool.os.files.isDirectory(path); }

bool ensureDirectory(Tool& tool, const std::string& path) {
  std::string dirs = path;
  if (dirs.empty() || dirs.back() != '\\') dirs.push_back('\\');
  return tool.os.files.createDirectoryPath(dirs);
}

std::string backupTimestamp(const LocalTime& now) {
  // Whole seconds from 1970-01-01 08:00:00 to now, both as local wall-clock
  // moments: the Unix time on a machine at UTC+8.
  const std::int64_t seconds = daysFromCivil(now.year, now.month, now.day) * 86400 +
                               std::int64_t{now.hour} * 3600 + std::int64_t{now.minute} * 60 +
                               now.second - 8 * 3600;
  std::string millis = std::to_string(now.millisecond < 0 ? 0 : now.millisecond);
  if (millis.size() < 3) millis.insert(0, 3 - millis.size(), '0');
  // From late 2001 until 2286 the count alone has ten digits; outside that the
  // milliseconds fill it up, so every name keeps the same width.
  std::string text = (std::to_string(seconds) + millis).substr(0, 10);
  if (text.size() < 10) text.append(10 - text.size(), '0');
  return text;
}

std::string dateTimeText(const LocalTime& moment) {
  using std::to_string;
  std::string text = to_string(moment.year) + "年" + to_string(moment.month) + "月" +
                     to_string(moment.day) + "日";
  if (moment.second != 0) {
    text += to_string(moment.hour) + "时" + to_string(moment.minute) + "分" +
            to_string(moment.second) + "秒";
  } else if (moment.minute != 0) {
    text += to_string(moment.hour) + "时" + to_string(moment.minute) + "分";
  } else if (moment.hour != 0) {
    text += to_string(moment.hour) + "时";
  }
  return text;
}

void copyFolder(Tool& tool, const std::string& source, const std::string& target) {
  FileSystem& fs = tool.os.files;
  // A folder copied into itself would copy its own copy again and again. When
  // the target lies inside the source (a backup root chosen inside the save
  // folder), the branch of the source that leads to the target is left out.
  // (The scripting object would copy the copy into itself, level after level,
  // until the path grows too long.)
  if (samePath(source, target)) return;
  const std::string containing = childOnPathTo(source, target);
  // A snapshot of the same second is merged into the one already there. Not
  // every scripting object merges: some stop at the first subfolder that
  // exists ("file already exists"), which would keep the older copy of
  // everything below it. That copy is made here.
  if (containing.empty() && !fs.isDirectory(target)) {
    if (auto fso = tool.os.automation.createFileSystemObject()) {
      fso->copyFolder(source, target);
      return;
    }
  }
  // Without the scripting object (or with a branch to leave out, or into a
  // folder that exists) the copy is made here, to the same result.
  if (!fs.isDirectory(source)) return;
  copyTree(fs, source, target, containing, 0);
}

void takeSnapshot(Tool& tool, BackupKind kind) {
  const LocalTime now = tool.os.clock.now();
  const std::string name = backupTimestamp(now) + "_" + dateTimeText(now) + "_Saved";
  copyFolder(tool, tool.paths.saveFolder, kindFolder(tool, kind) + "\\" + name);
}

}  // namespace kovrin
