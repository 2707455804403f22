// tallyscan-cli fields on the golden sets: the movements by side are the checks' movement
// totals, and the account cards' sums the accounts index's totals; a stop leaves no result.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sstream>
#include <string>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

using nlohmann::json;

// The golden script's four sets: name and generator options.
struct GoldenSet {
  const char* name;
  const char* options;
};
constexpr GoldenSet kGoldenSets[] = {
    {"valid", "--movements 400 --seed 101"},
    {"faults", "--movements 600 --seed 102"},  // every fault of --list-faults, added below
    {"dos", "--movements 300 --seed 103 --dos"},
    {"zipped", "--movements 300 --seed 104 --zip"},
};

// " --fault NAME" for every fault the generator lists, one a line, its name first.
std::string AllFaults(const testing::TempFolder& scratch) {
  const std::string list = scratch.File("faults");
  EXPECT_EQ(0, std::system((std::string(TALLYSCAN_GEN) + " --list-faults >" + list).c_str()));
  std::istringstream lines(testing::ReadFile(list));
  std::string options;
  for (std::string line; std::getline(lines, line);) {
    options += " --fault " + line.substr(0, line.find_first_of(" \t"));
  }
  return options;
}

// The figure of a row's cell: its agorot, 0 for an empty cell.
std::int64_t CellAgorot(const json& cell) {
  if (cell.contains("amount")) return cell["amount"].get<std::int64_t>();
  EXPECT_EQ("", cell["text"].get<std::string>());
  return 0;
}

const json& FieldNamed(const json& record, int code) {
  for (const json& field : record["fields"]) {
    if (field["code"] == code) return field;
  }
  static const json kNone;
  ADD_FAILURE() << "no field " << code;
  return kNone;
}

class FieldStatisticsCliTest : public ::testing::TestWithParam<GoldenSet> {
 protected:
  void SetUp() override {
    std::string options = GetParam().options;
    if (std::string_view(GetParam().name) == "faults") options += AllFaults(scratch_);
    ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) + " --quiet " + options + " " +
                              set_.path() + "/set")
                                 .c_str()));
    set_path_ = set_.path() + "/set";
  }

  testing::TempFolder set_, scratch_;
  std::string set_path_;
};

TEST_P(FieldStatisticsCliTest, SidesAreTheChecksTotalsAndCardsTheIndexTotals) {
  const std::string folder = " " + set_path_;
  const testing::CliRun fields = testing::RunCli("fields --format json" + folder, scratch_);
  ASSERT_EQ(0, fields.exit_code) << fields.err;
  const json result = json::parse(fields.out);
  const json* movements = nullptr;
  const json* cards = nullptr;
  for (const json& record : result["records"]) {
    if (record["record"] == "B100") movements = &record;
    if (record["record"] == "B110") cards = &record;
  }
  ASSERT_TRUE(movements != nullptr && cards != nullptr);

  auto row = [&](const std::string& command, std::string_view text) {
    const testing::CliRun run = testing::RunCli(command + " --format json" + folder, scratch_);
    EXPECT_EQ(0, run.exit_code) << run.err;
    for (std::size_t at = 0; at < run.out.size();) {
      std::size_t end = run.out.find('\n', at);
      if (end == std::string::npos) end = run.out.size();
      std::string line = run.out.substr(at, end - at);
      at = end + 1;
      if (line.ends_with(",")) line.pop_back();
      if (!line.starts_with("{\"cells\"") && !line.starts_with("{\"status\"")) continue;
      const json parsed = json::parse(line);
      for (const json& cell : parsed["cells"]) {
        if (cell["text"] == text) return parsed;
      }
    }
    ADD_FAILURE() << "no row " << text;
    return json();
  };

  const json checks = row("check", "סה'כ סכומי התנועות");
  ASSERT_FALSE(checks.is_null());
  const json& sides = (*movements)["sides"];
  EXPECT_EQ(CellAgorot(checks["cells"][1]), sides["debit"].get<std::int64_t>());
  // The credit column's amounts are negative.
  EXPECT_EQ(-CellAgorot(checks["cells"][2]), sides["credit"].get<std::int64_t>());

  const json index = row("view index", "סה'כ למאזן בוחן");
  ASSERT_FALSE(index.is_null());
  EXPECT_EQ(CellAgorot(index["cells"][13]), FieldNamed(*cards, 1414)["net"]);
  EXPECT_EQ(CellAgorot(index["cells"][14]), FieldNamed(*cards, 1415)["net"]);
  EXPECT_EQ(CellAgorot(index["cells"][15]), FieldNamed(*cards, 1416)["net"]);
  EXPECT_EQ(CellAgorot(index["cells"][17]), FieldNamed(*cards, 1422)["net"]);
}

INSTANTIATE_TEST_SUITE_P(GoldenSets, FieldStatisticsCliTest, ::testing::ValuesIn(kGoldenSets),
                         [](const auto& set) { return std::string(set.param.name); });

TEST(FieldStatisticsCli, CtrlCStopsWithoutAResult) {
  testing::TempFolder set, scratch;
  ASSERT_EQ(0, std::system(
                   (std::string(TALLYSCAN_GEN) + " --quiet --movements 200 " + set.path() + "/set")
                       .c_str()));
  for (const std::string command : {"fields", "summary records"}) {
    SCOPED_TRACE(command);
    const testing::CliRun run =
        testing::RunCliInterrupted(command + " --format json " + set.path() + "/set", scratch);
    EXPECT_EQ(130, run.exit_code);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("חישוב סטטיסטיקת השדות הופסק - אין תוצאה"));
  }
}

}  // namespace
}  // namespace tallyscan
