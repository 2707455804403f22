// tallyscan-cli view items [--sort FIELD] DIR: the item catalogue, fields 1-14 of every item
// in the catalogue's order, sorted first as a click on a column header sorts it.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

int RunViewItems(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"sort"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  if (const std::string_view mistake = ItemsSortMistake(read); !mistake.empty()) {
    return UsageError("view", mistake);
  }
  const int sort_field = read.SortField();

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, read)) return *failed;
  if (sort_field != 0) SortItems(store, sort_field);

  const ItemRows items(store);
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(items.RowCount()));
  std::vector<std::string> cells(ItemColumns::kCount);
  for (int row = 0; row < items.RowCount(); ++row) {
    for (int f = 1; f <= ItemColumns::kFieldCount; ++f)
      cells[static_cast<std::size_t>(f - 1)] = items.Cell(row, f);
    rows.push_back(JoinCells(cells));
  }

  RunFacts facts("view items");
  facts.subject.Add("folder", *read.folder);
  if (sort_field != 0) facts.subject.Add("sort", std::int64_t{sort_field});
  facts.summary.Add("items", store.ItemListIndex.Count());
  return PrintTable(read.output, facts, rows, ViewShape(ItemColumns::kAll));
}

}  // namespace tallyscan::cli
