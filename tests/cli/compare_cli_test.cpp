// tallyscan-cli compare on a generated year and the years after it: each planted fault found
// by its part and by no other, a clean year without findings, and the identity of the pair.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

using nlohmann::json;

class CompareCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new testing::TempFolder;
    Gen("--quiet --movements 1500 --seed 31 " + Folder("prior"));
    Gen("--next-year " + Folder("prior") + " " + Folder("clean"));
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }
  static std::string Folder(const std::string& name) { return root_->File(name); }
  static void Gen(const std::string& arguments) {
    const std::string command = std::string(TALLYSCAN_GEN) + " " + arguments;
    ASSERT_EQ(0, std::system(command.c_str())) << command;
  }
  json Compare(const std::string& prior, const std::string& current,
               const std::string& options = "") {
    const testing::CliRun run =
        testing::RunCli("compare --format json " + options + " " + prior + " " + current, scratch_);
    EXPECT_EQ(0, run.exit_code) << run.err;
    return json::parse(run.out);
  }
  // The value column of the manifest's one row.
  static std::string PlantedKey(const std::string& folder) {
    std::istringstream manifest(testing::ReadFile(folder + "/MANIFEST.TSV"));
    std::string line, last;
    while (std::getline(manifest, line)) last = line;
    return last.substr(last.rfind('\t') + 1);
  }
  static std::vector<std::string> ErrorKeys(const json& result) {
    std::vector<std::string> keys;
    for (const json& row : result["openings"]["rows"]) {
      if (row["status"] == "error") keys.push_back(row["key"]);
    }
    return keys;
  }

  static testing::TempFolder* root_;
  testing::TempFolder scratch_;
};

testing::TempFolder* CompareCliTest::root_ = nullptr;

TEST_F(CompareCliTest, ACleanNextYearOpensWithLastYearsClosingAndNamesItsResultAccount) {
  const json result = Compare(Folder("prior"), Folder("clean"));
  EXPECT_EQ(std::vector<std::string>{}, ErrorKeys(result));
  EXPECT_EQ("5100", result["openings"]["reconciliation"]["result_account"]);
  EXPECT_EQ(0, result["openings"]["reconciliation"]["remaining"]);
  EXPECT_EQ("run", result["openings"]["state"]) << result["openings"]["reason"];
  EXPECT_TRUE(result["counterparties"]["rows"].empty());
  EXPECT_TRUE(result["accounts"]["rows"].empty());
  EXPECT_EQ("תקופות רצופות", result["identity"]["relation"]);
  EXPECT_EQ(12, result["identity"]["current"]["months"]);
  const testing::CliRun strict = testing::RunCli(
      "compare --fail-on-findings " + Folder("prior") + " " + Folder("clean"), scratch_);
  EXPECT_EQ(0, strict.exit_code) << strict.out;
}

TEST_F(CompareCliTest,
       EachPlantedFaultIsFoundByItsPartAndTheOpeningsAndCounterpartiesFindNothingElse) {
  struct Case {
    const char* kind;
    const char* found_by;
  };
  const Case cases[] = {
      {"opening-mismatch", "openings"},
      {"dropped-account", "openings"},
      {"opening-on-closed", "openings"},
      {"result-not-closed", "reconciliation"},
      {"swing", "review"},
      {"new-counterparty", "counterparties"},
      {"renamed-account", "accounts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string folder = Folder(std::string("next-") + c.kind);
    Gen("--next-year " + Folder("prior") + " " + folder + " --seed 3 --fault " + c.kind);
    const std::string key = PlantedKey(folder);
    const json result = Compare(Folder("prior"), folder);
    const std::string found_by = c.found_by;
    const json& reconciliation = result["openings"]["reconciliation"];

    EXPECT_EQ(found_by == "openings" ? std::vector<std::string>{key} : std::vector<std::string>{},
              ErrorKeys(result));
    if (found_by == "reconciliation") {
      EXPECT_TRUE(reconciliation["result_account"].is_null());
    } else {
      EXPECT_EQ("5100", reconciliation["result_account"]);
    }
    std::vector<std::string> parties;
    for (const json& row : result["counterparties"]["rows"]) parties.push_back(row["key"]);
    EXPECT_EQ(
        found_by == "counterparties" ? std::vector<std::string>{key} : std::vector<std::string>{},
        parties);
    if (found_by == "review") {
      bool flagged = false;
      for (const json& row : result["review"]["accounts"]) {
        if (row["key"] == key) flagged = row["flagged"];
      }
      EXPECT_TRUE(flagged);
    }
    if (found_by == "accounts") {
      ASSERT_EQ(1u, result["accounts"]["rows"].size());
      EXPECT_EQ("renamed", result["accounts"]["rows"][0]["kind"]);
      EXPECT_EQ(key, result["accounts"]["rows"][0]["key"]);
    }
    const testing::CliRun strict =
        testing::RunCli("compare --fail-on-findings " + Folder("prior") + " " + folder, scratch_);
    EXPECT_EQ(found_by == "accounts" ? 0 : 3, strict.exit_code);
  }
}

TEST_F(CompareCliTest, TheIdentityRefusesAnotherCompanyAndStatesGapsAndOverlaps) {
  Gen("--quiet --movements 300 --seed 32 " + Folder("other"));
  const testing::CliRun refused =
      testing::RunCli("compare " + Folder("prior") + " " + Folder("other"), scratch_);
  EXPECT_EQ(1, refused.exit_code);
  EXPECT_EQ("", refused.out);
  const json mixed = Compare(Folder("prior"), Folder("other"), "--other-company");
  const std::string a = mixed["identity"]["prior"]["dealer_number"];
  const std::string b = mixed["identity"]["current"]["dealer_number"];
  ASSERT_NE(a, b);
  EXPECT_EQ("הקבצים שייכים לעוסקים שונים: " + a + " ו-" + b + "\n", refused.err);
  EXPECT_TRUE(mixed["identity"]["other_company"].get<bool>());

  // The same year twice overlaps by the whole leap year; the year after next leaves one out.
  const json same = Compare(Folder("prior"), Folder("prior"));
  EXPECT_EQ("חפיפה של 366 ימים", same["identity"]["relation"]);
  EXPECT_EQ(-366, same["identity"]["days"]);
  EXPECT_FALSE(same["identity"]["other_company"].get<bool>());
  Gen("--next-year " + Folder("clean") + " " + Folder("third"));
  const json gap = Compare(Folder("prior"), Folder("third"));
  EXPECT_EQ("פער של 365 ימים", gap["identity"]["relation"]);
  EXPECT_EQ(365, gap["identity"]["days"]);
}

}  // namespace
}  // namespace tallyscan
