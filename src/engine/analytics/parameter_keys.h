#pragma once

// Private to analytics/. The keys of the parameter file, one table for every analysis that
// reads it: each key with the type of its value, its range and the words of its refusal,
// read and printed from the same row.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/analytics/jet_parameters.h"
#include "engine/common/status.h"

namespace tallyscan {

// Which analysis a key belongs to: the journal-entry tests' keys are what a test run records,
// the comparison's what a comparison records; the parameter file holds them all, in this
// order.
enum class ParameterGroup : std::uint8_t { kTests, kPortfolio, kComparison };

// Text of the file inside a message, in quotes, its control characters blanked: one would reach
// the terminal or the dialog that shows the message.
std::string QuotedValue(std::string_view text);
// A refusal that names its key.
Status RefusedParameter(std::string_view key, std::string_view why);

// Key `key` of the file read into `p`; refused (kCorrupt, the message naming the key) when no
// such key exists or the value is not one it takes. On refusal `p` may be part-changed: the
// caller reads into a copy.
Status ReadParameterKey(std::string_view key, const nlohmann::ordered_json& value,
                        JetParameters& p);

// The keys of `group` from `p`, appended to `json` (an object) in the order of the table.
void PrintParameterKeys(ParameterGroup group, const JetParameters& p, nlohmann::ordered_json& json);

}  // namespace tallyscan
