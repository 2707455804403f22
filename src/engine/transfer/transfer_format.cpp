#include "engine/transfer/transfer_format.h"

#include <algorithm>
#include <cstring>

namespace tallyscan {
namespace {

using K = TargetFieldKind;

constexpr TargetField kAccountFields[] = {
    {"account number", 0, 4, K::kInt32},
    {"name", 4, 25, K::kText},
    {"street", 29, 20, K::kText},
    {"city", 49, 15, K::kText},
    {"postal code", 64, 5, K::kText},
    {"dealer number", 69, 9, K::kText},
    {"trial-balance code", 78, 4, K::kInt32},
    {"classification debit", 82, 4, K::kInt32},
    {"classification credit", 86, 4, K::kInt32},
    {"account kind", 90, 2, K::kInt16},
    {"opening balance", 92, 8, K::kMoney},
    {"opening balance currency", 100, 8, K::kMoney},
    {"debit", 108, 8, K::kMoney},
    {"credit", 116, 8, K::kMoney},
    {"balance", 124, 8, K::kMoney},
    {"movements", 132, 4, K::kInt32},
    {"account key", 136, 15, K::kText},
};

constexpr TargetField kMovementFields[] = {
    {"debit/credit", 0, 1, K::kText},
    {"account number", 1, 4, K::kInt32},
    {"counter-account number", 5, 4, K::kInt32},
    {"line in movement", 9, 4, K::kInt32},
    {"batch", 13, 4, K::kInt32},
    {"source", 17, 2, K::kInt16},
    {"reference 1", 23, 6, K::kText},
    {"reference 2", 29, 6, K::kText},
    {"details", 35, 20, K::kText},
    {"date", 55, 10, K::kText},
    {"value date", 65, 10, K::kText},
    {"amount", 75, 8, K::kMoney},
    {"amount currency", 83, 8, K::kMoney},
};

constexpr TargetField kGroupFields[] = {
    {"name", 0, 20, K::kText},
    {"in use", 20, 2, K::kInt16},
    {"first account", 22, 4, K::kInt32},
    {"last account", 26, 4, K::kInt32},
};

constexpr TargetField kParameterFields[] = {
    {"company name", 0, 50, K::kText},
    {"dealer number", 50, 9, K::kText},
    {"tax year", 59, 2, K::kInt16},
    {"VAT rate", 61, 4, K::kInt32},
};

constexpr TargetField kItemFields[] = {
    {"internal code", 0, 20, K::kText}, {"universal code", 20, 20, K::kText},
    {"name", 40, 25, K::kText},         {"sort code", 65, 4, K::kInt32},
    {"unit", 69, 20, K::kText},         {"cost price", 89, 8, K::kMoney},
};

constexpr TargetField kDocumentFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"document date", 23, 10, K::kText},
    {"production date", 33, 10, K::kText},
    {"production time", 43, 5, K::kText},
    {"customer name", 48, 50, K::kText},
    {"street", 98, 50, K::kText},
    {"house number", 148, 10, K::kText},
    {"city", 158, 30, K::kText},
    {"postal code", 188, 8, K::kText},
    {"phone", 196, 15, K::kText},
    {"value date", 211, 10, K::kText},
    {"amount before discount", 221, 8, K::kMoney},
    {"discount", 229, 8, K::kMoney},
    {"VAT", 237, 8, K::kMoney},
    {"amount with VAT", 245, 8, K::kMoney},
    {"withholding tax", 253, 8, K::kMoney},
    {"customer account number", 261, 4, K::kInt32},
    {"customer key", 265, 15, K::kText},
    {"producing user", 280, 9, K::kText},
    {"VAT rate", 289, 4, K::kInt32},
    {"lines", 293, 4, K::kInt32},
    {"payments", 297, 4, K::kInt32},
};

constexpr TargetField kLineFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"line number", 23, 4, K::kInt32},
    {"catalogue number", 27, 20, K::kText},
    {"description", 47, 30, K::kText},
    {"serial number", 77, 30, K::kText},
    {"unit", 107, 20, K::kText},
    {"quantity", 127, 8, K::kQuantity},
    {"unit price", 135, 8, K::kMoney},
    {"discount", 143, 8, K::kMoney},
};

constexpr TargetField kPaymentFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"line number", 23, 4, K::kInt32},
    {"payment type", 27, 1, K::kText},
    {"cheque number", 28, 10, K::kText},
    {"bank account", 38, 15, K::kText},
    {"branch", 53, 10, K::kText},
    {"bank", 63, 10, K::kText},
    {"card company", 73, 1, K::kText},
    {"due date", 74, 10, K::kText},
    {"amount", 84, 8, K::kMoney},
};

constexpr TargetField kSummaryFields[] = {
    {"extension", 0, 4, K::kText},
    {"documents", 4, 4, K::kInt32},
    {"lines", 8, 4, K::kInt32},
    {"payments", 12, 4, K::kInt32},
};

constexpr bool FitsIn(std::span<const TargetField> fields, std::size_t size) {
  for (const TargetField& f : fields) {
    if (f.offset + f.width > size) return false;
  }
  return true;
}
static_assert(FitsIn(kAccountFields, kAccountRecordSize));
static_assert(FitsIn(kMovementFields, kMovementRecordSize));
static_assert(FitsIn(kGroupFields, kGroupRecordSize));
static_assert(FitsIn(kParameterFields, kParameterRecordSize));
static_assert(FitsIn(kItemFields, kItemRecordSize));
static_assert(FitsIn(kDocumentFields, kDocumentRecordSize));
static_assert(FitsIn(kLineFields, kDocumentRecordSize));
static_assert(FitsIn(kPaymentFields, kDocumentRecordSize));
static_assert(FitsIn(kSummaryFields, kSummaryRecordSize));

constexpr TargetRecordMap kAccountMap{"account", kAccountRecordSize, kAccountFields};
constexpr TargetRecordMap kMovementMap{"movement", kMovementRecordSize, kMovementFields};
constexpr TargetRecordMap kGroupMap{"group", kGroupRecordSize, kGroupFields};
constexpr TargetRecordMap kParameterMap{"parameters", kParameterRecordSize, kParameterFields};
constexpr TargetRecordMap kItemMap{"item", kItemRecordSize, kItemFields};
constexpr TargetRecordMap kDocumentMap{"document", kDocumentRecordSize, kDocumentFields};
constexpr TargetRecordMap kLineMap{"line", kDocumentRecordSize, kLineFields};
constexpr TargetRecordMap kPaymentMap{"payment", kDocumentRecordSize, kPaymentFields};
constexpr TargetRecordMap kSummaryMap{"document file", kSummaryRecordSize, kSummaryFields};

constexpr TransferredDocumentType kTypes[] = {
    {100, ".Zl1", "הזמנות לקוח"},
    {200, ".ms1", "תעודות משלוח"},
    {205, ".Mtm", "תעודות משלוח סוכו"},
    {210, ".ms1", "תעודות החזרה"},
    {300, ".Ik1", "חשבון עיסקה"},
    {305, ".Hs1", "חשבונית מס"},
    {310, ".Hs1", "חשבונית מס"},
    {320, ".Hk1", "חשבונית מס/קבלה"},
    {330, ".Zk1", "הודעת זיכוי"},
    {340, ".Hs1", "חשבונית מס"},
    {345, ".Htm", "חשבונית סוכן"},
    {400, ".Kb1", "קבלה"},
    {405, ".Kb1", "קבלה"},
    {500, ".Zk1", "הזמנת ספק"},
    {600, ".Ic1", "תעודת משלוח ספק"},
    {700, ".Ic1", "חשבונית ספק"},
    {710, ".Zs1", "זיכוי ספק"},
};

bool EndsWith(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() &&
         name.substr(name.size() - extension.size()) == extension;
}

}  // namespace

const TargetRecordMap& AccountRecordMap() { return kAccountMap; }
const TargetRecordMap& MovementRecordMap() { return kMovementMap; }
const TargetRecordMap& GroupRecordMap() { return kGroupMap; }
const TargetRecordMap& ParameterRecordMap() { return kParameterMap; }
const TargetRecordMap& ItemRecordMap() { return kItemMap; }
const TargetRecordMap& DocumentRecordMap() { return kDocumentMap; }
const TargetRecordMap& LineRecordMap() { return kLineMap; }
const TargetRecordMap& PaymentRecordMap() { return kPaymentMap; }
const TargetRecordMap& SummaryRecordMap() { return kSummaryMap; }

const TargetField& FieldOf(const TargetRecordMap& map, std::string_view name) {
  for (const TargetField& f : map.fields) {
    if (f.name == name) return f;
  }
  // A name missing from a map is a fault of the caller's code, found by every test run.
  std::abort();
}

void PutText(std::span<std::uint8_t> record, const TargetField& field, std::string_view text) {
  const std::string aligned = RightAligned(text, field.width);
  std::memcpy(record.data() + field.offset, aligned.data(), field.width);
}

void PutNumber(std::span<std::uint8_t> record, const TargetField& field, std::int64_t value) {
  auto bits = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < field.width; ++i) {
    record[field.offset + i] = static_cast<std::uint8_t>(bits & 0xFFU);
    bits >>= 8;
  }
}

std::string GetText(std::span<const std::uint8_t> record, const TargetField& field) {
  return {reinterpret_cast<const char*>(record.data() + field.offset), field.width};
}

std::int64_t GetNumber(std::span<const std::uint8_t> record, const TargetField& field) {
  std::uint64_t bits = 0;
  for (std::size_t i = field.width; i-- > 0;) bits = bits << 8 | record[field.offset + i];
  const unsigned unused = static_cast<unsigned>(64 - 8 * field.width);
  // Sign-extend from the field's width.
  if (unused > 0) return static_cast<std::int64_t>(bits << unused) >> unused;
  return static_cast<std::int64_t>(bits);
}

std::string RightAligned(std::string_view text, std::size_t width) {
  if (text.size() >= width) return std::string(text.substr(text.size() - width));
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string NumberKey(std::int64_t number) { return RightAligned(std::to_string(number), 17); }

std::string TaxYearPrefix(std::int32_t tax_year) {
  const int two = ((tax_year % 100) + 100) % 100;
  return std::string{static_cast<char>('0' + two / 10), static_cast<char>('0' + two % 10)};
}

std::string DocumentIndexExtension(std::string_view document_extension) {
  std::string out(document_extension);
  if (!out.empty()) out.back() = 'x';
  return out;
}

std::string SummaryFileName(std::int32_t tax_year) {
  return "GFN1" + TaxYearPrefix(tax_year) + ".001";
}

std::span<const TransferredDocumentType> TransferredDocumentTypes() { return kTypes; }

const TransferredDocumentType* FindTransferredDocumentType(int code) {
  for (const TransferredDocumentType& t : kTypes) {
    if (t.code == code) return &t;
  }
  return nullptr;
}

TargetFileKind TargetFileKindOf(std::string_view file_name) {
  const std::size_t slash = file_name.rfind('/');
  const std::string_view base =
      slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  if (base.starts_with("GFN1") && EndsWith(base, ".001")) return TargetFileKind::kSummary;
  if (EndsWith(base, kAccountRecordsExtension)) return TargetFileKind::kAccounts;
  if (EndsWith(base, kAccountIndexExtension) || EndsWith(base, kItemIndexExtension)) {
    return TargetFileKind::kIndex;
  }
  if (EndsWith(base, kMovementsExtension)) return TargetFileKind::kMovements;
  if (EndsWith(base, kGroupsExtension)) return TargetFileKind::kGroups;
  if (EndsWith(base, kParametersExtension)) return TargetFileKind::kParameters;
  if (EndsWith(base, kItemRecordsExtension)) return TargetFileKind::kItems;
  for (const TransferredDocumentType& t : kTypes) {
    if (EndsWith(base, t.extension)) return TargetFileKind::kDocuments;
    if (EndsWith(base, DocumentIndexExtension(t.extension))) return TargetFileKind::kIndex;
  }
  return TargetFileKind::kUnknown;
}

const TargetRecordMap* RecordMapOf(TargetFileKind kind) {
  switch (kind) {
    case TargetFileKind::kAccounts:
      return &kAccountMap;
    case TargetFileKind::kMovements:
      return &kMovementMap;
    case TargetFileKind::kGroups:
      return &kGroupMap;
    case TargetFileKind::kParameters:
      return &kParameterMap;
    case TargetFileKind::kItems:
      return &kItemMap;
    case TargetFileKind::kSummary:
      return &kSummaryMap;
    default:
      return nullptr;
  }
}

const TargetRecordMap* DocumentFileMapOf(std::uint8_t first_byte) {
  switch (first_byte) {
    case kDocumentMark:
      return &kDocumentMap;
    case kLineMark:
      return &kLineMap;
    case kPaymentMark:
      return &kPaymentMap;
    default:
      return nullptr;
  }
}

}  // namespace tallyscan
