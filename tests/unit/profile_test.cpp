#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace kovrin {
namespace {

constexpr const char* kPath = "C:\\run\\ZEruvo\\GMSetting.ini";

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { files.addDirectory("C:\\run\\ZEruvo"); }
  fakes::FakeFileSystem files;
  ProfileFile profile{files};
};

TEST_F(ProfileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "");
  files.addFile(kPath, "[Other]\r\nBackup=x\r\n");
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "");
  files.addFile(kPath, "[Basic]\r\nServer=x\r\n");
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "");
}

TEST_F(ProfileTest, WritesThePrivateProfileFormatInGbkBytes) {
  ASSERT_TRUE(profile.write(kPath, "Basic", "Server", "C:\\Users\\Administrator\\Desktop\\PalServer"));
  ASSERT_TRUE(profile.write(kPath, "Basic", "Backup", "D:\\备份"));
  ASSERT_TRUE(profile.write(kPath, "Basic", "MemClear", "1"));
  EXPECT_EQ(files.file(kPath),
            "[Basic]\r\n"
            "Server=C:\\Users\\Administrator\\Desktop\\PalServer\r\n"
            "Backup=D:\\\xB1\xB8\xB7\xDD\r\n"  // 备份 in GBK
            "MemClear=1\r\n");
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "D:\\备份");
}

TEST_F(ProfileTest, ReplacesAValueInPlaceAndKeepsEverythingElse) {
  files.addFile(kPath, "; note\r\n[Basic]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nA=9\r\n");
  ASSERT_TRUE(profile.write(kPath, "Basic", "a", "new"));
  ASSERT_TRUE(profile.write(kPath, "Basic", "C", "3"));
  EXPECT_EQ(files.file(kPath), "; note\r\n[Basic]\r\na=new\r\nB=2\r\nC=3\r\n\r\n[Other]\r\nA=9\r\n");
  EXPECT_EQ(profile.read(kPath, "Other", "A"), "9");
}

TEST_F(ProfileTest, AddsTheSectionToAFileWithoutIt) {
  files.addFile(kPath, "[Other]\r\nA=9\r\n");
  ASSERT_TRUE(profile.write(kPath, "Basic", "A", "1"));
  EXPECT_EQ(profile.read(kPath, "Basic", "A"), "1");
  EXPECT_EQ(profile.read(kPath, "Other", "A"), "9");
}

TEST_F(ProfileTest, ReadTrimsBlanksAndOnePairOfQuotes) {
  files.addFile(kPath,
                "  [ basic ]  \r\n"
                " a =  spaced value  \r\n"
                "b=\"quoted\"\r\n"
                "c='single'\r\n"
                "d=\"\"twice\"\"\r\n"
                "e=\"open\r\n"
                "f=\r\n");
  EXPECT_EQ(profile.read(kPath, "Basic", "A"), "spaced value");
  EXPECT_EQ(profile.read(kPath, "Basic", "b"), "quoted");
  EXPECT_EQ(profile.read(kPath, "Basic", "c"), "single");
  EXPECT_EQ(profile.read(kPath, "Basic", "d"), "\"twice\"");
  EXPECT_EQ(profile.read(kPath, "Basic", "e"), "\"open");
  EXPECT_EQ(profile.read(kPath, "Basic", "f"), "");
}

TEST_F(ProfileTest, ValuesUpTo10239BytesRoundTripAndLongerOnesAreCut) {
  const std::string longest(10239, '7');
  ASSERT_TRUE(profile.write(kPath, "Basic", "K", longest));
  EXPECT_EQ(profile.read(kPath, "Basic", "K"), longest);

  ASSERT_TRUE(profile.write(kPath, "Basic", "K", longest + "89"));
  EXPECT_EQ(profile.read(kPath, "Basic", "K"), longest);

  // 10,238 ASCII bytes and then a two-byte character: the character would
  // end past the limit and is dropped whole, never split.
  ASSERT_TRUE(profile.write(kPath, "Basic", "K", std::string(10238, 'a') + "备"));
  EXPECT_EQ(profile.read(kPath, "Basic", "K"), std::string(10238, 'a'));
}

TEST_F(ProfileTest, AValueOutsideGbkSwitchesTheFileToUtf16SoNothingIsLost) {
  ASSERT_TRUE(profile.write(kPath, "Basic", "MemClear", "1"));
  ASSERT_TRUE(profile.write(kPath, "Basic", "Backup", "D:\\백업 🎮"));
  const std::string raw = files.file(kPath);
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "D:\\백업 🎮");
  EXPECT_EQ(profile.read(kPath, "Basic", "MemClear"), "1");
  ASSERT_TRUE(profile.write(kPath, "Basic", "MemClear", "5"));
  EXPECT_EQ(profile.read(kPath, "Basic", "MemClear"), "5");
  EXPECT_EQ(profile.read(kPath, "Basic", "Backup"), "D:\\백업 🎮");
}

TEST_F(ProfileTest, AFailedWriteIsReportedAndLeavesTheFile) {
  ASSERT_TRUE(profile.write(kPath, "Basic", "A", "1"));
  files.lock(kPath);
  EXPECT_FALSE(profile.write(kPath, "Basic", "A", "2"));
  files.unlock(kPath);
  EXPECT_EQ(profile.read(kPath, "Basic", "A"), "1");
  EXPECT_FALSE(profile.write("C:\\missing\\dir\\x.ini", "Basic", "A", "1"));
}

TEST(TextConversions, GbkAndUtf16RoundTrips) {
  EXPECT_EQ(toGbk("定时备份"), "\xB6\xA8\xCA\xB1\xB1\xB8\xB7\xDD");
  EXPECT_EQ(fromGbk("\xB6\xA8\xCA\xB1\xB1\xB8\xB7\xDD"), "定时备份");
  EXPECT_TRUE(fitsGbk("定时备份 abc"));
  EXPECT_FALSE(fitsGbk("🎮"));
  EXPECT_FALSE(fitsGbk("한"));
  EXPECT_EQ(fromUtf16(toUtf16("a定🎮")), "a定🎮");
  EXPECT_EQ(toUtf16("🎮").size(), 2u);
  EXPECT_EQ(fromUtf16(toUtf16("\xFF")), "\xEF\xBF\xBD");  // invalid byte: replacement
  EXPECT_TRUE(isValidUtf8("定时"));
  EXPECT_FALSE(isValidUtf8("\xE5\xAE"));
  EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD"));
}

}  // namespace
}  // namespace kovrin
