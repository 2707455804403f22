// Imports a data folder and prints the time, the throughput and the heap the store needs.
//   import_bench [--repeat N] [--threads N] [--digest] DIR
// --digest asks the import for the data file's SHA-256, as the batch and the reports do.
// Prints "key value" lines for the script that compares them with `wc -l`.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/uniform/import.h"

namespace {

std::int64_t HeapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

// Samples the heap at every percent of the reading, where the indexes grow.
class HeapSampler final : public tallyscan::ProgressMonitor {
 public:
  void OnProgress(int) override { peak = std::max(peak, HeapInUse()); }
  bool StopRequested() override { return false; }
  std::int64_t peak = 0;
};

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  tallyscan::ImportOptions options;  // read_threads 0: one per core
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--threads" && i + 1 < argc) {
      options.read_threads = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--digest") {
      options.digest = true;
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: import_bench [--repeat N] [--threads N] [--digest] DIR\n", stderr);
    return 2;
  }

  double best = 1e300;
  std::int64_t heap_peak = 0, heap_kept = 0, records = 0, lines = 0, bytes = 0;
  for (int run = 0; run < repeat; ++run) {
    const std::int64_t before = HeapInUse();
    tallyscan::RecordStore store;
    HeapSampler sampler;
    const auto start = std::chrono::steady_clock::now();
    const tallyscan::ImportResult result = tallyscan::ImportFolder(store, folder, sampler, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.status.ok()) {
      std::fprintf(stderr, "%s\n", result.status.message().c_str());
      return 1;
    }
    best = std::min(best, seconds);
    const std::int64_t after = HeapInUse();
    heap_kept = after - before;
    heap_peak = std::max({heap_peak, sampler.peak - before, heap_kept});
    records = store.DocumentIndex.Count() + store.DocumentLineIndex.Count() +
              store.ReceiptLineIndex.Count() + store.MovementIndex.Count() +
              store.AccountIndex.Count() + store.ItemIndex.Count();
    lines = result.lines_read;
    bytes = result.bytes_read;
  }
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf("lines %lld\n", static_cast<long long>(lines));
  std::printf("bytes %lld\n", static_cast<long long>(bytes));
  std::printf("records %lld\n", static_cast<long long>(records));
  std::printf("seconds %.4f\n", best);
  std::printf("mb_per_second %.1f\n", mb / best);
  std::printf("lines_per_second %.0f\n", static_cast<double>(lines) / best);
  std::printf("heap_peak_bytes %lld\n", static_cast<long long>(heap_peak));
  std::printf("heap_kept_bytes %lld\n", static_cast<long long>(heap_kept));
  std::printf("heap_bytes_per_record %.1f\n",
              records ? static_cast<double>(heap_peak) / static_cast<double>(records) : 0.0);
  std::printf("peak_rss_mb %.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
