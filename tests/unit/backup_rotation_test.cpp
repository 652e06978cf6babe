#include <gtest/gtest.h>

#include <string>

#include <algorithm>
#include <cctype>

#include "app/values.h"
#include "backup/paths.h"
#include "backup/rotation.h"
#include "backup/snapshot.h"
#include "backup_fixture.h"

namespace kovrin {
namespace {

using testing_support::ToolFixture;

// n snapshot names of consecutive minutes, oldest first, as the tool names them.
std::vector<std::string> snapshotNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    const LocalTime t{2024, 1, 20, 10, i % 60, 0, 0};
    LocalTime moment = t;
    moment.hour += i / 60;
    names.push_back(backupTimestamp(moment) + "_" + dateTimeText(moment) + "_Saved");
  }
  return names;
}

const char* const kNewSnapshot = "1706329845_2024年1月27日12时30分45秒_Saved";

struct RotationCase {
  const char* label;
  BackupKind kind;
  const char* keepText;  // the text of the keep-count box
  int snapshotsBefore;
  std::vector<std::string> foreign;  // other folders in the kind folder
  int expectedDeletedSnapshots;      // the oldest ones
  std::vector<std::string> expectedForeignLeft;
};

const char* folderName(BackupKind kind) {
  switch (kind) {
    case BackupKind::GuardBackup: return "进程守护备份";
    case BackupKind::TimedBackup: return "定时备份";
    case BackupKind::RestartBackup: return "定时重启备份";
  }
  return "";
}

class RotationTableTest : public ToolFixture, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(RotationTableTest, DeletesTheOldestByTheKindsRuleThenAddsTheNewSnapshot) {
  const RotationCase& c = GetParam();
  addSaveFolder();
  const std::string folder = kind(folderName(c.kind));
  const auto existing = snapshotNames(c.snapshotsBefore);
  for (const auto& name : existing) fp.files.addFile(folder + "\\" + name + "\\Level.sav", name);
  for (const auto& name : c.foreign) fp.files.addDirectory(folder + "\\" + name);
  // Other kinds' folders are never touched.
  for (const char* other : {"进程守护备份", "定时备份", "定时重启备份"})
    if (std::string(other) != folderName(c.kind)) fp.files.addDirectory(kind(other) + "\\1600000000_x_Saved");

  backupWithRotation(tool, c.kind, textToInt(c.keepText));

  std::vector<std::string> expected(existing.begin() + c.expectedDeletedSnapshots, existing.end());
  expected.push_back(kNewSnapshot);
  expected.insert(expected.end(), c.expectedForeignLeft.begin(), c.expectedForeignLeft.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(fp.files.children(folder), expected) << c.label;
  for (const char* other : {"进程守护备份", "定时备份", "定时重启备份"}) {
    if (std::string(other) != folderName(c.kind)) {
      EXPECT_EQ(snapshots(other), std::vector<std::string>{"1600000000_x_Saved"}) << c.label;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RotationTableTest,
    ::testing::Values(
        RotationCase{"timed keep 3, five present", BackupKind::TimedBackup, "3", 5, {}, 3, {}},
        RotationCase{"timed keep 3, two present", BackupKind::TimedBackup, "3", 2, {}, 0, {}},
        RotationCase{"timed keep 3, three present", BackupKind::TimedBackup, "3", 3, {}, 1, {}},
        RotationCase{"timed, keep in full-width digits", BackupKind::TimedBackup, "２", 4, {}, 3, {}},
        RotationCase{"restart keep 1", BackupKind::RestartBackup, "1", 4, {}, 4, {}},
        RotationCase{"restart keep 10, none present", BackupKind::RestartBackup, "10", 0, {}, 0, {}},
        RotationCase{"guard, ten present", BackupKind::GuardBackup, "1", 10, {}, 0, {}},
        RotationCase{"guard, eleven present", BackupKind::GuardBackup, "1", 11, {}, 2, {}},
        RotationCase{"guard, 20 present", BackupKind::GuardBackup, "", 20, {}, 2, {}},
        RotationCase{"guard, 25 present", BackupKind::GuardBackup, "100", 25, {}, 2, {}},
        // A keep count below 1 is no count: nothing goes, the snapshot is added.
        RotationCase{"timed, empty keep box", BackupKind::TimedBackup, "", 4, {}, 0, {}},
        RotationCase{"timed, keep 0", BackupKind::TimedBackup, "0", 4, {}, 0, {}},
        RotationCase{"restart, keep -5", BackupKind::RestartBackup, "-5", 4, {}, 0, {}},
        RotationCase{"restart, keep letters", BackupKind::RestartBackup, "abc", 4, {}, 0, {}},
        // Foreign folders are counted and sorted among the snapshots: names
        // before the digits of a timestamp go first, letters and Chinese
        // names after every snapshot.
        RotationCase{"timed, foreign names first", BackupKind::TimedBackup, "3", 3,
                     {"0old", " blank", "backup", "旧备份"}, 3, {"backup", "旧备份"}},
        RotationCase{"timed, foreign names reached", BackupKind::TimedBackup, "1", 2,
                     {"Zeta", "alpha", "旧备份"}, 2, {}},
        RotationCase{"guard, foreign name first", BackupKind::GuardBackup, "", 10, {"+x"}, 1, {}}),
    [](const auto& info) {
      std::string name;
      for (char ch : std::string(info.param.label))
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

class RotationTest : public ToolFixture {};

TEST_F(RotationTest, GuardFolderSettlesBetweenTenAndEleven) {
  addSaveFolder();
  const std::string folder = kind("进程守护备份");
  for (const auto& name : snapshotNames(9)) fp.files.addDirectory(folder + "\\" + name);
  std::vector<std::size_t> counts;
  for (int i = 0; i < 6; ++i) {
    fp.clock.time.second = i + 1;  // a new name each time
    backupWithRotation(tool, BackupKind::GuardBackup, 0);
    counts.push_back(snapshots("进程守护备份").size());
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{10, 11, 10, 11, 10, 11}));
}

TEST_F(RotationTest, ListingIsSortedByCodePageBytesWithFullPaths) {
  const std::string folder = kind("定时备份");
  for (const char* name : {"一", "啊", "b", "Bz", "1706329845_x", "0", "中文", "abc"})
    fp.files.addDirectory(folder + "\\" + name);
  fp.files.addFile(folder + "\\file.txt", "not a folder");
  fp.files.addDirectory(kind("定时重启备份") + "\\other kind");
  const auto list = listSubfolders(tool, folder);
  std::vector<std::string> expected;
  // Capitals before small letters; Chinese in code-page order: 啊 (B0A1),
  // 一 (D2BB), 中 (D6D0), where their code points would put 啊 last.
  for (const char* name : {"0", "1706329845_x", "Bz", "abc", "b", "啊", "一", "中文"})
    expected.push_back(folder + "\\" + name);
  EXPECT_EQ(list, expected);
  EXPECT_EQ(listSubfolders(tool, folder + "\\"), expected);  // one backslash, not two
  EXPECT_TRUE(listSubfolders(tool, "C:\\missing").empty());
}

TEST_F(RotationTest, CountsSubfoldersOnlyAndZeroForAMissingFolder) {
  const std::string folder = kind("定时备份");
  fp.files.addDirectory(folder + "\\a");
  fp.files.addDirectory(folder + "\\b\\nested");
  fp.files.addFile(folder + "\\c.txt", "");
  EXPECT_EQ(countSubfolders(tool, folder), 2);
  EXPECT_EQ(countSubfolders(tool, "C:\\missing"), 0);
  fp.automation.fileSystemObjectAvailable = false;
  EXPECT_EQ(countSubfolders(tool, folder), 2);
}

TEST_F(RotationTest, WithoutTheScriptingObjectBackupsAreStillTakenAndRotated) {
  addSaveFolder();
  fp.automation.fileSystemObjectAvailable = false;
  const std::string folder = kind("定时备份");
  for (const auto& name : snapshotNames(4)) fp.files.addDirectory(folder + "\\" + name);
  backupWithRotation(tool, BackupKind::TimedBackup, 2);
  const auto names = snapshots("定时备份");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], snapshotNames(4)[3]);
  EXPECT_EQ(fp.files.file(folder + "\\" + kNewSnapshot + "\\SaveGames\\0\\ABCD\\Level.sav"), "world");
}

TEST_F(RotationTest, AFolderThatCannotBeDeletedStaysAndNoOtherGoesInItsPlace) {
  addSaveFolder();
  const std::string folder = kind("定时备份");
  const auto names = snapshotNames(4);
  for (const auto& name : names) fp.files.addFile(folder + "\\" + name + "\\Level.sav", "x");
  fp.files.lock(folder + "\\" + names[0] + "\\Level.sav");  // held open
  backupWithRotation(tool, BackupKind::TimedBackup, 3);     // deletes the two oldest
  EXPECT_EQ(snapshots("定时备份"), (std::vector<std::string>{names[0], names[2], names[3], kNewSnapshot}));
  EXPECT_TRUE(fp.files.hasFile(folder + "\\" + names[0] + "\\Level.sav"));
}

TEST_F(RotationTest, BackupRootOnAMissingPlaceTakesNothingAndDoesNotStop) {
  addSaveFolder();
  tool.state.backupRoot = "C:\\steamcmd\\ZEruvo\\GMSetting.ini\\below";  // below a file
  fp.files.addFile(tool.paths.settingsPath, "[Basic]");
  backupWithRotation(tool, BackupKind::TimedBackup, 3);
  EXPECT_FALSE(fp.files.isDirectory(tool.state.backupRoot));
  EXPECT_EQ(fp.files.file(tool.paths.settingsPath), "[Basic]");
}

// ------------------------------------------------------------ deletion ---

class DeleteFolderTreeTest : public ToolFixture {};

TEST_F(DeleteFolderTreeTest, DeletesTheFolderWithEverythingInIt) {
  fp.files.addFile("D:\\b\\s\\a.sav", "1");
  fp.files.addFile("D:\\b\\s\\deep\\er\\b.sav", "2");
  fp.files.addDirectory("D:\\b\\s\\empty");
  fp.files.addFile("D:\\b\\keep.sav", "3");
  EXPECT_TRUE(deleteFolderTree(tool, "D:\\b\\s"));
  EXPECT_FALSE(fp.files.exists("D:\\b\\s"));
  EXPECT_EQ(fp.files.file("D:\\b\\keep.sav"), "3");
  EXPECT_FALSE(deleteFolderTree(tool, "D:\\b\\s"));  // gone already
  EXPECT_FALSE(deleteFolderTree(tool, "D:\\b\\keep.sav"));
  EXPECT_EQ(fp.files.file("D:\\b\\keep.sav"), "3");
}

TEST_F(DeleteFolderTreeTest, RefusesRootsAndPathsThatClimb) {
  fp.files.addFile("C:\\a\\b\\file.sav", "x");
  fp.files.addFile("C:\\top.sav", "y");
  for (const char* path : {"", "C:", "C:\\", "c:/", "C:\\\\", "\\", "\\\\", "/", "\\\\server\\share",
                           "\\\\server\\share\\", "\\\\?\\C:\\", "\\\\.\\C:", "\\\\?\\UNC\\server\\share",
                           "C:\\a\\..", "C:\\a\\b\\..\\..", "C:\\a\\.", "C:\\a\\...", "C:\\a\\. .\\b"}) {
    EXPECT_FALSE(deleteFolderTree(tool, path)) << '"' << path << '"';
  }
  EXPECT_EQ(fp.files.file("C:\\a\\b\\file.sav"), "x");
  EXPECT_EQ(fp.files.file("C:\\top.sav"), "y");
}

TEST_F(DeleteFolderTreeTest, ALinkInsideIsRemovedAsALinkAndItsTargetSurvives) {
  fp.files.addFile("D:\\elsewhere\\precious.sav", "keep me");
  fp.files.addFile("D:\\b\\snap\\own.sav", "mine");
  fp.files.addLink("D:\\b\\snap\\junction", "D:\\elsewhere");
  fp.files.addLink("D:\\b\\snap\\sub\\up", "D:\\b");  // points back up the tree
  EXPECT_TRUE(deleteFolderTree(tool, "D:\\b\\snap"));
  EXPECT_FALSE(fp.files.exists("D:\\b\\snap"));
  EXPECT_EQ(fp.files.file("D:\\elsewhere\\precious.sav"), "keep me");
  EXPECT_TRUE(fp.files.isDirectory("D:\\b"));
}

TEST_F(DeleteFolderTreeTest, AFolderThatIsALinkGoesAsALink) {
  fp.files.addFile("D:\\elsewhere\\precious.sav", "keep me");
  fp.files.addLink("D:\\b\\snap", "D:\\elsewhere");
  EXPECT_TRUE(deleteFolderTree(tool, "D:\\b\\snap"));
  EXPECT_FALSE(fp.files.exists("D:\\b\\snap"));
  EXPECT_EQ(fp.files.file("D:\\elsewhere\\precious.sav"), "keep me");
}

TEST_F(DeleteFolderTreeTest, ALockedFileKeepsItsFolderWhileTheRestGoes) {
  fp.files.addFile("D:\\b\\snap\\a\\locked.sav", "open");
  fp.files.addFile("D:\\b\\snap\\b\\free.sav", "free");
  fp.files.lock("D:\\b\\snap\\a\\locked.sav");
  EXPECT_FALSE(deleteFolderTree(tool, "D:\\b\\snap"));
  EXPECT_TRUE(fp.files.hasFile("D:\\b\\snap\\a\\locked.sav"));
  EXPECT_FALSE(fp.files.exists("D:\\b\\snap\\b"));
}

TEST_F(DeleteFolderTreeTest, ReadOnlyFilesAndFoldersGoTooButNotThroughALink) {
  fp.files.addFile("D:\\b\\snap\\Config\\PalWorldSettings.ini", "settings");
  fp.files.setReadOnly("D:\\b\\snap\\Config\\PalWorldSettings.ini");
  fp.files.setReadOnly("D:\\b\\snap\\Config");
  fp.files.setReadOnly("D:\\b\\snap");
  fp.files.addFile("D:\\elsewhere\\precious.sav", "keep me");
  fp.files.setReadOnly("D:\\elsewhere\\precious.sav");
  fp.files.addLink("D:\\b\\snap\\junction", "D:\\elsewhere");
  EXPECT_TRUE(deleteFolderTree(tool, "D:\\b\\snap"));
  EXPECT_FALSE(fp.files.exists("D:\\b\\snap"));
  EXPECT_EQ(fp.files.file("D:\\elsewhere\\precious.sav"), "keep me");
  EXPECT_TRUE(fp.files.isReadOnly("D:\\elsewhere\\precious.sav"));
}

// Operators make the server's settings file read-only; every snapshot copies
// that along, and the kind folder must keep its bound all the same.
TEST_F(RotationTest, SnapshotsOfAReadOnlySettingsFileKeepTheBound) {
  addSaveFolder();
  const std::string settings = tool.paths.saveFolder + "\\Config\\WindowsServer\\PalWorldSettings.ini";
  fp.files.setReadOnly(settings);
  for (int i = 0; i < 5; ++i) {
    fp.clock.time.minute = i;
    backupWithRotation(tool, BackupKind::TimedBackup, 2);
  }
  const auto left = snapshots("定时备份");
  ASSERT_EQ(left.size(), 2u);
  EXPECT_TRUE(fp.files.isReadOnly(kind("定时备份") + "\\" + left[1] + "\\Config\\WindowsServer\\PalWorldSettings.ini"));
  EXPECT_TRUE(fp.files.isReadOnly(settings));
}

TEST_F(RotationTest, RotationWithAJunctionInASnapshotLeavesTheTargetAlone) {
  addSaveFolder();
  const std::string folder = kind("定时备份");
  const auto names = snapshotNames(2);
  fp.files.addFile("D:\\world\\Level.sav", "the live world");
  fp.files.addLink(folder + "\\" + names[0] + "\\link", "D:\\world");
  fp.files.addLink(folder + "\\" + names[1], "D:\\world");  // a snapshot that is a junction
  backupWithRotation(tool, BackupKind::TimedBackup, 1);
  EXPECT_EQ(snapshots("定时备份"), std::vector<std::string>{kNewSnapshot});
  EXPECT_EQ(fp.files.file("D:\\world\\Level.sav"), "the live world");
}

// ------------------------------------------------------------ bounds ------

// A file system whose kind folder lists names that would leave it, and which
// records every deletion the tool asks for.
class HostileListing : public FileSystem {
 public:
  explicit HostileListing(fakes::FakeFileSystem& inner) : inner_(inner) {}
  bool isDirectory(const std::string& p) override { return inner_.isDirectory(p); }
  bool exists(const std::string& p) override { return inner_.exists(p); }
  bool createDirectory(const std::string& p) override { return inner_.createDirectory(p); }
  bool createDirectoryPath(const std::string& p) override { return inner_.createDirectoryPath(p); }
  std::optional<std::string> readFile(const std::string& p) override { return inner_.readFile(p); }
  bool writeFile(const std::string& p, std::string_view b) override { return inner_.writeFile(p, b); }
  bool replaceFile(const std::string& p, std::string_view b) override { return inner_.replaceFile(p, b); }
  bool deleteFile(const std::string& p) override {
    deleted.push_back(p);
    return inner_.deleteFile(p);
  }
  bool copyFile(const std::string& f, const std::string& t, bool o) override { return inner_.copyFile(f, t, o); }
  std::optional<std::vector<DirEntry>> listDirectory(const std::string& p) override {
    auto entries = inner_.listDirectory(p);
    if (entries && p.find("定时备份") != std::string::npos)
      for (const char* bad : {".", "..", "...", " ", ". .", "a\\..\\..", "..\\x", "C:", "", "/"})
        entries->insert(entries->begin(), DirEntry{bad, true, false});
    return entries;
  }
  bool removeDirectory(const std::string& p) override {
    deleted.push_back(p);
    return inner_.removeDirectory(p);
  }
  bool clearReadOnly(const std::string& p) override {
    deleted.push_back(p);
    return inner_.clearReadOnly(p);
  }
  std::vector<std::string> deleted;

 private:
  fakes::FakeFileSystem& inner_;
};

class RotationBoundsTest : public ToolFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(RotationBoundsTest, DeletesNothingOutsideItsOwnKindFolder) {
  // The empty root (a cancelled browser in an earlier version) puts the kind
  // folders at the top of the drive: "\定时备份".
  HostileListing files(fp.files);
  Platform platform{files, fp.processes, fp.automation, fp.machine, fp.http,
                    fp.shell, fp.clock, fp.environment, fp.gui};
  Tool hostile{platform, kRunDir};
  hostile.state.backupRoot = GetParam();
  addSaveFolder();
  const std::string folder = kindFolder(hostile, BackupKind::TimedBackup);
  fp.files.addFile(folder + "\\1600000000_a_Saved\\x.sav", "old");
  fp.files.addFile("C:\\precious\\data.sav", "mine");

  backupWithRotation(hostile, BackupKind::TimedBackup, 1);

  ASSERT_FALSE(files.deleted.empty());
  const std::string snapshot = comparablePath(folder + "\\1600000000_a_Saved");
  for (const auto& path : files.deleted) {
    const std::string p = comparablePath(path);
    EXPECT_TRUE(p == snapshot || p.rfind(snapshot + "\\", 0) == 0) << path;
  }
  EXPECT_TRUE(fp.files.isDirectory(folder));
  EXPECT_EQ(fp.files.file("C:\\precious\\data.sav"), "mine");
  EXPECT_EQ(fp.files.file(tool.paths.saveFolder + "\\SaveGames\\0\\ABCD\\Level.sav"), "world");
}

INSTANTIATE_TEST_SUITE_P(Roots, RotationBoundsTest, ::testing::Values("", "C:\\steamcmd\\ZERuvoBackup", "C:\\", "D:"),
                         [](const auto& info) { return "root" + std::to_string(info.index); });

TEST(BackupPaths, DirectChildrenOnly) {
  EXPECT_TRUE(isDirectChild("\\定时备份", "\\定时备份\\1706329845_x_Saved"));
  EXPECT_TRUE(isDirectChild("C:\\r\\定时备份", "c:/R/定时备份/snap"));
  EXPECT_FALSE(isDirectChild("\\定时备份", "\\定时备份"));
  EXPECT_FALSE(isDirectChild("\\定时备份", "\\定时备份\\"));
  EXPECT_FALSE(isDirectChild("\\定时备份", "\\定时备份\\.."));
  EXPECT_FALSE(isDirectChild("\\定时备份", "\\定时备份\\a\\b"));
  EXPECT_FALSE(isDirectChild("\\定时备份", "\\定时备份x\\a"));
  EXPECT_FALSE(isDirectChild("C:\\r\\定时备份", "C:\\r"));
}

}  // namespace
}  // namespace kovrin
