#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The print settings: the fonts of the report slots, grid lines, colours and page margins,
// kept as one 680-byte record (print_fonts_format.h) under "Params"/"PrintFonts".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/report/print_fonts_format.h"

namespace tallyscan {

class SettingsStore;

// A colour as the record stores it: 0x00BBGGRR.
using Colour = std::uint32_t;
constexpr Colour Rgb(int red, int green, int blue) {
  return static_cast<Colour>(red & 0xFF) | static_cast<Colour>(green & 0xFF) << 8 |
         static_cast<Colour>(blue & 0xFF) << 16;
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }
// Six upper-case hexadecimal digits, red first: Rgb(0, 0, 255) is "0000FF".
std::string ColourText(Colour colour);

// The font slots the reports use. A narrow report takes the odd slot of each pair, a wide one
// the even slot (the odd one + 1).
inline constexpr int kMainTitleSlot = 1;
inline constexpr int kSecondaryTitleSlot = 2;
inline constexpr int kHeadingSlot = 3;      // column headings
inline constexpr int kBodySlot = 5;         // body lines
inline constexpr int kSubTitleSlot = 7;     // sub-title lines
inline constexpr int kSummarySlot = 9;      // summary lines
inline constexpr int kWideCompanySlot = 4;  // the company's second line and the date line
constexpr int SlotFor(int narrow_slot, bool wide) { return wide ? narrow_slot + 1 : narrow_slot; }

struct PrintFonts {
  // Slot s (0-12) at [s].
  std::array<std::array<char, kFaceSize>, kPrintFontSlots> faces{};
  std::array<std::int32_t, kPrintFontSlots> sizes{};
  std::array<std::int32_t, kPrintFontSlots> weights{};
  std::array<std::int32_t, kPrintFontSlots> italics{};
  std::array<std::int32_t, kPrintFontSlots> underlines{};
  std::array<std::int32_t, 4> margins{};  // millimetres: left, top, right, bottom
  Colour text_colour = 0;
  Colour credit_colour = 0;
  std::int32_t vertical_lines = 0;
  std::int32_t horizontal_lines = 0;
  Colour debit_colour = 0;
  std::uint32_t reserved = 0;
  Colour separator_colour = 0;
  std::array<std::uint8_t, kPrintFontsSize - kTailAt> tail{};

  // The face of a slot as UTF-8, up to its NUL, surrounding blanks removed.
  std::string Face(int slot) const;
  // Stores a face in code page 1255, cut to 31 bytes; the rest of the field becomes NULs.
  void SetFace(int slot, std::string_view utf8);
  bool Bold(int slot) const { return weights[Index(slot)] >= 700; }
  bool Italic(int slot) const { return italics[Index(slot)] != 0; }
  bool Underline(int slot) const { return underlines[Index(slot)] != 0; }
  int Size(int slot) const { return sizes[Index(slot)]; }

  bool operator==(const PrintFonts&) const = default;

  // A slot outside 0-12 reads as slot 0.
  static std::size_t Index(int slot) {
    return slot >= 0 && slot < kPrintFontSlots ? static_cast<std::size_t>(slot) : 0;
  }
};

// Every face "Tahoma"; size 10, slots 1 and 2 12, slots 4, 6, 8 and 10 8; slots 7-10 bold;
// no margins; text blue, credit red, debit green, separators grey; both grid lines on.
PrintFonts DefaultPrintFonts();

// The record's 680 bytes.
std::string EncodePrintFonts(const PrintFonts& fonts);
// The record from stored bytes; the defaults when there are fewer than 680 (a missing value
// is empty). Bytes after the 680th are ignored.
PrintFonts DecodePrintFonts(std::string_view bytes);

PrintFonts ReadPrintFonts(const SettingsStore& settings);
void WritePrintFonts(SettingsStore& settings, const PrintFonts& fonts);

// The label of a slot in the page properties dialog (slots 1-10); empty for the others.
std::string_view SlotLabel(int slot);

}  // namespace tallyscan
