// How the analysis page answers while the journal-entry tests run over a large set, and how
// soon it shows their results. Over a shown main window, a timer pings the event loop every
// 10 ms; the longest gap between its pings is the longest a click would have waited. Each
// round first times the engine's pack alone (RunJet, as `tallyscan-cli jet` runs it after its
// import), then "הפעל" on the page until the tests list, the sufficiency panel, the ranking and
// the first test's hits are shown; then the page's other work on those results: the test with
// the most hits chosen, its hits sorted by amount and turned, the digit charts shown.
//
//   QT_QPA_PLATFORM=offscreen tallyscan-jet-page-bench [--rounds N] DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTimer>

#include "app/app_context.h"
#include "app/jet/jet_tab.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/widgets/grid.h"
#include "engine/analytics/analytics.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPingMs = 10;
constexpr int kAmountColumn = 6;  // "סכום" of the hits grid, as the header counts
constexpr int kDigitsTab = 1;

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// The longest gap between the pings of a timer from `operation` until `done` holds.
struct Stall {
  double seconds = 0;     // from the start until done
  double longest = 0;     // the longest gap between pings
  double longest_at = 0;  // when it ended, from the start
  long pings = 0;
};

Stall Measure(const std::function<void()>& operation, const std::function<bool()>& done) {
  Stall stall;
  QTimer ping;
  ping.setInterval(kPingMs);
  ping.setTimerType(Qt::PreciseTimer);
  SteadyClock::time_point last = SteadyClock::now();
  SteadyClock::time_point start = last;
  const auto close = [&] {
    const SteadyClock::time_point now = SteadyClock::now();
    const double gap = std::chrono::duration<double>(now - last).count();
    if (gap > stall.longest) {
      stall.longest = gap;
      stall.longest_at = std::chrono::duration<double>(now - start).count();
    }
    last = now;
  };
  QObject::connect(&ping, &QTimer::timeout, [&] {
    close();
    ++stall.pings;
  });
  start = SteadyClock::now();
  last = start;
  ping.start();
  operation();
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kPingMs);
  close();
  ping.stop();
  stall.seconds = SecondsSince(start);
  return stall;
}

void Print(const char* what, const Stall& stall) {
  std::printf("%-34s %7.3f s, longest without an answer %5.0f ms, ending at %.3f s (%ld pings)\n",
              what, stall.seconds, stall.longest * 1000, stall.longest_at, stall.pings);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string LoadAverage() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return "?";
  char text[64] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  std::string load(text, n);
  // The three averages only.
  std::size_t end = 0;
  for (int field = 0; field < 3 && end != std::string::npos; ++field) {
    end = load.find(' ', end == 0 ? 0 : end + 1);
  }
  return load.substr(0, end);
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
    std::fputs("usage: tallyscan-jet-page-bench [--rounds N] DIR\n", stderr);
    return 2;
  }

  MemorySettings settings;
  RecordStore store;
  SilentProgress silent;
  const SteadyClock::time_point import_start = SteadyClock::now();
  const ImportResult imported = ImportFolder(store, folder, silent);
  if (!imported.status.ok()) {
    std::fprintf(stderr, "import failed: %s\n", imported.status.message().c_str());
    return 1;
  }
  std::printf("import %.3f s, %lld movements, pings every %d ms, load average %s\n",
              SecondsSince(import_start), static_cast<long long>(store.MovementIndex.Count()),
              kPingMs, LoadAverage().c_str());

  AppContext app(settings, store);
  MainWindow window(app, {.stored = true, .width = 1366, .height = 768});
  window.show();
  QApplication::processEvents();
  window.PressButton(PageId::kAnalysis);
  JetTab* jet = window.PageOf<AnalysisPage>()->Jet();
  const SourceFiles sources = SourceFilesOfStore(store);

  std::vector<double> packs;
  std::vector<double> shown;
  std::vector<double> stalls;
  std::vector<double> threaded;
  std::vector<double> bare_stalls;
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d, load average %s\n", round, LoadAverage().c_str());
    const SteadyClock::time_point pack_start = SteadyClock::now();
    const JetRun run = RunJet(store, sources, jet->Parameters(), AllJetTests(), silent);
    packs.push_back(SecondsSince(pack_start));
    if (!run.result) {
      std::fprintf(stderr, "the pack failed: %s\n", run.status.message().c_str());
      return 1;
    }
    std::printf("%-34s %7.3f s\n", "the pack alone (engine)", packs.back());

    // The same on a thread of its own while the loop only pings: what sharing the processor
    // with the pack costs the window without the page.
    bool pack_done = false;
    std::thread worker;
    const Stall bare = Measure(
        [&] {
          worker = std::thread([&] {
            RunJet(store, sources, jet->Parameters(), AllJetTests(), silent);
            QMetaObject::invokeMethod(&application, [&] { pack_done = true; });
          });
        },
        [&] { return pack_done; });
    worker.join();
    threaded.push_back(bare.seconds);
    bare_stalls.push_back(bare.longest);
    Print("the pack on a thread, loop idle", bare);

    bool ended = false;
    const QMetaObject::Connection on_end =
        QObject::connect(jet, &JetTab::RunEnded, [&] { ended = true; });
    const Stall through_page =
        Measure([&] { jet->Run(); }, [&] { return ended && !jet->HitsLoading(); });
    QObject::disconnect(on_end);
    if (!jet->Result()) {
      std::fputs("the page showed no result\n", stderr);
      return 1;
    }
    shown.push_back(through_page.seconds);
    stalls.push_back(through_page.longest);
    Print("\"הפעל\" to results and hits shown", through_page);

    // The test with the most hits, chosen in the tests list, then its hits sorted and turned.
    std::size_t busiest = 0;
    for (std::size_t i = 0; i < jet->Result()->tests.size(); ++i) {
      if (jet->Result()->tests[i].hits > jet->Result()->tests[busiest].hits) busiest = i;
    }
    const JetTestResult& most = jet->Result()->tests[busiest];
    Grid* tests = jet->TestsGrid();
    int row = 0;
    while (row < tests->model()->rowCount() &&
           tests->Model().ShownText(row, 5).toStdString() != JetTestId(most.test)) {
      ++row;
    }
    bool lines_shown = false;
    double shown_after = 0;
    const SteadyClock::time_point choose_start = SteadyClock::now();
    const QMetaObject::Connection on_lines = QObject::connect(jet, &JetTab::LinesShown, [&] {
      lines_shown = true;
      shown_after = SecondsSince(choose_start);
    });
    const Stall chosen = Measure(
        [&] {
          tests->selectionModel()->setCurrentIndex(
              tests->model()->index(row, 1),
              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        },
        [&] { return lines_shown && !jet->HitsGrid()->Measuring(); });
    QObject::disconnect(on_lines);
    Print(("the most hits (" + std::to_string(most.hits) + ") chosen").c_str(), chosen);
    std::printf("%-34s %7.3f s\n", "  of which until its rows show", shown_after);
    Print("its hits sorted by amount",
          Measure([&] { emit jet->HitsGrid()->horizontalHeader()->sectionClicked(kAmountColumn); },
                  [&] { return !jet->Sorting() && !jet->HitsGrid()->Measuring(); }));
    Print("and turned",
          Measure([&] { emit jet->HitsGrid()->horizontalHeader()->sectionClicked(kAmountColumn); },
                  [&] { return !jet->Sorting() && !jet->HitsGrid()->Measuring(); }));
    Print("the digit charts shown",
          Measure([&] { jet->Details()->setCurrentIndex(kDigitsTab); }, [] { return true; }));
    jet->Details()->setCurrentIndex(0);
  }
  const double pack = Median(packs);
  const double page = Median(shown);
  std::printf(
      "median of %d rounds: the pack %.3f s (on a thread %.3f s), \"הפעל\" to results shown "
      "%.3f s (%.2fx the pack), longest without an answer %.0f ms (worst round %.0f ms; with "
      "the loop idle %.0f ms); load average %s\n",
      rounds, pack, Median(threaded), page, page / pack, Median(stalls) * 1000,
      *std::max_element(stalls.begin(), stalls.end()) * 1000, Median(bare_stalls) * 1000,
      LoadAverage().c_str());
  return 0;
}
