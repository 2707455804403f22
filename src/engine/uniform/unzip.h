#pragma once

// Private to uniform/.
//
// Takes BKMVDATA.TXT out of BKMVDATA.ZIP.

#include <cstdint>
#include <string>

namespace tallyscan {

struct [[nodiscard]] ExtractResult {
  int count = 0;              // entries written; 0 is a failure
  bool cannot_write = false;  // the target's folder refused the file
  // The disk of the target lacks room: an entry's declared size and the margin exceed its
  // free space, or the free space fell below the margin while writing. `needed` is the
  // declared size of the entry refused, in bytes.
  bool no_space = false;
  std::int64_t needed = 0;
  bool oversized = false;  // an entry gave more bytes than its header declares
};

// The free bytes of the disk that holds `folder` (for unprivileged users); -1 when unknown.
using FreeSpaceQuery = std::int64_t (*)(const std::string& folder);
std::int64_t FreeSpaceOf(const std::string& folder);

// Room left free on the target's disk whatever the archive declares.
inline constexpr std::int64_t kFreeSpaceMargin = std::int64_t{64} << 20;

// Writes every entry of the archive, whatever its name, to `target_path`, so with several
// entries the last one read remains; the file's modification time is the entry's date, taken
// as it stands (no time-zone conversion). An entry that cannot be opened, yields no bytes,
// breaks off or fails its checksum is skipped and leaves `target_path` as it was: an entry is
// streamed to a temporary file beside the target in fixed-size chunks and renamed over the
// target only once it is whole. A damaged archive gives a count of 0.
//
// A crafted archive cannot fill the disk: an entry whose declared size and kFreeSpaceMargin
// exceed the free space (`free_space`, null: FreeSpaceOf) is refused before a byte is
// written, and writing stops, the partial file removed, when an entry gives more bytes than
// it declares or the free space falls below the margin. Either ends the extraction.
ExtractResult Extract(const std::string& zip_path, const std::string& target_path,
                      FreeSpaceQuery free_space = nullptr);

}  // namespace tallyscan
