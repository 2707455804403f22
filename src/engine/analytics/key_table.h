#pragma once

// Private to analytics/.
//
// Interning of the keys the tests group by (accounts, operators, flows, batches, document
// numbers): each distinct key gets a dense id, 0, 1, 2 ... in the order first seen, so that
// what a test keeps per line or per group is a 32-bit number instead of a string. Keys are
// compared exactly; the hash only chooses where to look.
//
// A text key is packed into a fixed array: the field trimmed of blanks, padded with blanks.
// Since a trimmed text neither begins nor ends with a blank, two texts pack alike only when
// they are equal.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tallyscan::analytics {

template <std::size_t Width>
using TextKey = std::array<char, Width>;

// `text` (at most Width bytes) padded with blanks.
template <std::size_t Width>
TextKey<Width> PackText(std::string_view text) {
  TextKey<Width> key;
  key.fill(' ');
  // An empty view may carry no data pointer at all, which memcpy must never be given.
  if (!text.empty())
    std::memcpy(key.data(), text.data(), text.size() < Width ? text.size() : Width);
  return key;
}

// A field of Width bytes trimmed of blanks and padded again: a field that does not begin with
// a blank is its own key, copied whole (the usual case of a left-aligned text).
template <std::size_t Width>
TextKey<Width> PackField(std::string_view field) {
  if (field.size() == Width && field[0] != ' ') {
    TextKey<Width> key;
    std::memcpy(key.data(), field.data(), Width);
    return key;
  }
  const std::size_t first = field.find_first_not_of(' ');
  return PackText<Width>(first == std::string_view::npos ? std::string_view()
                                                         : field.substr(first));
}

inline std::uint64_t MixBits(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb93fe53ec1b9ULL;
  x ^= x >> 33;
  return x;
}

inline std::uint64_t HashKey(std::uint64_t key) { return MixBits(key); }

template <std::size_t Width>
std::uint64_t HashKey(const TextKey<Width>& key) {
  std::uint64_t hash = Width;
  std::size_t i = 0;
  for (; i + 8 <= Width; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, key.data() + i, 8);
    hash = MixBits(hash ^ word);
  }
  if (i < Width) {
    std::uint64_t word = 0;
    std::memcpy(&word, key.data() + i, Width - i);
    hash = MixBits(hash ^ word);
  }
  return hash;
}

// The 64-bit hash of a text of any length, for keys kept only as hashes.
inline std::uint64_t HashText(std::string_view text) {
  std::uint64_t hash = text.size();
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    hash = MixBits(hash ^ word);
  }
  if (i < text.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, text.size() - i);
    hash = MixBits(hash ^ word);
  }
  return hash;
}

inline bool SameKey(std::uint64_t a, std::uint64_t b) { return a == b; }

template <std::size_t Width>
bool SameKey(const TextKey<Width>& a, const TextKey<Width>& b) {
  return std::memcmp(a.data(), b.data(), Width) == 0;
}

template <typename Key>
class KeyTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;

  // The id of `key`, added when new.
  std::uint32_t Intern(const Key& key) {
    if (2 * (keys_.size() + 1) > slots_.size()) Grow();
    const std::uint64_t hash = HashKey(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::uint64_t held = slots_[slot];
      if (held == 0) {
        keys_.push_back(key);
        slots_[slot] = Slot(hash, keys_.size() - 1);
        return static_cast<std::uint32_t>(keys_.size() - 1);
      }
      if (Matches(held, hash, key)) return IdOf(held);
    }
  }

  // The id of `key`; kNone when it was never added.
  std::uint32_t Find(const Key& key) const {
    if (slots_.empty()) return kNone;
    const std::uint64_t hash = HashKey(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::uint64_t held = slots_[slot];
      if (held == 0) return kNone;
      if (Matches(held, hash, key)) return IdOf(held);
    }
  }

  // Makes room for `count` keys at once, when their number is known ahead.
  void Reserve(std::size_t count) {
    keys_.reserve(count);
    while (2 * (count + 1) > slots_.size()) Grow();
  }

  // Asks the processor to fetch the place where `key` would be looked for, so that a lookup
  // a little later finds it in the cache.
  void Prefetch(const Key& key) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[HashKey(key) & (slots_.size() - 1)]);
  }

  const Key& KeyOf(std::uint32_t id) const { return keys_[id]; }
  std::size_t size() const { return keys_.size(); }

 private:
  // A slot holds the upper half of its key's hash above id + 1 (0 is an empty slot): eight
  // bytes, and a probe reads another key only when the halves agree.
  static std::uint64_t Slot(std::uint64_t hash, std::size_t id) {
    return (hash & 0xFFFFFFFF00000000ULL) | (id + 1);
  }
  static std::uint32_t IdOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot) - 1; }
  bool Matches(std::uint64_t held, std::uint64_t hash, const Key& key) const {
    return (held >> 32) == (hash >> 32) && SameKey(keys_[IdOf(held)], key);
  }

  void Grow() {
    const std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t id = 0; id < keys_.size(); ++id) {
      const std::uint64_t hash = HashKey(keys_[id]);
      std::size_t slot = hash & mask;
      while (slots_[slot] != 0) slot = (slot + 1) & mask;
      slots_[slot] = Slot(hash, id);
    }
  }

  std::vector<Key> keys_;  // by id
  std::vector<std::uint64_t> slots_;
};

// The same interning for the large tables asked once or more per line: each slot keeps its
// key beside its id, so that a lookup reads one place in memory, which Prefetch can fetch
// while the line's other fields are read. It keeps no list of keys by id, so an id's key
// cannot be asked for.
template <std::size_t Width>
class SlotKeyTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  using Key = TextKey<Width>;

  std::uint32_t Intern(const Key& key) {
    if (2 * (size_ + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = HashKey(key) & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.id == 0) {
        slot.key = key;
        slot.id = static_cast<std::uint32_t>(++size_);
        return slot.id - 1;
      }
      if (SameKey(slot.key, key)) return slot.id - 1;
    }
  }

  std::uint32_t Find(const Key& key) const {
    if (slots_.empty()) return kNone;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = HashKey(key) & mask;; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.id == 0) return kNone;
      if (SameKey(slot.key, key)) return slot.id - 1;
    }
  }

  void Prefetch(const Key& key) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[HashKey(key) & (slots_.size() - 1)]);
  }

  std::size_t size() const { return size_; }

 private:
  struct Slot {
    Key key;
    std::uint32_t id;  // id + 1; 0: empty
  };

  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2, Slot{});
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.id == 0) continue;
      std::size_t at = HashKey(slot.key) & mask;
      while (slots_[at].id != 0) at = (at + 1) & mask;
      slots_[at] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

}  // namespace tallyscan::analytics
