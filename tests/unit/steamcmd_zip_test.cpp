#include <gtest/gtest.h>

#include <string>

#include "server/zip.h"
#include "steamcmd_zip_builder.h"

namespace kovrin {
namespace {

using testing::buildZip;
using testing::ZipItem;

constexpr std::size_t kMax = 1u << 20;

TEST(ZipReader, ReadsStoredAndDeflatedEntries) {
  const std::string program = testing::sampleExecutable(200000);
  for (std::uint16_t method : {0, 8}) {
    const std::string zip = buildZip({{"readme.txt", "read me", 8}, {"steamcmd.exe", program, method}});
    const auto got = extractZipEntry(zip, "steamcmd.exe", kMax);
    ASSERT_TRUE(got.has_value()) << "method " << method;
    EXPECT_TRUE(*got == program) << "method " << method;
    EXPECT_EQ(extractZipEntry(zip, "readme.txt", kMax), "read me");
  }
}

TEST(ZipReader, ReadsEmptyEntriesAndArchivesWithAComment) {
  const std::string zip = buildZip({{"a", "", 0}, {"b", "", 8}, {"steamcmd.exe", "MZ"}}, "PK\x05\x06 a comment");
  EXPECT_EQ(extractZipEntry(zip, "a", kMax), "");
  EXPECT_EQ(extractZipEntry(zip, "b", kMax), "");
  EXPECT_EQ(extractZipEntry(zip, "steamcmd.exe", kMax), "MZ");
}

TEST(ZipReader, MatchesTheWholeNameIgnoringAsciiCaseAndTakesTheFirst) {
  const std::string zip = buildZip({{"bin/steamcmd.exe", "in a folder"},
                                    {"steamcmd.exe.sig", "signature"},
                                    {"SteamCMD.EXE", "first"},
                                    {"steamcmd.exe", "second"}});
  EXPECT_EQ(extractZipEntry(zip, "steamcmd.exe", kMax), "first");
  EXPECT_EQ(extractZipEntry(buildZip({{"bin/steamcmd.exe", "x"}, {"..\\steamcmd.exe", "y"}}), "steamcmd.exe", kMax),
            std::nullopt);
}

struct DamageCase {
  const char* what;
  ZipItem item;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.what; }

class DamagedEntryTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedEntryTest, GivesNothing) {
  const std::string zip = buildZip({GetParam().item});
  EXPECT_EQ(extractZipEntry(zip, "steamcmd.exe", kMax), std::nullopt) << GetParam().what;
}

ZipItem entry(std::uint16_t method = 8) { return ZipItem{"steamcmd.exe", testing::sampleExecutable(5000), method}; }
ZipItem withCrc(ZipItem i, std::uint32_t crc) { i.crc = crc; return i; }
ZipItem withSize(ZipItem i, std::uint32_t size) { i.size = size; return i; }
ZipItem withFlags(ZipItem i, std::uint16_t flags) { i.flags = flags; return i; }
ZipItem withLocalName(ZipItem i, std::string name) { i.localName = std::move(name); return i; }

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedEntryTest,
    ::testing::Values(DamageCase{"wrong crc, deflated", withCrc(entry(), 0x12345678)},
                      DamageCase{"wrong crc, stored", withCrc(entry(0), 0)},
                      DamageCase{"size too small, deflated", withSize(entry(), 4999)},
                      DamageCase{"size too large, deflated", withSize(entry(), 5001)},
                      DamageCase{"size differs, stored", withSize(entry(0), 4999)},
                      DamageCase{"larger than allowed", ZipItem{"steamcmd.exe", std::string(kMax + 1, 'a')}},
                      DamageCase{"encrypted", withFlags(entry(), 1)},
                      DamageCase{"bzip2", ZipItem{"steamcmd.exe", "data", 12}},
                      DamageCase{"local name differs", withLocalName(entry(), "evil.exe")}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ZipReader, RefusesSplitAndZip64Archives) {
  const std::string zip = buildZip({{"steamcmd.exe", "MZ"}});
  const std::size_t end = zip.size() - 22;
  for (std::size_t field : {4u, 6u, 8u, 10u, 12u, 16u}) {
    std::string damaged = zip;
    damaged[end + field] = '\xFF';
    damaged[end + field + 1] = '\xFF';
    if (field >= 12) {
      damaged[end + field + 2] = '\xFF';
      damaged[end + field + 3] = '\xFF';
    }
    EXPECT_EQ(extractZipEntry(damaged, "steamcmd.exe", kMax), std::nullopt) << "field at " << field;
  }
}

TEST(ZipReader, GivesNothingForEveryTruncation) {
  const std::string zip = buildZip({{"steamcmd.exe", testing::sampleExecutable(3000)}}, "comment");
  for (std::size_t n = 0; n < zip.size(); ++n)
    EXPECT_EQ(extractZipEntry(std::string_view(zip).substr(0, n), "steamcmd.exe", kMax), std::nullopt) << n;
  // Bytes before the archive (a self-extractor's stub) shift every offset.
  EXPECT_EQ(extractZipEntry("stub" + zip, "steamcmd.exe", kMax), std::nullopt);
}

TEST(ZipReader, AnySingleDamagedByteGivesTheRightBytesOrNothing) {
  const std::string program = testing::sampleExecutable(3000);
  for (std::uint16_t method : {0, 8}) {
    const std::string zip = buildZip({{"readme.txt", "hello", 8}, {"steamcmd.exe", program, method}});
    for (std::size_t at = 0; at < zip.size(); ++at) {
      for (unsigned char flip : {0x01, 0x80, 0xFF}) {
        std::string damaged = zip;
        damaged[at] = static_cast<char>(damaged[at] ^ flip);
        const auto got = extractZipEntry(damaged, "steamcmd.exe", kMax);
        if (got) {
          EXPECT_TRUE(*got == program) << "method " << method << ", byte " << at << " ^ " << int(flip);
        }
      }
    }
  }
}

TEST(ZipReader, RefusesDeflateDataThatRunsPastItsEntry) {
  // A deflate stream that is not finished inside the compressed size.
  const std::string program = testing::sampleExecutable(4000);
  std::string zip = buildZip({{"steamcmd.exe", program}});
  std::string packed = testing::deflateRaw(program);
  std::string cut = buildZip({{"steamcmd.exe", program}});
  // Record a compressed size one byte short: the stream cannot end inside it.
  const std::size_t sizeField = 18;  // local header, compressed size
  const std::uint32_t shorter = static_cast<std::uint32_t>(packed.size() - 1);
  for (int i = 0; i < 4; ++i) cut[sizeField + i] = static_cast<char>((shorter >> (8 * i)) & 0xFF);
  const std::size_t central = cut.size() - 22 - (46 + 12 + 3);
  for (int i = 0; i < 4; ++i) cut[central + 20 + i] = static_cast<char>((shorter >> (8 * i)) & 0xFF);
  EXPECT_EQ(extractZipEntry(cut, "steamcmd.exe", kMax), std::nullopt);
  EXPECT_TRUE(extractZipEntry(zip, "steamcmd.exe", kMax).has_value());
}

TEST(ZipReader, GivesNothingForThingsThatAreNotArchives) {
  for (const std::string& bytes : {std::string(), std::string("PK"), std::string(22, '\0'),
                                   std::string("PK\x05\x06", 4) + std::string(18, '\0'),
                                   std::string("<html><body>Not Found</body></html>")})
    EXPECT_EQ(extractZipEntry(bytes, "steamcmd.exe", kMax), std::nullopt);
}

}  // namespace
}  // namespace kovrin
