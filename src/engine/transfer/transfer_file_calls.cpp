#include "engine/transfer/transfer_file_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "engine/isam/isam.h"

namespace tallyscan {

ssize_t TransferFileCalls::WriteAt(int fd, const void* bytes, std::size_t count, off_t offset) {
  return ::pwrite(fd, bytes, count, offset);
}

int TransferFileCalls::RenameAt(int from_folder, const char* from_name, int to_folder,
                                const char* to_name) {
  return ::renameat(from_folder, from_name, to_folder, to_name);
}

bool TransferFileCalls::WriteIndex(IsamStorage& storage, std::uint64_t offset,
                                   std::span<const std::uint8_t> bytes) {
  return storage.WriteAt(offset, bytes);
}

TransferFileCalls& SystemFileCalls() {
  static TransferFileCalls calls;  // stateless
  return calls;
}

}  // namespace tallyscan
