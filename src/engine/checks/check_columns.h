#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The columns of the integrity checks' rows: what a row says, then the figures it gives. The
// bookkeeping pass writes a debit, a credit and a balance with their markers; the document
// pass writes the figures it compares in the same cells, its wrong values marked red, and
// reads them all as amounts.

#include <array>

#include "engine/uniform/uniform.h"

namespace tallyscan {

inline constexpr std::array kCheckColumns = {
    TextColumn("text", "פרטים"),
    FigureColumn("debit", "חובה", ValueKind::kAgorot),
    ResultColumn{"credit", "זכות", ValueKind::kAgorot, CellAlign::kEnd, {}, true},
    FigureColumn("balance", "יתרה", ValueKind::kAgorot),
};
using CheckColumns = Columns<kCheckColumns>;

}  // namespace tallyscan
