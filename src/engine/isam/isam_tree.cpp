#include "engine/isam/isam_tree.h"

#include <utility>

#include "engine/isam/isam_try.h"

namespace tallyscan {
namespace {

constexpr int kLast = kIsamSlotsPerNode;

// The slot of the node's entry that points at the child, 0 when there is none.
int SlotOfChild(const IsamNode& node, std::uint32_t child) {
  for (int s = node.FirstUsed(); s <= kLast; ++s) {
    if (node.Slot(s).pointer == child) return s;
  }
  return 0;
}

// Takes the entry out of its slot and packs the ones left of it one slot to the right.
void RemoveSlot(IsamNode& node, int slot) {
  for (int s = slot; s > node.FirstUsed(); --s) node.Slot(s) = node.Slot(s - 1);
  node.Slot(node.FirstUsed()) = BlankEntry();
  ++node.free_slot;
}

}  // namespace

IsamStatus IsamTree::ReadLeaf(std::uint32_t position, IsamNode& leaf) {
  ISAM_TRY(file_.ReadNode(position, leaf));
  return leaf.leaf == 1 ? IsamStatus::kOk : IsamStatus::kCorrupt;
}

// The back link of the next leaf names the leaf stepped from; or, while a split or an
// unlinking is half made, the leaf before that one: the leaf stepped from was put in front
// of the next (or is being taken out) and the next one's back link is not yet changed.
IsamStatus IsamTree::StepRight(std::uint32_t& position, IsamNode& leaf) {
  const std::uint32_t from = position;
  const std::uint32_t before = leaf.left;
  position = leaf.right;
  ISAM_TRY(ReadLeaf(position, leaf));
  return leaf.left == from || leaf.left == before ? IsamStatus::kOk : IsamStatus::kCorrupt;
}

// The mirror of StepRight: the leaf before names the leaf stepped from as its right
// sibling, or names a leaf put in between (or being taken out) that links both.
IsamStatus IsamTree::StepLeft(std::uint32_t& position, IsamNode& leaf) {
  const std::uint32_t from = position;
  position = leaf.left;
  ISAM_TRY(ReadLeaf(position, leaf));
  if (leaf.right == from) return IsamStatus::kOk;
  if (leaf.right == 0) return IsamStatus::kCorrupt;
  IsamNode between;
  ISAM_TRY(ReadLeaf(leaf.right, between));
  return between.left == position && between.right == from ? IsamStatus::kOk : IsamStatus::kCorrupt;
}

IsamStatus IsamTree::Descend(const IsamKey& key, std::uint32_t& leaf_position, IsamNode& leaf) {
  std::uint32_t position = file_.Root(key_number_);
  for (int depth = 0; depth < kIsamMaxDepth; ++depth) {
    ISAM_TRY(file_.ReadNode(position, leaf));
    if (leaf.leaf == 1) {
      leaf_position = position;
      return IsamStatus::kOk;
    }
    if (leaf.UsedCount() == 0) return IsamStatus::kCorrupt;
    // The first entry at least as high, by halving (the entries are in order); a key above
    // every entry (only possible in a file without its sentinel) goes down the last child
    // rather than nowhere.
    int low = leaf.FirstUsed();
    int high = kLast;
    while (low < high) {
      const int middle = (low + high) / 2;
      if (CompareKeys(leaf.Slot(middle).key, key) >= 0) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    position = leaf.Slot(low).pointer;
  }
  return IsamStatus::kCorrupt;
}

IsamStatus IsamTree::Insert(const IsamEntry& entry, IsamCursor& landed) {
  std::uint32_t position = 0;
  IsamNode leaf;
  ISAM_TRY(Descend(entry.key, position, leaf));
  return InsertIntoNode(position, leaf, entry, &landed, 0);
}

// The children listed in an inner node name it as their parent.
IsamStatus IsamTree::AdoptChildren(std::uint32_t position, const IsamNode& node) {
  if (node.leaf != 0) return IsamStatus::kOk;
  for (int s = node.FirstUsed(); s <= kLast; ++s) {
    IsamNode child;
    ISAM_TRY(file_.ReadNode(node.Slot(s).pointer, child));
    child.parent = position;
    ISAM_TRY(file_.WriteNode(node.Slot(s).pointer, child));
  }
  return IsamStatus::kOk;
}

// Puts the entry into the node read from position: it starts in the free slot next to the
// used ones and travels right past every smaller key, so it lands in front of any equal keys.
// A separator placed this way always lands just in front of the entry of the node it was
// split from: the earlier entries of the parent are lower, as the split node was the first
// child at least as high as the key that filled it.
IsamStatus IsamTree::InsertIntoNode(std::uint32_t position, IsamNode& node, const IsamEntry& entry,
                                    IsamCursor* landed, int depth) {
  if (depth >= kIsamMaxDepth || node.free_slot < 1) return IsamStatus::kCorrupt;
  int at = node.free_slot;
  node.Slot(at) = entry;
  while (at < kLast && CompareKeys(node.Slot(at).key, node.Slot(at + 1).key) > 0) {
    std::swap(node.Slot(at), node.Slot(at + 1));
    ++at;
  }
  --node.free_slot;
  if (node.free_slot > 0) {
    if (landed != nullptr) *landed = IsamCursor{position, at};
    return file_.WriteNode(position, node);
  }

  // Full: the lower half moves to a new node that joins the chain on the left. Until the
  // last change below, the full node keeps every entry, so each one stays where a descent
  // or a step along the chain finds it.
  std::uint32_t lower_position = 0;
  ISAM_TRY(file_.AllocateNode(lower_position));
  IsamNode lower = ClearedNode();
  lower.leaf = node.leaf;
  IsamNode upper = node;
  for (int s = 1; s <= kIsamSplitHalf; ++s) {
    lower.Slot(s + kIsamSplitHalf) = node.Slot(s);
    upper.Slot(s) = BlankEntry();
  }
  lower.free_slot = upper.free_slot = kIsamSplitHalf;
  lower.parent = node.parent;
  lower.left = node.left;
  lower.right = position;
  upper.left = lower_position;
  if (landed != nullptr) {
    *landed = at > kIsamSplitHalf ? IsamCursor{position, at}
                                  : IsamCursor{lower_position, at + kIsamSplitHalf};
  }
  const IsamEntry separator{lower.Slot(kLast).key, 0, lower_position};

  if (node.parent == 0) {
    std::uint32_t root_position = 0;
    ISAM_TRY(file_.AllocateNode(root_position));
    IsamNode root = ClearedNode();
    root.Slot(kLast - 1) = separator;
    root.Slot(kLast) = IsamEntry{upper.Slot(kLast).key, 0, position};
    root.free_slot = kLast - 2;
    lower.parent = upper.parent = root_position;
    ISAM_TRY(file_.WriteNode(lower_position, lower));
    ISAM_TRY(AdoptChildren(lower_position, lower));
    ISAM_TRY(file_.WriteNode(root_position, root));
    file_.SetRoot(key_number_, root_position);
    file_.Store();
    return file_.WriteNode(position, upper);
  }

  ISAM_TRY(file_.WriteNode(lower_position, lower));
  ISAM_TRY(AdoptChildren(lower_position, lower));
  IsamNode parent;
  ISAM_TRY(file_.ReadNode(node.parent, parent));
  if (parent.leaf != 0) return IsamStatus::kCorrupt;
  ISAM_TRY(InsertIntoNode(node.parent, parent, separator, nullptr, depth + 1));
  if (node.left != 0) {
    IsamNode neighbour;
    ISAM_TRY(file_.ReadNode(node.left, neighbour));
    neighbour.right = lower_position;
    ISAM_TRY(file_.WriteNode(node.left, neighbour));
  }
  // A split of the parent may have handed this node to a new parent.
  IsamNode now;
  ISAM_TRY(file_.ReadNode(position, now));
  upper.parent = now.parent;
  return file_.WriteNode(position, upper);
}

IsamStatus IsamTree::Find(const IsamKey& key, const std::uint32_t* pointer, IsamCursor& at,
                          IsamEntry& found) {
  std::uint32_t position = 0;
  IsamNode leaf;
  ISAM_TRY(Descend(key, position, leaf));
  std::uint64_t budget = 0;
  ISAM_TRY(file_.NodeLimit(budget));
  int s = leaf.FirstUsed();
  while (true) {
    if (s > kLast) {
      if (leaf.right == 0) return IsamStatus::kNotFound;
      if (budget-- == 0) return IsamStatus::kCorrupt;
      ISAM_TRY(StepRight(position, leaf));
      s = leaf.FirstUsed();
      continue;
    }
    const int order = CompareKeys(leaf.Slot(s).key, key);
    if (order > 0 || IsSentinel(leaf, s)) return IsamStatus::kNotFound;
    if (order == 0 && (pointer == nullptr || leaf.Slot(s).pointer == *pointer)) {
      at = IsamCursor{position, s};
      found = leaf.Slot(s);
      return IsamStatus::kOk;
    }
    ++s;
  }
}

IsamStatus IsamTree::LowerBound(const IsamKey& key, IsamCursor& at, IsamEntry& found) {
  std::uint32_t position = 0;
  IsamNode leaf;
  ISAM_TRY(Descend(key, position, leaf));
  for (int s = leaf.FirstUsed(); s <= kLast; ++s) {
    if (CompareKeys(leaf.Slot(s).key, key) >= 0) {
      if (IsSentinel(leaf, s)) return IsamStatus::kNotFound;
      at = IsamCursor{position, s};
      found = leaf.Slot(s);
      return IsamStatus::kOk;
    }
  }
  // Every key of the leaf is lower: the answer is the first entry of the next leaf.
  at = IsamCursor{position, kLast};
  std::uint64_t moves = 0;
  return Next(at, found, moves);
}

IsamStatus IsamTree::First(IsamCursor& at, IsamEntry& found) {
  std::uint32_t position = file_.Root(key_number_);
  IsamNode node;
  for (int depth = 0;; ++depth) {
    if (depth >= kIsamMaxDepth) return IsamStatus::kCorrupt;
    ISAM_TRY(file_.ReadNode(position, node));
    if (node.UsedCount() == 0) return node.leaf == 1 ? IsamStatus::kNotFound : IsamStatus::kCorrupt;
    if (node.leaf == 1) break;
    position = node.Slot(node.FirstUsed()).pointer;
  }
  const int s = node.FirstUsed();
  if (IsSentinel(node, s)) return IsamStatus::kNotFound;
  at = IsamCursor{position, s};
  found = node.Slot(s);
  return IsamStatus::kOk;
}

IsamStatus IsamTree::Last(IsamCursor& at, IsamEntry& found) {
  std::uint32_t position = file_.Root(key_number_);
  IsamNode node;
  for (int depth = 0;; ++depth) {
    if (depth >= kIsamMaxDepth) return IsamStatus::kCorrupt;
    ISAM_TRY(file_.ReadNode(position, node));
    if (node.UsedCount() == 0) return node.leaf == 1 ? IsamStatus::kNotFound : IsamStatus::kCorrupt;
    if (node.leaf == 1) break;
    position = node.Slot(kLast).pointer;
  }
  // Start on the sentinel and step back once.
  at = IsamCursor{position, kLast};
  if (!IsSentinel(node, kLast)) {
    found = node.Slot(kLast);
    return IsamStatus::kOk;
  }
  std::uint64_t moves = 0;
  return Prev(at, found, moves);
}

// Emptied leaves are freed, so a used slot is normally one step away.
IsamStatus IsamTree::Next(IsamCursor& at, IsamEntry& found, std::uint64_t& moves) {
  IsamNode leaf;
  ISAM_TRY(ReadLeaf(at.node, leaf));
  std::uint32_t position = at.node;
  int s = at.slot + 1;
  std::uint64_t limit = 0;
  ISAM_TRY(file_.NodeLimit(limit));
  while (s > kLast) {
    if (leaf.right == 0) return IsamStatus::kNotFound;
    if (++moves > limit) return IsamStatus::kCorrupt;
    ISAM_TRY(StepRight(position, leaf));
    s = leaf.FirstUsed();
  }
  if (s < leaf.FirstUsed()) s = leaf.FirstUsed();
  if (IsSentinel(leaf, s)) return IsamStatus::kNotFound;
  at = IsamCursor{position, s};
  found = leaf.Slot(s);
  return IsamStatus::kOk;
}

IsamStatus IsamTree::Prev(IsamCursor& at, IsamEntry& found, std::uint64_t& moves) {
  IsamNode leaf;
  ISAM_TRY(ReadLeaf(at.node, leaf));
  std::uint32_t position = at.node;
  int s = at.slot - 1;
  std::uint64_t limit = 0;
  ISAM_TRY(file_.NodeLimit(limit));
  while (s < leaf.FirstUsed()) {
    if (leaf.left == 0) return IsamStatus::kNotFound;
    if (++moves > limit) return IsamStatus::kCorrupt;
    ISAM_TRY(StepLeft(position, leaf));
    s = kLast;
  }
  at = IsamCursor{position, s};
  found = leaf.Slot(s);
  return IsamStatus::kOk;
}

IsamStatus IsamTree::SetFlag(IsamCursor at, std::uint8_t flag) {
  IsamNode leaf;
  ISAM_TRY(ReadLeaf(at.node, leaf));
  if (at.slot < leaf.FirstUsed() || at.slot > kLast) return IsamStatus::kCorrupt;
  leaf.Slot(at.slot).flag = flag;
  return file_.WriteNode(at.node, leaf);
}

// Removal. A node is handed back to the free list only when it becomes empty; an underfull
// node is not merged with a neighbour. That keeps every other node where it is (the product
// and open cursors see the same positions) at the cost of some space after heavy deletion.
// When the entry removed was the node's highest, the parents' keys above it are lowered to
// the new highest key, as far up as the node is its parent's last child, so that a descent
// still finds the first entry of every key. A root left with one child hands the root over
// to that child, so a tree emptied by deletion is a single leaf again.
IsamStatus IsamTree::Remove(IsamCursor at) {
  IsamNode leaf;
  ISAM_TRY(ReadLeaf(at.node, leaf));
  if (at.slot < leaf.FirstUsed() || at.slot > kLast || IsSentinel(leaf, at.slot)) {
    return IsamStatus::kCorrupt;
  }
  RemoveSlot(leaf, at.slot);
  if (leaf.UsedCount() == 0) return DetachEmpty(at.node, leaf, 0);
  ISAM_TRY(file_.WriteNode(at.node, leaf));
  if (at.slot == kLast) return RepairHighest(at.node, leaf);
  return IsamStatus::kOk;
}

// The empty node leaves the sibling chain (the right neighbour's back link first, so that a
// step from the left still passes through it consistently), then its parent, and only then
// is it cleared onto the free list: until its parent lets go of it, it may still be reached.
IsamStatus IsamTree::DetachEmpty(std::uint32_t position, const IsamNode& node, int depth) {
  if (depth >= kIsamMaxDepth) return IsamStatus::kCorrupt;
  // A root never empties while the sentinel stands in its last leaf; in a file without one,
  // an empty root leaf is still a valid empty tree.
  if (node.parent == 0) {
    if (node.leaf == 0) return IsamStatus::kCorrupt;
    return file_.WriteNode(position, node);
  }
  if (node.right != 0) {
    IsamNode neighbour;
    ISAM_TRY(file_.ReadNode(node.right, neighbour));
    neighbour.left = node.left;
    ISAM_TRY(file_.WriteNode(node.right, neighbour));
  }
  if (node.left != 0) {
    IsamNode neighbour;
    ISAM_TRY(file_.ReadNode(node.left, neighbour));
    neighbour.right = node.right;
    ISAM_TRY(file_.WriteNode(node.left, neighbour));
  }
  const std::uint32_t parent_position = node.parent;
  IsamNode parent;
  ISAM_TRY(file_.ReadNode(parent_position, parent));
  const int slot = SlotOfChild(parent, position);
  if (parent.leaf != 0 || slot == 0) return IsamStatus::kCorrupt;
  RemoveSlot(parent, slot);
  if (parent.UsedCount() == 0) {
    ISAM_TRY(DetachEmpty(parent_position, parent, depth + 1));
  } else {
    ISAM_TRY(file_.WriteNode(parent_position, parent));
    if (slot == kLast) ISAM_TRY(RepairHighest(parent_position, parent));
    ISAM_TRY(CollapseRoot());
  }
  return file_.ReleaseNode(position);
}

IsamStatus IsamTree::RepairHighest(std::uint32_t position, IsamNode node) {
  for (int depth = 0; depth < kIsamMaxDepth; ++depth) {
    if (node.parent == 0) return IsamStatus::kOk;
    const std::uint32_t parent_position = node.parent;
    IsamNode parent;
    ISAM_TRY(file_.ReadNode(parent_position, parent));
    const int slot = SlotOfChild(parent, position);
    if (parent.leaf != 0 || slot == 0) return IsamStatus::kCorrupt;
    const IsamKey& highest = node.Slot(kLast).key;
    if (CompareKeys(parent.Slot(slot).key, highest) == 0) return IsamStatus::kOk;
    parent.Slot(slot).key = highest;
    ISAM_TRY(file_.WriteNode(parent_position, parent));
    if (slot != kLast) return IsamStatus::kOk;
    position = parent_position;
    node = parent;
  }
  return IsamStatus::kCorrupt;
}

// The child becomes the root in the header before the old root is cleared.
IsamStatus IsamTree::CollapseRoot() {
  for (int depth = 0; depth < kIsamMaxDepth; ++depth) {
    const std::uint32_t root_position = file_.Root(key_number_);
    IsamNode root;
    ISAM_TRY(file_.ReadNode(root_position, root));
    if (root.leaf == 1 || root.UsedCount() != 1) return IsamStatus::kOk;
    const std::uint32_t child_position = root.Slot(kLast).pointer;
    IsamNode child;
    ISAM_TRY(file_.ReadNode(child_position, child));
    child.parent = 0;
    ISAM_TRY(file_.WriteNode(child_position, child));
    file_.SetRoot(key_number_, child_position);
    file_.Store();
    ISAM_TRY(file_.ReleaseNode(root_position));
  }
  return IsamStatus::kCorrupt;
}

}  // namespace tallyscan
