#include "engine/browse/field_list.h"

#include <limits>

#include "engine/browse/field_catalogue.h"
#include "engine/program/program.h"

namespace tallyscan {
namespace {

// The value of the leading decimal digits after optional blanks and sign; 0 when there are
// none. Stops growing at the int limits instead of overflowing.
int LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::vector<FieldListEntry> ParseFieldList(std::string_view text, int field_count) {
  std::vector<FieldListEntry> entries;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(';');
    const std::string_view entry = text.substr(0, semicolon);
    text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    const std::size_t comma = entry.find(',');
    if (comma == std::string_view::npos) continue;
    const int width = LeadingNumber(entry.substr(0, comma));
    const int field = LeadingNumber(entry.substr(comma + 1));
    if (field < 1 || field > field_count) continue;
    entries.push_back({width < 0 ? 0 : width, field});
  }
  return entries;
}

std::string FormatFieldList(const std::vector<FieldListEntry>& entries) {
  std::string text;
  for (const FieldListEntry& entry : entries) {
    if (!text.empty()) text += ';';
    text += std::to_string(entry.width);
    text += ',';
    text += std::to_string(entry.field);
  }
  return text;
}

std::vector<FieldListEntry> ReadFieldList(const SettingsStore& settings,
                                          const FieldCatalogue& catalogue) {
  const std::string stored = settings.ReadReg(kParams, catalogue.value_name);
  std::vector<FieldListEntry> entries = ParseFieldList(stored, catalogue.FieldCount());
  if (entries.empty()) entries = ParseFieldList(catalogue.default_list, catalogue.FieldCount());
  return entries;
}

void WriteFieldList(SettingsStore& settings, const FieldCatalogue& catalogue,
                    std::string_view text) {
  settings.WriteReg(kParams, catalogue.value_name, text);
}

}  // namespace tallyscan
