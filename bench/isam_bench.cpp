// Inserts records with three keys into a new index file and reports the time, the rate and
// the file size, against a baseline: writing the same number of bytes as node-sized blocks.
//   isam_bench [--bulk] [RECORDS [INDEX_FILE [CACHE_NODES]]]
// (default 1000000 records, a file in /tmp, the file system's usual node cache; 0 nodes reads
// and writes every node through the system). --bulk opens the file in bulk mode, as the
// transfer does for the files it creates: CACHE_NODES is then the bulk cache, and the time
// includes the closing that writes the file out.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/isam/isam.h"

namespace {

using Clock = std::chrono::steady_clock;

void PutKey(std::uint8_t* at, const std::string& text) {
  std::memset(at, ' ', tallyscan::kIsamKeyLength);
  std::memcpy(at + tallyscan::kIsamKeyLength - text.size(), text.data(), text.size());
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  const bool bulk = argc > 1 && std::string(argv[1]) == "--bulk";
  if (bulk) {
    --argc;
    ++argv;
  }
  const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
  const std::string path = argc > 2 ? argv[2] : "/tmp/tallyscan_isam_bench.ndx";
  tallyscan::PosixIsamOptions options;
  if (argc > 3) {
    (bulk ? options.bulk_cache_nodes : options.cache_nodes) =
        static_cast<std::size_t>(std::atol(argv[3]));
  }
  const std::size_t cache_nodes = bulk ? options.bulk_cache_nodes : options.cache_nodes;
  std::remove(path.c_str());

  tallyscan::PosixIsamFileSystem files(options);
  tallyscan::RecordManager manager(
      files, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
  if (manager.OpenDb(path, 0, 3,
                     bulk ? tallyscan::IsamOpenMode::kBulk : tallyscan::IsamOpenMode::kShared) !=
      tallyscan::IsamStatus::kOk) {
    return 1;
  }

  std::array<std::uint8_t, tallyscan::kIsamKeyBlockSize> block{};
  std::uint32_t scramble = 12345;
  const auto start = Clock::now();
  for (long r = 1; r <= records; ++r) {
    // Key 1 ascends (record numbers), key 2 repeats (5000 accounts), key 3 is scattered.
    scramble = scramble * 1103515245u + 12345u;
    PutKey(block.data(), std::to_string(r));
    PutKey(block.data() + 17, std::to_string(r % 5000));
    PutKey(block.data() + 34, std::to_string(scramble % 100000000u));
    const auto pointer = static_cast<std::uint32_t>(r);
    std::memcpy(block.data() + tallyscan::kIsamKeyBlockPointerAt, &pointer, 4);
    if (manager.DbInsert(0, block) != tallyscan::IsamStatus::kOk) {
      std::fprintf(stderr, "insert %ld failed\n", r);
      return 1;
    }
  }
  if (manager.CloseDb(0) != tallyscan::IsamStatus::kOk) {
    std::fprintf(stderr, "closing failed\n");
    return 1;
  }
  const double elapsed = Seconds(start);

  FILE* f = std::fopen(path.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);

  // Baseline: the same bytes written once, node by node, with the same system calls.
  const std::string baseline_path = path + ".baseline";
  const int fd = ::open(baseline_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::uint8_t> node(tallyscan::kIsamNodeSize, 0x5A);
  const auto baseline_start = Clock::now();
  for (long at = 0; at < size; at += static_cast<long>(node.size())) {
    if (::pwrite(fd, node.data(), node.size(), at) < 0) return 1;
  }
  ::fsync(fd);
  const double baseline = Seconds(baseline_start);
  ::close(fd);
  std::remove(baseline_path.c_str());

  std::printf("records inserted:   %ld (3 keys), %s, node cache of %zu nodes\n", records,
              bulk ? "bulk mode" : "writing through", cache_nodes);
  std::printf("time:               %.2f s\n", elapsed);
  std::printf("inserts per second: %.0f\n", static_cast<double>(records) / elapsed);
  std::printf("index file size:    %ld bytes (%.1f MB, %.1f bytes per record)\n", size,
              static_cast<double>(size) / 1e6,
              static_cast<double>(size) / static_cast<double>(records));
  std::printf("baseline:           %.2f s to write the same bytes node by node (x%.1f)\n", baseline,
              elapsed / baseline);
  return 0;
}
