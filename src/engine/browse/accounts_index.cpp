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

using I = IndexColumns;

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
    case I::Field("image"):
      return AccountImage(line) + raw(field::B110(1403));
    case I::Field("account"):
      return raw(field::B110(1403));
    case I::Field("name"):
      return text(field::B110(1404));
    case I::Field("address"):
      return text(field::B110(1407));
    case I::Field("city"):
      return text(field::B110(1409));
    case I::Field("postal_code"):
      return raw(field::B110(1410));
    case I::Field("country"):
      return text(field::Part(field::B110(1411), 0, 20));
    case I::Field("dealer_number"):
      return raw(field::B110(1419));
    case I::Field("balance_code"):
      return raw(field::B110(1405));
    case I::Field("balance_group"):
      return text(field::B110(1406));
    case I::Field("summary_account"):
      return raw(field::B110(1413));
    case I::Field("tax_section"):
      return raw(field::B110(1417));
    case I::Field("branch"):
      return raw(field::B110(1421));
    case I::Field("opening"):
      return raw(field::DigitsOf(field::B110(1414)));
    case I::Field("debit"):
      return raw(field::DigitsOf(field::B110(1415)));
    case I::Field("credit"):
      return raw(field::DigitsOf(field::B110(1416)));
    case I::Field("balance"):
      return SignedSortText(BalanceOf(line));
    case I::Field("opening_fx"):
      return raw(field::DigitsOf(field::B110(1422)));
    default:
      return raw(field::B110(1423));
  }
}

}  // namespace

RowCells AccountRowCells(std::string_view line, bool dos) {
  RowCells cells(kIndexFieldCount);
  if (line.empty()) return cells;
  cells[I::Cell("image")] = std::string(1, AccountImage(line));
  cells[I::Cell("account")] = Stripped(line, field::B110(1403));
  cells[I::Cell("name")] = Text(line, field::B110(1404), dos);
  cells[I::Cell("address")] =
      JoinParts({Text(line, field::B110(1407), dos), Text(line, field::B110(1408), dos)});
  cells[I::Cell("city")] = Text(line, field::B110(1409), dos);
  cells[I::Cell("postal_code")] = Stripped(line, field::B110(1410));
  const std::string country = Text(line, field::B110(1411), dos);
  const std::string country_code = Text(line, field::B110(1412), dos);
  cells[I::Cell("country")] = country_code.empty() ? country : country_code + "-" + country;
  cells[I::Cell("dealer_number")] = Stripped(line, field::B110(1419));
  cells[I::Cell("balance_code")] = Stripped(line, field::B110(1405));
  cells[I::Cell("balance_group")] = Text(line, field::B110(1406), dos);
  cells[I::Cell("summary_account")] = Stripped(line, field::B110(1413));
  cells[I::Cell("tax_section")] = Stripped(line, field::B110(1417));
  cells[I::Cell("branch")] = Stripped(line, field::B110(1421));
  cells[I::Cell("opening")] = BalanceText(Amount(line, field::B110(1414)), true);
  cells[I::Cell("debit")] = BalanceText(Amount(line, field::B110(1415)), false) + kDebitMarker;
  cells[I::Cell("credit")] = BalanceText(Amount(line, field::B110(1416)), false) + kCreditMarker;
  cells[I::Cell("balance")] = BalanceText(BalanceOf(line), true);
  cells[I::Cell("opening_fx")] = BalanceText(Amount(line, field::B110(1422)), true);
  cells[I::Cell("currency")] = Text(line, field::B110(1423), dos);
  return cells;
}

RowCells AccountTotalsCells(const RecordStore& store) {
  RowCells cells(kIndexFieldCount);
  const auto heading = [](std::string text) { return text + std::string(kHeadingMarker); };
  cells[I::Cell("image")] = "3";
  cells[I::Cell("name")] = heading(std::string(kTotalsCaption));
  cells[I::Cell("opening")] = heading(BalanceText(store.TotalOpeningBalance, true));
  cells[I::Cell("debit")] = heading(BalanceText(store.TotalDebit, false));
  cells[I::Cell("credit")] = heading(BalanceText(store.TotalCredit, false));
  cells[I::Cell("balance")] =
      heading(BalanceText(store.TotalOpeningBalance + store.TotalDebit - store.TotalCredit, true));
  cells[I::Cell("opening_fx")] = heading(BalanceText(store.TotalOpeningBalanceFx, true));
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
