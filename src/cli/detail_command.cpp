// tallyscan-cli detail FILE LINE_NUMBER: one record shown field by field, one row per
// output line (UTF-8, TAB-separated, markers as their characters).
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "engine/uniform/record_detail.h"

namespace tallyscan::cli {
namespace {

std::optional<long long> ParseLineNumber(std::string_view text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1) return std::nullopt;
  return value;
}

}  // namespace

int RunDetail(std::span<char* const> args) {
  if (args.size() != 2) {
    std::cerr << "usage: tallyscan-cli detail FILE LINE_NUMBER\n";
    return 2;
  }
  const std::string path = args[0];
  const std::optional<long long> wanted = ParseLineNumber(args[1]);
  if (!wanted) {
    std::cerr << "detail: LINE_NUMBER must be a whole number from 1: " << args[1] << "\n";
    return 2;
  }
  const RecordDetail detail = DetailOfLine(path, *wanted);
  switch (detail.status.code()) {
    case StatusCode::kOk:
      break;
    case StatusCode::kOutOfRange:
      std::cerr << "detail: " << path << " has " << detail.line_count << " lines, no line "
                << *wanted << "\n";
      return 2;
    case StatusCode::kCorrupt:
      std::cerr << "detail: line " << *wanted << " of " << path
                << " holds no record of a known type\n";
      return 2;
    default:
      std::cerr << "detail: cannot read " << path << ": not a readable file\n";
      return 1;
  }
  for (const std::string& row : detail.rows) std::cout << row << '\n';
  return 0;
}

}  // namespace tallyscan::cli
