// tallyscan-cli: the engine without a window. One sub-command per file; this file only
// dispatches.
#include <cstring>
#include <iostream>
#include <span>
#include <string_view>

#include "cli/commands.h"

namespace {

struct Command {
  std::string_view name;
  std::string_view usage;
  int (*run)(std::span<char* const> args);
};

constexpr Command kCommands[] = {
    {"detail", "detail FILE LINE_NUMBER", tallyscan::cli::RunDetail},
    {"import", "import [--raw] [--stats] DIR", tallyscan::cli::RunImport},
    {"check", "check [--raw] [--items LIST] DIR", tallyscan::cli::RunCheck},
    {"isam", "isam dump FILE", tallyscan::cli::RunIsam},
    {"report", "report checks|import --format xls|htm|xlsx|pdf --out FILE [--items LIST] DIR",
     tallyscan::cli::RunReport},
    {"companies", "companies [--root DIR]", tallyscan::cli::RunCompanies},
};

int Usage() {
  std::cerr << "usage: tallyscan-cli COMMAND ...\n";
  for (const Command& c : kCommands) std::cerr << "  tallyscan-cli " << c.usage << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  for (const Command& c : kCommands) {
    if (c.name == name) return c.run(std::span<char* const>(argv + 2, argv + argc));
  }
  return Usage();
}
