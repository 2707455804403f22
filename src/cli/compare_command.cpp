// tallyscan-cli compare: imports two periods of one business and compares them.
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/parameters_file.h"
#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/analytics/analytics.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {
namespace {

struct CompareCommandOptions {
  OutputOptions output;
  std::optional<std::string> params_file;
  std::optional<ComparePart> part;
  CompareOptions compare;
  bool print_params = false;
  int threads = 0;
  std::vector<std::string> folders;
};

int Parse(std::span<char* const> args, CompareCommandOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, o.output, o.threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("compare", mistake);
      case OptionRead::kNotMine:
        break;
    }
    const bool has_value = i + 1 < args.size();
    if (a == "--params" && has_value) {
      o.params_file = args[++i];
    } else if (a == "--part" && has_value) {
      ComparePart part;
      if (!FindComparePart(args[++i], part)) {
        return UsageError("compare",
                          "--part takes identity, openings, review, accounts or counterparties");
      }
      o.part = part;
    } else if (a == "--other-company") {
      o.compare.other_company = true;
    } else if (a == "--annualise") {
      o.compare.annualise = true;
    } else if (a == "--print-params") {
      o.print_params = true;
    } else if (o.folders.size() < 2 && !a.starts_with("--")) {
      o.folders.emplace_back(a);
    } else {
      return UsageError("compare", "unexpected argument " + std::string(a));
    }
  }
  if (!o.print_params && o.folders.size() != 2) {
    return UsageError("compare", "the two data folders, PRIOR and CURRENT, are needed");
  }
  return 0;
}

int Stopped() {
  std::cerr << kCompareStoppedText << "\n";
  return kExitInterrupted;
}

TableShape RowShape() {
  TableShape shape;
  shape.columns.assign(10, ColumnKind::kText);
  return shape;
}

}  // namespace

int RunCompare(std::span<char* const> args) {
  CompareCommandOptions o;
  if (const int usage = Parse(args, o); usage != 0) return usage;
  const std::optional<JetParameters> read_parameters = ParametersForCommand(o.params_file);
  if (!read_parameters) return kExitFailed;
  const JetParameters& parameters = *read_parameters;
  if (o.print_params) {
    std::cout << JetParameterFileJson(parameters);
    return kExitCompleted;
  }

  TerminalProgress bar;
  RecordStore prior, current;
  const std::optional<ImportResult> read_prior =
      ImportForCommand(prior, o.folders[0], bar, o.threads);
  if (!read_prior) return kExitFailed;
  if (read_prior->interrupted) return Stopped();
  const std::optional<ImportResult> read_current =
      ImportForCommand(current, o.folders[1], bar, o.threads);
  if (!read_current) return kExitFailed;
  if (read_current->interrupted) return Stopped();

  bar.SetLabel("compare");
  // The sources as the stores hold them: a zip extracted by an earlier reading is named too.
  CompareRun run = tallyscan::RunCompare(prior, SourceFilesOfStore(prior), current,
                                         SourceFilesOfStore(current), parameters, o.compare, bar);
  bar.Finish();
  if (ExitCodeOf(run.status) == kExitInterrupted) return Stopped();
  if (!run.status.ok()) {
    std::cerr << run.status.message() << "\n";
    return kExitFailed;
  }
  const CompareResult& result = *run.result;
  // The faults of either reading are findings too.
  const auto with_readings = [&](int code) {
    return WithReadingFindings(WithReadingFindings(code, o.output, *read_prior), o.output,
                               *read_current);
  };
  if (o.output.format == OutputFormat::kJson) {
    WriteCompareResultJson(result, std::cout);
    if (bar.interrupted()) return Stopped();
    return with_readings(o.output.fail_on_findings && result.HasFindings() ? kExitFindings
                                                                           : kExitCompleted);
  }
  std::vector<std::string> rows;
  for (int p = 0; p <= static_cast<int>(ComparePart::kCounterparties); ++p) {
    const auto part = static_cast<ComparePart>(p);
    if (o.part && *o.part != part) continue;
    for (std::string& row : CompareRows(result, part)) rows.push_back(std::move(row));
  }
  RunFacts facts("compare");
  facts.subject.Add("prior", o.folders[0]);
  facts.subject.Add("current", o.folders[1]);
  const int printed = with_readings(PrintTable(o.output, facts, rows, RowShape()));
  return bar.interrupted() ? Stopped() : printed;
}

}  // namespace tallyscan::cli
