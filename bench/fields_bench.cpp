// The whole field-statistics pass (every counted field, the sides, the documents by type and
// the record counts) on an imported data folder, against `wc -l` of the same data file, in
// rounds that take turns on a warm file cache, with the load average before and after. The
// statistics read the data file with N threads (0, the default: one per core).
//   fields_bench [--rounds N] [--threads N] DIR
// Prints one line per round and "key value" lines for bench/fields_bench.sh.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time of the process: the statistics' threads included.
double ProcessSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  tallyscan::FieldStatisticsOptions options;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--threads" && i + 1 < argc) {
      options.threads = std::max(0, std::atoi(argv[++i]));
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: fields_bench [--rounds N] [--threads N] DIR\n", stderr);
    return 2;
  }
  tallyscan::RecordStore store;
  tallyscan::SilentProgress silent;
  const tallyscan::ImportResult imported = tallyscan::ImportFolder(store, folder, silent);
  if (!imported.status.ok()) {
    std::fprintf(stderr, "%s\n", imported.status.message().c_str());
    return 1;
  }
  const tallyscan::SourceFiles sources = tallyscan::SourceFilesOf(imported);
  const std::string wc = "wc -l '" + imported.data_file_path + "' >/dev/null";

  std::printf("load_before %s\n", LoadAverage().c_str());
  std::vector<double> wc_seconds, pass_seconds, pass_cpu, ratios;
  for (int round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    if (std::system(wc.c_str()) != 0) return 1;
    wc_seconds.push_back(Since(start));
    start = Clock::now();
    const double cpu_start = ProcessSeconds();
    const tallyscan::FieldStatisticsRun run =
        tallyscan::RunFieldStatistics(store, sources, silent, options);
    pass_cpu.push_back(ProcessSeconds() - cpu_start);
    pass_seconds.push_back(Since(start));
    if (!run.status.ok()) {
      std::fprintf(stderr, "%s\n", run.status.message().c_str());
      return 1;
    }
    ratios.push_back(pass_seconds.back() / wc_seconds.back());
    std::printf("round %d: wc -l %.3f s, statistics %.3f s (%.3f s processor), %.2f x\n", round + 1,
                wc_seconds.back(), pass_seconds.back(), pass_cpu.back(), ratios.back());
  }
  std::printf("load_after %s\n", LoadAverage().c_str());
  std::printf("lines %lld\n", static_cast<long long>(imported.lines_read));
  std::printf("bytes %lld\n", static_cast<long long>(imported.bytes_read));
  std::printf("wc_seconds_best %.4f\n", *std::min_element(wc_seconds.begin(), wc_seconds.end()));
  std::printf("wc_seconds_median %.4f\n", Median(wc_seconds));
  std::printf("seconds_best %.4f\n", *std::min_element(pass_seconds.begin(), pass_seconds.end()));
  std::printf("seconds_median %.4f\n", Median(pass_seconds));
  std::printf("cpu_seconds_best %.4f\n", *std::min_element(pass_cpu.begin(), pass_cpu.end()));
  std::printf("ratio_best %.2f\n", *std::min_element(pass_seconds.begin(), pass_seconds.end()) /
                                       *std::min_element(wc_seconds.begin(), wc_seconds.end()));
  std::printf("ratio_median_of_rounds %.2f\n", Median(ratios));
  return 0;
}
