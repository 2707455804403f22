#pragma once

// The analyses' parameters as every command that takes --params reads them.

#include <optional>
#include <string>

#include "engine/analytics/analytics.h"

namespace tallyscan::cli {

// The parameters in effect: the defaults, or the file at `path` merged over them. A file that
// cannot be read or is refused prints its message on standard error and gives nullopt, for
// the command to exit 1 before it reads any data.
std::optional<JetParameters> ParametersForCommand(const std::optional<std::string>& path);

}  // namespace tallyscan::cli
