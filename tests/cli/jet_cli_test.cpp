// tallyscan-cli jet on a generated set: the JSON result against the rows of --hits and
// --digit-lines, the parameters printed back, and the exit codes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "engine/analytics/analytics.h"

namespace tallyscan {
namespace {

class JetCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_ = new testing::TempFolder;
    const std::string gen = std::string(TALLYSCAN_GEN) +
                            " --quiet --movements 1500 --documents 150 --seed 26 " + set_->path();
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  static void TearDownTestSuite() {
    delete set_;
    set_ = nullptr;
  }
  static std::size_t RowCount(const std::string& raw) {
    std::size_t rows = 0;
    for (const char c : raw) rows += c == '\n';
    return rows;
  }

  static testing::TempFolder* set_;
  testing::TempFolder scratch_;
};

testing::TempFolder* JetCliTest::set_ = nullptr;

TEST_F(JetCliTest, TheHitAndDigitRowsAreTheLinesOfTheJsonResult) {
  const testing::CliRun run = testing::RunCli("jet --format json " + set_->path(), scratch_);
  ASSERT_EQ(0, run.exit_code) << run.err;
  const nlohmann::json result = nlohmann::json::parse(run.out);
  ASSERT_EQ(kJetTestCount, result["tests"].size());
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    EXPECT_EQ(JetTestId(static_cast<JetTest>(i)), result["tests"][i]["id"].get<std::string>());
  }
  for (const char* id : {"weekend", "rare-flow", "high-value", "missing-document"}) {
    SCOPED_TRACE(id);
    const nlohmann::json* test = nullptr;
    for (const nlohmann::json& t : result["tests"]) {
      if (t["id"] == id) test = &t;
    }
    ASSERT_NE(nullptr, test);
    ASSERT_GT((*test)["hits"].get<int>(), 0);
    const testing::CliRun hits =
        testing::RunCli(std::string("jet --raw --hits ") + id + " " + set_->path(), scratch_);
    ASSERT_EQ(0, hits.exit_code) << hits.err;
    EXPECT_EQ((*test)["hits"].get<std::size_t>(), RowCount(hits.out));
    // Each row begins with its status and its line number.
    const std::string first_line = std::to_string((*test)["lines"][0].get<int>());
    EXPECT_NE(std::string::npos, hits.out.find("\t" + first_line + "\tB100\t")) << hits.out;
  }
  const nlohmann::json& credit = result["digits"]["benford-first"]["credit"];
  const testing::CliRun digit_lines =
      testing::RunCli("jet --raw --digit-lines benford-first credit 3 " + set_->path(), scratch_);
  ASSERT_EQ(0, digit_lines.exit_code) << digit_lines.err;
  EXPECT_EQ(credit["counts"][2].get<std::size_t>(), RowCount(digit_lines.out));
}

TEST_F(JetCliTest, ExitsThreeOnFindingsOnlyWhenAsked) {
  // The generated set has weekend postings, which are findings; high-value always hits and is
  // none.
  EXPECT_EQ(0, testing::RunCli("jet " + set_->path(), scratch_).exit_code);
  EXPECT_EQ(3, testing::RunCli("jet --fail-on-findings " + set_->path(), scratch_).exit_code);
  EXPECT_EQ(
      3,
      testing::RunCli("jet --format json --fail-on-findings " + set_->path(), scratch_).exit_code);
  EXPECT_EQ(0, testing::RunCli(
                   "jet --fail-on-findings --tests high-value,period-end " + set_->path(), scratch_)
                   .exit_code);
}

TEST_F(JetCliTest, PrintParamsGivesTheDefaultsOrTheFileBackByteForByte) {
  const testing::CliRun defaults = testing::RunCli("jet --print-params", scratch_);
  EXPECT_EQ(0, defaults.exit_code);
  EXPECT_EQ(JetParameterFileJson(JetParameters{}), defaults.out);

  JetParameters changed;
  changed.late_days = 12;
  changed.keywords = {"סטורנו"};
  changed.benford_z = 19600;
  changed.weekend_days = {6};
  changed.result_account = "5100";
  changed.review_share = 1500;
  const std::string file = scratch_.File("params.json");
  changed.portfolio_weights.ranking = 0;
  testing::WriteFile(file, JetParameterFileJson(changed));
  const testing::CliRun printed =
      testing::RunCli("jet --params " + file + " --print-params", scratch_);
  EXPECT_EQ(0, printed.exit_code) << printed.err;
  EXPECT_EQ(testing::ReadFile(file), printed.out);

  testing::WriteFile(file, R"({"late_days": -3})");
  const testing::CliRun refused =
      testing::RunCli("jet --params " + file + " " + set_->path(), scratch_);
  EXPECT_EQ(1, refused.exit_code);
  EXPECT_NE(std::string::npos, refused.err.find("\"late_days\"")) << refused.err;
  EXPECT_EQ("", refused.out);
}

TEST_F(JetCliTest, UsageErrorsExitTwoAndCtrlCExits130WithNoResult) {
  for (const std::string& args : std::vector<std::string>{
           "jet", "jet --tests weekend,nothing " + set_->path(),
           "jet --hits nothing " + set_->path(), "jet --digit-lines weekend all 1 " + set_->path(),
           "jet --format yaml " + set_->path(),
           "jet --digit-lines benford-first some 1 " + set_->path(),
           "jet --digit-lines benford-first all 0 " + set_->path()}) {
    EXPECT_EQ(2, testing::RunCli(args, scratch_).exit_code) << args;
  }

  const testing::CliRun stopped = testing::RunCliInterrupted("jet " + set_->path(), scratch_);
  EXPECT_EQ(130, stopped.exit_code);
  EXPECT_EQ("", stopped.out);
  EXPECT_NE(std::string::npos, stopped.err.find(std::string(kJetStoppedText))) << stopped.err;
}

// A data file of random bytes reads as no record at all: no command may pass it as clean.
TEST_F(JetCliTest, ADataFileOfRandomBytesNeverPassesAsClean) {
  const std::string folder = scratch_.File("noise");
  ASSERT_EQ(0, std::system(("cp -r " + set_->path() + " " + folder).c_str()));
  std::mt19937 random(11);
  std::string noise(3 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  testing::WriteFile(folder + "/BKMVDATA.TXT", noise);

  const testing::CliRun jet = testing::RunCli("jet --format json " + folder, scratch_);
  ASSERT_EQ(0, jet.exit_code) << jet.err;
  const nlohmann::json population = nlohmann::json::parse(jet.out)["population"];
  EXPECT_EQ(0, population["movements"].get<int>());
  EXPECT_FALSE(population["reconciles"].get<bool>());
  EXPECT_EQ("movements", population["reasons"][0].get<std::string>());
  for (const std::string_view command :
       {"import", "check", "jet", "jet --format json", "jet --tests high-value", "fields",
        "fields --format json", "summary records", "summary documents"}) {
    EXPECT_EQ(
        3,
        testing::RunCli(std::string(command) + " --fail-on-findings " + folder, scratch_).exit_code)
        << command;
  }
}

// The resident memory of a child's run, in KB.
long PeakKilobytes(const std::string& arguments, const std::string& out) {
  std::vector<std::string> words = {TALLYSCAN_CLI};
  std::istringstream split(arguments);
  for (std::string word; split >> word;) words.push_back(word);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return usage.ru_maxrss;
}

// The hit lines of every test of a JSON result.
std::int64_t HitsOf(const std::string& file) {
  std::int64_t hits = 0;
  const nlohmann::json result = nlohmann::json::parse(testing::ReadFile(file));
  for (const nlohmann::json& t : result["tests"]) {
    hits += static_cast<std::int64_t>(t["lines"].size());
  }
  return hits;
}

// A run whose tests hit every movement line keeps its hits in a few bytes each, in the engine
// and in the JSON printed, rather than as the lines' text or a number object each.
TEST_F(JetCliTest, AnAllHitRunHoldsAFewBytesPerHitLine) {
  const std::string folder = scratch_.File("large");
  ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) +
                            " --quiet --movements 150000 --accounts 500 --seed 5 " + folder)
                               .c_str()));
  const std::string every_line = scratch_.File("every-line.json");
  testing::WriteFile(every_line, R"({"weekend_days": ["sunday", "monday", "tuesday", "wednesday", )"
                                 R"("thursday", "friday", "saturday"], "round_unit": "0.01"})");
  const std::string out = scratch_.File("result.json");
  const long base = PeakKilobytes("jet --format json --tests weekend,round-amount " + folder, out);
  const std::int64_t base_hits = HitsOf(out);
  const long all = PeakKilobytes(
      "jet --format json --tests weekend,round-amount --params " + every_line + " " + folder, out);
  const std::int64_t all_hits = HitsOf(out);
  ASSERT_GT(base, 0);
  ASSERT_GT(all, 0);
  ASSERT_GT(all_hits - base_hits, 250000);
  const double bytes_per_hit = (all - base) * 1024.0 / static_cast<double>(all_hits - base_hits);
  EXPECT_LT(bytes_per_hit, 16) << all << " KB against " << base << " KB";
}

}  // namespace
}  // namespace tallyscan
