#include "engine/browse/card_number.h"

#include <cstring>
#include <string>

#include "engine/uniform/uniform.h"

namespace tallyscan {

std::string_view CardNumberMessage(CardNumberVerdict verdict) {
  switch (verdict) {
    case CardNumberVerdict::kBelowOne:
      return "מספר כרטיס חייב להיות גדול מ 0";
    case CardNumberVerdict::kTaken:
      return "כרטיס במספר כזה קיים כבר ";
    case CardNumberVerdict::kAccepted:
    case CardNumberVerdict::kNoEntry:
      break;
  }
  return {};
}

CardNumberVerdict UpdateCardNumber(RecordIndex<ListEntry>& list, std::int64_t element,
                                   std::string_view typed) {
  if (element < 1 || element > list.Count()) return CardNumberVerdict::kNoEntry;
  int value = 0;
  for (std::size_t i = 0; i < typed.size() && i < kShortKeyLength; ++i) {
    if (typed[i] < '0' || typed[i] > '9') break;
    value = value * 10 + (typed[i] - '0');
  }
  if (value < 1) return CardNumberVerdict::kBelowOne;

  const std::string digits = std::to_string(value);
  std::string number(kShortKeyLength - digits.size(), ' ');
  number += digits;
  for (std::int64_t i = 1; i <= list.Count(); ++i) {
    if (i != element && list[i].ShortKeyView() == number) return CardNumberVerdict::kTaken;
  }
  std::memcpy(list[element].ShortKey, number.data(), kShortKeyLength);
  return CardNumberVerdict::kAccepted;
}

}  // namespace tallyscan
