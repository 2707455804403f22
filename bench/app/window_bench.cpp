// How the window answers while its pages do the seven long works over a large set: the
// reading (the import page's "ביצוע"), the checks, the journal-entry pack, its hits list (the
// test with the most hits chosen), the field statistics, the accounts index and the largest
// card of the ledger. Over a shown main window, a timer pings the event loop every few
// milliseconds; the longest gap between its pings is the longest a click would have waited.
// On a loaded machine a gap also holds the time the window's thread waited for a processor,
// so each gap is measured twice: by the wall clock and by the processor time the window's
// thread spent in it (its slice). Each work prints its time, the processor time of the whole
// program and of the window's thread, the longest gap and slice and how many slices passed
// 100 ms, with the load average; the closing note gives the worst of every work.
//
//   QT_QPA_PLATFORM=offscreen tallyscan-window-bench [--rounds N] DIR
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTimer>

#include "app/app_context.h"
#include "app/app_message.h"
#include "app/jet/jet_tab.h"
#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/analysis_page.h"
#include "app/pages/checks_page.h"
#include "app/pages/import_page.h"
#include "app/pages/ledger_page.h"
#include "app/statistics/field_statistics_tab.h"
#include "app/statistics/statistics_run.h"
#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/program/program.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPingMs = 5;
constexpr double kAnswerSeconds = 0.100;

double Seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ThreadSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return Seconds(now);
}

double ProcessSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return Seconds(now);
}

std::string LoadAverage() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return "?";
  char text[64] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  std::string load(text, n);
  std::size_t end = 0;
  for (int field = 0; field < 3 && end != std::string::npos; ++field) {
    end = load.find(' ', end == 0 ? 0 : end + 1);
  }
  return load.substr(0, end);
}

struct Stall {
  double seconds = 0;      // from the start until done
  double cpu = 0;          // the program's processor time (user+sys), all threads
  double window_cpu = 0;   // the window thread's processor time
  double longest = 0;      // the longest gap between pings, wall clock
  double longest_at = 0;   // when it ended, from the start
  double slice = 0;        // the window thread's longest processor time between pings
  double slice_at = 0;     // when it ended, from the start
  double long_slices = 0;  // the sum of the slices over kAnswerSeconds
  int over = 0;            // the slices over kAnswerSeconds
  double began = 0;        // the steady clock at the start, to find the work in a profile
};

// Watches the loop from `operation` until `done` holds.
class Probe {
 public:
  Stall Measure(const std::function<void()>& operation, const std::function<bool()>& done) {
    stall_ = {};
    QTimer ping;
    ping.setInterval(kPingMs);
    ping.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ping, &QTimer::timeout, [this] { Close(); });
    const double cpu_start = ProcessSeconds();
    start_ = last_ = SteadyClock::now();
    stall_.began = std::chrono::duration<double>(start_.time_since_epoch()).count();
    window_start_ = last_cpu_ = ThreadSeconds();
    ping.start();
    operation();
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kPingMs);
    Close();
    ping.stop();
    stall_.seconds = std::chrono::duration<double>(SteadyClock::now() - start_).count();
    stall_.window_cpu = ThreadSeconds() - window_start_;
    stall_.cpu = ProcessSeconds() - cpu_start;
    return stall_;
  }

 private:
  void Close() {
    const SteadyClock::time_point now = SteadyClock::now();
    const double cpu = ThreadSeconds();
    const double gap = std::chrono::duration<double>(now - last_).count();
    const double slice = cpu - last_cpu_;
    if (gap > stall_.longest) {
      stall_.longest = gap;
      stall_.longest_at = std::chrono::duration<double>(now - start_).count();
    }
    if (slice > stall_.slice) {
      stall_.slice = slice;
      stall_.slice_at = std::chrono::duration<double>(now - start_).count();
    }
    if (slice > kAnswerSeconds) {
      ++stall_.over;
      stall_.long_slices += slice;
    }
    last_ = now;
    last_cpu_ = cpu;
  }

  Stall stall_;
  SteadyClock::time_point start_, last_;
  double window_start_ = 0;
  double last_cpu_ = 0;
};

// The worst of every round of one work.
struct Worst {
  std::string name;
  std::vector<double> seconds;
  std::vector<double> cpu;
  double longest = 0;
  double slice = 0;
  int over = 0;

  void Add(const Stall& stall) {
    seconds.push_back(stall.seconds);
    cpu.push_back(stall.cpu);
    longest = std::max(longest, stall.longest);
    slice = std::max(slice, stall.slice);
    over = std::max(over, stall.over);
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void Print(const std::string& what, const Stall& stall) {
  std::printf(
      "%-26s %8.3f s, cpu %7.3f s (window %6.3f s); longest gap %5.0f ms at %7.3f s, "
      "slice %5.0f ms at %7.3f s, %d slices over %.0f ms (%.3f s); load %s; began %.3f\n",
      what.c_str(), stall.seconds, stall.cpu, stall.window_cpu, stall.longest * 1e3,
      stall.longest_at, stall.slice * 1e3, stall.slice_at, stall.over, kAnswerSeconds * 1e3,
      stall.long_slices, LoadAverage().c_str(), stall.began);
  std::fflush(stdout);
}

void PrintClosingNote(const std::vector<Worst>& works, int rounds) {
  std::printf(
      "\nclosing note (%d rounds, load %s): best / median time, best cpu, worst gap and "
      "slice\n",
      rounds, LoadAverage().c_str());
  bool answering = true;
  for (const Worst& work : works) {
    std::printf("  %-24s %8.3f / %8.3f s, cpu %8.3f s, gap %5.0f ms, slice %5.0f ms%s\n",
                work.name.c_str(), Best(work.seconds), Median(work.seconds), Best(work.cpu),
                work.longest * 1e3, work.slice * 1e3,
                work.slice > kAnswerSeconds ? "  (over)" : "");
    answering = answering && work.slice <= kAnswerSeconds;
  }
  std::printf("the window's thread %s every work in slices of %.0f ms or less\n",
              answering ? "answered through" : "did NOT answer through", kAnswerSeconds * 1e3);
}

}  // namespace

namespace {

// The pages of one shown window, each work driven through its page as the user drives it.
class Works {
 public:
  Works(AppContext& app, MainWindow& window, std::string folder)
      : app_(app), window_(window), folder_(std::move(folder)) {
    analysis_ = window.PageOf<AnalysisPage>();
    jet_ = analysis_->Jet();
    QObject::connect(jet_, &JetTab::RunEnded, [this] { ended_ = true; });
    QObject::connect(jet_, &JetTab::LinesShown, [this] { lines_shown_ = true; });
  }

  Stall Read() {
    window_.PressButton(PageId::kImport);
    QApplication::processEvents();
    auto* import = window_.PageOf<ImportPage>();
    // A second round reads the same folder: the question "read again?" is answered yes.
    return probe_.Measure([&] { import->ReadFolder(QString::fromStdString(folder_)); },
                          [import] { return !import->Reading(); });
  }

  Stall Checks() {
    window_.PressButton(PageId::kChecks);
    QApplication::processEvents();
    auto* checks = window_.PageOf<ChecksPage>();
    return probe_.Measure([checks] { checks->Start(); }, [checks] { return !checks->Running(); });
  }

  Stall Pack() {
    window_.PressButton(PageId::kAnalysis);
    analysis_->Tabs()->setCurrentWidget(jet_);
    QApplication::processEvents();
    ended_ = false;
    return probe_.Measure([this] { jet_->Run(); },
                          [this] { return ended_ && !jet_->Running() && !jet_->HitsLoading(); });
  }

  // The test with the most hits chosen in the tests list, until its hits are shown.
  Stall Hits() {
    const JetResult& result = *jet_->Result();
    std::size_t busiest = 0;
    for (std::size_t i = 0; i < result.tests.size(); ++i) {
      if (result.tests[i].hits > result.tests[busiest].hits) busiest = i;
    }
    Grid* tests = jet_->TestsGrid();
    int row = 0;
    while (row < tests->model()->rowCount() && tests->Model().ShownText(row, 5).toStdString() !=
                                                   JetTestId(result.tests[busiest].test)) {
      ++row;
    }
    most_hits_ = result.tests[busiest].hits;
    lines_shown_ = false;
    return probe_.Measure(
        [&] {
          tests->selectionModel()->setCurrentIndex(
              tests->model()->index(row, 1),
              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        },
        [this] { return lines_shown_ && !jet_->HitsLoading() && !jet_->HitsGrid()->Measuring(); });
  }

  Stall FieldStatistics() {
    window_.PressButton(PageId::kAnalysis);
    FieldStatisticsTab* fields = analysis_->Fields();
    analysis_->Tabs()->setCurrentWidget(fields);
    QApplication::processEvents();
    StatisticsRun* run = analysis_->Statistics();
    return probe_.Measure(
        [run] { run->Run(); },
        [run, fields] { return !run->Running() && !fields->FieldsGrid()->Measuring(); });
  }

  Stall Index() {
    window_.PressButton(PageId::kImport);
    QApplication::processEvents();
    auto* index = window_.PageOf<AccountsIndexPage>();
    return probe_.Measure([this] { window_.PressButton(PageId::kAccountsIndex); },
                          [index] { return !index->Working() && !index->List()->Measuring(); });
  }

  Stall LargestCard() {
    window_.PressButton(PageId::kLedger);
    auto* ledger = window_.PageOf<LedgerPage>();
    const std::int64_t busiest = BusiestAccount();
    // Another card first, so that the largest is loaded anew.
    ledger->ShowCard(busiest == 1 ? 2 : 1);
    while (ledger->Working()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, kPingMs);
    return probe_.Measure([&] { ledger->ShowCard(busiest); },
                          [ledger] { return !ledger->Working() && !ledger->List()->Measuring(); });
  }

  std::int64_t MostHits() const { return most_hits_; }
  std::int64_t LargestCardRows() const { return largest_card_; }

 private:
  std::int64_t BusiestAccount() {
    const RecordStore& store = app_.store;
    std::int64_t busiest = 1;
    largest_card_ = 0;
    for (std::int64_t a = 1; a <= store.AccountIndex.Count(); ++a) {
      const std::int64_t n =
          PrefixRange(store.MovementIndex, store.AccountIndex[a].Part(kKeyAccount)).size();
      if (n > largest_card_) {
        largest_card_ = n;
        busiest = a;
      }
    }
    return busiest;
  }

  AppContext& app_;
  MainWindow& window_;
  std::string folder_;
  AnalysisPage* analysis_ = nullptr;
  JetTab* jet_ = nullptr;
  Probe probe_;
  bool ended_ = false;
  bool lines_shown_ = false;
  std::int64_t most_hits_ = 0;
  std::int64_t largest_card_ = 0;
};

int RunRounds(Works& works, int rounds) {
  std::vector<Worst> worst(7);
  const char* names[] = {"reading",         "the checks",       "the pack",
                         "its hits list",   "field statistics", "the accounts index",
                         "the largest card"};
  for (std::size_t i = 0; i < worst.size(); ++i) worst[i].name = names[i];
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d, load %s\n", round, LoadAverage().c_str());
    const std::function<Stall()> steps[] = {[&] { return works.Read(); },
                                            [&] { return works.Checks(); },
                                            [&] { return works.Pack(); },
                                            [&] { return works.Hits(); },
                                            [&] { return works.FieldStatistics(); },
                                            [&] { return works.Index(); },
                                            [&] { return works.LargestCard(); }};
    for (std::size_t i = 0; i < worst.size(); ++i) {
      const Stall stall = steps[i]();
      worst[i].Add(stall);
      std::string what = worst[i].name;
      if (i == 3) what += " (" + std::to_string(works.MostHits()) + ")";
      if (i == 6) what += " (" + std::to_string(works.LargestCardRows()) + ")";
      Print(what, stall);
    }
  }
  PrintClosingNote(worst, rounds);
  return 0;
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
    std::fputs("usage: tallyscan-window-bench [--rounds N] DIR\n", stderr);
    return 2;
  }
  MemorySettings settings;
  RecordStore store;
  AppContext app(settings, store);
  // Every question is answered yes (reading the same folder again); other messages go to
  // the error stream.
  app.message_hook = [](const AppMessageCall& call) {
    if (call.kind == 1) std::fprintf(stderr, "message: %s\n", call.text.toStdString().c_str());
    return kMessageOk;
  };
  MainWindow window(app, {.stored = true, .width = 1366, .height = 768});
  window.show();
  QApplication::processEvents();
  std::printf("pings every %d ms, load %s\n", kPingMs, LoadAverage().c_str());
  Works works(app, window, folder);
  return RunRounds(works, rounds);
}
