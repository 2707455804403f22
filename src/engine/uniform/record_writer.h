#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// Builds record lines of the uniform format from the layout tables: the generator writes
// whole data sets with it, tests write the lines they need, and the account write-back
// rewrites account lines with it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uniform/layouts.h"

namespace tallyscan {

// One line of one record type, kept in a buffer that is reused from line to line: Reset()
// and the setters never allocate, so a writer can build millions of lines.
//
// A fresh or reset line is all spaces (as wide as the layout's fields reach) with the
// record code in positions 1-4. Setters address fields by their field code; a code that
// the record type does not have, or a value that does not fit its field, leaves the field
// as it was (a number too wide) or truncated (text) and clears fitted(), which stays
// cleared until the next Reset().
class RecordWriter {
 public:
  explicit RecordWriter(RecordType type);

  // Back to a line of spaces with the record code.
  void Reset();

  // Text: the bytes left-aligned and space-padded; cut to the field's width.
  RecordWriter& SetText(int code, std::string_view bytes);
  // Text right-aligned with leading spaces, the form some keys and codes take.
  RecordWriter& SetTextRight(int code, std::string_view bytes);
  // A whole number right-aligned and zero-padded over the whole field (digits, id9, udec,
  // time, doctype and key fields alike). Negative values do not fit.
  RecordWriter& SetDigits(int code, std::int64_t value);
  // Amount or quantity: "+" or "-" then the magnitude zero-padded over the rest of the
  // field. The value is in the field's own units (agorot, or ten-thousandths for qty4).
  RecordWriter& SetAmount(int code, std::int64_t value);
  // A date given as the number YYYYMMDD (0: no date, eight zeros).
  RecordWriter& SetDate(int code, int yyyymmdd) { return SetDigits(code, yyyymmdd); }
  // Raw bytes at a 1-based position, for what no field setter expresses (a corrupted
  // character, a field as another producer writes it). Bytes past the end are dropped.
  RecordWriter& SetRaw(int position, std::string_view bytes);

  bool fitted() const { return fitted_; }
  const RecordLayout& layout() const { return *layout_; }
  std::string_view line() const { return line_; }

 private:
  const FieldLayout* Field(int code);
  void PutDigits(char* end, int width, std::uint64_t value);

  const RecordLayout* layout_;
  std::string line_;
  std::string blank_;
  int first_code_ = 0;
  std::vector<const FieldLayout*> by_code_;  // index: code - first_code_
  bool fitted_ = true;
};

// The check digit that makes eight digits a valid nine-digit identification number
// (weights 1, 2, 1, 2 ... from the left, a doubled digit above 9 replaced by the sum of its
// digits, the total a multiple of ten). `first_eight` must hold eight digits; -1 otherwise.
int IdCheckDigit(std::string_view first_eight);

}  // namespace tallyscan
