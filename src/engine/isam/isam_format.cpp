#include "engine/isam/isam_format.h"

#include <algorithm>
#include <cstring>

namespace tallyscan {
namespace {

void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t Get16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

IsamKey KeyOf(std::uint8_t fill) {
  IsamKey key;
  key.fill(fill);
  key[15] = ' ';
  key[16] = ' ';
  return key;
}

}  // namespace

IsamKey BlankKey() { return KeyOf(0x00); }
IsamKey SentinelKey() { return KeyOf(0xFF); }

IsamEntry BlankEntry() { return IsamEntry{BlankKey(), 0, 0}; }

IsamNode ClearedNode() {
  IsamNode node;
  node.entries.fill(BlankEntry());
  return node;
}

IsamNode EmptyLeaf() {
  IsamNode node = ClearedNode();
  node.leaf = 1;
  node.free_slot = kIsamSlotsPerNode - 1;
  node.Slot(kIsamSlotsPerNode) = IsamEntry{SentinelKey(), 0, 0};
  return node;
}

void EncodeHeader(const IsamHeader& header, std::span<std::uint8_t, kIsamHeaderSize> out) {
  std::uint8_t* p = out.data();
  for (int k = 0; k < kIsamKeysPerHeader; ++k) {
    Put32(p + kIsamHeaderRootsAt + 4 * k, header.roots[static_cast<std::size_t>(k)]);
  }
  Put32(p + kIsamHeaderFreeAt, header.free_node);
  Put32(p + kIsamHeaderStackAt, header.stack);
  Put16(p + kIsamHeaderKeysAt, header.number_of_keys);
  Put32(p + kIsamHeaderRecordsAt, header.record_count);
}

IsamHeader DecodeHeader(std::span<const std::uint8_t, kIsamHeaderSize> in) {
  const std::uint8_t* p = in.data();
  IsamHeader header;
  for (int k = 0; k < kIsamKeysPerHeader; ++k) {
    header.roots[static_cast<std::size_t>(k)] = Get32(p + kIsamHeaderRootsAt + 4 * k);
  }
  header.free_node = Get32(p + kIsamHeaderFreeAt);
  header.stack = Get32(p + kIsamHeaderStackAt);
  header.number_of_keys = Get16(p + kIsamHeaderKeysAt);
  header.record_count = Get32(p + kIsamHeaderRecordsAt);
  return header;
}

void EncodeEntry(const IsamEntry& entry, std::span<std::uint8_t, kIsamEntrySize> out) {
  std::copy(entry.key.begin(), entry.key.end(), out.begin());
  out[kIsamEntryFlagAt] = entry.flag;
  Put32(out.data() + kIsamEntryPointerAt, entry.pointer);
}

IsamEntry DecodeEntry(std::span<const std::uint8_t, kIsamEntrySize> in) {
  IsamEntry entry;
  std::memcpy(entry.key.data(), in.data(), kIsamKeyLength);
  entry.flag = in[kIsamEntryFlagAt];
  entry.pointer = Get32(in.data() + kIsamEntryPointerAt);
  return entry;
}

void EncodeNode(const IsamNode& node, std::span<std::uint8_t, kIsamNodeSize> out) {
  std::uint8_t* p = out.data();
  Put16(p + kIsamNodeLeafAt, node.leaf);
  Put32(p + kIsamNodeParentAt, node.parent);
  Put32(p + kIsamNodeLeftAt, node.left);
  Put32(p + kIsamNodeRightAt, node.right);
  Put16(p + kIsamNodeFreeSlotAt, node.free_slot);
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    EncodeEntry(node.entries[i],
                out.subspan(kIsamNodeEntriesAt + i * kIsamEntrySize).first<kIsamEntrySize>());
  }
}

IsamNode DecodeNode(std::span<const std::uint8_t, kIsamNodeSize> in) {
  IsamNode node;
  DecodeNode(in, node);
  return node;
}

void DecodeNode(std::span<const std::uint8_t, kIsamNodeSize> in, IsamNode& node) {
  const std::uint8_t* p = in.data();
  node.leaf = Get16(p + kIsamNodeLeafAt);
  node.parent = Get32(p + kIsamNodeParentAt);
  node.left = Get32(p + kIsamNodeLeftAt);
  node.right = Get32(p + kIsamNodeRightAt);
  node.free_slot = Get16(p + kIsamNodeFreeSlotAt);
  // Field by field into place: decoding each entry into a temporary and copying it over
  // stalls on every copy, and nodes are decoded on every step of every descent.
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    const std::uint8_t* at = p + kIsamNodeEntriesAt + i * kIsamEntrySize;
    IsamEntry& entry = node.entries[i];
    std::memcpy(entry.key.data(), at, kIsamKeyLength);
    entry.flag = at[kIsamEntryFlagAt];
    entry.pointer = Get32(at + kIsamEntryPointerAt);
  }
}

}  // namespace tallyscan
