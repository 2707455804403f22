#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The import's rule of field validation for each kind of field, for code outside the import
// that must call a field invalid exactly when the import would (the field statistics). The
// import checks only some fields of a line, and only up to the first that fails; this rule
// judges any one field by its kind alone, whatever the rest of the line holds.

#include <string_view>

#include "engine/uniform/layouts.h"

namespace tallyscan {

// Whether the characters of a field pass the rule of its kind:
//   kDigits, kUdec     digits only
//   kAmount, kQty4     "+" or "-", then digits only
//   kDate              eight digits, all zeros (no date) or a plausible date: day 1-31, month
//                      1-12, year 2000-2049 (whether the day exists in its month is not asked)
// Kinds the import does not validate by their characters (texts, keys, codes, times,
// identity numbers) always pass. An empty value fails every rule that asks for digits.
bool PassesFieldRule(FieldKind kind, std::string_view value);

}  // namespace tallyscan
