#include "engine/analytics/compare_read.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/source_pass.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;
using field::B110;

// A text of the file as a cell shows it: trimmed, converted from the DOS code page when the
// set is written in it.
std::string TextOf(std::string_view field, bool dos) {
  const std::string_view trimmed = TrimSpaces(field);
  return SafeCellText(Cp1255ToUtf8(dos ? DosToWin(trimmed) : std::string(trimmed)));
}

std::string KeyOf(std::string_view field) { return SafeCellText(Cp1255ToUtf8(TrimSpaces(field))); }

// A dealer number of an account: none when blank or all zeros (the producers write zeros for
// an account that has none).
std::string DealerOf(std::string_view field) {
  const std::string_view trimmed = TrimSpaces(field);
  if (trimmed.find_first_not_of('0') == std::string_view::npos) return {};
  return SafeCellText(Cp1255ToUtf8(trimmed));
}

// The digests of INI.TXT (its A000 kept) and of the zip when the set came in one.
Status DigestSources(const SourceFiles& sources, PeriodData& out) {
  FileFacts ini;
  if (Status s = DigestFile(sources.ini, ini, &out.a000); !s.ok()) return s;
  out.source.push_back({ini.name, ini.bytes, ini.sha256});
  if (!sources.zip.empty()) {
    FileFacts zip;
    if (Status s = DigestFile(sources.zip, zip); !s.ok()) return s;
    out.source.push_back({zip.name, zip.bytes, zip.sha256});
  }
  return Status::Ok();
}

// Movements are tallied under their key's bytes as the file has them, found without making a
// string per line; the keys are made cell texts once, at the end. The last account's totals
// are kept at hand, for the runs of one account.
class MovementTally {
 public:
  void Add(std::string_view head, PeriodData& out) {
    PeriodMovements& m = Of(TrimSpaces(SliceField(head, B100(1364))));
    ++m.lines;
    if (const auto amount = ReadUsableAmount(SliceField(head, B100(1368)))) {
      const bool credit = SliceField(head, B100(1366)) == "2";
      m.net += credit ? -*amount : *amount;
      m.magnitude += *amount < 0 ? -*amount : *amount;
    }
    if (const auto day = ReadDateField(SliceField(head, B100(1362)))) {
      if (!m.first_date || *day < *m.first_date) m.first_date = day;
      if (!out.first_date || *day < *out.first_date) out.first_date = day;
      if (!out.last_date || *day > *out.last_date) out.last_date = day;
    }
  }

  // The totals under the accounts' keys as cells show them; keys that differ only in their
  // bytes add up.
  void MoveInto(std::map<std::string, PeriodMovements>& movements) const {
    for (const auto& [bytes, tallied] : by_bytes_) {
      PeriodMovements& m = movements[KeyOf(bytes)];
      m.lines += tallied.lines;
      m.net += tallied.net;
      m.magnitude += tallied.magnitude;
      if (tallied.first_date && (!m.first_date || *tallied.first_date < *m.first_date)) {
        m.first_date = tallied.first_date;
      }
    }
  }

 private:
  struct BytesHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view bytes) const {
      return std::hash<std::string_view>()(bytes);
    }
  };

  PeriodMovements& Of(std::string_view key_field) {
    if (last_ == nullptr || key_field != last_key_) {
      auto found = by_bytes_.find(key_field);
      if (found == by_bytes_.end())
        found = by_bytes_.emplace(std::string(key_field), PeriodMovements{}).first;
      last_key_ = found->first;
      last_ = &found->second;
    }
    return *last_;
  }

  std::unordered_map<std::string, PeriodMovements, BytesHash, std::equal_to<>> by_bytes_;
  std::string_view last_key_;
  PeriodMovements* last_ = nullptr;
};

// A B110 line's card under its trimmed key.
std::pair<std::string, PeriodCard> CardOf(std::string_view head, bool dos) {
  PeriodCard card;
  card.name = TextOf(SliceField(head, B110(1404)), dos);
  card.code = TextOf(SliceField(head, B110(1405)), dos);
  card.code_caption = TextOf(SliceField(head, B110(1406)), dos);
  card.classification = KeyOf(SliceField(head, B110(1417)));
  card.dealer = DealerOf(SliceField(head, B110(1419)));
  card.opening = ReadUsableAmount(SliceField(head, B110(1414)));
  card.debit = ReadUsableAmount(SliceField(head, B110(1415)));
  card.credit = ReadUsableAmount(SliceField(head, B110(1416)));
  return {KeyOf(SliceField(head, B110(1403))), std::move(card)};
}

}  // namespace

Status ReadPeriod(const RecordStore& store, const SourceFiles& sources, ProgressMonitor& monitor,
                  PeriodData& out) {
  if (Status s = DigestSources(sources, out); !s.ok()) return s;
  const bool dos = store.DosCodePage;
  MovementTally tally;
  DataPass reading(store);
  Status read = reading.Run(monitor, [&](std::int64_t, std::string_view head) {
    const std::string_view type = head.substr(0, 4);
    if (type == "B100") {
      ++out.movement_lines;
      tally.Add(head, out);
    } else if (type == "B110") {
      ++out.card_lines;
      // A key given twice keeps its first card, as the index shows it first.
      out.cards.insert(CardOf(head, dos));
    }
    return true;
  });
  if (!read.ok()) return read;
  tally.MoveInto(out.movements);
  out.source.push_back({std::filesystem::path(store.DataFile.Path()).filename().string(),
                        reading.bytes(), reading.sha256()});
  return Status::Ok();
}

}  // namespace tallyscan::analytics
