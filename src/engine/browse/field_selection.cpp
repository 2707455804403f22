#include "engine/browse/field_selection.h"

#include "engine/browse/field_catalogue.h"

namespace tallyscan {

FieldSelection::FieldSelection(const FieldCatalogue& catalogue,
                               const std::vector<FieldListEntry>& list)
    : ticked_(static_cast<std::size_t>(catalogue.FieldCount()) + 1, false),
      widths_(ticked_.size(), 0) {
  for (const FieldListEntry& entry : list) {
    if (!InRange(entry.field)) continue;
    ticked_[static_cast<std::size_t>(entry.field)] = true;
    widths_[static_cast<std::size_t>(entry.field)] = entry.width;
  }
}

bool FieldSelection::Ticked(int field) const {
  return InRange(field) && ticked_[static_cast<std::size_t>(field)];
}

void FieldSelection::SetTicked(int field, bool ticked) {
  if (InRange(field)) ticked_[static_cast<std::size_t>(field)] = ticked;
}

int FieldSelection::RememberedWidth(int field) const {
  return InRange(field) ? widths_[static_cast<std::size_t>(field)] : 0;
}

std::string FieldSelection::Result() const {
  std::vector<FieldListEntry> entries = {{kNumberColumnWidth, 1}};
  for (int field = 2; field <= LastField(); ++field) {
    if (!Ticked(field)) continue;
    const int width = RememberedWidth(field);
    entries.push_back({width > 0 ? width : kNewFieldWidth, field});
  }
  return FormatFieldList(entries);
}

}  // namespace tallyscan
