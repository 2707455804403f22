// The file a report goes to: what it refuses to replace (the data set's own files by any
// name, links, devices and other files that are not regular files), and that only a complete
// report takes the path's place.
#include "engine/report/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// What a folder holds: each name with its kind and, for a regular file, its bytes.
std::map<std::string, std::string> Listing(const std::string& folder) {
  std::map<std::string, std::string> listing;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string path = entry.path().string();
    std::string facts;
    if (entry.is_symlink()) {
      facts = "link to " + std::filesystem::read_symlink(path).string();
    } else if (entry.is_regular_file()) {
      facts = "file " + ReadFile(path);
    } else {
      facts = "other";
    }
    listing[entry.path().filename().string()] = facts;
  }
  return listing;
}

class ReportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = scratch_.File("data");
    out_ = scratch_.File("out");
    std::filesystem::create_directory(data_);
    std::filesystem::create_directory(out_);
    WriteFile(data_ + "/INI.TXT", "A000 header");
    WriteFile(data_ + "/BKMVDATA.TXT", "B100 movements");
    inputs_ = {data_, {data_ + "/INI.TXT", data_ + "/BKMVDATA.TXT"}};
  }

  testing::TempFolder scratch_;
  std::string data_, out_;
  ReportInputs inputs_;
};

TEST_F(ReportFileTest, TheDataSetsOwnFilesAreRefusedByAnyName) {
  ASSERT_EQ(0, ::symlink((data_ + "/BKMVDATA.TXT").c_str(), (out_ + "/link.htm").c_str()));
  ASSERT_EQ(0, ::link((data_ + "/INI.TXT").c_str(), (out_ + "/hard.htm").c_str()));
  const auto data_before = Listing(data_);
  const auto out_before = Listing(out_);
  for (const std::string& path :
       {data_ + "/BKMVDATA.TXT", data_ + "/INI.TXT", data_ + "/bkmvdata.txt", data_ + "/Ini.Txt",
        data_ + "/../data/BKMVDATA.TXT", out_ + "/link.htm", out_ + "/hard.htm",
        // Names the next import of the folder would read, though no such file exists yet.
        data_ + "/BKMVDATA.ZIP", data_ + "/bkmvdata.zip"}) {
    ReportFile file;
    const Status opened = ReportFile::Open(path, inputs_, file);
    EXPECT_EQ(StatusCode::kRefused, opened.code()) << path;
    EXPECT_NE(std::string::npos, opened.message().find(path)) << opened.message();
    EXPECT_FALSE(file.IsOpen()) << path;
  }
  EXPECT_EQ(data_before, Listing(data_));
  EXPECT_EQ(out_before, Listing(out_));
  // Another name in the data folder is a report like any other.
  ReportFile file;
  EXPECT_TRUE(ReportFile::Open(data_ + "/report.htm", inputs_, file).ok());
}

TEST_F(ReportFileTest, LinksAndWhatIsNotARegularFileAreRefusedAndLeftAlone) {
  WriteFile(out_ + "/target.htm", "kept");
  ASSERT_EQ(0, ::symlink("target.htm", (out_ + "/link.htm").c_str()));
  ASSERT_EQ(0, ::symlink("nowhere.htm", (out_ + "/dangling.htm").c_str()));
  ASSERT_EQ(0, ::symlink("/proc/self/fd/1", (out_ + "/stdout.htm").c_str()));
  ASSERT_EQ(0, ::mkfifo((out_ + "/fifo.htm").c_str(), 0644));
  std::filesystem::create_directory(out_ + "/folder.htm");
  const auto before = Listing(out_);
  for (const std::string& path :
       {out_ + "/link.htm", out_ + "/dangling.htm", out_ + "/stdout.htm", out_ + "/fifo.htm",
        out_ + "/folder.htm", out_ + "/folder.htm/", std::string("/dev/null")}) {
    ReportFile file;
    EXPECT_EQ(StatusCode::kRefused, ReportFile::Open(path, inputs_, file).code()) << path;
    EXPECT_FALSE(file.IsOpen()) << path;
  }
  EXPECT_EQ(before, Listing(out_));
}

TEST_F(ReportFileTest, OnlyACommittedReportTakesThePathsPlace) {
  const std::string path = out_ + "/report.htm";
  WriteFile(path, "earlier report");
  const auto write = [](const ReportFile& file, std::string_view bytes) {
    ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(file.fd(), bytes.data(), bytes.size()));
  };
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, inputs_, file).ok());
    write(file, "half a rep");
    file.Discard();
  }
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, inputs_, file).ok());
    write(file, "half a rep");
  }  // destroyed without a commit: a stopped or failed run
  EXPECT_EQ((std::map<std::string, std::string>{{"report.htm", "file earlier report"}}),
            Listing(out_));

  ReportFile file;
  ASSERT_TRUE(ReportFile::Open(path, inputs_, file).ok());
  write(file, "the new report");
  EXPECT_EQ("earlier report", ReadFile(path));
  EXPECT_EQ(2u, Listing(out_).size());  // the temporary file beside it
  ASSERT_TRUE(file.Commit().ok());
  EXPECT_EQ((std::map<std::string, std::string>{{"report.htm", "file the new report"}}),
            Listing(out_));
}

TEST_F(ReportFileTest, AReportIsAsReadableAsAnyNewFileOfTheUser) {
  const mode_t saved = ::umask(027);
  ReportFile file;
  const Status opened = ReportFile::Open(out_ + "/report.htm", inputs_, file);
  const Status committed = file.Commit();
  ::umask(saved);
  ASSERT_TRUE(opened.ok());
  ASSERT_TRUE(committed.ok());
  struct stat info {};
  ASSERT_EQ(0, ::stat((out_ + "/report.htm").c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 0777u);
}

}  // namespace
}  // namespace tallyscan
