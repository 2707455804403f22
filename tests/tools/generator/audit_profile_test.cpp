// Sets of the audit profile: a clean set keeps every property that the journal-entry tests
// rely on to find nothing, the integrity checks find nothing in it, and each fault breaks
// its own property alone, on the lines its manifest names.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "generator/calendar.h"
#include "generator/data_set.h"
#include "support/audit_set.h"
#include "support/set_check.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using testing::AuditSet;
using testing::BrokenProperties;
using testing::DaysBetween;
using testing::SetMovement;
using testing::WeekdayOf;

DataSetOptions Audit(std::int64_t movements, std::uint64_t seed,
                     std::vector<FaultRequest> faults = {}) {
  DataSetOptions options;
  options.profile = DataProfile::kAudit;
  options.movements = movements;
  options.accounts = static_cast<int>(std::clamp<std::int64_t>(movements / 200, 60, 5000));
  options.items = 40;
  options.seed = seed;
  options.faults = std::move(faults);
  return options;
}

fs::path Generate(const testing::TempFolder& root, const std::string& name,
                  const DataSetOptions& options, GeneratedDataSet* result) {
  const fs::path folder = fs::path(root.path()) / name;
  const Status status = GenerateDataSet(options, folder, result);
  EXPECT_TRUE(status.ok()) << name << ": " << status.message();
  return folder;
}

std::string Describe(const std::map<std::string, std::string>& broken) {
  std::string text;
  for (const auto& [property, what] : broken) text += property + " (" + what + ") ";
  return text;
}

class NoonClock final : public Clock {
 public:
  TimeOfDay Now() const override { return {12, 0, 0}; }
};

// The error rows of the import and of every check.
std::vector<std::string> IntegrityErrors(const fs::path& folder) {
  testing::TempFolder cache;
  RecordStore store;
  SilentProgress silent;
  std::vector<std::string> errors;
  const ImportResult imported = ImportFolder(store, folder.string(), silent, {cache.path()});
  if (!imported.status.ok() || imported.findings != 0) errors.push_back("the import has findings");
  CheckResultRows rows;
  RunChecks(store, CheckTicks(), NoonClock(), silent, rows);
  for (const std::string& row : rows) {
    if (row.starts_with("1\t")) errors.push_back(row);
  }
  return errors;
}

TEST(AuditProfileTest, CleanSetOfTwoHundredThousandMovementsBreaksNoProperty) {
  testing::TempFolder root;
  GeneratedDataSet result;
  const fs::path folder = Generate(root, "clean", Audit(200000, 17), &result);
  EXPECT_TRUE(result.manifest.empty());
  EXPECT_EQ(200000, result.counts.b100);
  const AuditSet set = testing::ReadAuditSet(folder);
  EXPECT_EQ("", Describe(BrokenProperties(set)));
}

TEST(AuditProfileTest, IntegrityChecksFindNothingWithOrWithoutJournalFaults) {
  testing::TempFolder root;
  std::vector<FaultRequest> every;
  for (const FaultInfo& info : JournalFaults()) every.push_back({info.kind, 2});
  for (const bool dos : {false, true}) {
    for (const bool faults : {false, true}) {
      DataSetOptions options = Audit(5000, 3, faults ? every : std::vector<FaultRequest>());
      options.dos_coded = dos;
      GeneratedDataSet result;
      const std::string name = std::string(dos ? "dos" : "win") + (faults ? "-faults" : "");
      const fs::path folder = Generate(root, name, options, &result);
      EXPECT_TRUE(testing::CheckSet(folder).findings.empty()) << name;
      EXPECT_EQ(std::vector<std::string>(), IntegrityErrors(folder)) << name;
    }
  }
}

// What a manifest line of each kind holds, read from the set.
bool Holds(FaultKind kind, const ManifestEntry& entry, const AuditSet& set,
           const std::vector<ManifestEntry>& manifest) {
  const auto movement = [&](std::int64_t line) -> const SetMovement* {
    for (const SetMovement& m : set.movements) {
      if (m.line == line) return &m;
    }
    return nullptr;
  };
  const auto document = [&](std::int64_t line) -> const testing::SetDocument* {
    for (const testing::SetDocument& d : set.documents) {
      if (d.line == line) return &d;
    }
    return nullptr;
  };
  const auto count = [&](auto predicate) {
    return std::count_if(set.movements.begin(), set.movements.end(), predicate);
  };
  // Another planted line of the kind that `fits` the line.
  const auto partnered = [&](const SetMovement& m, auto fits) {
    return std::any_of(manifest.begin(), manifest.end(), [&](const ManifestEntry& other) {
      const SetMovement* o = movement(other.line);
      return o != nullptr && o->transaction != m.transaction && fits(*o);
    });
  };
  const auto range = [&] {
    const std::string& value = entry.value;
    const auto dash = value.find('-');
    return std::pair{std::stoll(value.substr(0, dash)), std::stoll(value.substr(dash + 1))};
  };
  switch (kind) {
    case FaultKind::kAfterHours:
    case FaultKind::kBackdatedDocument:
    case FaultKind::kCancelledDocument: {
      const testing::SetDocument* d = document(entry.line);
      if (d == nullptr) return false;
      if (kind == FaultKind::kAfterHours) return d->time < 700 || d->time >= 2000;
      if (kind == FaultKind::kBackdatedDocument) return DaysBetween(d->date, d->produced) > 30;
      return d->cancelled;
    }
    case FaultKind::kDocumentGap: {
      const testing::SetDocument* d = document(entry.line);
      const auto [from, to] = range();
      const std::string type = entry.value.substr(entry.value.find(' ') + 1);
      const auto numbered = [&](std::int64_t low, std::int64_t high) {
        return std::count_if(set.documents.begin(), set.documents.end(), [&](const auto& o) {
          return o.type == type && std::stoll(o.number) >= low && std::stoll(o.number) <= high;
        });
      };
      return d != nullptr && d->type == type && std::stoll(d->number) == from - 1 &&
             numbered(from, to) == 0 && numbered(to + 1, to + 1) == 1;
    }
    default:
      break;
  }
  const SetMovement* m = movement(entry.line);
  if (m == nullptr) return false;
  switch (kind) {
    case FaultKind::kLateEntry:
      return DaysBetween(m->date, m->entry_date) > 30 && m->entry_date <= set.last_day;
    case FaultKind::kPostClosing:
      return m->date <= set.last_day && m->entry_date > set.last_day &&
             DaysBetween(m->date, m->entry_date) <= 30;
    case FaultKind::kWeekend:
      return WeekdayOf(m->entry_date) >= 5;
    case FaultKind::kHoliday:
      return WeekdayOf(m->entry_date) <= 4 && testing::ReferenceHolidays().contains(m->entry_date);
    case FaultKind::kRareOperator:
      return m->operator_name == entry.value &&
             count([&](const SetMovement& o) { return o.operator_name == m->operator_name; }) < 10;
    case FaultKind::kSeldomAccount:
      return m->account == entry.value &&
             count([&](const SetMovement& o) { return o.account == m->account; }) <= 3;
    case FaultKind::kRareFlow:
      return count([&](const SetMovement& o) {
               return o.account == m->account && o.counter == m->counter;
             }) == 1;
    case FaultKind::kRoundAmount:
      return m->amount >= 100000 && m->amount % 100000 == 0;
    case FaultKind::kDuplicate:
      return partnered(*m, [&](const SetMovement& o) {
        return o.account == m->account && o.credit == m->credit && o.amount == m->amount &&
               o.date == m->date && o.reference == m->reference;
      });
    case FaultKind::kReversal:
      return partnered(*m, [&](const SetMovement& o) {
        return o.account == m->account && o.counter == m->counter && o.amount == m->amount &&
               o.credit != m->credit && std::abs(DaysBetween(o.date, m->date)) <= 30;
      });
    case FaultKind::kTransactionGap: {
      const auto [from, to] = range();
      const auto numbered = [&](std::int64_t low, std::int64_t high) {
        return count([&](const SetMovement& o) {
          return std::stoll(o.transaction) >= low && std::stoll(o.transaction) <= high;
        });
      };
      return std::stoll(m->transaction) == from - 1 && numbered(from, to) == 0 &&
             set.lines[static_cast<std::size_t>(entry.line)].starts_with("B100") &&
             numbered(to + 1, to + 1) > 0;
    }
    case FaultKind::kBelowLimit: {
      // Below one limit, and that limit has its crowd.
      for (const std::int64_t limit : {1000000, 5000000}) {
        if (m->amount * 10 < limit * 9 || m->amount >= limit) continue;
        const auto below = count(
            [&](const SetMovement& o) { return o.amount * 10 >= limit * 9 && o.amount < limit; });
        const auto above = count(
            [&](const SetMovement& o) { return o.amount >= limit && o.amount * 10 < limit * 11; });
        return below >= 10 && below > 2 * above;
      }
      return false;
    }
    case FaultKind::kBlankDescription:
      return m->details.empty();
    case FaultKind::kKeyword:
      return m->details.find(Utf8ToCp1255(entry.value)) != std::string::npos;
    case FaultKind::kNoReference:
      return m->reference.empty() && m->second_reference.empty();
    case FaultKind::kMissingDocument:
      return !m->reference.empty() &&
             std::none_of(set.documents.begin(), set.documents.end(),
                          [&](const auto& d) {
                            return d.type == m->reference_type && d.number == m->reference;
                          }) &&
             std::any_of(set.documents.begin(), set.documents.end(),
                         [&](const auto& d) { return d.type == m->reference_type; });
    case FaultKind::kRelativeSize:
      return count([&](const SetMovement& o) {
               return o.account == m->account && o.line != m->line && o.amount * 10 > m->amount;
             }) == 0;
    case FaultKind::kBenfordSpike:
      // The pair stands out and throws the whole population out of "acceptable".
      return std::to_string(m->amount).substr(0, 2) ==
                 entry.message.substr(entry.message.size() - 2) &&
             testing::FirstTwoMad(set) > 0.0018 &&
             testing::FirstTwoZ(set, std::stoi(entry.message.substr(entry.message.size() - 2))) >
                 3.29;
    default:
      return false;
  }
}

TEST(AuditProfileTest, EachFaultBreaksItsOwnPropertyAloneOnTheLinesItsManifestNames) {
  const std::map<std::string, std::set<std::string>> broken_by = {
      {"late-entry", {"posting-days"}},
      {"post-closing", {"posting-days"}},
      {"weekend", {"posting-days"}},
      {"holiday", {"posting-days"}},
      {"rare-operator", {"operators"}},
      {"seldom-account", {"accounts"}},
      {"rare-flow", {"flows"}},
      {"round-amount", {"round-amounts"}},
      {"duplicate", {"duplicates"}},
      {"transaction-gap", {"numbers"}},
      {"document-gap", {"numbers"}},
      {"below-limit", {"limits"}},
      {"blank-description", {"details"}},
      {"keyword", {"details"}},
      {"no-reference", {"references"}},
      {"missing-document", {"references"}},
      {"reversal", {"reversals"}},
      {"relative-size", {}},  // a clean set may have one as well
      {"after-hours", {"documents"}},
      {"backdated-document", {"documents"}},
      {"cancelled-document", {"documents"}},
      {"benford-spike", {"digits"}},
  };
  testing::TempFolder root;
  std::uint64_t seed = 0;
  for (const FaultInfo& info : JournalFaults()) {
    const int count = info.max_count == 1 ? 1 : 2;
    SCOPED_TRACE(std::string(info.name) + "@" + std::to_string(count));
    GeneratedDataSet result;
    const fs::path folder =
        Generate(root, std::string(info.name), Audit(3000, ++seed, {{info.kind, count}}), &result);
    const AuditSet set = testing::ReadAuditSet(folder);

    std::set<std::string> broken;
    for (const auto& [property, what] : BrokenProperties(set)) broken.insert(property);
    EXPECT_EQ(broken_by.at(std::string(info.name)), broken) << Describe(BrokenProperties(set));
    EXPECT_TRUE(testing::CheckSet(folder).findings.empty());

    ASSERT_GE(result.manifest.size(), static_cast<std::size_t>(count));
    for (const ManifestEntry& entry : result.manifest) {
      EXPECT_EQ(ManifestName(info.kind), ManifestName(entry.kind));
      EXPECT_EQ("BKMVDATA.TXT", entry.file);
      ASSERT_TRUE(entry.line >= 1 && entry.line <= static_cast<std::int64_t>(set.lines.size()));
      EXPECT_TRUE(Holds(info.kind, entry, set, result.manifest))
          << "line " << entry.line << ": " << entry.message << " " << entry.value;
    }
  }
}

TEST(AuditProfileTest, TheSameSeedGivesTheSameAuditSet) {
  testing::TempFolder root;
  GeneratedDataSet result;
  const DataSetOptions options =
      Audit(2000, 9, {{FaultKind::kDuplicate, 1}, {FaultKind::kBenfordSpike, 1}});
  const fs::path a = Generate(root, "a", options, &result);
  const fs::path b = Generate(root, "b", options, &result);
  for (const char* file : {"INI.TXT", "BKMVDATA.TXT", "MANIFEST.TSV"}) {
    EXPECT_EQ(testing::ReadFile(a / file), testing::ReadFile(b / file)) << file;
  }
}

TEST(AuditProfileTest, RefusesFaultsOfTheOtherProfileAndSetsTooSmallForTheirFaults) {
  testing::TempFolder root;
  DataSetOptions journal_in_plain;
  journal_in_plain.faults = {{FaultKind::kWeekend, 1}};
  const DataSetOptions cases[] = {
      journal_in_plain,
      Audit(3000, 1, {{FaultKind::kVat, 1}}),
      Audit(999, 1),
      Audit(1000, 1, {{FaultKind::kPostClosing, 60}}),
      Audit(1000, 1, {{FaultKind::kBelowLimit, 3}}),
  };
  for (const DataSetOptions& options : cases) {
    GeneratedDataSet result;
    EXPECT_EQ(StatusCode::kRefused,
              GenerateDataSet(options, fs::path(root.path()) / "x", &result).code());
  }
}

// Every day of 2000 to 2050 against python3-pyluach.
TEST(AuditProfileTest, HolidaysAreThoseOfTheHebrewCalendar) {
  const std::set<int>& reference = testing::ReferenceHolidays();
  ASSERT_FALSE(reference.empty()) << "python3-pyluach is not installed";
  std::set<int> holidays;
  using namespace std::chrono;
  for (sys_days day = sys_days(2000y / January / 1); day <= sys_days(2050y / December / 31);
       day += days(1)) {
    const year_month_day date(day);
    const int yyyymmdd = static_cast<int>(date.year()) * 10000 +
                         static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
                         static_cast<int>(static_cast<unsigned>(date.day()));
    if (gen::IsIsraeliHoliday(yyyymmdd)) holidays.insert(yyyymmdd);
  }
  std::set<int> expected;
  for (const int day : reference) {
    if (day <= 20501231) expected.insert(day);
  }
  EXPECT_EQ(expected, holidays);
}

}  // namespace
}  // namespace tallyscan
