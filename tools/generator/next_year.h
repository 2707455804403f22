#pragma once

// The year after a set: the same company, the same chart and the same kind of ledger, opening
// with last year's closing balances, with faults of the year-to-year comparison planted on
// request and listed in MANIFEST.TSV with the account each touches.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan {

struct NextYearFault {
  std::string_view name;  // "opening-mismatch"
  std::string_view description;
};
std::span<const NextYearFault> NextYearFaults();

struct NextYearOptions {
  std::uint64_t seed = 1;                // which accounts the faults touch
  std::vector<std::string_view> faults;  // names of NextYearFaults(), each once
};

// Reads the set in `prior` (TXT, ZIP, DOS-coded, as the import reads it) and writes the next
// year into `folder`, zipped when the prior set was. The accounts carrying a balance
// (classification 7000 and above) open at last year's closing (1414 + 1415 - 1416), those of
// profit and loss at 0, and the equity account of the highest classification takes last
// year's result; the opening batch states those openings. The year's movements are last
// year's, a year later.
Status WriteNextYear(const std::filesystem::path& prior, const std::filesystem::path& folder,
                     const NextYearOptions& options);

}  // namespace tallyscan
