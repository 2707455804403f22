#include "engine/uniform/record_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tallyscan {
namespace {

std::string Field(const RecordWriter& writer, int code) {
  const FieldLayout* field = FindField(writer.layout(), code);
  return field == nullptr ? std::string("<none>") : std::string(SliceField(writer.line(), *field));
}

TEST(RecordWriterTest, FreshLineIsSpacesWithTheRecordCode) {
  RecordWriter writer(RecordType::kB110);
  ASSERT_EQ(376u, writer.line().size());
  EXPECT_EQ("B110", writer.line().substr(0, 4));
  EXPECT_EQ(std::string(372, ' '), writer.line().substr(4));
  EXPECT_TRUE(writer.fitted());
}

TEST(RecordWriterTest, TextIsPaddedOrCutToTheFieldWidth) {
  RecordWriter writer(RecordType::kB110);
  writer.SetText(1403, "1200");
  EXPECT_EQ("1200           ", Field(writer, 1403));
  writer.SetTextRight(1403, "1200");
  EXPECT_EQ("           1200", Field(writer, 1403));
  EXPECT_TRUE(writer.fitted());
  writer.SetText(1412, "ILX");  // two characters wide
  EXPECT_EQ("IL", Field(writer, 1412));
  EXPECT_FALSE(writer.fitted());
  // The neighbours of a field are untouched.
  EXPECT_EQ(' ', writer.line()[262]);
}

TEST(RecordWriterTest, NumbersAreZeroPaddedAndAmountsCarryTheirSign) {
  RecordWriter writer(RecordType::kB110);
  writer.SetDigits(1401, 42).SetAmount(1414, 12345).SetAmount(1416, -5).SetAmount(1415, 0);
  writer.SetDigits(1417, 7310);
  EXPECT_EQ("000000042", Field(writer, 1401));
  EXPECT_EQ("+00000000012345", Field(writer, 1414));
  EXPECT_EQ("-00000000000005", Field(writer, 1416));
  EXPECT_EQ("+00000000000000", Field(writer, 1415));
  EXPECT_EQ("7310", Field(writer, 1417));
  EXPECT_TRUE(writer.fitted());

  RecordWriter line(RecordType::kD110);
  line.SetAmount(1264, 12500).SetDate(1272, 20240131).SetDigits(1268, 1700);
  EXPECT_EQ("+0000000000012500", Field(line, 1264));
  EXPECT_EQ("20240131", Field(line, 1272));
  EXPECT_EQ("1700", Field(line, 1268));
}

TEST(RecordWriterTest, ValuesThatDoNotFitLeaveTheFieldAndAreReported) {
  RecordWriter writer(RecordType::kB110);
  writer.SetDigits(1417, 12345);
  EXPECT_EQ("    ", Field(writer, 1417));
  EXPECT_FALSE(writer.fitted());

  writer.Reset();
  EXPECT_TRUE(writer.fitted());
  writer.SetAmount(1414, std::numeric_limits<std::int64_t>::min());
  EXPECT_FALSE(writer.fitted());
  EXPECT_EQ(std::string(15, ' '), Field(writer, 1414));

  writer.Reset();
  writer.SetAmount(1414, 99999999999999);  // 14 nines: the largest that fits
  EXPECT_TRUE(writer.fitted());
  writer.SetAmount(1414, 100000000000000);
  EXPECT_FALSE(writer.fitted());
  EXPECT_EQ("+99999999999999", Field(writer, 1414));

  writer.Reset();
  writer.SetDigits(1401, -1);
  EXPECT_FALSE(writer.fitted());
  writer.Reset();
  writer.SetText(1350, "B100");  // a code of another record type
  EXPECT_FALSE(writer.fitted());
}

TEST(RecordWriterTest, RawBytesAndResetReuseTheLine) {
  RecordWriter writer(RecordType::kZ900);
  ASSERT_EQ(110u, writer.line().size());
  writer.SetRaw(38, "&OF1.31&").SetDigits(1155, 15);
  EXPECT_EQ("&OF1.31&000000000000015", writer.line().substr(37, 23));
  writer.SetRaw(109, "abc");
  EXPECT_EQ("ab", writer.line().substr(108));
  EXPECT_FALSE(writer.fitted());
  EXPECT_EQ(110u, writer.line().size());

  writer.Reset();
  EXPECT_EQ("Z900" + std::string(106, ' '), writer.line());
}

TEST(RecordWriterTest, CheckDigitMakesValidIdentificationNumbers) {
  EXPECT_EQ(2, IdCheckDigit("12345678"));  // 123456782
  EXPECT_EQ(8, IdCheckDigit("00000001"));  // 000000018
  EXPECT_EQ(0, IdCheckDigit("00000000"));
  EXPECT_EQ(-1, IdCheckDigit("1234567"));
  EXPECT_EQ(-1, IdCheckDigit("1234567A"));
}

}  // namespace
}  // namespace tallyscan
