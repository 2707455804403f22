#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// Changing an account's card number: the six-character ShortKey of its AccountListIndex
// entry, typed by the user over the grid cell.

#include <cstdint>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

struct ListEntry;

enum class CardNumberVerdict {
  kAccepted,  // the entry now carries the number
  kBelowOne,  // "מספר כרטיס חייב להיות גדול מ 0"
  kTaken,     // another entry has it: "כרטיס במספר כזה קיים כבר "
  kNoEntry,   // the element is not an entry of the list; nothing changed
};

// The message to show for a refusal; empty for kAccepted and kNoEntry.
std::string_view CardNumberMessage(CardNumberVerdict verdict);

// Takes the number typed for entry `element` (1-based) of `list`: the value of its leading
// digits, at most six of them. A value below 1 is refused; otherwise it is right-aligned in
// six characters and refused when an entry other than `element` already has that ShortKey.
// On acceptance the entry's ShortKey becomes it; a refusal leaves the list unchanged.
[[nodiscard]] CardNumberVerdict UpdateCardNumber(RecordIndex<ListEntry>& list, std::int64_t element,
                                                 std::string_view typed);

}  // namespace tallyscan
