// The figures file: a client's document figures kept as the summary reads them.
//   {"form": 1, "analyses": [...], "cells": {column: text | number | null},
//    "risk": {"import_errors", "failing_checks", "tests_counted", "tests_with_hits",
//             "top_score", "first_digits"}, "missing": text}
#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

#include "engine/portfolio/summary.h"
#include "engine/portfolio/summary_row.h"
#include "engine/report/report_writers.h"

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::ordered_json;

// Raised whenever what the file holds or means changes: a file of another form is not read.
constexpr int kFiguresForm = 1;

struct RiskKey {
  const char* name;
  std::int64_t RiskFigures::*figure;
};
constexpr RiskKey kRiskKeys[] = {
    {"import_errors", &RiskFigures::import_errors},
    {"failing_checks", &RiskFigures::failing_checks},
    {"tests_counted", &RiskFigures::tests_counted},
    {"tests_with_hits", &RiskFigures::tests_with_hits},
    {"top_score", &RiskFigures::top_score},
};
constexpr const char* kFirstDigits = "first_digits";

Json CellJson(const SummaryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  return nullptr;
}

bool CellOf(const Json& json, SummaryValue& value) {
  if (json.is_null()) {
    value = std::monostate{};
  } else if (json.is_string()) {
    value = json.get<std::string>();
  } else if (json.is_number_integer() &&
             !(json.is_number_unsigned() && json.get<std::uint64_t>() > INT64_MAX)) {
    value = json.get<std::int64_t>();
  } else {
    return false;
  }
  return true;
}

}  // namespace

Status WriteClientFigures(const std::filesystem::path& folder,
                          const std::vector<std::string>& analyses) {
  const DocumentFigures figures = FiguresOfDocuments(folder, analyses);
  Json json = Json::object();
  json["form"] = kFiguresForm;
  json["analyses"] = analyses;
  Json cells = Json::object();
  for (const SummaryColumn column : kDocumentColumns) {
    cells[std::string(SummaryColumnName(column))] = CellJson(figures[column]);
  }
  json["cells"] = std::move(cells);
  Json risk = Json::object();
  for (const RiskKey& key : kRiskKeys) risk[key.name] = figures.risk.*key.figure;
  risk[kFirstDigits] = std::string(DigitClassWord(figures.risk.first_digits));
  json["risk"] = std::move(risk);
  json["missing"] = figures.missing;

  ReportFile file;
  const std::filesystem::path path = folder / kFiguresFileName;
  if (Status opened = ReportFile::Open(path.string(), ReportInputs{}, file); !opened.ok()) {
    return opened;
  }
  FileSink sink(std::move(file));
  sink.Write(json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n");
  return sink.Close();
}

std::optional<DocumentFigures> ReadFiguresFile(const std::filesystem::path& folder,
                                               const std::vector<std::string>& analyses) {
  const std::filesystem::path path = folder / kFiguresFileName;
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) {
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Json json = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) return std::nullopt;
  const auto member = [&](const Json& object, const char* key) -> const Json* {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
  };
  const Json* form = member(json, "form");
  const Json* listed = member(json, "analyses");
  const Json* cells = member(json, "cells");
  const Json* risk = member(json, "risk");
  const Json* missing = member(json, "missing");
  if (form == nullptr || *form != kFiguresForm || listed == nullptr || *listed != Json(analyses) ||
      cells == nullptr || !cells->is_object() || risk == nullptr || !risk->is_object() ||
      missing == nullptr || !missing->is_string()) {
    return std::nullopt;
  }
  DocumentFigures figures;
  for (const SummaryColumn column : kDocumentColumns) {
    const Json* cell = member(*cells, std::string(SummaryColumnName(column)).c_str());
    if (cell == nullptr || !CellOf(*cell, figures[column])) return std::nullopt;
  }
  for (const RiskKey& key : kRiskKeys) {
    const Json* figure = member(*risk, key.name);
    if (figure == nullptr || !figure->is_number_integer()) return std::nullopt;
    figures.risk.*key.figure = figure->get<std::int64_t>();
  }
  const Json* digits = member(*risk, kFirstDigits);
  if (digits == nullptr || !digits->is_string()) return std::nullopt;
  figures.risk.first_digits = DigitClassOfWord(digits->get<std::string>());
  figures.missing = missing->get<std::string>();
  return figures;
}

}  // namespace tallyscan::portfolio
