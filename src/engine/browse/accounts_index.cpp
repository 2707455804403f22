#include "engine/browse/accounts_index.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/browse/sort_key.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kTotalsCaption = "סה'כ למאזן בוחן";

std::int64_t Amount(std::string_view line, const FieldLayout& field) {
  return ReadAmount(SliceField(line, field));
}

}  // namespace

char AccountImage(std::string_view line) {
  const std::int64_t section = ReadInteger(SliceField(line, field::B110(1417)));
  if ((section >= 1000 && section <= 1100) || (section >= 5100 && section <= 5300)) return '8';
  if (section >= 7000 && section <= 8889) return '5';
  if (section > 8999) return '6';
  return '7';
}

namespace {

std::int64_t BalanceOf(std::string_view line) {
  return Amount(line, field::B110(1414)) + Amount(line, field::B110(1415)) -
         Amount(line, field::B110(1416));
}

std::string Text(std::string_view line, const FieldLayout& field, bool dos) {
  return TextCell(SliceField(line, field), dos, field.converted);
}

std::string Stripped(std::string_view line, const FieldLayout& field) {
  return StrippedCell(SliceField(line, field));
}

// The text a header click on `field` sorts by, in code page 1255 bytes.
std::string SortText(std::string_view line, int field_number, bool dos) {
  const auto text = [&](Positions positions) {
    std::string bytes(TrimSpaces(SliceField(line, positions)));
    return dos ? DosToWin(bytes) : bytes;
  };
  const auto raw = [&](Positions positions) { return std::string(SliceField(line, positions)); };
  switch (field_number) {
    case 1:
      return AccountImage(line) + raw(field::B110(1403));
    case 2:
      return raw(field::B110(1403));
    case 3:
      return text(field::B110(1404));
    case 4:
      return text(field::B110(1407));
    case 5:
      return text(field::B110(1409));
    case 6:
      return raw(field::B110(1410));
    case 7:
      return text(field::Part(field::B110(1411), 0, 20));
    case 8:
      return raw(field::B110(1419));
    case 9:
      return raw(field::B110(1405));
    case 10:
      return text(field::B110(1406));
    case 11:
      return raw(field::B110(1413));
    case 12:
      return raw(field::B110(1417));
    case 13:
      return raw(field::B110(1421));
    case 14:
      return raw(field::DigitsOf(field::B110(1414)));
    case 15:
      return raw(field::DigitsOf(field::B110(1415)));
    case 16:
      return raw(field::DigitsOf(field::B110(1416)));
    case 17:
      return SignedSortText(BalanceOf(line));
    case 18:
      return raw(field::DigitsOf(field::B110(1422)));
    default:
      return raw(field::B110(1423));
  }
}

}  // namespace

RowCells AccountRowCells(std::string_view line, bool dos) {
  RowCells cells(kIndexFieldCount);
  if (line.empty()) return cells;
  cells[0] = std::string(1, AccountImage(line));
  cells[1] = Stripped(line, field::B110(1403));
  cells[2] = Text(line, field::B110(1404), dos);
  cells[3] = JoinParts({Text(line, field::B110(1407), dos), Text(line, field::B110(1408), dos)});
  cells[4] = Text(line, field::B110(1409), dos);
  cells[5] = Stripped(line, field::B110(1410));
  const std::string country = Text(line, field::B110(1411), dos);
  const std::string country_code = Text(line, field::B110(1412), dos);
  cells[6] = country_code.empty() ? country : country_code + "-" + country;
  cells[7] = Stripped(line, field::B110(1419));
  cells[8] = Stripped(line, field::B110(1405));
  cells[9] = Text(line, field::B110(1406), dos);
  cells[10] = Stripped(line, field::B110(1413));
  cells[11] = Stripped(line, field::B110(1417));
  cells[12] = Stripped(line, field::B110(1421));
  cells[13] = BalanceText(Amount(line, field::B110(1414)), true);
  cells[14] = BalanceText(Amount(line, field::B110(1415)), false) + kDebitMarker;
  cells[15] = BalanceText(Amount(line, field::B110(1416)), false) + kCreditMarker;
  cells[16] = BalanceText(BalanceOf(line), true);
  cells[17] = BalanceText(Amount(line, field::B110(1422)), true);
  cells[18] = Text(line, field::B110(1423), dos);
  return cells;
}

RowCells AccountTotalsCells(const RecordStore& store) {
  RowCells cells(kIndexFieldCount);
  const auto heading = [](std::string text) { return text + std::string(kHeadingMarker); };
  cells[0] = "3";
  cells[2] = heading(std::string(kTotalsCaption));
  cells[13] = heading(BalanceText(store.TotalOpeningBalance, true));
  cells[14] = heading(BalanceText(store.TotalDebit, false));
  cells[15] = heading(BalanceText(store.TotalCredit, false));
  cells[16] =
      heading(BalanceText(store.TotalOpeningBalance + store.TotalDebit - store.TotalCredit, true));
  cells[17] = heading(BalanceText(store.TotalOpeningBalanceFx, true));
  return cells;
}

bool SortAccountList(RecordStore& store, int field_number) {
  if (field_number < 1 || field_number > kIndexFieldCount) return false;
  std::span<ListEntry> entries = store.AccountListIndex.MutableEntries();
  std::vector<std::int64_t> offsets(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) offsets[i] = entries[i].Offset;
  ForEachRecordLine(store, offsets, RecordType::kB110, [&](std::size_t i, std::string_view line) {
    SetSortKey(SortText(line, field_number, store.DosCodePage), entries[i].Key);
    return true;
  });
  std::sort(entries.begin(), entries.end(), [](const ListEntry& a, const ListEntry& b) {
    const int by_key = std::memcmp(a.Key, b.Key, kKeyLength);
    if (by_key != 0) return by_key < 0;
    const int by_card = std::memcmp(a.ShortKey, b.ShortKey, kShortKeyLength);
    if (by_card != 0) return by_card < 0;
    return a.Offset < b.Offset;
  });
  return true;
}

const RowCells& AccountsIndexRows::Row(std::int64_t row) {
  if (row == cached_row_ && row != 0) return cells_;
  const std::int64_t accounts = store_.AccountListIndex.Count();
  if (row >= 1 && row <= accounts) {
    cells_ = AccountRowCells(
        ReadRecordLine(store_, store_.AccountListIndex[row].Offset, RecordType::kB110),
        store_.DosCodePage);
  } else if (row == accounts + 1) {
    cells_ = AccountTotalsCells(store_);
  } else {
    cells_.assign(kIndexFieldCount, std::string());
  }
  cached_row_ = row;
  return cells_;
}

}  // namespace tallyscan
