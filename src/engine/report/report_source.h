#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// What a report about the loaded data set carries besides its lines: the company block of its
// pages and the identity of the data file it was made from.

#include "engine/common/status.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

class RecordStore;

// The business name, its address (the company's second line), the dealer number and the
// fiscal year of the loaded set, and the print date given.
ReportHeader HeaderOfStore(const RecordStore& store, const CivilDate& print_date);

// The data file of the loaded set: its absolute path, size and SHA-256 (the one the import took
// as it read the file, else the whole file is read once for it), and when the set was read. A file
// that cannot be read leaves size -1 and no hash.
ReportSource DescribeSource(const RecordStore& store);

// The SHA-256 of a file's bytes as 64 lower-case hexadecimal digits; empty when it cannot be
// read.
std::string FileSha256(const std::string& path);

// One line describing a source for document properties: the file, its size, its SHA-256 and
// when it was read (UTC), e.g. "BKMVDATA.TXT, 1,234 bytes, SHA-256 ab…, read 2025-01-15
// 10:30:00 UTC".
std::string SourceDescription(const ReportSource& source);
// "YYYY-MM-DDTHH:MM:SSZ" of a moment, for the machine-read properties.
std::string IsoTime(std::int64_t seconds);

}  // namespace tallyscan
