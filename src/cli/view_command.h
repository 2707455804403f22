#pragma once

// What the views of `tallyscan-cli view` share: reading their options and importing the data
// folder they show.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/table_output.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

// A view's command line: output options, "--NAME VALUE" options of its own and the folder.
struct ViewArgs {
  OutputOptions output;
  std::vector<std::pair<std::string, std::string>> options;  // name without "--", value
  std::optional<std::string> folder;
  int threads = 0;  // --threads N: those that read the data file; 0: one per core

  const std::string* Option(std::string_view name) const;
  // The field number --sort names: 0 without the option, -1 when it is not a field number of
  // one or two digits.
  int SortField() const;
};

// The shape of a browser's rows, which have no status: the kinds of their columns and, to head
// a CSV, the columns' headings, from the browser's column table.
TableShape ViewShape(std::span<const ResultColumn> table);

// Reads `args` (after the view's name); `known` are the view's own options, each taking a
// value. Returns an exit code (a usage error) when the line is wrong, nullopt otherwise.
std::optional<int> ReadViewArgs(std::span<char* const> args,
                                std::span<const std::string_view> known, ViewArgs& read);

// What is wrong with a view's own option, as its usage error says it; empty when nothing is.
// The reports of the same browsers take the same options (report_command.cpp).
std::string_view IndexSortMistake(const ViewArgs& read);
std::string_view ItemsSortMistake(const ViewArgs& read);
std::string_view DocumentTypeMistake(const ViewArgs& read);

// The documents of `type`; empty after saying on stderr that there are none.
ElementRange DocumentRunOrSay(const RecordStore& store, const std::string& type);
// The document of `run` numbered `number` (the jump's lookup); 0 after saying on stderr that
// there is none.
std::int64_t DocumentNumberedOrSay(const RecordStore& store, const ElementRange& run,
                                   const std::string& type, const std::string& number);

// Imports the view's folder into `store` with the progress bar on the terminal and the view's
// --threads. Returns an exit code when the import failed or was interrupted (after saying why
// on stderr), nullopt when the store holds the set.
std::optional<int> ImportForView(RecordStore& store, const ViewArgs& read);

int RunViewIndex(std::span<char* const> args);
int RunViewLedger(std::span<char* const> args);
int RunViewDocuments(std::span<char* const> args);
int RunViewItems(std::span<char* const> args);

}  // namespace tallyscan::cli
