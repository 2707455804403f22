#include "engine/report/print_fonts.h"

#include <algorithm>
#include <cstring>

#include "engine/program/program.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

void PutInt(std::string& out, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetInt(std::string_view in, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  }
  return value;
}

template <std::size_t N>
void PutInts(std::string& out, std::size_t at, const std::array<std::int32_t, N>& values) {
  for (std::size_t i = 0; i < N; ++i)
    PutInt(out, at + 4 * i, static_cast<std::uint32_t>(values[i]));
}

template <std::size_t N>
void GetInts(std::string_view in, std::size_t at, std::array<std::int32_t, N>& values) {
  for (std::size_t i = 0; i < N; ++i) values[i] = static_cast<std::int32_t>(GetInt(in, at + 4 * i));
}

constexpr std::string_view kSlotLabels[] = {
    "כותרת ראשית",
    "כותרת משנית",
    "כותרת הדו'ח - דו'ח צר (עד 80 טור)",
    "כותרת הדו'ח - דו'ח רחב (מעל 80 טור)",
    "גוף הדו'ח - דו'ח צר (עד 80 טור)",
    "גוף הדו'ח - דו'ח רחב (מעל 80 טור)",
    "תת כותרת הדו'ח - דו'ח צר (עד 80 טור)",
    "תת כותרת הדו'ח - דו'ח רחב (מעל 80 טור)",
    "סיכום הדו'ח - דו'ח צר (עד 80 טור)",
    "סיכום הדו'ח - דו'ח רחב (מעל 80 טור)",
};

}  // namespace

std::string ColourText(Colour colour) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const int part : {RedOf(colour), GreenOf(colour), BlueOf(colour)}) {
    text.push_back(kDigits[part >> 4]);
    text.push_back(kDigits[part & 0xF]);
  }
  return text;
}

std::string PrintFonts::Face(int slot) const {
  const auto& field = faces[Index(slot)];
  const std::string_view bytes(field.data(), field.size());
  return Cp1255ToUtf8(TrimSpaces(bytes.substr(0, bytes.find('\0'))));
}

void PrintFonts::SetFace(int slot, std::string_view utf8) {
  auto& field = faces[Index(slot)];
  field.fill('\0');
  const std::string bytes = Utf8ToCp1255(utf8);
  std::memcpy(field.data(), bytes.data(), std::min(bytes.size(), kFaceSize - 1));
}

PrintFonts DefaultPrintFonts() {
  PrintFonts fonts;
  for (int slot = 0; slot < kPrintFontSlots; ++slot) {
    fonts.SetFace(slot, "Tahoma");
    const std::size_t i = PrintFonts::Index(slot);
    fonts.sizes[i] = slot == 1 || slot == 2                       ? 12
                     : (slot >= 4 && slot <= 10 && slot % 2 == 0) ? 8
                                                                  : 10;
    fonts.weights[i] = slot >= 7 && slot <= 10 ? 700 : 0;
  }
  fonts.text_colour = Rgb(0, 0, 255);
  fonts.credit_colour = Rgb(255, 0, 0);
  fonts.vertical_lines = 1;
  fonts.horizontal_lines = 1;
  fonts.debit_colour = Rgb(0, 255, 0);
  fonts.separator_colour = Rgb(128, 128, 128);
  return fonts;
}

std::string EncodePrintFonts(const PrintFonts& fonts) {
  std::string out(kPrintFontsSize, '\0');
  for (std::size_t slot = 0; slot < fonts.faces.size(); ++slot) {
    std::memcpy(out.data() + kFacesAt + slot * kFaceSize, fonts.faces[slot].data(), kFaceSize);
  }
  PutInts(out, kSizesAt, fonts.sizes);
  PutInts(out, kWeightsAt, fonts.weights);
  PutInts(out, kItalicsAt, fonts.italics);
  PutInts(out, kUnderlinesAt, fonts.underlines);
  PutInts(out, kMarginsAt, fonts.margins);
  PutInt(out, kTextColourAt, fonts.text_colour);
  PutInt(out, kCreditColourAt, fonts.credit_colour);
  PutInt(out, kVerticalLinesAt, static_cast<std::uint32_t>(fonts.vertical_lines));
  PutInt(out, kHorizontalLinesAt, static_cast<std::uint32_t>(fonts.horizontal_lines));
  PutInt(out, kDebitColourAt, fonts.debit_colour);
  PutInt(out, kReservedAt, fonts.reserved);
  PutInt(out, kSeparatorColourAt, fonts.separator_colour);
  std::memcpy(out.data() + kTailAt, fonts.tail.data(), fonts.tail.size());
  return out;
}

PrintFonts DecodePrintFonts(std::string_view bytes) {
  if (bytes.size() < kPrintFontsSize) return DefaultPrintFonts();
  PrintFonts fonts;
  for (std::size_t slot = 0; slot < fonts.faces.size(); ++slot) {
    std::memcpy(fonts.faces[slot].data(), bytes.data() + kFacesAt + slot * kFaceSize, kFaceSize);
  }
  GetInts(bytes, kSizesAt, fonts.sizes);
  GetInts(bytes, kWeightsAt, fonts.weights);
  GetInts(bytes, kItalicsAt, fonts.italics);
  GetInts(bytes, kUnderlinesAt, fonts.underlines);
  GetInts(bytes, kMarginsAt, fonts.margins);
  fonts.text_colour = GetInt(bytes, kTextColourAt);
  fonts.credit_colour = GetInt(bytes, kCreditColourAt);
  fonts.vertical_lines = static_cast<std::int32_t>(GetInt(bytes, kVerticalLinesAt));
  fonts.horizontal_lines = static_cast<std::int32_t>(GetInt(bytes, kHorizontalLinesAt));
  fonts.debit_colour = GetInt(bytes, kDebitColourAt);
  fonts.reserved = GetInt(bytes, kReservedAt);
  fonts.separator_colour = GetInt(bytes, kSeparatorColourAt);
  std::memcpy(fonts.tail.data(), bytes.data() + kTailAt, fonts.tail.size());
  return fonts;
}

PrintFonts ReadPrintFonts(const SettingsStore& settings) {
  return DecodePrintFonts(settings.ReadReg(kParams, kPrintFonts));
}

void WritePrintFonts(SettingsStore& settings, const PrintFonts& fonts) {
  settings.WriteReg(kParams, kPrintFonts, EncodePrintFonts(fonts));
}

std::string_view SlotLabel(int slot) {
  if (slot < 1 || slot > 10) return {};
  return kSlotLabels[slot - 1];
}

}  // namespace tallyscan
