#pragma once

// Writes a uniform-format data set into a folder: INI.TXT and BKMVDATA.TXT (or
// BKMVDATA.ZIP), internally consistent so that every import and integrity check passes,
// with faults injected on request and listed in MANIFEST.TSV.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan {

// Each kind of fault that the import or the integrity checks detect.
enum class FaultKind {
  kBadLength,           // a movement line one character too long
  kControlCharacter,    // a TAB inside a movement's details
  kUnknownRecord,       // an extra line whose record code nobody knows
  kBadNumeric,          // a letter in a movement's record number
  kBadSign,             // a blank where a movement quantity's sign belongs
  kBadDate,             // month 13 in a movement's value date
  kIniTotal,            // INI header states one line more than the data file holds
  kIniTypeCount,        // an INI summary line states one record more than there are
  kZ900Total,           // the closing record states one line more than there are
  kUnbalancedBatch,     // a batch whose debit and credit differ by one agora
  kUnknownAccount,      // a movement whose account is not in the chart of accounts
  kAccountTotals,       // an account's total debit off by 1,000.00
  kMissingSection,      // an account with a credit total but no income-tax section code
  kAccountDealer,       // a customer or supplier account with a wrong check digit
  kDocumentArithmetic,  // an invoice whose amount after discount is off by 500.00
  kPriceQuantity,       // a document line whose unit price is twice what it should be
  kVat,                 // an invoice whose VAT is half as large again (and its total with it)
  kReceiptSum,          // a receipt line off by 250.00 against the receipt's total
  kMissingCheque,       // a cheque line without a cheque number
  kBadBankAccount,      // a cheque line whose bank account fails the bank's rule
  kUnknownItem,         // a document line whose item code is not in the catalogue
  kUnknownCustomer,     // a stock document whose customer key is not an account
  kDocumentDealer,      // an invoice whose customer dealer number has a wrong check digit

  // What the journal-entry tests find in a ledger of the audit profile, one kind a test.
  kLateEntry,          // a transaction entered more than 30 days after its date
  kPostClosing,        // a transaction of the year entered after the year's last day
  kWeekend,            // a transaction entered on a Friday or a Saturday
  kHoliday,            // a transaction entered on a holiday
  kRareOperator,       // a transaction entered by an operator who entered nothing else
  kSeldomAccount,      // an account with two movements
  kRareFlow,           // a receipt or payment through the bank its partner never uses
  kRoundAmount,        // a receipt or payment of whole thousands
  kDuplicate,          // a transaction entered twice
  kTransactionGap,     // transaction numbers skipped
  kDocumentGap,        // document numbers of one type skipped
  kBelowLimit,         // receipts and payments crowding below an approval limit
  kBlankDescription,   // a movement without details
  kKeyword,            // a movement whose details hold a word such as "תיקון"
  kNoReference,        // a transaction without references
  kMissingDocument,    // a transaction referring to a document the file lacks
  kReversal,           // a transaction reversed by another
  kRelativeSize,       // a movement at least ten times its account's next largest
  kAfterHours,         // a document produced at night
  kBackdatedDocument,  // a document produced more than 30 days after its date
  kCancelledDocument,  // a cancelled document
  kBenfordSpike,       // many amounts with the same first two digits
};

struct FaultInfo {
  FaultKind kind;
  std::string_view name;         // the command-line name, "bad-length"
  std::string_view description;  // one line, English, for --list-faults
  int max_count;                 // how many can be injected into one set (0: no limit)
};
// The faults the import or the integrity checks report, which any set can carry.
std::span<const FaultInfo> Faults();
// The faults the journal-entry tests find, which only a set of the audit profile carries.
std::span<const FaultInfo> JournalFaults();
// Either kind by its name; nullptr for an unknown name.
const FaultInfo* FindFault(std::string_view name);
// The name of a fault as MANIFEST.TSV lists it: the fault's own name, or for a journal-entry
// fault the id of the test that finds it ("benford-first-two" for benford-spike).
std::string_view ManifestName(FaultKind kind);

struct FaultRequest {
  FaultKind kind;
  int count = 1;
};

// What the set looks like. The plain sets are what every test and benchmark was made with,
// and stay byte for byte as they are. An audit set is a realistic ledger in which the
// journal-entry tests find nothing but what is planted: amounts that follow Benford's law
// (and avoid round thousands and the approval limits 10,000.00 and 50,000.00), postings on
// Sunday to Thursday outside the holidays, twenty operators, a handful of flows between
// accounts each seen more than once, consecutive transaction and document numbers, and a
// document behind every transaction.
enum class DataProfile { kPlain, kAudit };

inline constexpr int kMostAccounts = 200000;

struct DataSetOptions {
  std::int64_t movements = 400;  // B100 lines, exactly (0, or at least 2)
  int accounts = 60;             // B110 lines (the fixed chart plus two up to kMostAccounts)
  int documents = 40;            // C100 lines (an audit set has one per transaction instead)
  int items = 30;                // M100 lines (at least 1 when there are documents)
  std::uint64_t seed = 1;
  int tax_year = 2024;
  bool dos_coded = false;  // texts in the DOS Hebrew code page, A000 field 1029 = "2"
  bool zip = false;        // BKMVDATA.ZIP holding BKMVDATA.TXT instead of the plain file
  DataProfile profile = DataProfile::kPlain;
  // Plain sets take the faults of Faults(), audit sets those of JournalFaults().
  std::vector<FaultRequest> faults;
};

// One finding that an injected fault makes the import or the checks report. `message`
// and `value` are the UTF-8 text and value cells of the row that reports it, without
// cell markers (for a document fault `value` is the document's caption row instead).
// A finding about the whole file (the counts, the index totals, the section codes) is
// listed with each injection that causes it although the row appears once.
//
// A journal-entry fault lists each line its test finds because of it, `message` saying in
// English what was planted and `value` the planted value (a date as YYYY-MM-DD, an amount
// as "#,.00"). A gap is listed once, at the line just before it (for documents the header
// of the type's last document before it), with `value` the missing range "from-to" (for
// documents "from-to type").
struct ManifestEntry {
  FaultKind kind;
  std::string file;   // "BKMVDATA.TXT" or "INI.TXT"
  std::int64_t line;  // 1-based line of the faulty record in that file
  std::string message;
  std::string value;
};

struct RecordCounts {
  std::int64_t b100 = 0, b110 = 0, c100 = 0, d110 = 0, d120 = 0, m100 = 0;
};

struct GeneratedDataSet {
  std::vector<ManifestEntry> manifest;
  RecordCounts counts;
  std::int64_t data_lines = 0;  // lines of BKMVDATA.TXT, A100 and Z900 included
  std::int64_t data_bytes = 0;  // bytes of BKMVDATA.TXT (before zipping)
};

// The file names written (the manifest is written even when it is empty).
inline constexpr std::string_view kManifestFileName = "MANIFEST.TSV";

// Creates the folder when needed and writes the set; the same options give the same
// bytes. On failure the folder may hold partial files.
Status GenerateDataSet(const DataSetOptions& options, const std::filesystem::path& folder,
                       GeneratedDataSet* result);

}  // namespace tallyscan
