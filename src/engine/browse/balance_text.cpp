#include "engine/browse/balance_text.h"

#include <limits>

#include "engine/text/number_format.h"
#include "engine/uniform/result_row.h"

namespace tallyscan {

std::string BalanceText(std::int64_t agorot, bool with_sense) {
  if (agorot == 0) return {};
  if (!with_sense) return FormatAgorot(agorot);
  // Sums saturate at the 64-bit limits; the lowest value has no positive counterpart.
  const std::int64_t magnitude = agorot == std::numeric_limits<std::int64_t>::min()
                                     ? std::numeric_limits<std::int64_t>::max()
                                 : agorot < 0 ? -agorot
                                              : agorot;
  if (agorot > 0) return FormatAgorot(magnitude) + " ח" + kDebitMarker;
  return FormatAgorot(magnitude) + " ז" + kCreditMarker;
}

}  // namespace tallyscan
