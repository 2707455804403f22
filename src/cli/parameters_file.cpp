#include "cli/parameters_file.h"

#include <iostream>

namespace tallyscan::cli {

std::optional<JetParameters> ParametersForCommand(const std::optional<std::string>& path) {
  JetParameters parameters;
  if (!path) return parameters;
  if (Status s = ReadJetParametersFile(*path, parameters, parameters); !s.ok()) {
    std::cerr << s.message() << "\n";
    return std::nullopt;
  }
  return parameters;
}

}  // namespace tallyscan::cli
