// The print settings record: its byte map, its defaults, and a stored value read back byte for
// byte.
#include "engine/report/print_fonts.h"

#include <random>

#include <gtest/gtest.h>

#include "engine/program/program.h"

namespace tallyscan {
namespace {

std::uint32_t IntAt(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

TEST(PrintFonts, ANonDefaultRecordLiesWhereTheByteMapSays) {
  PrintFonts fonts = DefaultPrintFonts();
  fonts.SetFace(3, "David CLM");
  fonts.sizes[5] = 11;
  fonts.weights[6] = 700;
  fonts.italics[2] = 1;
  fonts.underlines[9] = 1;
  fonts.margins = {5, 6, 7, 8};
  fonts.text_colour = Rgb(1, 2, 3);
  fonts.credit_colour = Rgb(4, 5, 6);
  fonts.vertical_lines = 0;
  fonts.horizontal_lines = 1;
  fonts.debit_colour = Rgb(7, 8, 9);
  fonts.separator_colour = Rgb(10, 11, 12);

  const std::string bytes = EncodePrintFonts(fonts);
  ASSERT_EQ(kPrintFontsSize, bytes.size());
  EXPECT_EQ(std::string("David CLM") + std::string(23, '\0'), bytes.substr(3 * kFaceSize, 32));
  EXPECT_EQ(std::string("Tahoma") + std::string(26, '\0'), bytes.substr(12 * kFaceSize, 32));
  EXPECT_EQ(11u, IntAt(bytes, kSizesAt + 5 * 4));
  EXPECT_EQ(12u, IntAt(bytes, kSizesAt + 1 * 4));
  EXPECT_EQ(8u, IntAt(bytes, kSizesAt + 4 * 4));
  EXPECT_EQ(700u, IntAt(bytes, kWeightsAt + 6 * 4));
  EXPECT_EQ(700u, IntAt(bytes, kWeightsAt + 10 * 4));
  EXPECT_EQ(0u, IntAt(bytes, kWeightsAt + 11 * 4));
  EXPECT_EQ(1u, IntAt(bytes, kItalicsAt + 2 * 4));
  EXPECT_EQ(1u, IntAt(bytes, kUnderlinesAt + 9 * 4));
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(5 + i, IntAt(bytes, kMarginsAt + 4 * i));
  EXPECT_EQ(std::string("\x01\x02\x03\x00", 4), bytes.substr(kTextColourAt, 4));
  EXPECT_EQ(std::string("\x04\x05\x06\x00", 4), bytes.substr(kCreditColourAt, 4));
  EXPECT_EQ(0u, IntAt(bytes, kVerticalLinesAt));
  EXPECT_EQ(1u, IntAt(bytes, kHorizontalLinesAt));
  EXPECT_EQ(std::string("\x07\x08\x09\x00", 4), bytes.substr(kDebitColourAt, 4));
  EXPECT_EQ(0u, IntAt(bytes, kReservedAt));
  EXPECT_EQ(std::string("\x0A\x0B\x0C\x00", 4), bytes.substr(kSeparatorColourAt, 4));
  EXPECT_EQ(std::string(12, '\0'), bytes.substr(kTailAt));

  MemorySettings settings;
  WritePrintFonts(settings, fonts);
  EXPECT_EQ(bytes, settings.ReadReg(kParams, kPrintFonts));
  EXPECT_EQ(fonts, ReadPrintFonts(settings));
}

TEST(PrintFonts, TheDefaultsAreTheDescribedOnes) {
  const PrintFonts fonts = DefaultPrintFonts();
  for (int slot = 0; slot < kPrintFontSlots; ++slot) {
    EXPECT_EQ("Tahoma", fonts.Face(slot));
    const int size = slot == 1 || slot == 2                                ? 12
                     : (slot == 4 || slot == 6 || slot == 8 || slot == 10) ? 8
                                                                           : 10;
    EXPECT_EQ(size, fonts.Size(slot)) << slot;
    EXPECT_EQ(slot >= 7 && slot <= 10, fonts.Bold(slot)) << slot;
  }
  EXPECT_EQ("0000FF", ColourText(fonts.text_colour));
  EXPECT_EQ("FF0000", ColourText(fonts.credit_colour));
  EXPECT_EQ("00FF00", ColourText(fonts.debit_colour));
  EXPECT_EQ("808080", ColourText(fonts.separator_colour));
  EXPECT_EQ(1, fonts.vertical_lines);
  EXPECT_EQ(1, fonts.horizontal_lines);
}

TEST(PrintFonts, AMissingOrShortValueReadsAsTheDefaults) {
  MemorySettings settings;
  EXPECT_EQ(DefaultPrintFonts(), ReadPrintFonts(settings));
  std::string stored = EncodePrintFonts(DefaultPrintFonts());
  stored[kSizesAt] = 99;
  stored.pop_back();
  settings.WriteReg(kParams, kPrintFonts, stored);
  EXPECT_EQ(DefaultPrintFonts(), ReadPrintFonts(settings));
}

TEST(PrintFonts, AnyRecordReadAndWrittenAgainIsTheSameBytes) {
  std::mt19937 random(15);
  std::string bytes(kPrintFontsSize, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  EXPECT_EQ(bytes, EncodePrintFonts(DecodePrintFonts(bytes)));
  // Bytes after the record are not part of it.
  EXPECT_EQ(bytes, EncodePrintFonts(DecodePrintFonts(bytes + "tail")));
}

}  // namespace
}  // namespace tallyscan
