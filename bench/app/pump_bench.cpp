// Measures what the application's progress-and-stop callback costs a long operation. Over a
// shown main window, it imports a data folder (and then runs every check over it) in rounds,
// alternately with a monitor that does nothing and with the monitor the pages build: the page's
// own progress bar is updated and window events are pumped. Prints the best and median times
// of each, their ratio, and the longest stretch during which no event was handled (how long a
// press of Stop may wait).
//
//   QT_QPA_PLATFORM=offscreen tallyscan-pump-bench [--rounds N] [--no-checks] DIR
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/pump.h"
#include "engine/checks/checks.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

double CpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Watches the event loop while an operation runs: a zero-interval timer fires on every pass
// through the queue, so the longest gap between its firings is the longest time a click
// would have waited.
class EventGapProbe {
 public:
  EventGapProbe() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      Close();
      ++passes_;
    });
  }
  void Start() {
    longest_ = 0;
    longest_at_ = 0;
    passes_ = 0;
    start_ = last_ = SteadyClock::now();
    timer_.start();
  }
  // Closes the last gap: the end of the operation counts as the next chance to react.
  void Stop() {
    Close();
    timer_.stop();
  }
  double longest() const { return longest_; }
  // Where the longest gap began, in seconds from the start.
  double longest_at() const { return longest_at_; }
  long passes() const { return passes_; }

 private:
  void Close() {
    const SteadyClock::time_point now = SteadyClock::now();
    const double gap = std::chrono::duration<double>(now - last_).count();
    if (gap > longest_) {
      longest_ = gap;
      longest_at_ = std::chrono::duration<double>(last_ - start_).count();
    }
    last_ = now;
  }

  QTimer timer_;
  SteadyClock::time_point start_, last_;
  double longest_ = 0;
  double longest_at_ = 0;
  long passes_ = 0;
};

struct Sample {
  double seconds = 0;
  double cpu = 0;
  double longest_gap = 0;
  double longest_gap_at = 0;
  long passes = 0;
  long shows = 0;
};

struct Series {
  std::vector<Sample> samples;

  double Best() const {
    double best = 1e300;
    for (const Sample& s : samples) best = std::min(best, s.seconds);
    return best;
  }
  double BestCpu() const {
    double best = 1e300;
    for (const Sample& s : samples) best = std::min(best, s.cpu);
    return best;
  }
  double Median() const {
    std::vector<double> v;
    for (const Sample& s : samples) v.push_back(s.seconds);
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  double LongestGap() const {
    double longest = 0;
    for (const Sample& s : samples) longest = std::max(longest, s.longest_gap);
    return longest;
  }
  long Passes() const { return samples.empty() ? 0 : samples.back().passes; }
  long Shows() const { return samples.empty() ? 0 : samples.back().shows; }
};

// Times one operation under `monitor`, watching the event loop while it runs.
template <typename Operation>
Sample Measure(EventGapProbe& probe, Operation&& operation) {
  probe.Start();
  const SteadyClock::time_point start = SteadyClock::now();
  const double cpu_start = CpuSeconds();
  operation();
  Sample sample;
  sample.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  sample.cpu = CpuSeconds() - cpu_start;
  probe.Stop();
  sample.longest_gap = probe.longest();
  sample.longest_gap_at = probe.longest_at();
  sample.passes = probe.passes();
  return sample;
}

void PrintSample(int round, const char* what, bool pumped, const Sample& sample) {
  std::fprintf(stderr, "round %d %s %-6s %.3f s (cpu %.3f s)", round + 1, what,
               pumped ? "pumped" : "silent", sample.seconds, sample.cpu);
  if (pumped) {
    std::fprintf(stderr, "  %ld passes, %ld shown, longest gap %.0f ms from %.3f s", sample.passes,
                 sample.shows, sample.longest_gap * 1000, sample.longest_gap_at);
  }
  std::fputc('\n', stderr);
}

void Report(const char* what, const Series& silent, const Series& pumped) {
  std::printf("%s (%zu rounds)\n", what, silent.samples.size());
  std::printf("  silent   best %.3f s  median %.3f s  best cpu %.3f s\n", silent.Best(),
              silent.Median(), silent.BestCpu());
  std::printf(
      "  pumped   best %.3f s  median %.3f s  best cpu %.3f s  longest without events %.0f ms"
      "\n           passes through the queue %ld, percentages shown %ld\n",
      pumped.Best(), pumped.Median(), pumped.BestCpu(), pumped.LongestGap() * 1000, pumped.Passes(),
      pumped.Shows());
  std::printf("  pumped / silent   best %.3f  median %.3f  cpu %.3f\n",
              pumped.Best() / silent.Best(), pumped.Median() / silent.Median(),
              pumped.BestCpu() / silent.BestCpu());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int rounds = 5;
  bool with_checks = true;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--no-checks") {
      with_checks = false;
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: tallyscan-pump-bench [--rounds N] [--no-checks] DIR\n", stderr);
    return 2;
  }

  // The window the user would see, on its import page in the reading state.
  MemorySettings settings;
  RecordStore window_store;
  AppContext app(settings, window_store);
  MainWindow window(app, {.stored = true, .width = 710, .height = 560});
  window.show();
  QWidget* page = window.PageAt(PageId::kImport);
  auto* progress_bar = page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
  auto* stop_button = page->findChild<QPushButton*>(QStringLiteral("stopButton"));
  if (!progress_bar || !stop_button) {
    std::fputs("the import page has no progress bar or stop button\n", stderr);
    return 1;
  }
  progress_bar->setVisible(true);
  stop_button->setVisible(true);
  bool stop = false;
  QObject::connect(stop_button, &QPushButton::clicked, [&] { stop = true; });
  QApplication::processEvents();

  // The same shape as the import page's monitor: each callback first makes sure the reading
  // state has begun, then shows the percentage or answers the stop flag.
  bool begun = false;
  long shows = 0;  // percentages handed to the bar by the last pumped operation
  const auto make_page_monitor = [&] {
    begun = false;
    shows = 0;
    auto begin = [&] {
      if (begun) return;
      begun = true;
      progress_bar->setValue(0);
    };
    return PumpProgress(
        [&, begin](int percent) {
          begin();
          ++shows;
          progress_bar->setValue(percent);
        },
        [&, begin] {
          begin();
          return stop;
        });
  };

  EventGapProbe probe;
  Series import_silent, import_pumped, checks_silent, checks_pumped;
  const SystemClock clock;
  const CheckTicks ticks;
  std::int64_t lines = 0;
  std::size_t check_rows = 0;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first so neither always runs on a warmer (or busier) machine.
    const bool pumped_first = round % 2 == 1;
    std::unique_ptr<RecordStore> kept;  // the last import's store, for the checks
    for (int turn = 0; turn < 2; ++turn) {
      const bool pumped = (turn == 0) == pumped_first;
      auto store = std::make_unique<RecordStore>();
      ImportResult result;
      SilentProgress silent;
      Sample sample;
      if (pumped) {
        PumpProgress monitor = make_page_monitor();
        sample = Measure(probe, [&] { result = ImportFolder(*store, folder, monitor); });
        sample.shows = shows;
      } else {
        sample = Measure(probe, [&] { result = ImportFolder(*store, folder, silent); });
      }
      if (!result.status.ok()) {
        std::fprintf(stderr, "import failed: %s\n", result.status.message().c_str());
        return 1;
      }
      if (result.interrupted) {
        std::fputs("the import was interrupted\n", stderr);
        return 1;
      }
      lines = result.lines_read;
      (pumped ? import_pumped : import_silent).samples.push_back(sample);
      PrintSample(round, "import", pumped, sample);
      if (turn == 1) kept = std::move(store);
    }
    if (!with_checks) continue;
    for (int turn = 0; turn < 2; ++turn) {
      const bool pumped = (turn == 0) == pumped_first;
      CheckResultRows rows;
      SilentProgress silent;
      Sample sample;
      if (pumped) {
        PumpProgress monitor = make_page_monitor();
        sample = Measure(probe, [&] { RunChecks(*kept, ticks, clock, monitor, rows); });
        sample.shows = shows;
      } else {
        sample = Measure(probe, [&] { RunChecks(*kept, ticks, clock, silent, rows); });
      }
      check_rows = rows.size();
      (pumped ? checks_pumped : checks_silent).samples.push_back(sample);
      PrintSample(round, "checks", pumped, sample);
    }
  }

  std::printf("lines read %lld, pump interval %d ms\n", static_cast<long long>(lines),
              PumpProgress::kPumpIntervalMs);
  Report("import", import_silent, import_pumped);
  if (with_checks) {
    std::printf("check rows %zu\n", check_rows);
    Report("checks", checks_silent, checks_pumped);
  }
  return 0;
}
