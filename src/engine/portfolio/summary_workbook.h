#pragma once

// Private to portfolio/.
//
// The summary's workbook: "תיק", "כשלים" and "הרצה".

#include <filesystem>
#include <span>

#include "engine/common/status.h"
#include "engine/portfolio/summary.h"
#include "engine/portfolio/summary_row.h"

namespace tallyscan::portfolio {

// `rows` ranked. The run sheet's times are the clients' first start and last end, from their
// manifests, so that the same manifests give the same workbook.
Status WriteSummaryWorkbook(const std::filesystem::path& path, std::span<const SummaryRow> rows,
                            const SummaryInputs& inputs);

}  // namespace tallyscan::portfolio
