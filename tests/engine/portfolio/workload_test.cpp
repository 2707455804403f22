#include "engine/portfolio/workload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/portfolio/zip_examination.h"
#include "support/test_files.h"

namespace tallyscan::portfolio {
namespace {

using tallyscan::testing::TempFolder;
using tallyscan::testing::WriteFile;
using tallyscan::testing::WriteZip;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(PlanShardsTest, DealsTheLargestFirstToTheLightestShard) {
  // 50 to shard 0, 40 to 1, 30 to 1 (70), 20 to 0 (70), 10 to 0 on the tie.
  const auto plan = PlanShards({50, 10, 40, 20, 30}, 2);
  ASSERT_EQ(2u, plan.size());
  EXPECT_THAT(plan[0], ElementsAre(0u, 1u, 3u));
  EXPECT_THAT(plan[1], ElementsAre(2u, 4u));
  // More shards than clients: the rest are empty lists.
  const auto wide = PlanShards({5, 7}, 3);
  EXPECT_THAT(wide[0], ElementsAre(1u));
  EXPECT_THAT(wide[1], ElementsAre(0u));
  EXPECT_TRUE(wide[2].empty());
}

TEST(ReadByteSizeTest, ReadsUnitsAndRefusesTheRest) {
  const struct {
    const char* text;
    std::int64_t bytes;
  } cases[] = {{"600M", 600ll << 20},
               {"8G", 8ll << 30},
               {"512k", 512ll << 10},
               {"1048576", 1048576},
               {"0", -1},
               {"", -1},
               {"M", -1},
               {"1.5G", -1},
               {"12T", -1},
               {"-1G", -1},
               {"9999999999999G", -1}};
  for (const auto& c : cases) EXPECT_EQ(c.bytes, ReadByteSize(c.text)) << c.text;
}

TEST(ReservationTest, IsAShareOfTheDataAndAFixedPart) {
  EXPECT_EQ(kReservationBase, ReservationOf(0));
  EXPECT_EQ(kReservationBase + 350, ReservationOf(1000));
}

TEST(DataBytesTest, TakesTheDataFileOrWhatTheArchiveDeclares) {
  TempFolder data, zipped, none;
  WriteFile(data.File("bkmvdata.txt"), std::string(1234, 'x'));
  WriteZip(zipped.File("BKMVDATA.ZIP"), {{"BKMVDATA.TXT", std::string(5000, 'y')}});
  EXPECT_EQ(1234, DataBytesOf(data.path()));
  EXPECT_EQ(5000, DataBytesOf(zipped.path()));
  EXPECT_EQ(0, DataBytesOf(none.path()));
}

TEST(ExamineZipTest, RefusesWhatCouldEscapeOrExplode) {
  const std::string plain = "B100 some ordinary bytes of a data file 0123456789";
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> entries;
    const char* refusal;  // a part of it; "" for accepted
  } cases[] = {
      {"ordinary", {{"BKMVDATA.TXT", plain}}, ""},
      {"parent part", {{"../BKMVDATA.TXT", plain}}, "../BKMVDATA.TXT"},
      {"parent inside", {{"a/../../x", plain}}, "a/../../x"},
      {"backslash parent", {{"a\\..\\x", plain}}, "a\\..\\x"},
      {"absolute", {{"/etc/x", plain}}, "/etc/x"},
      {"drive", {{"C:x", plain}}, "C:x"},
      {"dots in a name are fine", {{"a..b.txt", plain}}, ""},
      {"ratio", {{"BKMVDATA.TXT", std::string(2 << 20, '0')}}, "1000:1"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    WriteZip(folder.File("x.zip"), c.entries);
    const ZipExamination found = ExamineZip(folder.File("x.zip"));
    if (*c.refusal == '\0') {
      EXPECT_EQ("", found.refusal) << c.what;
    } else {
      EXPECT_THAT(found.refusal, HasSubstr(c.refusal)) << c.what;
    }
  }
}

TEST(ExamineZipTest, CountsEntriesToTheLimit) {
  for (const int count : {16, 17}) {
    TempFolder folder;
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < count; ++i) entries.emplace_back("f" + std::to_string(i), "bytes");
    WriteZip(folder.File("x.zip"), entries);
    const ZipExamination found = ExamineZip(folder.File("x.zip"));
    EXPECT_EQ(count > kZipEntryLimit, !found.refusal.empty()) << count;
    if (count == 16) {
      EXPECT_EQ(16 * 5, found.uncompressed_bytes);
    }
  }
  TempFolder folder;
  WriteFile(folder.File("x.zip"), "not an archive");
  EXPECT_FALSE(ExamineZip(folder.File("x.zip")).refusal.empty());
}

}  // namespace
}  // namespace tallyscan::portfolio
