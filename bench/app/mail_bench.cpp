// What the e-mail dialog's preview costs the window's thread: over a shown main window, a timer
// pings the event loop every few milliseconds while the dialog opens on a report's ".Htm" file
// (its preview filled and shown) and while its preview is scrolled to the end. Each step is
// timed by the window thread's own processor time, by the time until it is done, and by the
// longest gap between pings: how long the window went without answering.
//
//   QT_QPA_PLATFORM=offscreen tallyscan-mail-bench [--rounds N] FILE.Htm
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>

#include "app/app_context.h"
#include "app/dialogs/email_dialog.h"
#include "app/main_window.h"
#include "engine/program/program.h"

namespace {

using namespace tallyscan;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPingMs = 5;
// A step is done once the loop has answered this many pings after its work.
constexpr int kQuietPings = 20;

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

// Runs `operation`, then lets the loop answer kQuietPings pings.
Step Measure(const std::function<void()>& operation) {
  Step step;
  QTimer ping;
  ping.setInterval(kPingMs);
  SteadyClock::time_point last = SteadyClock::now();
  int pings = 0;
  QEventLoop loop;
  QObject::connect(&ping, &QTimer::timeout, [&] {
    const SteadyClock::time_point now = SteadyClock::now();
    step.longest = std::max(step.longest, std::chrono::duration<double>(now - last).count());
    last = now;
    if (++pings >= kQuietPings) loop.quit();
  });
  const double work_start = ThreadSeconds();
  const SteadyClock::time_point start = SteadyClock::now();
  ping.start();
  // The operation runs from the loop, as a click would, so that a ping late behind it counts.
  QTimer::singleShot(0, [&] {
    last = SteadyClock::now();
    operation();
  });
  loop.exec();
  ping.stop();
  step.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count() -
                 kQuietPings * kPingMs / 1e3;
  step.work = ThreadSeconds() - work_start;
  return step;
}

void Print(const char* what, const Step& step) {
  std::printf(
      "%-22s window thread %8.1f ms, done after %8.1f ms, longest without an answer "
      "%8.1f ms\n",
      what, step.work * 1e3, step.seconds * 1e3, step.longest * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int rounds = 3;
  QString report;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      report = QString::fromLocal8Bit(argv[i]);
    }
  }
  if (report.isEmpty() || !QFileInfo(report).isFile()) {
    std::fputs("usage: tallyscan-mail-bench [--rounds N] FILE.Htm\n", stderr);
    return 2;
  }

  MemorySettings settings;
  RecordStore store;
  AppContext app(settings, store);
  MainWindow window(app, {.stored = true, .width = 1366, .height = 768});
  window.show();
  QApplication::processEvents();
  std::printf("pings every %d ms; %s, %lld bytes\n", kPingMs, qPrintable(report),
              static_cast<long long>(QFileInfo(report).size()));

  double worst = 0;
  for (int round = 0; round < rounds; ++round) {
    std::unique_ptr<EmailDialog> dialog;
    const Step open = Measure([&] {
      dialog = std::make_unique<EmailDialog>(app, QStringLiteral("דו\"ח"), report, &window);
      dialog->show();
    });
    Print("open the dialog", open);
    auto* preview = dialog->findChild<QTextBrowser*>(QStringLiteral("preview"));
    const Step scroll = Measure([&] {
      preview->verticalScrollBar()->setValue(preview->verticalScrollBar()->maximum());
      preview->viewport()->repaint();
    });
    Print("scroll to its end", scroll);
    worst = std::max({worst, open.longest, scroll.longest});
    dialog.reset();
  }
  std::printf("longest without an answer: %.1f ms\n", worst * 1e3);
  return 0;
}
