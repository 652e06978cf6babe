// Rotation and guarded deletion on a real disk: each kind's rule over real
// snapshot folders (counted by the scripting object or by the tool's own
// listing), foreign names, folders that cannot go, refused roots and
// directory links that must never be followed.
#include <algorithm>
#include <cctype>
#include <tuple>

#include "app/values.h"
#include "backup/rotation.h"
#include "backup/snapshot.h"
#include "backup_support.h"

namespace {

using kovrin::BackupKind;
using kovrin::LocalTime;
using layer::BackupOnDisk;
using layer::kMoment;
using layer::treeOf;

constexpr const char* kNewName = layer::kMomentName;

// n snapshot names of consecutive minutes before kMoment, oldest first.
std::vector<std::string> olderNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    const LocalTime t{2024, 1, 20, 10 + i / 60, i % 60, 0, 0};
    names.push_back(kovrin::backupTimestamp(t) + "_" + kovrin::dateTimeText(t) + "_Saved");
  }
  return names;
}

class RotationOnDisk : public BackupOnDisk {
 protected:
  // A snapshot as the tool leaves it: nested folders and files.
  void makeSnapshot(const std::string& folder) {
    put(folder + "\\SaveGames\\0\\WORLD\\Level.sav", std::string(4096, 'w'));
    put(folder + "\\SaveGames\\0\\WORLD\\Players\\0001.sav", "player");
    ASSERT_TRUE(files.createDirectoryPath(folder + "\\Config\\WindowsServer\\"));
  }
  // Canaries beside the kind folders: files in the backup root and in the
  // kind folder, and a snapshot of every other kind. All must survive.
  void makeCanaries(BackupKind kind) {
    put(dir / "备份 root\\root file.txt", "root");
    put(kindPath(kind) + "\\kind file.txt", "kind");
    for (BackupKind other : {BackupKind::GuardBackup, BackupKind::TimedBackup, BackupKind::RestartBackup})
      if (other != kind) makeSnapshot(kindPath(other) + "\\1600000000_other_Saved");
  }
  void expectCanaries(BackupKind kind) {
    EXPECT_EQ(layer::readBytes(dir / "备份 root\\root file.txt"), "root");
    EXPECT_EQ(layer::readBytes(kindPath(kind) + "\\kind file.txt"), "kind");
    for (BackupKind other : {BackupKind::GuardBackup, BackupKind::TimedBackup, BackupKind::RestartBackup})
      if (other != kind) {
        EXPECT_EQ(layer::namesIn(kindPath(other)), std::vector<std::string>{"1600000000_other_Saved"});
        EXPECT_EQ(layer::readBytes(kindPath(other) + "\\1600000000_other_Saved\\SaveGames\\0\\WORLD\\Level.sav"),
                  std::string(4096, 'w'));
      }
  }
  // The kind folder's subfolders, by name.
  std::vector<std::string> subfolders(BackupKind kind) {
    std::vector<std::string> names;
    for (const auto& name : layer::namesIn(kindPath(kind)))
      if (layer::isDir(kindPath(kind) + "\\" + name)) names.push_back(name);
    return names;
  }
};

// ------------------------------------------------------------ the rules --

struct RotationCase {
  const char* label;
  BackupKind kind;
  const char* keepText;  // the text of the keep-count box
  int before;            // snapshots present
  std::vector<std::string> foreign;
  int deleted;  // the oldest snapshots expected gone
  std::vector<std::string> foreignLeft;
};

class RotationRules : public RotationOnDisk,
                      public ::testing::WithParamInterface<std::tuple<RotationCase, bool>> {};

TEST_P(RotationRules, TheKindsRuleOnRealFolders) {
  const auto& [c, scripting] = GetParam();
  automation.scripting = scripting;
  makeSaveFolder();
  makeCanaries(c.kind);
  const auto existing = olderNames(c.before);
  for (const auto& name : existing) makeSnapshot(kindPath(c.kind) + "\\" + name);
  for (const auto& name : c.foreign) makeSnapshot(kindPath(c.kind) + "\\" + name);
  if (!existing.empty()) {
    // A hidden snapshot is counted and listed like any other.
    ASSERT_TRUE(::SetFileAttributesW(layer::wide(kindPath(c.kind) + "\\" + existing[0]).c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
  }
  clock.fixed = kMoment;

  kovrin::backupWithRotation(tool, c.kind, kovrin::textToInt(c.keepText));

  std::vector<std::string> expected(existing.begin() + c.deleted, existing.end());
  expected.push_back(kNewName);
  expected.insert(expected.end(), c.foreignLeft.begin(), c.foreignLeft.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(subfolders(c.kind), expected);
  EXPECT_EQ(treeOf(kindPath(c.kind) + "\\" + kNewName), treeOf(saveFolder()));
  expectCanaries(c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RotationRules,
    ::testing::Combine(
        ::testing::Values(
            RotationCase{"timed keep 3, five present", BackupKind::TimedBackup, "3", 5, {}, 3, {}},
            RotationCase{"timed keep 3, two present", BackupKind::TimedBackup, "3", 2, {}, 0, {}},
            RotationCase{"restart keep 1", BackupKind::RestartBackup, "1", 4, {}, 4, {}},
            RotationCase{"restart, empty keep box", BackupKind::RestartBackup, "", 4, {}, 0, {}},
            RotationCase{"timed, keep -5", BackupKind::TimedBackup, "-5", 3, {}, 0, {}},
            RotationCase{"guard, ten present", BackupKind::GuardBackup, "1", 10, {}, 0, {}},
            RotationCase{"guard, eleven present", BackupKind::GuardBackup, "1", 11, {}, 2, {}},
            RotationCase{"guard, 25 present", BackupKind::GuardBackup, "", 25, {}, 2, {}},
            // Foreign names are counted and sorted with the snapshots: a name
            // before the digits goes first, letters and Chinese come last.
            RotationCase{"timed, foreign names", BackupKind::TimedBackup, "3", 3,
                         {"0old", " blank", "backup", "旧备份"}, 3, {"backup", "旧备份"}},
            RotationCase{"restart, foreign names reached", BackupKind::RestartBackup, "1", 1,
                         {"Zeta", "alpha", "旧备份"}, 1, {}}),
        ::testing::Bool()),
    [](const auto& info) {
      std::string name;
      for (char ch : std::string(std::get<0>(info.param).label))
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name + (std::get<1>(info.param) ? "_ScriptingObject" : "_OwnCount");
    });

TEST_F(RotationOnDisk, ASnapshotThatCannotGoStaysAndNoOtherGoesInItsPlace) {
  const auto names = olderNames(3);
  for (const auto& name : names) makeSnapshot(kindPath(BackupKind::TimedBackup) + "\\" + name);
  const std::string stuck = kindPath(BackupKind::TimedBackup) + "\\" + names[0] + "\\SaveGames\\0\\WORLD\\Level.sav";
  HANDLE h = ::CreateFileW(layer::wide(stuck).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  makeSaveFolder();
  clock.fixed = kMoment;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 3);  // one to delete: the oldest
  ::CloseHandle(h);
  EXPECT_EQ(subfolders(BackupKind::TimedBackup), (std::vector<std::string>{names[0], names[1], names[2], kNewName}));
  EXPECT_EQ(layer::readBytes(stuck), std::string(4096, 'w'));

  // Once the file is free, the next rotation catches up.
  clock.fixed->second = 46;
  kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 3);
  const auto left = subfolders(BackupKind::TimedBackup);
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0], names[2]);
}

// Operators make the server's settings file read-only so that the server
// cannot overwrite it. Every snapshot then carries a read-only copy, and the
// rotation must still keep its bound.
TEST_F(RotationOnDisk, SnapshotsOfAReadOnlySettingsFileAreStillRotated) {
  makeSaveFolder();
  const std::string settings = saveFolder() + "\\Config\\WindowsServer\\PalWorldSettings.ini";
  ASSERT_TRUE(::SetFileAttributesW(layer::wide(settings).c_str(), FILE_ATTRIBUTE_READONLY));
  clock.fixed = kMoment;
  for (int backup = 0; backup < 4; ++backup) {
    clock.fixed->minute = 30 + backup;
    kovrin::backupWithRotation(tool, BackupKind::TimedBackup, 2);
  }
  const auto left = subfolders(BackupKind::TimedBackup);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[1].substr(10), "_2024年1月27日12时33分45秒_Saved");
  EXPECT_EQ(treeOf(kindPath(BackupKind::TimedBackup) + "\\" + left[1]).at(
                "Config\\WindowsServer\\PalWorldSettings.ini"),
            "file R:");
  // The save folder's own file stays as the operator set it.
  EXPECT_EQ(treeOf(saveFolder()).at("Config\\WindowsServer\\PalWorldSettings.ini"), "file R:");
}

// -------------------------------------------------------------- deletion --

TEST_F(RotationOnDisk, DeleteFolderTreeRemovesEverythingBelowAndTheFolder) {
  const std::string snap = dir / "kind\\1706329845_x_Saved";
  makeSnapshot(snap);
  put(snap + "\\隐藏 hidden.sav", "h");
  ::SetFileAttributesW(layer::wide(snap + "\\隐藏 hidden.sav").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(kovrin::deleteFolderTree(tool, snap));
  EXPECT_EQ(layer::attributes(snap), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(layer::isDir(dir / "kind"));
  EXPECT_FALSE(kovrin::deleteFolderTree(tool, snap));  // gone already
  put(dir / "kind\\file", "f");
  EXPECT_FALSE(kovrin::deleteFolderTree(tool, dir / "kind\\file"));  // not a folder
  EXPECT_EQ(layer::readBytes(dir / "kind\\file"), "f");
}

// Deleting a drive itself (here a drive letter given to a scratch folder) or a
// path that climbs out of the folder it names is refused before anything is
// touched.
TEST_F(RotationOnDisk, DeleteFolderTreeRefusesDrivesAndPathsThatClimb) {
  makeSnapshot(dir / "drive");
  makeSnapshot(dir / "kind\\snap");
  const std::string before = "SaveGames\\0\\WORLD\\Level.sav";
  for (const std::string& path : {std::string(), dir / "kind\\snap\\..", dir / "kind\\.",
                                 dir / "kind\\snap\\.. ", std::string("\\\\?\\")})
    EXPECT_FALSE(kovrin::deleteFolderTree(tool, path)) << path;
  EXPECT_EQ(layer::readBytes(dir / "kind\\snap\\" + before), std::string(4096, 'w'));

  const auto drive = layer::mapDrive(dir / "drive");
  if (!drive) GTEST_SKIP() << "no drive letter could be given to a folder";
  struct Unmap {
    std::string drive;
    ~Unmap() { layer::unmapDrive(drive); }
  } unmap{*drive};
  ASSERT_EQ(layer::readBytes(*drive + "\\" + before), std::string(4096, 'w'));
  for (const std::string& path :
       {*drive, *drive + "\\", *drive + "/", "\\\\?\\" + *drive + "\\", "\\\\.\\" + *drive})
    EXPECT_FALSE(kovrin::deleteFolderTree(tool, path)) << path;
  // The way in was open: a folder below the drive goes.
  EXPECT_TRUE(kovrin::deleteFolderTree(tool, *drive + "\\Config"));
  EXPECT_FALSE(layer::isDir(dir / "drive\\Config"));
  EXPECT_EQ(layer::readBytes(dir / "drive\\" + before), std::string(4096, 'w'));
}

// A directory link inside a snapshot goes as a link, or stays where the system
// can only reach the link through its target; the target and what is in it
// are never touched.
class LinkInSnapshot : public RotationOnDisk, public ::testing::WithParamInterface<bool> {};

TEST_P(LinkInSnapshot, DeletionNeverReachesTheLinksTarget) {
  const bool targetEmpty = GetParam();
  const std::string target = dir / "存档 elsewhere";
  ASSERT_TRUE(layer::makeDir(target));
  if (!targetEmpty) put(target + "\\Level.sav", "live save");
  const std::string snap = kindPath(BackupKind::TimedBackup) + "\\1706329845_x_Saved";
  makeSnapshot(snap);
  const auto how = layer::makeDirectoryLink(snap + "\\SaveGames\\链接 link", target);
  if (!how) GTEST_SKIP() << "this system offers no way to make a directory link";
  RecordProperty("link", *how);

  const bool removed = kovrin::deleteFolderTree(tool, snap);

  EXPECT_TRUE(layer::isDir(target)) << *how;
  EXPECT_EQ(layer::namesIn(target), targetEmpty ? std::vector<std::string>{} : std::vector<std::string>{"Level.sav"});
  if (!targetEmpty) {
    EXPECT_EQ(layer::readBytes(target + "\\Level.sav"), "live save");
  }
  // Everything beside the link is gone; the result tells whether the folder is.
  EXPECT_EQ(removed, layer::attributes(snap) == INVALID_FILE_ATTRIBUTES) << *how;
  if (!removed) {
    EXPECT_EQ(treeOf(snap), (layer::Tree{{"SaveGames", "dir"}, {"SaveGames\\链接 link", "link"}})) << *how;
  }
  if (*how != "Unix symbolic link (Wine)") {
    EXPECT_TRUE(removed) << *how;
  }
}

// A link standing in a kind folder in place of a snapshot, first in order.
TEST_P(LinkInSnapshot, RotationRemovesALinkInTheKindFolderWithoutItsTarget) {
  const bool targetEmpty = GetParam();
  const std::string target = dir / "存档 elsewhere";
  ASSERT_TRUE(layer::makeDir(target));
  if (!targetEmpty) makeSnapshot(target);
  const auto names = olderNames(2);
  for (const auto& name : names) makeSnapshot(kindPath(BackupKind::RestartBackup) + "\\" + name);
  const auto how = layer::makeDirectoryLink(kindPath(BackupKind::RestartBackup) + "\\0 link", target);
  if (!how) GTEST_SKIP() << "this system offers no way to make a directory link";
  const auto targetBefore = treeOf(target);
  makeSaveFolder();
  clock.fixed = kMoment;

  kovrin::backupWithRotation(tool, BackupKind::RestartBackup, 3);  // three present: the first goes

  EXPECT_EQ(treeOf(target), targetBefore) << *how;
  const bool linkGone = layer::attributes(kindPath(BackupKind::RestartBackup) + "\\0 link") == INVALID_FILE_ATTRIBUTES;
  std::vector<std::string> expected{names[0], names[1], kNewName};
  if (!linkGone) expected.insert(expected.begin(), "0 link");
  EXPECT_EQ(subfolders(BackupKind::RestartBackup), expected);
  if (*how != "Unix symbolic link (Wine)") {
    EXPECT_TRUE(linkGone) << *how;
  }
}

INSTANTIATE_TEST_SUITE_P(Target, LinkInSnapshot, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Empty" : "WithFiles"; });

}  // namespace
