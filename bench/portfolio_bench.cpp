// The portfolio summary of a results folder against reading every file of it once: rounds that
// take turns on a warm file cache.
//   portfolio_bench [--rounds N] RESULTS
// Prints one line per round and "key value" lines for bench/portfolio_bench.sh.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/portfolio/portfolio.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The baseline: every file under RESULTS/clients read to its end.
std::uintmax_t ReadAll(const std::filesystem::path& clients) {
  std::uintmax_t bytes = 0;
  std::vector<char> buffer(1 << 16);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(clients)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      bytes += static_cast<std::uintmax_t>(in.gcount());
    }
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  std::string results;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      results = a;
    }
  }
  if (results.empty()) {
    std::fprintf(stderr, "usage: portfolio_bench [--rounds N] RESULTS\n");
    return 2;
  }
  double best_read = 1e9, best_summary = 1e9;
  std::uintmax_t bytes = 0;
  for (int round = 1; round <= rounds; ++round) {
    auto start = Clock::now();
    bytes = ReadAll(std::filesystem::path(results) / "clients");
    const double read = Since(start);
    start = Clock::now();
    tallyscan::portfolio::SummaryInputs inputs;
    if (!tallyscan::portfolio::ReadSummaryInputs(results, inputs).ok() ||
        !tallyscan::portfolio::WriteSummary(results, inputs).ok()) {
      std::fprintf(stderr, "portfolio_bench: the summary could not be written\n");
      return 1;
    }
    const double summary = Since(start);
    std::printf("round %d: read %.3f s, summary %.3f s\n", round, read, summary);
    best_read = std::min(best_read, read);
    best_summary = std::min(best_summary, summary);
  }
  std::printf("bytes %ju\nread_seconds_best %.4f\nsummary_seconds_best %.4f\n", bytes, best_read,
              best_summary);
  return 0;
}
