#pragma once

// Private to analytics/.
//
// JSON documents of the analyses, whose integers (counts, agorot, line numbers) stay exact
// however large. The JSON library's numbers stop at 64 bits: a wider integer is written as a
// string between two private-use characters, which no text of a result can hold (file texts
// come from code page 1255, which has none, and the parameters' texts are refused unless it
// can hold them), and WideDump takes the quotes and marks off after the document is written.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/common/amount_sum.h"

namespace tallyscan::analytics {

using Json = nlohmann::ordered_json;

// An integer of any width as a JSON number.
Json WideInteger(AmountSum value);

// The value, or null when there is none.
template <typename T>
Json Optional(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// The document with two-space indent and a final newline, wide integers as bare numbers.
// Text that is not UTF-8 becomes U+FFFD.
std::string WideDump(const Json& json);

}  // namespace tallyscan::analytics
