#pragma once

// Private to transfer/: the target folder held for one transfer and the staging folder inside
// it. The lock is an exclusive flock on a descriptor of the target folder, held from before
// the staging folder is made until it is gone and released when the descriptor closes (at
// the latest when the process ends). The staging folder is made new by the transfer; once
// every file in it is complete the mark says so, and from then on its files belong in the
// target folder: a crash while they are moved leaves the mark and the files not yet moved.

#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/transfer/transfer_file_calls.h"

namespace tallyscan {

inline constexpr std::string_view kStagingName = ".tallyscan-staging";

class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  // kNotFound when the folder is missing or no folder, kRefused when another transfer holds
  // it; nothing is changed either way.
  Status Take(const std::string& folder);
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// What lies under the staging folder's name in the target folder (a descriptor).
enum class LeftStaging {
  kNone,
  kUnfinished,  // a staging folder of a transfer that never completed
  kComplete,    // one whose files are complete and still to be moved
  kForeign,     // a link, a file or a folder of another user: never a transfer's
};
LeftStaging LeftStagingOf(int target_fd);

// The staging folder made new (never over anything there), for this user alone.
Status MakeStagingFolder(int target_fd, const std::string& target);

// Writes the mark into the staging folder and syncs it: every staged file is complete.
Status MarkStagingComplete(TransferFileCalls& calls, const std::string& target);

// Moves every file of a complete staging folder into place, then removes the folder.
Status MoveIntoPlace(TransferFileCalls& calls, int target_fd, const std::string& target);

}  // namespace tallyscan
