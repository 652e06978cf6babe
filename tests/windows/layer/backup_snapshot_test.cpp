// Snapshots of a real save folder: names, contents, a merge into a snapshot of
// the same second, the copy with and without the scripting object, and a
// backup root inside the save folder.
#include "backup/rotation.h"
#include "backup/snapshot.h"
#include "backup_support.h"

namespace {

using kovrin::BackupKind;
using kovrin::LocalTime;
using layer::BackupOnDisk;
using layer::kMoment;
using layer::kMomentName;
using layer::Tree;
using layer::treeOf;

std::string nameAt(const LocalTime& t) {
  return kovrin::backupTimestamp(t) + "_" + kovrin::dateTimeText(t) + "_Saved";
}

// Each test runs with the scripting object and with the tool's own copy.
class Snapshot : public BackupOnDisk, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { automation.scripting = GetParam(); }
};

TEST_P(Snapshot, CopiesTheWholeSaveFolderIntoAFolderNamedAfterTheMoment) {
  makeSaveFolder();
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 10);

  // The backup root and the kind folder were made on the way.
  const std::string kind = dir / "备份 root\\定时备份";
  EXPECT_EQ(layer::namesIn(dir / "备份 root"), std::vector<std::string>{"定时备份"});
  ASSERT_EQ(layer::namesIn(kind), std::vector<std::string>{kMomentName});
  const Tree copy = treeOf(kind + "\\" + kMomentName);
  EXPECT_EQ(copy, treeOf(saveFolder()));
  // The contents, not the folder: no "Saved" inside the snapshot.
  EXPECT_EQ(copy.count("Saved"), 0u);
  EXPECT_EQ(copy.at("Logs\\hidden.log"), "file H:hidden");
  EXPECT_EQ(copy.at("SaveGames\\空 empty"), "dir");
}

TEST_P(Snapshot, NamedAfterTheSystemsLocalTime) {
  makeSaveFolder();
  ASSERT_TRUE(files.createDirectoryPath(kindPath(BackupKind::GuardBackup) + "\\"));
  // The name is taken between these two readings: one of the seconds in
  // between (rarely more than one).
  const LocalTime before = clock.real.now();
  kovrin::takeSnapshot(tool, BackupKind::GuardBackup);
  const LocalTime after = clock.real.now();
  const auto names = layer::namesIn(kindPath(BackupKind::GuardBackup));
  ASSERT_EQ(names.size(), 1u);
  const std::string stamp = names[0].substr(0, 10);
  EXPECT_GE(stamp, kovrin::backupTimestamp(before));
  EXPECT_LE(stamp, kovrin::backupTimestamp(after));
  if (stamp == kovrin::backupTimestamp(before)) {
    EXPECT_EQ(names[0], nameAt(before));
  } else if (stamp == kovrin::backupTimestamp(after)) {
    EXPECT_EQ(names[0], nameAt(after));
  }
  EXPECT_EQ(treeOf(kindPath(BackupKind::GuardBackup) + "\\" + names[0]), treeOf(saveFolder()));
}

// Seconds since 1970-01-01 of the system's local wall-clock time, from its
// file times (independent of the local time the tool reads).
long long localSecondsNow() {
  FILETIME utc, local;
  ::GetSystemTimeAsFileTime(&utc);
  ::FileTimeToLocalFileTime(&utc, &local);
  const unsigned long long ticks = (static_cast<unsigned long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  return static_cast<long long>(ticks / 10000000ull) - 11644473600ll;
}

TEST(SnapshotTimestamp, SecondsFromEightOClockOnNewYearsDay1970LocalTime) {
  layer::SettableClock clock;
  // Read again when a second boundary fell between the two readings.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const long long before = localSecondsNow();
    const std::string stamp = kovrin::backupTimestamp(clock.now());
    const long long after = localSecondsNow();
    if (before != after) continue;
    EXPECT_EQ(stamp, std::to_string(before - 8 * 3600));
    return;
  }
  FAIL() << "the clock kept moving on";
}

TEST_P(Snapshot, ASecondSnapshotInTheSameSecondMergesIntoTheFirst) {
  makeSaveFolder();
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::RestartBackup, 10);
  const std::string snap = kindPath(BackupKind::RestartBackup) + "\\" + kMomentName;
  const std::string world = "SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF";

  // The server writes on: one save changes, one is new, one is gone.
  put(saveFolder() + "\\" + world + "\\Level.sav", "level, later");
  put(saveFolder() + "\\" + world + "\\Players\\新 new.sav", "new player");
  ASSERT_TRUE(::DeleteFileW(layer::wide(saveFolder() + "\\" + world + "\\LevelMeta.sav").c_str()));
  kovrin::backupWithRotation(tool, BackupKind::RestartBackup, 10);

  ASSERT_EQ(layer::namesIn(kindPath(BackupKind::RestartBackup)), std::vector<std::string>{kMomentName});
  const Tree merged = treeOf(snap);
  EXPECT_EQ(merged.at(world + "\\Level.sav"), "file :level, later");
  EXPECT_EQ(merged.at(world + "\\Players\\新 new.sav"), "file :new player");
  EXPECT_EQ(merged.at(world + "\\LevelMeta.sav"), "file :" + std::string("meta\0\xff\r\n", 8));
  Tree expected = treeOf(saveFolder());
  expected[world + "\\LevelMeta.sav"] = merged.at(world + "\\LevelMeta.sav");
  EXPECT_EQ(merged, expected);
}

TEST_P(Snapshot, NoSaveFolderLeavesNoSnapshotFolder) {
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::GuardBackup, 10);
  EXPECT_TRUE(layer::isDir(kindPath(BackupKind::GuardBackup)));
  EXPECT_TRUE(layer::namesIn(kindPath(BackupKind::GuardBackup)).empty());
}

TEST_P(Snapshot, AFileHeldOpenByTheServerIsLeftOutAndTheRestIsAsInTheSaveFolder) {
  makeSaveFolder();
  const std::string held = saveFolder() + "\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF\\Level.sav";
  HANDLE h = ::CreateFileW(layer::wide(held).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 10);
  ::CloseHandle(h);

  // The copy stops at the file it cannot read; what it copied is whole.
  const Tree source = treeOf(saveFolder());
  const Tree copy = treeOf(kindPath(BackupKind::TimedBackup) + "\\" + kMomentName);
  EXPECT_EQ(copy.count("SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF\\Level.sav"), 0u);
  for (const auto& [path, what] : copy) {
    ASSERT_EQ(source.count(path), 1u) << path;
    EXPECT_EQ(source.at(path), what) << path;
  }
}

// A backup root chosen inside the save folder: the snapshot leaves that branch
// out instead of copying its own copies again. (The scripting object alone
// copies the copy into itself, level after level, until the path grows too
// long.)
TEST_P(Snapshot, ABackupRootInsideTheSaveFolderIsLeftOutOfTheSnapshot) {
  makeSaveFolder();
  const Tree before = treeOf(saveFolder());
  tool.state.backupRoot = saveFolder() + "\\Backups";
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 10);
  clock.fixed->second = 46;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 10);

  const std::string kind = saveFolder() + "\\Backups\\定时备份";
  const auto names = layer::namesIn(kind);
  ASSERT_EQ(names.size(), 2u);
  for (const auto& name : names) EXPECT_EQ(treeOf(kind + "\\" + name), before) << name;
}

INSTANTIATE_TEST_SUITE_P(Copy, Snapshot, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "ScriptingObject" : "OwnCopy"; });

// ----------------------------------------------------------------- copy --

TEST_F(BackupOnDisk, TheOwnCopyGivesTheSameTreeAsTheScriptingObject) {
  makeSaveFolder();
  put(saveFolder() + "\\SaveGames\\0\\large.sav", std::string(3u << 20, 'L'));
  put(saveFolder() + "\\a\\b\\c\\d\\e\\deep.sav", "deep");
  put(saveFolder() + "\\readonly.sav", "read only");
  ASSERT_TRUE(::SetFileAttributesW(layer::wide(saveFolder() + "\\readonly.sav").c_str(),
                                   FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(files.createDirectoryPath(dir / "out\\"));

  automation.scripting = true;
  kovrin::copyFolder(tool, saveFolder(), dir / "out\\scripting");
  automation.scripting = false;
  kovrin::copyFolder(tool, saveFolder(), dir / "out\\own");

  const Tree source = treeOf(saveFolder());
  EXPECT_EQ(treeOf(dir / "out\\scripting"), source);
  EXPECT_EQ(treeOf(dir / "out\\own"), source);
  EXPECT_EQ(source.at("readonly.sav"), "file R:read only");
}

TEST_F(BackupOnDisk, EnsureDirectoryMakesTheBackupRootAndTheKindFolder) {
  tool.state.backupRoot = dir / "新 root\\下 level";
  EXPECT_TRUE(kovrin::ensureDirectory(tool, kindPath(BackupKind::GuardBackup)));
  EXPECT_TRUE(layer::isDir(dir / "新 root\\下 level\\进程守护备份"));
  EXPECT_TRUE(kovrin::isDirectory(tool, kindPath(BackupKind::GuardBackup)));
  EXPECT_TRUE(kovrin::ensureDirectory(tool, kindPath(BackupKind::GuardBackup) + "\\"));

  put(dir / "a file", "x");
  tool.state.backupRoot = dir / "a file";
  EXPECT_FALSE(kovrin::ensureDirectory(tool, kindPath(BackupKind::TimedBackup)));
  EXPECT_FALSE(kovrin::isDirectory(tool, dir / "a file"));
  EXPECT_EQ(layer::readBytes(dir / "a file"), "x");
}

}  // namespace
