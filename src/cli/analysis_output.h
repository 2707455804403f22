#pragma once

// The output of import, check, jet and fields from a folder already read: the commands print
// through these after their own reading, and the batch's child through the same after its one
// reading of a client's folder, so that a client's JSON files are byte for byte what each
// command prints. Each returns the command's exit code (with --fail-on-findings: 3 for
// findings) and prints on std::cout.

#include <string>
#include <vector>

#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/analytics/analytics.h"
#include "engine/checks/checks.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

// The import log of a reading that succeeded.
int PrintImportLog(const OutputOptions& output, const std::string& folder,
                   const ImportResult& imported, const RecordStore& store);

// The integrity checks' rows; an interrupted reading prints its import log instead.
int PrintCheckRows(const OutputOptions& output, const std::string& folder,
                   const ImportResult& imported, const RecordStore& store, const CheckTicks& ticks,
                   const Clock& clock, TerminalProgress& bar);

// The journal-entry tests' summary rows (in JSON the whole result) of a reading that was not
// interrupted; a stop prints that the tests were stopped (exit 130). `sources`, when given,
// receives the files the tests read with their digests, taken while they were read.
int PrintJetSummary(const OutputOptions& output, const std::string& folder,
                    const ImportResult& imported, const RecordStore& store,
                    const JetParameters& parameters, const JetSelection& selection,
                    TerminalProgress& bar, std::vector<JetSourceFile>* sources = nullptr);

// The field statistics of a reading that was not interrupted, the data file read by
// `threads` threads (0: one per core).
int PrintFieldStatistics(const OutputOptions& output, const std::string& folder,
                         const ImportResult& imported, const RecordStore& store,
                         TerminalProgress& bar, int threads);

}  // namespace tallyscan::cli
