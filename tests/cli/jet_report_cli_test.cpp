// tallyscan-cli report jet on an audit set with every journal fault: the PDF read back by
// pdftotext names each test with its hit count, the HTML is the same byte for byte when made
// again, the parameter file given changes what is reported, and a refused parameter file
// leaves no report.
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/analytics/analytics.h"

namespace tallyscan {
namespace {

using testing::ReadFile;
using testing::RunCli;
using testing::TempFolder;

constexpr const char* kJournalFaults[] = {
    "late-entry",         "post-closing", "weekend",           "holiday",     "rare-operator",
    "seldom-account",     "rare-flow",    "round-amount",      "duplicate",   "transaction-gap",
    "document-gap",       "below-limit",  "blank-description", "keyword",     "no-reference",
    "missing-document",   "reversal",     "relative-size",     "after-hours", "backdated-document",
    "cancelled-document", "benford-spike"};

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  ::pclose(pipe);
  return std::regex_replace(text, std::regex("\u202A|\u202B|\u202C|\u202D|\u202E"), "");
}

class JetReportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string faults;
    for (const char* kind : kJournalFaults) faults += std::string(" --fault ") + kind;
    ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) +
                              " --quiet --profile audit --movements 1500 --seed 9" + faults + " " +
                              scratch_.File("set"))
                                 .c_str()));
    ::setenv("SOURCE_DATE_EPOCH", "1736937000", 1);
  }
  TempFolder scratch_;
};

TEST_F(JetReportCli, ThePdfNamesEveryTestAndTheHtmlComesOutTheSame) {
  ASSERT_EQ(0, RunCli("report jet --format pdf --out " + scratch_.File("r.pdf") + " " +
                          scratch_.File("set"),
                      scratch_)
                   .exit_code);
  const std::string text = Output("pdftotext -raw '" + scratch_.File("r.pdf") + "' -");
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    const std::string id(JetTestId(static_cast<JetTest>(i)));
    EXPECT_NE(std::string::npos, text.find(id)) << id;
    // No table breaks an id over two lines (a line holding only its first part).
    for (std::size_t cut = id.size() / 2; cut < id.size(); ++cut) {
      JetTest other;
      if (FindJetTest(id.substr(0, cut), other)) continue;
      EXPECT_EQ(std::string::npos, text.find("\n" + id.substr(0, cut) + "\n"))
          << id << " cut at " << cut;
    }
  }
  // The version reads as written within the right-to-left page.
  std::string version = RunCli("--version", scratch_).out;
  version = version.substr(version.find(' ') + 1);
  version = version.substr(0, version.find('\n'));
  ASSERT_FALSE(version.empty());
  EXPECT_NE(std::string::npos, text.find(version)) << version;

  for (const char* name : {"a.htm", "b.htm"}) {
    ASSERT_EQ(0, RunCli("report jet --format htm --out " + scratch_.File(name) + " " +
                            scratch_.File("set"),
                        scratch_)
                     .exit_code);
  }
  EXPECT_EQ(ReadFile(scratch_.File("a.htm")), ReadFile(scratch_.File("b.htm")));
}

TEST_F(JetReportCli, TheParameterFileGivenIsReportedAndARefusedOneLeavesNoFile) {
  FILE* file = std::fopen(scratch_.File("p.json").c_str(), "w");
  std::fputs("{\"late_days\": 45}", file);
  std::fclose(file);
  ASSERT_EQ(0, RunCli("report jet --format xls --params " + scratch_.File("p.json") + " --out " +
                          scratch_.File("r.xls") + " " + scratch_.File("set"),
                      scratch_)
                   .exit_code);
  const std::string xls = ReadFile(scratch_.File("r.xls"));
  const std::size_t key = xls.find("late_days");
  ASSERT_NE(std::string::npos, key);
  EXPECT_EQ(key + xls.substr(key).find("45"), xls.find("45", key));
  EXPECT_LT(xls.find("45", key) - key, 200u);

  file = std::fopen(scratch_.File("bad.json").c_str(), "w");
  std::fputs("{\"late_days\": -1}", file);
  std::fclose(file);
  const testing::CliRun refused =
      RunCli("report jet --format htm --params " + scratch_.File("bad.json") + " --out " +
                 scratch_.File("no.htm") + " " + scratch_.File("set"),
             scratch_);
  EXPECT_EQ(1, refused.exit_code);
  EXPECT_NE(std::string::npos, refused.err.find("late_days"));
  EXPECT_FALSE(std::filesystem::exists(scratch_.File("no.htm")));
}

}  // namespace
}  // namespace tallyscan
