#pragma once

// The import: checks that a folder holds INI.TXT and BKMVDATA.TXT (or BKMVDATA.ZIP, which is
// extracted), reads both in one pass, validates every line, refills the record store and
// builds the result rows that the import page lists. This and uniform/uniform.h are what
// uniform/ offers the rest of the program; every other header of uniform/ is private to it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/status.h"
#include "engine/uniform/record_store.h"

namespace tallyscan {

// The import log. Rows are numbered from 1; row 1 is the overall status (success, or that the
// reading was interrupted), the rows after it follow in the order the reading built them.
class ImportResultRows {
 public:
  std::int64_t Count() const { return static_cast<std::int64_t>(rows_.size()) - 1; }
  // Row 1..Count().
  const std::string& Row(std::int64_t number) const {
    return rows_[static_cast<std::size_t>(number)];
  }
  // Rows 1..Count() in order.
  std::span<const std::string> Rows() const {
    return std::span<const std::string>(rows_).subspan(1);
  }

  // For the import: appends a row; sets row 1.
  void Append(std::string row) { rows_.push_back(std::move(row)); }
  void SetStatusRow(std::string row) { rows_[1] = std::move(row); }
  void Clear() { rows_.assign(2, std::string()); }

 private:
  // Element 0 is never shown; element 1 is the status row.
  std::vector<std::string> rows_ = std::vector<std::string>(2);
};

struct ImportOptions {
  // Where BKMVDATA.ZIP is extracted when the data folder cannot be written (a read-only share
  // or medium). Empty: the per-user cache folder (DefaultCacheFolder()).
  std::string cache_folder;
  // Where BKMVDATA.ZIP is extracted instead of the data folder and the cache, so that a
  // reading leaves the data folder as it found it. Empty: the data folder, else the cache.
  std::string extract_folder = {};
  // The system call that reads INI.TXT and BKMVDATA.TXT; null: ::read. Tests put a failing
  // one here.
  ssize_t (*read_call)(int fd, void* buffer, std::size_t count) = nullptr;
  // The faults of the data listed one row each; those beyond are counted exactly and told
  // in one row after the list, so that a file of garbage cannot exhaust the memory.
  std::int64_t listed_error_limit = 100000;
  // The free bytes of a folder's disk, asked before and while extracting BKMVDATA.ZIP; null:
  // the system's figure. Tests put a small one here.
  std::int64_t (*free_space)(const std::string& folder) = nullptr;
  // Reads the folder of store.LoadedFolder again, rather than refusing it (its files changed
  // since they were read, or the user asked for it).
  bool read_again = false;
  // The threads that read BKMVDATA.TXT side by side, each a part of it split at a line
  // boundary; 0: one per core. 1 reads it in one pass on the caller's thread, as does any
  // count for a file too small to be worth splitting. Whatever the count, the rows, the
  // store and the figures are those of one pass from the first line to the last.
  int read_threads = 0;
  // For tests: the byte offsets at which BKMVDATA.TXT is split (each moved on to the start
  // of the next line unless it is one), one part and one thread each, whatever the file's
  // size. Empty: equal shares, as read_threads says.
  std::vector<std::int64_t> split_offsets = {};
  // Hashes BKMVDATA.TXT's bytes as they are read, into store.DataSha256, for those who name
  // the file by its digest (a batch's manifest, the tests' and the reports' source). The
  // bytes are hashed in file order, so the file is then read in one part, on the caller's
  // thread, whatever read_threads says; an import not asked hashes nothing.
  bool digest = false;
};

struct [[nodiscard]] ImportResult {
  // Failed when the import was refused (kRefused: the folder is already loaded) or a file
  // check failed (kNotFound: no folder named, no INI.TXT, no data file; kCorrupt: the zip
  // yields no data file; kIoError: a file cannot be opened or extracted): the message is the
  // warning to show, and neither the store nor the rows were touched. Also failed when
  // memory ran out during the reading (kOutOfMemory), INI.TXT or BKMVDATA.TXT could not be
  // read to its end (kIoError: the message names the file and the system's error) or the
  // data file could not be opened again after it (kIoError): then the store was emptied, the
  // rows are empty and LoadedFolder is empty.
  Status status;
  // The reading began, so the store was emptied (whatever the status says): the views of the
  // previous data set must be emptied too.
  bool store_reset = false;
  bool interrupted = false;  // the monitor asked to stop; the store holds what was read
  ImportResultRows rows;
  // The main window's status-bar parts: TAB + period, TAB + business name.
  std::string status_bar_period;
  std::string status_bar_business;
  // The faults of the data: those under the errors heading (itself an error row, with the
  // exact count or "ללא"), listed or beyond the list's limit, and the count mismatches. 0
  // for an interrupted reading, which lists none.
  std::int64_t findings = 0;
  // Figures of the reading of BKMVDATA.TXT.
  std::int64_t lines_read = 0;
  std::int64_t bytes_read = 0;
  std::string data_file_path;  // the file read (an extracted copy may be in the cache folder)
  // FolderStamp of the folder as it was read (empty when the reading did not begin): a later
  // stamp that differs tells that the set in memory is stale.
  std::string folder_stamp;
  std::string ini_file_path;  // the INI.TXT read
  std::string zip_file_path;  // the BKMVDATA.ZIP extracted for this reading; empty when none was
};

// The captions of the import log's rows that say whose set it is: the row whose first cell
// is one of them holds the value in its second cell. For readers of a log written out (the
// command-line program's JSON keeps each row's cells in order).
struct ImportFactCaptions {
  std::string_view dealer_number;
  std::string_view business_name;
  std::string_view tax_year;
  std::string_view format_version;
};
ImportFactCaptions ImportLogFactCaptions();

// A count of read_threads as a setting or an option names it: a whole number from 1 to 1024
// in digits; 0 (one per core) for anything else.
int ReadThreadsFrom(std::string_view text);

// Reads `folder` into `store`. Sets store.DataFolder to `folder`; refuses the folder of
// store.LoadedFolder, however it is named (SameFolder), unless options.read_again. After a complete
// reading (errors in the data included) LoadedFolder is the folder; after an interrupted one it is
// empty, the indexes hold the records read so far (sorted) and the list indexes are blank, so that
// the same folder can be read again. `monitor` is told the percentage of lines read against the
// header's total and asked whether to stop: once per line when one thread reads, every few
// milliseconds from the caller's thread while several do (they never call it). A stop keeps the
// records of the lines one pass would have read: those before the first part not finished, and
// that part's lines read so far.
ImportResult ImportFolder(RecordStore& store, const std::string& folder, ProgressMonitor& monitor,
                          const ImportOptions& options = {});

}  // namespace tallyscan
