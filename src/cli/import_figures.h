#pragma once

// The figures of an import in a JSON summary, shared by the commands that import.

#include "cli/table_output.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

// "lines": the lines of BKMVDATA.TXT read; "records": the records indexed, by type.
void AddImportFigures(const ImportResult& result, const RecordStore& store, JsonFields& summary);

}  // namespace tallyscan::cli
