// The run as a whole: a stop leaves no result wherever it comes, the files read are named
// with their digests, and the JSON document keeps integers exact beyond 64 bits.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "jet_fixture.h"

namespace tallyscan::testing {
namespace {

// Counts the polls, and stops at the n-th (1-based) and after.
class StopAtPoll final : public ProgressMonitor {
 public:
  explicit StopAtPoll(long long n) : n_(n) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return ++polls >= n_; }
  long long polls = 0;

 private:
  long long n_;
};

std::string Sha256Of(const std::string& path) {
  std::string out;
  FILE* pipe = ::popen(("sha256sum " + path).c_str(), "r");
  char buffer[128];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  ::pclose(pipe);
  return out.substr(0, 64);
}

class JetRunTest : public JetFixture {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300; ++i) {
      Add(Move{.transaction = std::to_string(i % 7),
               .amount = 1000 + i * 37,
               .details = i % 5 == 0 ? "" : "x"});
    }
    Add(Doc{});
  }
};

TEST_F(JetRunTest, AStopInTheReadingOrAfterItLeavesNoResult) {
  {
    class Counting final : public ProgressMonitor {
     public:
      void OnProgress(int) override {}
      bool StopRequested() override {
        ++polls;
        return false;
      }
      long long polls = 0;
    } all;
    ASSERT_TRUE(RunWith({}, AllJetTests(), all).status.ok());
    ASSERT_GT(all.polls, 301);  // one per line, then the tests after the reading
    for (const long long at : {1LL, 150LL, 301LL, 302LL, all.polls}) {
      SCOPED_TRACE(at);
      StopAtPoll stop(at);
      const JetRun run = RunWith({}, AllJetTests(), stop);
      EXPECT_EQ(StatusCode::kInterrupted, run.status.code());
      EXPECT_EQ(kJetStoppedText, run.status.message());
      EXPECT_FALSE(run.result.has_value());
    }
  }
}

TEST_F(JetRunTest, TheFilesReadAreNamedWithTheirSizesAndDigests) {
  const JetResult result = RunTests();
  ASSERT_EQ(2u, result.source.size());
  EXPECT_EQ("INI.TXT", result.source[0].name);
  EXPECT_EQ(Sha256Of(folder_.File("INI.TXT")), result.source[0].sha256);
  EXPECT_EQ("BKMVDATA.TXT", result.source[1].name);
  EXPECT_EQ(static_cast<std::int64_t>(ReadFile(folder_.File("BKMVDATA.TXT")).size()),
            result.source[1].bytes);
  EXPECT_EQ(Sha256Of(folder_.File("BKMVDATA.TXT")), result.source[1].sha256);
}

// Files of several times the blocks the reading keeps at once (20,000 lines, 6 MB).
class JetRunBlocks : public JetFixture {
 protected:
  void SetUp() override {
    for (int i = 0; i < 20000; ++i) {
      Add(Move{.details = i % 7 == 3 ? "" : "sale"});
      if (i % 7 == 3) blank_.push_back(static_cast<std::uint32_t>(i + 1));
    }
  }
  std::vector<std::uint32_t> blank_;
};

TEST_F(JetRunBlocks, EveryLineIsSeenInOrderAndTheDigestIsOfTheWholeFile) {
  const JetResult result = RunTests();
  ASSERT_EQ(2u, result.source.size());
  ASSERT_GT(result.source[1].bytes, std::int64_t{6} << 20);
  EXPECT_EQ(Sha256Of(folder_.File("BKMVDATA.TXT")), result.source[1].sha256);
  EXPECT_EQ(blank_, Hits(result, JetTest::kBlankDescription));
}

// The readers work on a thread of their own some batches behind the reading: a stop
// anywhere in it, or after it, ends both with no result, and a run after it gives the whole.
TEST_F(JetRunBlocks, AStopWhileTheReadersRunBehindTheReadingLeavesNoResult) {
  for (const long long at : {2LL, 1500LL, 10000LL, 19999LL, 20001LL}) {
    SCOPED_TRACE(at);
    StopAtPoll stop(at);
    const JetRun run = RunWith({}, AllJetTests(), stop);
    EXPECT_EQ(StatusCode::kInterrupted, run.status.code());
    EXPECT_FALSE(run.result.has_value());
  }
  EXPECT_EQ(blank_, Hits(RunTests(), JetTest::kBlankDescription));
}

TEST_F(JetRunBlocks, AFileCutShortWhileItIsReadGivesAReadErrorAndNoResult) {
  // Cuts the file to 1 MB when the first block is handed out, a few blocks ahead at most
  // having been read.
  class CutAtFirstBlock final : public ProgressMonitor {
   public:
    explicit CutAtFirstBlock(std::string path) : path_(std::move(path)) {}
    void OnProgress(int) override {
      if (!cut_) std::filesystem::resize_file(path_, 1u << 20);
      cut_ = true;
    }
    bool StopRequested() override { return false; }

   private:
    std::string path_;
    bool cut_ = false;
  } cut(folder_.File("BKMVDATA.TXT"));
  Import();
  const JetRun run = RunWith({}, AllJetTests(), cut);
  EXPECT_EQ(StatusCode::kIoError, run.status.code());
  EXPECT_FALSE(run.result.has_value());
}

TEST(JetRunZip, AZippedSetNamesTheZipBetweenTheIniAndTheFileExtracted) {
  JetSet set;
  set.Add(Move{});
  set.Import();  // writes the files
  const std::string data = ReadFile(set.folder_.File("BKMVDATA.TXT"));
  TempFolder zipped;
  WriteFile(zipped.File("INI.TXT"), ReadFile(set.folder_.File("INI.TXT")));
  WriteZip(zipped.File("BKMVDATA.ZIP"), {{"BKMVDATA.TXT", data}});
  RecordStore store;
  SilentProgress silent;
  const ImportResult imported = ImportFolder(store, zipped.path(), silent);
  ASSERT_TRUE(imported.status.ok());
  const JetRun run = RunJet(store, SourceFilesOf(imported), {}, AllJetTests(), silent);
  ASSERT_TRUE(run.status.ok());
  ASSERT_EQ(3u, run.result->source.size());
  EXPECT_EQ("BKMVDATA.ZIP", run.result->source[1].name);
  EXPECT_EQ(Sha256Of(zipped.File("BKMVDATA.ZIP")), run.result->source[1].sha256);
  EXPECT_EQ(static_cast<std::int64_t>(data.size()), run.result->source[2].bytes);
}

TEST(JetJson, IntegersBeyondSixtyFourBitsPrintExactly) {
  JetResult result;
  result.population.debit = static_cast<AmountSum>(1) << 70;
  result.population.credit = -(static_cast<AmountSum>(1) << 64);
  JetTestResult test;
  test.test = JetTest::kRoundAmount;
  test.hit_amount = static_cast<AmountSum>(INT64_MAX) + 1;
  result.tests.push_back(test);
  const std::string json = JetResultJson(result);
  EXPECT_NE(std::string::npos, json.find("\"debit\": 1180591620717411303424,"));
  EXPECT_NE(std::string::npos, json.find("\"credit\": -18446744073709551616,"));
  EXPECT_NE(std::string::npos, json.find("\"hit_amount\": 9223372036854775808,"));
}

}  // namespace
}  // namespace tallyscan::testing
