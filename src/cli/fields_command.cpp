// tallyscan-cli fields: imports a data folder and prints the statistics of its numeric and
// date fields, one row per field of every record type (or of one).
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "cli/analysis_output.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/statistics_for_command.h"
#include "engine/analytics/analytics.h"

namespace tallyscan::cli {
namespace {

TableShape FieldsShape() {
  TableShape shape;
  shape.names = ColumnNames(FieldStatisticsColumns::kAll);
  return shape;
}

// A record type of the data file by its code, letter case ignored.
std::optional<RecordType> DataRecordType(std::string_view code) {
  const RecordLayout* layout = code.size() == 4 ? FindLayout(code) : nullptr;
  if (layout == nullptr || layout->type == RecordType::kA000) return std::nullopt;
  return layout->type;
}

int PrintStatisticsOf(const OutputOptions& output, const std::string& folder,
                      const ImportResult& imported, const RecordStore& store,
                      const FieldStatistics& result, std::optional<RecordType> only) {
  if (only && result.Find(*only) == nullptr) {
    std::cerr << "fields: the data file holds no " << LayoutOf(*only).code << " line\n";
    return kExitFailed;
  }
  RunFacts facts("fields");
  facts.subject.Add("folder", folder);
  AddImportFigures(imported, store, facts.summary);
  return WithReadingFindings(PrintStatistics(output, facts, FieldStatisticsRows(result, only),
                                             FieldsShape(), FieldStatisticsJson(result, only)),
                             output, imported);
}

}  // namespace

int PrintFieldStatistics(const OutputOptions& output, const std::string& folder,
                         const ImportResult& imported, const RecordStore& store,
                         TerminalProgress& bar, int threads) {
  const StatisticsForCommand computed = StatisticsOfImported(store, imported, bar, threads);
  if (!computed.result) return computed.exit_code;
  return PrintStatisticsOf(output, folder, imported, store, *computed.result, std::nullopt);
}

int RunFields(std::span<char* const> args) {
  OutputOptions output;
  std::optional<RecordType> only;
  std::optional<std::string> folder;
  int threads = 0;  // --threads N: those that read the data file; 0: one per core
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, output, threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("fields", mistake);
      case OptionRead::kNotMine:
        break;
    }
    if (a == "--record" && i + 1 < args.size()) {
      only = DataRecordType(args[++i]);
      if (!only) {
        return UsageError("fields",
                          "--record takes a record type of the data file: A100, "
                          "B100, B110, C100, D110, D120, M100 or Z900");
      }
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      return UsageError("fields", "unexpected argument " + std::string(a));
    }
  }
  if (!folder) return UsageError("fields", "the data folder is missing");

  TerminalProgress bar;
  RecordStore store;
  const StatisticsForCommand computed = ComputeStatistics(store, *folder, bar, threads);
  if (!computed.result) return computed.exit_code;
  return PrintStatisticsOf(output, *folder, *computed.imported, store, *computed.result, only);
}

}  // namespace tallyscan::cli
