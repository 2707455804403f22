// Recall on generated ledgers: a set of the audit profile with one kind of journal-entry
// fault planted is imported and run through the whole pack, and the test of that kind finds
// every line (or gap) the set's manifest lists for it, while the tests a clean ledger leaves
// silent stay silent. A clean set finds nothing but the largest amounts, the period's last
// days and the lone large movements, and its population reconciles.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/analytics/jet.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

// The tests a clean ledger of the profile always gives hits.
bool HitsOnACleanLedger(JetTest test) {
  return test == JetTest::kHighValue || test == JetTest::kPeriodEnd ||
         test == JetTest::kRelativeSize;
}

struct Generated {
  GeneratedDataSet set;
  JetResult result;
};

Generated GenerateAndRun(const testing::TempFolder& root, const std::string& name,
                         std::uint64_t seed, std::vector<FaultRequest> faults) {
  DataSetOptions options;
  options.profile = DataProfile::kAudit;
  options.movements = 3000;
  options.accounts = 60;
  options.items = 40;
  options.seed = seed;
  options.faults = std::move(faults);
  const fs::path folder = fs::path(root.path()) / name;
  Generated out;
  const Status generated = GenerateDataSet(options, folder, &out.set);
  EXPECT_TRUE(generated.ok()) << name << ": " << generated.message();

  RecordStore store;
  SilentProgress silent;
  const ImportResult imported = ImportFolder(store, folder.string(), silent);
  EXPECT_TRUE(imported.status.ok()) << name << ": " << imported.status.message();
  JetRun run = RunJet(store, SourceFilesOf(imported), JetParameters{}, AllJetTests(), silent);
  EXPECT_TRUE(run.status.ok()) << name << ": " << run.status.message();
  if (run.result) out.result = std::move(*run.result);
  return out;
}

// "12-14" and "12-14 305" of a gap's manifest value.
std::vector<std::string> SplitRange(const std::string& value) {
  const std::size_t dash = value.find('-');
  const std::size_t blank = value.find(' ', dash);
  std::vector<std::string> parts = {value.substr(0, dash),
                                    value.substr(dash + 1, blank - dash - 1)};
  if (blank != std::string::npos) parts.push_back(value.substr(blank + 1));
  return parts;
}

// Whether the test's result holds what one manifest entry planted.
bool Found(const JetTestResult& test, const ManifestEntry& entry) {
  if (test.test == JetTest::kTransactionGap) {
    const std::vector<std::string> range = SplitRange(entry.value);
    return std::any_of(test.transaction_ranges.begin(), test.transaction_ranges.end(),
                       [&](const JetNumberRange& r) {
                         return std::to_string(r.from) == range[0] &&
                                std::to_string(r.to) == range[1];
                       });
  }
  if (test.test == JetTest::kDocumentGap) {
    const std::vector<std::string> range = SplitRange(entry.value);
    return range.size() == 3 &&
           std::any_of(test.document_ranges.begin(), test.document_ranges.end(),
                       [&](const JetDocumentRange& r) {
                         return r.from == range[0] && r.to == range[1] && r.type == range[2];
                       });
  }
  return std::binary_search(test.lines.begin(), test.lines.end(),
                            static_cast<std::uint32_t>(entry.line));
}

// The tests other than `planted` (and those a clean ledger always has) that found anything.
std::set<std::string> Silent(const JetResult& result, std::string_view planted) {
  std::set<std::string> noisy;
  for (const JetTestResult& test : result.tests) {
    const std::string_view id = JetTestId(test.test);
    if (id != planted && !HitsOnACleanLedger(test.test) && test.hits != 0) {
      noisy.insert(std::string(id) + " (" + std::to_string(test.hits) + ")");
    }
  }
  return noisy;
}

TEST(JetRecallTest, ACleanLedgerFindsOnlyTheLargestAmountsThePeriodEndAndLoneLargeMovements) {
  testing::TempFolder root;
  const Generated clean = GenerateAndRun(root, "clean", 7, {});
  ASSERT_EQ(kJetTestCount, clean.result.tests.size());
  EXPECT_TRUE(clean.set.manifest.empty());
  EXPECT_TRUE(clean.result.population.reconciles);
  EXPECT_EQ(std::set<std::string>(), Silent(clean.result, ""));
  for (const JetTest test : {JetTest::kHighValue, JetTest::kPeriodEnd}) {
    EXPECT_GT(clean.result.Find(test)->hits, 0) << JetTestId(test);
  }
}

TEST(JetRecallTest, EveryPlantedFaultIsFoundByItsTestAndByNoOther) {
  testing::TempFolder root;
  std::uint64_t seed = 100;
  for (const FaultInfo& info : JournalFaults()) {
    const int count = info.max_count == 0 ? 2 : std::min(2, info.max_count);
    const std::string id(ManifestName(info.kind));
    SCOPED_TRACE(std::string(info.name) + "@" + std::to_string(count));
    const Generated planted =
        GenerateAndRun(root, std::string(info.name), ++seed, {{info.kind, count}});
    ASSERT_EQ(kJetTestCount, planted.result.tests.size());
    ASSERT_GE(planted.set.manifest.size(), static_cast<std::size_t>(count));

    JetTest test{};
    ASSERT_TRUE(FindJetTest(id, test));
    const JetTestResult& found = *planted.result.Find(test);
    std::vector<std::string> missed;
    for (const ManifestEntry& entry : planted.set.manifest) {
      ASSERT_EQ(id, ManifestName(entry.kind));
      if (!Found(found, entry)) missed.push_back(std::to_string(entry.line) + " " + entry.value);
    }
    EXPECT_EQ(std::vector<std::string>(), missed);
    EXPECT_EQ(std::set<std::string>(), Silent(planted.result, id));
    EXPECT_TRUE(planted.result.population.reconciles);
  }
}

}  // namespace
}  // namespace tallyscan
