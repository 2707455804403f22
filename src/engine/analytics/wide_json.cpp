#include "engine/analytics/wide_json.h"

#include <charconv>
#include <ostream>
#include <string_view>

#include "engine/analytics/jet.h"
#include "engine/text/text.h"

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kWideMark = "\xEE\x80\x80";  // U+E000
constexpr std::string_view kListMark = "\xEE\x80\x81";  // U+E001

// A list's numbers as the library writes an array whose key line is indented by `indent`.
void WriteList(const JetLineSet& list, std::size_t indent, std::ostream& out) {
  if (list.empty()) {
    out << "[]";
    return;
  }
  std::string buffer = "[\n";
  constexpr std::size_t kFlushAt = 1 << 16;
  buffer.reserve(kFlushAt + 64);
  const std::string inner(indent + 2, ' ');
  bool first = true;
  for (const std::uint32_t number : list) {
    if (!first) buffer += ",\n";
    first = false;
    buffer += inner;
    char digits[16];
    buffer.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
    if (buffer.size() >= kFlushAt) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  buffer += "\n";
  buffer.append(indent, ' ');
  buffer += "]";
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

std::string Unmark(std::string text) {
  const std::string opening = "\"" + std::string(kWideMark);
  const std::string closing = std::string(kWideMark) + "\"";
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (std::size_t found; (found = text.find(opening, at)) != std::string::npos;) {
    const std::size_t end = text.find(closing, found + opening.size());
    out.append(text, at, found - at);
    out.append(text, found + opening.size(), end - found - opening.size());
    at = end + closing.size();
  }
  out.append(text, at, std::string::npos);
  return out;
}

}  // namespace

Json WideInteger(AmountSum value) {
  if (value >= INT64_MIN && value <= INT64_MAX) return Json(static_cast<std::int64_t>(value));
  return Json(std::string(kWideMark) + FormatNumber("0", value, 0) + std::string(kWideMark));
}

std::string WideDump(const Json& json) {
  return Unmark(json.dump(2, ' ', false, Json::error_handler_t::replace)) + "\n";
}

Json LineListMark(std::size_t n) {
  return Json(std::string(kListMark) + std::to_string(n) + std::string(kListMark));
}

void WriteWideDump(const Json& json, std::span<const JetLineSet* const> lists, std::ostream& out) {
  const std::string text = WideDump(json);
  const std::string opening = "\"" + std::string(kListMark);
  std::size_t at = 0;
  for (std::size_t found; (found = text.find(opening, at)) != std::string::npos;) {
    const std::size_t digits = found + opening.size();
    const std::size_t end = text.find(kListMark, digits);
    std::size_t n = 0;
    std::from_chars(text.data() + digits, text.data() + end, n);
    const std::size_t line_start = text.rfind('\n', found) + 1;  // the document opens with "{"
    const std::size_t indent = text.find_first_not_of(' ', line_start) - line_start;
    out.write(text.data() + at, static_cast<std::streamsize>(found - at));
    WriteList(*lists[n], indent, out);
    at = end + kListMark.size() + 1;  // past the closing quote
  }
  out.write(text.data() + at, static_cast<std::streamsize>(text.size() - at));
}

Json SourceJson(const std::vector<JetSourceFile>& files) {
  Json source = Json::array();
  for (const JetSourceFile& file : files) {
    source.push_back(Json{{"name", file.name}, {"bytes", file.bytes}, {"sha256", file.sha256}});
  }
  return source;
}

Json PeriodJson(const JetPeriod& period) {
  return Json{{"from", Optional(period.from)},
              {"to", Optional(period.to)},
              {"source", std::string(JetPeriodSourceText(period.source))}};
}

}  // namespace tallyscan::analytics
