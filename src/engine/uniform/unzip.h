#pragma once

// Private to uniform/.
//
// Takes BKMVDATA.TXT out of BKMVDATA.ZIP.

#include <string>

namespace tallyscan {

struct [[nodiscard]] ExtractResult {
  int count = 0;              // entries written; 0 is a failure
  bool cannot_write = false;  // the target's folder refused the file
};

// Writes every entry of the archive, whatever its name, to `target_path`, so with several
// entries the last one read remains; the file's modification time is the entry's date, taken
// as it stands (no time-zone conversion). An entry that cannot be opened, yields no bytes,
// breaks off or fails its checksum is skipped and leaves `target_path` as it was: an entry is
// streamed to a temporary file beside the target in fixed-size chunks and renamed over the
// target only once it is whole. A damaged archive gives a count of 0.
ExtractResult Extract(const std::string& zip_path, const std::string& target_path);

}  // namespace tallyscan
