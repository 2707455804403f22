#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// A JSON document read with only the members the reader needs kept: the rest is scanned past
// without being built, which is most of the cost of a results file whose hits and log rows the
// summary never looks at.

#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tallyscan::portfolio {

// `kept` lists member paths, the object keys from the top joined by '/', arrays passed through
// ("tests/id" is the "id" of every element of "tests"). A member is kept whole when a kept
// path leads to it or through it. Nothing when the text is not one whole JSON document.
std::optional<nlohmann::json> ReadPrunedJson(std::string_view text,
                                             const std::vector<std::string_view>& kept);

}  // namespace tallyscan::portfolio
