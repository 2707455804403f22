#pragma once

// What the check command and the checks report share: the ticked checks named on the command
// line and the clock of the start and end rows.

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/checks/checks.h"

namespace tallyscan::cli {

// "B2,B3,D4": items of the bookkeeping (B) and documents (D) lists by their 1-based place;
// B1 and D1 stand for their whole list. Everything not named is cleared. nullopt for a list
// that names no such item or has an empty one (CommaListItems), the empty list among them.
std::optional<CheckTicks> ParseCheckItems(std::string_view list);

// The time of day of the start and end rows: the moment SOURCE_DATE_EPOCH names (in UTC,
// ReadSourceDateEpoch) when it is set, so that a run can be reproduced byte for byte; the
// local time otherwise.
class CommandClock final : public Clock {
 public:
  explicit CommandClock(std::optional<std::int64_t> epoch) : epoch_(epoch) {}
  TimeOfDay Now() const override;

 private:
  std::optional<std::int64_t> epoch_;
  SystemClock system_;
};

// SOURCE_DATE_EPOCH as ReadSourceDateEpoch takes it; false, after its refusal was printed,
// when it is set to anything but a moment.
bool ReadCommandEpoch(std::optional<std::int64_t>& epoch);

}  // namespace tallyscan::cli
