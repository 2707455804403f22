#pragma once

// Private to the record manager: one operation's view of an index file (its two headers held
// in memory while the operation runs) and the B+-tree algorithms over one key's tree.

#include <cstdint>

#include "engine/transfer/isam.h"
#include "engine/transfer/isam_format.h"
#include "engine/transfer/isam_storage.h"

namespace tallyscan {

// A place in a tree: a leaf's position and a slot 1-20 of it.
struct IsamCursor {
  std::uint32_t node = 0;
  int slot = 0;
};

// The headers of an index file and its node I/O. Load() reads both headers; changes to them
// stay in memory until Store(). Every node read is checked: a position before the first
// node or past the end of the file, a free-slot count above 20 or a leaf flag other than 0
// or 1 is kCorrupt.
class IndexFile {
 public:
  explicit IndexFile(IsamStorage& storage) : storage_(storage) {}

  // Lays out an empty file: the zero bytes, both headers and six empty root leaves.
  static IsamStatus Create(IsamStorage& storage, int number_of_keys);

  IsamStatus Load();
  IsamStatus Store();

  const IsamHeader& HeaderA() const { return header_a_; }
  const IsamHeader& HeaderB() const { return header_b_; }
  IsamHeader& MutableHeaderA() {
    dirty_a_ = true;
    return header_a_;
  }
  std::uint32_t Root(int key_number) const;
  void SetRoot(int key_number, std::uint32_t position);

  IsamStatus ReadNode(std::uint32_t position, IsamNode& node);
  IsamStatus WriteNode(std::uint32_t position, const IsamNode& node);
  // Takes the head of the free list or appends at the end of the file; the node is written
  // cleared.
  IsamStatus AllocateNode(std::uint32_t& position);
  // Writes the node cleared and puts it at the head of the free list.
  IsamStatus ReleaseNode(std::uint32_t position);
  // An upper bound on the number of nodes the file can hold: the limit for every walk along
  // a chain, so that a looping chain in a damaged file ends.
  IsamStatus NodeLimit(std::uint64_t& limit);

 private:
  IsamStorage& storage_;
  IsamHeader header_a_;
  IsamHeader header_b_;
  bool dirty_a_ = false;
  bool dirty_b_ = false;
};

// The algorithms on the tree of one key. Deeper than this no tree of a 4 GB file can be;
// a deeper descent means a cycle.
inline constexpr int kIsamMaxDepth = 48;

class IsamTree {
 public:
  IsamTree(IndexFile& file, int key_number) : file_(file), key_number_(key_number) {}

  // Follows, in each inner node, the first entry whose key is at least the wanted key.
  IsamStatus Descend(const IsamKey& key, std::uint32_t& leaf_position, IsamNode& leaf);
  IsamStatus Insert(const IsamEntry& entry, IsamCursor& landed);
  // The first entry with the key (and, when pointer is given, that record pointer), scanning
  // up from the leaf the descent reaches and along the right siblings.
  IsamStatus Find(const IsamKey& key, const std::uint32_t* pointer, IsamCursor& at,
                  IsamEntry& found);
  IsamStatus Remove(IsamCursor at);
  // The first entry whose key is at least the key.
  IsamStatus LowerBound(const IsamKey& key, IsamCursor& at, IsamEntry& found);
  IsamStatus First(IsamCursor& at, IsamEntry& found);
  IsamStatus Last(IsamCursor& at, IsamEntry& found);
  // One step along the leaves; kNotFound at either end. The sentinel is never an answer.
  IsamStatus Next(IsamCursor& at, IsamEntry& found);
  IsamStatus Prev(IsamCursor& at, IsamEntry& found);
  // Rewrites the flag of the entry at the place.
  IsamStatus SetFlag(IsamCursor at, std::uint8_t flag);

  // The high sentinel is the last entry of the last leaf.
  static bool IsSentinel(const IsamNode& leaf, int slot) {
    return leaf.right == 0 && slot == kIsamSlotsPerNode;
  }

 private:
  IsamStatus InsertIntoNode(std::uint32_t position, IsamNode& node, const IsamEntry& entry,
                            IsamCursor* landed, int depth);
  IsamStatus DetachEmpty(std::uint32_t position, const IsamNode& node, int depth);
  IsamStatus RepairHighest(std::uint32_t position, IsamNode node);
  IsamStatus CollapseRoot();
  IsamStatus ReadLeaf(std::uint32_t position, IsamNode& leaf);

  IndexFile& file_;
  int key_number_;
};

}  // namespace tallyscan
