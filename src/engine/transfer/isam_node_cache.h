#pragma once

// Private to the record manager: the nodes of an open index file kept in memory, so that the
// descents of every call are served without asking the system for each node.
//
// Writes go through to the file at once and update the memory copy; only reads are saved.
// The index files are read by another program while the transfer has them open, and the
// record manager takes no lock between programs, so what a call wrote must be in the file
// when the call returns: holding changes back until DbFlush would let a reader find a header
// whose new roots or free list point at nodes not yet written. Keeping writes immediate also
// keeps the failure behaviour: a write the system refuses fails the call that made it, not a
// later one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/transfer/isam_storage.h"

namespace tallyscan {

// The memory copy of one file, shared by every storage open on that file in a process, so
// that a file opened on two slots is one set of nodes: what one slot writes, the other reads.
// The file is cut into the header block (the first 60 bytes) and node-sized blocks after it;
// at most capacity of them are held, the least recently used given up first. Safe to share
// between threads: every call takes the cache's lock.
class IsamNodeCache {
 public:
  explicit IsamNodeCache(std::size_t capacity);
  ~IsamNodeCache();
  IsamNodeCache(const IsamNodeCache&) = delete;
  IsamNodeCache& operator=(const IsamNodeCache&) = delete;

  // The storage calls of a file through the cache; file is the storage of the caller, any of
  // those open on the same file. A failed write forgets the blocks it touched, since the
  // file may now hold part of it.
  std::int64_t ReadAt(IsamStorage& file, std::uint64_t offset, std::span<std::uint8_t> bytes);
  bool WriteAt(IsamStorage& file, std::uint64_t offset, std::span<const std::uint8_t> bytes);
  bool Size(IsamStorage& file, std::uint64_t& size);

  // Forgets every block and the size: the next reads see the file as it now is.
  void Clear();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A storage that reads through the cache and writes through it to the file. Flush goes to the
// file; Refresh clears the cache.
std::unique_ptr<IsamStorage> MakeCachedIsamStorage(std::unique_ptr<IsamStorage> file,
                                                   std::shared_ptr<IsamNodeCache> cache);

}  // namespace tallyscan
