#include <iostream>

#include "cli/commands.h"

namespace tallyscan::cli {

int RunDetail(std::span<char* const> args) {
  if (args.size() != 2) {
    std::cerr << "usage: tallyscan-cli detail FILE LINE_NUMBER\n";
    return 2;
  }
  std::cerr << "detail: not built yet\n";
  return 1;
}

}  // namespace tallyscan::cli
