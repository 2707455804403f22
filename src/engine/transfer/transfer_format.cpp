#include "engine/transfer/transfer_format.h"

#include "engine/transfer/target_tables.h"

#include <algorithm>
#include <cstring>

namespace tallyscan {
namespace {

constexpr bool FitsIn(std::span<const TargetField> fields, std::size_t size) {
  for (const TargetField& f : fields) {
    if (f.offset + f.width > size) return false;
  }
  return true;
}
static_assert(FitsIn(target_tables::kAccountFields, kAccountRecordSize));
static_assert(FitsIn(target_tables::kMovementFields, kMovementRecordSize));
static_assert(FitsIn(target_tables::kGroupFields, kGroupRecordSize));
static_assert(FitsIn(target_tables::kParameterFields, kParameterRecordSize));
static_assert(FitsIn(target_tables::kItemFields, kItemRecordSize));
static_assert(FitsIn(target_tables::kDocumentFields, kDocumentRecordSize));
static_assert(FitsIn(target_tables::kLineFields, kDocumentRecordSize));
static_assert(FitsIn(target_tables::kPaymentFields, kDocumentRecordSize));
static_assert(FitsIn(target_tables::kSummaryFields, kSummaryRecordSize));

constexpr TargetRecordMap kAccountMap{"account", kAccountRecordSize, target_tables::kAccountFields};
constexpr TargetRecordMap kMovementMap{"movement", kMovementRecordSize,
                                       target_tables::kMovementFields};
constexpr TargetRecordMap kGroupMap{"group", kGroupRecordSize, target_tables::kGroupFields};
constexpr TargetRecordMap kParameterMap{"parameters", kParameterRecordSize,
                                        target_tables::kParameterFields};
constexpr TargetRecordMap kItemMap{"item", kItemRecordSize, target_tables::kItemFields};
constexpr TargetRecordMap kDocumentMap{"document", kDocumentRecordSize,
                                       target_tables::kDocumentFields};
constexpr TargetRecordMap kLineMap{"line", kDocumentRecordSize, target_tables::kLineFields};
constexpr TargetRecordMap kPaymentMap{"payment", kDocumentRecordSize,
                                      target_tables::kPaymentFields};
constexpr TargetRecordMap kSummaryMap{"document file", kSummaryRecordSize,
                                      target_tables::kSummaryFields};

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

// Aligned in place: every movement and document line puts a dozen texts, and a string made for
// each was a good share of the whole transfer.
void PutText(std::span<std::uint8_t> record, const TargetField& field, std::string_view text) {
  std::uint8_t* const out = record.subspan(field.offset, field.width).data();
  if (text.size() >= field.width) {
    std::memcpy(out, text.data() + (text.size() - field.width), field.width);
    return;
  }
  const std::size_t pad = field.width - text.size();
  std::memset(out, ' ', pad);
  if (!text.empty()) std::memcpy(out + pad, text.data(), text.size());
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
