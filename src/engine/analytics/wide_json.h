#pragma once

// Private to analytics/.
//
// JSON documents of the analyses, whose integers (counts, agorot, line numbers) stay exact
// however large. The JSON library's numbers stop at 64 bits: a wider integer is written as a
// string between two private-use characters, which no text of a result can hold (file texts
// come from code page 1255, which has none, and the parameters' texts are refused unless it
// can hold them), and WideDump takes the quotes and marks off after the document is written.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/analytics/jet_line_set.h"
#include "engine/common/amount_sum.h"

namespace tallyscan {
struct JetPeriod;
struct JetSourceFile;
}  // namespace tallyscan

namespace tallyscan::analytics {

using Json = nlohmann::ordered_json;

// An integer of any width as a JSON number.
Json WideInteger(AmountSum value);

// The value, or null when there is none.
template <typename T>
Json Optional(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// What the documents say alike: the files read (name, bytes, sha256) and the period a set
// covers (from, to and where they were found).
Json SourceJson(const std::vector<JetSourceFile>& files);
Json PeriodJson(const JetPeriod& period);

// The document with two-space indent and a final newline, wide integers as bare numbers.
// Text that is not UTF-8 becomes U+FFFD.
std::string WideDump(const Json& json);

// A set of lines too large to hold as a document's array (a test's hits on a large file):
// LineListMark(n) stands in the document for lists[n] of WriteWideDump, which writes the
// document as WideDump does, each list as the library would write its array of numbers,
// made as it is written.
Json LineListMark(std::size_t n);
void WriteWideDump(const Json& json, std::span<const JetLineSet* const> lists, std::ostream& out);

}  // namespace tallyscan::analytics
