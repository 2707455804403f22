#include "engine/browse/exact_figures.h"

#include <limits>

namespace tallyscan {

std::int64_t RoundedQuotient(WideFigure numerator, WideFigure denominator) {
  if (denominator == 0) return 0;
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  const bool negative = numerator < 0;
  const WideFigure magnitude = negative ? -numerator : numerator;
  WideFigure quotient = magnitude / denominator;
  if ((magnitude % denominator) * 2 >= denominator) ++quotient;
  if (negative) quotient = -quotient;
  if (quotient > std::numeric_limits<std::int64_t>::max()) {
    return std::numeric_limits<std::int64_t>::max();
  }
  if (quotient < std::numeric_limits<std::int64_t>::min()) {
    return std::numeric_limits<std::int64_t>::min();
  }
  return static_cast<std::int64_t>(quotient);
}

}  // namespace tallyscan
