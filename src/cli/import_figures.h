#pragma once

// The import as the commands that read a folder share it: the reading itself and its
// figures in a JSON summary.

#include <optional>
#include <string>

#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

// "lines": the lines of BKMVDATA.TXT read; "records": the records indexed, by type.
// Reads `folder` into `store`, the progress on `bar` (finished when the reading ends). A
// reading that fails prints its message on standard error and gives nullopt, for the command
// to exit 1; an interrupted reading is given back with what it read, for the command to
// report as it does.
std::optional<ImportResult> ImportForCommand(RecordStore& store, const std::string& folder,
                                             TerminalProgress& bar);

void AddImportFigures(const ImportResult& result, const RecordStore& store, JsonFields& summary);

}  // namespace tallyscan::cli
