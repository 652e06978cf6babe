#include <gtest/gtest.h>

#include <string>

#include "backup/rotation.h"
#include "backup/snapshot.h"
#include "backup_fixture.h"

namespace kovrin {
namespace {

using testing_support::ToolFixture;

struct NameCase {
  LocalTime moment;
  const char* timestamp;
  const char* dateTime;
};

class SnapshotNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SnapshotNameTest, TimestampAndDateTimeOfTheMoment) {
  EXPECT_EQ(backupTimestamp(GetParam().moment), GetParam().timestamp);
  EXPECT_EQ(dateTimeText(GetParam().moment), GetParam().dateTime);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SnapshotNameTest,
    ::testing::Values(
        // A machine at UTC+8: the Unix time.
        NameCase{{2024, 1, 27, 12, 30, 45, 123}, "1706329845", "2024年1月27日12时30分45秒"},
        NameCase{{2024, 1, 27, 12, 30, 0, 999}, "1706329800", "2024年1月27日12时30分"},
        NameCase{{2024, 1, 27, 12, 0, 0, 0}, "1706328000", "2024年1月27日12时"},
        NameCase{{2024, 1, 27, 0, 0, 0, 500}, "1706284800", "2024年1月27日"},
        // A machine at UTC+0 at Unix time 1706329845 reads 04:30:45: the Unix
        // time less eight hours.
        NameCase{{2024, 1, 27, 4, 30, 45, 0}, "1706301045", "2024年1月27日4时30分45秒"},
        // A zero hour or minute is still written when a later part is not 0.
        NameCase{{2024, 12, 31, 0, 0, 5, 0}, "1735574405", "2024年12月31日0时0分5秒"},
        NameCase{{2024, 2, 29, 0, 5, 0, 0}, "1709136300", "2024年2月29日0时5分"},
        // Before late 2001 the count is shorter: the milliseconds fill it up
        // to ten characters, then zeros.
        NameCase{{1999, 1, 1, 0, 0, 0, 7}, "9151200000", "1999年1月1日"},
        NameCase{{1970, 1, 1, 8, 0, 5, 42}, "5042000000", "1970年1月1日8时0分5秒"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SnapshotName, TenCharactersSortInTheOrderTaken) {
  const LocalTime earlier{2024, 1, 27, 23, 59, 59, 999};
  const LocalTime later{2024, 1, 28, 0, 0, 0, 0};
  EXPECT_EQ(backupTimestamp(earlier).size(), 10u);
  EXPECT_LT(backupTimestamp(earlier), backupTimestamp(later));
}

class SnapshotTest : public ToolFixture {};

TEST_F(SnapshotTest, CopiesTheSaveFolderContentsIntoANamedFolderOfItsKind) {
  addSaveFolder();
  fp.files.addDirectory(kind("定时备份"));
  takeSnapshot(tool, BackupKind::TimedBackup);
  const std::string snap = kind("定时备份") + "\\1706329845_2024年1月27日12时30分45秒_Saved";
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Level.sav"), "world");
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Players\\0001.sav"), "player one");
  EXPECT_TRUE(fp.files.hasFile(snap + "\\Config\\WindowsServer\\PalWorldSettings.ini"));
  EXPECT_FALSE(fp.files.isDirectory(snap + "\\Saved"));  // the save folder's own name is not repeated
  ASSERT_EQ(fp.automation.copies.size(), 1u);
  EXPECT_EQ(fp.automation.copies[0].first, tool.paths.saveFolder);
  EXPECT_EQ(fp.automation.copies[0].second, snap);
}

TEST_F(SnapshotTest, EachKindHasItsOwnFolder) {
  tool.state.backupRoot = "D:\\b";
  EXPECT_EQ(kindFolder(tool, BackupKind::GuardBackup), "D:\\b\\进程守护备份");
  EXPECT_EQ(kindFolder(tool, BackupKind::TimedBackup), "D:\\b\\定时备份");
  EXPECT_EQ(kindFolder(tool, BackupKind::RestartBackup), "D:\\b\\定时重启备份");
}

// A clock that moves on by one millisecond at every reading, across a second.
class SteppingClock : public Clock {
 public:
  LocalTime now() override {
    LocalTime t = next;
    if (++next.millisecond == 1000) {
      next.millisecond = 0;
      next.second += 1;
    }
    return t;
  }
  LocalTime next{2024, 1, 27, 12, 30, 59, 999};
};

TEST_F(SnapshotTest, BothPartsOfTheNameComeFromOneReadingOfTheClock) {
  addSaveFolder();
  fp.files.addDirectory(kind("定时重启备份"));
  SteppingClock clock;
  Platform platform{fp.files, fp.processes, fp.automation, fp.machine, fp.http,
                    fp.shell, clock, fp.environment, fp.gui};
  Tool other{platform, kRunDir};
  other.state.backupRoot = kBackupRoot;
  takeSnapshot(other, BackupKind::RestartBackup);
  EXPECT_EQ(snapshots("定时重启备份"),
            std::vector<std::string>{"1706329859_2024年1月27日12时30分59秒_Saved"});
}

// Whether or not the scripting object merges into subfolders that exist
// (Wine's stops at the first with "file already exists"), the second snapshot
// of a second lands in full.
class SnapshotMergeTest : public ToolFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(SnapshotMergeTest, TwoSnapshotsInOneSecondMergeIntoOneFolder) {
  fp.automation.copyFolderMergesSubfolders = GetParam();
  addSaveFolder();
  fp.files.addDirectory(kind("定时备份"));
  takeSnapshot(tool, BackupKind::TimedBackup);
  fp.files.addFile(tool.paths.saveFolder + "\\SaveGames\\0\\ABCD\\Level.sav", "world, later");
  fp.files.addFile(tool.paths.saveFolder + "\\SaveGames\\0\\ABCD\\Players\\0002.sav", "player two");
  takeSnapshot(tool, BackupKind::TimedBackup);
  ASSERT_EQ(snapshots("定时备份").size(), 1u);
  const std::string snap = kind("定时备份") + "\\" + snapshots("定时备份")[0];
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Level.sav"), "world, later");
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Players\\0001.sav"), "player one");
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Players\\0002.sav"), "player two");
}

INSTANTIATE_TEST_SUITE_P(ScriptingObject, SnapshotMergeTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Merges" : "StopsAtSubfolders"; });

TEST_F(SnapshotTest, NoSaveFolderCopiesNothingAndCreatesNoSnapshotFolder) {
  fp.files.addDirectory(kind("定时备份"));
  takeSnapshot(tool, BackupKind::TimedBackup);
  EXPECT_TRUE(snapshots("定时备份").empty());
  fp.automation.fileSystemObjectAvailable = false;
  takeSnapshot(tool, BackupKind::TimedBackup);
  EXPECT_TRUE(snapshots("定时备份").empty());
}

// With and without the scripting object the copy comes out the same.
class SnapshotCopyTest : public ToolFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { fp.automation.fileSystemObjectAvailable = GetParam(); }
};

TEST_P(SnapshotCopyTest, CreatesTheTargetCopiesTheTreeAndOverwrites) {
  addSaveFolder();
  fp.files.addDirectory(tool.paths.saveFolder + "\\Empty");
  const std::string target = "C:\\copy";
  fp.files.addFile(target + "\\SaveGames\\0\\ABCD\\Level.sav", "old world");
  fp.files.addFile(target + "\\extra.txt", "kept");
  copyFolder(tool, tool.paths.saveFolder, target);
  EXPECT_EQ(fp.files.file(target + "\\SaveGames\\0\\ABCD\\Level.sav"), "world");
  EXPECT_EQ(fp.files.file(target + "\\SaveGames\\0\\ABCD\\Players\\0001.sav"), "player one");
  EXPECT_TRUE(fp.files.isDirectory(target + "\\Empty"));
  EXPECT_EQ(fp.files.file(target + "\\extra.txt"), "kept");

  copyFolder(tool, tool.paths.saveFolder, "C:\\fresh");
  EXPECT_EQ(fp.files.children("C:\\fresh"), (std::vector<std::string>{"Config", "Empty", "SaveGames"}));
}

TEST_P(SnapshotCopyTest, ALockedFileStopsTheCopyAndKeepsWhatWasCopied) {
  addSaveFolder();
  // Copied in name order: Config first, then SaveGames, where Level.sav is
  // held open by the server.
  fp.files.denyReads(tool.paths.saveFolder + "\\SaveGames\\0\\ABCD\\Level.sav");
  copyFolder(tool, tool.paths.saveFolder, "C:\\copy");
  EXPECT_TRUE(fp.files.hasFile("C:\\copy\\Config\\WindowsServer\\PalWorldSettings.ini"));
  EXPECT_FALSE(fp.files.hasFile("C:\\copy\\SaveGames\\0\\ABCD\\Level.sav"));
}

TEST_P(SnapshotCopyTest, ABackupRootInsideTheSaveFolderIsLeftOutOfTheCopy) {
  addSaveFolder();
  tool.state.backupRoot = tool.paths.saveFolder + "\\Backups";
  fp.files.addFile(tool.state.backupRoot + "\\定时备份\\1700000000_old_Saved\\Level.sav", "older");
  backupWithRotation(tool, BackupKind::TimedBackup, 10);
  const auto names = fp.files.children(tool.state.backupRoot + "\\定时备份");
  ASSERT_EQ(names.size(), 2u);
  const std::string snap = tool.state.backupRoot + "\\定时备份\\" + names[1];
  EXPECT_EQ(fp.files.file(snap + "\\SaveGames\\0\\ABCD\\Level.sav"), "world");
  EXPECT_FALSE(fp.files.isDirectory(snap + "\\Backups"));
}

INSTANTIATE_TEST_SUITE_P(ScriptingObject, SnapshotCopyTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Available" : "Missing"; });

TEST_F(SnapshotTest, EnsureDirectoryCreatesTheBackupRootAndTheKindFolder) {
  tool.state.backupRoot = "D:\\new\\root";
  EXPECT_TRUE(ensureDirectory(tool, kindFolder(tool, BackupKind::GuardBackup)));
  EXPECT_TRUE(isDirectory(tool, "D:\\new\\root\\进程守护备份"));
  EXPECT_TRUE(ensureDirectory(tool, "D:\\new\\root\\"));  // already there
  fp.files.addFile("D:\\file", "x");
  EXPECT_FALSE(ensureDirectory(tool, "D:\\file\\below"));
  EXPECT_FALSE(isDirectory(tool, "D:\\file"));
}

}  // namespace
}  // namespace kovrin
