#pragma once

// Private to analytics/.
//
// How the tests of an account and its counter account read a movement line: whether it names
// both, and the counter account as their hit rows' own cell shows it.

#include <string>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

// Both 1364 and 1365 are given.
inline bool NamesAccountPair(const MovementLine& m) {
  return m.has_account && m.counter_id != kNoId;
}

// 1365 of the hit's line, trimmed.
inline std::string CounterAccountCell(const HitLine& l) {
  return Cell(TrimSpaces(SliceField(l.head, field::B100(1365))));
}

}  // namespace tallyscan::analytics
