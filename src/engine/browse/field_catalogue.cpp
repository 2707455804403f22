#include "engine/browse/field_catalogue.h"

#include <algorithm>
#include <array>

#include "engine/browse/view_columns.h"

namespace tallyscan {
namespace {

// Fields 2-19. The currency code has no longer name than its caption.
constexpr std::array<std::string_view, 18> kIndexLongNames = {
    "מפתח החשבון", "שם החשבון",  "כתובת",         "עיר",         "מיקוד",           "מדינה",
    "מספר עוסק",   "קוד מאזן",   "תאור קוד מאזן", "חשבון מרכז",  "סעיף מס הכנסה",   "מזהה ענף",
    "יתרת פתיחה",  "מצטבר חובה", "מצטבר זכות",    "יתרת הכרטיס", "יתרת פתיחה מט'ח", "קוד מטבע",
};

using I = IndexColumns;
constexpr std::array kIndexNumeric = {
    I::Field("postal_code"), I::Field("dealer_number"), I::Field("tax_section"),
    I::Field("branch"),      I::Field("opening"),       I::Field("debit"),
    I::Field("credit"),      I::Field("balance"),       I::Field("opening_fx"),
};
constexpr std::array kIndexHebrew = {I::Field("name"), I::Field("address"), I::Field("city"),
                                     I::Field("country"), I::Field("balance_group")};

// Fields 2-26.
constexpr std::array<std::string_view, 25> kLedgerLongNames = {
    "מספר תנועה",
    "מספר שורה בתנועה",
    "מנה",
    "סוג תנועה",
    "תאריך אסמכתא",
    "אסמכתא",
    "סוג אסמכתא",
    "תאריך ערך",
    "אסמכתא שנייה",
    "סוג אסמכתא שנייה",
    "פרטים",
    "חשבון נגדי",
    "שם החשבון הנגדי",
    "קוד מטבע חוץ",
    "סכום הפעולה",
    "חובה",
    "זכות",
    "יתרה מצטברת",
    "סכום במטבע חוץ",
    "חובה במטבע חוץ",
    "זכות במטבע חוץ",
    "שדה התאמה 1",
    "שדה התאמה 2",
    "תאריך הזנה",
    "מבצע הפעולה",
};

// Running numbers, batch, amounts and the reconciliation numbers are searched as digits; the
// movement kind, details, counter-account name and the operator's name as Hebrew text.
using L = LedgerColumns;
constexpr std::array kLedgerNumeric = {
    L::Field("transaction"), L::Field("transaction_line"),
    L::Field("batch"),       L::Field("amount"),
    L::Field("debit"),       L::Field("credit"),
    L::Field("balance"),     L::Field("amount_fx"),
    L::Field("debit_fx"),    L::Field("credit_fx"),
    L::Field("match_1"),     L::Field("match_2"),
};
constexpr std::array kLedgerHebrew = {L::Field("movement_type"), L::Field("details"),
                                      L::Field("counter_name"), L::Field("operator")};

constexpr FieldCatalogue kAccountIndex = {
    "IdxFields",
    "30,1;180,2;60,3;60,10;100,12;100,14;100,15;100,16;100,17",
    "עדכון רשימת שדות לאינדקס החשבונות",
    kIndexColumns,
    kIndexLongNames,
    kIndexNumeric,
    kIndexHebrew,
};

constexpr FieldCatalogue kLedger = {
    "TnuaFields",
    "30,1;80,5;80,6;80,7;80,9;100,12;100,14;100,17;100,18;100,19;100,20",
    "עדכון רשימת שדות לכרטסת חשבונות",
    kLedgerColumns,
    kLedgerLongNames,
    kLedgerNumeric,
    kLedgerHebrew,
};

bool Contains(std::span<const int> fields, int field) {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

}  // namespace

std::string_view FieldCatalogue::Caption(int field) const {
  if (field < 1 || field > FieldCount()) return {};
  return columns[static_cast<std::size_t>(field - 1)].heading;
}

std::string_view FieldCatalogue::LongName(int field) const {
  if (field < 2 || static_cast<std::size_t>(field - 2) >= long_names.size()) return {};
  return long_names[static_cast<std::size_t>(field - 2)];
}

SearchEntry FieldCatalogue::EntryFor(int field) const {
  if (Contains(numeric_fields, field)) return SearchEntry::kDigits;
  if (Contains(hebrew_fields, field)) return SearchEntry::kHebrew;
  return SearchEntry::kAny;
}

const FieldCatalogue& AccountIndexCatalogue() { return kAccountIndex; }
const FieldCatalogue& LedgerCatalogue() { return kLedger; }

std::string SearchPrompt(std::string_view column_caption) {
  return std::string("הקלד את מילת החיפוש בטור ") + std::string(column_caption);
}

std::string SearchPrompt(const FieldCatalogue& catalogue, int sort_field) {
  return SearchPrompt(catalogue.Caption(sort_field));
}

}  // namespace tallyscan
