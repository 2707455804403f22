// tallyscan-cli check: imports a data folder and runs the integrity checks over it.
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/analysis_output.h"
#include "cli/check_setup.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/checks/checks.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

// Shows each check's title before the bar, and notes where in the rows each check began so
// that its findings (error rows) can be counted.
class TitleListener final : public CheckRunListener {
 public:
  TitleListener(TerminalProgress& bar, const CheckResultRows& rows) : bar_(bar), rows_(rows) {}
  void OnTitle(std::string_view title) override {
    bar_.SetLabel(title);
    starts_.emplace_back(std::string(title), rows_.size());
  }

  // The row at which the check of this title began; past the rows when it did not run.
  std::size_t StartOf(std::string_view title) const {
    for (const auto& [begun, row] : starts_) {
      if (begun == title) return row;
    }
    return rows_.size();
  }

  // The error rows from each check's start to the next one's, by title.
  void AddFindings(JsonFields& summary) const {
    for (std::size_t i = 0; i < starts_.size(); ++i) {
      const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1].second : rows_.size();
      std::int64_t findings = 0;
      for (std::size_t row = starts_[i].second; row < end; ++row) {
        if (DecodeRow(rows_[row]).status == RowStatus::kError) ++findings;
      }
      summary.AddToGroup("findings", starts_[i].first, findings);
    }
  }

 private:
  TerminalProgress& bar_;
  const CheckResultRows& rows_;
  std::vector<std::pair<std::string, std::size_t>> starts_;
};

}  // namespace

std::optional<CheckTicks> ParseCheckItems(std::string_view list) {
  CheckTicks ticks;
  ticks.bookkeeping.SetAll(false);
  ticks.documents.SetAll(false);
  const std::optional<std::vector<std::string_view>> items = CommaListItems(list);
  if (!items) return std::nullopt;
  for (const std::string_view item : *items) {
    if (item.size() < 2) return std::nullopt;
    TickList* target = item[0] == 'B' || item[0] == 'b'   ? &ticks.bookkeeping
                       : item[0] == 'D' || item[0] == 'd' ? &ticks.documents
                                                          : nullptr;
    std::size_t place = 0;
    for (const char c : item.substr(1)) {
      if (c < '0' || c > '9' || place > 100) return std::nullopt;
      place = place * 10 + static_cast<std::size_t>(c - '0');
    }
    if (target == nullptr || place < 1 || place > target->size()) return std::nullopt;
    target->SetTicked(place - 1, true);
  }
  return ticks;
}

TimeOfDay CommandClock::Now() const {
  if (!epoch_) return system_.Now();
  const auto seconds = static_cast<std::time_t>(*epoch_);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return {utc.tm_hour, utc.tm_min, utc.tm_sec};
}

bool ReadCommandEpoch(std::optional<std::int64_t>& epoch) {
  const Status read = ReadSourceDateEpoch(epoch);
  if (!read.ok()) std::cerr << read.message() << '\n';
  return read.ok();
}

int PrintCheckRows(const OutputOptions& output, const std::string& folder,
                   const ImportResult& imported, const RecordStore& store, const CheckTicks& ticks,
                   const Clock& clock, TerminalProgress& bar) {
  RunFacts facts("check");
  facts.subject.Add("folder", folder);
  AddImportFigures(imported, store, facts.summary);
  if (imported.interrupted) {
    // Stopped while reading: the import log so far says so; no check ran.
    facts.interrupted = true;
    facts.errors = imported.findings;
    return PrintTable(output, facts, imported.rows.Rows(), TableShape{});
  }

  CheckResultRows rows;
  TitleListener listener(bar, rows);
  facts.interrupted = !RunChecks(store, ticks, clock, bar, rows, &listener);
  bar.Finish();
  listener.AddFindings(facts.summary);
  // The document pass shows the figures it compares, its red ones being the values found
  // wrong: every figure an amount, none a credit.
  TableShape bookkeeping;
  bookkeeping.columns = JsonKindsOf(CheckColumns::kAll);
  bookkeeping.others = ColumnKind::kFigure;
  TableShape documents = bookkeeping;
  documents.columns = {ColumnKind::kText};
  documents.credit_marker_marks_errors = true;
  const std::size_t documents_from = listener.StartOf(kDocumentPassTitle);
  const int exit_code = PrintTable(output, facts, rows, [&](std::size_t row) -> const TableShape& {
    return row < documents_from ? bookkeeping : documents;
  });
  return WithReadingFindings(exit_code, output, imported);
}

int RunCheck(std::span<char* const> args) {
  OutputOptions output;
  CheckTicks ticks;
  int threads = 0;
  std::optional<std::string> folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, output, threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("check", mistake);
      case OptionRead::kNotMine:
        break;
    }
    if (a == "--items" && i + 1 < args.size()) {
      std::optional<CheckTicks> parsed = ParseCheckItems(args[++i]);
      if (!parsed) return UsageError("check", "items are B1-B8 and D1-D9, separated by commas");
      ticks = std::move(*parsed);
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      return UsageError("check", "unexpected argument " + std::string(a));
    }
  }
  if (!folder) return UsageError("check", "the data folder is missing");
  std::optional<std::int64_t> epoch;
  if (!ReadCommandEpoch(epoch)) return kExitFailed;

  TerminalProgress bar;
  RecordStore store;
  const std::optional<ImportResult> imported = ImportForCommand(store, *folder, bar, threads);
  if (!imported) return kExitFailed;
  const CommandClock clock(epoch);
  return PrintCheckRows(output, *folder, *imported, store, ticks, clock, bar);
}

}  // namespace tallyscan::cli
