#include "engine/isam/isam_check.h"

#include <map>
#include <set>

#include "engine/isam/isam_index_file.h"
#include "engine/isam/isam_tree.h"

namespace tallyscan {
namespace {

std::string At(std::uint32_t position) { return "node " + std::to_string(position); }

class Inspector {
 public:
  Inspector(IndexFile& file, IsamFileReport& report) : file_(file), report_(report) {}

  void Problem(std::string text) { report_.problems.push_back(std::move(text)); }

  void WalkTree(int key_number, IsamTreeReport& tree) {
    prefix_ = "key " + std::to_string(key_number) + ": ";
    levels_.clear();
    leaves_.clear();
    leaf_depth_ = -1;
    IsamKey highest;
    Walk(tree, tree.root, 0, 0, highest);
    for (const auto& [depth, level] : levels_) {
      CheckChain(depth, level);
      FollowChain(depth, level, true);
      FollowChain(depth, level, false);
    }
    CollectEntries(tree);
  }

  void WalkFreeChain() {
    std::uint64_t limit = 0;
    if (file_.NodeLimit(limit) != IsamStatus::kOk) return;
    for (std::uint32_t position = report_.header_a.free_node; position != 0;) {
      if (report_.free_nodes.size() > limit || seen_.contains(position)) {
        Problem("free chain: " + At(position) + " is reached twice");
        return;
      }
      IsamNode node;
      if (file_.ReadNode(position, node) != IsamStatus::kOk) {
        Problem("free chain: " + At(position) + " cannot be read");
        return;
      }
      seen_.insert(position);
      report_.free_nodes.push_back(position);
      IsamNode cleared = ClearedNode();
      cleared.right = node.right;
      if (node.leaf != cleared.leaf || node.parent != 0 || node.left != 0 || node.free_slot != 0 ||
          node.entries != cleared.entries) {
        Problem("free chain: " + At(position) + " is not cleared");
      }
      position = node.right;
    }
  }

  void CheckEveryNodeAccountedFor() {
    const std::uint64_t first = IsamPositionToOffset(kIsamFirstNodePosition);
    if (report_.file_size < first || (report_.file_size - first) % kIsamNodeSize != 0) {
      Problem("the file length " + std::to_string(report_.file_size) +
              " is not the headers and whole nodes");
    }
    for (std::uint64_t offset = first; offset + kIsamNodeSize <= report_.file_size;
         offset += kIsamNodeSize) {
      const auto position = static_cast<std::uint32_t>(offset + 1);
      if (!seen_.contains(position)) Problem(At(position) + " is in no tree and not free");
    }
  }

 private:
  struct LevelNode {
    std::uint32_t position;
    std::uint32_t left;
    std::uint32_t right;
  };

  // Walks the subtree at position; on success highest holds its highest key.
  bool Walk(IsamTreeReport& tree, std::uint32_t position, std::uint32_t parent, int depth,
            IsamKey& highest) {
    if (depth >= kIsamMaxDepth) {
      Problem(prefix_ + "the tree is deeper than any file can be");
      return false;
    }
    if (seen_.contains(position)) {
      Problem(prefix_ + At(position) + " is reached twice");
      return false;
    }
    IsamNode node;
    if (file_.ReadNode(position, node) != IsamStatus::kOk) {
      Problem(prefix_ + At(position) + " cannot be read");
      return false;
    }
    seen_.insert(position);
    tree.nodes.push_back(IsamNodeReport{position, depth, node});
    const std::string where = prefix_ + At(position);
    if (node.parent != parent) {
      Problem(where + " names parent " + std::to_string(node.parent) + " instead of " +
              std::to_string(parent));
    }
    levels_[depth].push_back(LevelNode{position, node.left, node.right});
    for (int s = 1; s <= node.free_slot; ++s) {
      if (node.Slot(s) != BlankEntry())
        Problem(where + " slot " + std::to_string(s) + " is free but not blank");
    }
    for (int s = node.FirstUsed(); s < kIsamSlotsPerNode; ++s) {
      if (CompareKeys(node.Slot(s).key, node.Slot(s + 1).key) > 0) {
        Problem(where + " slot " + std::to_string(s) + " is above the next slot");
      }
    }
    if (node.UsedCount() == 0) {
      Problem(where + " is empty");
      return false;
    }
    highest = node.Slot(kIsamSlotsPerNode).key;
    if (node.leaf == 1) {
      if (leaf_depth_ >= 0 && leaf_depth_ != depth) Problem(where + " is a leaf at another depth");
      leaf_depth_ = depth;
      leaves_.push_back(std::move(node));
      return true;
    }
    for (int s = node.FirstUsed(); s <= kIsamSlotsPerNode; ++s) {
      IsamKey child_highest;
      if (Walk(tree, node.Slot(s).pointer, position, depth + 1, child_highest) &&
          child_highest != node.Slot(s).key) {
        Problem(where + " slot " + std::to_string(s) + " is not its child's highest key");
      }
    }
    return true;
  }

  void CheckChain(int depth, const std::vector<LevelNode>& level) {
    const std::string where = prefix_ + "level " + std::to_string(depth) + ": ";
    for (std::size_t i = 0; i < level.size(); ++i) {
      const std::uint32_t left = i == 0 ? 0 : level[i - 1].position;
      const std::uint32_t right = i + 1 == level.size() ? 0 : level[i + 1].position;
      if (level[i].left != left || level[i].right != right) {
        Problem(where + At(level[i].position) + " has siblings " + std::to_string(level[i].left) +
                "/" + std::to_string(level[i].right) + " instead of " + std::to_string(left) + "/" +
                std::to_string(right));
      }
    }
  }

  // The links followed from the level's first node rightwards (or its last leftwards): a
  // chain that comes back to a node it passed would keep a walk going for ever.
  void FollowChain(int depth, const std::vector<LevelNode>& level, bool rightwards) {
    std::uint64_t limit = 0;
    if (file_.NodeLimit(limit) != IsamStatus::kOk) return;
    std::set<std::uint32_t> passed;
    std::uint32_t position = rightwards ? level.front().position : level.back().position;
    while (position != 0 && passed.size() <= limit) {
      if (!passed.insert(position).second) {
        Problem(prefix_ + "level " + std::to_string(depth) + ": the " +
                (rightwards ? "right" : "left") + " links come back to " + At(position));
        return;
      }
      IsamNode node;
      if (file_.ReadNode(position, node) != IsamStatus::kOk) return;  // a broken link: above
      position = rightwards ? node.right : node.left;
    }
  }

  void CollectEntries(IsamTreeReport& tree) {
    for (const IsamNode& leaf : leaves_) {
      for (int s = leaf.FirstUsed(); s <= kIsamSlotsPerNode; ++s) {
        if (!tree.entries.empty() && CompareKeys(tree.entries.back().key, leaf.Slot(s).key) > 0) {
          Problem(prefix_ + "the leaves are out of key order");
        }
        tree.entries.push_back(leaf.Slot(s));
      }
    }
    if (tree.entries.empty() || tree.entries.back() != IsamEntry{SentinelKey(), 0, 0}) {
      Problem(prefix_ + "the last leaf does not end with the sentinel");
      return;
    }
    tree.entries.pop_back();
  }

  IndexFile& file_;
  IsamFileReport& report_;
  std::set<std::uint32_t> seen_;
  std::string prefix_;
  std::map<int, std::vector<LevelNode>> levels_;
  std::vector<IsamNode> leaves_;
  int leaf_depth_ = -1;
};

}  // namespace

IsamStatus InspectIndexFile(IsamStorage& storage, IsamFileReport& report) {
  report = IsamFileReport{};
  if (!storage.Size(report.file_size)) return IsamStatus::kIoError;
  IndexFile file(storage);
  if (const IsamStatus s = file.Load(); s != IsamStatus::kOk) return s;
  report.header_a = file.HeaderA();
  report.header_b = file.HeaderB();
  Inspector inspector(file, report);
  const int keys = report.header_a.number_of_keys;
  if (keys < 1 || keys > kIsamMaxKeys) {
    inspector.Problem("header A gives " + std::to_string(keys) + " keys");
  }
  // The six trees all exist, used or not: their nodes belong to the file.
  for (int k = 1; k <= kIsamMaxKeys; ++k) {
    IsamTreeReport tree;
    tree.key_number = k;
    tree.root = file.Root(k);
    inspector.WalkTree(k, tree);
    if (k > keys) continue;
    if (tree.entries.size() != report.header_a.record_count) {
      inspector.Problem("key " + std::to_string(k) + ": " + std::to_string(tree.entries.size()) +
                        " entries for " + std::to_string(report.header_a.record_count) +
                        " records");
    }
    report.trees.push_back(std::move(tree));
  }
  inspector.WalkFreeChain();
  inspector.CheckEveryNodeAccountedFor();
  return IsamStatus::kOk;
}

}  // namespace tallyscan
