#pragma once

// Private to isam/: the rest of the program includes isam/isam.h.
//
// The byte map of the record manager's index file. The bookkeeping product reads these files,
// so every byte below is fixed. Positions are 1-based, as the file's own pointers are: the
// node at position p starts at byte offset p - 1. All integers are little-endian.
//
//   position  size  content
//   1         8     zero bytes when the file is created; their meaning belongs to the product,
//                   so they are written once and never touched again
//   9         26    header A: roots of keys 1-3, the free list, the stack, the key count and
//                   the number of records
//   35        26    header B: roots of keys 4-6; its free, stack and record fields stay 0
//   61        456   nodes, one after another; a new file holds six, one root leaf per key
//                   (61, 517, 973, 1429, 1885, 2341), and grows by appending at length + 1
//
//   Header (26)                  Node (456)                        Entry (22)
//    0  u32 root of key 1 | 4     0  u16 1 leaf, 0 inner            0  17 key bytes
//    4  u32 root of key 2 | 5     2  u32 parent (0 at a root)      17  u8  flag
//    8  u32 root of key 3 | 6     6  u32 left sibling (0: none)    18  u32 pointer: the record
//   12  u32 first free node      10  u32 right sibling; in a free          number in a leaf,
//   16  u32 stack value                  node, the next free node          the child node's
//   20  u16 number of keys       14  u16 highest free slot f:              position inside
//   22  u32 records inserted             slots f+1..20 are in use
//                                16  20 entries, slot 1 first
//
// Entries of a node are in ascending byte order of their keys and packed to the right. An
// inner entry's key is the highest key of its child's subtree. The last leaf of every tree
// ends with the high sentinel (15 bytes 0xFF and 2 blanks, pointer 0), so every descent finds
// an entry at least as high as the key it looks for. Free slots hold the blank entry (15 NUL
// bytes and 2 blanks, flag 0, pointer 0).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tallyscan {

inline constexpr std::size_t kIsamKeyLength = 17;
inline constexpr std::size_t kIsamEntrySize = 22;
inline constexpr std::size_t kIsamHeaderSize = 26;
inline constexpr std::size_t kIsamNodeSize = 456;
inline constexpr int kIsamSlotsPerNode = 20;
inline constexpr int kIsamSplitHalf = 10;
inline constexpr int kIsamMaxKeys = 6;
inline constexpr int kIsamKeysPerHeader = 3;

inline constexpr std::uint32_t kIsamHeaderAPosition = 9;
inline constexpr std::uint32_t kIsamHeaderBPosition = 35;
inline constexpr std::uint32_t kIsamFirstNodePosition = 61;
inline constexpr int kIsamInitialNodes = 6;
inline constexpr std::uint64_t kIsamEmptyFileSize =
    kIsamFirstNodePosition - 1 + kIsamInitialNodes * kIsamNodeSize;  // 2796

// Header fields.
inline constexpr std::size_t kIsamHeaderRootsAt = 0;
inline constexpr std::size_t kIsamHeaderFreeAt = 12;
inline constexpr std::size_t kIsamHeaderStackAt = 16;
inline constexpr std::size_t kIsamHeaderKeysAt = 20;
inline constexpr std::size_t kIsamHeaderRecordsAt = 22;

// Node fields.
inline constexpr std::size_t kIsamNodeLeafAt = 0;
inline constexpr std::size_t kIsamNodeParentAt = 2;
inline constexpr std::size_t kIsamNodeLeftAt = 6;
inline constexpr std::size_t kIsamNodeRightAt = 10;
inline constexpr std::size_t kIsamNodeFreeSlotAt = 14;
inline constexpr std::size_t kIsamNodeEntriesAt = 16;

// Entry fields.
inline constexpr std::size_t kIsamEntryFlagAt = 17;
inline constexpr std::size_t kIsamEntryPointerAt = 18;

// The key block a caller hands to DbInsert, DbUpdate and DbDelete: key k (1-6) at
// (k - 1) * 17, then the record's flag byte and its 32-bit record pointer.
inline constexpr std::size_t kIsamKeyBlockSize = 107;
inline constexpr std::size_t kIsamKeyBlockFlagAt = 102;
inline constexpr std::size_t kIsamKeyBlockPointerAt = 103;

constexpr std::uint64_t IsamPositionToOffset(std::uint32_t position) { return position - 1; }

using IsamKey = std::array<std::uint8_t, kIsamKeyLength>;

struct IsamEntry {
  IsamKey key{};
  std::uint8_t flag = 0;
  std::uint32_t pointer = 0;
  friend bool operator==(const IsamEntry&, const IsamEntry&) = default;
};

struct IsamHeader {
  std::array<std::uint32_t, kIsamKeysPerHeader> roots{};
  std::uint32_t free_node = 0;
  std::uint32_t stack = 0;
  std::uint16_t number_of_keys = 0;
  std::uint32_t record_count = 0;
  friend bool operator==(const IsamHeader&, const IsamHeader&) = default;
};

struct IsamNode {
  std::uint16_t leaf = 0;
  std::uint32_t parent = 0;
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  std::uint16_t free_slot = 0;
  std::array<IsamEntry, kIsamSlotsPerNode> entries{};

  // Slots are numbered 1-20 as in the file.
  IsamEntry& Slot(int slot) { return entries[static_cast<std::size_t>(slot - 1)]; }
  const IsamEntry& Slot(int slot) const { return entries[static_cast<std::size_t>(slot - 1)]; }
  int FirstUsed() const { return free_slot + 1; }
  int UsedCount() const { return kIsamSlotsPerNode - free_slot; }
};

IsamKey BlankKey();     // 15 NUL bytes and 2 blanks
IsamKey SentinelKey();  // 15 bytes 0xFF and 2 blanks
IsamEntry BlankEntry();
IsamNode EmptyLeaf();    // the node of a new tree: the sentinel alone in slot 20
IsamNode ClearedNode();  // all fields 0, every slot blank: a node about to be reused or freed

// Byte order of two keys: negative, zero or positive. Inline, as eight bytes at a time read
// most significant first: every step of every descent compares keys.
inline int CompareKeys(const IsamKey& a, const IsamKey& b) {
  for (std::size_t at = 0; at + 8 <= kIsamKeyLength; at += 8) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      x = x << 8 | a[at + i];
      y = y << 8 | b[at + i];
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return static_cast<int>(a[kIsamKeyLength - 1]) - static_cast<int>(b[kIsamKeyLength - 1]);
}

void EncodeHeader(const IsamHeader& header, std::span<std::uint8_t, kIsamHeaderSize> out);
IsamHeader DecodeHeader(std::span<const std::uint8_t, kIsamHeaderSize> in);
void EncodeEntry(const IsamEntry& entry, std::span<std::uint8_t, kIsamEntrySize> out);
IsamEntry DecodeEntry(std::span<const std::uint8_t, kIsamEntrySize> in);
// Decoding takes the bytes as they are; callers check free_slot and the links before use.
void EncodeNode(const IsamNode& node, std::span<std::uint8_t, kIsamNodeSize> out);
IsamNode DecodeNode(std::span<const std::uint8_t, kIsamNodeSize> in);
void DecodeNode(std::span<const std::uint8_t, kIsamNodeSize> in, IsamNode& node);

}  // namespace tallyscan
