// tallyscan-cli view VIEW ...: the browsers' grids printed row by row, one view per file
// (view_index.cpp, view_ledger.cpp, view_documents.cpp, view_items.cpp).
#include "cli/view_command.h"

#include "cli/import_figures.h"

#include <iostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/terminal_progress.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {
namespace {

struct View {
  std::string_view name;
  int (*run)(std::span<char* const> args);
};

constexpr View kViews[] = {
    {"index", RunViewIndex},
    {"ledger", RunViewLedger},
    {"documents", RunViewDocuments},
    {"items", RunViewItems},
};

}  // namespace

TableShape ViewShape(std::span<const ResultColumn> table) {
  TableShape shape;
  shape.status_first = false;
  shape.columns = JsonKindsOf(table);
  for (const ResultColumn& column : table) shape.names.emplace_back(column.heading);
  return shape;
}

const std::string* ViewArgs::Option(std::string_view name) const {
  for (const auto& [option, value] : options) {
    if (option == name) return &value;
  }
  return nullptr;
}

std::optional<int> ReadViewArgs(std::span<char* const> args,
                                std::span<const std::string_view> known, ViewArgs& read) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    switch (ReadOutputOption(args, i, read.output)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("view", "--format takes text, raw, json or csv");
      case OptionRead::kNotMine:
        break;
    }
    switch (ReadThreadsOption(args, i, read.threads)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("view", kThreadsMistake);
      case OptionRead::kNotMine:
        break;
    }
    if (a.starts_with("--")) {
      const std::string_view name = a.substr(2);
      bool mine = false;
      for (const std::string_view k : known) mine = mine || k == name;
      if (!mine) return UsageError("view", "unexpected argument " + std::string(a));
      if (i + 1 >= args.size()) return UsageError("view", std::string(a) + " needs a value");
      read.options.emplace_back(std::string(name), std::string(args[++i]));
    } else if (!read.folder) {
      read.folder = std::string(a);
    } else {
      return UsageError("view", "unexpected argument " + std::string(a));
    }
  }
  if (!read.folder) return UsageError("view", "the data folder is missing");
  return std::nullopt;
}

int ViewArgs::SortField() const {
  const std::string* sort = Option("sort");
  if (sort == nullptr) return 0;
  const bool digits = !sort->empty() && sort->size() <= 2 &&
                      sort->find_first_not_of("0123456789") == std::string::npos;
  const int field = digits ? std::stoi(*sort) : 0;
  return field == 0 ? -1 : field;  // "--sort 0" names no field
}

std::string_view IndexSortMistake(const ViewArgs& read) {
  const int field = read.SortField();
  if (field == 0 || (field >= 1 && field <= IndexColumns::kFieldCount)) return {};
  return "--sort takes a field number from 1 to 19";
}

std::string_view ItemsSortMistake(const ViewArgs& read) {
  const int field = read.SortField();
  if (field == 0 || ItemSortable(field)) return {};
  return "--sort takes a field number from 2 to 14";
}

std::string_view DocumentTypeMistake(const ViewArgs& read) {
  const std::string* type = read.Option("type");
  if (type != nullptr && type->size() == 3 &&
      type->find_first_not_of("0123456789") == std::string::npos) {
    return {};
  }
  return "--type takes a document type of three digits, e.g. 305";
}

ElementRange DocumentRunOrSay(const RecordStore& store, const std::string& type) {
  const ElementRange run = DocumentTypeRun(store, type);
  if (run.empty()) std::cerr << kNoDocumentsOfType << '\n';
  return run;
}

std::int64_t DocumentNumberedOrSay(const RecordStore& store, const ElementRange& run,
                                   const std::string& type, const std::string& number) {
  const std::int64_t element = JumpToNumber(store, run, type, number).element;
  if (element == 0) std::cerr << kNoDocumentNumbered << number << '\n';
  return element;
}

std::optional<int> ImportForView(RecordStore& store, const ViewArgs& read) {
  TerminalProgress bar;
  const std::optional<ImportResult> imported =
      ImportForCommand(store, *read.folder, bar, read.threads);
  if (!imported) return kExitFailed;
  if (imported->interrupted) return kExitInterrupted;
  return std::nullopt;
}

int RunView(std::span<char* const> args) {
  if (args.empty()) return UsageError("view", "name the view: index, ledger, documents or items");
  const std::string_view name = args[0];
  for (const View& view : kViews) {
    if (view.name == name) return view.run(args.subspan(1));
  }
  return UsageError("view", "unknown view " + std::string(name));
}

}  // namespace tallyscan::cli
