#include "engine/isam/isam_index_file.h"

#include <limits>

#include "engine/isam/isam_try.h"

namespace tallyscan {
namespace {

IsamStatus ReadExactly(IsamStorage& storage, std::uint64_t offset, std::span<std::uint8_t> bytes) {
  const std::int64_t n = storage.ReadAt(offset, bytes);
  if (n < 0) return IsamStatus::kIoError;
  if (static_cast<std::uint64_t>(n) != bytes.size()) return IsamStatus::kCorrupt;
  return IsamStatus::kOk;
}

bool IsHeaderPosition(std::uint32_t position) {
  return position == kIsamHeaderAPosition || position == kIsamHeaderBPosition;
}

// Nodes follow one another from position 61: any other position is not a node's start.
bool IsNodePosition(std::uint32_t position) {
  return position >= kIsamFirstNodePosition &&
         (position - kIsamFirstNodePosition) % kIsamNodeSize == 0;
}

}  // namespace

IsamStatus IndexFile::Create(IsamStorage& storage, int number_of_keys) {
  std::vector<std::uint8_t> bytes(kIsamEmptyFileSize, 0);
  IsamHeader a;
  IsamHeader b;
  for (int k = 0; k < kIsamKeysPerHeader; ++k) {
    const auto i = static_cast<std::size_t>(k);
    a.roots[i] = kIsamFirstNodePosition + static_cast<std::uint32_t>(i * kIsamNodeSize);
    b.roots[i] = kIsamFirstNodePosition +
                 static_cast<std::uint32_t>((i + kIsamKeysPerHeader) * kIsamNodeSize);
  }
  a.number_of_keys = b.number_of_keys = static_cast<std::uint16_t>(number_of_keys);
  const std::span<std::uint8_t> all(bytes);
  EncodeHeader(a, all.subspan(IsamPositionToOffset(kIsamHeaderAPosition)).first<kIsamHeaderSize>());
  EncodeHeader(b, all.subspan(IsamPositionToOffset(kIsamHeaderBPosition)).first<kIsamHeaderSize>());
  const IsamNode empty = EmptyLeaf();
  for (int n = 0; n < kIsamInitialNodes; ++n) {
    const std::uint64_t at = IsamPositionToOffset(kIsamFirstNodePosition) +
                             static_cast<std::uint64_t>(n) * kIsamNodeSize;
    EncodeNode(empty, all.subspan(at).first<kIsamNodeSize>());
  }
  return storage.WriteAt(0, bytes) ? IsamStatus::kOk : IsamStatus::kIoError;
}

IsamStatus IndexFile::Load() {
  // Both headers in one read: they are adjacent.
  std::array<std::uint8_t, 2 * kIsamHeaderSize> bytes;
  ISAM_TRY(ReadExactly(storage_, IsamPositionToOffset(kIsamHeaderAPosition), bytes));
  const std::span<const std::uint8_t> all(bytes);
  header_a_ = DecodeHeader(all.first<kIsamHeaderSize>());
  header_b_ = DecodeHeader(all.subspan<kIsamHeaderSize, kIsamHeaderSize>());
  dirty_a_ = dirty_b_ = false;
  return IsamStatus::kOk;
}

void IndexFile::Store() {
  if (dirty_a_) changes_.push_back(Change{kIsamHeaderAPosition, {}, header_a_});
  if (dirty_b_) changes_.push_back(Change{kIsamHeaderBPosition, {}, header_b_});
  dirty_a_ = dirty_b_ = false;
}

IsamStatus IndexFile::Commit(bool& wrote_any) {
  wrote_any = false;
  std::array<std::uint8_t, kIsamNodeSize> bytes;
  for (const Change& change : changes_) {
    std::span<const std::uint8_t> out;
    if (IsHeaderPosition(change.position)) {
      EncodeHeader(change.header, std::span(bytes).first<kIsamHeaderSize>());
      out = std::span(bytes).first<kIsamHeaderSize>();
    } else {
      EncodeNode(change.node, bytes);
      out = bytes;
    }
    if (!storage_.WriteAt(IsamPositionToOffset(change.position), out)) {
      changes_.clear();
      return IsamStatus::kIoError;
    }
    wrote_any = true;
  }
  changes_.clear();
  return IsamStatus::kOk;
}

std::uint32_t IndexFile::Root(int key_number) const {
  const IsamHeader& h = key_number <= kIsamKeysPerHeader ? header_a_ : header_b_;
  return h.roots[static_cast<std::size_t>((key_number - 1) % kIsamKeysPerHeader)];
}

void IndexFile::SetRoot(int key_number, std::uint32_t position) {
  IsamHeader& h = key_number <= kIsamKeysPerHeader ? header_a_ : header_b_;
  (key_number <= kIsamKeysPerHeader ? dirty_a_ : dirty_b_) = true;
  h.roots[static_cast<std::size_t>((key_number - 1) % kIsamKeysPerHeader)] = position;
}

IsamStatus IndexFile::ReadNode(std::uint32_t position, IsamNode& node) {
  if (!IsNodePosition(position)) return IsamStatus::kCorrupt;
  for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
    if (it->position == position) {
      node = it->node;
      return IsamStatus::kOk;
    }
  }
  std::array<std::uint8_t, kIsamNodeSize> bytes;
  ISAM_TRY(ReadExactly(storage_, IsamPositionToOffset(position), bytes));
  DecodeNode(bytes, node);
  if (node.free_slot > kIsamSlotsPerNode || node.leaf > 1) return IsamStatus::kCorrupt;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::WriteNode(std::uint32_t position, const IsamNode& node) {
  if (!IsNodePosition(position)) return IsamStatus::kCorrupt;
  changes_.push_back(Change{position, node, {}});
  return IsamStatus::kOk;
}

IsamStatus IndexFile::FileEnd(std::uint64_t& end) {
  if (!end_known_) {
    if (!storage_.Size(end_)) return IsamStatus::kIoError;
    end_known_ = true;
  }
  end = end_;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::AllocateNode(std::uint32_t& position) {
  if (header_a_.free_node != 0) {
    IsamNode free_node;
    ISAM_TRY(ReadNode(header_a_.free_node, free_node));
    // A node in use always has a free slot (a full one splits at once): a free-list head
    // that looks like one points into a tree, and taking it would overwrite live entries.
    if (free_node.free_slot != 0 || free_node.leaf != 0 || free_node.parent != 0) {
      return IsamStatus::kCorrupt;
    }
    position = header_a_.free_node;
    MutableHeaderA().free_node = free_node.right;
    return IsamStatus::kOk;
  }
  std::uint64_t end = 0;
  ISAM_TRY(FileEnd(end));
  if (end + 1 + kIsamNodeSize > std::numeric_limits<std::uint32_t>::max()) {
    return IsamStatus::kFileFull;
  }
  // A file shorter than its headers, or ending inside a node, would put the new node over
  // bytes that are not a node's.
  if (end + 1 < kIsamFirstNodePosition || !IsNodePosition(static_cast<std::uint32_t>(end + 1))) {
    return IsamStatus::kCorrupt;
  }
  position = static_cast<std::uint32_t>(end + 1);
  end_ = end + kIsamNodeSize;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::ReleaseNode(std::uint32_t position) {
  IsamNode node = ClearedNode();
  node.right = header_a_.free_node;
  ISAM_TRY(WriteNode(position, node));
  MutableHeaderA().free_node = position;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::NodeLimit(std::uint64_t& limit) {
  std::uint64_t end = 0;
  ISAM_TRY(FileEnd(end));
  limit = end / kIsamNodeSize + 1;
  return IsamStatus::kOk;
}

}  // namespace tallyscan
