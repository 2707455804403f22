// tallyscan-cli summary: imports a data folder and prints one of the producer's summaries, the
// documents by type or the record counts beside those INI.TXT states.
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/statistics_for_command.h"
#include "engine/analytics/analytics.h"

namespace tallyscan::cli {
namespace {

TableShape DocumentsShape() {
  TableShape shape;
  shape.names = ColumnNames(DocumentSummaryColumns::kAll);
  return shape;
}

TableShape RecordsShape() {
  TableShape shape;
  shape.names = ColumnNames(RecordCountColumns::kAll);
  return shape;
}

}  // namespace

int RunSummary(std::span<char* const> args) {
  OutputOptions output;
  std::optional<bool> documents;  // false: the record counts
  std::optional<std::string> folder;
  int threads = 0;  // --threads N: those that read the data file; 0: one per core
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, output, threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("summary", mistake);
      case OptionRead::kNotMine:
        break;
    }
    // The first word that is no option names the summary, the second the folder.
    if (!documents && !a.starts_with("--")) {
      if (a != "documents" && a != "records") {
        return UsageError("summary", "the summary is documents or records");
      }
      documents = a == "documents";
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      return UsageError("summary", "unexpected argument " + std::string(a));
    }
  }
  if (!documents) return UsageError("summary", "the summary is missing");
  if (!folder) return UsageError("summary", "the data folder is missing");

  TerminalProgress bar;
  RecordStore store;
  const StatisticsForCommand computed = ComputeStatistics(store, *folder, bar, threads);
  if (!computed.result) return computed.exit_code;
  const FieldStatistics& result = *computed.result;
  RunFacts facts(*documents ? "summary documents" : "summary records");
  facts.subject.Add("folder", *folder);
  AddImportFigures(*computed.imported, store, facts.summary);
  const int exit_code = *documents ? PrintStatistics(output, facts, DocumentSummaryRows(result),
                                                     DocumentsShape(), DocumentSummaryJson(result))
                                   : PrintStatistics(output, facts, RecordCountRows(result),
                                                     RecordsShape(), RecordCountsJson(result));
  return WithReadingFindings(exit_code, output, *computed.imported);
}

}  // namespace tallyscan::cli
