#pragma once

#include <span>

namespace tallyscan::cli {

// Each sub-command gets the arguments after its name and returns the process exit code.
int RunDetail(std::span<char* const> args);
int RunImport(std::span<char* const> args);
int RunCheck(std::span<char* const> args);
int RunIsam(std::span<char* const> args);
int RunReport(std::span<char* const> args);
int RunCompanies(std::span<char* const> args);

}  // namespace tallyscan::cli
