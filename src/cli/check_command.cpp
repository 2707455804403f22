// tallyscan-cli check: imports a data folder and runs the integrity checks over it.
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "cli/check_setup.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "engine/checks/checks.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {
namespace {

constexpr std::string_view kUsage = "usage: tallyscan-cli check [--raw] [--items LIST] DIR\n";

class LabelListener final : public CheckRunListener {
 public:
  explicit LabelListener(TerminalProgress& bar) : bar_(bar) {}
  void OnTitle(std::string_view title) override { bar_.SetLabel(title); }

 private:
  TerminalProgress& bar_;
};

}  // namespace

std::optional<CheckTicks> ParseCheckItems(std::string_view list) {
  CheckTicks ticks;
  ticks.bookkeeping.SetAll(false);
  ticks.documents.SetAll(false);
  // An empty list ticks nothing; an empty item ("B2,", "B2,,B3") is a mistake.
  for (bool more = !list.empty(); more;) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    more = comma != std::string_view::npos;
    if (more) list.remove_prefix(comma + 1);
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
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return system_.Now();
  const std::time_t seconds = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return {utc.tm_hour, utc.tm_min, utc.tm_sec};
}

int RunCheck(std::span<char* const> args) {
  bool raw = false;
  CheckTicks ticks;
  std::optional<std::string> folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--raw") {
      raw = true;
    } else if (a == "--items" && i + 1 < args.size()) {
      std::optional<CheckTicks> parsed = ParseCheckItems(args[++i]);
      if (!parsed) {
        std::cerr << "check: items are B1-B8 and D1-D9, separated by commas\n" << kUsage;
        return 2;
      }
      ticks = std::move(*parsed);
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (!folder) {
    std::cerr << kUsage;
    return 2;
  }

  TerminalProgress bar;
  RecordStore store;
  const ImportResult imported = ImportFolder(store, *folder, bar);
  bar.Finish();
  if (!imported.status.ok()) {
    std::cerr << imported.status.message() << '\n';
    return 1;
  }
  if (imported.interrupted) {
    PrintRows(imported.rows.Rows(), raw);
    return kInterruptedExitCode;
  }

  const CommandClock clock;
  LabelListener listener(bar);
  CheckResultRows rows;
  const bool completed = RunChecks(store, ticks, clock, bar, rows, &listener);
  bar.Finish();
  PrintRows(rows, raw);
  if (completed) return 0;
  return bar.interrupted() ? kInterruptedExitCode : 1;
}

}  // namespace tallyscan::cli
