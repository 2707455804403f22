#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The columns of the journal-entry tests' rows (jet_rows.h), from which the command line's
// CSV keys, the evidence report's columns and the page's grids are made.

#include <array>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// The summary: the figure says in words what matters of each test ("MAD 0.0042 ...", an
// amount, whether the population reconciles), so it is text.
inline constexpr std::array kJetSummaryColumns = {
    TextColumn("id", "מזהה"),
    TextColumn("caption", "בדיקה"),
    TextColumn("state", "מצב"),
    FigureColumn("hits", "פגיעות", ValueKind::kCount),
    TextColumn("figure", "הנתון העיקרי"),
};
using JetSummaryColumns = Columns<kJetSummaryColumns>;

// A hit line. The headings of the date and of the test's own cell follow the test
// (JetDateCaption, JetOwnCaption); the own cell holds what the test judged (a date, a time,
// a user, an account, a digit): JetOwnKind says which. The document stands only in the page's
// words.
inline constexpr std::array kJetHitColumns = {
    ResultColumn{"line", "שורה", ValueKind::kLine, CellAlign::kStart},
    TextColumn("record", "רשומה"),
    ResultColumn{"transaction", "תנועה", ValueKind::kKey, CellAlign::kStart},
    ResultColumn{"account", "חשבון", ValueKind::kKey, CellAlign::kStart},
    ResultColumn{"date", "תאריך התנועה", ValueKind::kDate, CellAlign::kStart},
    FigureColumn("amount", "סכום", ValueKind::kAgorot),
    TextColumn("own", "פרט"),
    TextColumn("document", "מסמך"),
};
using JetHitColumns = Columns<kJetHitColumns>;

inline constexpr std::array kJetSufficiencyColumns = {
    TextColumn("id", "מזהה"),
    TextColumn("caption", "בדיקה"),
    TextColumn("needs", "שדות נדרשים"),
    ResultColumn{"usable_share", "שיעור שמיש", ValueKind::kShare, CellAlign::kStart},
    TextColumn("state", "מצב"),
    TextColumn("reason", "סיבה"),
};
using JetSufficiencyColumns = Columns<kJetSufficiencyColumns>;

inline constexpr std::array kJetRankingColumns = {
    ResultColumn{"rank", "דירוג", ValueKind::kCount, CellAlign::kStart},
    ResultColumn{"transaction", "עסקה", ValueKind::kKey, CellAlign::kStart},
    FigureColumn("score", "ציון", ValueKind::kCount),
    TextColumn("tests", "בדיקות"),
    ResultColumn{"first_line", "שורה ראשונה", ValueKind::kLine, CellAlign::kStart},
};
using JetRankingColumns = Columns<kJetRankingColumns>;

}  // namespace tallyscan
