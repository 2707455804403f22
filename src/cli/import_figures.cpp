#include "cli/import_figures.h"

#include <iostream>

namespace tallyscan::cli {

std::optional<ImportResult> ImportForCommand(RecordStore& store, const std::string& folder,
                                             TerminalProgress& bar) {
  ImportResult imported = ImportFolder(store, folder, bar);
  bar.Finish();
  if (!imported.status.ok()) {
    std::cerr << imported.status.message() << '\n';
    return std::nullopt;
  }
  return imported;
}

void AddImportFigures(const ImportResult& result, const RecordStore& store, JsonFields& summary) {
  summary.Add("lines", result.lines_read);
  const std::pair<const char*, std::int64_t> records[] = {
      {"B110", store.AccountIndex.Count()},     {"B100", store.MovementIndex.Count()},
      {"C100", store.DocumentIndex.Count()},    {"D110", store.DocumentLineIndex.Count()},
      {"D120", store.ReceiptLineIndex.Count()}, {"M100", store.ItemIndex.Count()},
  };
  for (const auto& [type, count] : records) summary.AddToGroup("records", type, count);
}

}  // namespace tallyscan::cli
