// tallyscan-cli jet: imports a data folder and runs the journal-entry tests over it.
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/analysis_output.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/parameters_file.h"
#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/analytics/analytics.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

struct JetOptions {
  OutputOptions output;
  std::optional<std::string> params_file;
  JetSelection selection = AllJetTests();
  std::optional<JetTest> hits;
  std::optional<JetTest> digit_test;
  JetPopulationKind population = JetPopulationKind::kAll;
  int digit = 0;
  bool print_params = false;
  int threads = 0;  // --threads N: those that read the data file; 0: one per core
  std::optional<std::string> folder;
};

bool ReadDigit(std::string_view text, int& digit) {
  if (text.empty() || text.size() > 2) return false;
  digit = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    digit = digit * 10 + (c - '0');
  }
  return true;
}

// 0 when the arguments were read; otherwise the exit code of the usage error printed.
int Parse(std::span<char* const> args, JetOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, o.output, o.threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("jet", mistake);
      case OptionRead::kNotMine:
        break;
    }
    const bool has_value = i + 1 < args.size();
    JetTest test;
    if (a == "--params" && has_value) {
      o.params_file = args[++i];
    } else if (a == "--tests" && has_value) {
      const std::optional<JetSelection> selection = ParseJetSelection(args[++i]);
      if (!selection)
        return UsageError("jet", "--tests takes test ids separated by commas, none of them empty");
      o.selection = *selection;
    } else if (a == "--hits" && has_value) {
      if (!FindJetTest(args[++i], test)) return UsageError("jet", "--hits takes a test id");
      o.hits = test;
    } else if (a == "--digit-lines" && i + 3 < args.size()) {
      if (!FindJetTest(args[++i], test) || test < JetTest::kBenfordFirst) {
        return UsageError("jet",
                          "--digit-lines takes a digit test: benford-first, "
                          "benford-second, benford-first-two or last-two");
      }
      o.digit_test = test;
      const std::string_view population = args[++i];
      std::size_t p = 0;
      while (p < kJetPopulationNames.size() && kJetPopulationNames[p] != population) ++p;
      if (p == kJetPopulationNames.size()) {
        return UsageError("jet", "the population is all, debit or credit");
      }
      o.population = static_cast<JetPopulationKind>(p);
      if (!ReadDigit(args[++i], o.digit) || !JetCountsDigit(test, o.digit)) {
        return UsageError("jet",
                          "the digit of benford-first is 1-9, of benford-second 0-9, of "
                          "benford-first-two 10-99 and of last-two 0-99");
      }
    } else if (a == "--print-params") {
      o.print_params = true;
    } else if (!o.folder && !a.starts_with("--")) {
      o.folder = std::string(a);
    } else {
      return UsageError("jet", "unexpected argument " + std::string(a));
    }
  }
  if (o.hits && o.digit_test)
    return UsageError("jet", "--hits and --digit-lines exclude each other");
  if (!o.print_params && !o.folder) return UsageError("jet", "the data folder is missing");
  if (o.hits) o.selection.set(JetIndex(*o.hits));
  return 0;
}

int Stopped() {
  std::cerr << kJetStoppedText << "\n";
  return kExitInterrupted;
}

// The tests over the folder read; without a result (stopped or failed) `status` says why.
JetRun RunTests(const RecordStore& store, const ImportResult& imported,
                const JetParameters& parameters, const JetSelection& selection,
                TerminalProgress& bar) {
  bar.SetLabel("jet");
  JetRun run = tallyscan::RunJet(store, SourceFilesOf(imported), parameters, selection, bar);
  bar.Finish();
  if (!run.status.ok()) run.result.reset();
  return run;
}

// A reading that did not complete: a stop says the tests were stopped, a failure its message.
int Unfinished(const Status& status) {
  if (ExitCodeOf(status) == kExitInterrupted) return Stopped();
  std::cerr << status.message() << "\n";
  return kExitFailed;
}

// The summary's figure is text in JSON too, though it may quote an amount.
TableShape SummaryShape() {
  TableShape shape;
  shape.names = ColumnNames(JetSummaryColumns::kAll);
  return shape;
}

// Hit rows differ in layout (a gap's range, a batch, a line), so CSV names no column.
TableShape HitShape() {
  TableShape shape;
  shape.columns = JsonKindsOf(JetHitColumns::kAll);
  return shape;
}

}  // namespace

int RunJet(std::span<char* const> args) {
  JetOptions o;
  if (const int usage = Parse(args, o); usage != 0) return usage;
  const std::optional<JetParameters> parameters = ParametersForCommand(o.params_file);
  if (!parameters) return kExitFailed;
  if (o.print_params) {
    std::cout << JetParameterFileJson(*parameters);
    return kExitCompleted;
  }

  TerminalProgress bar;
  RecordStore store;
  const std::optional<ImportResult> imported = ImportForCommand(store, *o.folder, bar, o.threads);
  if (!imported) return kExitFailed;
  if (imported->interrupted) return Stopped();
  RunFacts facts("jet");
  facts.subject.Add("folder", *o.folder);
  AddImportFigures(*imported, store, facts.summary);

  std::vector<std::string> rows;
  if (o.digit_test) {
    bar.SetLabel(JetTestId(*o.digit_test));
    const Status read =
        JetDigitLineRows(store, *parameters, *o.digit_test, o.population, o.digit, bar, rows);
    bar.Finish();
    if (!read.ok()) return Unfinished(read);
    return WithReadingFindings(PrintTable(o.output, facts, rows, HitShape()), o.output, *imported);
  }

  if (o.hits) {
    JetRun run = RunTests(store, *imported, *parameters, o.selection, bar);
    if (!run.result) return Unfinished(run.status);
    const Status read = JetHitRows(store, *run.result, *o.hits, bar, rows);
    bar.Finish();
    if (!read.ok()) return Unfinished(read);
    return WithReadingFindings(PrintTable(o.output, facts, rows, HitShape()), o.output, *imported);
  }
  return PrintJetSummary(o.output, *o.folder, *imported, store, *parameters, o.selection, bar);
}

int PrintJetSummary(const OutputOptions& output, const std::string& folder,
                    const ImportResult& imported, const RecordStore& store,
                    const JetParameters& parameters, const JetSelection& selection,
                    TerminalProgress& bar, std::vector<JetSourceFile>* sources) {
  if (imported.interrupted) return Stopped();
  JetRun run = RunTests(store, imported, parameters, selection, bar);
  if (!run.result) return Unfinished(run.status);
  const JetResult& result = *run.result;
  if (sources != nullptr) *sources = result.source;
  RunFacts facts("jet");
  facts.subject.Add("folder", folder);
  AddImportFigures(imported, store, facts.summary);
  const std::vector<std::string> rows = JetSummaryRows(result);
  if (output.format != OutputFormat::kJson) {
    const int printed =
        WithReadingFindings(PrintTable(output, facts, rows, SummaryShape()), output, imported);
    return bar.interrupted() ? Stopped() : printed;
  }
  WriteJetResultJson(result, std::cout);
  // A Ctrl-C while the document was made comes after the last look for a stop.
  if (bar.interrupted()) return Stopped();
  // The summary's error rows are the findings: a population that does not reconcile, a test
  // whose hits are findings.
  const char error = static_cast<char>(RowStatus::kError);
  const bool findings = std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
    return RowField(row, 1) == std::string_view(&error, 1);
  });
  return WithReadingFindings(output.fail_on_findings && findings ? kExitFindings : kExitCompleted,
                             output, imported);
}

}  // namespace tallyscan::cli
