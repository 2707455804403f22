// tallyscan-cli batch over a seeded portfolio of generated clients with every status: the
// clients' results against the commands' own output, resumed runs, a stop, and a tree left
// as it was found.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_runner.h"
#include "engine/portfolio/portfolio.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using portfolio::ClientStatus;
using ::testing::HasSubstr;

constexpr const char* kEpoch = "SOURCE_DATE_EPOCH=1733900000 ";

void Generate(const std::string& options, const std::string& folder) {
  ASSERT_EQ(
      0, std::system((std::string(TALLYSCAN_GEN) + " --quiet " + options + " " + folder).c_str()));
}

class BatchCliTest : public ::testing::Test {
 protected:
  // Ten clients, one of each kind, under portfolio/, and a child that is killed for one.
  static void SetUpTestSuite() {
    root_ = new testing::TempFolder;
    const std::string in = root_->File("portfolio");
    Generate("--profile audit --movements 1200 --seed 11", in + "/ok");
    Generate("--profile audit --movements 1200 --seed 12 --fault weekend@3", in + "/audit-weekend");
    Generate("--profile audit --movements 1200 --seed 13 --fault round-amount@2",
             in + "/firm/round");
    Generate("--profile audit --movements 1200 --seed 14 --zip", in + "/zipped");
    Generate("--profile audit --movements 1200 --seed 17 --fault late-entry@2", in + "/firm/late");
    Generate("--movements 600 --seed 15", in + "/cut");
    Generate("--movements 600 --seed 16", in + "/victim");
    fs::create_directories(in + "/random");
    fs::create_directories(in + "/ini-only");
    fs::create_directories(in + "/zip-escape");
    for (const char* to : {"/random/INI.TXT", "/ini-only/INI.TXT", "/zip-escape/INI.TXT"}) {
      fs::copy_file(in + "/ok/INI.TXT", in + to);
    }
    std::mt19937 bytes(7);
    std::string noise(200000, '\0');
    for (char& c : noise) c = static_cast<char>(bytes() & 0xFF);
    testing::WriteFile(in + "/random/BKMVDATA.TXT", noise);
    const std::string whole = testing::ReadFile(in + "/cut/BKMVDATA.TXT");
    testing::WriteFile(in + "/cut/BKMVDATA.TXT", whole.substr(0, whole.size() / 2 + 7));
    testing::WriteZip(in + "/zip-escape/BKMVDATA.ZIP",
                      {{"../BKMVDATA.TXT", testing::ReadFile(in + "/ok/BKMVDATA.TXT")}});
    // The stand-in child: killed by a signal for one client, slow for a folder named "slow",
    // the real program for the rest.
    const std::string child = root_->File("child.sh");
    testing::WriteFile(child,
                       "#!/bin/sh\ncase \"$3\" in\n  */victim) kill -KILL $$ ;;\n"
                       "  */slow|*/hang) echo $$ >\"$5.pid\"; sleep 60 ;;\nesac\nexec " +
                           std::string(TALLYSCAN_CLI) + " \"$@\"\n");
    fs::permissions(child, fs::perms::owner_all);
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  static std::string Input() { return root_->File("portfolio"); }
  static std::string Child() { return root_->File("child.sh"); }

  testing::CliRun Batch(const std::string& arguments) {
    return testing::RunCli("batch " + arguments, scratch_);
  }
  testing::CliRun BatchAt(const std::string& arguments) {
    const std::string out = scratch_.File("stdout"), err = scratch_.File("stderr");
    const int status = std::system(
        (kEpoch + std::string(TALLYSCAN_CLI) + " batch " + arguments + " >" + out + " 2>" + err)
            .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(out),
            testing::ReadFile(err)};
  }

  // The final manifests by client, without what changes from run to run.
  static std::map<std::string, portfolio::Manifest> Manifests(const std::string& results) {
    std::map<std::string, portfolio::Manifest> found;
    for (const auto& entry : fs::recursive_directory_iterator(results + "/clients")) {
      if (entry.path().filename() != "manifest.json") continue;
      portfolio::Manifest m;
      EXPECT_TRUE(portfolio::ReadManifestFile(entry.path(), m).ok()) << entry.path();
      m.started.clear();
      m.seconds = 0;
      m.peak_rss_kb.reset();
      found[m.client] = m;
    }
    return found;
  }

  static std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      struct stat st {};
      ::lstat(entry.path().c_str(), &st);
      lines.push_back(entry.path().string() + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  // A run stopped with Ctrl-C once `wait_for` exists under RESULTS; the exit code it ended with.
  int StoppedRun(const std::vector<std::string>& arguments, const std::string& wait_for) {
    const pid_t pid = fork();
    if (pid == 0) {
      ::setenv("SOURCE_DATE_EPOCH", "1733900000", 1);
      const int fd = ::open("/dev/null", O_WRONLY);
      ::dup2(fd, STDERR_FILENO);
      std::vector<char*> argv = {const_cast<char*>(TALLYSCAN_CLI), const_cast<char*>("batch")};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(TALLYSCAN_CLI, argv.data());
      _exit(127);
    }
    for (int tries = 0; tries < 3000 && !fs::exists(wait_for); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
      ++n;
    }
    return n;
  }

  static testing::TempFolder* root_;
  testing::TempFolder scratch_;
};

testing::TempFolder* BatchCliTest::root_ = nullptr;

TEST_F(BatchCliTest, EveryClientHasTheStatusItsResultsGiveAndTheBatchGoesOn) {
  const std::vector<std::string> before = Listing(Input());
  const std::string results = scratch_.File("results");
  const testing::CliRun run =
      BatchAt("--jobs 2 --no-summary --child " + Child() + " --out " + results + " " + Input());
  EXPECT_EQ(4, run.exit_code) << run.err;
  EXPECT_EQ(before, Listing(Input()));  // nothing written outside RESULTS

  const auto manifests = Manifests(results);
  const std::map<std::string, ClientStatus> expected = {
      {"audit-weekend", ClientStatus::kFindings}, {"cut", ClientStatus::kFindings},
      {"firm/late", ClientStatus::kFindings},     {"firm/round", ClientStatus::kFindings},
      {"ini-only", ClientStatus::kNotAnalysed},   {"ok", ClientStatus::kOk},
      {"random", ClientStatus::kNotAnalysed},     {"victim", ClientStatus::kFailed},
      {"zip-escape", ClientStatus::kNotAnalysed}, {"zipped", ClientStatus::kOk},
  };
  ASSERT_EQ(expected.size(), manifests.size());
  for (const auto& [id, status] : expected) {
    SCOPED_TRACE(id);
    ASSERT_EQ(1u, manifests.count(id));
    const portfolio::Manifest& m = manifests.at(id);
    EXPECT_EQ(portfolio::StatusWord(status), portfolio::StatusWord(m.status)) << m.reason;
    EXPECT_EQ(status == ClientStatus::kOk || status == ClientStatus::kFindings, m.reason.empty());
  }
  EXPECT_EQ(SIGKILL, manifests.at("victim").signal.value_or(0));
  EXPECT_THAT(manifests.at("zip-escape").reason, HasSubstr("../BKMVDATA.TXT"));
  EXPECT_THAT(manifests.at("ini-only").reason, HasSubstr("קובץ נתונים"));
  EXPECT_EQ(2u, manifests.at("ok").inputs.size());
  EXPECT_EQ(64u, manifests.at("ok").inputs[1].sha256.value_or("").size());
  // The archive was taken out into the client's results, and removed once read.
  EXPECT_FALSE(fs::exists(results + "/clients/zipped/BkMvdata.Txt"));
  EXPECT_TRUE(fs::exists(results + "/clients/zipped/jet.json"));
  for (const auto& entry : fs::recursive_directory_iterator(results)) {
    EXPECT_EQ(std::string::npos, entry.path().string().find(".partial")) << entry.path();
  }
  EXPECT_EQ(10u, Count(run.err, "failed 1") + Count(run.err, "failed 0"));
  EXPECT_THAT(run.err, HasSubstr("10/10, failed 1, about 0:00 left"));
}

// The summary of the ten clients against its reference, and the same bytes however the batch
// got there: again, with other jobs, resumed after a stop, or in shards merged at the end.
// TALLYSCAN_UPDATE_GOLDEN=1 writes the references anew (review the diff before committing).
TEST_F(BatchCliTest, TheSummaryIsTheSameBytesHoweverTheBatchRan) {
  const std::string golden = TALLYSCAN_SOURCE_DIR "/tests/engine/portfolio/golden/batch/";
  const std::string common = " --progress jsonl --child " + Child() + " ";
  const auto summary = [](const std::string& results) {
    return std::vector<std::string>{testing::ReadFile(results + "/portfolio.csv"),
                                    testing::ReadFile(results + "/portfolio.json")};
  };
  const std::string first = scratch_.File("first");
  ASSERT_EQ(4, BatchAt("--jobs 1" + common + "--out " + first + " " + Input()).exit_code);
  const std::vector<std::string> written = summary(first);
  if (std::getenv("TALLYSCAN_UPDATE_GOLDEN") != nullptr) {
    fs::create_directories(golden);
    testing::WriteFile(golden + "portfolio.csv", written[0]);
    testing::WriteFile(golden + "portfolio.json", written[1]);
  }
  EXPECT_EQ(testing::ReadFile(golden + "portfolio.csv"), written[0]);
  EXPECT_EQ(testing::ReadFile(golden + "portfolio.json"), written[1]);
  // What changes from run to run is in run.json alone: no time of the run in the summary.
  for (const char* key : {"\"started\"", "\"seconds\"", "\"peak_rss_kb\"", "\"reused\""}) {
    EXPECT_EQ(std::string::npos, written[1].find(key)) << key;
    EXPECT_NE(std::string::npos, testing::ReadFile(first + "/run.json").find(key)) << key;
  }

  const testing::CliRun again = BatchAt("--jobs 2" + common + "--out " + first + " " + Input());
  EXPECT_EQ(4, again.exit_code);
  EXPECT_EQ(0u, Count(again.err, "\"event\":\"start\"")) << again.err;
  EXPECT_EQ(written, summary(first));

  const std::string jobs = scratch_.File("jobs");
  ASSERT_EQ(4, BatchAt("--jobs 2" + common + "--out " + jobs + " " + Input()).exit_code);
  EXPECT_EQ(written, summary(jobs));

  const std::string plan = scratch_.File("plan"), shards = scratch_.File("shards");
  ASSERT_EQ(0, Batch("plan --shards 3 --out " + plan + " " + Input()).exit_code);
  for (const char* shard : {"/shard-000.txt", "/shard-001.txt", "/shard-002.txt"}) {
    const int code =
        BatchAt("--no-summary" + common + "--list " + plan + shard + " --out " + shards).exit_code;
    EXPECT_TRUE(code == 0 || code == 4) << shard << " exit " << code;
  }
  EXPECT_FALSE(fs::exists(shards + "/portfolio.csv"));
  ASSERT_EQ(0, Batch("merge " + shards).exit_code);
  EXPECT_EQ(written, summary(shards));

  // The clients' figures files spare the summary their documents, and change none of its
  // bytes: without them, or with one damaged, the documents give the same.
  const std::string bare = scratch_.File("bare");
  fs::copy(first, bare, fs::copy_options::recursive);
  std::vector<fs::path> figures;
  for (const auto& entry : fs::recursive_directory_iterator(bare + "/clients")) {
    if (entry.path().filename() == "figures.json") figures.push_back(entry.path());
  }
  EXPECT_LE(7u, figures.size());  // every client whose child finished
  for (std::size_t i = 0; i < figures.size(); ++i) {
    if (i == 0) testing::WriteFile(figures[i], testing::ReadFile(figures[i]).substr(0, 40));
    if (i != 0) fs::remove(figures[i]);
  }
  ASSERT_EQ(0, Batch("merge " + bare).exit_code);
  EXPECT_EQ(written, summary(bare));

  // Stopped once the first client is done, then started again.
  const std::string stopped = scratch_.File("stopped");
  EXPECT_EQ(130, StoppedRun({"--jobs", "1", "--child", Child(), "--out", stopped, Input()},
                            stopped + "/clients/audit-weekend/manifest.json"));
  ASSERT_EQ(4, BatchAt("--jobs 1" + common + "--out " + stopped + " " + Input()).exit_code);
  EXPECT_EQ(written, summary(stopped));
}

// A data file rewritten while its child reads it: the child's stand-in touches it over and
// over while the real child runs, so that what was read is not what is there at the end.
TEST_F(BatchCliTest, ADataFileRewrittenWhileReadIsChangedDuringRun) {
  testing::TempFolder input;
  fs::copy(Input() + "/ok", input.File("moving"), fs::copy_options::recursive);
  fs::copy(Input() + "/ok", input.File("still"), fs::copy_options::recursive);
  const std::string child = scratch_.File("toucher.sh");
  testing::WriteFile(child,
                     "#!/bin/sh\ncase \"$3\" in\n  */moving)\n"
                     "    (while :; do touch \"$3/BKMVDATA.TXT\"; done) &\n"
                     "    toucher=$!\n    " +
                         std::string(TALLYSCAN_CLI) +
                         " \"$@\"\n    code=$?\n    kill $toucher\n    wait $toucher\n"
                         "    exit $code ;;\nesac\nexec " +
                         std::string(TALLYSCAN_CLI) + " \"$@\"\n");
  fs::permissions(child, fs::perms::owner_all);
  const std::string results = scratch_.File("results");
  const testing::CliRun run =
      BatchAt("--no-summary --child " + child + " --out " + results + " " + input.path());
  EXPECT_EQ(4, run.exit_code) << run.err;
  const auto manifests = Manifests(results);
  ASSERT_EQ(2u, manifests.size());
  EXPECT_EQ(ClientStatus::kChangedDuringRun, manifests.at("moving").status);
  EXPECT_THAT(manifests.at("moving").reason, HasSubstr("השתנה"));
  EXPECT_EQ(ClientStatus::kOk, manifests.at("still").status);
}

TEST_F(BatchCliTest, TheClientFilesAreWhatEachCommandPrints) {
  const std::string results = scratch_.File("results");
  const testing::CliRun run = BatchAt("--one " + Input() + "/audit-weekend --analyses " +
                                      "fields,jet,check --out " + results + "/one");
  ASSERT_EQ(0, run.exit_code) << run.err;
  for (const char* command : {"import", "check", "jet", "fields"}) {
    SCOPED_TRACE(command);
    const std::string out = scratch_.File("command.json");
    ASSERT_EQ(0, std::system((kEpoch + std::string(TALLYSCAN_CLI) + " " + command +
                              " --format json " + Input() + "/audit-weekend >" + out)
                                 .c_str()));
    EXPECT_EQ(testing::ReadFile(out),
              testing::ReadFile(results + "/one/" + std::string(command) + ".json"));
  }
  portfolio::Manifest m;
  ASSERT_TRUE(portfolio::ReadManifestFile(results + "/one/manifest.json", m).ok());
  EXPECT_EQ((std::vector<std::string>{"import", "check", "jet", "fields"}), m.analyses);
  EXPECT_FALSE(fs::exists(results + "/one.partial"));

  // The digests, taken as the import read the files, with the tests or without them.
  ASSERT_EQ(
      0, BatchAt("--one " + Input() + "/audit-weekend --analyses import --out " + results + "/two")
             .exit_code);
  portfolio::Manifest alone;
  ASSERT_TRUE(portfolio::ReadManifestFile(results + "/two/manifest.json", alone).ok());
  ASSERT_EQ(2u, m.inputs.size());
  ASSERT_EQ(2u, alone.inputs.size());
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string digest = FileSha256(Input() + "/audit-weekend/" + m.inputs[i].name);
    EXPECT_EQ(digest, m.inputs[i].sha256.value_or("")) << m.inputs[i].name;
    EXPECT_EQ(digest, alone.inputs[i].sha256.value_or("")) << m.inputs[i].name;
  }
}

TEST_F(BatchCliTest, ARunResumesWhatChangedAndJobsGiveTheSameManifests) {
  const std::string one = scratch_.File("one"), two = scratch_.File("two");
  const std::string common = " --no-summary --progress jsonl --child " + Child() + " ";
  ASSERT_EQ(4, BatchAt("--jobs 1" + common + "--out " + one + " " + Input()).exit_code);
  const testing::CliRun first = BatchAt("--jobs 2" + common + "--out " + two + " " + Input());
  ASSERT_EQ(4, first.exit_code);
  EXPECT_EQ(Manifests(one), Manifests(two));
  EXPECT_EQ(10u, Count(first.err, "\"event\":\"start\""));
  EXPECT_EQ(1u, Count(first.err, "\"event\":\"end\""));

  const testing::CliRun again = BatchAt("--jobs 2" + common + "--out " + two + " " + Input());
  EXPECT_EQ(4, again.exit_code);
  EXPECT_EQ(0u, Count(again.err, "\"event\":\"start\"")) << again.err;
  EXPECT_EQ(10u, Count(again.err, "\"event\":\"skip\""));

  // A file touched is a client analysed again, alone; --rerun failed adds the failed one.
  ASSERT_EQ(0, std::system(("touch " + Input() + "/ok/BKMVDATA.TXT").c_str()));
  const testing::CliRun touched = BatchAt("--jobs 2" + common + "--out " + two + " " + Input());
  EXPECT_EQ(1u, Count(touched.err, "\"event\":\"start\"")) << touched.err;
  EXPECT_THAT(touched.err, HasSubstr("{\"event\":\"start\",\"client\":\"ok\""));
  const testing::CliRun failed =
      BatchAt("--rerun failed" + common + "--out " + two + " " + Input());
  EXPECT_EQ(1u, Count(failed.err, "\"event\":\"start\"")) << failed.err;
  EXPECT_THAT(failed.err, HasSubstr("\"client\":\"victim\""));
  const testing::CliRun none = BatchAt("--rerun none" + common + "--out " + two + " " + Input());
  EXPECT_EQ(0u, Count(none.err, "\"event\":\"start\""));
  const testing::CliRun all = BatchAt("--rerun all" + common + "--out " + two + " " + Input());
  EXPECT_EQ(10u, Count(all.err, "\"event\":\"start\""));
}

// Ctrl-C, a scheduler's SIGTERM or a hang-up: each ends the children (none is left running,
// though each runs in a process group of its own) and leaves what a stop leaves.
TEST_F(BatchCliTest, AStoppedRunLeavesNoPartialResultNorChildAndEndsTheSameWhenStartedAgain) {
  testing::TempFolder input;
  for (const char* id : {"a", "b", "slow", "z"}) {
    fs::copy(Input() + "/ok", input.File(id), fs::copy_options::recursive);
  }
  const std::string whole = scratch_.File("whole");
  ASSERT_EQ(0, BatchAt("--no-summary --out " + whole + " " + input.path()).exit_code);

  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string stopped = scratch_.File("stopped-" + std::to_string(signal));
    const pid_t pid = fork();
    if (pid == 0) {
      ::setenv("SOURCE_DATE_EPOCH", "1733900000", 1);
      const std::string err = stopped + ".err";
      const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, STDERR_FILENO);
      execl(TALLYSCAN_CLI, TALLYSCAN_CLI, "batch", "--jobs", "1", "--no-summary", "--child",
            Child().c_str(), "--out", stopped.c_str(), input.path().c_str(), nullptr);
      _exit(127);
    }
    // Stopped while the slow client is being analysed.
    const std::string child_pid = stopped + "/clients/slow.pid";
    for (int tries = 0; tries < 3000 && testing::ReadFile(child_pid).empty(); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(stopped + "/clients/slow.partial"));
    const pid_t child = static_cast<pid_t>(std::atol(testing::ReadFile(child_pid).c_str()));
    ASSERT_GT(child, 0);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const bool child_left = ::kill(child, 0) == 0;
    if (child_left) ::kill(-child, SIGKILL);
    EXPECT_FALSE(child_left);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(130, WEXITSTATUS(status));
    EXPECT_FALSE(fs::exists(stopped + "/clients/slow.partial"));
    EXPECT_FALSE(fs::exists(stopped + "/clients/slow"));
    EXPECT_TRUE(fs::exists(stopped + "/clients/b/manifest.json"));

    fs::remove(child_pid);
    ASSERT_EQ(0, BatchAt("--no-summary --out " + stopped + " " + input.path()).exit_code);
    EXPECT_EQ(Manifests(whole), Manifests(stopped));
  }
}

// RESULTS inside the folder screened: a second run finds the same clients, not the first
// run's results as more of them.
TEST_F(BatchCliTest, ResultsInsideTheInputAreNotClients) {
  testing::TempFolder input;
  fs::copy(Input() + "/ok", input.File("ok"), fs::copy_options::recursive);
  const std::string results = input.File("results");
  ASSERT_EQ(0, BatchAt("--no-summary --depth 4 --out " + results + " " + input.path()).exit_code);
  // A client's results carrying an INI.TXT would be a client were the results walked.
  testing::WriteFile(results + "/clients/ok/INI.TXT", testing::ReadFile(input.File("ok/INI.TXT")));
  const testing::CliRun again =
      BatchAt("--progress jsonl --depth 4 --out " + results + " " + input.path());
  EXPECT_EQ(0, again.exit_code) << again.err;
  EXPECT_EQ(1u, Count(again.err, "\"event\":\"skip\"")) << again.err;
  EXPECT_EQ(0u, Count(again.err, "\"event\":\"start\"")) << again.err;
  EXPECT_EQ(1u, Manifests(results).size());
}

TEST_F(BatchCliTest, AHangingChildTimesOut) {
  testing::TempFolder input;
  fs::copy(Input() + "/ok", input.File("hang"), fs::copy_options::recursive);
  const std::string results = scratch_.File("results");
  const testing::CliRun run = BatchAt("--timeout 1 --no-summary --child " + Child() + " --out " +
                                      results + " " + input.path());
  EXPECT_EQ(4, run.exit_code);
  const auto manifests = Manifests(results);
  ASSERT_EQ(1u, manifests.count("hang"));
  EXPECT_EQ(ClientStatus::kTimedOut, manifests.at("hang").status);
  EXPECT_EQ(SIGTERM, manifests.at("hang").signal.value_or(0));
}

TEST_F(BatchCliTest, ExitCodesTellFindingsFromFailures) {
  testing::TempFolder input;
  fs::copy(Input() + "/ok", input.File("ok"), fs::copy_options::recursive);
  const std::string results = scratch_.File("results");
  EXPECT_EQ(0, BatchAt("--no-summary --out " + results + " " + input.path()).exit_code);
  fs::copy(Input() + "/audit-weekend", input.File("weekend"), fs::copy_options::recursive);
  EXPECT_EQ(0, BatchAt("--no-summary --out " + results + " " + input.path()).exit_code);
  EXPECT_EQ(
      3,
      BatchAt("--no-summary --fail-on-findings --out " + results + " " + input.path()).exit_code);
  fs::copy(Input() + "/ini-only", input.File("ini-only"), fs::copy_options::recursive);
  EXPECT_EQ(
      4,
      BatchAt("--no-summary --fail-on-findings --out " + results + " " + input.path()).exit_code);

  const struct {
    const char* arguments;
    int exit_code;
  } usage[] = {
      {"--out x", 2},
      {"--jobs 0 --out x .", 2},
      {"--memory 12T --out x .", 2},
      {"--analyses import,audit --out x .", 2},
      {"--rerun some --out x .", 2},
      {"--out x --list a.tsv .", 2},
      {"plan --out x .", 2},
      {"--out x /no/such/folder", 1},
      {"--params /no/such/params.json --out x .", 1},
  };
  for (const auto& u : usage) {
    EXPECT_EQ(u.exit_code, Batch(u.arguments).exit_code) << u.arguments;
  }
}

TEST_F(BatchCliTest, APlanDealsEveryClientOnceBySize) {
  const std::string plan = scratch_.File("plan");
  ASSERT_EQ(0, Batch("plan --shards 3 --out " + plan + " " + Input()).exit_code);
  std::vector<std::string> dealt;
  for (const char* shard : {"/shard-000.txt", "/shard-001.txt", "/shard-002.txt"}) {
    const std::string text = testing::ReadFile(plan + shard);
    EXPECT_FALSE(text.empty()) << shard;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      dealt.push_back(text.substr(at, end - at));
      at = end + 1;
    }
  }
  std::sort(dealt.begin(), dealt.end());
  std::vector<std::string> all;
  const std::string clients = testing::ReadFile(plan + "/clients.txt");
  for (std::size_t at = 0; at < clients.size();) {
    const std::size_t end = clients.find('\n', at);
    all.push_back(clients.substr(at, end - at));
    at = end + 1;
  }
  EXPECT_EQ(10u, all.size());
  EXPECT_EQ(all, dealt);
  // A shard is a list the batch reads.
  const std::string results = scratch_.File("results");
  EXPECT_NE(1,
            BatchAt("--no-summary --list " + plan + "/shard-000.txt --out " + results).exit_code);
}

}  // namespace
}  // namespace tallyscan
