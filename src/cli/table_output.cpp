#include "cli/table_output.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/standard_output.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

using Json = nlohmann::ordered_json;

// A row read back: its status (when the table has one) and its cells.
struct ReadRow {
  bool has_status = false;
  std::optional<RowStatus> status;
  std::string_view status_cell;  // as written, for a status digit the decoder does not know
  std::vector<CellLook> cells;
};

ReadRow Read(std::string_view row, const TableShape& shape) {
  ReadRow read;
  if (!shape.status_first) {
    read.cells = DecodeCells(row);
    return read;
  }
  DecodedRow decoded = DecodeRow(row);
  read.has_status = true;
  read.status = decoded.status;
  read.status_cell = row.substr(0, row.find('\t'));
  read.cells = std::move(decoded.cells);
  return read;
}

std::string_view StatusWord(const ReadRow& row) {
  if (!row.status) return row.status_cell;
  switch (*row.status) {
    case RowStatus::kHeading:
      return "ok";
    case RowStatus::kError:
      return "error";
    case RowStatus::kInfo:
      return "info";
    case RowStatus::kStopped:
      return "stopped";
  }
  return row.status_cell;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

using ShapeOf = std::function<const TableShape&(std::size_t)>;

// The text of a cell without its markers (what LookOfCell shows) appended to `out`; returns
// its display width.
std::size_t AppendShown(std::string& out, std::string_view cell) {
  const std::size_t before = out.size();
  while (!cell.empty()) {
    if (cell.starts_with(kHeadingMarker)) {
      cell.remove_prefix(kHeadingMarker.size());
      continue;
    }
    const char c = cell.front();
    cell.remove_prefix(1);
    if (c != kDebitMarker && c != kCreditMarker) out += c;
  }
  return DisplayWidth(std::string_view(out).substr(before));
}

// The display width of a cell without its markers, counted in place.
std::size_t ShownWidth(std::string_view cell) {
  std::size_t width = DisplayWidth(cell);
  for (std::size_t at = cell.find(kHeadingMarker); at != std::string_view::npos;
       at = cell.find(kHeadingMarker, at + kHeadingMarker.size())) {
    --width;
  }
  for (const char c : cell) {
    if (c == kDebitMarker || c == kCreditMarker) --width;
  }
  return width;
}

// Calls `each(column, cell)` for every TAB-separated cell of a row without a status.
template <typename Each>
void ForEachCell(std::string_view row, Each each) {
  for (std::size_t column = 0;; ++column) {
    const std::size_t end = row.find('\t');
    each(column, row.substr(0, end), end == std::string_view::npos);
    if (end == std::string_view::npos) return;
    row.remove_prefix(end + 1);
  }
}

// The cells of a result row (status first) as the text format shows them.
std::vector<std::string> StatusRowCells(std::string_view row, const TableShape& shape) {
  ReadRow read = Read(row, shape);
  std::vector<std::string> cells{std::string(StatusWord(read))};
  for (CellLook& cell : read.cells) cells.push_back(std::move(cell.shown));
  return cells;
}

// The text form's line of a row, its columns `widths` wide, appended to `line`.
void AppendTextLine(std::string& line, std::string_view row, const TableShape& shape,
                    const std::vector<std::size_t>& widths) {
  if (shape.status_first) {
    const std::vector<std::string> cells = StatusRowCells(row, shape);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      line += cells[i];
      if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
    }
  } else {
    ForEachCell(row, [&](std::size_t column, std::string_view cell, bool last) {
      const std::size_t width = AppendShown(line, cell);
      if (!last) line.append(widths[column] - width + 2, ' ');
    });
  }
  line += '\n';
}

// Parts of the output written as they come, for a source that makes its lines on several
// threads; nullopt when it does not.
std::optional<bool> WriteLines(const RowSource& rows, const RowSource::LineOf& line) {
  return rows.WriteLines(line, [](std::string_view part) {
    std::cout.write(part.data(), static_cast<std::streamsize>(part.size()));
    return !StandardOutputFailed();
  });
}

// Two passes, the column widths first, so that a large table is never held. `in_parts`: the
// source may make the lines on several threads (no row needs counting).
bool PrintText(const RowSource& rows, const RowSource::Each& count, bool in_parts) {
  std::vector<std::size_t> widths = rows.TextWidths();
  if (widths.empty()) {
    rows.ForEachRow([&widths](std::string_view row, const TableShape& shape) {
      WidenColumns(row, shape, widths);
      return true;
    });
  }
  if (in_parts) {
    const std::optional<bool> written = WriteLines(
        rows, [&widths](std::string& part, std::string_view row, const TableShape& shape) {
          AppendTextLine(part, row, shape, widths);
        });
    if (written) return *written;
  }
  std::string line;
  return rows.ForEachRow([&](std::string_view row, const TableShape& shape) {
    line.clear();
    AppendTextLine(line, row, shape, widths);
    std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
    return count(row, shape);
  });
}

// Every record has as many fields as the widest row (RFC 4180 asks for equal records), found
// by a first pass. The first row's shape names the columns.
bool PrintCsv(const RowSource& rows, const RowSource::Each& count) {
  std::cout << kUtf8ByteOrderMark;
  const std::vector<std::string>& names = rows.FirstShape().names;
  std::size_t width = names.size();
  rows.ForEachRow([&width](std::string_view row, const TableShape& shape) {
    const ReadRow read = Read(row, shape);
    width = std::max(width, read.cells.size() + (read.has_status ? 1 : 0));
    return true;
  });
  std::vector<std::string_view> fields;
  if (!names.empty()) {
    fields.assign(names.begin(), names.end());
    fields.resize(width);
    std::cout << CsvRecord(fields);
  }
  return rows.ForEachRow([&](std::string_view row, const TableShape& shape) {
    const ReadRow read = Read(row, shape);
    fields.clear();
    if (read.has_status) fields.push_back(StatusWord(read));
    for (const CellLook& cell : read.cells) fields.push_back(cell.shown);
    fields.resize(width);
    std::cout << CsvRecord(fields);
    return count(row, shape);
  });
}

// A reader takes a JSON number as a double: a sum it cannot hold exactly is written as the
// string of its agorot.
Json AmountJson(AmountSum agorot) {
  if (agorot >= -kLargestExactInDouble && agorot <= kLargestExactInDouble) {
    return static_cast<std::int64_t>(agorot);
  }
  return FormatNumber("0", agorot, 0);
}

Json CellJson(const CellLook& cell, const TableShape& shape, std::size_t column) {
  const ColumnKind kind = shape.KindOf(column);
  Json json = {{"text", cell.shown}};
  const std::optional<AmountSum> amount = kind == ColumnKind::kText
                                              ? std::nullopt
                                              : CellAmount(cell, kind == ColumnKind::kCreditFigure);
  if (cell.heading) json["heading"] = true;
  if (cell.debit) json["debit"] = true;
  if (cell.credit) {
    json[amount && !shape.credit_marker_marks_errors ? "credit" : "failing"] = true;
  }
  if (amount) json["amount"] = AmountJson(*amount);
  return json;
}

Json FieldsJson(const JsonFields& fields) {
  Json json = Json::object();
  for (const auto& [name, value] : fields.entries()) {
    if (const auto* group = std::get_if<JsonFields::Group>(&value)) {
      Json members = Json::object();
      for (const auto& [member, number] : *group) members[member] = number;
      json[name] = std::move(members);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      json[name] = *text;
    } else {
      json[name] = std::get<std::int64_t>(value);
    }
  }
  return json;
}

// Text that is not UTF-8 (a byte the conversions let through) becomes U+FFFD rather than
// ending the program: the rest of the output is worth more than one character.
std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// One document, one row per line so that a large output stays readable and streams: the
// rows are written one by one rather than held as one tree.
bool PrintJson(const RunFacts& facts, const JsonFields& summary, const RowSource& rows,
               const RowSource::Each& count) {
  Json head = {{"command", facts.command}};
  const Json subject = FieldsJson(facts.subject);
  for (const auto& [name, value] : subject.items()) head[name] = value;
  head["completed"] = !facts.interrupted;
  head["summary"] = FieldsJson(summary);
  std::string text = Dump(head);
  text.pop_back();  // the closing brace: the rows follow inside the same object
  std::cout << text << ",\"rows\":[";
  const char* separator = "\n";
  const bool whole = rows.ForEachRow([&](std::string_view row, const TableShape& shape) {
    const ReadRow read = Read(row, shape);
    Json json = Json::object();
    if (read.has_status) json["status"] = StatusWord(read);
    Json cells = Json::array();
    for (std::size_t i = 0; i < read.cells.size(); ++i) {
      cells.push_back(CellJson(read.cells[i], shape, i));
    }
    json["cells"] = std::move(cells);
    std::cout << separator << Dump(json);
    separator = ",\n";
    return count(row, shape);
  });
  if (whole) std::cout << "\n]}\n";
  return whole;
}

bool IsErrorRow(std::string_view row, const TableShape& shape) {
  return shape.status_first && DecodeRow(row).status == RowStatus::kError;
}

// The rows of a table held in memory, as a source.
template <typename Rows>
class HeldRows final : public RowSource {
 public:
  HeldRows(const Rows& rows, const ShapeOf& shape_of) : rows_(rows), shape_of_(shape_of) {}
  bool ForEachRow(const Each& each) const override {
    for (std::size_t n = 0; n < rows_.size(); ++n) {
      if (!each(rows_[n], shape_of_(n))) return false;
    }
    return true;
  }
  const TableShape& FirstShape() const override { return shape_of_(0); }

 private:
  const Rows& rows_;
  const ShapeOf& shape_of_;
};

}  // namespace

void WidenColumns(std::string_view row, const TableShape& shape, std::vector<std::size_t>& widths) {
  auto widen = [&widths](std::size_t column, std::size_t width) {
    if (widths.size() <= column) widths.resize(column + 1, 0);
    widths[column] = std::max(widths[column], width);
  };
  if (shape.status_first) {
    const std::vector<std::string> cells = StatusRowCells(row, shape);
    for (std::size_t i = 0; i < cells.size(); ++i) widen(i, DisplayWidth(cells[i]));
  } else {
    ForEachCell(row, [&widen](std::size_t column, std::string_view cell, bool) {
      widen(column, ShownWidth(cell));
    });
  }
}

OptionRead ReadOutputOption(std::span<char* const> args, std::size_t& i, OutputOptions& options) {
  const std::string_view arg = args[i];
  if (arg == "--raw") {
    options.format = OutputFormat::kRaw;
  } else if (arg == "--fail-on-findings") {
    options.fail_on_findings = true;
  } else if (arg == "--format") {
    if (i + 1 >= args.size()) return OptionRead::kBad;
    const std::string_view value = args[++i];
    if (value == "text") {
      options.format = OutputFormat::kText;
    } else if (value == "raw") {
      options.format = OutputFormat::kRaw;
    } else if (value == "json") {
      options.format = OutputFormat::kJson;
    } else if (value == "csv") {
      options.format = OutputFormat::kCsv;
    } else {
      return OptionRead::kBad;
    }
  } else {
    return OptionRead::kNotMine;
  }
  return OptionRead::kTaken;
}

void JsonFields::Add(std::string name, std::string text) {
  entries_.emplace_back(std::move(name), std::move(text));
}

void JsonFields::Add(std::string name, std::int64_t number) {
  entries_.emplace_back(std::move(name), number);
}

void JsonFields::AddToGroup(const std::string& group, std::string name, std::int64_t number) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&group](const auto& entry) { return entry.first == group; });
  if (it == entries_.end()) {
    entries_.emplace_back(group, Group{});
    it = std::prev(entries_.end());
  }
  auto& members = std::get<Group>(it->second);
  const auto member = std::find_if(members.begin(), members.end(),
                                   [&name](const auto& entry) { return entry.first == name; });
  if (member != members.end()) {
    member->second += number;
  } else {
    members.emplace_back(std::move(name), number);
  }
}

void RowBuffer::AddJoined(std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (const std::string_view part : parts) length += part.size();
  if (blocks_.empty() || used_ + length > block_size_) {
    block_size_ = std::max(kBlockSize, length);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block_size_));
    used_ = 0;
  }
  char* const row = blocks_.back().get() + used_;
  char* at = row;
  for (const std::string_view part : parts) {
    std::memcpy(at, part.data(), part.size());
    at += part.size();
  }
  used_ += length;
  rows_.emplace_back(row, length);
}

int PrintTable(const OutputOptions& options, const RunFacts& facts,
               std::span<const std::string> rows, const TableShape& shape) {
  return PrintTable(options, facts, rows,
                    [&shape](std::size_t) -> const TableShape& { return shape; });
}

int PrintTable(const OutputOptions& options, const RunFacts& facts, const RowSource& rows) {
  // Error rows are counted as they are printed; JSON names their count before the rows.
  std::int64_t errors = 0;
  const RowSource::Each count = [&errors](std::string_view row, const TableShape& shape) {
    if (IsErrorRow(row, shape)) ++errors;
    return !StandardOutputFailed();
  };
  const RowSource::Each printed = [](std::string_view, const TableShape&) {
    return !StandardOutputFailed();
  };
  if (facts.errors) errors = *facts.errors;
  const RowSource::Each& per_row = facts.errors ? printed : count;
  switch (options.format) {
    case OutputFormat::kRaw:
      if (facts.errors &&
          WriteLines(rows, [](std::string& part, std::string_view row, const TableShape&) {
            part.append(row);
            part += '\n';
          })) {
        break;
      }
      rows.ForEachRow([&](std::string_view row, const TableShape& shape) {
        std::cout.write(row.data(), static_cast<std::streamsize>(row.size())) << '\n';
        return per_row(row, shape);
      });
      break;
    case OutputFormat::kText:
      PrintText(rows, per_row, facts.errors.has_value());
      break;
    case OutputFormat::kCsv:
      PrintCsv(rows, per_row);
      break;
    case OutputFormat::kJson: {
      if (!facts.errors) {
        rows.ForEachRow([&errors](std::string_view row, const TableShape& shape) {
          if (IsErrorRow(row, shape)) ++errors;
          return true;
        });
      }
      JsonFields summary = facts.summary;
      summary.Add("errors", errors);
      PrintJson(facts, summary, rows, printed);
      break;
    }
  }
  std::cout.flush();
  if (facts.interrupted) return kExitInterrupted;
  return options.fail_on_findings && errors > 0 ? kExitFindings : kExitCompleted;
}

int PrintTable(const OutputOptions& options, const RunFacts& facts,
               std::span<const std::string> rows, const ShapeOf& shape_of) {
  return PrintTable(options, facts, HeldRows(rows, shape_of));
}

int PrintTable(const OutputOptions& options, const RunFacts& facts, const RowBuffer& rows,
               const ShapeOf& shape_of) {
  return PrintTable(options, facts, HeldRows(rows, shape_of));
}

std::vector<ColumnKind> JsonKindsOf(std::span<const ResultColumn> table) {
  std::vector<ColumnKind> kinds;
  kinds.reserve(table.size());
  for (const ResultColumn& column : table) {
    if (!column.IsFigure()) {
      kinds.push_back(ColumnKind::kText);
    } else {
      kinds.push_back(column.credit_side ? ColumnKind::kCreditFigure : ColumnKind::kFigure);
    }
  }
  return kinds;
}

}  // namespace tallyscan::cli
