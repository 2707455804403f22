#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// Field lists: a browser's visible columns in display order, stored in the settings as
// "width,field" entries joined by ";" with no ";" after the last, e.g. "30,1;180,2;60,3".
// Field 1 is the row-number column "#" and always comes first.

#include <string>
#include <string_view>
#include <vector>

namespace tallyscan {

class SettingsStore;
struct FieldCatalogue;

struct FieldListEntry {
  int width = 0;  // column width in pixels
  int field = 0;  // the field's number in the browser's catalogue, 1-based

  bool operator==(const FieldListEntry&) const = default;
};

// Splits at ";" and each entry at ","; the two parts are read as decimal numbers (leading
// digits, as a C atoi reads them). Entries whose field is not in 1..field_count are dropped:
// a stored list may come from another version or be damaged by hand. A negative width
// counts as 0.
std::vector<FieldListEntry> ParseFieldList(std::string_view text, int field_count);

// The stored form of `entries`.
std::string FormatFieldList(const std::vector<FieldListEntry>& entries);

// The browser's list from the settings ("Params", the catalogue's value name); its default
// when the value is missing, empty, or names no field of the catalogue.
std::vector<FieldListEntry> ReadFieldList(const SettingsStore& settings,
                                          const FieldCatalogue& catalogue);
void WriteFieldList(SettingsStore& settings, const FieldCatalogue& catalogue,
                    std::string_view text);

}  // namespace tallyscan
