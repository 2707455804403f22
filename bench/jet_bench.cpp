// The journal-entry tests on an imported data folder: their own time (after the import),
// the heap they take beyond the store, and how soon a stop is seen.
//   jet_bench [--rounds N] DIR
// Prints "key value" lines for bench/jet_bench.sh, which sets them against `wc -l`.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace {

// Every allocation of the program is counted, so that the run's peak is exact.
std::atomic<std::int64_t> heap_now{0};
std::atomic<std::int64_t> heap_peak{0};

void Count(void* p) {
  const auto size = static_cast<std::int64_t>(::malloc_usable_size(p));
  const std::int64_t now = heap_now.fetch_add(size) + size;
  std::int64_t peak = heap_peak.load();
  while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
  }
}

using Clock = std::chrono::steady_clock;

double ClockSeconds(clockid_t clock) {
  timespec t{};
  ::clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
// The processor time of the calling thread, and of every thread of the program: what the
// run cost however busy the machine is.
double ThreadSeconds() { return ClockSeconds(CLOCK_THREAD_CPUTIME_ID); }
double ProcessSeconds() { return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID); }

// The machine's load over the last minute, which the figures of a round are read against.
double LoadAverage() {
  double load = 0;
  if (FILE* file = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(file, "%lf", &load) != 1) load = 0;
    std::fclose(file);
  }
  return load;
}

// Asks to stop once the pass has read `percent` of the file, or (101) 40 ms after it has read
// the whole file, in the tests that follow the reading; the later ask comes from another
// thread, as a click would, and notes when.
class StopAt final : public tallyscan::ProgressMonitor {
 public:
  explicit StopAt(int percent) : percent_(percent) {}
  ~StopAt() override { Finish(); }
  void OnProgress(int percent) override {
    if (percent_ <= 100 && percent >= percent_ && !asked_) Ask();
    if (percent_ > 100 && percent == 100 && !timer_.joinable()) {
      timer_ = std::thread([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        Ask();
      });
    }
  }
  bool StopRequested() override { return asked_.load(std::memory_order_acquire); }
  // Waits for the timer, if any, before asked_at is read.
  void Finish() {
    if (timer_.joinable()) timer_.join();
  }
  Clock::time_point asked_at;

 private:
  void Ask() {
    asked_at = Clock::now();
    asked_.store(true, std::memory_order_release);
  }
  int percent_;
  std::atomic<bool> asked_{false};
  std::thread timer_;
};

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  Count(p);
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  heap_now.fetch_sub(static_cast<std::int64_t>(::malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv) {
  int rounds = 5;
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
    std::fputs("usage: jet_bench [--rounds N] DIR\n", stderr);
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
  const tallyscan::JetParameters parameters;
  const tallyscan::JetSelection all = tallyscan::AllJetTests();

  // Samples the heap when the reading has read the whole file: what the tests keep per line,
  // before the groups and hit lists of the tests after it; and notes when each phase begins.
  class EndOfReading final : public tallyscan::ProgressMonitor {
   public:
    void OnProgress(int percent) override {
      if (percent == 100 && !read) {
        heap = heap_now.load();
        reading_peak = heap_peak.load();
        read = true;
      }
    }
    void OnPhase(std::string_view phase) override {
      (phase == "tests" ? tests_at : ranking_at) = Clock::now();
    }
    bool StopRequested() override { return false; }
    Clock::time_point tests_at, ranking_at;
    bool read = false;
    std::int64_t heap = 0;
    std::int64_t reading_peak = 0;
  } end_of_reading;
  std::int64_t reading_peak = 0;

  std::vector<double> seconds;
  std::vector<double> cpu_seconds;
  std::vector<double> process_cpu_seconds;
  // Of the best round: the reading, the tests after it, the ranking and what follows it.
  std::vector<std::array<double, 3>> phases;
  std::int64_t reading_heap = 0;
  std::int64_t extra_peak = 0;
  std::int64_t hit_bytes = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::int64_t before = heap_now.load();
    heap_peak.store(before);
    const auto start = Clock::now();
    const double cpu_start = ThreadSeconds();
    const double process_start = ProcessSeconds();
    tallyscan::JetRun run = tallyscan::RunJet(store, sources, parameters, all, end_of_reading);
    const auto end = Clock::now();
    process_cpu_seconds.push_back(ProcessSeconds() - process_start);
    auto seconds_between = [](Clock::time_point a, Clock::time_point b) {
      return std::chrono::duration<double>(b - a).count();
    };
    phases.push_back({seconds_between(start, end_of_reading.tests_at),
                      seconds_between(end_of_reading.tests_at, end_of_reading.ranking_at),
                      seconds_between(end_of_reading.ranking_at, end)});
    reading_heap = end_of_reading.heap - before;
    reading_peak = end_of_reading.reading_peak - before;
    end_of_reading.read = false;
    cpu_seconds.push_back(ThreadSeconds() - cpu_start);
    seconds.push_back(std::chrono::duration<double>(end - start).count());
    std::printf("round %d %.4f s wall, %.4f s processor, load %.2f\n", round + 1, seconds.back(),
                process_cpu_seconds.back(), LoadAverage());
    if (!run.status.ok()) {
      std::fprintf(stderr, "%s\n", run.status.message().c_str());
      return 1;
    }
    extra_peak = std::max(extra_peak, heap_peak.load() - before);
    // The hits are held twice at most: as the tests found them and as the result's lines.
    hit_bytes = 0;
    for (const tallyscan::JetTestResult& t : run.result->tests) {
      hit_bytes += 2 * static_cast<std::int64_t>(t.lines.HeapBytes());
    }
  }
  const std::array<double, 3> best_phases = phases[static_cast<std::size_t>(
      std::min_element(seconds.begin(), seconds.end()) - seconds.begin())];
  std::sort(seconds.begin(), seconds.end());
  std::sort(cpu_seconds.begin(), cpu_seconds.end());
  std::sort(process_cpu_seconds.begin(), process_cpu_seconds.end());

  std::printf("movements %lld\n", static_cast<long long>(store.MovementIndex.Count()));
  std::printf("lines %lld\n", static_cast<long long>(imported.lines_read));
  std::printf("bytes %lld\n", static_cast<long long>(imported.bytes_read));
  std::printf("seconds_best %.4f\n", seconds.front());
  std::printf("seconds_median %.4f\n", seconds[seconds.size() / 2]);
  std::printf("cpu_seconds_best %.4f\n", cpu_seconds.front());
  std::printf("process_cpu_seconds_best %.4f\n", process_cpu_seconds.front());
  std::printf("process_cpu_seconds_median %.4f\n",
              process_cpu_seconds[process_cpu_seconds.size() / 2]);
  std::printf("reading_seconds %.4f\n", best_phases[0]);
  std::printf("tests_seconds %.4f\n", best_phases[1]);
  std::printf("ranking_seconds %.4f\n", best_phases[2]);
  std::printf("heap_peak_bytes %lld\n", static_cast<long long>(extra_peak));
  std::printf("hit_list_bytes %lld\n", static_cast<long long>(hit_bytes));
  std::printf("heap_after_reading_bytes %lld\n", static_cast<long long>(reading_heap));
  std::printf("heap_peak_while_reading_bytes %lld\n", static_cast<long long>(reading_peak));
  std::printf("heap_after_reading_per_movement %.1f\n",
              static_cast<double>(reading_heap) /
                  static_cast<double>(std::max<std::int64_t>(1, store.MovementIndex.Count())));
  std::printf("heap_bytes_per_movement %.1f\n",
              static_cast<double>(extra_peak - hit_bytes) /
                  static_cast<double>(std::max<std::int64_t>(1, store.MovementIndex.Count())));

  // How long after a stop is asked the run returns, at points through the reading and after.
  for (const int percent : {10, 50, 90, 101}) {
    StopAt monitor(percent);
    tallyscan::JetRun run = tallyscan::RunJet(store, sources, parameters, all, monitor);
    const Clock::time_point returned = Clock::now();
    monitor.Finish();
    const double late = std::chrono::duration<double>(returned - monitor.asked_at).count();
    std::printf("stop_at_%d_ms %.2f %s\n", percent, late * 1000.0,
                run.status.code() == tallyscan::StatusCode::kInterrupted ? "stopped" : "completed");
  }
  return 0;
}
