#include "engine/analytics/parted_pass.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

namespace {

// A part smaller than this is not worth a thread of its own.
constexpr std::int64_t kMinPartBytes = std::int64_t{8} << 20;
// Each part keeps figures of its own until the join: more parts than this gain nothing on
// any machine the program runs on and only take room.
constexpr std::int64_t kMostParts = 64;
// How often the caller's thread asks the monitor while the parts are read.
constexpr std::chrono::milliseconds kPollInterval(20);

// The start of the first line that begins at or after `offset`: `offset` itself when the
// byte before it ends a line, else the byte after the next line end (the end of the file
// when none follows, or when the file cannot be read there: the part before then reads on
// to the end, which is still right, only not split).
std::int64_t LineStartFrom(const RecordStore& store, std::int64_t offset, std::int64_t size) {
  if (offset <= 0) return 0;
  if (offset >= size) return size;
  char buffer[16 * 1024];
  for (std::int64_t at = offset - 1; at < size;) {
    const std::size_t n = store.DataFile.ReadInto(at, buffer, sizeof buffer);
    if (n == 0) return size;
    const void* lf = std::memchr(buffer, '\n', n);
    if (lf != nullptr) return at + (static_cast<const char*>(lf) - buffer) + 1;
    at += static_cast<std::int64_t>(n);
  }
  return size;
}

// Where each part begins; the first at 0. A part may be empty (two offsets in one line).
std::vector<std::int64_t> PartStarts(const RecordStore& store, std::int64_t size, int threads,
                                     std::vector<std::int64_t> offsets) {
  if (size <= 0) return {0};
  if (offsets.empty()) {
    const std::int64_t asked =
        threads > 0 ? std::int64_t{threads}
                    : std::int64_t{std::max(1u, std::thread::hardware_concurrency())};
    const std::int64_t parts =
        std::clamp<std::int64_t>(std::min(asked, size / kMinPartBytes), 1, kMostParts);
    for (std::int64_t i = 1; i < parts; ++i) offsets.push_back(size / parts * i);
  }
  std::sort(offsets.begin(), offsets.end());
  std::vector<std::int64_t> starts = {0};
  for (const std::int64_t offset : offsets) {
    starts.push_back(std::max(starts.back(), LineStartFrom(store, offset, size)));
  }
  return starts;
}

}  // namespace

PartedPass::PartedPass(const RecordStore& store, int threads,
                       std::vector<std::int64_t> split_offsets)
    : store_(store), size_(store.DataFile.Size()) {
  const std::vector<std::int64_t> starts =
      PartStarts(store, size_, threads, std::move(split_offsets));
  parts_ = std::vector<Part>(starts.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    parts_[i].begin = starts[i];
    parts_[i].end = i + 1 < starts.size() ? starts[i + 1] : std::max<std::int64_t>(size_, 0);
  }
}

std::int64_t PartedPass::LinesBefore(std::size_t part) const {
  std::int64_t lines = 0;
  for (std::size_t i = 0; i < part; ++i) lines += parts_[i].lines;
  return lines;
}

Status PartedPass::ReadSideBySide(ProgressMonitor& monitor,
                                  const std::function<void(std::size_t)>& read) {
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = parts_.size();
  auto read_part = [&](std::size_t i) {
    Part& part = parts_[i];
    try {
      read(i);
    } catch (...) {
      part.thrown = std::current_exception();
    }
    // A part that failed makes the others' figures useless: they end too.
    if (part.failed || part.thrown) stop_.store(true);
    const std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_one();
  };
  auto all_ended = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    return finished.wait_for(lock, kPollInterval, [&] { return running == 0; });
  };
  std::vector<std::thread> threads;
  threads.reserve(parts_.size());
  try {
    for (std::size_t i = 0; i < parts_.size(); ++i) threads.emplace_back(read_part, i);
  } catch (...) {
    // No further thread to be had: the ones started end at once, and the failure to start
    // one is thrown when they have.
    stop_.store(true);
    {
      std::unique_lock<std::mutex> lock(mutex);
      running -= parts_.size() - threads.size();
      finished.wait(lock, [&] { return running == 0; });
    }
    for (std::thread& thread : threads) thread.join();
    throw;
  }
  WatchParts(monitor, all_ended);
  for (std::thread& thread : threads) thread.join();
  return Outcome();
}

void PartedPass::WatchParts(ProgressMonitor& monitor, const std::function<bool()>& all_ended) {
  ProgressTracker progress(monitor, size_);
  auto bytes_read = [&] {
    std::int64_t read = 0;
    for (const Part& part : parts_) read += part.read.load(std::memory_order_relaxed);
    return read;
  };
  while (!all_ended()) {
    if (!stop_.load(std::memory_order_relaxed) && monitor.StopRequested()) stop_.store(true);
    progress.Advance(bytes_read());
  }
  progress.Advance(bytes_read());
}

Status PartedPass::Outcome() const {
  for (const Part& part : parts_) {
    if (part.thrown) std::rethrow_exception(part.thrown);
  }
  for (const Part& part : parts_) {
    if (part.failed) return DataFileReadFailed(store_);
  }
  for (const Part& part : parts_) {
    if (part.stopped) return Status::Interrupted(std::string());
  }
  return Status::Ok();
}

}  // namespace tallyscan::analytics
