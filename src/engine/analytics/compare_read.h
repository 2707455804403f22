#pragma once

// Private to analytics/.
//
// What the comparison keeps of one period after one reading of its data file: its header,
// its accounts (B110) by trimmed key, and per account what its movements (B100) add up to.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/compare.h"

namespace tallyscan::analytics {

struct PeriodCard {
  std::string name;            // 1404, trimmed, UTF-8, safe for a cell
  std::string code;            // 1405
  std::string code_caption;    // 1406
  std::string classification;  // 1417, trimmed
  std::string dealer;          // 1419, trimmed; empty when blank or all zeros
  std::optional<std::int64_t> opening, debit, credit;  // 1414, 1415, 1416
};

struct PeriodMovements {
  std::int64_t lines = 0;
  AmountSum net = 0;        // debit less credit
  AmountSum magnitude = 0;  // Σ|amount|
  std::optional<DayNumber> first_date;
};

struct PeriodData {
  std::vector<JetSourceFile> source;
  std::string a000;
  std::map<std::string, PeriodCard> cards;  // by trimmed key, in byte order
  std::int64_t card_lines = 0;
  std::map<std::string, PeriodMovements> movements;  // by trimmed account key
  std::int64_t movement_lines = 0;
  std::optional<DayNumber> first_date, last_date;
};

// Reads the set loaded in `store`: INI.TXT (and the zip) for their digests, the data file
// once in file order. kIoError when a file cannot be read to its end, kInterrupted when the
// monitor asked to stop.
Status ReadPeriod(const RecordStore& store, const SourceFiles& sources, ProgressMonitor& monitor,
                  PeriodData& out);

}  // namespace tallyscan::analytics
