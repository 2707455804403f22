// The data file's digest taken by the import as it reads the file: the digest of every byte,
// in order, however many threads were asked for; none when nobody asked, and none of a
// reading that stopped before the end.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/common/sha256.h"
#include "engine/report/report.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

TEST(Sha256Test, GivesTheKnownDigestsWhateverTheBytesComeIn) {
  const std::string abc_digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  Sha256 whole;
  whole.Add("abc", 3);
  EXPECT_EQ(abc_digest, whole.HexDigest());
  Sha256 pieces;
  pieces.Add("a", 1);
  pieces.Add("", 0);
  pieces.Add("bc", 2);
  EXPECT_EQ(abc_digest, pieces.HexDigest());
  Sha256 empty;
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", empty.HexDigest());
}

class ImportDigestTest : public ::testing::Test {
 protected:
  // A set of several of the reader's blocks, so that the digest spans many reads.
  void Generate(bool zip) {
    DataSetOptions options;
    options.movements = 9000;
    options.seed = 31;
    options.zip = zip;
    GeneratedDataSet generated;
    ASSERT_TRUE(GenerateDataSet(options, folder_.path(), &generated).ok());
  }

  ImportResult Import(ImportOptions options, ProgressMonitor& monitor) {
    options.cache_folder = cache_.path();
    options.read_again = true;
    return ImportFolder(store_, folder_.path(), monitor, options);
  }

  testing::TempFolder folder_;
  testing::TempFolder cache_;
  RecordStore store_;
};

TEST_F(ImportDigestTest, TheDigestIsTheFilesWhateverTheThreadsAndTheReadingIsUnchanged) {
  Generate(false);
  const std::string data = folder_.File("BKMVDATA.TXT");
  ASSERT_GT(fs::file_size(data), 2u << 20);
  const std::string expected = FileSha256(data);
  ASSERT_EQ(64u, expected.size());
  SilentProgress silent;
  ImportOptions one_thread;
  one_thread.read_threads = 1;
  const ImportResult plain = Import(one_thread, silent);
  ASSERT_TRUE(plain.status.ok());
  EXPECT_EQ("", store_.DataSha256);  // nobody asked
  const std::vector<std::string> rows(plain.rows.Rows().begin(), plain.rows.Rows().end());

  const struct {
    int threads;
    std::vector<std::int64_t> splits;
  } cases[] = {{1, {}}, {2, {}}, {8, {}}, {0, {1000, 400000, 1500000}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.threads);
    ImportOptions options;
    options.read_threads = c.threads;
    options.split_offsets = c.splits;
    options.digest = true;
    const ImportResult hashed = Import(options, silent);
    ASSERT_TRUE(hashed.status.ok());
    EXPECT_EQ(expected, store_.DataSha256);
    EXPECT_EQ(rows, std::vector<std::string>(hashed.rows.Rows().begin(), hashed.rows.Rows().end()));
    EXPECT_EQ(plain.lines_read, hashed.lines_read);
  }
  // A later reading not asked for one forgets the digest of the one before.
  ASSERT_TRUE(Import({}, silent).status.ok());
  EXPECT_EQ("", store_.DataSha256);
}

TEST_F(ImportDigestTest, AnArchiveGivesTheDigestOfWhatWasTakenOutOfIt) {
  Generate(true);
  SilentProgress silent;
  ImportOptions options;
  options.digest = true;
  const ImportResult result = Import(options, silent);
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ(FileSha256(result.data_file_path), store_.DataSha256);
  EXPECT_NE(FileSha256(folder_.File("BKMVDATA.ZIP")), store_.DataSha256);
}

TEST_F(ImportDigestTest, AStoppedReadingHasNoDigest) {
  class StopAfterTen final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override { return asked_++ >= 10; }

   private:
    int asked_ = 0;
  };
  Generate(false);
  StopAfterTen monitor;
  ImportOptions options;
  options.digest = true;
  const ImportResult result = Import(options, monitor);
  ASSERT_TRUE(result.status.ok());
  EXPECT_TRUE(result.interrupted);
  EXPECT_EQ("", store_.DataSha256);
}

}  // namespace
}  // namespace tallyscan
