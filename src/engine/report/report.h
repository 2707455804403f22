#pragma once

// What report/ offers the rest of the program, with report/report_writers.h: the report
// stream that every producer talks to, and the reports themselves (the browsers', the
// checks' and the import's, the statistics', the journal-entry tests' evidence, the
// comparison of two periods, any grid as it stands), with what a report about the loaded
// data set carries and the build system's fixed moment. Where reports go (the pages, the
// HTML documents, the workbook, their files) is in report_writers.h. Every other header of
// report/ is private to it: the rest of the system includes these two.

#include "engine/report/browser_reports.h"
#include "engine/report/compare_report.h"
#include "engine/report/grid_report.h"
#include "engine/report/jet_report.h"
#include "engine/report/report_source.h"
#include "engine/report/report_stream.h"
#include "engine/report/result_reports.h"
#include "engine/report/source_date.h"
#include "engine/report/statistics_reports.h"
