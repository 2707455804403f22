// What the accounts index page costs the window's thread on a large chart: opening it after an
// import (rows shown, columns sized) and each keystroke of a filter typed letter by letter. Over
// a shown main window, a timer pings the event loop every few milliseconds; each step is timed
// by the window thread's own processor time (what it spent working, whatever ran beside it), by
// the time until its result is shown, and by the longest gap between pings.
//
//   QT_QPA_PLATFORM=offscreen tallyscan-index-bench [--rounds N] [--word W] DIR
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPingMs = 5;

double ThreadSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Step {
  double work = 0;     // the window thread's processor time
  double seconds = 0;  // from the start until done
  double longest = 0;  // the longest gap between pings
};

Step Measure(const std::function<void()>& operation, const std::function<bool()>& done) {
  Step step;
  QTimer ping;
  ping.setInterval(kPingMs);
  SteadyClock::time_point last = SteadyClock::now();
  const auto close = [&] {
    const SteadyClock::time_point now = SteadyClock::now();
    step.longest = std::max(step.longest, std::chrono::duration<double>(now - last).count());
    last = now;
  };
  // The loop sleeps between events, so that the thread's time is the page's work alone.
  QEventLoop loop;
  QObject::connect(&ping, &QTimer::timeout, [&] {
    close();
    if (done()) loop.quit();
  });
  const double work_start = ThreadSeconds();
  const SteadyClock::time_point start = SteadyClock::now();
  last = start;
  ping.start();
  operation();
  if (!done()) loop.exec();
  close();
  ping.stop();
  step.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  step.work = ThreadSeconds() - work_start;
  return step;
}

void Print(const std::string& what, const Step& step) {
  std::printf(
      "%-26s window thread %7.1f ms, shown after %7.1f ms, longest without an answer "
      "%6.1f ms\n",
      what.c_str(), step.work * 1e3, step.seconds * 1e3, step.longest * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int rounds = 3;
  std::string word = "200012";
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--word" && i + 1 < argc) {
      word = argv[++i];
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: tallyscan-index-bench [--rounds N] [--word W] DIR\n", stderr);
    return 2;
  }

  MemorySettings settings;
  RecordStore store;
  SilentProgress silent;
  AppContext app(settings, store);
  MainWindow window(app, {.stored = true, .width = 1366, .height = 768});
  window.show();
  QApplication::processEvents();
  auto* index = window.PageOf<AccountsIndexPage>();
  std::printf("pings every %d ms\n", kPingMs);

  const auto idle = [&] { return !index->Working() && !index->List()->Measuring(); };
  double worst_open = 0;
  double worst_key = 0;
  double worst_stall = 0;
  for (int round = 0; round < rounds; ++round) {
    // A fresh import each round: the page sees new rows, as after an import.
    window.PressButton(PageId::kImport);
    QApplication::processEvents();
    store.Clear();
    const ImportResult imported = ImportFolder(store, folder, silent);
    if (!imported.status.ok()) {
      std::fprintf(stderr, "import failed: %s\n", imported.status.message().c_str());
      return 1;
    }
    if (round == 0) {
      std::printf("%lld accounts\n", static_cast<long long>(store.AccountListIndex.Count()));
    }
    const Step open = Measure([&] { window.PressButton(PageId::kAccountsIndex); }, idle);
    Print("open the index", open);
    worst_open = std::max(worst_open, open.work);
    worst_stall = std::max(worst_stall, open.longest);
    for (std::size_t typed = 1; typed <= word.size(); ++typed) {
      const QString text = QString::fromStdString(word.substr(0, typed));
      const Step key = Measure([&] { index->Filter()->Field()->setText(text); }, idle);
      Print("  \"" + word.substr(0, typed) + "\" (" + std::to_string(index->Filter()->ShownRows()) +
                " rows)",
            key);
      worst_key = std::max(worst_key, key.work);
      worst_stall = std::max(worst_stall, key.longest);
    }
    Measure([&] { index->Filter()->Field()->clear(); }, idle);
  }
  std::printf(
      "worst: open %.1f ms, a keystroke %.1f ms of the window's thread (targets 100 ms each); "
      "longest without an answer %.1f ms\n",
      worst_open * 1e3, worst_key * 1e3, worst_stall * 1e3);
  return 0;
}
