#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// INI.TXT read again after an import, for what the store does not keep: its A000 line and its
// summary lines (one per record type, with the number of such records the data file holds).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan {

struct IniLines {
  std::string a000;                    // line 1, without its line end
  std::vector<std::string> summaries;  // every further line, in file order
};

// Reads the INI.TXT at `path` line by line as the import reads it (LF ends a line, a CR just
// before it belongs to the line end). A line longer than 64 KB keeps only its first 4096 bytes.
// Fails (kIoError, with the message to show) when the file cannot be opened or read to its
// end; `lines` is then empty.
Status ReadIniLines(const std::string& path, IniLines& lines);

// The record type a summary line names (positions 1-4 as they stand) and the count it states,
// read as the import reads it: the leading digits from position 5 to the end of the line.
std::string_view SummaryRecordType(std::string_view summary);
std::int64_t SummaryStatedCount(std::string_view summary);

}  // namespace tallyscan
