#pragma once

// Private to transfer/: the rest of the program includes transfer/transfer.h.
//
// The calls by which the transfer changes files: every write into a file it makes (its own
// records, the record manager's index files, the copies it stages, the completion mark) and
// every rename that moves a finished file into the target folder. The transfer makes each of
// them through the object its caller hands it, so that a test can end the process at any one
// of them and see what a rerun makes of the folder left behind. The object keeps no state of
// the transfer's; one object serves one transfer at a time.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace tallyscan {

class IsamStorage;

class TransferFileCalls {
 public:
  virtual ~TransferFileCalls() = default;

  // pwrite(2): the count written, or -1 with errno set.
  virtual ssize_t WriteAt(int fd, const void* bytes, std::size_t count, off_t offset);
  // renameat(2): 0, or -1 with errno set.
  virtual int RenameAt(int from_folder, const char* from_name, int to_folder, const char* to_name);
  // A write of the record manager into an index file: storage.WriteAt.
  virtual bool WriteIndex(IsamStorage& storage, std::uint64_t offset,
                          std::span<const std::uint8_t> bytes);
};

// The system's calls, as they stand.
TransferFileCalls& SystemFileCalls();

}  // namespace tallyscan
