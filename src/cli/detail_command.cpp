// tallyscan-cli detail FILE LINE_NUMBER: one record shown field by field.
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/table_output.h"
#include "engine/uniform/uniform.h"

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
  OutputOptions output;
  std::vector<std::string_view> operands;
  for (std::size_t i = 0; i < args.size(); ++i) {
    switch (ReadOutputOption(args, i, output)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("detail", "--format takes text, raw, json or csv");
      case OptionRead::kNotMine:
        operands.emplace_back(args[i]);
    }
  }
  if (operands.size() != 2) return UsageError("detail", "a file and a line number are needed");
  const std::string path(operands[0]);
  const std::optional<long long> wanted = ParseLineNumber(operands[1]);
  if (!wanted) {
    return UsageError("detail",
                      "LINE_NUMBER must be a whole number from 1: " + std::string(operands[1]));
  }
  const RecordDetail detail = DetailOfLine(path, *wanted);
  switch (detail.status.code()) {
    case StatusCode::kOk:
      break;
    case StatusCode::kOutOfRange:
      std::cerr << "detail: " << path << " has " << detail.line_count << " lines, no line "
                << *wanted << "\n";
      return kExitFailed;
    case StatusCode::kCorrupt:
      std::cerr << "detail: line " << *wanted << " of " << path
                << " holds no record of a known type\n";
      return kExitFailed;
    default:
      std::cerr << "detail: cannot read " << path << ": not a readable file\n";
      return kExitFailed;
  }
  RunFacts facts("detail");
  facts.subject.Add("file", path);
  facts.subject.Add("line", std::int64_t{*wanted});
  // Status, code, caption, value as stored, meaning: the meaning of an amount field is its
  // figure. The credit marker follows a value that fails its test.
  TableShape shape;
  shape.columns = {ColumnKind::kText, ColumnKind::kText, ColumnKind::kText, ColumnKind::kFigure};
  shape.credit_marker_marks_errors = true;
  return PrintTable(output, facts, detail.rows, shape);
}

}  // namespace tallyscan::cli
