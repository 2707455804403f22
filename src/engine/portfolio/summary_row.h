#pragma once

// Private to portfolio/.
//
// One client's line of the portfolio summary: its manifest and the figures of its analyses'
// results, read from its results folder by the documents' keys, and the summary's columns,
// named once, in the order every form of the summary writes them.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/portfolio/manifest.h"
#include "engine/portfolio/risk_score.h"
#include "engine/portfolio/summary.h"

namespace tallyscan::portfolio {

enum class SummaryColumn {
  kRank,
  kClient,
  kLabel,
  kDealerNumber,
  kBusinessName,
  kTaxYear,
  kFormatVersion,
  kMovements,
  kBytes,
  kSha256,
  kStatus,
  kReason,
  kExitCode,
  kSignal,
  kImportErrors,
  kFailingChecks,
  kTestsRun,
  kTestsWeak,
  kTestsNotRun,
  kTestsWithHits,
  kHits,
  kTopScore,
  kFirstDigitClass,
  kRiskScore,
  kBand,
  kSameCompanyAs,
};
inline constexpr std::size_t kSummaryColumnCount =
    static_cast<std::size_t>(SummaryColumn::kSameCompanyAs) + 1;

// "rank", "client", … "same_company_as": the CSV's heading and the JSON's keys.
std::string_view SummaryColumnName(SummaryColumn column);

// A cell: nothing (null in JSON, empty in CSV), a text, a whole number, or a list of texts.
using SummaryValue =
    std::variant<std::monostate, std::string, std::int64_t, std::vector<std::string>>;

struct SummaryRow {
  Manifest manifest;
  std::optional<int> risk_score;  // only for "ok" and "findings"
  std::array<SummaryValue, kSummaryColumnCount> cells;

  SummaryValue& operator[](SummaryColumn column) { return cells[static_cast<std::size_t>(column)]; }
  const SummaryValue& operator[](SummaryColumn column) const {
    return cells[static_cast<std::size_t>(column)];
  }
};

// The columns whose values come from the client's documents (import.json, check.json,
// jet.json) rather than from its manifest or the other clients.
inline constexpr SummaryColumn kDocumentColumns[] = {
    SummaryColumn::kDealerNumber,  SummaryColumn::kBusinessName,    SummaryColumn::kTaxYear,
    SummaryColumn::kFormatVersion, SummaryColumn::kMovements,       SummaryColumn::kImportErrors,
    SummaryColumn::kFailingChecks, SummaryColumn::kTestsRun,        SummaryColumn::kTestsWeak,
    SummaryColumn::kTestsNotRun,   SummaryColumn::kTestsWithHits,   SummaryColumn::kHits,
    SummaryColumn::kTopScore,      SummaryColumn::kFirstDigitClass,
};

// What a client's documents give the summary, whatever the parameters: the document columns,
// the risk figures but the ranking's weights (which are the parameters'), and the first
// document listed that is missing or damaged, with why ("" when none is).
struct DocumentFigures {
  std::array<SummaryValue, kSummaryColumnCount> cells;  // the kDocumentColumns alone are set
  RiskFigures risk;
  std::string missing;

  SummaryValue& operator[](SummaryColumn column) { return cells[static_cast<std::size_t>(column)]; }
  const SummaryValue& operator[](SummaryColumn column) const {
    return cells[static_cast<std::size_t>(column)];
  }
};

// The figures read from the documents in `folder` that `analyses` list (import.json always).
DocumentFigures FiguresOfDocuments(const std::filesystem::path& folder,
                                   const std::vector<std::string>& analyses);

// The figures kept in `folder`'s figures file (WriteClientFigures), when it is there, whole,
// of its present form and made for these analyses; else nullopt, and the documents are to be
// read.
std::optional<DocumentFigures> ReadFiguresFile(const std::filesystem::path& folder,
                                               const std::vector<std::string>& analyses);

// A cell as the CSV and the workbook write it: a list's ids joined by ";", nothing as empty.
std::string SummaryCellText(const SummaryValue& value);

// The line of the client whose results are in `folder`, from its manifest (already read) and
// its import.json, check.json and jet.json as its analyses list them (through its figures
// file when it has one). An analysis listed
// whose document is missing or damaged makes the line "failed", naming the document, for a
// summary must not present figures it could not read. Everything but rank and
// same_company_as is filled.
SummaryRow ReadSummaryRow(const std::filesystem::path& folder, Manifest manifest,
                          const JetParameters& parameters);

// Every client's line of RESULTS, ranked worst first, with its same_company_as filled: the
// lines every form of the summary and the portfolio report are made from.
std::vector<SummaryRow> RankedSummaryRows(const std::filesystem::path& results,
                                          const SummaryInputs& inputs);

// The line of a results folder whose manifest could not be read: "failed" with the reason.
SummaryRow UnreadableSummaryRow(std::string client, std::string reason);

}  // namespace tallyscan::portfolio
