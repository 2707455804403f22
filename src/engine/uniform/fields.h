#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// Fields named in code: "B110 field 1414" is field::B110(1414). The name is looked up in the
// layout tables while compiling, so a reader can never fall out of step with a table: a
// code the table does not have stops the build, and a changed position or width reaches
// every reader. The result is a constant; reading a field by name costs what reading it by
// literal position did.
//
// Positions that no single field gives (a key made of two adjacent fields, an amount's
// digits after its sign, the version digits inside the format mark) are built from named
// fields by the helpers below, checked while compiling as well.

#include "engine/uniform/layout_tables.h"

namespace tallyscan {
namespace field {
namespace internal {

// Not constexpr on purpose: reaching it while compiling is the error that names the fault.
void NoFieldOfThisCodeInTheTable();
void PositionsOutsideTheField();

consteval const FieldLayout& Find(std::span<const FieldLayout> fields, int code) {
  for (const FieldLayout& field : fields) {
    if (field.code == code) return field;
  }
  NoFieldOfThisCodeInTheTable();
  return fields.front();
}

}  // namespace internal

consteval const FieldLayout& A000(int code) {
  return internal::Find(layout_tables::kA000Fields, code);
}
consteval const FieldLayout& A100(int code) {
  return internal::Find(layout_tables::kA100Fields, code);
}
consteval const FieldLayout& Z900(int code) {
  return internal::Find(layout_tables::kZ900Fields, code);
}
consteval const FieldLayout& B100(int code) {
  return internal::Find(layout_tables::kB100Fields, code);
}
consteval const FieldLayout& B110(int code) {
  return internal::Find(layout_tables::kB110Fields, code);
}
consteval const FieldLayout& C100(int code) {
  return internal::Find(layout_tables::kC100Fields, code);
}
consteval const FieldLayout& D110(int code) {
  return internal::Find(layout_tables::kD110Fields, code);
}
consteval const FieldLayout& D120(int code) {
  return internal::Find(layout_tables::kD120Fields, code);
}
consteval const FieldLayout& M100(int code) {
  return internal::Find(layout_tables::kM100Fields, code);
}

// Adjacent fields read as one: from the start of `first` to the end of `last`.
consteval Positions Run(const FieldLayout& first, const FieldLayout& last) {
  if (last.start < first.start) internal::PositionsOutsideTheField();
  return {first.start, last.start + last.width - first.start};
}

// `width` characters of a field from its character `offset` (0 is the first).
consteval Positions Part(Positions whole, int offset, int width) {
  if (offset < 0 || width < 1 || offset + width > whole.width) internal::PositionsOutsideTheField();
  return {whole.start + offset, width};
}

// An amount's sign, and its digits after the sign.
consteval Positions SignOf(const FieldLayout& amount) { return Part(amount, 0, 1); }
consteval Positions DigitsOf(const FieldLayout& amount) {
  return Part(amount, 1, amount.width - 1);
}

// `inner` as positions within the characters `outer` covers (both given within one line), for
// reading a field out of a run read by itself.
consteval Positions Within(Positions outer, Positions inner) {
  if (inner.start < outer.start || inner.start + inner.width > outer.start + outer.width) {
    internal::PositionsOutsideTheField();
  }
  return {inner.start - outer.start + 1, inner.width};
}

// The year of a date field (YYYYMMDD).
consteval Positions YearOf(const FieldLayout& date) {
  if (date.kind != FieldKind::kDate) internal::PositionsOutsideTheField();
  return Part(date, 0, 4);
}

// The key of a document and of its lines: document type and number as they stand
// (positions 23-45).
inline constexpr Positions kDocumentKey = Run(C100(1203), C100(1204));
inline constexpr Positions kDocumentLineKey = Run(D110(1253), D110(1254));

// The version digits "1.31" inside the format mark of INI.TXT (A000 1005, "&OF1.31&").
inline constexpr Positions kFormatVersionDigits = Part(A000(1005), 3, 4);

}  // namespace field
}  // namespace tallyscan
