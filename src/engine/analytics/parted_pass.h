#pragma once

// Private to analytics/.
//
// The reading of the store's data file in parts side by side: the file split at line
// boundaries, each part read on a thread of its own with its lines numbered from 1 within it.
// The caller keeps what each part finds apart and joins the parts in file order, a line's
// number in the file being its number in its part plus LinesBefore(part): the figures then
// come out as one reader from the first line to the last gives them.
//
// One part (one thread asked, or a file too small to be worth splitting) is read by DataPass
// on the caller's thread, which asks the monitor once per line. With several, the caller's
// thread only waits, asking the monitor between short waits and telling it the share of
// bytes read; the threads never call it, and a stop ends each of them before its next block.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>
#include <vector>

#include "engine/analytics/source_pass.h"
#include "engine/common/progress.h"
#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;

namespace analytics {

class PartedPass {
 public:
  // `threads` parts, fewer for a small file; 0: one per core. When `split_offsets` is not
  // empty the file is split there whatever its size (each offset moved on to the start of
  // the line it falls in, unless it is one): split_offsets.size() + 1 parts, some perhaps
  // empty.
  PartedPass(const RecordStore& store, int threads, std::vector<std::int64_t> split_offsets = {});
  PartedPass(const PartedPass&) = delete;
  PartedPass& operator=(const PartedPass&) = delete;

  std::size_t parts() const { return parts_.size(); }

  // Calls visit(part, number, head) for every line of every part, `number` counted within
  // the part and `head` as DataPass gives it; the calls of one part come in file order on
  // one thread, those of different parts at the same time. Returns Ok when every part was
  // read to its end; kIoError when one could not be (the file shrank), kInterrupted when
  // the monitor asked to stop: the other parts are then given up too. What a part's visit
  // throws (memory ran out) is thrown here once every thread has ended.
  template <typename Visit>
  Status Run(ProgressMonitor& monitor, Visit&& visit);

  // After Run: the lines of the parts before `part`.
  std::int64_t LinesBefore(std::size_t part) const;

 private:
  struct Part {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::atomic<std::int64_t> read{0};  // bytes, told now and then for the share
    std::int64_t lines = 0;
    bool failed = false;   // a block could not be read whole
    bool stopped = false;  // given up before its end
    std::exception_ptr thrown;
  };

  template <typename Visit>
  void ReadPart(std::size_t index, Visit& visit);
  Status ReadSideBySide(ProgressMonitor& monitor, const std::function<void(std::size_t)>& read);
  void WatchParts(ProgressMonitor& monitor, const std::function<bool()>& all_ended);
  Status Outcome() const;

  const RecordStore& store_;
  std::int64_t size_;
  std::vector<Part> parts_;
  std::atomic<bool> stop_{false};
};

template <typename Visit>
Status PartedPass::Run(ProgressMonitor& monitor, Visit&& visit) {
  if (parts_.size() == 1) {
    DataPass reading(store_, /*hash=*/false);
    return reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
      visit(std::size_t{0}, number, head);
      return true;
    });
  }
  return ReadSideBySide(monitor, [&](std::size_t index) { ReadPart(index, visit); });
}

template <typename Visit>
void PartedPass::ReadPart(std::size_t index, Visit& visit) {
  Part& part = parts_[index];
  if (part.begin == part.end) return;
  BlockReader reader(store_, part.begin, part.end, /*hash=*/false);
  LineCutter cutter;
  std::int64_t number = 0;
  auto line = [&](std::string_view head, std::int64_t) {
    visit(index, ++number, head);
    return true;
  };
  for (std::int64_t offset = part.begin; offset < part.end;) {
    if (stop_.load(std::memory_order_relaxed)) {
      part.stopped = true;
      return;
    }
    const std::string_view block = reader.Next();
    if (block.empty()) {
      part.failed = true;
      return;
    }
    const std::int64_t block_start = offset;
    offset += static_cast<std::int64_t>(block.size());
    cutter.Take(block, block_start, line);
    part.read.store(offset - part.begin, std::memory_order_relaxed);
  }
  // Only the last part can end without a line end.
  cutter.Finish(line);
  part.lines = number;
}

}  // namespace analytics
}  // namespace tallyscan
