#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// Where a line of a data file ends, the one rule every reader of record lines keeps: the
// import's line reader, the store's reads by offset, the checks' reader and the transfer.
// LF ends a line and a CR just before the LF belongs to the line end. Every other byte is
// the line's own, a CR that no LF follows and a NUL included: a record is never cut short
// by what one of its fields holds.

#include <string_view>

namespace tallyscan {

// A line given up to (not including) its LF, without the CR of a CR LF end.
std::string_view WithoutLineEnd(std::string_view line_before_lf);

// The line that begins `bytes` (bytes read at a line's offset, at least `max_length` + 1 of
// them unless the file ends sooner): cut at its line end and at `max_length`. A CR at the
// limit is the line's own end only when the LF follows it.
std::string_view CutLine(std::string_view bytes, int max_length);

}  // namespace tallyscan
