#pragma once

// A set of the audit profile read back for its tests: its movements and documents as the
// file holds them, and the properties of a clean audit set that it breaks. The reading is
// the tests' own (dates through std::chrono, holidays from python3-pyluach), so that it
// checks the generator rather than repeats it.

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tallyscan::testing {

struct SetMovement {
  std::int64_t line;
  std::string transaction;  // 1353 without leading blanks and zeros
  std::string account, counter, operator_name;
  std::string reference, reference_type, second_reference;  // trimmed; the number without zeros
  std::string details;                                      // trimmed, in code page 1255
  bool credit;
  std::int64_t amount;  // |A|, agorot
  int date;             // 1362, YYYYMMDD
  int entry_date;       // 1375
};

struct SetDocument {
  std::int64_t line;
  std::string type, number;  // the number without leading zeros
  int date, produced;        // 1230 and 1205
  int time;                  // 1206, HHMM
  bool cancelled;
};

struct AuditSet {
  int first_day = 0, last_day = 0;  // the period, A000 1024 and 1025
  std::vector<std::string> accounts;
  std::vector<SetMovement> movements;
  std::vector<SetDocument> documents;
  std::vector<std::string> lines;  // the data file's lines, without CR LF
};

AuditSet ReadAuditSet(const std::filesystem::path& folder);

// Days between two dates YYYYMMDD (later minus earlier), and the weekday (Sunday 0).
int DaysBetween(int from, int to);
int WeekdayOf(int yyyymmdd);

// The holidays of 2000 to 2051 (YYYYMMDD) as python3-pyluach has them; empty when it
// cannot be run.
const std::set<int>& ReferenceHolidays();

// The properties a clean audit set keeps that `set` breaks, each with its first breach:
// "digits" (Benford's first, second and first-two digits "acceptable" or better in the
// populations all, debit and credit), "limits" (no crowd below 10,000.00 or 50,000.00),
// "posting-days" (Sunday to Thursday, no holiday, entered 0 to 10 days later, in the
// period), "operators" (twenty, each above 2 %, unequal), "accounts" (more than three lines
// each, all in the chart), "flows" (each pair of account and counter account twice or more),
// "numbers" (transactions and each type's documents numbered without gaps or repeats),
// "references" (every movement names a document of the file), "duplicates", "reversals",
// "details" (none blank, no keyword), "round-amounts", "documents" (produced 07:00 to 19:59,
// within 30 days of their date, none cancelled).
std::map<std::string, std::string> BrokenProperties(const AuditSet& set);

// The first-two-digits MAD of the "all" population, and the Z of a pair in it.
double FirstTwoMad(const AuditSet& set);
double FirstTwoZ(const AuditSet& set, int pair);

}  // namespace tallyscan::testing
