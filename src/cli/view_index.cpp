// tallyscan-cli view index [--sort FIELD] DIR: the accounts index, every field of every row,
// then the totals row.
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

int RunViewIndex(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"sort"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  if (const std::string_view mistake = IndexSortMistake(read); !mistake.empty()) {
    return UsageError("view", mistake);
  }
  const int sort_field = read.SortField();

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, read)) return *failed;
  if (sort_field != 0) SortAccountList(store, sort_field);

  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(store.AccountListIndex.Count()) + 1);
  AccountsIndexRows index(store);
  for (std::int64_t row = 1; row <= index.RowCount(); ++row)
    rows.push_back(JoinCells(index.Row(row)));

  RunFacts facts("view index");
  facts.subject.Add("folder", *read.folder);
  if (sort_field != 0) facts.subject.Add("sort", std::int64_t{sort_field});
  facts.summary.Add("accounts", store.AccountListIndex.Count());
  return PrintTable(read.output, facts, rows, ViewShape(IndexColumns::kAll));
}

}  // namespace tallyscan::cli
