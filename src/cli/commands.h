#pragma once

#include <span>
#include <string_view>

namespace tallyscan::cli {

// Each sub-command gets the arguments after its name and returns the process exit code
// (exit_codes.h). "COMMAND --help" never reaches it: main prints the command's help.
int RunBatch(std::span<char* const> args);
int RunDetail(std::span<char* const> args);
int RunFields(std::span<char* const> args);
int RunImport(std::span<char* const> args);
int RunJet(std::span<char* const> args);
int RunCheck(std::span<char* const> args);
int RunCompare(std::span<char* const> args);
int RunIsam(std::span<char* const> args);
int RunReport(std::span<char* const> args);
int RunSummary(std::span<char* const> args);
int RunCompanies(std::span<char* const> args);
int RunTransfer(std::span<char* const> args);
int RunView(std::span<char* const> args);

// A wrong command line: prints "COMMAND: problem" and the command's usage on stderr and
// returns kExitUsage.
int UsageError(std::string_view command, std::string_view problem);

}  // namespace tallyscan::cli
