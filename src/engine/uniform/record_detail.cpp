#include "engine/uniform/record_detail.h"

#include <iterator>

#include "engine/text/text.h"
#include "engine/uniform/field_tests.h"
#include "engine/uniform/layouts.h"
#include "engine/uniform/values.h"

namespace tallyscan {
namespace {

const DocumentType* ListedDocumentType(std::string_view raw) {
  if (!IsAllDigits(raw)) return nullptr;
  const std::int64_t code = ReadInteger(raw);
  return code < 1000 ? FindDocumentType(static_cast<int>(code)) : nullptr;
}

bool FailsDetailCheck(const FieldLayout& field, std::string_view raw) {
  switch (field.detail_check) {
    case DetailCheck::kNone:
      return false;
    case DetailCheck::kDigits:
      return !IsAllDigits(raw);
    case DetailCheck::kId9:
      return !IsValidIdNumber(raw);
    case DetailCheck::kAmountDigits:
      return raw.empty() || !IsAllDigits(raw.substr(1));
    case DetailCheck::kDoctypeListed:
      return ListedDocumentType(raw) == nullptr;
    case DetailCheck::kDateRange:
      return !IsDateInDetailRange(raw);
  }
  return false;
}

std::string Value(const FieldLayout& field, std::string_view raw, bool dos_code_page) {
  switch (field.kind) {
    case FieldKind::kKey:
      return KeyDisplay(raw);
    case FieldKind::kText:
      return TextDisplay(raw, dos_code_page, field.converted);
    default:
      return Cp1255ToUtf8(raw);
  }
}

std::string Meaning(const FieldLayout& field, std::string_view raw) {
  switch (field.kind) {
    case FieldKind::kAmount:
    case FieldKind::kUdec:
      return FormatNumber("#,.00", ReadAmount(raw), ImpliedDecimals(field.kind));
    case FieldKind::kQty4:
      return FormatNumber("#,.0000", ReadAmount(raw), ImpliedDecimals(field.kind));
    case FieldKind::kDate:
      return Cp1255ToUtf8(FormatDate(raw));
    case FieldKind::kTime:
      return Cp1255ToUtf8(FormatTime(raw));
    case FieldKind::kDoctype: {
      const DocumentType* type = ListedDocumentType(raw);
      return std::string(type != nullptr ? type->name : kUnknownMeaning);
    }
    case FieldKind::kEnum:
    case FieldKind::kDigits:
      return std::string(EnumMeaning(field.table, raw));
    default:
      return {};
  }
}

void AppendRecordRows(std::string_view line, bool dos_code_page, std::vector<std::string>& rows) {
  const RecordLayout* layout = FindLayout(line);
  if (layout == nullptr) return;
  // A line the import would refuse for its length is marked on its record code.
  const bool wrong_length = layout->length != 0 && std::ssize(line) != layout->length;
  bool first = true;
  for (const FieldLayout& field : layout->fields) {
    const std::string_view raw = SliceField(line, field);
    if (raw.empty()) break;  // the line ends before this field
    // A date the reading rejects has no meaning to show: "09/13/2024" would pass for one.
    const bool bad_date = field.kind == FieldKind::kDate && !IsPlausibleDate(raw);
    const bool failed = FailsDetailCheck(field, raw) || bad_date || (first && wrong_length);
    std::string caption(field.caption);
    // The file's text is made safe before any marker of ours is added to it.
    std::string value = SafeCellText(Value(field, raw, dos_code_page));
    std::string meaning = first      ? std::string(layout->name)
                          : bad_date ? std::string()
                                     : SafeCellText(Meaning(field, raw));
    if (first) {
      caption += kHeadingMarker;
      value += kHeadingMarker;
      meaning += kHeadingMarker;
    }
    if (failed) value += kErrorMarker;
    const std::string code = field.code != 0 ? std::to_string(field.code) : std::string();
    rows.push_back(
        MakeRow(failed ? RowStatus::kError : RowStatus::kInfo, {code, caption, value, meaning}));
    first = false;
  }
}

}  // namespace

std::vector<std::string> BuildRecordDetailRows(std::string_view line, bool dos_code_page) {
  std::vector<std::string> rows;
  AppendRecordRows(line, dos_code_page, rows);
  return rows;
}

std::string BuildSummaryDetailRow(std::string_view summary_line) {
  if (TrimSpaces(summary_line).empty()) return {};
  const std::string_view type = SliceField(summary_line, kIniSummaryType);
  const std::string_view count = SliceField(summary_line, kIniSummaryCount);
  const std::string_view type_caption = SummaryCaption(type);
  std::string caption(kSummaryRowCaption);
  caption += type_caption.empty() ? SafeCellText(Cp1255ToUtf8(type)) : std::string(type_caption);
  return MakeRow(RowStatus::kInfo,
                 {std::to_string(kSummaryFieldCode), caption, SafeCellText(Cp1255ToUtf8(count)),
                  IsAllDigits(count) ? FormatCount(ReadInteger(count)) : std::string()});
}

std::vector<std::string> BuildIniDetailRows(std::string_view a000_line,
                                            std::span<const std::string_view> summary_lines,
                                            std::string_view a100_line, std::string_view z900_line,
                                            bool dos_code_page) {
  std::vector<std::string> rows;
  AppendRecordRows(a000_line, dos_code_page, rows);
  for (std::string_view summary : summary_lines) {
    std::string row = BuildSummaryDetailRow(summary);
    if (!row.empty()) rows.push_back(std::move(row));
  }
  AppendRecordRows(a100_line, dos_code_page, rows);
  AppendRecordRows(z900_line, dos_code_page, rows);
  return rows;
}

}  // namespace tallyscan
