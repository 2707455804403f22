// How long the window goes without answering while the documents page shows "כל הסוגים" and
// the ledger page opens the largest card. Over a shown main window, a timer pings the event
// loop every few milliseconds; the longest gap between its pings is the longest a click would
// have waited. Each read is measured twice: the engine's reads on the window's thread, as the
// pages once made them (then the grid told of its rows), and through the page as it reads now,
// until its work is in and its grid measured (the register's marks included).
//
//   QT_QPA_PLATFORM=offscreen tallyscan-work-bench [--rounds N] DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

#include <QApplication>
#include <QTimer>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/pages/documents_page.h"
#include "app/pages/ledger_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPingMs = 5;
constexpr int kAllTypesItem = 28;

// The longest gap between the pings of a timer while `operation` runs and until `done` holds.
struct Stall {
  double seconds = 0;  // from the start until done
  double longest = 0;  // the longest gap between pings
  long pings = 0;
};

Stall Measure(const std::function<void()>& operation, const std::function<bool()>& done) {
  Stall stall;
  QTimer ping;
  ping.setInterval(kPingMs);
  SteadyClock::time_point last = SteadyClock::now();
  const auto close = [&] {
    const SteadyClock::time_point now = SteadyClock::now();
    stall.longest = std::max(stall.longest, std::chrono::duration<double>(now - last).count());
    last = now;
  };
  QObject::connect(&ping, &QTimer::timeout, [&] {
    close();
    ++stall.pings;
  });
  const SteadyClock::time_point start = SteadyClock::now();
  last = start;
  ping.start();
  operation();
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kPingMs);
  close();
  ping.stop();
  stall.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  return stall;
}

QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class RegisterRows final : public GridRowSource {
 public:
  explicit RegisterRows(const DocumentRegister& list) : list_(list) {}
  std::string CellText(int row, int field) const override { return list_.Cell(row, field); }

 private:
  const DocumentRegister& list_;
};

class CardRows final : public GridRowSource {
 public:
  CardRows(const RecordStore& store, const LedgerCard& card) : store_(store), card_(card) {}
  std::string CellText(int row, int field) const override {
    return LedgerRowCells(store_, card_, row + 1)[static_cast<std::size_t>(field - 1)];
  }

 private:
  const RecordStore& store_;
  const LedgerCard& card_;
};

// The register of all types as the page once made it: its marks (then on a thread of their
// own, here first), the rows, the grid told of them.
void RegisterOnTheWindowThread(const RecordStore& store, Grid& grid) {
  SilentProgress silent;
  DocumentMarks marks;
  FindDocumentMarks(store, silent, &marks);
  const DocumentRegister list(store, "", marks);
  QStringList captions;
  for (const std::string_view caption : RegisterColumns()) captions << FromStd(caption);
  grid.SetColumns(FixedColumns(captions));
  const RegisterRows rows(list);
  FilterBox filter(grid, rows, 5, nullptr);
  filter.SetRows(list.RowCount() - 1, 1);
}

void CardOnTheWindowThread(const RecordStore& store, SettingsStore& settings, std::int64_t account,
                           Grid& grid) {
  const LedgerCard card = LoadCard(store, account);
  grid.SetColumns(
      ColumnsFromFieldList(ReadFieldList(settings, LedgerCatalogue()), LedgerCatalogue()));
  const CardRows rows(store, card);
  FilterBox filter(grid, rows, 12, nullptr);
  filter.SetRows(static_cast<int>(card.rows.size()), 1);
}

void Print(const char* what, const char* how, const Stall& stall) {
  std::printf("%-28s %-22s %7.3f s, longest without an answer %6.0f ms (%ld pings)\n", what, how,
              stall.seconds, stall.longest * 1000, stall.pings);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int rounds = 3;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: tallyscan-work-bench [--rounds N] DIR\n", stderr);
    return 2;
  }

  MemorySettings settings;
  RecordStore store;
  SilentProgress silent;
  const ImportResult imported = ImportFolder(store, folder, silent);
  if (!imported.status.ok()) {
    std::fprintf(stderr, "import failed: %s\n", imported.status.message().c_str());
    return 1;
  }
  AppContext app(settings, store);
  MainWindow window(app, {.stored = true, .width = 1366, .height = 768});
  window.show();
  QApplication::processEvents();
  auto* documents = window.PageOf<DocumentsPage>();
  auto* ledger = window.PageOf<LedgerPage>();

  std::int64_t busiest = 1;
  std::int64_t most = 0;
  for (std::int64_t a = 1; a <= store.AccountIndex.Count(); ++a) {
    const std::int64_t n =
        PrefixRange(store.MovementIndex, store.AccountIndex[a].Part(kKeyAccount)).size();
    if (n > most) {
      most = n;
      busiest = a;
    }
  }
  std::printf("%lld documents, the largest card %lld movements, pings every %d ms\n",
              static_cast<long long>(store.DocumentIndex.Count()), static_cast<long long>(most),
              kPingMs);

  // The grid of a page, told of new rows as the pages tell it: the reads of the window's
  // thread before the pages handed them to a worker.
  Grid grid;
  grid.resize(1200, 400);
  const auto measured = [&] { return !grid.Measuring(); };
  for (int round = 0; round < rounds; ++round) {
    Print("\"כל הסוגים\"", "engine on window thread",
          Measure([&] { RegisterOnTheWindowThread(store, grid); }, measured));
    window.PressButton(PageId::kDocuments);
    documents->SelectType(0);
    QApplication::processEvents();
    Print("\"כל הסוגים\"", "through the page",
          Measure([&] { documents->SelectType(kAllTypesItem); },
                  [&] {
                    return !documents->Working() && documents->MarksShown() &&
                           !documents->RegisterGrid()->Measuring();
                  }));

    Print("the largest card", "engine on window thread",
          Measure([&] { CardOnTheWindowThread(store, settings, busiest, grid); }, measured));
    window.PressButton(PageId::kLedger);
    ledger->ShowCard(busiest == 1 ? 2 : 1);
    while (ledger->Working()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, kPingMs);
    Print("the largest card", "through the page",
          Measure([&] { ledger->ShowCard(busiest); },
                  [&] { return !ledger->Working() && !ledger->List()->Measuring(); }));
  }
  return 0;
}
