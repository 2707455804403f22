#pragma once

// Private to isam/: the nodes of an open index file kept in memory, so that the descents
// of every call are served without asking the system for each node.
//
// In write-through mode (the usual one) writes go to the file at once and update the memory
// copy; only reads are saved. Other programs read the index files while they are open here,
// so what a call wrote must be in the file when the call returns; keeping writes immediate
// also keeps the failure behaviour: a write the system refuses fails the call that made it.
//
// In write-back mode (bulk writing of a file no other program may see yet) writes stay in
// memory until WriteBack or until the block's room is needed for another; the file then gets the
// blocks in no particular order, so a crash in between leaves it unusable. That is the price of
// bulk mode, paid for by the caller's staging.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/isam/isam_storage.h"

namespace tallyscan {

// The memory copy of one file, shared by every storage open on that file in a process, so
// that a file opened on two slots is one set of nodes: what one slot writes, the other reads.
// The file is cut into the header block (the first 60 bytes) and node-sized blocks after it;
// at most capacity of them are held; when room is needed, a clock sweep gives up one not used
// since the sweep last passed it. Safe to share between threads: every call takes the cache's
// lock.
class IsamNodeCache {
 public:
  explicit IsamNodeCache(std::size_t capacity);
  ~IsamNodeCache();
  IsamNodeCache(const IsamNodeCache&) = delete;
  IsamNodeCache& operator=(const IsamNodeCache&) = delete;

  // The storage calls of a file through the cache; file is the storage of the caller, any of
  // those open on the same file. A failed write forgets the blocks it touched, since the
  // file may now hold part of it. In write-back mode a read or a write may first have to
  // write a held block back to make room; its failure fails the call, and the block stays.
  [[nodiscard]] std::int64_t ReadAt(IsamStorage& file, std::uint64_t offset,
                                    std::span<std::uint8_t> bytes);
  [[nodiscard]] bool WriteAt(IsamStorage& file, std::uint64_t offset,
                             std::span<const std::uint8_t> bytes);
  [[nodiscard]] bool Size(IsamStorage& file, std::uint64_t& size);

  // Switches between the modes; leaving write-back mode writes every held block back first,
  // and fails, staying in write-back mode, when that fails.
  [[nodiscard]] bool SetWriteBack(IsamStorage& file, bool write_back);
  // Writes every held block back, in file order. False at the first failure; what was not
  // written is still held.
  [[nodiscard]] bool WriteBack(IsamStorage& file);

  // Forgets every block and the size: the next reads see the file as it now is. Blocks not
  // yet written back are kept, since forgetting them would lose them.
  void Clear();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A storage that reads through the cache and writes through it to the file. Flush writes
// back what the cache holds and syncs the file; Refresh clears the cache.
std::unique_ptr<IsamStorage> MakeCachedIsamStorage(std::unique_ptr<IsamStorage> file,
                                                   std::shared_ptr<IsamNodeCache> cache);

}  // namespace tallyscan
