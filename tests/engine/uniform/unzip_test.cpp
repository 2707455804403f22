#include "engine/uniform/unzip.h"

#include <sys/stat.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/uniform/import_fixture.h"

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

}  // namespace
}  // namespace tallyscan
