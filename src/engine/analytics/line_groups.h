#pragma once

// Private to analytics/.
//
// The tests that compare movement lines with each other, over the columns the reading left:
// duplicates and reversals. Both group lines by sorting 64-bit records (a 32-bit hash of
// the group's key above the line's ordinal) and then compare the lines of each run of equal
// hashes by their columns, so that the groups are exact whatever the hash does.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/analytics/jet_pass.h"

namespace tallyscan::analytics {

struct GroupHits {
  std::vector<std::uint32_t> ordinals;  // ascending
  std::int64_t groups = 0;
  bool stopped = false;
};

// Lines sharing account, side, signed amount, movement date and reference 1 (account and
// reference non-blank, amount and date usable) with a line of another transaction: every
// line of such a group.
GroupHits FindDuplicates(const JetPass& pass, const std::function<bool()>& stop);

// Pairs of lines of different transactions with the same account and counter account (both
// non-blank), the same |A| > 0, opposite sides and movement dates at most `days` apart: both
// lines of each pair. `groups` counts the lines' groups of equal account, counter account and
// |A| that hold a pair.
GroupHits FindReversals(const JetPass& pass, std::int64_t days, const std::function<bool()>& stop);

// Lines whose pair (account, counter account), both non-blank, occurs at most `most` times:
// `groups` counts the pairs, `rare_groups` those few.
struct FlowHits : GroupHits {
  std::int64_t rare_groups = 0;
};
FlowHits FindRareFlows(const JetPass& pass, std::int64_t most, const std::function<bool()>& stop);

}  // namespace tallyscan::analytics
