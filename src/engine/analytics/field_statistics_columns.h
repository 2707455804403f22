#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The columns of the field statistics' rows and of the producer's summaries
// (field_statistics_rows.h), from which the command line's CSV keys, the reports' columns and
// the window's grids are made.

#include <array>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// A field's figures are in its own unit (agorot, a quantity, a count): kQuantity. A date
// field puts its earliest and latest dates in smallest and largest.
inline constexpr std::array kFieldStatisticsColumns = {
    TextColumn("record", "רשומה"),
    ResultColumn{"code", "שדה", ValueKind::kKey, CellAlign::kStart},
    TextColumn("caption", "תיאור", "תיאור השדה"),
    TextColumn("kind", "סוג"),
    FigureColumn("lines", "שורות", ValueKind::kCount),
    FigureColumn("blanks", "ריקים", ValueKind::kCount),
    FigureColumn("invalid", "שגויים", ValueKind::kCount),
    FigureColumn("zeros", "אפסים", ValueKind::kCount),
    FigureColumn("positive", "חיוביים", ValueKind::kCount),
    FigureColumn("positive_total", "סה'כ חיובי", ValueKind::kQuantity),
    FigureColumn("negative", "שליליים", ValueKind::kCount),
    FigureColumn("negative_total", "סה'כ שלילי", ValueKind::kQuantity),
    FigureColumn("net", "נטו", ValueKind::kQuantity),
    FigureColumn("absolute", "מוחלט", ValueKind::kQuantity),
    FigureColumn("smallest", "הקטן ביותר", ValueKind::kQuantity, "הקטן"),
    FigureColumn("smallest_line", "בשורה", ValueKind::kLine, "שורה"),
    FigureColumn("largest", "הגדול ביותר", ValueKind::kQuantity, "הגדול"),
    FigureColumn("largest_line", "בשורה", ValueKind::kLine, "שורה"),
    FigureColumn("before", "לפני", ValueKind::kCount),
    FigureColumn("after", "אחרי", ValueKind::kCount),
};
using FieldStatisticsColumns = Columns<kFieldStatisticsColumns>;

// The lowest and highest numbers are document numbers as the file gives them.
inline constexpr std::array kDocumentSummaryColumns = {
    ResultColumn{"type", "סוג", ValueKind::kKey, CellAlign::kStart},
    TextColumn("name", "שם המסמך"),
    FigureColumn("documents", "מסמכים", ValueKind::kCount),
    FigureColumn("cancelled", "מבוטלים", ValueKind::kCount),
    FigureColumn("total", "סה'כ כולל מע'מ", ValueKind::kAgorot),
    FigureColumn("vat", "מע'מ", ValueKind::kAgorot),
    ResultColumn{"lowest", "מספר נמוך", ValueKind::kKey, CellAlign::kEnd},
    ResultColumn{"highest", "מספר גבוה", ValueKind::kKey, CellAlign::kEnd},
};
using DocumentSummaryColumns = Columns<kDocumentSummaryColumns>;

inline constexpr std::array kRecordCountColumns = {
    TextColumn("record", "רשומה"),
    TextColumn("caption", "תיאור"),
    FigureColumn("in_file", "בקובץ", ValueKind::kCount),
    FigureColumn("stated", "לפי INI.TXT", ValueKind::kCount),
    FigureColumn("difference", "הפרש", ValueKind::kCount),
};
using RecordCountColumns = Columns<kRecordCountColumns>;

}  // namespace tallyscan
