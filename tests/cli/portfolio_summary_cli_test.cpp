// The portfolio summary of a results folder made from tallyscan-cli's real outputs on generated
// clients, with hand-made manifests for the clients a batch could not analyse: the CSV and the
// JSON against their references, the workbook read back by an independent reader, and the
// same bytes from a second merge.
//
// TALLYSCAN_UPDATE_GOLDEN=1 writes the references anew (review the diff before committing).
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"
#include "engine/portfolio/portfolio.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using portfolio::ClientStatus;
using portfolio::Manifest;

const std::string kGolden = TALLYSCAN_SOURCE_DIR "/tests/engine/portfolio/golden/";

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class PortfolioSummaryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new testing::TempFolder;
    ASSERT_NO_FATAL_FAILURE(BuildResults());
  }
  static void TearDownTestSuite() {
    delete work_;
    work_ = nullptr;
  }

  static std::string Input(const std::string& id) { return work_->path() + "/input/" + id; }
  static std::string Results() { return work_->path() + "/results"; }
  static std::string ClientResults(const std::string& id) { return Results() + "/clients/" + id; }

  static Manifest BaseManifest(const std::string& id, int minute) {
    Manifest m;
    m.client = id;
    m.analyses = {"import", "check", "jet"};
    m.started =
        "2026-12-09T20:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + ":00Z";
    m.seconds = 1.5;
    m.peak_rss_kb = 20000 + minute;
    return m;
  }

  // Runs the analyses over the generated folder of `id` as a batch's child would, keeping each
  // command's JSON, and writes the manifest: "findings" when a command found any.
  static void Analyse(const std::string& id, const std::vector<std::string>& analyses, int minute,
                      std::string label = "") {
    fs::create_directories(ClientResults(id));
    bool findings = false;
    for (const std::string& analysis : analyses) {
      const int code = Shell(std::string(TALLYSCAN_CLI) + " " + analysis +
                             " --format json --fail-on-findings " + Quoted(Input(id)) + " >" +
                             Quoted(ClientResults(id) + "/" + analysis + ".json") + " 2>/dev/null");
      ASSERT_TRUE(code == 0 || code == 3) << id << " " << analysis << " exit " << code;
      findings = findings || code == 3;
    }
    Manifest m = BaseManifest(id, minute);
    m.label = std::move(label);
    m.analyses = analyses;
    m.status = findings ? ClientStatus::kFindings : ClientStatus::kOk;
    const std::string data = Input(id) + "/BKMVDATA.TXT";
    m.inputs = {{"INI.TXT", fs::file_size(Input(id) + "/INI.TXT"), std::nullopt,
                 fs::file_size(Input(id) + "/INI.TXT"), 1, 2, 3},
                {"BKMVDATA.TXT", fs::file_size(data), std::nullopt, fs::file_size(data), 1, 2, 4}};
    // The data file's digest as the journal-entry tests report it.
    const std::string jet = testing::ReadFile(ClientResults(id) + "/jet.json");
    if (!jet.empty()) {
      const nlohmann::json result = nlohmann::json::parse(jet);
      for (const auto& source : result["source"]) {
        if (source["name"] == "BKMVDATA.TXT") {
          m.inputs[1].sha256 = source["sha256"].get<std::string>();
        }
      }
    }
    ASSERT_TRUE(portfolio::WriteManifestFile(ClientResults(id) + "/manifest.json", m).ok());
  }

  static void HandMade(const Manifest& m) {
    fs::create_directories(ClientResults(m.client));
    ASSERT_TRUE(portfolio::WriteManifestFile(ClientResults(m.client) + "/manifest.json", m).ok());
  }

  static void Generate(const std::string& id, const std::string& options) {
    ASSERT_EQ(0,
              Shell(std::string(TALLYSCAN_GEN) + " --quiet " + options + " " + Quoted(Input(id))));
  }

  static void BuildResults() {
    std::string journal_faults, faults;
    ASSERT_EQ(0, Shell(std::string(TALLYSCAN_GEN) + " --list-journal-faults >" +
                       Quoted(work_->File("journal-faults"))));
    ASSERT_EQ(
        0, Shell(std::string(TALLYSCAN_GEN) + " --list-faults >" + Quoted(work_->File("faults"))));
    for (const auto& [file, list] :
         {std::pair{"journal-faults", &journal_faults}, std::pair{"faults", &faults}}) {
      std::istringstream lines(testing::ReadFile(work_->File(file)));
      for (std::string line; std::getline(lines, line);) {
        *list += " --fault " + line.substr(0, line.find(' '));
      }
    }
    const std::vector<std::string> all = {"import", "check", "jet", "fields"};
    ASSERT_NO_FATAL_FAILURE(
        Generate("audit/north", "--movements 1000 --seed 201 --profile audit" + journal_faults));
    ASSERT_NO_FATAL_FAILURE(Generate(
        "audit/north-copy", "--movements 1000 --seed 201 --profile audit" + journal_faults));
    ASSERT_NO_FATAL_FAILURE(Generate("audit/south", "--movements 1200 --seed 202 --profile audit"));
    ASSERT_NO_FATAL_FAILURE(Generate("plain/valid", "--movements 400 --seed 203"));
    ASSERT_NO_FATAL_FAILURE(Generate("plain/faults", "--movements 600 --seed 204" + faults));
    ASSERT_NO_FATAL_FAILURE(Generate("random", "--movements 400 --seed 205"));
    ASSERT_NO_FATAL_FAILURE(Generate("lost-jet", "--movements 1000 --seed 206 --profile audit"));
    // A valid INI.TXT over 3 MB of random bytes.
    std::mt19937 bytes(205);
    std::string noise(3 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(bytes());
    testing::WriteFile(Input("random") + "/BKMVDATA.TXT", noise);

    ASSERT_NO_FATAL_FAILURE(Analyse("audit/north", all, 1, "צפון"));
    ASSERT_NO_FATAL_FAILURE(Analyse("audit/north-copy", all, 2));
    ASSERT_NO_FATAL_FAILURE(Analyse("audit/south", {"import", "check", "jet"}, 3));
    ASSERT_NO_FATAL_FAILURE(Analyse("plain/valid", {"import", "check"}, 4));
    ASSERT_NO_FATAL_FAILURE(Analyse("plain/faults", {"import", "check", "jet"}, 5));
    ASSERT_NO_FATAL_FAILURE(Analyse("random", {"import"}, 6));
    ASSERT_NO_FATAL_FAILURE(Analyse("lost-jet", {"import", "check", "jet"}, 7));
    {
      // No movement line was read from the random bytes.
      Manifest m;
      ASSERT_TRUE(portfolio::ReadManifestFile(ClientResults("random") + "/manifest.json", m).ok());
      m.status = ClientStatus::kNotAnalysed;
      m.reason = "לא נקראה אף שורת תנועה";
      HandMade(m);
    }
    fs::remove(ClientResults("lost-jet") + "/jet.json");

    Manifest killed = BaseManifest("failed/killed", 8);
    killed.status = ClientStatus::kFailed;
    killed.reason = "התהליך הסתיים באות 9";
    killed.signal = 9;
    HandMade(killed);
    Manifest slow = BaseManifest("slow", 9);
    slow.status = ClientStatus::kTimedOut;
    slow.reason = "הופסק אחרי 600 שניות";
    slow.exit_code = 143;
    HandMade(slow);
    Manifest moving = BaseManifest("moving", 10);
    moving.status = ClientStatus::kChangedDuringRun;
    moving.reason = "קובץ הנתונים השתנה בזמן הקריאה";
    moving.exit_code = 0;
    HandMade(moving);
    Manifest ini_only = BaseManifest("ini only", 11);
    ini_only.status = ClientStatus::kNotAnalysed;
    ini_only.reason = "אין קובץ נתונים בתיקייה";
    ini_only.analyses = {};
    HandMade(ini_only);
    Manifest zipped = BaseManifest("zipped", 12);
    zipped.status = ClientStatus::kNotAnalysed;
    zipped.reason = "הקובץ הדחוס נדחה: שם רשומה עם \"..\"";
    HandMade(zipped);
    // A damaged manifest, and a client still running whose folder is not yet a result.
    fs::create_directories(ClientResults("broken"));
    testing::WriteFile(ClientResults("broken") + "/manifest.json", "{\"client\": \"broken\"");
    Manifest pending = BaseManifest("pending", 13);
    pending.status = ClientStatus::kOk;
    fs::create_directories(ClientResults("pending.partial"));
    ASSERT_TRUE(
        portfolio::WriteManifestFile(ClientResults("pending.partial") + "/manifest.json", pending)
            .ok());
    // The parameters the batch ran with, as it keeps them for a merge.
    testing::WriteFile(Results() + "/" + std::string(portfolio::kParametersCopyName),
                       R"({"portfolio_weights": {"import": 30, "digits": 10}})");
  }

  // What batch merge does.
  static void Merge() {
    portfolio::SummaryInputs inputs;
    ASSERT_TRUE(portfolio::ReadSummaryInputs(Results(), inputs).ok());
    ASSERT_TRUE(portfolio::WriteSummary(Results(), inputs).ok());
  }

  static void ExpectGolden(const std::string& name) {
    const std::string written = testing::ReadFile(Results() + "/" + name);
    ASSERT_FALSE(written.empty()) << name;
    if (std::getenv("TALLYSCAN_UPDATE_GOLDEN") != nullptr) {
      testing::WriteFile(kGolden + name, written);
      return;
    }
    if (!fs::exists(kGolden + name)) GTEST_SKIP() << "no reference for " << name;
    EXPECT_EQ(testing::ReadFile(kGolden + name), written) << name << " differs from its reference";
  }

  static testing::TempFolder* work_;
};
testing::TempFolder* PortfolioSummaryTest::work_ = nullptr;

TEST_F(PortfolioSummaryTest, TheSummaryMatchesItsReferencesAndASecondMergeWritesTheSameBytes) {
  ASSERT_NO_FATAL_FAILURE(Merge());
  ExpectGolden("portfolio.csv");
  ExpectGolden("portfolio.json");
  std::map<std::string, std::string> first;
  for (const char* name : {"portfolio.csv", "portfolio.json", "portfolio.xlsx"}) {
    first[name] = testing::ReadFile(Results() + "/" + name);
  }
  ASSERT_NO_FATAL_FAILURE(Merge());
  for (const auto& [name, bytes] : first) {
    EXPECT_EQ(bytes, testing::ReadFile(Results() + "/" + name)) << name;
  }
  // Nothing but the four files was left beside them.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Results())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"clients", "parameters.json", "portfolio.csv",
                                      "portfolio.json", "portfolio.xlsx", "run.json"}),
            names);
}

TEST_F(PortfolioSummaryTest, RunJsonTellsEachClientReusedByAMerge) {
  ASSERT_NO_FATAL_FAILURE(Merge());
  const auto run = nlohmann::json::parse(testing::ReadFile(Results() + "/run.json"));
  ASSERT_EQ(13u, run["clients"].size());
  for (const auto& client : run["clients"]) EXPECT_TRUE(client["reused"].get<bool>()) << client;
  EXPECT_TRUE(run["peak_rss_kb"].is_null());
  EXPECT_EQ(20, run["start"].get<std::string>().size());
}

TEST_F(PortfolioSummaryTest, AnIndependentReaderFindsTheThreeSheetsWithNumbersAsNumbers) {
  ASSERT_NO_FATAL_FAILURE(Merge());
  const std::string facts = Results() + "/facts.txt";
  ASSERT_EQ(0, Shell("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " +
                     Quoted(Results() + "/portfolio.xlsx") + " >" + Quoted(facts)));
  std::vector<std::string> sheets;
  std::map<std::string, std::pair<std::string, std::string>> cells;  // "sheet!A1": type, value
  std::istringstream lines(testing::ReadFile(facts));
  fs::remove(facts);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields[0] == "sheet") sheets.push_back(fields[1]);
    if (fields[0] == "cell") cells[fields[1] + "!" + fields[2]] = {fields[3], fields[4]};
  }
  EXPECT_EQ((std::vector<std::string>{"תיק", "כשלים", "הרצה"}), sheets);
  const std::vector<std::string> columns = {"rank",
                                            "client",
                                            "label",
                                            "dealer_number",
                                            "business_name",
                                            "tax_year",
                                            "format_version",
                                            "movements",
                                            "bytes",
                                            "sha256",
                                            "status",
                                            "reason",
                                            "exit_code",
                                            "signal",
                                            "import_errors",
                                            "failing_checks",
                                            "tests_run",
                                            "tests_weak",
                                            "tests_not_run",
                                            "tests_with_hits",
                                            "hits",
                                            "top_score",
                                            "first_digit_class",
                                            "risk_score",
                                            "band",
                                            "same_company_as"};
  const auto heading = [&](std::size_t c) { return std::string(1, static_cast<char>('A' + c)); };
  for (std::size_t c = 0; c < columns.size(); ++c) {
    EXPECT_EQ(columns[c], cells["תיק!" + heading(c) + "1"].second) << c;
  }
  EXPECT_EQ((std::pair<std::string, std::string>{"int", "1"}), cells["תיק!A2"]);
  EXPECT_EQ("str", cells["תיק!B2"].first);
  // The failures sheet lists the eight clients without a score with their reasons.
  EXPECT_EQ("reason", cells["כשלים!D1"].second);
  EXPECT_EQ(1u, cells.count("כשלים!D9"));
  EXPECT_EQ(0u, cells.count("כשלים!A10"));
  EXPECT_EQ((std::pair<std::string, std::string>{"str", "משקל import"}), cells["הרצה!A7"]);
  EXPECT_EQ((std::pair<std::string, std::string>{"int", "30"}), cells["הרצה!B7"]);
}

}  // namespace
}  // namespace tallyscan
