#pragma once

// Private to isam/: one call's view of an index file. It reads the headers and nodes and
// stages every change in memory; nothing reaches the file until Commit, which writes the
// changes in the order they were made. A call that fails before its commit therefore leaves
// the file untouched, whatever it had done to it in memory, and the order in which the tree
// algorithms make their changes is the order in which a crash can cut them short.

#include <cstdint>
#include <vector>

#include "engine/isam/isam_format.h"
#include "engine/isam/isam_status.h"
#include "engine/isam/isam_storage.h"

namespace tallyscan {

class IndexFile {
 public:
  explicit IndexFile(IsamStorage& storage) : storage_(storage) { changes_.reserve(8); }

  // Lays out an empty file: the zero bytes, both headers and six empty root leaves. Writes at
  // once; nothing else may be staged.
  static IsamStatus Create(IsamStorage& storage, int number_of_keys);

  // Reads both headers. A file too short for them is kCorrupt.
  IsamStatus Load();
  // Stages the headers changed since the last Store.
  void Store();
  // Writes the staged changes in order. kIoError when the system refuses one; the ones
  // before it are in the file. wrote_any tells whether anything reached it.
  IsamStatus Commit(bool& wrote_any);

  const IsamHeader& HeaderA() const { return header_a_; }
  const IsamHeader& HeaderB() const { return header_b_; }
  IsamHeader& MutableHeaderA() {
    dirty_a_ = true;
    return header_a_;
  }
  std::uint32_t Root(int key_number) const;
  void SetRoot(int key_number, std::uint32_t position);

  // Every node read is checked: a position that is not the start of a node within the file,
  // a free-slot count above 20 or a leaf flag other than 0 or 1 is kCorrupt. A staged node
  // is read as staged.
  IsamStatus ReadNode(std::uint32_t position, IsamNode& node);
  IsamStatus WriteNode(std::uint32_t position, const IsamNode& node);
  // Takes the head of the free list, or a new position at the end of the file. The node is
  // the caller's to write whole before anything refers to it.
  IsamStatus AllocateNode(std::uint32_t& position);
  // Stages the node cleared and puts it at the head of the free list.
  IsamStatus ReleaseNode(std::uint32_t position);
  // An upper bound on the number of nodes the file can hold, staged ones included: the limit
  // for every walk along a chain, so that a looping chain in a damaged file ends.
  IsamStatus NodeLimit(std::uint64_t& limit);

 private:
  struct Change {
    std::uint32_t position;  // a node's position, or a header's
    IsamNode node;
    IsamHeader header;
  };
  IsamStatus FileEnd(std::uint64_t& end);

  IsamStorage& storage_;
  IsamHeader header_a_;
  IsamHeader header_b_;
  bool dirty_a_ = false;
  bool dirty_b_ = false;
  // A call stages a handful of changes: finding the last one of a node by looking back is
  // cheaper than keeping an index of them.
  std::vector<Change> changes_;
  std::uint64_t end_ = 0;  // the file's length with the staged nodes
  bool end_known_ = false;
};

}  // namespace tallyscan
