#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The portfolio summary as a table to show: the columns of portfolio.csv in its order, each
// with its Hebrew heading and whether it holds whole numbers, and the clients' lines worst
// first with each cell's text exactly as portfolio.csv writes it. The window's grid of
// "סריקת תיק" is made from it, so that what it shows is the summary the command line wrote.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/common/status.h"

namespace tallyscan::portfolio {

struct SummaryTableColumn {
  std::string_view name;     // portfolio.csv's heading ("risk_score")
  std::string_view heading;  // the Hebrew heading ("ציון סיכון")
  bool whole_number = false;
};

struct SummaryTableLine {
  std::string client;              // the client's id
  bool analysed = false;           // it has a risk score: "ok" or "findings"
  std::vector<std::string> cells;  // by column, as portfolio.csv writes them
};

struct SummaryTable {
  std::vector<SummaryTableLine> lines;
  std::string first_start;   // the clients' first start, "YYYY-MM-DDTHH:MM:SSZ"; empty without
  JetParameters parameters;  // as the summary was made with them (the portfolio weights)
};

// Every column of the summary, in the order of portfolio.csv.
const std::vector<SummaryTableColumn>& SummaryTableColumns();

// The summary of RESULTS, read as WriteSummary reads it. Fails only when RESULTS'
// parameters.json is there but refused; a RESULTS without clients gives no lines.
Status ReadSummaryTable(const std::filesystem::path& results, SummaryTable& out);

}  // namespace tallyscan::portfolio
