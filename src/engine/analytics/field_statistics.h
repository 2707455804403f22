#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// Field statistics and the producer's summaries: the control totals of a loaded data set, all
// from one reading of its data file (in parts side by side, joined in file order). The result
// is one object, the same whoever shows it: the CLI prints it as JSON (FieldStatisticsJson and
// the summaries' JSON) or as rows (field_statistics_rows.h), the reports print the rows, the
// analysis page shows its parts.
//
//   FieldStatisticsRun run = RunFieldStatistics(store, SourceFilesOf(imported), monitor);
//   if (run.status.ok()) std::cout << FieldStatisticsJson(*run.result);
//
// Counted are the fields of the layout tables whose kind is an amount, a quantity (four
// decimals), an unsigned decimal, digits or a date, in every record type the data file holds.
// A field's value is a whole number of its unit: agorot for amounts and unsigned decimals,
// ten-thousandths for quantities, units for digits; a date's value is YYYYMMDD read as a
// number (20230108), which orders as the dates do. Line numbers are those of the import log
// (1-based lines of the data file). Sums are exact for any file (128 bits).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/jet.h"
#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/common/status.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

class RecordStore;

// A value with the first line that holds it.
struct ValueAt {
  AmountSum value = 0;
  std::int64_t line = 0;
};

// The dates of one month of the period (year, month 1-12).
struct MonthCount {
  int year = 0;
  int month = 0;
  std::int64_t count = 0;
};

// The figures of one field over every line of its record type. A field is blank when it
// holds only blanks or lies, wholly or in part, beyond the end of a short line with only
// blanks before that end; a date of "00000000" is blank too. It is invalid when it is not
// blank and fails its kind's rule of field validation (PassesFieldRule, the import's rule),
// is cut short by the end of its line, or is a date that is no real day of the calendar.
// Every other field holds a value.
struct FieldFigures {
  const FieldLayout* field = nullptr;  // code, caption and kind, from the layout tables
  std::int64_t lines = 0;              // lines of the record type
  std::int64_t blanks = 0;
  std::int64_t invalid = 0;
  // Of the values (not for dates, which have neither sign nor zero):
  std::int64_t zeros = 0;
  std::int64_t positive = 0;
  AmountSum positive_total = 0;
  std::int64_t negative = 0;
  AmountSum negative_total = 0;  // not above 0
  // The smallest and largest value (for dates the earliest and latest), each with the first
  // line that holds it; none when the field has no value.
  std::optional<ValueAt> smallest;
  std::optional<ValueAt> largest;
  // Dates, when the set has a period: the dates of each of its months, in order (a month
  // counts only its days inside the period), and those before its first and after its last
  // day. Without a period the months are empty and nothing is before or after.
  std::vector<MonthCount> months;
  std::optional<std::int64_t> before;
  std::optional<std::int64_t> after;

  std::int64_t Values() const { return lines - blanks - invalid; }
  AmountSum Net() const { return positive_total + negative_total; }
  AmountSum Absolute() const { return positive_total - negative_total; }
  bool IsDate() const { return field->kind == FieldKind::kDate; }
};

// B100 1368 summed by side as the checks read it: 1366 "2" is credit, anything else debit;
// the amount read as the checks read it (a field that is no number counts 0). These are the
// checks' movement totals.
struct SideTotals {
  std::int64_t debit_lines = 0;
  AmountSum debit = 0;
  std::int64_t credit_lines = 0;
  AmountSum credit = 0;
};

struct RecordFigures {
  const RecordLayout* layout = nullptr;
  std::int64_t lines = 0;
  std::vector<FieldFigures> fields;  // the counted fields, in layout order
  std::optional<SideTotals> sides;   // B100 only
};

// The documents (C100) of one type, cancelled ones included in every figure.
struct DocumentTypeSummary {
  std::string type;  // 1203 trimmed (UTF-8, safe for a cell)
  std::string name;  // from the document-type table; "לא ידוע" for a type it does not list
  std::int64_t documents = 0;
  std::int64_t cancelled = 0;  // 1228 is "1"
  AmountSum total = 0;         // 1223, the amount including VAT, read as the checks read it
  AmountSum vat = 0;           // 1222
  // The lowest and highest document number (1204): in numeric order when every non-blank
  // number of the type is all digits (shown without leading zeros), otherwise in the order of
  // their bytes (shown trimmed). Empty when every number is blank.
  std::string lowest;
  std::string highest;
};

// The lines of one record type in the data file beside the count INI.TXT states for it.
struct RecordCount {
  std::string type;     // "B100"; as INI.TXT writes it for a type only INI.TXT names
  std::string caption;  // the summary caption, else the record's name, else empty
  std::int64_t in_file = 0;
  std::optional<std::int64_t> stated;  // none when no summary line names the type
  bool Differs() const { return !stated || *stated != in_file; }
};

struct FieldStatistics {
  JetPeriod period;
  // The record types of the data file that have lines, in layout order (A100, B100, B110,
  // C100, D110, D120, M100, Z900).
  std::vector<RecordFigures> records;
  // Documents by type: all-digit types in numeric order, then the others by their bytes.
  std::vector<DocumentTypeSummary> documents;
  DocumentTypeSummary documents_total;  // the sums over every type; no type, name or numbers
  // Every record type with lines in the data file, in layout order, then every other type
  // INI.TXT's summary lines name, in their order (the first line of a type counts).
  std::vector<RecordCount> record_counts;

  // The figures of a record type; nullptr when the file has no line of it.
  const RecordFigures* Find(RecordType type) const;
};

struct FieldStatisticsRun {
  // Failed when INI.TXT or the data file cannot be read to its end (kIoError) or the monitor
  // asked to stop (kInterrupted, with the message to show); then there is no result.
  Status status;
  std::optional<FieldStatistics> result;
};

// How the data file is read: split at line boundaries into parts read side by side, each on
// a thread of its own, and joined in file order. Whatever the parts, every figure is that of
// one reading from the first line to the last.
struct FieldStatisticsOptions {
  // The parts read side by side; 0: one per core. 1 reads the file in one pass on the
  // caller's thread, as does any count for a file too small to be worth splitting.
  int threads = 0;
  // For tests: the byte offsets at which the file is split (each moved on to the start of the
  // next line unless it is one), one part and one thread each, whatever the file's size.
  std::vector<std::int64_t> split_offsets = {};
};

// Reads INI.TXT (for the period and the summary lines) and the store's data file once, as
// `options` say. The monitor is told the share of the data file read and asked whether to
// stop: once per line when one thread reads, every few milliseconds from the caller's thread
// while several do (they never call it); a stop ends them all.
FieldStatisticsRun RunFieldStatistics(const RecordStore& store, const SourceFiles& sources,
                                      ProgressMonitor& monitor,
                                      const FieldStatisticsOptions& options = {});

inline constexpr std::string_view kFieldStatisticsStoppedText =
    "חישוב סטטיסטיקת השדות הופסק - אין תוצאה";

// A date value (YYYYMMDD) as "YYYY-MM-DD", and a month of the period as "YYYY-MM".
std::string DateValueText(AmountSum yyyymmdd);
std::string MonthText(const MonthCount& month);

// The kind of a counted field as the outputs name it: "amount", "quantity", "decimal",
// "digits", "date".
std::string_view FieldKindName(FieldKind kind);

// JSON documents (two-space indent, ending with a newline), integers exact however large:
// the field statistics (of one record type when `only` is given), the documents by type and
// the record counts. The names are listed in the README.
std::string FieldStatisticsJson(const FieldStatistics& result,
                                std::optional<RecordType> only = std::nullopt);
std::string DocumentSummaryJson(const FieldStatistics& result);
std::string RecordCountsJson(const FieldStatistics& result);

}  // namespace tallyscan
