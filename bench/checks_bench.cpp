// Times the integrity checks against the import of the same data set, in one process:
// the import is the baseline (it reads every line once), the checks run with every item
// ticked over the store the import left.
//
//   checks_bench DIR [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/checks/checks.h"
#include "engine/uniform/import.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this process (user + system): on a machine shared with other work it
// is steadier than the elapsed time.
double CpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Prints the time each check took, from one title to the next.
class StepTimer final : public tallyscan::CheckRunListener {
 public:
  void OnTitle(std::string_view title) override {
    Close();
    title_ = title;
    start_ = Clock::now();
  }
  void Close() {
    if (!title_.empty()) std::fprintf(stderr, "  %-40s %.3f s\n", title_.c_str(), Seconds(start_));
    title_.clear();
  }

 private:
  std::string title_;
  Clock::time_point start_;
};

class NoonClock final : public tallyscan::Clock {
 public:
  tallyscan::TimeOfDay Now() const override { return {12, 0, 0}; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: checks_bench DIR [ROUNDS]\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

  double best_import = 1e300;
  double best_checks = 1e300;
  double best_import_cpu = 1e300;
  double best_checks_cpu = 1e300;
  std::size_t row_count = 0;
  std::int64_t lines = 0;
  for (int round = 0; round < rounds; ++round) {
    tallyscan::RecordStore store;
    tallyscan::SilentProgress silent;
    const Clock::time_point import_start = Clock::now();
    const double import_cpu_start = CpuSeconds();
    const tallyscan::ImportResult imported = tallyscan::ImportFolder(store, folder, silent);
    const double import_seconds = Seconds(import_start);
    const double import_cpu = CpuSeconds() - import_cpu_start;
    if (!imported.status.ok()) {
      std::fprintf(stderr, "import failed: %s\n", imported.status.message().c_str());
      return 1;
    }
    lines = imported.lines_read;

    const NoonClock clock;
    tallyscan::CheckResultRows rows;
    StepTimer steps;
    const Clock::time_point checks_start = Clock::now();
    const double checks_cpu_start = CpuSeconds();
    if (!tallyscan::RunChecks(store, tallyscan::CheckTicks(), clock, silent, rows, &steps)) {
      std::fprintf(stderr, "the checks stopped part way\n");
      return 1;
    }
    const double checks_seconds = Seconds(checks_start);
    const double checks_cpu = CpuSeconds() - checks_cpu_start;
    steps.Close();
    row_count = rows.size();

    best_import = std::min(best_import, import_seconds);
    best_checks = std::min(best_checks, checks_seconds);
    best_import_cpu = std::min(best_import_cpu, import_cpu);
    best_checks_cpu = std::min(best_checks_cpu, checks_cpu);
    std::fprintf(stderr, "round %d: import %.3f s (cpu %.3f s), checks %.3f s (cpu %.3f s)\n",
                 round + 1, import_seconds, import_cpu, checks_seconds, checks_cpu);
  }

  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("lines read        %lld\n", static_cast<long long>(lines));
  std::printf("import            %.3f s elapsed, %.3f s cpu\n", best_import, best_import_cpu);
  std::printf("checks            %.3f s elapsed, %.3f s cpu  (%zu rows)\n", best_checks,
              best_checks_cpu, row_count);
  std::printf("checks / import   %.2f elapsed, %.2f cpu\n", best_checks / best_import,
              best_checks_cpu / best_import_cpu);
  std::printf("peak memory       %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
