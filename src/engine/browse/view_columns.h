#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The columns of the browsers' rows (uniform/columns.h), from which their field catalogues,
// the command line's `view` tables, the browser reports' columns and the pages' grids are
// made. A browser's field n is the n-th column of its table: the settings (IdxFields and the
// other field lists, SortIndex) and `--sort` store these numbers, so a column is never moved
// or taken out, only added at the end. The pinned numbers below stop the build if one moves.
//
// A view's command-line CSV is headed by the columns' headings, as its stored outputs are;
// the names are the code's.

#include <array>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// The columns of a browser, with its field numbers.
template <const auto& kTable>
struct ViewColumns : Columns<kTable> {
  static constexpr int kFieldCount = static_cast<int>(kTable.size());
  // The field number of column `name`, counted from 1 as the settings count.
  static consteval int Field(std::string_view name) {
    return static_cast<int>(Columns<kTable>::Cell(name)) + 1;
  }
};

// A figure column of amounts in shekels and agorot.
constexpr ResultColumn AmountColumn(std::string_view name, std::string_view heading) {
  return FigureColumn(name, heading, ValueKind::kAgorot);
}
// A column of keys or codes, standing at the start.
constexpr ResultColumn KeyColumn(std::string_view name, std::string_view heading) {
  return {name, heading, ValueKind::kKey, CellAlign::kStart};
}
constexpr ResultColumn DateColumn(std::string_view name, std::string_view heading) {
  return {name, heading, ValueKind::kDate, CellAlign::kStart};
}

// The accounts index. The image is the account's picture by its income-tax section.
inline constexpr std::array kIndexColumns = {
    TextColumn("image", "#"),
    KeyColumn("account", "מפתח החשבון"),
    TextColumn("name", "שם החשבון"),
    TextColumn("address", "כתובת החשבון"),
    TextColumn("city", "עיר"),
    KeyColumn("postal_code", "מיקוד"),
    TextColumn("country", "מדינה"),
    KeyColumn("dealer_number", "מס. עוסק"),
    KeyColumn("balance_code", "קוד מאזן"),
    TextColumn("balance_group", "תאור קב' מאזן"),
    KeyColumn("summary_account", "ח-ן מרכז"),
    KeyColumn("tax_section", "סעיף מ.ה"),
    KeyColumn("branch", "מזהה ענף"),
    AmountColumn("opening", "יתרת פתיחה"),
    AmountColumn("debit", "מצטבר חובה"),
    AmountColumn("credit", "מצטבר זכות"),
    AmountColumn("balance", "יתרה"),
    AmountColumn("opening_fx", "י.פ. מט'ח"),
    TextColumn("currency", "קוד מטבע"),
};
using IndexColumns = ViewColumns<kIndexColumns>;
static_assert(IndexColumns::kFieldCount == 19 && IndexColumns::Field("name") == 3 &&
              IndexColumns::Field("opening") == 14 && IndexColumns::Field("opening_fx") == 18);

// The ledger card. The image is the side of the movement: 9 a debit, 10 a credit, 8 a totals
// row.
inline constexpr std::array kLedgerColumns = {
    TextColumn("image", "#"),
    KeyColumn("transaction", "מס. תנועה"),
    KeyColumn("transaction_line", "מס. שורה"),
    KeyColumn("batch", "מנה"),
    TextColumn("movement_type", "סוג תנועה"),
    DateColumn("reference_date", "תאריך אסמ."),
    KeyColumn("reference", "אסמכתא"),
    KeyColumn("reference_type", "סוג אסמ."),
    DateColumn("value_date", "תאריך ערך"),
    KeyColumn("reference_2", "אסמכתא II"),
    KeyColumn("reference_type_2", "סוג אס. II"),
    TextColumn("details", "פרטים"),
    KeyColumn("counter_account", "ח-ן נגדי"),
    TextColumn("counter_name", "שם ח-ן נגדי"),
    TextColumn("currency", "קוד מט'ח"),
    AmountColumn("amount", "סכום הפעולה"),
    AmountColumn("debit", "חובה"),
    AmountColumn("credit", "זכות"),
    AmountColumn("balance", "יתרה"),
    AmountColumn("amount_fx", "סכום מט'ח"),
    AmountColumn("debit_fx", "חובה מט'ח"),
    AmountColumn("credit_fx", "זכות מט'ח"),
    KeyColumn("match_1", "התאמה 1"),
    KeyColumn("match_2", "התאמה 2"),
    DateColumn("entry_date", "תא' הזנה"),
    TextColumn("operator", "מבצע הפעולה"),
};
using LedgerColumns = ViewColumns<kLedgerColumns>;
static_assert(LedgerColumns::kFieldCount == 26 && LedgerColumns::Field("details") == 12 &&
              LedgerColumns::Field("amount") == 16 && LedgerColumns::Field("credit_fx") == 22);

// The documents register. The image is 1 where the document check marks the document.
inline constexpr std::array kRegisterColumns = {
    TextColumn("image", "#"),
    TextColumn("type", "סוג המסמך"),
    KeyColumn("number", "מספר"),
    DateColumn("date", "תאריך"),
    TextColumn("customer", "שם לקוח/ספק"),
    KeyColumn("dealer_number", "מס. עוסק"),
    AmountColumn("before_discount", "לפני הנחה"),
    AmountColumn("vat", "מע'מ"),
    AmountColumn("total", "סה'כ"),
    TextColumn("mismatch", "אי התאמה"),
};
using DocumentRegisterColumns = ViewColumns<kRegisterColumns>;
static_assert(DocumentRegisterColumns::kFieldCount == 10 &&
              DocumentRegisterColumns::Field("date") == 4 &&
              DocumentRegisterColumns::Field("total") == 9);

// The item catalogue. The image is 1 where the quantity balance is below zero. Quantities
// are in hundredths, prices and costs in agorot.
inline constexpr std::array kItemColumns = {
    TextColumn("image", "#"),
    KeyColumn("item_code", "מק'ט הפריט"),
    TextColumn("maker_code", "מק'ט יצרן"),
    TextColumn("internal_code", "מק'ט פנימי"),
    TextColumn("description", "תאור הפריט"),
    KeyColumn("sort_code", "קוד מיון"),
    TextColumn("sort_code_name", "תאור הקוד"),
    TextColumn("unit", "יח' מידה"),
    FigureColumn("opening", "כמות פתיחה", ValueKind::kQuantity),
    FigureColumn("in", "כמות כניסה", ValueKind::kQuantity),
    FigureColumn("out", "כמות יציאה", ValueKind::kQuantity),
    FigureColumn("balance", "יתרת כמות", ValueKind::kQuantity),
    AmountColumn("cost_price", "מחיר עלות"),
    AmountColumn("stock_cost", "עלות במחסן"),
};
using ItemColumns = ViewColumns<kItemColumns>;
static_assert(ItemColumns::kFieldCount == 14 && ItemColumns::Field("description") == 5 &&
              ItemColumns::Field("balance") == 12);

// The lines grid of a document ("TudFields").
inline constexpr std::array kDocumentLineColumns = {
    TextColumn("image", "#"),
    KeyColumn("catalogue_number", "מס. קטלוגי"),
    TextColumn("description", "תאור"),
    TextColumn("maker", "יצרן"),
    KeyColumn("serial_number", "מס. סידורי"),
    TextColumn("unit", "יח. מדה"),
    TextColumn("transaction_kind", "סוג עסקה"),
    FigureColumn("quantity", "כמות", ValueKind::kQuantity),
    AmountColumn("unit_price", "מחיר יחידה"),
    FigureColumn("discount_share", "% הנחה", ValueKind::kQuantity),
    AmountColumn("discount", "סכום הנחה"),
    AmountColumn("line_discount", "הנחת שורה"),
    AmountColumn("line_total", "סה'כ שורה"),
    AmountColumn("line_vat", "מע'מ בשורה"),
};
using DocumentLineColumns = ViewColumns<kDocumentLineColumns>;
static_assert(DocumentLineColumns::kFieldCount == 14 &&
              DocumentLineColumns::Field("quantity") == 8);

// Field 1 of every browser is its image column "#", where the reports number the rows.
static_assert(IndexColumns::Field("image") == 1 && LedgerColumns::Field("image") == 1 &&
              DocumentRegisterColumns::Field("image") == 1 && ItemColumns::Field("image") == 1 &&
              DocumentLineColumns::Field("image") == 1);

}  // namespace tallyscan
