#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The byte map of the print settings record, stored as one raw value ("Params"/"PrintFonts")
// and read back byte for byte. Offsets are 0-based; integers are 32-bit little-endian; a
// colour is a 32-bit value 0x00BBGGRR (red in the lowest byte).
//
//   offset  size     content
//   0       13 x 32  font face of slots 0-12: code page 1255 text, NUL-terminated and padded
//   416     13 x 4   font size of slots 0-12, in points
//   468     13 x 4   font weight of slots 0-12 (400 normal, 700 bold; 0 reads as normal)
//   520     13 x 4   italic flag of slots 0-12
//   572     13 x 4   underline flag of slots 0-12
//   624     4 x 4    page margins, in millimetres: left, top, right, bottom
//   640     4        text colour
//   644     4        credit-column colour
//   648     4        vertical grid lines (flag)
//   652     4        horizontal grid lines (flag)
//   656     4        debit-column colour
//   660     4        reserved, 0
//   664     4        separator-line colour
//   668     12       reserved, zeros
//   680              the record's length
//
// The reserved bytes and the bytes after a face's terminating NUL are kept as they were read,
// so a record read and written again is the same bytes.

#include <cstddef>

namespace tallyscan {

inline constexpr std::size_t kPrintFontsSize = 680;
inline constexpr int kPrintFontSlots = 13;
inline constexpr std::size_t kFaceSize = 32;

inline constexpr std::size_t kFacesAt = 0;
inline constexpr std::size_t kSizesAt = 416;
inline constexpr std::size_t kWeightsAt = 468;
inline constexpr std::size_t kItalicsAt = 520;
inline constexpr std::size_t kUnderlinesAt = 572;
inline constexpr std::size_t kMarginsAt = 624;
inline constexpr std::size_t kTextColourAt = 640;
inline constexpr std::size_t kCreditColourAt = 644;
inline constexpr std::size_t kVerticalLinesAt = 648;
inline constexpr std::size_t kHorizontalLinesAt = 652;
inline constexpr std::size_t kDebitColourAt = 656;
inline constexpr std::size_t kReservedAt = 660;
inline constexpr std::size_t kSeparatorColourAt = 664;
inline constexpr std::size_t kTailAt = 668;

static_assert(kSizesAt == kFacesAt + kPrintFontSlots * kFaceSize);
static_assert(kWeightsAt == kSizesAt + kPrintFontSlots * 4);
static_assert(kItalicsAt == kWeightsAt + kPrintFontSlots * 4);
static_assert(kUnderlinesAt == kItalicsAt + kPrintFontSlots * 4);
static_assert(kMarginsAt == kUnderlinesAt + kPrintFontSlots * 4);
static_assert(kTextColourAt == kMarginsAt + 4 * 4);
static_assert(kTailAt + 12 == kPrintFontsSize);

}  // namespace tallyscan
