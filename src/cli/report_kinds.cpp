#include "cli/report_kinds.h"

namespace tallyscan::cli {
namespace {

constexpr std::string_view kSort[] = {"sort"};
constexpr std::string_view kRange[] = {"from", "to"};
constexpr std::string_view kDocument[] = {"type", "number"};

// A report of the data folder, with the browser options it takes.
constexpr ReportKind OfData(std::string_view name, PreparedReport (*prepare)(DataReport&),
                            std::span<const std::string_view> view_options = {},
                            std::string_view (*view_mistake)(const ViewArgs&) = nullptr) {
  ReportKind kind;
  kind.name = name;
  kind.prepare = prepare;
  kind.view_options = view_options;
  kind.view_mistake = view_mistake;
  return kind;
}

constexpr ReportKind WithParams(ReportKind kind) {
  kind.takes_params = true;
  return kind;
}

// A report of something else than a data folder, which runs on its own.
constexpr ReportKind OnItsOwn(std::string_view name,
                              int (*run)(const ReportOptions&, std::optional<std::int64_t>)) {
  ReportKind kind;
  kind.name = name;
  kind.run = run;
  return kind;
}

constexpr ReportKind OfTwoPeriods(std::string_view name,
                                  int (*run)(const ReportOptions&, std::optional<std::int64_t>)) {
  ReportKind kind = WithParams(OnItsOwn(name, run));
  kind.two_folders = true;
  return kind;
}

// The usage error lists the reports in this order.
constexpr ReportKind kReportKinds[] = {
    OfData("index", PrepareIndexReport, kSort, IndexSortMistake),
    OfData("ledger", PrepareLedgerReport, kRange),
    OfData("document", PrepareDocumentReport, kDocument, DocumentTypeMistake),
    OfData("items", PrepareItemsReport, kSort, ItemsSortMistake),
    OfData("checks", PrepareChecksReport),
    OfData("import", PrepareImportReport),
    WithParams(OfData("jet", PrepareJetReport)),
    OfData("fields", PrepareFieldsReport),
    OfData("summary-documents", PrepareDocumentSummaryReport),
    OfData("summary-records", PrepareRecordCountsReport),
    // A batch's RESULTS folder instead of a data folder.
    OnItsOwn("portfolio", RunPortfolioReport),
    // Two data folders, PRIOR and CURRENT, each imported on its own.
    OfTwoPeriods("compare", RunComparisonReport),
};

}  // namespace

std::span<const ReportKind> ReportKinds() { return kReportKinds; }

}  // namespace tallyscan::cli
