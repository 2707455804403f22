#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The state behind a field-selection dialog: one tick per field from 2 upwards, ticked for
// the fields of the browser's list, each remembering the width its entry had. The result
// lists the ticked fields in field order after the row-number column, so the column order
// is the field order, not the order in which fields were ticked.

#include <string>
#include <vector>

#include "engine/browse/field_list.h"

namespace tallyscan {

struct FieldCatalogue;

class FieldSelection {
 public:
  // Width of the row-number column and of a field ticked without a remembered width.
  static constexpr int kNumberColumnWidth = 30;
  static constexpr int kNewFieldWidth = 100;

  FieldSelection(const FieldCatalogue& catalogue, const std::vector<FieldListEntry>& list);

  // Fields 2..LastField() have a tick.
  int LastField() const { return static_cast<int>(ticked_.size()) - 1; }
  bool Ticked(int field) const;
  void SetTicked(int field, bool ticked);
  // The width remembered from the list, 0 when the field had none.
  int RememberedWidth(int field) const;

  // "30,1;" followed by "width,field;" for each ticked field in field order, without the
  // final ";".
  std::string Result() const;

 private:
  bool InRange(int field) const { return field >= 2 && field <= LastField(); }

  std::vector<bool> ticked_;  // by field number; 0 and 1 unused
  std::vector<int> widths_;
};

}  // namespace tallyscan
