#pragma once

// Private to analytics/.
//
// What the journal-entry rows' cells are made of, shared by the rows and by the tests' own
// cells and figures.

#include <string>
#include <string_view>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/jet.h"
#include "engine/analytics/jet_rows.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

inline constexpr std::string_view kShekels = " ש\"ח";

// Bytes of the file as a cell: UTF-8, safe to show.
std::string Cell(std::string_view bytes);
// A day as the words of the row write it: YYYY-MM-DD for the command line, DD/MM/YYYY as
// every page shows a date.
std::string DayText(DayNumber day, JetWords words);
// An ISO date the result holds (the period's end), in the row's words.
std::string IsoDateText(std::string_view iso, JetWords words);
// A date field of the line; a field that is no date as it stands.
std::string DateCell(std::string_view field, JetWords words);

// A figure of the test by its name; null when it has none of that name.
const JetFigure* FindFigure(const JetTestResult& test, std::string_view name);
// A figure's value as text: agorot as "#,.00", a count as it stands; empty when absent.
std::string FigureText(const JetFigure* figure, bool agorot);
// The figure of a test that has none of its own: the sum of its hits' amounts, for a
// movement test with hits; empty otherwise.
std::string HitAmountFigure(const JetTestResult& test, JetWords words);

}  // namespace tallyscan::analytics
