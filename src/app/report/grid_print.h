#pragma once

// The report of any grid as it stands on screen, and the "הדפס" button that opens the output
// dialog with it. A page with a grid gets its report with one call:
//
//   auto* print = MakeGridPrintButton(app, *grid, "Kind", "10" + title, this);
//
// and places the button where its page puts its commands.

#include <functional>
#include <string>

#include <QPushButton>

#include "app/app_context.h"
#include "app/report/report_run.h"

namespace tallyscan {

class Grid;

// The grid's report: the coded title, the grid's columns (caption and width in the list, all
// text; the image column, field 1, numbers the rows), and every row through the grid's source,
// read when the producer runs. The grid must outlive the producer. The browsers print through
// producers of their own (engine/report/browser_reports.h).
ReportProducer GridReportProducer(const Grid& grid, std::string coded_title);

// A "הדפס" button that opens the output dialog with the report of `kind` that `make` gives
// at the click; it is enabled while the grid has rows (the page may disable it further, e.g.
// while it loads).
QPushButton* MakePrintButton(AppContext& app, Grid& grid, const QString& kind,
                             std::function<ReportProducer()> make, QWidget* parent);
// The same with the grid's own report.
QPushButton* MakeGridPrintButton(AppContext& app, Grid& grid, const QString& kind,
                                 std::string coded_title, QWidget* parent);

}  // namespace tallyscan
