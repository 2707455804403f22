#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The values of record fields as the stores, views, checks and reports use them. Every
// reader takes the field's characters as they stand in the file and never fails: a field
// that does not hold what its kind promises reads as a fixed fallback, documented per
// function, so that one damaged line cannot stop a view or a report.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/uniform/layouts.h"

namespace tallyscan {

// A whole field read as a signed decimal integer: surrounding spaces ignored, then an
// optional "+" or "-", then one or more digits (leading zeros ignored) and nothing else.
// nullopt when the field is not such a number or does not fit in 64 bits.
std::optional<std::int64_t> ParseSignedDecimal(std::string_view field);

// An amount, quantity or unsigned decimal field as a whole number of its smallest unit:
// hundredths for amounts and unsigned decimals, ten-thousandths for quantities (see
// ImpliedDecimals). The field is read with ParseSignedDecimal; a field that is not a
// number (blank, a letter among the digits, a sign alone, too many digits) reads as 0.
std::int64_t ReadAmount(std::string_view field);

// The number of implied decimals of a numeric field kind: 2 for amounts and unsigned
// decimals, 4 for quantities, 0 for everything else.
int ImpliedDecimals(FieldKind kind);

// Integer fields (record numbers, counts, years, codes): the leading digits as a number;
// a field that does not begin with a digit reads as 0. A number too large for 64 bits reads
// as the largest 64-bit value.
std::int64_t ReadInteger(std::string_view field);

// The display form of a text field, UTF-8: surrounding spaces removed, then converted from
// the DOS Hebrew code page when the file is DOS-coded and the field is one that is
// converted, then from code page 1255.
std::string TextDisplay(std::string_view field, bool dos_code_page, bool converted);

// The display form of a key field, UTF-8: leading blanks and zeros (and the trailing
// padding) removed. Keys are never converted.
std::string KeyDisplay(std::string_view field);

// Whether an A000 line declares the DOS Hebrew code page: field 1029 is "2".
bool DeclaresDosCodePage(std::string_view a000_line);

}  // namespace tallyscan
