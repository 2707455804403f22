#include "engine/checks/record_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/uniform/import_fixture.h"
#include "engine/uniform/record_store.h"

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
  EXPECT_TRUE(reader.mapped());

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
  EXPECT_FALSE(reader.mapped());
  EXPECT_EQ("", reader.Line(0, RecordType::kB110, scratch));
}

}  // namespace
}  // namespace tallyscan
