#pragma once

// The words a generated data set is made of: Hebrew names, places and item descriptions,
// written in UTF-8 here and turned into the bytes of the data file once per set.

#include <span>
#include <string>
#include <string_view>

namespace tallyscan::gen {

// UTF-8 -> the bytes of a text field: code page 1255, or DOS Hebrew in visual order when
// `dos` (what a DOS-coded file holds and the reader converts back with DosToWin).
std::string FileText(std::string_view utf8, bool dos);

std::span<const std::string_view> FirstNames();
std::span<const std::string_view> FamilyNames();
std::span<const std::string_view> CompanyWords();     // "מערכות", "סחר" ...
std::span<const std::string_view> CompanySuffixes();  // "בע\"מ", "ושות'" ...
std::span<const std::string_view> Streets();
std::span<const std::string_view> Cities();

struct ItemWords {
  std::string_view description;
  std::string_view unit;
  int category;     // 100 stationery, 200 computers, 300 services, 400 furniture
  int low_price;    // agorot
  int high_price;   // agorot
  bool fractional;  // sold in fractions of the unit (metres, hours)
};
std::span<const ItemWords> ItemCatalogue();
std::string_view CategoryName(int category);

}  // namespace tallyscan::gen
