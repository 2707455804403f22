#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The record layouts of the uniform format, described once (layout_tables.h): every reader,
// validator, detail view and writer of record lines slices by these tables. Code that names
// a field reads it through fields.h ("B110 field 1414" is field::B110(1414), checked while
// compiling); code that takes a field code at run time (a user's column list) uses FindField.
//
// Positions are 1-based byte positions within a line; one character is one byte of code
// page 1255 (or of the DOS Hebrew code page when the header says so). Captions and names
// are UTF-8, exactly as the system words them.

#include <span>
#include <string_view>

namespace tallyscan {

enum class RecordType { kA000, kA100, kB100, kB110, kC100, kD110, kD120, kM100, kZ900 };

enum class FieldKind {
  kCode,      // the 4-character record type, or a fixed code such as "&OF1.31&"
  kDigits,    // "0"-"9" only
  kId9,       // 9 digits with a Luhn check digit
  kAmount,    // sign then digits, two implied decimals
  kQty4,      // sign then digits, four implied decimals
  kUdec,      // digits, no sign, two implied decimals
  kDate,      // YYYYMMDD, all zeros: no date
  kTime,      // HHMM
  kKey,       // identifier, shown without leading blanks and zeros
  kText,      // free text, shown trimmed (and converted from DOS when asked)
  kEnum,      // one-character code shown with its meaning
  kDoctype,   // 3-digit document type
  kReserved,  // reserved area
};

// The test the record-detail view applies to a field; a field that fails it is marked.
enum class DetailCheck {
  kNone,
  kDigits,         // all digits
  kId9,            // identification number: all digits and passes the Luhn check
  kAmountDigits,   // all digits after the first character (the sign)
  kDoctypeListed,  // a document type in the table
  kDateRange,      // not all digits, or all zeros, or day/month/year in range
};

// Which table gives an enumeration field its meaning.
enum class EnumTable {
  kNone,
  kSoftwareKind,     // A000 1011
  kBookkeepingKind,  // A000 1013
  kBalanceLevel,     // A000 1014
  kLanguage,         // A000 1028
  kCharacterSet,     // A000 1029
  kDebitCredit,      // B100 1366
  kTransactionKind,  // D110 1258
  kPaymentMeans,     // D120 1306
  kClearingCompany,  // D120 1313
  kCreditDealKind,   // D120 1315
  kBank,             // D120 1307 (a digits field whose meaning is the bank's name)
};

// A run of positions within a line: a field, adjacent fields read as one, or part of a field.
struct Positions {
  int start;  // 1-based
  int width;
};

struct FieldLayout {
  int code;                  // field code; 0 for the B110 reserved area, which has none
  std::string_view caption;  // UTF-8
  int start;                 // 1-based
  int width;
  FieldKind kind;
  bool converted;  // text converted with DosToWin when the file is DOS-coded
  DetailCheck detail_check;
  EnumTable table;

  // Wherever positions are asked for, a field gives its own.
  constexpr operator Positions() const { return {start, width}; }
};

struct RecordLayout {
  RecordType type;
  std::string_view code;  // "B100"
  std::string_view name;  // the record's name, "תנועת הנה'ח"
  int length;             // exact line length the import requires; 0 when not tested
  int full_width;         // the width the fields cover (what a reader reads for a line)
  std::span<const FieldLayout> fields;
};

// The layout of a record type.
const RecordLayout& LayoutOf(RecordType type);

// The widest line any layout covers: enough to read a record of any type.
int LongestRecordWidth();

// The layout whose code equals the first four characters given, letter case ignored (the
// import counts "c100" as C100, so every reader of a line takes it so); nullptr for anything
// else. The INI.TXT header is A000.
const RecordLayout* FindLayout(std::string_view code4);

// The field with this code in a layout; nullptr when absent.
const FieldLayout* FindField(const RecordLayout& layout, int code);

// The characters of a field: positions start..start+width-1 of the line. A line shorter
// than the field's end yields the characters that exist (possibly none).
inline std::string_view SliceField(std::string_view line, int start, int width) {
  const std::size_t begin = static_cast<std::size_t>(start - 1);
  if (start < 1 || width <= 0 || begin >= line.size()) return {};
  return line.substr(begin, static_cast<std::size_t>(width));
}
inline std::string_view SliceField(std::string_view line, Positions positions) {
  return SliceField(line, positions.start, positions.width);
}

// Every record line begins with its record type.
inline constexpr Positions kRecordCode{1, 4};

// INI.TXT: line 1 is the A000 record, every further line a summary line of exactly this
// length: the record type in positions 1-4 and the number of such records in
// BKMVDATA.TXT in positions 5-19.
inline constexpr int kIniSummaryLength = 19;
inline constexpr Positions kIniSummaryType = kRecordCode;
inline constexpr Positions kIniSummaryCount{5, 15};

// When INI.TXT is shown field by field, each summary line becomes one row with this code;
// its caption is kSummaryRowCaption followed by the summary caption of the record type.
inline constexpr int kSummaryFieldCode = 1050;
inline constexpr std::string_view kSummaryRowCaption = "סיכומי רשומות ";

// The caption of a summary line's record type ("B100" -> "תנועות הנהלת חשבונות"); empty
// for a type that has none (A100, Z900, anything unknown).
std::string_view SummaryCaption(std::string_view code4);

// The 27 document types, in the order of the table (which is also the order of the
// import's document-type breakdown).
struct DocumentType {
  int code;
  std::string_view name;            // "חשבונית מס"
  std::string_view breakdown_text;  // "סהכ חשבוניות מס " (trailing spaces are part of it)
};
std::span<const DocumentType> DocumentTypes();
const DocumentType* FindDocumentType(int code);  // nullptr when not in the table
inline constexpr std::string_view kUnknownMeaning = "לא ידוע";

// The banks of receipt lines, compared as a number.
struct Bank {
  int code;
  std::string_view name;  // as the bank names itself, double spaces included
};
std::span<const Bank> Banks();
std::string_view BankName(int code);  // empty when the code is not listed

// The meaning of an enumeration value as the detail view shows it: the listed meaning,
// else the table's default ("לא ידוע", "זכות" ...), else empty. kCreditDealKind and kBank
// compare the value's leading digits as a number; the others compare the characters.
std::string_view EnumMeaning(EnumTable table, std::string_view value);

}  // namespace tallyscan
