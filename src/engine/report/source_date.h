#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// SOURCE_DATE_EPOCH: the moment a build system gives, so that a report or a run can be made
// again byte for byte. Every reader of the variable reads it here.

#include <cstdint>
#include <optional>

#include "engine/common/status.h"

namespace tallyscan {

// The latest moment taken: 9999-12-31 23:59:59 UTC, the last second a four-digit year holds.
inline constexpr std::int64_t kLatestSourceDate = 253402300799;

// The moment SOURCE_DATE_EPOCH names, in seconds since 1970 (UTC); nullopt in `moment` when
// the variable is unset or empty. Only a whole number from 0 to kLatestSourceDate, in digits
// alone, is taken: anything else is refused (kRefused) with a message naming the variable,
// so that a mistyped value never stands for some other day.
Status ReadSourceDateEpoch(std::optional<std::int64_t>& moment);

}  // namespace tallyscan
