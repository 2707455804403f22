#include "engine/checks/dealer_number.h"

namespace tallyscan {

bool ValidDealerNumber(std::string_view text) {
  if (text.empty()) return false;
  int sum = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    int d = c - '0';
    if (i % 2 == 1) {  // 1-based even position
      d *= 2;
      if (d > 9) d = d % 10 + 1;
    }
    sum += d;
  }
  return sum % 10 == 0;
}

}  // namespace tallyscan
