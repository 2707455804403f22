#include "engine/checks/record_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/uniform/uniform.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

// The reader hands out the same bytes as the store's own reads, whatever the line ends.
TEST(RecordReaderTest, ReadsWhatTheStoreReads) {
  testing::TempFolder folder;
  const std::string full = "B100" + std::string(300, 'x') + "0123456789abc";  // 317
  const std::string bytes = full + "\r\n" + "B100short\n" + "B100" + std::string(20, 'y') + "\r" +
                            "B100" + std::string(400, 'z') + "\r\n" + "B100tail";
  testing::WriteFile(folder.File("BKMVDATA.TXT"), bytes);
  RecordStore store;
  ASSERT_TRUE(store.DataFile.Open(folder.File("BKMVDATA.TXT")).ok());
  const checks::RecordReader reader(store);

  std::string scratch;
  for (std::int64_t offset = 0; offset <= static_cast<std::int64_t>(bytes.size()) + 3;
       offset += 1) {
    SCOPED_TRACE(offset);
    ASSERT_EQ(ReadRecordLine(store, offset, RecordType::kB100),
              reader.Line(offset, RecordType::kB100, scratch));
    for (const Positions field : {Positions{1, 4}, {203, 19}, {310, 8}, {5, 400}}) {
      ASSERT_EQ(ReadRecordField(store, offset, field), reader.Field(offset, field, scratch));
    }
  }
  EXPECT_EQ(full, reader.Line(0, RecordType::kB100, scratch));
  EXPECT_EQ("B100short", reader.Line(319, RecordType::kB100, scratch));
}

TEST(RecordReaderTest, NoDataFileReadsNothing) {
  RecordStore store;
  const checks::RecordReader reader(store);
  std::string scratch;
  EXPECT_EQ("", reader.Line(0, RecordType::kB110, scratch));
}

// The checks read the file the import indexed: a file saved or renamed over its name after
// the import is not read at the old offsets, and a file cut short during a run gives short
// or empty lines where it now ends, not a crash.
TEST(RecordReaderTest, ReadsTheFileTheStoreHoldsEvenWhenReplacedOrCutShort) {
  testing::TempFolder folder;
  const std::string path = folder.File("BKMVDATA.TXT");
  std::string bytes;
  for (int i = 0; i < 2000; ++i) {
    bytes += "B100" + std::string(313, static_cast<char>('a' + i % 26)) + "\r\n";
  }
  testing::WriteFile(path, bytes);
  RecordStore store;
  ASSERT_TRUE(store.DataFile.Open(path).ok());
  testing::WriteFile(folder.File("saved again"), std::string(bytes.size(), 'N'));
  std::filesystem::rename(folder.File("saved again"), folder.File("BKMVDATA.TXT"));
  std::string scratch;
  {
    const checks::RecordReader reader(store);
    EXPECT_EQ("B100" + std::string(313, 'b'), reader.Line(319, RecordType::kB100, scratch));
  }

  testing::WriteFile(path, bytes);
  ASSERT_TRUE(store.DataFile.Open(path).ok());
  const checks::RecordReader reader(store);
  EXPECT_EQ("B100" + std::string(313, 'a'), reader.Line(0, RecordType::kB100, scratch));
  ASSERT_EQ(0, ::truncate(path.c_str(), 319 * 1000 + 100));
  EXPECT_EQ("B100" + std::string(96, 'm'), reader.Line(319 * 1000, RecordType::kB100, scratch));
  EXPECT_EQ("", reader.Line(319 * 1500, RecordType::kB100, scratch));
  EXPECT_EQ("", reader.Field(319 * 1999, Positions{1, 4}, scratch));
}

}  // namespace
}  // namespace tallyscan
