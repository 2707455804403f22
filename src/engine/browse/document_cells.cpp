#include "engine/browse/document_cells.h"

#include <array>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/browse/exact_figures.h"
#include "engine/browse/view_columns.h"
#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using field::C100;
using field::D110;
using field::D120;

using D = DocumentLineColumns;
constexpr int kLineFieldCount = D::kFieldCount;

constexpr std::array<std::string_view, kLineFieldCount - 1> kLineLongNames = {
    "מספר קטלוגי", "תאור",      "יצרן",      "מספר סידורי", "יחידת מידה", "סוג עסקה",   "כמות",
    "מחיר יחידה",  "אחוז הנחה", "סכום הנחה", "הנחת שורה",   "סה'כ שורה",  "מע'מ בשורה",
};
constexpr std::array kLineNumeric = {D::Field("serial_number"), D::Field("quantity"),
                                     D::Field("unit_price"),    D::Field("discount_share"),
                                     D::Field("discount"),      D::Field("line_discount"),
                                     D::Field("line_total"),    D::Field("line_vat")};
constexpr std::array kLineHebrew = {D::Field("description"), D::Field("maker"), D::Field("unit")};

constexpr FieldCatalogue kLinesCatalogue = {
    "TudFields",
    "40,1;100,2;130,3;80,8;70,9;50,10;80,13",
    "עדכון רשימת שדות לתעודות",
    kDocumentLineColumns,
    kLineLongNames,
    kLineNumeric,
    kLineHebrew,
};
constexpr std::string_view kLineImage = "-3";
constexpr std::string_view kTotalImage = "20";

std::string Amount(std::string_view line, const FieldLayout& field) {
  return FormatAgorot(ReadAmount(SliceField(line, field)));
}

// A percentage in hundredths of a percent as "#,.00".
std::string Percent(std::int64_t hundredths) { return FormatNumber("#,.00", hundredths, 2); }

// Whether the document check compares this document's lines with its summary: invoices,
// orders, delivery and purchase documents (100-799 but the receipts) that have lines.
bool LinesCompared(const LoadedDocument& document) {
  const std::int64_t type = ReadInteger(SliceField(document.header.line, C100(1203)));
  const bool receipt = type >= 400 && type <= 499;
  return type >= 100 && type <= 799 && !receipt && !document.lines.empty();
}

std::string_view TransactionKind(std::string_view code) {
  if (code == "1") return "שירות";
  if (code == "2") return "מכר";
  if (code == "3") return "שירות ומכר";
  return {};
}

std::string_view CreditKind(std::string_view code) {
  if (code == "1") return "אשראי רגיל";
  if (code == "2") return "אשראי תשלומים";
  if (code == "3") return "אשראי קרדיט";
  if (code == "4") return "אשראי נדחה";
  if (code == "5") return "אשראי אחר";
  return {};
}

std::string PaymentKind(std::string_view line) {
  const std::string_view code = SliceField(line, D120(1306));
  if (code == "3") return std::string(CreditKind(SliceField(line, D120(1315))));
  static constexpr std::string_view kNames[] = {"לא ידוע",      "מזומן",     "המחאה",      "",
                                                "העברה בנקאית", "תווי קניה", "תלוש החלפה", "שטר",
                                                "הוראת קבע",    "אחר"};
  if (code.size() == 1 && code[0] >= '0' && code[0] <= '9') {
    return std::string(kNames[code[0] - '0']);
  }
  return {};
}

std::string ReceiptImage(const ReceiptGridLine& line) {
  switch (line.kind) {
    case ReceiptGridLine::Kind::kWithholding:
      return "19";
    case ReceiptGridLine::Kind::kTotal:
      return "20";
    case ReceiptGridLine::Kind::kLine:
      break;
  }
  // "0" and codes without a picture of their own take the first payment picture.
  const std::string_view code = SliceField(line.record.line, D120(1306));
  if (code.size() == 1 && code[0] >= '1' && code[0] <= '9')
    return std::to_string(10 + code[0] - '0');
  return "10";
}

std::string DueDate(std::string_view line) {
  const std::string_view date = SliceField(line, D120(1311));
  if (date.find_first_not_of(" 0") == std::string_view::npos) return {};
  return DateCell(date);
}

}  // namespace

const FieldCatalogue& DocumentLinesCatalogue() { return kLinesCatalogue; }

std::int64_t PanelVatRateTenths(const LoadedDocument& document) {
  const std::string_view header = document.header.line;
  const WideFigure base = static_cast<WideFigure>(document.vat_lines_total) +
                          ReadAmount(SliceField(header, C100(1220)));
  const WideFigure vat = ReadAmount(SliceField(header, C100(1222)));
  return RoundedQuotient(vat * 1000, base);
}

HeaderPanelTexts HeaderPanel(const LoadedDocument& document, bool dos) {
  HeaderPanelTexts panel;
  const std::string_view h = document.header.line;
  auto set = [&panel](PanelField field, std::string label, std::string value) {
    panel.items[static_cast<std::size_t>(field)] = {std::move(label), std::move(value)};
  };
  const std::int64_t before = ReadAmount(SliceField(h, C100(1219)));
  const std::int64_t discount = ReadAmount(SliceField(h, C100(1220)));

  set(PanelField::kNumber, "מספר מסמך", StrippedCell(SliceField(h, C100(1204))));
  set(PanelField::kDate, "תאריך מסמך", FieldCell(h, C100(1230), dos));
  set(PanelField::kTime, "שעה", FieldCell(h, C100(1206), dos));
  set(PanelField::kValueDate, "תאריך ערך", FieldCell(h, C100(1216), dos));
  set(PanelField::kIssueDate, "תאריך הפקה", FieldCell(h, C100(1205), dos));
  set(PanelField::kName, "שם", FieldCell(h, C100(1207), dos));
  set(PanelField::kAddress, "כתובת",
      JoinParts({FieldCell(h, C100(1208), dos), FieldCell(h, C100(1209), dos)}));
  set(PanelField::kCity, "עיר ומיקוד",
      JoinParts({FieldCell(h, C100(1210), dos), StrippedCell(SliceField(h, C100(1211))),
                 FieldCell(h, C100(1212), dos)}));
  set(PanelField::kPhone, "טלפון", FieldCell(h, C100(1214), dos));
  set(PanelField::kDealer, "מספר עוסק", StrippedCell(SliceField(h, C100(1215))));
  set(PanelField::kVatBearing, "סה'כ חייב מע'מ", FormatAgorot(document.vat_lines_total));
  set(PanelField::kExempt, "סה'כ פטור", FormatAgorot(before - document.vat_lines_total));
  // The discount is shown with its sign reversed, and its percentage matches what is shown.
  const std::int64_t shown_discount = -discount;  // a field of 15 characters: no overflow
  set(PanelField::kDiscount,
      "הנחה " + Percent(RoundedQuotient(static_cast<WideFigure>(shown_discount) * 10000, before)) +
          "%",
      FormatAgorot(shown_discount));
  set(PanelField::kAfterDiscount, "אחרי הנחה", Amount(h, C100(1221)));
  set(PanelField::kVat, "מע'מ " + FormatNumber("#,.00", PanelVatRateTenths(document) * 10, 2) + "%",
      Amount(h, C100(1222)));
  set(PanelField::kTotal, "סה'כ", Amount(h, C100(1223)));
  const std::string currency = FieldCell(h, C100(1218), dos);
  set(PanelField::kForeign, currency.empty() ? "סכום במט'ח" : "סכום במט'ח - " + currency,
      Amount(h, C100(1217)));

  panel.summary_caption = "סיכום המסמך";
  const auto lines = static_cast<double>(document.lines_total);
  if (LinesCompared(document) && checks::DeviatesFromSummary(static_cast<double>(before), lines)) {
    panel.summary_caption +=
        " - דיוק " + checks::Accuracy(static_cast<double>(before), lines) + "%";
  }
  const std::int64_t type = ReadInteger(SliceField(h, C100(1203)));
  panel.lower_title = type >= 400 && type <= 499 ? "פרטי קבלה" : "פרטי חשבונית";
  return panel;
}

std::string DocumentLineCell(std::string_view line, int field, bool dos) {
  // Read only by the fields that need them: a row asks for fourteen cells.
  const auto total = [line] { return ReadAmount(SliceField(line, D110(1267))); };
  const auto discount = [line] { return ReadAmount(SliceField(line, D110(1266))); };
  switch (field) {
    case D::Field("image"):
      return std::string(kLineImage);
    case D::Field("catalogue_number"):
      return FieldCell(line, D110(1259), dos);
    case D::Field("description"):
      return FieldCell(line, D110(1260), dos);
    case D::Field("maker"):
      return FieldCell(line, D110(1261), dos);
    case D::Field("serial_number"):
      return StrippedCell(SliceField(line, D110(1262)));
    case D::Field("unit"):
      return FieldCell(line, D110(1263), dos);
    case D::Field("transaction_kind"):
      return std::string(TransactionKind(SliceField(line, D110(1258))));
    case D::Field("quantity"): {
      const std::int64_t quantity = ReadAmount(SliceField(line, D110(1264)));
      return quantity == 0 ? std::string() : FormatNumber("#,.0000", quantity, 4);
    }
    case D::Field("unit_price"):
      return BalanceText(ReadAmount(SliceField(line, D110(1265))), false);
    case D::Field("discount_share"): {
      // Percent of the line total, 0 when the total is 0.
      const std::int64_t percent =
          RoundedQuotient(static_cast<WideFigure>(discount()) * 10000, total());
      return percent == 0 ? std::string() : Percent(percent);
    }
    case D::Field("discount"):
      // Line total / 100 x the discount percent: the line discount itself, exactly, when
      // there is a total to take a percentage of.
      return total() == 0 ? std::string() : BalanceText(discount(), false);
    case D::Field("line_discount"):
      return BalanceText(discount(), false);
    case D::Field("line_total"):
      return BalanceText(total(), false);
    case D::Field("line_vat"): {
      const std::int64_t rate =
          ReadAmount(SliceField(line, D110(1268)));  // hundredths of a percent
      return BalanceText(RoundedQuotient(static_cast<WideFigure>(total()) * rate, 10000), false);
    }
    default:
      return {};
  }
}

std::vector<std::string> LinesGridRows(const LoadedDocument& document, bool dos) {
  std::vector<std::string> rows;
  rows.reserve(document.lines.size() + 1);
  std::vector<std::string> cells(kLineFieldCount);
  for (const DocumentRecord& line : document.lines) {
    for (int f = 1; f <= kLineFieldCount; ++f) {
      cells[static_cast<std::size_t>(f - 1)] = DocumentLineCell(line.line, f, dos);
    }
    rows.push_back(JoinCells(cells));
  }
  std::vector<std::string> total(kLineFieldCount);
  total[D::Cell("image")] = std::string(kTotalImage);
  total[D::Cell("description")] = "סה'כ לתעודה" + std::string(kHeadingMarker);
  total[D::Cell("line_total")] =
      BalanceText(document.lines_total, false) + std::string(kHeadingMarker);
  rows.push_back(JoinCells(total));
  return rows;
}

std::vector<std::string> ReceiptGridRows(const LoadedDocument& document) {
  std::vector<std::string> rows;
  for (const ReceiptGridLine& receipt : document.receipts) {
    std::vector<std::string> cells(8);
    cells[0] = ReceiptImage(receipt);
    cells[7] = FormatAgorot(receipt.amount);
    if (receipt.kind != ReceiptGridLine::Kind::kLine) {
      cells[1] = receipt.kind == ReceiptGridLine::Kind::kWithholding ? "ניכוי במקור" : "סה'כ לקבלה";
      cells[1] += kHeadingMarker;
      cells[7] += kHeadingMarker;
      rows.push_back(JoinCells(cells));
      continue;
    }
    const std::string_view line = receipt.record.line;
    cells[1] = PaymentKind(line);
    cells[2] = StrippedCell(SliceField(line, D120(1310)));
    cells[3] =
        SliceField(line, D120(1306)) == "3"
            ? std::string(EnumMeaning(EnumTable::kClearingCompany, SliceField(line, D120(1313))))
            : StrippedCell(SliceField(line, D120(1307)));
    cells[4] = StrippedCell(SliceField(line, D120(1308)));
    cells[5] = StrippedCell(SliceField(line, D120(1309)));
    cells[6] = DueDate(line);
    rows.push_back(JoinCells(cells));
  }
  return rows;
}

std::vector<std::string_view> ReceiptGridColumns() {
  return {"30,#",    "80,סוג התשלום", "70,מס. המחאה", "80,בנק",
          "50,סניף", "70,חשבון",      "90,תא'פרעון",  "100,סכום בשורה"};
}

}  // namespace tallyscan
