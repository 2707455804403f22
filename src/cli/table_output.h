#pragma once

// Printing rows for people and for scripts: the one output path of every command that prints
// result rows (import, check, detail) or, later, a browser's grid rows. A command collects its
// rows as the engine builds them (TAB-separated cells with their markers), says which columns
// hold figures, and hands them here with the facts of its run:
//
//   OutputOptions options;                       // filled by ReadOutputOption while parsing
//   RunFacts facts("import");
//   facts.subject.Add("folder", folder);
//   facts.summary.Add("lines", result.lines_read);
//   return PrintTable(options, facts, rows, kImportShape);
//
// Formats:
//   text  aligned columns, the status as a word, markers left out (for a terminal)
//   raw   each row exactly as built: UTF-8, TAB-separated, markers as their bytes
//   json  one document: command, subject, completed, summary, rows (see README)
//   csv   RFC 4180 with the UTF-8 byte-order mark, the status as a word, markers left out

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

enum class OutputFormat { kText, kRaw, kJson, kCsv };

struct OutputOptions {
  OutputFormat format = OutputFormat::kText;
  bool fail_on_findings = false;
};

// What ReadOutputOption made of args[i].
enum class OptionRead {
  kNotMine,  // not an output option: the command reads it itself
  kTaken,    // read (with its value, if it has one: i then points at the value)
  kBad,      // an output option with a missing or unknown value (a usage error)
};
// Reads "--format text|raw|json|csv", "--raw" (the same as "--format raw") and
// "--fail-on-findings".
OptionRead ReadOutputOption(std::span<char* const> args, std::size_t& i, OutputOptions& options);

// How the cells of a column are read in JSON: as text only, or as an amount when the text is a
// figure; a credit-side column's amounts are negative.
enum class ColumnKind : char { kText, kFigure, kCreditFigure };

struct TableShape {
  bool status_first = true;  // the first cell of a row is a status digit (a result list)
  // The kind of each cell column after the status; columns beyond the list are `others`.
  std::vector<ColumnKind> columns;
  ColumnKind others = ColumnKind::kText;
  // The credit marker marks a failing value (drawn red), never a credit. Otherwise it marks
  // a credit when it follows an amount and a failing value when it follows any other text.
  bool credit_marker_marks_errors = false;
  // Column titles (for CSV's first record); none for tables whose rows differ in layout.
  std::vector<std::string> names;

  ColumnKind KindOf(std::size_t column) const {
    return column < columns.size() ? columns[column] : others;
  }
};

// The kinds of a row kind's columns for JSON: a column of figures reads as an amount where
// its text is one (a credit column's as a negative one), the rest as text.
std::vector<ColumnKind> JsonKindsOf(std::span<const ResultColumn> table);

// Named values of a JSON object in the order added: texts, whole numbers, and groups of named
// whole numbers. Adding to a group name again adds to its figure.
class JsonFields {
 public:
  using Group = std::vector<std::pair<std::string, std::int64_t>>;
  using Value = std::variant<std::string, std::int64_t, Group>;

  void Add(std::string name, std::string text);
  void Add(std::string name, std::int64_t number);
  void AddToGroup(const std::string& group, std::string name, std::int64_t number);
  const std::vector<std::pair<std::string, Value>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, Value>> entries_;
};

struct RunFacts {
  explicit RunFacts(std::string command_name) : command(std::move(command_name)) {}

  std::string command;
  JsonFields subject;        // what the command was given: folder, file, line
  bool interrupted = false;  // Ctrl-C stopped the work; the rows are those made so far
  JsonFields summary;        // the figures of the run; "errors" is added to it
  // The errors found, when not every error row is one (the import's errors list has an
  // error-status heading); otherwise the error rows are counted.
  std::optional<std::int64_t> errors;
};

// Rows kept end to end in large blocks: a command that prints hundreds of thousands of rows
// holds them without an allocation each, and without copying them as they grow.
class RowBuffer {
 public:
  void Add(std::string_view row) { AddJoined({row}); }
  // Adds a row made of `parts` written one after the other.
  void AddJoined(std::initializer_list<std::string_view> parts);
  // Room for `rows` rows without moving them as they are added; memory not yet written costs
  // little, so a generous guess is fine.
  void Reserve(std::size_t rows) { rows_.reserve(rows); }
  std::size_t size() const { return rows_.size(); }
  std::string_view operator[](std::size_t n) const { return rows_[n]; }

 private:
  static constexpr std::size_t kBlockSize = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;  // bytes of the last block taken
  std::size_t block_size_ = 0;
  std::vector<std::string_view> rows_;  // into the blocks, which never move
};

// Rows made as they are printed, for a table too large to hold: the source calls `each` for
// every row in order with the row's shape, and stops as soon as `each` returns false
// (standard output failed). The text and CSV forms ask for the rows twice (the column widths
// or the widest record first), so a source must give the same rows each time.
class RowSource {
 public:
  using Each = std::function<bool(std::string_view row, const TableShape& shape)>;
  virtual ~RowSource() = default;
  // False when `each` stopped it.
  virtual bool ForEachRow(const Each& each) const = 0;
  // The shape of the first row, whose names head the CSV records.
  virtual const TableShape& FirstShape() const = 0;
  // The text form's column widths, for a source that finds them faster than a pass over its
  // rows in order would (each made with WidenColumns); empty when it does not.
  virtual std::vector<std::size_t> TextWidths() const { return {}; }

  // The lines of the rows made on several threads, for a source that can make its rows so:
  // `line` appends the line of a row to a part of the output (from any thread, for rows of
  // different parts at once), `write` is given the parts in the rows' order on the caller's
  // thread and stops it with false. Nullopt when the source gives its rows only through
  // ForEachRow; otherwise false when `write` stopped it.
  using LineOf =
      std::function<void(std::string& part, std::string_view row, const TableShape& shape)>;
  using Write = std::function<bool(std::string_view part)>;
  virtual std::optional<bool> WriteLines(const LineOf& /*line*/, const Write& /*write*/) const {
    return std::nullopt;
  }
};

// Widens `widths` (one a column, grown as needed) to the shown cells of `row`, as the text form
// sizes its columns.
void WidenColumns(std::string_view row, const TableShape& shape, std::vector<std::size_t>& widths);

// Prints the rows on stdout in the chosen format and returns the exit code of the run:
// kExitInterrupted when interrupted, kExitFindings when the options ask to fail on findings
// and errors were found, kExitCompleted otherwise. Printing stops when standard output fails
// (the program's end says so). `facts.errors`, when given, spares the JSON form a pass that
// counts the error rows before printing them.
int PrintTable(const OutputOptions& options, const RunFacts& facts, const RowSource& rows);
int PrintTable(const OutputOptions& options, const RunFacts& facts,
               std::span<const std::string> rows, const TableShape& shape);
// The same for a table whose rows change layout part way: `shape_of(n)` is the shape of row n
// (0-based) and lives as long as the call.
int PrintTable(const OutputOptions& options, const RunFacts& facts,
               std::span<const std::string> rows,
               const std::function<const TableShape&(std::size_t)>& shape_of);
int PrintTable(const OutputOptions& options, const RunFacts& facts, const RowBuffer& rows,
               const std::function<const TableShape&(std::size_t)>& shape_of);

}  // namespace tallyscan::cli
