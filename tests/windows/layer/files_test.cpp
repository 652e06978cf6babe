// Win32FileSystem against real directories.
#include <gtest/gtest.h>

#include "platform/win32/services.h"
#include "support.h"

namespace {

using kovrin::DirEntry;
using kovrin::win32::Win32FileSystem;
using layer::ScratchDir;

const std::string kBinary("a\0b\xff\xfe\r\n\x80 中", 12);

class Files : public ::testing::Test {
 protected:
  ScratchDir dir;
  Win32FileSystem fs;
};

// ------------------------------------------------------------- round trip --

struct Place {
  const char* label;
  std::string relative;  // below the scratch directory
};

std::string longName() {
  // Well beyond MAX_PATH once joined with the scratch directory.
  std::string part(60, 'x');
  return part + "\\" + part + "\\" + part + "\\" + part + "\\" + part;
}

class FilesAt : public Files, public ::testing::WithParamInterface<Place> {};

TEST_P(FilesAt, DirectoriesAndFilesMakeTheRoundTrip) {
  const std::string base = dir / GetParam().relative;
  ASSERT_TRUE(fs.createDirectoryPath(base + "\\")) << base;
  EXPECT_TRUE(fs.isDirectory(base));
  EXPECT_TRUE(fs.exists(base));

  const std::string file = base + "\\数据 file.bin";
  ASSERT_TRUE(fs.writeFile(file, kBinary));
  EXPECT_TRUE(fs.exists(file));
  EXPECT_FALSE(fs.isDirectory(file));
  EXPECT_EQ(fs.readFile(file), kBinary);

  ASSERT_TRUE(fs.replaceFile(file, "new"));
  EXPECT_EQ(fs.readFile(file), "new");

  const std::string copy = base + "\\副本.bin";
  ASSERT_TRUE(fs.copyFile(file, copy, false));
  EXPECT_EQ(fs.readFile(copy), "new");

  ASSERT_TRUE(fs.createDirectory(base + "\\子 目录"));
  const auto listing = fs.listDirectory(base);
  ASSERT_TRUE(listing.has_value());
  std::vector<std::pair<std::string, bool>> seen;
  for (const DirEntry& e : *listing) seen.emplace_back(e.name, e.directory);
  std::sort(seen.begin(), seen.end());
  std::vector<std::pair<std::string, bool>> expected{
      {"子 目录", true}, {"副本.bin", false}, {"数据 file.bin", false}};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(seen, expected);

  EXPECT_TRUE(fs.deleteFile(copy));
  EXPECT_TRUE(fs.deleteFile(file));
  EXPECT_FALSE(fs.exists(file));
  EXPECT_TRUE(fs.removeDirectory(base + "\\子 目录"));
  EXPECT_TRUE(fs.removeDirectory(base));
  EXPECT_FALSE(fs.exists(base));
}

INSTANTIATE_TEST_SUITE_P(Places, FilesAt,
                         ::testing::Values(Place{"Plain", "plain"},
                                           Place{"Spaces", "with some spaces"},
                                           Place{"Chinese", "运行 目录\\服务端"},
                                           Place{"BeyondMaxPath", longName()}),
                         [](const auto& info) { return std::string(info.param.label); });

// ------------------------------------------------------------ isDirectory --

TEST_F(Files, IsDirectoryOnlyForDirectories) {
  ASSERT_TRUE(layer::makeDir(dir / "d"));
  ASSERT_TRUE(layer::writeBytes(dir / "f", "x"));
  EXPECT_TRUE(fs.isDirectory(dir / "d"));
  EXPECT_TRUE(fs.isDirectory(dir / "d\\"));
  EXPECT_FALSE(fs.isDirectory(dir / "f"));
  EXPECT_FALSE(fs.isDirectory(dir / "missing"));
  EXPECT_FALSE(fs.isDirectory(""));
}

TEST_F(Files, ExistsForAnyEntryButNotForAPattern) {
  ASSERT_TRUE(layer::makeDir(dir / "d"));
  ASSERT_TRUE(layer::writeBytes(dir / "steamcmd.exe", ""));
  EXPECT_TRUE(fs.exists(dir / "d"));
  EXPECT_TRUE(fs.exists(dir / "steamcmd.exe"));
  EXPECT_FALSE(fs.exists(dir / "steamcmd.ex"));
  EXPECT_FALSE(fs.exists(dir / "*.exe"));
  EXPECT_FALSE(fs.exists(dir / "missing\\steamcmd.exe"));
  EXPECT_FALSE(fs.exists(""));
}

// -------------------------------------------------------- createDirectory --

TEST_F(Files, CreateDirectoryMakesOneLevel) {
  EXPECT_FALSE(fs.createDirectory(dir / "a\\b"));
  EXPECT_FALSE(layer::isDir(dir / "a"));
  EXPECT_TRUE(fs.createDirectory(dir / "a"));
  EXPECT_TRUE(layer::isDir(dir / "a"));
  EXPECT_FALSE(fs.createDirectory(dir / "a"));  // already there
}

TEST_F(Files, CreateDirectoryPathTakesThePartUpToTheLastBackslash) {
  EXPECT_TRUE(fs.createDirectoryPath(dir / "备份\\定时备份\\snapshot"));
  EXPECT_TRUE(layer::isDir(dir / "备份\\定时备份"));
  EXPECT_FALSE(layer::isDir(dir / "备份\\定时备份\\snapshot"));

  EXPECT_TRUE(fs.createDirectoryPath(dir / "x\\y\\z\\"));
  EXPECT_TRUE(layer::isDir(dir / "x\\y\\z"));
  // All there already.
  EXPECT_TRUE(fs.createDirectoryPath(dir / "x\\y\\z\\"));
  // Doubled backslashes name the same directories.
  EXPECT_TRUE(fs.createDirectoryPath(dir / "p\\\\q\\"));
  EXPECT_TRUE(layer::isDir(dir / "p\\q"));
}

TEST_F(Files, CreateDirectoryPathFailsWhereAFileStands) {
  ASSERT_TRUE(layer::writeBytes(dir / "blocker", "x"));
  EXPECT_FALSE(fs.createDirectoryPath(dir / "blocker\\below\\"));
  EXPECT_FALSE(layer::isDir(dir / "blocker\\below"));
  EXPECT_EQ(layer::readBytes(dir / "blocker"), "x");
}

TEST_F(Files, CreateDirectoryPathFailsOnAMissingDrive) {
  // Find a drive letter that is not mapped.
  const DWORD drives = ::GetLogicalDrives();
  char letter = 0;
  for (char c = 'Q'; c <= 'Y' && !letter; ++c)
    if (!(drives & (1u << (c - 'A')))) letter = c;
  ASSERT_NE(letter, 0);
  EXPECT_FALSE(fs.createDirectoryPath(std::string(1, letter) + ":\\a\\b\\"));
  EXPECT_FALSE(fs.createDirectoryPath(std::string(1, letter) + ":\\"));
}

// ------------------------------------------------------- read/write files --

TEST_F(Files, ReadFileGivesNothingForMissingAndEmptyForEmpty) {
  EXPECT_EQ(fs.readFile(dir / "missing"), std::nullopt);
  EXPECT_EQ(fs.readFile(dir.path()), std::nullopt);  // a directory
  ASSERT_TRUE(layer::writeBytes(dir / "empty", ""));
  EXPECT_EQ(fs.readFile(dir / "empty"), std::string());
}

TEST_F(Files, ReadFileTakesTheWholeOfALargeFile) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(layer::writeBytes(dir / "big", big));
  EXPECT_EQ(fs.readFile(dir / "big"), big);
}

TEST_F(Files, WriteFileTruncatesWhatWasThere) {
  ASSERT_TRUE(layer::writeBytes(dir / "f", std::string(1000, 'o')));
  ASSERT_TRUE(fs.writeFile(dir / "f", "short"));
  EXPECT_EQ(layer::readBytes(dir / "f"), "short");
  ASSERT_TRUE(fs.writeFile(dir / "f", ""));
  EXPECT_EQ(layer::readBytes(dir / "f"), "");
}

TEST_F(Files, WriteFileFailsInAMissingDirectory) {
  EXPECT_FALSE(fs.writeFile(dir / "missing\\f", "x"));
  EXPECT_FALSE(layer::isDir(dir / "missing"));
}

TEST_F(Files, WriteFileSharesNothingWhileWriting) {
  // A file held open by someone who allows no writers cannot be written.
  ASSERT_TRUE(layer::writeBytes(dir / "f", "old"));
  HANDLE held = ::CreateFileW(layer::wide(dir / "f").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs.writeFile(dir / "f", "new"));
  ::CloseHandle(held);
  EXPECT_EQ(layer::readBytes(dir / "f"), "old");
}

// ------------------------------------------------------------ replaceFile --

TEST_F(Files, ReplaceFileCreatesAndReplacesLeavingNoTemporary) {
  ASSERT_TRUE(fs.replaceFile(dir / "GMSetting.ini", std::string(500, 'a')));
  EXPECT_EQ(layer::readBytes(dir / "GMSetting.ini"), std::string(500, 'a'));
  ASSERT_TRUE(fs.replaceFile(dir / "GMSetting.ini", "[Basic]\r\n"));
  EXPECT_EQ(layer::readBytes(dir / "GMSetting.ini"), "[Basic]\r\n");
  EXPECT_EQ(layer::namesIn(dir.path()), std::vector<std::string>{"GMSetting.ini"});
}

TEST_F(Files, ReplaceFileKeepsTheOldFileWhenTheMoveFails) {
  // The target is held open by a reader that does not allow it to be
  // replaced (no delete sharing).
  ASSERT_TRUE(layer::writeBytes(dir / "settings.ini", "old contents"));
  HANDLE held = ::CreateFileW(layer::wide(dir / "settings.ini").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs.replaceFile(dir / "settings.ini", "new"));
  ::CloseHandle(held);
  EXPECT_EQ(layer::readBytes(dir / "settings.ini"), "old contents");
  EXPECT_EQ(layer::namesIn(dir.path()), std::vector<std::string>{"settings.ini"});
}

TEST_F(Files, ReplaceFileLeavesADirectoryOfThatNameAlone) {
  ASSERT_TRUE(layer::makeDir(dir / "taken"));
  ASSERT_TRUE(layer::writeBytes(dir / "taken\\inside", "keep"));
  EXPECT_FALSE(fs.replaceFile(dir / "taken", "new"));
  EXPECT_EQ(layer::readBytes(dir / "taken\\inside"), "keep");
  EXPECT_EQ(layer::namesIn(dir.path()), std::vector<std::string>{"taken"});
}

TEST_F(Files, ReplaceFileFailsWhenNoTemporaryCanBeCreated) {
  EXPECT_FALSE(fs.replaceFile(dir / "missing\\settings.ini", "new"));
  EXPECT_TRUE(layer::namesIn(dir.path()).empty());
}

// --------------------------------------------------------------- copyFile --

TEST_F(Files, CopyFileOverwritesOnlyWhenAsked) {
  ASSERT_TRUE(layer::writeBytes(dir / "from", "new"));
  ASSERT_TRUE(layer::writeBytes(dir / "to", "old"));
  EXPECT_FALSE(fs.copyFile(dir / "from", dir / "to", false));
  EXPECT_EQ(layer::readBytes(dir / "to"), "old");
  EXPECT_TRUE(fs.copyFile(dir / "from", dir / "to", true));
  EXPECT_EQ(layer::readBytes(dir / "to"), "new");
  EXPECT_FALSE(fs.copyFile(dir / "missing", dir / "to", true));
  EXPECT_EQ(layer::readBytes(dir / "to"), "new");
}

// ---------------------------------------------------------- listDirectory --

TEST_F(Files, ListDirectoryMarksDirectoriesHiddenOrNot) {
  ASSERT_TRUE(layer::makeDir(dir / "plain"));
  ASSERT_TRUE(layer::makeDir(dir / "hidden"));
  ASSERT_TRUE(::SetFileAttributesW(layer::wide(dir / "hidden").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(layer::writeBytes(dir / "file.txt", "x"));
  for (const std::string& path : {dir.path(), dir.path() + "\\"}) {
    const auto listing = fs.listDirectory(path);
    ASSERT_TRUE(listing.has_value()) << path;
    std::vector<std::tuple<std::string, bool, bool>> seen;
    for (const DirEntry& e : *listing) seen.emplace_back(e.name, e.directory, e.link);
    std::sort(seen.begin(), seen.end());
    const std::vector<std::tuple<std::string, bool, bool>> expected{
        {"file.txt", false, false}, {"hidden", true, false}, {"plain", true, false}};
    EXPECT_EQ(seen, expected) << path;
  }
  ::SetFileAttributesW(layer::wide(dir / "hidden").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, ListDirectoryOfNothingListable) {
  EXPECT_EQ(fs.listDirectory(dir / "missing"), std::nullopt);
  EXPECT_EQ(fs.listDirectory(""), std::nullopt);
  ASSERT_TRUE(layer::writeBytes(dir / "file", "x"));
  EXPECT_EQ(fs.listDirectory(dir / "file"), std::nullopt);
  ASSERT_TRUE(layer::makeDir(dir / "empty"));
  const auto empty = fs.listDirectory(dir / "empty");
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
}

// -------------------------------------------------------- removeDirectory --

TEST_F(Files, RemoveDirectoryOnlyWhenEmpty) {
  ASSERT_TRUE(layer::makeDir(dir / "full"));
  ASSERT_TRUE(layer::writeBytes(dir / "full\\f", "x"));
  EXPECT_FALSE(fs.removeDirectory(dir / "full"));
  EXPECT_EQ(layer::readBytes(dir / "full\\f"), "x");
  EXPECT_FALSE(fs.removeDirectory(dir / "missing"));
  ASSERT_TRUE(layer::makeDir(dir / "empty"));
  EXPECT_TRUE(fs.removeDirectory(dir / "empty"));
  EXPECT_FALSE(layer::isDir(dir / "empty"));
}

// A link to a directory is listed as a link and, when removed, goes alone:
// the directory it points to and everything in it stay. Where the system
// cannot remove the link by itself it must refuse and touch nothing.
class Links : public Files, public ::testing::WithParamInterface<bool> {};

TEST_P(Links, ListedAsLinksAndRemovedWithoutTheirTarget) {
  const bool targetEmpty = GetParam();
  ASSERT_TRUE(layer::makeDir(dir / "存档 target"));
  if (!targetEmpty) {
    ASSERT_TRUE(layer::writeBytes(dir / "存档 target\\Level.sav", "save"));
  }
  ASSERT_TRUE(layer::makeDir(dir / "kind"));
  const auto how = layer::makeDirectoryLink(dir / "kind\\链接 link", dir / "存档 target");
  if (!how) GTEST_SKIP() << "this system offers no way to make a directory link";
  RecordProperty("link", *how);

  EXPECT_TRUE(fs.isDirectory(dir / "kind\\链接 link"));
  EXPECT_TRUE(fs.exists(dir / "kind\\链接 link"));
  const auto listing = fs.listDirectory(dir / "kind");
  ASSERT_TRUE(listing.has_value());
  ASSERT_EQ(listing->size(), 1u);
  EXPECT_EQ((*listing)[0].name, "链接 link");
  EXPECT_TRUE((*listing)[0].directory);
  EXPECT_TRUE((*listing)[0].link);

  const bool removed = fs.removeDirectory(dir / "kind\\链接 link");
  EXPECT_TRUE(layer::isDir(dir / "存档 target")) << *how;
  if (!targetEmpty) {
    EXPECT_EQ(layer::readBytes(dir / "存档 target\\Level.sav"), "save");
  }
  // True exactly when the link is gone.
  EXPECT_EQ(removed, layer::attributes(dir / "kind\\链接 link") == INVALID_FILE_ATTRIBUTES)
      << *how;
  if (*how != "Unix symbolic link (Wine)") {
    EXPECT_TRUE(removed) << *how;
  }
}

INSTANTIATE_TEST_SUITE_P(Target, Links, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Empty" : "WithFiles"; });

}  // namespace

namespace {

TEST_F(Files, ClearReadOnlyOnFilesAndFoldersButNeverThroughALink) {
  ASSERT_TRUE(layer::makeDir(dir / "只读 dir"));
  ASSERT_TRUE(layer::writeBytes(dir / "只读 dir\\settings.ini", "s"));
  const std::wstring file = layer::wide(dir / "只读 dir\\settings.ini");
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(fs.deleteFile(dir / "只读 dir\\settings.ini"));
  EXPECT_TRUE(fs.clearReadOnly(dir / "只读 dir\\settings.ini"));
  EXPECT_EQ(layer::attributes(dir / "只读 dir\\settings.ini") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(fs.clearReadOnly(dir / "只读 dir\\settings.ini"));  // not read-only any more
  EXPECT_TRUE(fs.deleteFile(dir / "只读 dir\\settings.ini"));
  EXPECT_FALSE(fs.clearReadOnly(dir / "missing"));

  // Folders: where the system keeps their read-only attribute (Wine does not,
  // and then there is nothing to clear).
  ASSERT_TRUE(::SetFileAttributesW(layer::wide(dir / "只读 dir").c_str(), FILE_ATTRIBUTE_READONLY));
  const bool foldersKeepIt = (layer::attributes(dir / "只读 dir") & FILE_ATTRIBUTE_READONLY) != 0;
  RecordProperty("folders keep read-only", foldersKeepIt ? "yes" : "no");
  EXPECT_EQ(fs.clearReadOnly(dir / "只读 dir"), foldersKeepIt);
  EXPECT_TRUE(layer::isDir(dir / "只读 dir"));
  EXPECT_EQ(layer::attributes(dir / "只读 dir") & FILE_ATTRIBUTE_READONLY, 0u);
  if (!foldersKeepIt) return;

  ASSERT_TRUE(layer::makeDir(dir / "target"));
  ASSERT_TRUE(::SetFileAttributesW(layer::wide(dir / "target").c_str(), FILE_ATTRIBUTE_READONLY));
  const auto how = layer::makeDirectoryLink(dir / "link", dir / "target");
  if (!how) GTEST_SKIP() << "this system offers no way to make a directory link";
  EXPECT_FALSE(fs.clearReadOnly(dir / "link")) << *how;
  EXPECT_NE(layer::attributes(dir / "target") & FILE_ATTRIBUTE_READONLY, 0u) << *how;
  ::SetFileAttributesW(layer::wide(dir / "target").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
