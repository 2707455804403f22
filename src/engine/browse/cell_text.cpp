#include "engine/browse/cell_text.h"

#include <algorithm>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

bool IsBlank(std::string_view raw) { return TrimSpaces(raw).empty(); }

}  // namespace

std::string SafeCell(std::string_view utf8) {
  // Made safe first, then trimmed: a TAB that ended a field must not leave a blank behind.
  // Spaces alone are safe, so a text safe within them is safe as a whole.
  const std::string_view trimmed = TrimSpaces(utf8);
  if (IsSafeCellText(trimmed)) return std::string(trimmed);
  const std::string safe = SafeCellText(utf8);
  return std::string(TrimSpaces(safe));
}

namespace {

// SafeCell of a display text, kept as it is when it is safe and trimmed already (a DOS text
// put in logical order may end in the spaces it began with).
std::string SafeOwnedCell(std::string&& text) {
  const bool trimmed = text.empty() || (text.front() != ' ' && text.back() != ' ');
  if (trimmed && IsSafeCellText(text)) return std::move(text);
  return SafeCell(text);
}

}  // namespace

std::string StrippedCell(std::string_view raw) { return SafeOwnedCell(KeyDisplay(raw)); }

std::string TextCell(std::string_view raw, bool dos_code_page, bool converted) {
  return SafeOwnedCell(TextDisplay(raw, dos_code_page, converted));
}

std::string DateCell(std::string_view raw) {
  return IsBlank(raw) ? std::string() : SafeCell(FormatDate(raw));
}

std::string TimeCell(std::string_view raw) {
  return IsBlank(raw) ? std::string() : SafeCell(FormatTime(raw));
}

std::string DocumentTypeCell(std::string_view raw) {
  if (IsBlank(raw)) return {};
  const bool digits =
      std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; });
  const std::int64_t code = digits ? ReadInteger(raw) : -1;
  const DocumentType* type =
      code >= 0 && code < 1000 ? FindDocumentType(static_cast<int>(code)) : nullptr;
  return std::string(type != nullptr ? type->name : kUnknownMeaning);
}

std::string FieldCell(std::string_view line, const FieldLayout& field, bool dos_code_page) {
  const std::string_view raw = SliceField(line, field);
  switch (field.kind) {
    case FieldKind::kKey:
      return StrippedCell(raw);
    case FieldKind::kText:
      return TextCell(raw, dos_code_page, field.converted);
    case FieldKind::kDate:
      return DateCell(raw);
    case FieldKind::kTime:
      return TimeCell(raw);
    case FieldKind::kDoctype:
      return DocumentTypeCell(raw);
    default:
      return TextCell(raw, false, false);
  }
}

std::string JoinParts(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (const std::string_view part : parts) {
    if (part.empty()) continue;
    if (!joined.empty()) joined += ' ';
    joined += part;
  }
  return joined;
}

}  // namespace tallyscan
