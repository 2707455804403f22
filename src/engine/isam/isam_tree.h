#pragma once

// Private to isam/: the B+-tree algorithms over one key's tree of an index file.

#include <cstdint>

#include "engine/isam/isam_format.h"
#include "engine/isam/isam_index_file.h"
#include "engine/isam/isam_status.h"

namespace tallyscan {

// A place in a tree: a leaf's position and a slot 1-20 of it.
struct IsamCursor {
  std::uint32_t node = 0;
  int slot = 0;
};

// Deeper than this no tree of a 4 GB file can be; a deeper descent means a cycle.
inline constexpr int kIsamMaxDepth = 48;

// The changes are staged in the IndexFile in an order that a crash may cut anywhere without
// losing an entry that was there before: a new node is complete before anything refers to
// it, a parent refers to a split-off node before the node it came from gives its entries
// up, and a new root is in the header before the old root is trimmed. Until the last change
// of a split or an unlinking is made, one sibling link runs ahead of its back link; the
// steps along the leaves accept exactly that, and the file's check reports it.
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
  // moves counts the leaves a walk has passed from one to the next; a walk that passes more
  // than the file holds goes round a circle of siblings, and is kCorrupt.
  IsamStatus Next(IsamCursor& at, IsamEntry& found, std::uint64_t& moves);
  IsamStatus Prev(IsamCursor& at, IsamEntry& found, std::uint64_t& moves);
  // Rewrites the flag of the entry at the place.
  IsamStatus SetFlag(IsamCursor at, std::uint8_t flag);

  // The high sentinel is the last entry of the last leaf.
  static bool IsSentinel(const IsamNode& leaf, int slot) {
    return leaf.right == 0 && slot == kIsamSlotsPerNode;
  }

 private:
  IsamStatus InsertIntoNode(std::uint32_t position, IsamNode& node, const IsamEntry& entry,
                            IsamCursor* landed, int depth);
  IsamStatus AdoptChildren(std::uint32_t position, const IsamNode& node);
  IsamStatus DetachEmpty(std::uint32_t position, const IsamNode& node, int depth);
  IsamStatus RepairHighest(std::uint32_t position, IsamNode node);
  IsamStatus CollapseRoot();
  IsamStatus ReadLeaf(std::uint32_t position, IsamNode& leaf);
  IsamStatus StepRight(std::uint32_t& position, IsamNode& leaf);
  IsamStatus StepLeft(std::uint32_t& position, IsamNode& leaf);

  IndexFile& file_;
  int key_number_;
};

}  // namespace tallyscan
