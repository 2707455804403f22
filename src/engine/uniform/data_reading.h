#pragma once

// Private to uniform/.
//
// The reading of BKMVDATA.TXT: every line numbered and checked, and each line of an indexed
// record type given its index entry. The file is split at line boundaries into parts, each
// read, checked and indexed on a thread of its own when there are several, and the parts
// are joined in file order: the entries, the line numbers, the faults and the share of them
// that is listed come out exactly as one reader from the first line to the last gives them.
//
// One part is read on the caller's thread, which asks the monitor once per line. With
// several, the caller's thread only waits, asking the monitor between short waits; the
// threads never call it. A stop keeps what one reader would have kept: the parts before the
// first that was not finished, and that part's lines read so far.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/common/sha256.h"
#include "engine/uniform/line_reader.h"
#include "engine/uniform/record_store.h"

namespace tallyscan {

// The indexed record types, in the order of the import's summary of records read.
inline constexpr std::size_t kIndexedTypeCount = 6;
inline constexpr std::array<RecordType, kIndexedTypeCount> kIndexedTypes = {
    RecordType::kB110, RecordType::kB100, RecordType::kC100,
    RecordType::kD110, RecordType::kD120, RecordType::kM100};

// Whether a field holds the mark of the format version the program reads ("&OF1.31&"),
// letter case ignored: INI.TXT's header and the data file's opening line both carry it.
bool HasFormatMark(std::string_view field);

// The block a LineReader needs for a file of `size` bytes: no larger than the file needs,
// since small sets are read often (by tests and tools).
std::size_t ReadingBlockFor(std::int64_t size);

struct DataReadingSetup {
  int fd = -1;       // the data file at offset 0 (not owned): the first part reads it;
  std::string path;  // every further part opens the file again by its path
  std::int64_t size = 0;
  ReadCall read = nullptr;          // the system call the parts read with; null: ::read
  std::int64_t format_version = 0;  // INI.TXT's, in ten-thousandths
  std::string primary_id;           // A000 field 1004, which the A100 line must repeat
  // Faults given as rows; those beyond are counted only.
  std::int64_t listed_fault_limit = 0;
  std::int64_t expected_lines = 0;  // the header's total, for the percentage
  // Per kIndexedTypes, the room each index is given before the reading.
  std::array<std::int64_t, kIndexedTypeCount> expected_records{};
  // The parts read side by side: one per thread, fewer for a small file; 1 reads the whole
  // file on the caller's thread.
  int threads = 1;
  // When not empty, the offsets at which the file is split, whatever its size (each moved on
  // to the start of the line it falls in, unless it is one): split_offsets.size() + 1 parts.
  std::vector<std::int64_t> split_offsets;
  // When not null, every byte read is handed to it in file order: the file is then read in
  // one part, whatever `threads` and `split_offsets` say.
  Sha256* digest = nullptr;
};

struct DataReading {
  // Per kIndexedTypes, sorted as SortIndex sorts.
  std::array<RecordIndex<IndexEntry>, kIndexedTypeCount> indexes;
  std::vector<std::string> fault_rows;  // the first listed_fault_limit faults, in file order
  std::int64_t fault_count = 0;         // every fault, the listed ones included
  std::int64_t lines = 0;
  std::int64_t closing_total = 0;  // Z900 field 1155 of the last closing line; 0 with none
  // The exact sums of B110 fields 1414, 1415, 1416 and 1422 in agorot.
  std::array<AmountSum, 4> account_totals{};
  bool interrupted = false;  // the monitor asked to stop: the faults are not all there
  int error = 0;             // errno of a read that failed; then nothing else here is to be used
};

// Reads the data file as `setup` says. Throws std::bad_alloc when memory (or a thread) cannot
// be had; the threads are then all ended.
DataReading ReadDataFile(const DataReadingSetup& setup, ProgressMonitor& monitor);

}  // namespace tallyscan
