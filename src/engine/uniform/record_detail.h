#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The rows of the record-detail list: one record shown field by field. Each row is one
// UTF-8 string of five TAB-separated cells: status, field code, caption, value, meaning.
//
//  - status is "3", or "1" when the field fails the test its layout names or, for a date,
//    the reading's date rule (IsPlausibleDate); the value cell of such a row is followed by
//    0x1D (the list draws it as an error). A line whose length is not its type's is marked
//    so on its first row.
//  - value is the field as stored; key fields without leading blanks and zeros, text
//    fields trimmed and, in a DOS-coded file, converted.
//  - meaning is the field's display form: amounts "#,.00", quantities "#,.0000", dates
//    DD/MM/YYYY (none for a date that fails), times HH:MM, enumerations and document types by name,
//    the bank of a receipt line by its name. Fields whose value already is their display form
//    (digits, identification numbers, keys, texts, fixed codes, reserved areas) have an empty
//    meaning.
//  - The first row (the record code) has the record's name as meaning, and its caption,
//    value and meaning cells each end with the heading marker U+200E.
//
// A line shorter than its layout yields rows for the fields that begin within it (the last
// of them possibly cut short).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"
#include "engine/uniform/result_row.h"

namespace tallyscan {

// The heading marker (kHeadingMarker, result_row.h) ends each cell of the first row; the
// marker that follows an invalid value is the one the list draws in red.
inline constexpr char kErrorMarker = kCreditMarker;

// The rows of one record line (without its line end), the record type given by its first
// four characters; empty when they name no record type. `dos_code_page`: the file is
// DOS-coded (A000 field 1029 is "2").
std::vector<std::string> BuildRecordDetailRows(std::string_view line, bool dos_code_page);

// The row of one INI.TXT summary line: code 1050, the caption "סיכומי רשומות " followed by
// the caption of the record type (or the type itself when it has none), the count as stored
// and, when it is all digits, the count as a number. Empty for a blank line.
std::string BuildSummaryDetailRow(std::string_view summary_line);

// The INI.TXT view: the rows of the A000 line, one row per summary line (blank lines are
// skipped), then the rows of the A100 and Z900 lines of BKMVDATA.TXT; pass an empty view
// for a record that is not at hand.
std::vector<std::string> BuildIniDetailRows(std::string_view a000_line,
                                            std::span<const std::string_view> summary_lines,
                                            std::string_view a100_line, std::string_view z900_line,
                                            bool dos_code_page);

class RecordStore;

// The detail of one record read from a file: the rows above, or why there are none.
struct [[nodiscard]] RecordDetail {
  // Failures (the message is for the user, UTF-8):
  //   kNotFound    the file does not exist, or no data set is loaded
  //   kIoError     the file cannot be opened or read
  //   kOutOfRange  the file has fewer lines than the number asked for (see line_count), or
  //                the offset lies at or beyond its end
  //   kCorrupt     the line holds no record of a known type
  // On failure `rows` is empty.
  Status status;
  std::vector<std::string> rows;
  std::int64_t line_count = 0;  // kOutOfRange of a line number: the lines the file has
};

// The detail of line `line_number` (from 1) of the file at `path`, its lines counted as
// the import counts them (a line ends at LF or CR LF; a lone CR is a character of the
// line), so that the line an import row names is the line shown.
//  - The file's first line is A000 (an INI.TXT): line 1 shows the header view with every
//    summary line, then the first line (A100) and the last non-blank line (Z900) of the
//    BKMVDATA.TXT beside it, each when it is there and of its type; a later line shows
//    its summary row.
//  - Any other file is a data file: the line's record, its texts converted from DOS when
//    the INI.TXT beside it declares the DOS code page.
// Names beside the file are matched without regard to letter case.
RecordDetail DetailOfLine(const std::string& path, std::int64_t line_number);

// The detail of the record whose line begins at byte `offset` of the store's data file
// (an offset an index entry holds), converted from DOS when the loaded set is DOS-coded.
RecordDetail DetailOfRecordAt(const RecordStore& store, std::int64_t offset);

}  // namespace tallyscan
