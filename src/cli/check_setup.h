#pragma once

// What the check command and the checks report share: the ticked checks named on the command
// line and the clock of the start and end rows.

#include <optional>
#include <string_view>

#include "engine/checks/checks.h"

namespace tallyscan::cli {

// "B2,B3,D4": items of the bookkeeping (B) and documents (D) lists by their 1-based place;
// B1 and D1 stand for their whole list. Everything not named is cleared. nullopt for a list
// that names no such item.
std::optional<CheckTicks> ParseCheckItems(std::string_view list);

// The time of day of the start and end rows: the moment SOURCE_DATE_EPOCH names (in UTC)
// when it is set, so that a run can be reproduced byte for byte; the local time otherwise.
class CommandClock final : public Clock {
 public:
  TimeOfDay Now() const override;

 private:
  SystemClock system_;
};

}  // namespace tallyscan::cli
