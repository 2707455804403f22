#include <limits>
#include <vector>

#include "engine/transfer/isam_tree.h"

namespace tallyscan {
namespace {

IsamStatus ReadExactly(IsamStorage& storage, std::uint64_t offset, std::span<std::uint8_t> bytes) {
  const std::int64_t n = storage.ReadAt(offset, bytes);
  if (n < 0) return IsamStatus::kIoError;
  if (static_cast<std::uint64_t>(n) != bytes.size()) return IsamStatus::kCorrupt;
  return IsamStatus::kOk;
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
  if (auto s = ReadExactly(storage_, IsamPositionToOffset(kIsamHeaderAPosition), bytes);
      s != IsamStatus::kOk) {
    return s;
  }
  const std::span<const std::uint8_t> all(bytes);
  header_a_ = DecodeHeader(all.first<kIsamHeaderSize>());
  header_b_ = DecodeHeader(all.subspan<kIsamHeaderSize, kIsamHeaderSize>());
  dirty_a_ = dirty_b_ = false;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::Store() {
  std::array<std::uint8_t, kIsamHeaderSize> bytes;
  if (dirty_a_) {
    EncodeHeader(header_a_, bytes);
    if (!storage_.WriteAt(IsamPositionToOffset(kIsamHeaderAPosition), bytes)) {
      return IsamStatus::kIoError;
    }
    dirty_a_ = false;
  }
  if (dirty_b_) {
    EncodeHeader(header_b_, bytes);
    if (!storage_.WriteAt(IsamPositionToOffset(kIsamHeaderBPosition), bytes)) {
      return IsamStatus::kIoError;
    }
    dirty_b_ = false;
  }
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
  if (position < kIsamFirstNodePosition) return IsamStatus::kCorrupt;
  std::array<std::uint8_t, kIsamNodeSize> bytes;
  if (auto s = ReadExactly(storage_, IsamPositionToOffset(position), bytes); s != IsamStatus::kOk) {
    return s;
  }
  node = DecodeNode(bytes);
  if (node.free_slot > kIsamSlotsPerNode || node.leaf > 1) return IsamStatus::kCorrupt;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::WriteNode(std::uint32_t position, const IsamNode& node) {
  if (position < kIsamFirstNodePosition) return IsamStatus::kCorrupt;
  std::array<std::uint8_t, kIsamNodeSize> bytes;
  EncodeNode(node, bytes);
  return storage_.WriteAt(IsamPositionToOffset(position), bytes) ? IsamStatus::kOk
                                                                 : IsamStatus::kIoError;
}

IsamStatus IndexFile::AllocateNode(std::uint32_t& position) {
  if (header_a_.free_node != 0) {
    IsamNode free_node;
    if (auto s = ReadNode(header_a_.free_node, free_node); s != IsamStatus::kOk) return s;
    // A node in use always has a free slot (a full one splits at once): a free-list head
    // that looks like one points into a tree, and taking it would overwrite live entries.
    if (free_node.free_slot != 0 || free_node.leaf != 0 || free_node.parent != 0) {
      return IsamStatus::kCorrupt;
    }
    position = header_a_.free_node;
    MutableHeaderA().free_node = free_node.right;
  } else {
    std::uint64_t size = 0;
    if (!storage_.Size(size)) return IsamStatus::kIoError;
    if (size + 1 + kIsamNodeSize > std::numeric_limits<std::uint32_t>::max()) {
      return IsamStatus::kFileFull;
    }
    // A file shorter than its headers would put a node over them.
    if (size + 1 < kIsamFirstNodePosition) return IsamStatus::kCorrupt;
    position = static_cast<std::uint32_t>(size + 1);
  }
  return WriteNode(position, ClearedNode());
}

IsamStatus IndexFile::ReleaseNode(std::uint32_t position) {
  IsamNode node = ClearedNode();
  node.right = header_a_.free_node;
  if (auto s = WriteNode(position, node); s != IsamStatus::kOk) return s;
  MutableHeaderA().free_node = position;
  return IsamStatus::kOk;
}

IsamStatus IndexFile::NodeLimit(std::uint64_t& limit) {
  std::uint64_t size = 0;
  if (!storage_.Size(size)) return IsamStatus::kIoError;
  limit = size / kIsamNodeSize + 1;
  return IsamStatus::kOk;
}

}  // namespace tallyscan
