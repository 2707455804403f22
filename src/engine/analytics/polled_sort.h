#pragma once

// Private to analytics/.
//
// Sorting the compact records the tests group by, in pieces small enough that a stop asked
// for meanwhile is seen within milliseconds: the values are split by their highest differing
// byte, in place, and each part is sorted by itself.

#include <cstdint>
#include <functional>
#include <vector>

namespace tallyscan::analytics {

// Sorts ascending; `stop` is asked between pieces. False when it answered true: the values
// are then in no particular order.
bool SortPolled(std::vector<std::uint64_t>& values, const std::function<bool()>& stop);

}  // namespace tallyscan::analytics
