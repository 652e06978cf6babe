// Win32Automation: the scripting file-system object and the regular-expression
// engine, created and called through IDispatch, and the COM initialisation
// each object keeps on its thread.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "platform/win32/services.h"
#include "support.h"

namespace {

using kovrin::win32::Win32Automation;
using layer::ScratchDir;

class Automation : public ::testing::Test {
 protected:
  // A save folder with a file and a nested folder.
  void makeSaveFolder(const std::string& root) {
    ASSERT_TRUE(layer::makeDir(root));
    ASSERT_TRUE(layer::writeBytes(root + "\\Level.sav", "level"));
    ASSERT_TRUE(layer::makeDir(root + "\\玩家 Players"));
    ASSERT_TRUE(layer::writeBytes(root + "\\玩家 Players\\0001.sav", "player"));
  }

  ScratchDir dir;
  Win32Automation automation;
};

// ---------------------------------------------------------- CopyFolder ----

TEST_F(Automation, CopyFolderCreatesAMissingTargetWithTheSourcesContents) {
  makeSaveFolder(dir / "Saved");
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  const std::string target = dir / "定时备份\\1706329845_2024年1月27日12时30分45秒_Saved";
  ASSERT_TRUE(layer::makeDir(dir / "定时备份"));
  EXPECT_TRUE(fso->copyFolder(dir / "Saved", target));
  EXPECT_EQ(layer::readBytes(target + "\\Level.sav"), "level");
  EXPECT_EQ(layer::readBytes(target + "\\玩家 Players\\0001.sav"), "player");
  EXPECT_FALSE(layer::isDir(target + "\\Saved"));
}

TEST_F(Automation, CopyFolderMergesIntoAnExistingTargetNamedWithoutBackslash) {
  makeSaveFolder(dir / "Saved");
  ASSERT_TRUE(layer::makeDir(dir / "snap"));
  ASSERT_TRUE(layer::writeBytes(dir / "snap\\Level.sav", "older"));
  ASSERT_TRUE(layer::writeBytes(dir / "snap\\other.txt", "kept"));
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  EXPECT_TRUE(fso->copyFolder(dir / "Saved", dir / "snap"));
  EXPECT_EQ(layer::readBytes(dir / "snap\\Level.sav"), "level");
  EXPECT_EQ(layer::readBytes(dir / "snap\\other.txt"), "kept");
  EXPECT_EQ(layer::readBytes(dir / "snap\\玩家 Players\\0001.sav"), "player");
}

TEST_F(Automation, CopyFolderNestsTheSourceInATargetNamedWithBackslash) {
  // The trap: with a trailing backslash the source folder itself goes inside.
  makeSaveFolder(dir / "Saved");
  ASSERT_TRUE(layer::makeDir(dir / "snap"));
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  EXPECT_TRUE(fso->copyFolder(dir / "Saved", dir / "snap\\"));
  EXPECT_EQ(layer::readBytes(dir / "snap\\Saved\\Level.sav"), "level");
  EXPECT_FALSE(layer::readBytes(dir / "snap\\Level.sav").has_value());
}

TEST_F(Automation, CopyFolderOfAMissingSourceReportsFailure) {
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  EXPECT_FALSE(fso->copyFolder(dir / "no Saved", dir / "snap"));
  EXPECT_FALSE(layer::isDir(dir / "snap"));
}

// ------------------------------------------------------ SubFolders.Count --

TEST_F(Automation, SubfolderCountCountsHiddenFoldersButNotFiles) {
  const std::string kind = dir / "进程守护备份";
  ASSERT_TRUE(layer::makeDir(kind));
  for (const char* name : {"1706329845_a_Saved", "1706329846_b_Saved", "隐藏"})
    ASSERT_TRUE(layer::makeDir(kind + "\\" + name));
  ::SetFileAttributesW(layer::wide(kind + "\\隐藏").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(layer::writeBytes(kind + "\\file.txt", "x"));
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  EXPECT_EQ(fso->subfolderCount(kind), 3.0);
  EXPECT_EQ(fso->subfolderCount(dir / "empty"), std::nullopt);
  ASSERT_TRUE(layer::makeDir(dir / "empty"));
  EXPECT_EQ(fso->subfolderCount(dir / "empty"), 0.0);
  ::SetFileAttributesW(layer::wide(kind + "\\隐藏").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// ------------------------------------------------------------- RegExp ----

struct StripCase {
  std::string text;
  std::string expected;
};

class BlankLines : public ::testing::TestWithParam<StripCase> {};

TEST_P(BlankLines, PatternRemovesLineStartCrAndLineEndLf) {
  Win32Automation automation;
  auto re = automation.createRegExp();
  ASSERT_NE(re, nullptr);
  ASSERT_TRUE(re->execute("(?:^\r|\n$)", GetParam().text, true, true, true));
  EXPECT_EQ(re->replace(""), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlankLines,
    ::testing::Values(StripCase{"", ""}, StripCase{"\r\n", ""},
                      StripCase{"\r\n\r\n\r\n\r\n", ""}, StripCase{"\r", ""}, StripCase{"\n", ""},
                      StripCase{"\n\n\r\r", ""}, StripCase{"a", "a"}, StripCase{" ", " "},
                      StripCase{"\r\na\r\n", "\na\r"},
                      StripCase{"[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(名称=\"服\")\r\n",
                                "[/Script/Pal.PalGameWorldSettings]\r\nOptionSettings=(名称=\"服\")\r"}));

TEST(RegExp, FlagsReachTheEngine) {
  Win32Automation automation;
  auto re = automation.createRegExp();
  ASSERT_NE(re, nullptr);
  // Global: every match, or only the first.
  ASSERT_TRUE(re->execute("a", "a中a文a", false, true, true));
  EXPECT_EQ(re->replace("β"), "β中β文β");
  ASSERT_TRUE(re->execute("a", "a中a文a", false, true, false));
  EXPECT_EQ(re->replace("β"), "β中a文a");
  // IgnoreCase.
  ASSERT_TRUE(re->execute("abc", "ABC abc", true, false, true));
  EXPECT_EQ(re->replace("x"), "x x");
  ASSERT_TRUE(re->execute("abc", "ABC abc", false, false, true));
  EXPECT_EQ(re->replace("x"), "ABC x");
  // Multiline: ^ after a line break.
  ASSERT_TRUE(re->execute("^b", "a\nb", false, true, true));
  EXPECT_EQ(re->replace(""), "a\n");
  ASSERT_TRUE(re->execute("^b", "a\nb", false, false, true));
  EXPECT_EQ(re->replace(""), "a\nb");
}

TEST(RegExp, ABadPatternDoesNotRunAndReplaceGivesNothing) {
  Win32Automation automation;
  auto re = automation.createRegExp();
  ASSERT_NE(re, nullptr);
  EXPECT_FALSE(re->replace("x").has_value());  // before any execute
  EXPECT_FALSE(re->execute("(", "text", true, true, true));
  EXPECT_FALSE(re->replace("x").has_value());
  // The object is still usable afterwards.
  ASSERT_TRUE(re->execute("t", "text", true, true, true));
  EXPECT_EQ(re->replace(""), "ex");
}

// ------------------------------------------------- COM on the calling thread --

// Each runs on a fresh thread, so the thread's COM state is known.
template <typename F>
void onFreshThread(F body) {
  std::thread(body).join();
}

void useBothObjects() {
  Win32Automation automation;
  auto re = automation.createRegExp();
  ASSERT_NE(re, nullptr);
  ASSERT_TRUE(re->execute("x", "axb", true, true, true));
  EXPECT_EQ(re->replace(""), "ab");
  auto fso = automation.createFileSystemObject();
  ASSERT_NE(fso, nullptr);
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_TRUE(fso->subfolderCount(layer::narrow(std::wstring(temp, n))).has_value());
}

TEST(ComApartment, AnUninitialisedThreadIsLeftUninitialised) {
  onFreshThread([] {
    useBothObjects();
    // Balanced: COM is off again, so initialising it now is a first time.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_OK);
    if (SUCCEEDED(hr)) ::CoUninitialize();
  });
}

TEST(ComApartment, AThreadAlreadyInitialisedStaysInitialisedOnce) {
  onFreshThread([] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    useBothObjects();  // their initialise answers S_FALSE and is balanced too
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    ::CoUninitialize();
    ::CoUninitialize();
    // Both ours undone and nothing more: a first time again.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_OK);
    if (SUCCEEDED(hr)) ::CoUninitialize();
  });
}

TEST(ComApartment, AMultithreadedThreadIsUsedAsItIsAndNotUninitialised) {
  onFreshThread([] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    useBothObjects();  // their initialise answers RPC_E_CHANGED_MODE
    // Still in the multithreaded apartment we entered.
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    ::CoUninitialize();
    ::CoUninitialize();
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(hr, S_OK);
    if (SUCCEEDED(hr)) ::CoUninitialize();
  });
}

TEST(ComApartment, ObjectsStayUsableWhileAnotherIsReleased) {
  onFreshThread([] {
    Win32Automation automation;
    auto first = automation.createRegExp();
    ASSERT_NE(first, nullptr);
    {
      auto second = automation.createFileSystemObject();
      ASSERT_NE(second, nullptr);
    }
    ASSERT_TRUE(first->execute("b", "abc", true, true, true));
    EXPECT_EQ(first->replace("-"), "a-c");
  });
}

}  // namespace
