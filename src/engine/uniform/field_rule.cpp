#include "engine/uniform/field_rule.h"

#include "engine/uniform/field_tests.h"

namespace tallyscan {

bool PassesFieldRule(FieldKind kind, std::string_view value) {
  switch (kind) {
    case FieldKind::kDigits:
    case FieldKind::kUdec:
      return IsAllDigits(value);
    case FieldKind::kAmount:
    case FieldKind::kQty4:
      // The sign as the import's sign test takes it: the one character "+" or "-".
      return !value.empty() && (value.front() == '+' || value.front() == '-') &&
             IsAllDigits(value.substr(1));
    case FieldKind::kDate:
      return IsPlausibleDate(value);
    default:
      return true;
  }
}

}  // namespace tallyscan
