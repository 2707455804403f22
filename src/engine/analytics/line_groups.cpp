#include "engine/analytics/line_groups.h"

#include <algorithm>
#include <tuple>

#include "engine/analytics/polled_sort.h"

namespace tallyscan::analytics {

namespace {

std::uint64_t Entry(std::uint64_t hash, std::uint32_t ordinal) {
  return (hash & 0xFFFFFFFF00000000ULL) | ordinal;
}
std::uint32_t OrdinalOf(std::uint64_t entry) { return static_cast<std::uint32_t>(entry); }
std::uint32_t HashOf(std::uint64_t entry) { return static_cast<std::uint32_t>(entry >> 32); }

// Calls `group` with each run of at least `least` entries whose key (as `key_of` gives it
// for an ordinal) is equal, in ascending order of ordinals. `entries` are sorted by hash; a
// run of equal hashes whose keys differ is sorted by key first.
template <typename KeyOf, typename Group>
bool ForEachGroup(std::vector<std::uint64_t>& entries, KeyOf key_of, Group group,
                  const std::function<bool()>& stop, std::size_t least = 2) {
  std::vector<std::uint32_t> run;
  for (std::size_t i = 0; i < entries.size();) {
    std::size_t j = i + 1;
    while (j < entries.size() && HashOf(entries[j]) == HashOf(entries[i])) ++j;
    if (j - i == 1 && least == 1) {
      // A hash of its own is a group of its own (most of the keys of a file of few repeats).
      const std::uint32_t ordinal = OrdinalOf(entries[i]);
      group(&ordinal, 1);
    } else if (j - i >= least) {
      run.clear();
      for (std::size_t k = i; k < j; ++k) run.push_back(OrdinalOf(entries[k]));
      // Ordinals of equal hashes come sorted, so that stable sorting by key keeps each
      // group in file order.
      const auto first_key = key_of(run.front());
      const bool one_key = std::all_of(run.begin(), run.end(),
                                       [&](std::uint32_t o) { return key_of(o) == first_key; });
      if (!one_key) {
        std::stable_sort(run.begin(), run.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return key_of(a) < key_of(b); });
      }
      for (std::size_t a = 0; a < run.size();) {
        std::size_t b = a + 1;
        while (b < run.size() && key_of(run[b]) == key_of(run[a])) ++b;
        if (b - a >= least) group(&run[a], b - a);
        a = b;
      }
    }
    if ((i & 0xFFF) == 0 && stop()) return false;
    i = j;
  }
  return true;
}

// Hits found whole are given in line order; a stopped search says so and gives no order.
void Finish(GroupHits& hits, bool done) {
  hits.stopped = !done;
  if (done) std::sort(hits.ordinals.begin(), hits.ordinals.end());
}

// The reversed lines of one group of equal account, counter account and |A|: each side's
// lines by date; for a line, the other side's lines within `days` of its date are a range,
// and it is a hit when the range holds a line of another transaction.
class ReversedLines {
 public:
  ReversedLines(const MovementColumns& c, std::int64_t days) : c_(c), days_(days) {}

  // Appends the group's hits to `hits`; whether there were any.
  bool Find(const std::uint32_t* group, std::size_t size, std::vector<std::uint32_t>& hits) {
    for (auto& side : sides_) side.clear();
    for (std::size_t k = 0; k < size; ++k) {
      sides_[Money::Credit(c_.money[group[k]]) ? 1 : 0].push_back(group[k]);
    }
    if (sides_[0].empty() || sides_[1].empty()) return false;
    for (auto& side : sides_) {
      std::stable_sort(side.begin(), side.end(),
                       [&](std::uint32_t a, std::uint32_t b) { return c_.date[a] < c_.date[b]; });
    }
    const bool debits = Against(sides_[0], sides_[1], hits);
    const bool credits = Against(sides_[1], sides_[0], hits);
    return debits || credits;
  }

 private:
  // The lines of `mine` that `other` reverses.
  bool Against(const std::vector<std::uint32_t>& mine, const std::vector<std::uint32_t>& other,
               std::vector<std::uint32_t>& hits) {
    // run_end_[i]: the first place after i whose transaction differs from i's.
    run_end_.assign(other.size(), other.size());
    for (std::size_t i = other.size() - 1; i-- > 0;) {
      run_end_[i] =
          c_.transaction[other[i]] != c_.transaction[other[i + 1]] ? i + 1 : run_end_[i + 1];
    }
    bool any = false;
    for (const std::uint32_t o : mine) {
      const std::int64_t date = c_.date[o];
      const auto low =
          std::lower_bound(other.begin(), other.end(), date - days_,
                           [&](std::uint32_t x, std::int64_t d) { return c_.date[x] < d; });
      const auto high =
          std::upper_bound(other.begin(), other.end(), date + days_,
                           [&](std::int64_t d, std::uint32_t x) { return d < c_.date[x]; });
      if (low == high) continue;
      const auto first = static_cast<std::size_t>(low - other.begin());
      const auto end = static_cast<std::size_t>(high - other.begin());
      if (c_.transaction[other[first]] != c_.transaction[o] || run_end_[first] < end) {
        hits.push_back(o);
        any = true;
      }
    }
    return any;
  }

  const MovementColumns& c_;
  std::int64_t days_;
  std::vector<std::uint32_t> sides_[2];
  std::vector<std::size_t> run_end_;
};

}  // namespace

GroupHits FindDuplicates(const JetPass& pass, const std::function<bool()>& stop) {
  const MovementColumns& c = pass.columns;
  auto key_of = [&](std::uint32_t o) {
    return std::make_tuple(c.account[o], Money::SignedAndSide(c.money[o]), c.date[o],
                           c.reference[o]);
  };
  GroupHits hits;
  std::vector<std::uint64_t> entries;
  entries.reserve(c.size());  // at most one per line, without the copies of growing
  for (std::uint32_t o = 0; o < c.size(); ++o) {
    if (c.account[o] == kNoId || c.reference[o] == 0 || !Money::Usable(c.money[o]) ||
        c.date[o] == kNoDay) {
      continue;
    }
    const auto [account, money, date, reference] = key_of(o);
    const std::uint64_t hash =
        MixBits(MixBits(MixBits(account ^ money) ^ static_cast<std::uint32_t>(date)) ^ reference);
    entries.push_back(Entry(hash, o));
  }
  if (!SortPolled(entries, stop)) {
    hits.stopped = true;
    return hits;
  }
  const bool done = ForEachGroup(
      entries, key_of,
      [&](const std::uint32_t* group, std::size_t size) {
        const std::uint64_t first = c.transaction[group[0]];
        if (std::any_of(group, group + size,
                        [&](std::uint32_t o) { return c.transaction[o] != first; })) {
          hits.ordinals.insert(hits.ordinals.end(), group, group + size);
          ++hits.groups;
        }
      },
      stop);
  Finish(hits, done);
  return hits;
}

GroupHits FindReversals(const JetPass& pass, std::int64_t days, const std::function<bool()>& stop) {
  const MovementColumns& c = pass.columns;
  auto key_of = [&](std::uint32_t o) {
    return std::make_tuple(c.account[o], c.counter[o], Money::Magnitude(c.money[o]));
  };
  GroupHits hits;
  std::vector<std::uint64_t> entries;
  entries.reserve(c.size());  // at most one per line, without the copies of growing
  for (std::uint32_t o = 0; o < c.size(); ++o) {
    if (c.account[o] == kNoId || c.counter[o] == kNoId || Money::Magnitude(c.money[o]) == 0 ||
        c.date[o] == kNoDay) {
      continue;
    }
    const std::uint64_t flow = std::uint64_t{c.account[o]} << 32 | c.counter[o];
    entries.push_back(Entry(MixBits(MixBits(flow) ^ Money::Magnitude(c.money[o])), o));
  }
  if (!SortPolled(entries, stop)) {
    hits.stopped = true;
    return hits;
  }
  ReversedLines reversed(c, days);
  const bool done = ForEachGroup(
      entries, key_of,
      [&](const std::uint32_t* group, std::size_t size) {
        if (reversed.Find(group, size, hits.ordinals)) ++hits.groups;
      },
      stop);
  Finish(hits, done);
  return hits;
}

FlowHits FindRareFlows(const JetPass& pass, std::int64_t most, const std::function<bool()>& stop) {
  const MovementColumns& c = pass.columns;
  auto key_of = [&](std::uint32_t o) { return std::uint64_t{c.account[o]} << 32 | c.counter[o]; };
  FlowHits hits;
  std::vector<std::uint64_t> entries;
  entries.reserve(c.size());  // at most one per line, without the copies of growing
  for (std::uint32_t o = 0; o < c.size(); ++o) {
    if (c.account[o] == kNoId || c.counter[o] == kNoId) continue;
    entries.push_back(Entry(MixBits(key_of(o)), o));
  }
  if (!SortPolled(entries, stop)) {
    hits.stopped = true;
    return hits;
  }
  const bool done = ForEachGroup(
      entries, key_of,
      [&](const std::uint32_t* group, std::size_t size) {
        ++hits.groups;
        if (static_cast<std::int64_t>(size) > most) return;
        ++hits.rare_groups;
        hits.ordinals.insert(hits.ordinals.end(), group, group + size);
      },
      stop, 1);
  Finish(hits, done);
  return hits;
}

}  // namespace tallyscan::analytics
