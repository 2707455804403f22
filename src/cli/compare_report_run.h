#pragma once

// tallyscan-cli report compare: the comparison of two periods written as a report file
// through the report command's writers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/analytics/analytics.h"
#include "engine/common/progress.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"

namespace tallyscan::cli {

struct CompareReportRequest {
  std::string prior, current;  // the data folders
  std::string out;             // a path, or "-" for standard output
  JetParameters parameters;
  std::optional<std::int64_t> epoch;  // SOURCE_DATE_EPOCH
  CivilDate print_date;               // and the run's date
  bool describe_source = false;       // the form keeps the data file's properties
  int threads = 0;
};

// The report command's writer of the form asked for, over `file` (unopened for standard
// output); `created` is the workbook's creation time. The target lives as long as the maker.
using ReportTargetMaker = std::function<ReportTarget*(
    ReportFile file, std::int64_t created, const PrintFonts& fonts, ProgressMonitor& bar)>;

// Reads both folders, compares them and writes the report; the exit code. A refusal of the
// output path (one of either set's inputs) is told before anything is compared.
int RunCompareReport(const CompareReportRequest& request, const ReportTargetMaker& make);

}  // namespace tallyscan::cli
