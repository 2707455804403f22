#pragma once

// Private to transfer/: the rest of the program includes transfer/transfer.h.
//
// The byte maps of every file the transfer writes into the bookkeeping product's folder. Every
// file name is the folder, the last two digits of the tax year ("24") and an extension.
// Integers are little-endian; money is a signed 64-bit count of agorot, a quantity a signed
// 64-bit count of ten-thousandths. Texts are in the DOS Hebrew code page, visual order,
// right-aligned and padded with blanks. Dates are "DD/MM/YYYY"; no date is "0-0-0-0-00".
// Records are numbered from 1: record n starts at byte (n - 1) * size.
//
//   file       written as                         records
//   24.Ndx     plain fixed records                account (827), record n = index pointer n
//   24.Ism     record manager, 3 keys (file 19)   1 account number, 2 name, 3 group + number
//   24.Trn     plain fixed records                movement (101)
//   24.Kvu     plain fixed records                group (30): 200 empty, then one per group
//   24.Prm     plain, one record, read only       parameters (973); defaults when absent
//   24.Prt     plain fixed records                catalogue item (256)
//   24.Pis     record manager, 4 keys (file 13)   1 internal code, 2 name, 3 universal code,
//                                                 4 sort code + internal code
//   24.Hs1 ... plain fixed records (437)          document "T", then its lines "I", then its
//                                                 payments "E", one after another
//   24.Hsx ... record manager, 3 keys (file 5)    the documents' "T" records: 1 type + number,
//              (the extension's last letter "x")  2 customer account, 3 date + type + number
//   GFN124.001 plain fixed records                document file summary (16), one per file
//
//   account (827)                      movement (101)               group (30)
//     0 i32 account number               0 c1  "1" debit, "2" credit   0 t20 name
//     4 t25 name                         1 i32 account number         20 i16 1 in use
//    29 t20 street                       5 i32 counter-account        22 i32 first account
//    49 t15 city                         9 i32 line in movement       26 i32 last account
//    64 t5  postal code                 13 i32 batch
//    69 t9  dealer number               17 i16 1 movement, 2 opening  parameters (973)
//    78 i32 trial-balance code          19 c4  reserved (blank)         0 t50 company name
//    82 i32 classification, debit       23 t6  reference 1             50 t9  dealer number
//    86 i32 classification, credit      29 t6  reference 2             59 i16 tax year
//    90 i16 account kind                35 t20 details                 61 i32 VAT rate, 1/100 %
//    92 m   opening balance             55 t10 date                    65 ... blank
//   100 m   opening balance, currency   65 t10 value date
//   108 m   debit (balance rebuild)     75 m   amount                  summary (16)
//   116 m   credit (balance rebuild)    83 m   amount, currency          0 t4  extension
//   124 m   balance                     91 c10 reserved (blank)          4 i32 documents
//   132 i32 movements                                                   8 i32 lines
//   136 t15 account key as the data                                    12 i32 payments
//           set has it
//   151 ... zero
//
//   document "T" (437)                 line "I" (437)                payment "E" (437)
//     0 c1  "T"                          0 c1  "I"                     0 c1  "E"
//     1 i16 document type                1 i16 document type           1 i16 document type
//     3 t20 document number              3 t20 document number         3 t20 document number
//    23 t10 document date               23 i32 line number            23 i32 line number
//    33 t10 production date             27 t20 catalogue number       27 c1  payment type "1"-"9"
//    43 t5  production time "HH:MM"     47 t30 description            28 t10 cheque number
//    48 t50 customer name               77 t30 serial number          38 t15 bank account
//    98 t50 street                     107 t20 unit                   53 t10 branch
//   148 t10 house number               127 q   quantity               63 t10 bank
//   158 t30 city                       135 m   unit price             73 c1  card company
//   188 t8  postal code                143 m   discount               74 t10 due date
//   196 t15 phone                      151 ... blank                  84 m   amount
//   211 t10 value date                                                92 ... blank
//   221 m   amount before discount
//   229 m   discount
//   237 m   VAT
//   245 m   amount with VAT
//   253 m   withholding tax
//   261 i32 customer account number (0: none found)
//   265 t15 customer key as the data set has it
//   280 t9  producing user
//   289 i32 VAT rate from the parameters
//   293 i32 lines that follow
//   297 i32 payments that follow them
//   301 ... blank
//
//   catalogue item (256)
//     0 t20 internal code     40 t25 name        69 t20 unit          97 ... blank
//    20 t20 universal code    65 i32 sort code   89 m   cost price
//
// Index keys are 17 characters: numbers right-aligned with blanks, texts as in the record.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tallyscan {

enum class TargetFieldKind {
  kText,      // blank-padded characters
  kInt16,     // signed
  kInt32,     // signed
  kMoney,     // signed 64-bit agorot
  kQuantity,  // signed 64-bit ten-thousandths
};

struct TargetField {
  std::string_view name;
  std::size_t offset;
  std::size_t width;  // bytes
  TargetFieldKind kind;
};

struct TargetRecordMap {
  std::string_view name;
  std::size_t size;
  std::span<const TargetField> fields;
};

// The record-manager file numbers and key counts of the three keyed files.
inline constexpr int kAccountsFileNumber = 19;
inline constexpr int kAccountsKeys = 3;
inline constexpr int kCatalogueFileNumber = 13;
inline constexpr int kCatalogueKeys = 4;
inline constexpr int kDocumentsFileNumber = 5;
inline constexpr int kDocumentsKeys = 3;

inline constexpr std::size_t kAccountRecordSize = 827;
inline constexpr std::size_t kMovementRecordSize = 101;
inline constexpr std::size_t kGroupRecordSize = 30;
inline constexpr int kEmptyGroupRecords = 200;
inline constexpr std::size_t kParameterRecordSize = 973;
inline constexpr std::size_t kItemRecordSize = 256;
inline constexpr std::size_t kDocumentRecordSize = 437;
inline constexpr std::size_t kSummaryRecordSize = 16;

inline constexpr char kDocumentMark = 'T';
inline constexpr char kLineMark = 'I';
inline constexpr char kPaymentMark = 'E';
inline constexpr std::int16_t kMovementFromData = 1;
inline constexpr std::int16_t kMovementOpening = 2;
inline constexpr std::int32_t kDefaultVatRate = 1700;  // 17.00 %, when there is no 24.Prm
inline constexpr std::string_view kNoDate = "0-0-0-0-00";

// The maps, for walking a record's fields in order (a field named in code is reached through
// target_fields.h).
const TargetRecordMap& AccountRecordMap();
const TargetRecordMap& MovementRecordMap();
const TargetRecordMap& GroupRecordMap();
const TargetRecordMap& ParameterRecordMap();
const TargetRecordMap& ItemRecordMap();
const TargetRecordMap& DocumentRecordMap();  // "T"
const TargetRecordMap& LineRecordMap();      // "I"
const TargetRecordMap& PaymentRecordMap();   // "E"
const TargetRecordMap& SummaryRecordMap();

// Writing and reading fields of a record buffer at least map.size long. Texts longer than
// the field are cut on the left (they are right-aligned); shorter ones are blank-padded on
// the left.
void PutText(std::span<std::uint8_t> record, const TargetField& field, std::string_view text);
void PutNumber(std::span<std::uint8_t> record, const TargetField& field, std::int64_t value);
std::string GetText(std::span<const std::uint8_t> record, const TargetField& field);
std::int64_t GetNumber(std::span<const std::uint8_t> record, const TargetField& field);

// A text right-aligned in `width` characters with blanks (cut on the left when longer).
std::string RightAligned(std::string_view text, std::size_t width);

// A 17-character key of a number, right-aligned with blanks.
std::string NumberKey(std::int64_t number);

// File names: the folder, then the two last digits of the tax year ("24"), then the extension.
std::string TaxYearPrefix(std::int32_t tax_year);
inline constexpr std::string_view kAccountRecordsExtension = ".Ndx";
inline constexpr std::string_view kAccountIndexExtension = ".Ism";
inline constexpr std::string_view kMovementsExtension = ".Trn";
inline constexpr std::string_view kGroupsExtension = ".Kvu";
inline constexpr std::string_view kParametersExtension = ".Prm";
inline constexpr std::string_view kItemRecordsExtension = ".Prt";
inline constexpr std::string_view kItemIndexExtension = ".Pis";
// The index of a document file: its extension with the last letter replaced by "x".
std::string DocumentIndexExtension(std::string_view document_extension);
// "GFN1" + the two digits + ".001".
std::string SummaryFileName(std::int32_t tax_year);

// The document types that are transferred, with their file and the step's title.
struct TransferredDocumentType {
  int code;
  std::string_view extension;
  std::string_view title;
};
std::span<const TransferredDocumentType> TransferredDocumentTypes();
const TransferredDocumentType* FindTransferredDocumentType(int code);  // nullptr: not transferred

// Which map a file's records follow, by its name; nullptr for an index file of the record
// manager or a name the transfer does not write. A document file mixes three maps: the
// record's first byte chooses (DocumentFileMapOf).
enum class TargetFileKind {
  kUnknown,
  kIndex,
  kAccounts,
  kMovements,
  kGroups,
  kParameters,
  kItems,
  kDocuments,
  kSummary
};
TargetFileKind TargetFileKindOf(std::string_view file_name);
const TargetRecordMap* RecordMapOf(TargetFileKind kind);
const TargetRecordMap* DocumentFileMapOf(std::uint8_t first_byte);

}  // namespace tallyscan
