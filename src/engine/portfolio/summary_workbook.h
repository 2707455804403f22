#pragma once

// Private to portfolio/.
//
// The summary's workbook: "תיק", "כשלים" and "הרצה".

#include <filesystem>
#include <span>
#include <string>

#include "engine/common/status.h"
#include "engine/portfolio/summary.h"
#include "engine/portfolio/summary_row.h"
#include "engine/report/report.h"

namespace tallyscan::portfolio {

// The three sheets, `rows` ranked, into a stream that may reach other targets too.
void WriteSummarySheets(ReportStream& stream, std::span<const SummaryRow> rows,
                        const SummaryInputs& inputs);
// The clients' last end (seconds since 1970; 0 without one): the workbooks' creation time,
// so that the same results give the same bytes.
std::int64_t SummaryLastEnd(std::span<const SummaryRow> rows);
// The clients' first start, "YYYY-MM-DDTHH:MM:SSZ"; empty without one.
std::string SummaryFirstStart(std::span<const SummaryRow> rows);

// `rows` ranked. The run sheet's times are the clients' first start and last end, from their
// manifests, so that the same manifests give the same workbook.
Status WriteSummaryWorkbook(const std::filesystem::path& path, std::span<const SummaryRow> rows,
                            const SummaryInputs& inputs);

}  // namespace tallyscan::portfolio
