// tallyscan-cli companies [--root DIR]: lists the companies store, one saved set per line:
// name, year and folder separated by TABs, in the list's order, each made safe for a cell.
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

// The store the program used to keep beside itself, listed after the per-user one.
std::string StoreBesideProgram() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !program.has_parent_path()) return {};
  return JoinPath(program.parent_path().string(), kCompaniesFolderName);
}

}  // namespace

int RunCompanies(std::span<char* const> args) {
  std::string root;
  bool have_root = false;
  bool usage_error = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--root" && i + 1 < args.size() && !have_root) {
      root = args[++i];
      have_root = !root.empty();
      usage_error = usage_error || !have_root;
    } else {
      usage_error = true;
    }
  }
  if (usage_error) return UsageError("companies", "the only option is --root DIR, once");
  const CompaniesStore store = have_root
                                   ? CompaniesStore(root)
                                   : CompaniesStore(DefaultCompaniesRoot(), {StoreBesideProgram()});
  for (const CompanyRow& row : store.Scan()) {
    std::cout << JoinCells(CompanyCells(row)) << '\n';
  }
  return kExitCompleted;
}

}  // namespace tallyscan::cli
