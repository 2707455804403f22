#pragma once

// An independent reading of a generated data set: it re-reads the files and reports each
// place where the set is not internally consistent, in the terms of the fault that would
// cause it, so that a clean set yields nothing and a faulted set yields its manifest.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "generator/data_set.h"

namespace tallyscan::testing {

struct Finding {
  FaultKind kind;
  std::string file;
  std::int64_t line;  // for a batch: the batch number; for whole-file totals: 0
  std::string what;   // for the failure message
};

struct SetCheck {
  std::vector<Finding> findings;
  bool index_unbalanced = false;     // opening + debit - credit over all accounts is off
  bool index_movements_off = false;  // index debit or credit differs from the movements
  std::int64_t data_lines = 0;
};

// Reads INI.TXT and BKMVDATA.TXT of `folder` (`data` replaces BKMVDATA.TXT when given).
SetCheck CheckSet(const std::filesystem::path& folder, const std::string* data = nullptr);

std::string ReadFile(const std::filesystem::path& path);
std::vector<std::string> SplitLines(const std::string& bytes);  // lines without CR LF

// The nine-digit identification check, weights 1, 2, 1, 2 ... from the left.
bool ValidId(std::string_view digits);

}  // namespace tallyscan::testing
