// The whole transfer of a data set against its import, both measured in this run.
//   transfer_bench DATA_FOLDER TARGET_FOLDER
// The data folder is generated beforehand (transfer_bench.sh); the target folder must be
// empty and is left holding the product's files.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/common/progress.h"
#include "engine/transfer/transfer.h"
#include "engine/uniform/import.h"

namespace {

// Processor time of this process so far (user and system), in seconds: on a machine shared
// with other work the wall clock says more about the others than about this program.
double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  if (argc != 3) {
    std::fprintf(stderr, "usage: transfer_bench DATA_FOLDER TARGET_FOLDER\n");
    return 2;
  }
  tallyscan::RecordStore store;
  tallyscan::SilentProgress silent;
  const double import_cpu_start = ProcessorSeconds();
  const auto import_start = Clock::now();
  const tallyscan::ImportResult imported = tallyscan::ImportFolder(store, argv[1], silent);
  const double import_seconds = std::chrono::duration<double>(Clock::now() - import_start).count();
  const double import_cpu = ProcessorSeconds() - import_cpu_start;
  if (!imported.status.ok()) {
    std::fprintf(stderr, "%s\n", imported.status.message().c_str());
    return 1;
  }
  tallyscan::TransferOptions options;
  options.target_folder = argv[2];
  const double transfer_cpu_start = ProcessorSeconds();
  const auto transfer_start = Clock::now();
  // The time of each step, from its status line to the next one.
  std::vector<std::pair<std::string, double>> steps;
  auto step_start = Clock::now();
  const tallyscan::TransferResult result =
      tallyscan::RunTransfer(store, options, silent, [&](std::string_view step) {
        const auto now = Clock::now();
        if (!steps.empty())
          steps.back().second = std::chrono::duration<double>(now - step_start).count();
        steps.emplace_back(std::string(step), 0.0);
        step_start = now;
      });
  if (!steps.empty()) {
    steps.back().second = std::chrono::duration<double>(Clock::now() - step_start).count();
  }
  const double transfer_seconds =
      std::chrono::duration<double>(Clock::now() - transfer_start).count();
  const double transfer_cpu = ProcessorSeconds() - transfer_cpu_start;
  if (!result.status.ok()) {
    std::fprintf(stderr, "%s\n", result.status.message().c_str());
    return 1;
  }
  long long records = 0;
  for (const tallyscan::TransferredFile& f : result.files) records += f.records;
  std::printf("import:   %8.2f s  %lld lines\n", import_seconds,
              static_cast<long long>(imported.lines_read));
  std::printf("transfer: %8.2f s  %lld records written, %zu refusals\n", transfer_seconds, records,
              result.refusals.size());
  for (const auto& [name, seconds] : steps) {
    if (seconds >= 0.05) std::printf("  %8.2f s  %s\n", seconds, name.c_str());
  }
  std::printf(
      "ratio:    %8.2f wall clock, %.2f processor time (%.2f s / %.2f s; the target is "
      "10 or less)\n",
      transfer_seconds / import_seconds, transfer_cpu / import_cpu, transfer_cpu, import_cpu);
  return 0;
}
