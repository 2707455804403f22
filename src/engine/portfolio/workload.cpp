#include "engine/portfolio/workload.h"

#include <sys/stat.h>

#include <algorithm>
#include <numeric>

#include "engine/portfolio/zip_examination.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::portfolio {

std::int64_t DataBytesOf(const std::string& folder) {
  if (const auto data = FindFileIgnoringCase(folder, "bkmvdata.txt")) {
    struct stat st {};
    return ::stat(data->c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
  }
  if (const auto zip = FindFileIgnoringCase(folder, "bkmvdata.zip")) {
    return ExamineZip(*zip).uncompressed_bytes;
  }
  return 0;
}

std::int64_t ReservationOf(std::int64_t data_bytes) {
  return static_cast<std::int64_t>(kReservationPerDataByte * static_cast<double>(data_bytes)) +
         kReservationBase;
}

std::vector<std::vector<std::size_t>> PlanShards(const std::vector<std::int64_t>& data_bytes,
                                                 int shards) {
  std::vector<std::vector<std::size_t>> plan(static_cast<std::size_t>(std::max(shards, 1)));
  std::vector<std::int64_t> load(plan.size(), 0);
  std::vector<std::size_t> order(data_bytes.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return data_bytes[a] > data_bytes[b]; });
  for (const std::size_t client : order) {
    const auto lightest =
        static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    plan[lightest].push_back(client);
    load[lightest] += data_bytes[client];
  }
  for (auto& shard : plan) std::sort(shard.begin(), shard.end());
  return plan;
}

std::int64_t ReadByteSize(const std::string& text) {
  if (text.empty()) return -1;
  std::int64_t unit = 1;
  std::size_t digits = text.size();
  switch (text.back()) {
    case 'K':
    case 'k':
      unit = std::int64_t{1} << 10;
      --digits;
      break;
    case 'M':
    case 'm':
      unit = std::int64_t{1} << 20;
      --digits;
      break;
    case 'G':
    case 'g':
      unit = std::int64_t{1} << 30;
      --digits;
      break;
    default:
      break;
  }
  if (digits == 0 || digits > 12) return -1;
  std::int64_t number = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    number = number * 10 + (text[i] - '0');
  }
  return number == 0 ? -1 : number * unit;
}

}  // namespace tallyscan::portfolio
