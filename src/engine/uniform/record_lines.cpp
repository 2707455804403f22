#include <algorithm>
#include <numeric>
#include <vector>

#include "engine/uniform/record_store.h"

namespace tallyscan {

namespace {

// Lines are read together while the bytes between them are few (a gap costs at most the gap
// read in vain, less than a read of its own), up to kBlockBytes at a time. Lines far apart
// (the movements of one account among a million) are read one by one, so that reading them
// never costs the bytes of the file between them.
constexpr std::int64_t kBlockBytes = 1024 * 1024;

}  // namespace

bool ForEachRecordLine(const RecordStore& store, std::span<const std::int64_t> offsets,
                       RecordType type,
                       const std::function<bool(std::size_t, std::string_view)>& use,
                       std::int64_t gap_bytes) {
  const int width = LayoutOf(type).full_width;
  // A line's bytes and one more, which tells whether a CR at the limit is the line's own end.
  const std::int64_t span = width + 1;
  std::vector<std::size_t> order(offsets.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return offsets[a] < offsets[b]; });

  std::string buffer;
  std::int64_t block_start = 0;
  std::size_t next = 0;
  while (next < order.size()) {
    const std::int64_t first = offsets[order[next]];
    if (first < 0) {
      if (!use(order[next], {})) return false;
      ++next;
      continue;
    }
    // The block runs from the first line to the end of the last line that begins close
    // enough to the one before it.
    std::size_t end = next + 1;
    while (end < order.size() && offsets[order[end]] - offsets[order[end - 1]] <= gap_bytes &&
           offsets[order[end]] - first < kBlockBytes) {
      ++end;
    }
    block_start = first;
    // One buffer serves every block: a fresh megabyte per block would cost its zeroing and
    // its page faults for each.
    const auto wanted = static_cast<std::size_t>(offsets[order[end - 1]] - block_start + span);
    if (buffer.size() < wanted) buffer.resize(wanted);
    const std::string_view block(buffer.data(),
                                 store.DataFile.ReadInto(block_start, buffer.data(), wanted));
    for (; next < end; ++next) {
      const std::size_t i = order[next];
      const std::int64_t at = offsets[i] - block_start;
      const std::string_view rest = at < static_cast<std::int64_t>(block.size())
                                        ? block.substr(static_cast<std::size_t>(at))
                                        : std::string_view();
      if (!use(i, CutLine(rest, width))) return false;
    }
  }
  return true;
}

}  // namespace tallyscan
