#include "engine/browse/item_catalogue.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/browse/item_sort_key.h"
#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using field::M100;
using C = ItemColumns;

constexpr std::array<std::string_view, kItemFieldCount - 1> kLongNames = {
    "מק'ט הפריט", "מק'ט יצרן",  "מק'ט פנימי", "תאור הפריט", "קוד מיון",  "תאור הקוד",  "יחידת מידה",
    "כמות פתיחה", "כמות כניסה", "כמות יציאה", "יתרת כמות",  "מחיר עלות", "עלות במחסן",
};
// The search box offers the numeric keyboard for the codes and figures, Hebrew for the texts.
constexpr std::array kNumeric = {C::Field("item_code"),     C::Field("maker_code"),
                                 C::Field("internal_code"), C::Field("sort_code"),
                                 C::Field("opening"),       C::Field("stock_cost")};
constexpr std::array kHebrew = {C::Field("description"), C::Field("sort_code_name"),
                                C::Field("unit")};

constexpr FieldCatalogue kItemCatalogue = {
    "PrtFields",
    "30,1;100,2;180,5;150,7;100,8;100,9;100,10;100,11;100,12;100,13",
    "עדכון רשימת שדות לפריטים",
    kItemColumns,
    kLongNames,
    kNumeric,
    kHebrew,
};

// The record field behind each catalogue field but the image and the quantity balance, which
// are computed.
const FieldLayout* SourceOf(int field) {
  switch (field) {
    case C::Field("item_code"):
      return &M100(1453);
    case C::Field("maker_code"):
      return &M100(1454);
    case C::Field("internal_code"):
      return &M100(1455);
    case C::Field("description"):
      return &M100(1456);
    case C::Field("sort_code"):
      return &M100(1457);
    case C::Field("sort_code_name"):
      return &M100(1458);
    case C::Field("unit"):
      return &M100(1459);
    case C::Field("opening"):
      return &M100(1460);
    case C::Field("in"):
      return &M100(1461);
    case C::Field("out"):
      return &M100(1462);
    case C::Field("cost_price"):
      return &M100(1463);
    case C::Field("stock_cost"):
      return &M100(1464);
    default:
      return nullptr;
  }
}

std::int64_t Value(std::string_view line, const FieldLayout& f) {
  return ReadAmount(SliceField(line, f));
}

}  // namespace

const FieldCatalogue& ItemFieldCatalogue() { return kItemCatalogue; }

std::int64_t ItemQuantityBalance(std::string_view line) {
  // Three fields of at most 15 characters: the balance cannot pass the 64-bit limits.
  return Value(line, M100(1460)) + Value(line, M100(1461)) - Value(line, M100(1462));
}

std::string ItemCell(std::string_view line, int field, bool dos) {
  if (field == C::Field("image")) return ItemQuantityBalance(line) < 0 ? "1" : "0";
  if (field == C::Field("balance")) return BalanceText(ItemQuantityBalance(line), false);
  const FieldLayout* source = SourceOf(field);
  if (source == nullptr) return {};
  switch (source->kind) {
    case FieldKind::kAmount:
    case FieldKind::kUdec:
      return BalanceText(Value(line, *source), false);
    case FieldKind::kKey:
      return StrippedCell(SliceField(line, *source));
    default:
      return FieldCell(line, *source, dos);
  }
}

std::string ItemRowText(std::string_view line, bool dos) {
  std::vector<std::string> cells;
  cells.reserve(kItemFieldCount);
  for (int f = 1; f <= kItemFieldCount; ++f) cells.push_back(ItemCell(line, f, dos));
  return JoinCells(cells);
}

bool ItemSortable(int field) { return field > C::Field("image") && field <= kItemFieldCount; }

bool SortItems(RecordStore& store, int field) {
  if (!ItemSortable(field)) return false;
  const checks::RecordReader reader(store);
  std::string scratch;
  const FieldLayout* source = SourceOf(field);
  for (ListEntry& entry : store.ItemListIndex.MutableEntries()) {
    std::string key;
    if (source == nullptr) {  // the quantity balance
      key =
          SignedSortKey(ItemQuantityBalance(reader.Line(entry.Offset, RecordType::kM100, scratch)));
    } else {
      const std::string_view value = reader.Field(entry.Offset, *source, scratch);
      // The maker's code and the texts sort by their trimmed text, the other codes and the
      // figures as stored (right-aligned digits in numeric order).
      if (source->kind == FieldKind::kText || field == C::Field("maker_code")) {
        const std::string_view trimmed = TrimSpaces(value);
        key = store.DosCodePage && source->converted ? DosToWin(trimmed) : std::string(trimmed);
      } else {
        key = std::string(value);
      }
    }
    key = BytesSortKey(key);
    std::memcpy(entry.Key, key.data(), kKeyLength);
  }
  std::span<ListEntry> entries = store.ItemListIndex.MutableEntries();
  std::sort(entries.begin(), entries.end(), [](const ListEntry& a, const ListEntry& b) {
    const int order = std::memcmp(a.Key, b.Key, kKeyLength);
    if (order != 0) return order < 0;
    return a.Offset < b.Offset;
  });
  return true;
}

std::int64_t FindItem(const RecordStore& store, int sort_field, std::string_view word,
                      std::int64_t from) {
  const std::string wanted = Utf8ToCp1255(TrimSpaces(word));
  if (wanted.empty()) return 0;
  const auto& items = store.ItemListIndex;
  for (std::int64_t e = std::max<std::int64_t>(from, 1); e <= items.Count(); ++e) {
    if (sort_field == C::Field("balance")) {
      const std::string line = ReadRecordLine(store, items[e].Offset, RecordType::kM100);
      if (Utf8ToCp1255(ItemCell(line, sort_field, store.DosCodePage)).find(wanted) !=
          std::string::npos) {
        return e;
      }
    } else if (items[e].KeyView().find(wanted) != std::string_view::npos) {
      return e;
    }
  }
  return 0;
}

std::string ItemRows::Cell(int row, int field) const {
  if (row < 0 || row >= RowCount()) return {};
  if (cached_row_ != row) {
    cached_line_ = ReadRecordLine(store_, store_.ItemListIndex[row + 1].Offset, RecordType::kM100);
    cached_row_ = row;
  }
  // A line past the end of the file reads empty: its cells stay empty, image included.
  if (cached_line_.empty()) return {};
  return ItemCell(cached_line_, field, store_.DosCodePage);
}

std::int64_t ItemRows::OffsetOf(int row) const {
  if (row < 0 || row >= RowCount()) return -1;
  return store_.ItemListIndex[row + 1].Offset;
}

}  // namespace tallyscan
