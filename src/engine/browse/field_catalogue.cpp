#include "engine/browse/field_catalogue.h"

#include <algorithm>
#include <array>

namespace tallyscan {
namespace {

constexpr std::array<std::string_view, 19> kIndexCaptions = {
    "#",          "מפתח החשבון", "שם החשבון", "כתובת החשבון", "עיר",
    "מיקוד",      "מדינה",       "מס. עוסק",  "קוד מאזן",     "תאור קב' מאזן",
    "ח-ן מרכז",   "סעיף מ.ה",    "מזהה ענף",  "יתרת פתיחה",   "מצטבר חובה",
    "מצטבר זכות", "יתרה",        "י.פ. מט'ח", "קוד מטבע",
};

// Fields 2-19. The currency code has no longer name than its caption.
constexpr std::array<std::string_view, 18> kIndexLongNames = {
    "מפתח החשבון", "שם החשבון",  "כתובת",         "עיר",         "מיקוד",           "מדינה",
    "מספר עוסק",   "קוד מאזן",   "תאור קוד מאזן", "חשבון מרכז",  "סעיף מס הכנסה",   "מזהה ענף",
    "יתרת פתיחה",  "מצטבר חובה", "מצטבר זכות",    "יתרת הכרטיס", "יתרת פתיחה מט'ח", "קוד מטבע",
};

constexpr std::array<int, 9> kIndexNumeric = {6, 8, 12, 13, 14, 15, 16, 17, 18};
constexpr std::array<int, 5> kIndexHebrew = {3, 4, 5, 7, 10};

constexpr std::array<std::string_view, 26> kLedgerCaptions = {
    "#",        "מס. תנועה",   "מס. שורה",  "מנה",         "סוג תנועה",  "תאריך אסמ.",
    "אסמכתא",   "סוג אסמ.",    "תאריך ערך", "אסמכתא II",   "סוג אס. II", "פרטים",
    "ח-ן נגדי", "שם ח-ן נגדי", "קוד מט'ח",  "סכום הפעולה", "חובה",       "זכות",
    "יתרה",     "סכום מט'ח",   "חובה מט'ח", "זכות מט'ח",   "התאמה 1",    "התאמה 2",
    "תא' הזנה", "מבצע הפעולה",
};

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
constexpr std::array<int, 12> kLedgerNumeric = {2, 3, 4, 16, 17, 18, 19, 20, 21, 22, 23, 24};
constexpr std::array<int, 4> kLedgerHebrew = {5, 12, 14, 26};

constexpr FieldCatalogue kAccountIndex = {
    "IdxFields",
    "30,1;180,2;60,3;60,10;100,12;100,14;100,15;100,16;100,17",
    "עדכון רשימת שדות לאינדקס החשבונות",
    kIndexCaptions,
    kIndexLongNames,
    kIndexNumeric,
    kIndexHebrew,
};

constexpr FieldCatalogue kLedger = {
    "TnuaFields",
    "30,1;80,5;80,6;80,7;80,9;100,12;100,14;100,17;100,18;100,19;100,20",
    "עדכון רשימת שדות לכרטסת חשבונות",
    kLedgerCaptions,
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
  return captions[static_cast<std::size_t>(field - 1)];
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
