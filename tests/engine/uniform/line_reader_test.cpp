#include "engine/uniform/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tallyscan {
namespace {

struct Seen {
  std::int64_t offset;
  std::int64_t length;
  std::string head;
  bool control;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> ReadAll(const std::string& bytes) {
  testing::TempFolder folder;
  testing::WriteFile(folder.File("f"), bytes);
  const int fd = ::open(folder.File("f").c_str(), O_RDONLY);
  LineReader reader(fd);
  std::vector<Seen> lines;
  TextLine line;
  while (reader.Next(line)) {
    lines.push_back({line.offset, line.length, std::string(line.head), line.has_control});
  }
  ::close(fd);
  return lines;
}

TEST(LineReaderTest, LineEndsAreLfOrCrLfAndALastLineWithoutEndCounts) {
  EXPECT_EQ((std::vector<Seen>{
                {0, 2, "ab", false}, {4, 1, "c", false}, {6, 0, "", false}, {7, 2, "de", false}}),
            ReadAll("ab\r\nc\n\nde"));
  EXPECT_TRUE(ReadAll("").empty());
}

TEST(LineReaderTest, CrAloneIsAControlCharacterNotALineEnd) {
  EXPECT_EQ((std::vector<Seen>{{0, 5, "ab\rcd", true}}), ReadAll("ab\rcd\n"));
  EXPECT_EQ((std::vector<Seen>{{0, 3, "ab\r", true}}), ReadAll("ab\r"));
}

TEST(LineReaderTest, ControlRangeIsOneToThirty) {
  for (int c = 0; c < 256; ++c) {
    if (c == '\n') continue;
    const std::string line = std::string(20, 'x') + static_cast<char>(c) + "yy";
    EXPECT_EQ(c >= 1 && c <= 30, HasControlBytes(line.data(), line.size())) << c;
  }
}

TEST(LineReaderTest, LinesLongerThanABlockKeepTheirHeadLengthAndControls) {
  const std::size_t big = LineReader::kBlockSize * 2 + 123;
  std::string bytes = "short\r\n" + std::string(big, 'L');
  bytes[7 + big - 5] = '\t';
  bytes += "\r\nnext\n";
  const std::vector<Seen> lines = ReadAll(bytes);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(static_cast<std::int64_t>(big), lines[1].length);
  EXPECT_EQ(std::string(LineReader::kLineHeadLimit, 'L'), lines[1].head);
  EXPECT_TRUE(lines[1].control);
  EXPECT_EQ((Seen{static_cast<std::int64_t>(7 + big + 2), 4, "next", false}), lines[2]);
}

TEST(LineReaderTest, CrAtTheEndOfABlockIsALineEndOnlyWhenLfFollows) {
  // The first line fills the first block exactly, so its last byte ends a block.
  const std::string filler(LineReader::kBlockSize - 1, 'M');
  std::vector<Seen> lines = ReadAll(filler + "\r\nz");
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(static_cast<std::int64_t>(filler.size()), lines[0].length);
  EXPECT_FALSE(lines[0].control);
  EXPECT_EQ("z", lines[1].head);

  lines = ReadAll(filler + "\rX\n");
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(static_cast<std::int64_t>(filler.size() + 2), lines[0].length);
  EXPECT_TRUE(lines[0].control);

  lines = ReadAll(filler + "\r");  // the file ends in the CR
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(static_cast<std::int64_t>(filler.size() + 1), lines[0].length);
  EXPECT_TRUE(lines[0].control);
}

TEST(LineReaderTest, OffsetsMatchTheFileForRandomLines) {
  std::mt19937 random(7);
  std::string bytes;
  std::vector<std::int64_t> offsets;
  for (int i = 0; i < 5000; ++i) {
    offsets.push_back(static_cast<std::int64_t>(bytes.size()));
    bytes += std::string(random() % 700, 'a') + (random() % 2 ? "\r\n" : "\n");
  }
  const std::vector<Seen> lines = ReadAll(bytes);
  ASSERT_EQ(offsets.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(offsets[i], lines[i].offset) << i;
}

}  // namespace
}  // namespace tallyscan
