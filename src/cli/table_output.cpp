#include "cli/table_output.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "engine/text/csv.h"
#include "engine/text/number_format.h"
#include "engine/uniform/result_row.h"

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

// Two passes, the column widths first, so that a large table is not held a second time.
template <typename Rows>
void PrintText(const Rows& rows, const ShapeOf& shape_of) {
  std::vector<std::size_t> widths;
  auto widen = [&widths](std::size_t column, std::size_t width) {
    if (widths.size() <= column) widths.resize(column + 1, 0);
    widths[column] = std::max(widths[column], width);
  };
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TableShape& shape = shape_of(n);
    if (shape.status_first) {
      const std::vector<std::string> cells = StatusRowCells(rows[n], shape);
      for (std::size_t i = 0; i < cells.size(); ++i) widen(i, DisplayWidth(cells[i]));
    } else {
      ForEachCell(rows[n], [&widen](std::size_t column, std::string_view cell, bool) {
        widen(column, ShownWidth(cell));
      });
    }
  }
  std::string line;
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TableShape& shape = shape_of(n);
    line.clear();
    if (shape.status_first) {
      const std::vector<std::string> cells = StatusRowCells(rows[n], shape);
      for (std::size_t i = 0; i < cells.size(); ++i) {
        line += cells[i];
        if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
      }
    } else {
      ForEachCell(rows[n], [&](std::size_t column, std::string_view cell, bool last) {
        const std::size_t width = AppendShown(line, cell);
        if (!last) line.append(widths[column] - width + 2, ' ');
      });
    }
    line += '\n';
    std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
  }
}

// Every record has as many fields as the widest row (RFC 4180 asks for equal records).
// The first row's shape names the columns.
template <typename Rows>
void PrintCsv(const Rows& rows, const ShapeOf& shape_of) {
  std::cout << kUtf8ByteOrderMark;
  const std::vector<std::string>& names = shape_of(0).names;
  std::vector<ReadRow> read;
  read.reserve(rows.size());
  std::size_t width = names.size();
  for (std::size_t n = 0; n < rows.size(); ++n) {
    read.push_back(Read(rows[n], shape_of(n)));
    width = std::max(width, read.back().cells.size() + (read.back().has_status ? 1 : 0));
  }
  std::vector<std::string_view> fields;
  if (!names.empty()) {
    fields.assign(names.begin(), names.end());
    fields.resize(width);
    std::cout << CsvRecord(fields);
  }
  for (const ReadRow& row : read) {
    fields.clear();
    if (row.has_status) fields.push_back(StatusWord(row));
    for (const CellLook& cell : row.cells) fields.push_back(cell.shown);
    fields.resize(width);
    std::cout << CsvRecord(fields);
  }
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
template <typename Rows>
void PrintJson(const RunFacts& facts, const JsonFields& summary, const Rows& rows,
               const ShapeOf& shape_of) {
  Json head = {{"command", facts.command}};
  const Json subject = FieldsJson(facts.subject);
  for (const auto& [name, value] : subject.items()) head[name] = value;
  head["completed"] = !facts.interrupted;
  head["summary"] = FieldsJson(summary);
  std::string text = Dump(head);
  text.pop_back();  // the closing brace: the rows follow inside the same object
  std::cout << text << ",\"rows\":[";
  const char* separator = "\n";
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TableShape& shape = shape_of(n);
    const ReadRow read = Read(rows[n], shape);
    Json json = Json::object();
    if (read.has_status) json["status"] = StatusWord(read);
    Json cells = Json::array();
    for (std::size_t i = 0; i < read.cells.size(); ++i) {
      cells.push_back(CellJson(read.cells[i], shape, i));
    }
    json["cells"] = std::move(cells);
    std::cout << separator << Dump(json);
    separator = ",\n";
  }
  std::cout << "\n]}\n";
}

template <typename Rows>
std::int64_t ErrorRows(const Rows& rows, const ShapeOf& shape_of) {
  std::int64_t errors = 0;
  for (std::size_t n = 0; n < rows.size(); ++n) {
    if (shape_of(n).status_first && DecodeRow(rows[n]).status == RowStatus::kError) ++errors;
  }
  return errors;
}

}  // namespace

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

namespace {

template <typename Rows>
int PrintRows(const OutputOptions& options, const RunFacts& facts, const Rows& rows,
              const ShapeOf& shape_of) {
  const std::int64_t errors = facts.errors ? *facts.errors : ErrorRows(rows, shape_of);
  switch (options.format) {
    case OutputFormat::kRaw:
      for (std::size_t n = 0; n < rows.size(); ++n) {
        const std::string_view row = rows[n];
        std::cout.write(row.data(), static_cast<std::streamsize>(row.size())) << '\n';
      }
      break;
    case OutputFormat::kText:
      PrintText(rows, shape_of);
      break;
    case OutputFormat::kCsv:
      PrintCsv(rows, shape_of);
      break;
    case OutputFormat::kJson: {
      JsonFields summary = facts.summary;
      summary.Add("errors", errors);
      PrintJson(facts, summary, rows, shape_of);
      break;
    }
  }
  std::cout.flush();
  if (facts.interrupted) return kExitInterrupted;
  return options.fail_on_findings && errors > 0 ? kExitFindings : kExitCompleted;
}

}  // namespace

int PrintTable(const OutputOptions& options, const RunFacts& facts,
               std::span<const std::string> rows, const ShapeOf& shape_of) {
  return PrintRows(options, facts, rows, shape_of);
}

int PrintTable(const OutputOptions& options, const RunFacts& facts, const RowBuffer& rows,
               const ShapeOf& shape_of) {
  return PrintRows(options, facts, rows, shape_of);
}

}  // namespace tallyscan::cli
