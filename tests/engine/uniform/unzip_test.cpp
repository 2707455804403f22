#include "engine/uniform/unzip.h"

#include <sys/stat.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
using testing::WriteZip;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class UnzipTest : public ::testing::Test {
 protected:
  std::string Zip() const { return folder_.File("Bkmvdata.Zip"); }
  std::string Target() const { return folder_.File("BkMvdata.Txt"); }
  TempFolder folder_;
};

TEST_F(UnzipTest, AnyEntryNameBecomesTheDataFileDatedAsTheEntry) {
  const std::string content = "A100 line\r\n" + std::string(200000, 'x') + "\r\n";
  WriteZip(Zip(), {{"export/BKMVDATA_Win1255.TXT", content}});
  const ExtractResult result = Extract(Zip(), Target());
  EXPECT_EQ(1, result.count);
  EXPECT_EQ(content, ReadFile(Target()));
  struct stat st;
  ASSERT_EQ(0, ::stat(Target().c_str(), &st));
  std::tm date{};
  date.tm_year = 123;
  date.tm_mon = 2;
  date.tm_mday = 5;
  date.tm_hour = 14;
  date.tm_min = 30;
  date.tm_sec = 20;
  EXPECT_EQ(::timegm(&date), st.st_mtime);
  EXPECT_EQ((std::vector<std::string>{"BkMvdata.Txt", "Bkmvdata.Zip"}),
            FolderNames(folder_.path()));
}

TEST_F(UnzipTest, WithSeveralEntriesTheLastOneRemains) {
  WriteZip(Zip(), {{"a.txt", "first"}, {"b.txt", "second"}});
  EXPECT_EQ(2, Extract(Zip(), Target()).count);
  EXPECT_EQ("second", ReadFile(Target()));
}

TEST_F(UnzipTest, EmptyEntryWritesNothingAndCountsAsFailure) {
  WriteZip(Zip(), {{"BKMVDATA.TXT", ""}});
  EXPECT_EQ(0, Extract(Zip(), Target()).count);
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(UnzipTest, DamagedArchivesGiveNothingAndLeaveNoPartialFile) {
  WriteFile(Zip(), "this is not an archive");
  EXPECT_EQ(0, Extract(Zip(), Target()).count);
  EXPECT_EQ(0, Extract(folder_.File("missing.zip"), Target()).count);

  // A damaged entry body: the checksum or the deflate stream fails part-way.
  std::string content;
  for (int i = 0; i < 20000; ++i) content += "B100 " + std::to_string(i * 7919) + "\r\n";
  WriteZip(Zip(), {{"BKMVDATA.TXT", content}});
  std::string bytes = ReadFile(Zip());
  for (std::size_t i = 200; i < 260; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  WriteFile(Zip(), bytes);
  WriteFile(Target(), "previous data");
  EXPECT_EQ(0, Extract(Zip(), Target()).count);
  EXPECT_EQ("previous data", ReadFile(Target()));
  EXPECT_EQ((std::vector<std::string>{"BkMvdata.Txt", "Bkmvdata.Zip"}),
            FolderNames(folder_.path()));

  // Cut in the middle of the entry.
  WriteZip(Zip(), {{"BKMVDATA.TXT", content}});
  bytes = ReadFile(Zip());
  WriteFile(Zip(), bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(0, Extract(Zip(), Target()).count);
  EXPECT_EQ("previous data", ReadFile(Target()));
}

TEST_F(UnzipTest, DeclaredHugeSizeIsNotTrusted) {
  const std::string content(5000, 'q');
  WriteZip(Zip(), {{"BKMVDATA.TXT", content}});
  std::string bytes = ReadFile(Zip());
  // The uncompressed size of the local header (offset 22) and of the central directory
  // entry (offset 24 from its signature) claim about 2 GB.
  const std::string huge("\xF0\xFF\xFF\x7F", 4);
  bytes.replace(22, 4, huge);
  const std::size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(std::string::npos, central);
  bytes.replace(central + 24, 4, huge);
  WriteFile(Zip(), bytes);
  // Whatever the library makes of it, only real bytes are written, and the count says so.
  const ExtractResult result = Extract(Zip(), Target());
  EXPECT_EQ(result.count > 0, std::filesystem::exists(Target()));
  if (std::filesystem::exists(Target())) {
    EXPECT_EQ(content, ReadFile(Target()));
  }
}

// A disk that has `free_bytes` free until `writes_allowed` questions were answered, none after.
std::int64_t free_bytes = 0;
int questions_answered = 0;
int questions_with_room = 0;
std::int64_t ScriptedFreeSpace(const std::string&) {
  return questions_answered++ < questions_with_room ? free_bytes : 0;
}

// An archive cannot fill the disk: an entry larger than the free space (less a margin) is
// refused before a byte is written, and the writing stops, leaving no partial file, when the
// free space runs low on the way.
TEST_F(UnzipTest, EntryThatWouldFillTheDiskIsRefusedOrStopped) {
  std::string content;
  for (int i = 0; i < 600000; ++i) content += "B100 " + std::to_string(i) + " line\r\n";
  ASSERT_GT(content.size(), std::size_t{9} << 20);  // past the first free-space question
  WriteZip(Zip(), {{"BKMVDATA.TXT", content}});
  WriteFile(Target(), "previous data");
  const auto size = static_cast<std::int64_t>(content.size());
  const struct {
    std::int64_t free;
    int with_room;
    bool written;
  } cases[] = {
      {size + kFreeSpaceMargin, 1000, true},
      {size + kFreeSpaceMargin - 1, 1000, false},  // refused before writing
      {size + kFreeSpaceMargin, 1, false},         // runs out while writing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.free);
    free_bytes = c.free;
    questions_answered = 0;
    questions_with_room = c.with_room;
    const ExtractResult result = Extract(Zip(), Target(), &ScriptedFreeSpace);
    EXPECT_EQ(c.written ? 1 : 0, result.count);
    EXPECT_EQ(!c.written, result.no_space);
    EXPECT_EQ(c.written ? 0 : size, result.needed);
    EXPECT_EQ(c.written ? content : "previous data", ReadFile(Target()));
    EXPECT_EQ((std::vector<std::string>{"BkMvdata.Txt", "Bkmvdata.Zip"}),
              FolderNames(folder_.path()));
    WriteFile(Target(), "previous data");
  }
}

// A header declaring fewer bytes than the entry holds gives no file.
TEST_F(UnzipTest, EntryLongerThanItsHeaderSaysGivesNoFile) {
  WriteZip(Zip(), {{"BKMVDATA.TXT", std::string(200000, 'q')}});
  std::string bytes = ReadFile(Zip());
  const std::string small("\x64\x00\x00\x00", 4);  // 100
  bytes.replace(22, 4, small);
  const std::size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(std::string::npos, central);
  bytes.replace(central + 24, 4, small);
  WriteFile(Zip(), bytes);
  EXPECT_EQ(0, Extract(Zip(), Target()).count);
  EXPECT_EQ((std::vector<std::string>{"Bkmvdata.Zip"}), FolderNames(folder_.path()));
}

}  // namespace
}  // namespace tallyscan
