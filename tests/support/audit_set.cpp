#include "support/audit_set.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "support/set_check.h"

namespace tallyscan::testing {
namespace {

std::string Trimmed(std::string_view text) { return std::string(TrimSpaces(text)); }

// A key or number without its leading zeros ("0" when it is all zeros).
std::string Number(std::string_view text) {
  const std::string_view trimmed = TrimSpaces(text);
  const auto first = trimmed.find_first_not_of('0');
  return first == std::string_view::npos ? (trimmed.empty() ? "" : "0")
                                         : std::string(trimmed.substr(first));
}

int Date(std::string_view text) { return std::atoi(std::string(text).c_str()); }

std::chrono::sys_days Day(int yyyymmdd) {
  using namespace std::chrono;
  return sys_days(year_month_day(year(yyyymmdd / 10000),
                                 month(static_cast<unsigned>(yyyymmdd / 100 % 100)),
                                 day(static_cast<unsigned>(yyyymmdd % 100))));
}

std::int64_t Amount(std::string_view text) {
  return std::llabs(std::atoll(std::string(text.substr(1)).c_str()));
}

struct DigitTest {
  std::string name;
  int first, last;  // the digits or pairs counted
  double acceptable;
  double (*expected)(int);
  int (*digits)(const std::string&);
};

double FirstExpected(int d) { return std::log10(1.0 + 1.0 / d); }
double SecondExpected(int d) {
  double sum = 0;
  for (int k = 1; k <= 9; ++k) sum += std::log10(1.0 + 1.0 / (10 * k + d));
  return sum;
}

const DigitTest kDigitTests[] = {
    {"first", 1, 9, 0.012, FirstExpected, [](const std::string& s) { return s[0] - '0'; }},
    {"second", 0, 9, 0.010, SecondExpected, [](const std::string& s) { return s[1] - '0'; }},
    {"first-two", 10, 99, 0.0018, FirstExpected,
     [](const std::string& s) { return (s[0] - '0') * 10 + s[1] - '0'; }},
};

// The counts of a digit test over the lines of 10.00 or more of a population.
std::vector<std::int64_t> DigitCounts(const AuditSet& set, const DigitTest& test,
                                      const std::string& population, std::int64_t* n) {
  std::vector<std::int64_t> counts(100, 0);
  *n = 0;
  for (const SetMovement& m : set.movements) {
    if (m.amount < 1000 || (population == "debit" && m.credit) ||
        (population == "credit" && !m.credit)) {
      continue;
    }
    ++counts[static_cast<std::size_t>(test.digits(std::to_string(m.amount)))];
    ++*n;
  }
  return counts;
}

double Mad(const std::vector<std::int64_t>& counts, std::int64_t n, const DigitTest& test) {
  double sum = 0;
  for (int d = test.first; d <= test.last; ++d) {
    sum += std::fabs(static_cast<double>(counts[static_cast<std::size_t>(d)]) /
                         static_cast<double>(n) -
                     test.expected(d));
  }
  return sum / (test.last - test.first + 1);
}

}  // namespace

int DaysBetween(int from, int to) { return static_cast<int>((Day(to) - Day(from)).count()); }

int WeekdayOf(int yyyymmdd) {
  return static_cast<int>(std::chrono::weekday(Day(yyyymmdd)).c_encoding());
}

AuditSet ReadAuditSet(const std::filesystem::path& folder) {
  AuditSet set;
  const std::vector<std::string> ini = SplitLines(ReadFile(folder / "INI.TXT"));
  const bool dos = SliceField(ini.at(0), field::A000(1029)) == "2";
  set.first_day = Date(SliceField(ini[0], field::A000(1024)));
  set.last_day = Date(SliceField(ini[0], field::A000(1025)));
  set.lines = SplitLines(ReadFile(folder / "BKMVDATA.TXT"));
  for (std::size_t i = 0; i < set.lines.size(); ++i) {
    const std::string_view line = set.lines[i];
    const auto n = static_cast<std::int64_t>(i + 1);
    const std::string_view code = line.substr(0, 4);
    using field::B100;
    using field::C100;
    if (code == "B110") {
      set.accounts.push_back(Trimmed(SliceField(line, field::B110(1403))));
    } else if (code == "B100") {
      const std::string details = Trimmed(SliceField(line, B100(1361)));
      set.movements.push_back(
          {n, Number(SliceField(line, B100(1353))), Trimmed(SliceField(line, B100(1364))),
           Trimmed(SliceField(line, B100(1365))), Trimmed(SliceField(line, B100(1376))),
           Number(SliceField(line, B100(1357))), Trimmed(SliceField(line, B100(1358))),
           Trimmed(SliceField(line, B100(1359))), dos ? DosToWin(details) : details,
           SliceField(line, B100(1366)) == "2", Amount(SliceField(line, B100(1368))),
           Date(SliceField(line, B100(1362))), Date(SliceField(line, B100(1375)))});
    } else if (code == "C100") {
      set.documents.push_back(
          {n, Trimmed(SliceField(line, C100(1203))), Number(SliceField(line, C100(1204))),
           Date(SliceField(line, C100(1230))), Date(SliceField(line, C100(1205))),
           Date(SliceField(line, C100(1206))), SliceField(line, C100(1228)) == "1"});
    }
  }
  return set;
}

const std::set<int>& ReferenceHolidays() {
  static const std::set<int> holidays = [] {
    std::set<int> days;
    const std::string command =
        "/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/support/holiday_table.py 2000 2051";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return days;
    for (int day; std::fscanf(pipe, "%d", &day) == 1;) days.insert(day);
    if (::pclose(pipe) != 0) days.clear();
    return days;
  }();
  return holidays;
}

std::map<std::string, std::string> BrokenProperties(const AuditSet& set) {
  std::map<std::string, std::string> broken;
  const auto breach = [&broken](const std::string& property, const std::string& what) {
    broken.emplace(property, what);
  };
  const auto at = [](std::int64_t line) { return "line " + std::to_string(line) + ": "; };

  for (const DigitTest& test : kDigitTests) {
    for (const std::string population : {"all", "debit", "credit"}) {
      std::int64_t n = 0;
      const std::vector<std::int64_t> counts = DigitCounts(set, test, population, &n);
      const double mad = Mad(counts, n, test);
      if (n == 0 || mad > test.acceptable) {
        breach("digits", test.name + " " + population + " MAD " + std::to_string(mad));
      }
    }
  }

  for (const std::int64_t limit : {1000000, 5000000}) {
    std::int64_t below = 0, above = 0;
    for (const SetMovement& m : set.movements) {
      below += m.amount * 10 >= limit * 9 && m.amount < limit;
      above += m.amount >= limit && m.amount * 10 < limit * 11;
    }
    if (below >= 10 && below > 2 * above) {
      breach("limits", std::to_string(below) + " below " + std::to_string(limit) + ", " +
                           std::to_string(above) + " above");
    }
  }

  const std::set<int>& holidays = ReferenceHolidays();
  if (holidays.empty()) breach("posting-days", "no holiday table from python3-pyluach");
  std::map<std::string, std::int64_t> operators, lines_of, flows;
  std::map<std::tuple<std::string, bool, std::int64_t, int, std::string>, std::set<std::string>>
      duplicates;
  std::map<std::tuple<std::string, std::string, std::int64_t>, std::vector<const SetMovement*>>
      pairs;
  std::set<std::int64_t> transactions;
  std::set<std::pair<std::string, std::string>> documents;
  for (const SetDocument& d : set.documents) documents.insert({d.type, d.number});
  const std::string keywords[] = {Utf8ToCp1255("תיקון"), Utf8ToCp1255("ביטול"),
                                  Utf8ToCp1255("שונות"), Utf8ToCp1255("זמני"),
                                  Utf8ToCp1255("מעבר")};
  for (const SetMovement& m : set.movements) {
    for (const int day : {m.date, m.entry_date}) {
      if (WeekdayOf(day) > 4 || holidays.contains(day)) {
        breach("posting-days", at(m.line) + std::to_string(day) + " is no working day");
      }
    }
    const int lag = DaysBetween(m.date, m.entry_date);
    if (lag < 0 || lag > 10 || m.date < set.first_day || m.entry_date > set.last_day) {
      breach("posting-days", at(m.line) + "entered " + std::to_string(lag) + " days later");
    }
    ++operators[m.operator_name];
    ++lines_of[m.account];
    ++flows[m.account + "/" + m.counter];
    duplicates[{m.account, m.credit, m.amount, m.date, m.reference}].insert(m.transaction);
    pairs[{m.account, m.counter, m.amount}].push_back(&m);
    transactions.insert(std::stoll(m.transaction));
    if (m.reference.empty() || !documents.contains({m.reference_type, m.reference})) {
      breach("references", at(m.line) + "refers to " + m.reference_type + " " + m.reference);
    }
    if (m.details.empty() ||
        std::any_of(std::begin(keywords), std::end(keywords),
                    [&](const std::string& k) { return m.details.find(k) != std::string::npos; })) {
      breach("details", at(m.line) + "details blank or with a keyword");
    }
    if (m.amount >= 100000 && m.amount % 100000 == 0) {
      breach("round-amounts", at(m.line) + std::to_string(m.amount));
    }
  }

  std::int64_t least = static_cast<std::int64_t>(set.movements.size()), most = 0;
  for (const auto& [name, count] : operators) {
    least = std::min(least, count);
    most = std::max(most, count);
    if (count * 50 <= static_cast<std::int64_t>(set.movements.size())) {
      breach("operators", name + " has " + std::to_string(count) + " lines");
    }
  }
  if (operators.size() != 20 || most < 2 * least) {
    breach("operators", std::to_string(operators.size()) + " operators");
  }
  for (const std::string& account : set.accounts) {
    if (lines_of[account] <= 3) breach("accounts", account + " has few lines");
  }
  if (lines_of.size() != set.accounts.size())
    breach("accounts", "a movement's account is not in the chart");
  for (const auto& [flow, count] : flows) {
    if (count < 2) breach("flows", flow + " comes once");
  }
  for (const auto& [key, group] : duplicates) {
    if (group.size() > 1) breach("duplicates", std::get<0>(key) + " " + *group.begin());
  }
  for (const auto& [key, group] : pairs) {
    for (const SetMovement* a : group) {
      for (const SetMovement* b : group) {
        if (a->credit && !b->credit && a->transaction != b->transaction &&
            std::abs(DaysBetween(a->date, b->date)) <= 30) {
          breach("reversals", at(a->line) + "and " + at(b->line));
        }
      }
    }
  }

  if (transactions.empty() || *transactions.rbegin() - *transactions.begin() + 1 !=
                                  static_cast<std::int64_t>(transactions.size())) {
    breach("numbers", "transaction numbers with a gap");
  }
  std::map<std::string, std::vector<std::int64_t>> numbers;
  for (const SetDocument& d : set.documents) {
    numbers[d.type].push_back(std::stoll(d.number));
    const int produced = DaysBetween(d.date, d.produced);
    if (d.time < 700 || d.time > 1959 || d.time % 100 > 59 || produced < 0 || produced > 30 ||
        d.cancelled) {
      breach("documents", at(d.line) + "produced out of hours or time, or cancelled");
    }
  }
  for (auto& [type, list] : numbers) {
    std::sort(list.begin(), list.end());
    if (list.back() - list.front() + 1 != static_cast<std::int64_t>(list.size()) ||
        std::adjacent_find(list.begin(), list.end()) != list.end()) {
      breach("numbers", "documents " + type + " with a gap or a repeat");
    }
  }
  return broken;
}

double FirstTwoMad(const AuditSet& set) {
  std::int64_t n = 0;
  return Mad(DigitCounts(set, kDigitTests[2], "all", &n), n, kDigitTests[2]);
}

double FirstTwoZ(const AuditSet& set, int pair) {
  std::int64_t n = 0;
  const std::vector<std::int64_t> counts = DigitCounts(set, kDigitTests[2], "all", &n);
  const double size = static_cast<double>(n);
  const double expected = FirstExpected(pair);
  const double difference =
      std::fabs(static_cast<double>(counts[static_cast<std::size_t>(pair)]) / size - expected);
  const double correction = 1 / (2 * size) < difference ? 1 / (2 * size) : 0;
  return (difference - correction) / std::sqrt(expected * (1 - expected) / size);
}

}  // namespace tallyscan::testing
