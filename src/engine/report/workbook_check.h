#pragma once

// Private to report/: the workbook writer's reading back of what it wrote.
//
// The workbook library writes each sheet into a temporary file first and does not notice when
// a write to it fails (a full disk), so a workbook can close without error and still lack a
// part or hold a sheet cut short. Reading the archive back finds that: every part the writer
// makes must be there and not empty, every entry must read through with its CRC, each XML
// part must end with a closing tag, and each sheet must end with its closing element and hold
// exactly the rows that were written to it.

#include <cstdint>
#include <string>
#include <vector>

namespace tallyscan {

struct WorkbookParts {
  std::vector<std::int64_t> sheet_rows;  // per sheet, the rows that hold at least one cell
  bool custom_properties = false;        // docProps/custom.xml is expected
  int charts = 0;                        // xl/charts/chartN.xml
  int drawings = 0;                      // xl/drawings/drawingN.xml: the sheets with charts
};

// What is wrong with the workbook at `path` (English, for the failure message); empty when it
// holds what `parts` says.
std::string WorkbookFault(const std::string& path, const WorkbookParts& parts);

}  // namespace tallyscan
