#include "engine/browse/balance_text.h"

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

std::string BalanceText(AmountSum agorot, bool with_sense) {
  if (agorot == 0) return {};
  std::string text = FormatAgorot(agorot);
  if (!with_sense) return text;
  // The magnitude is the text without its minus: no value is out of reach of a negation.
  if (agorot < 0) return text.substr(1) + " ז" + kCreditMarker;
  return text + " ח" + kDebitMarker;
}

}  // namespace tallyscan
