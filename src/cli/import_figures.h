#pragma once

// The import as the commands that read a folder share it: the reading itself and its
// figures in a JSON summary.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

// "lines": the lines of BKMVDATA.TXT read; "records": the records indexed, by type.
// Reads `folder` into `store`, the progress on `bar` (finished when the reading ends), with
// `threads` threads reading the data file (0: one per core). A reading that fails prints its
// message on standard error and gives nullopt, for the command to exit 1; an interrupted
// reading is given back with what it read, for the command to report as it does. With
// `digest` the reading also hashes the data file into store.DataSha256 (ImportOptions::digest).
std::optional<ImportResult> ImportForCommand(RecordStore& store, const std::string& folder,
                                             TerminalProgress& bar, int threads = 0,
                                             bool digest = false);

// Reads "--threads N" of every command that reads a folder: N threads read the data file side
// by side (1: one pass on one thread); without it, one per core. kBad: N is missing or not a
// whole number from 1 to 1024 (the usage error says kThreadsMistake).
OptionRead ReadThreadsOption(std::span<char* const> args, std::size_t& i, int& threads);
inline constexpr std::string_view kThreadsMistake = "--threads takes a whole number from 1 to 1024";

// What a command that reads a folder and prints rows takes besides its own options: --threads
// and the output options (ReadOutputOption). kBad: `mistake` is the usage error's text.
OptionRead ReadReadingOption(std::span<char* const> args, std::size_t& i, OutputOptions& output,
                             int& threads, std::string_view& mistake);

// The exit code of a command that read `imported` and printed what it found: with
// --fail-on-findings the faults of the reading are findings too (exit 3 from a completed
// run), so that a data file whose lines could not be read as records never passes as clean.
int WithReadingFindings(int exit_code, const OutputOptions& output, const ImportResult& imported);

void AddImportFigures(const ImportResult& result, const RecordStore& store, JsonFields& summary);

}  // namespace tallyscan::cli
