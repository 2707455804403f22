#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// What the documents page shows of a loaded document (document_view.h): the texts of the
// header panel, the rows of the lines grid (the catalogue "TudFields", fields 1-14, and a
// total row) and of the receipt grid (the image index and seven columns). The CLI's
// "view documents" prints the same texts.
//
// Conventions: no cell begins or ends with blanks; zero figures are empty in the lines grid
// and 0.00 in the panel and the receipt grid; computed figures are exact, rounded once.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/document_view.h"
#include "engine/browse/field_catalogue.h"

namespace tallyscan {

struct PanelItem {
  std::string label;  // as the page shows it, the dynamic ones with their percent or currency
  std::string value;
};

// The items of the header panel, in the order of its table.
enum class PanelField {
  kNumber,         // "מספר מסמך"
  kDate,           // "תאריך מסמך"
  kTime,           // "שעה"
  kValueDate,      // "תאריך ערך"
  kIssueDate,      // "תאריך הפקה"
  kName,           // "שם"
  kAddress,        // "כתובת": street and house number
  kCity,           // "עיר ומיקוד": city, postal code, country
  kPhone,          // "טלפון"
  kDealer,         // "מספר עוסק"
  kVatBearing,     // "סה'כ חייב מע'מ"
  kExempt,         // "סה'כ פטור"
  kDiscount,       // "הנחה N%"
  kAfterDiscount,  // "אחרי הנחה"
  kVat,            // "מע'מ R%"
  kTotal,          // "סה'כ"
  kForeign,        // "סכום במט'ח - CUR"
};
inline constexpr int kPanelFieldCount = static_cast<int>(PanelField::kForeign) + 1;

struct HeaderPanelTexts {
  std::array<PanelItem, kPanelFieldCount> items;
  // "סיכום המסמך", or "סיכום המסמך - דיוק N%" where the document check finds the lines
  // disagreeing with the amount before discount.
  std::string summary_caption;
  // "פרטי קבלה" for receipts (400-499), "פרטי חשבונית" for the other types.
  std::string lower_title;

  const PanelItem& operator[](PanelField field) const {
    return items[static_cast<std::size_t>(field)];
  }
};

HeaderPanelTexts HeaderPanel(const LoadedDocument& document, bool dos_code_page);

// The VAT rate the panel shows, in tenths of a percent: header VAT / (VAT-bearing lines +
// document discount) x 100, rounded to one decimal; 0 when that base is 0.
std::int64_t PanelVatRateTenths(const LoadedDocument& document);

// The lines grid: one row per document line, then the total row; each row every field 1-14
// joined by TAB.
std::vector<std::string> LinesGridRows(const LoadedDocument& document, bool dos_code_page);
// Field n (1-14) of a document line.
std::string DocumentLineCell(std::string_view d110_line, int field, bool dos_code_page);

// The lines grid's fields for its field list ("TudFields") and field-selection dialog.
const FieldCatalogue& DocumentLinesCatalogue();

// The receipt grid: one row per receipt-grid line, "image index" then its seven columns
// joined by TAB. Empty when the document has no receipts list.
std::vector<std::string> ReceiptGridRows(const LoadedDocument& document);
// The receipt grid's columns, "width,caption" ("KabFields" keeps their widths).
std::vector<std::string_view> ReceiptGridColumns();

}  // namespace tallyscan
