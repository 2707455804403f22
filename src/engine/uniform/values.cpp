#include "engine/uniform/values.h"

#include <limits>

#include "engine/text/text.h"

namespace tallyscan {

namespace {
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
}  // namespace

std::optional<std::int64_t> ParseSignedDecimal(std::string_view field) {
  field = TrimSpaces(field);
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    // Accumulated as a positive number; the magnitude of the most negative value is not
    // needed, since no field is that wide.
    if (value > (kMax - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::int64_t ReadAmount(std::string_view field) { return ParseSignedDecimal(field).value_or(0); }

int ImpliedDecimals(FieldKind kind) {
  switch (kind) {
    case FieldKind::kAmount:
    case FieldKind::kUdec:
      return 2;
    case FieldKind::kQty4:
      return 4;
    default:
      return 0;
  }
}

std::int64_t ReadInteger(std::string_view field) {
  std::int64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') break;
    const int digit = c - '0';
    if (value > (kMax - digit) / 10) return kMax;
    value = value * 10 + digit;
  }
  return value;
}

std::string TextDisplay(std::string_view field, bool dos_code_page, bool converted) {
  const std::string_view trimmed = TrimSpaces(field);
  if (dos_code_page && converted) return Cp1255ToUtf8(DosToWin(trimmed));
  return Cp1255ToUtf8(trimmed);
}

std::string KeyDisplay(std::string_view field) {
  return Cp1255ToUtf8(StripLeadingBlanksAndZeros(field));
}

bool DeclaresDosCodePage(std::string_view a000_line) {
  const FieldLayout* field = FindField(LayoutOf(RecordType::kA000), 1029);
  return field != nullptr && SliceField(a000_line, *field) == "2";
}

}  // namespace tallyscan
