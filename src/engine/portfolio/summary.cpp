#include "engine/portfolio/summary.h"

#include <algorithm>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/portfolio/manifest.h"
#include "engine/portfolio/summary_row.h"
#include "engine/portfolio/summary_workbook.h"
#include "engine/report/report_writers.h"
#include "engine/text/text.h"

namespace tallyscan::portfolio {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr std::string_view kPartialSuffix = ".partial";

// The folders under RESULTS/clients that hold a manifest, in the order of their paths.
std::vector<fs::path> ClientFolders(const fs::path& clients) {
  std::vector<fs::path> folders;
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(clients, error))) return folders;
  fs::recursive_directory_iterator it(clients, fs::directory_options::skip_permission_denied,
                                      error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(error) && !entry.is_symlink(error)) {
      if (name.size() >= kPartialSuffix.size() &&
          name.compare(name.size() - kPartialSuffix.size(), kPartialSuffix.size(),
                       kPartialSuffix) == 0) {
        it.disable_recursion_pending();
      }
      continue;
    }
    if (name == kManifestFileName && entry.is_regular_file(error) && !entry.is_symlink(error)) {
      folders.push_back(entry.path().parent_path());
    }
  }
  std::sort(folders.begin(), folders.end());
  return folders;
}

std::vector<SummaryRow> ReadRows(const fs::path& results, const SummaryInputs& inputs) {
  const fs::path clients = results / "clients";
  std::vector<SummaryRow> rows;
  for (const fs::path& folder : ClientFolders(clients)) {
    Manifest manifest;
    const fs::path path = folder / kManifestFileName;
    if (const Status read = ReadManifestFile(path, manifest); !read.ok()) {
      // Named within RESULTS, so that the line reads the same wherever RESULTS lies.
      std::string reason = read.message();
      const std::string named = path.string();
      if (reason.starts_with(named)) {
        reason.replace(0, named.size(), path.lexically_relative(results).generic_string());
      }
      rows.push_back(
          UnreadableSummaryRow(folder.lexically_relative(clients).generic_string(), reason));
    } else {
      rows.push_back(ReadSummaryRow(folder, std::move(manifest), inputs.parameters));
    }
  }
  return rows;
}

// The clients that cannot be scored first, then by score from the highest, then by id.
void Rank(std::vector<SummaryRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const SummaryRow& a, const SummaryRow& b) {
    if (a.risk_score.has_value() != b.risk_score.has_value()) return !a.risk_score.has_value();
    if (a.risk_score != b.risk_score) return *a.risk_score > *b.risk_score;
    return a.manifest.client < b.manifest.client;
  });
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i][SummaryColumn::kRank] = static_cast<std::int64_t>(i + 1);
  }
}

// Each client's list of the others that filed under the same dealer number for the same year.
void MarkSameCompanies(std::vector<SummaryRow>& rows) {
  std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> companies;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto* dealer = std::get_if<std::string>(&rows[i][SummaryColumn::kDealerNumber]);
    const auto* year = std::get_if<std::string>(&rows[i][SummaryColumn::kTaxYear]);
    if (dealer != nullptr && year != nullptr && !dealer->empty() && !year->empty()) {
      companies[{*dealer, *year}].push_back(i);
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i][SummaryColumn::kSameCompanyAs] = std::vector<std::string>{};
  for (const auto& [company, members] : companies) {
    for (const std::size_t i : members) {
      std::vector<std::string> others;
      for (const std::size_t j : members) {
        if (j != i) others.push_back(rows[j].manifest.client);
      }
      std::sort(others.begin(), others.end());
      rows[i][SummaryColumn::kSameCompanyAs] = std::move(others);
    }
  }
}

Json JsonCell(const SummaryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* list = std::get_if<std::vector<std::string>>(&value)) return *list;
  return nullptr;
}

std::string Dump(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string CsvText(const std::vector<SummaryRow>& rows) {
  std::string text(kUtf8ByteOrderMark);
  std::vector<std::string> cells;
  for (std::size_t c = 0; c < kSummaryColumnCount; ++c) {
    cells.emplace_back(SummaryColumnName(static_cast<SummaryColumn>(c)));
  }
  text += CsvRecord(cells);
  for (const SummaryRow& row : rows) {
    cells.clear();
    for (const SummaryValue& value : row.cells) cells.push_back(SummaryCellText(value));
    text += CsvRecord(cells);
  }
  return text;
}

std::string PortfolioJson(const std::vector<SummaryRow>& rows, const SummaryInputs& inputs) {
  Json json = Json::object();
  json["version"] = kAnalysisVersion;
  json["parameters"] = Json::parse(JetParameterFileJson(inputs.parameters));
  json["weights"] = Json::parse(PortfolioWeightsJson(inputs.parameters.portfolio_weights));
  Json clients = Json::array();
  for (const SummaryRow& row : rows) {
    Json client = Json::object();
    for (std::size_t c = 0; c < kSummaryColumnCount; ++c) {
      client[std::string(SummaryColumnName(static_cast<SummaryColumn>(c)))] =
          JsonCell(row.cells[c]);
    }
    clients.push_back(std::move(client));
  }
  json["clients"] = std::move(clients);
  return Dump(json);
}

std::string RunJson(const std::vector<SummaryRow>& rows, const SummaryInputs& inputs,
                    std::chrono::system_clock::time_point start) {
  const std::string started = UtcTimestamp(start);
  Json json = Json::object();
  json["start"] = started;
  json["end"] = UtcTimestamp(std::chrono::system_clock::now());
  json["peak_rss_kb"] = inputs.peak_rss_kb ? Json(*inputs.peak_rss_kb) : Json(nullptr);
  Json clients = Json::array();
  std::vector<const SummaryRow*> by_id;
  for (const SummaryRow& row : rows) by_id.push_back(&row);
  std::sort(by_id.begin(), by_id.end(), [](const SummaryRow* a, const SummaryRow* b) {
    return a->manifest.client < b->manifest.client;
  });
  for (const SummaryRow* row : by_id) {
    const Manifest& m = row->manifest;
    Json client = Json::object();
    client["client"] = m.client;
    client["started"] = m.started;
    client["seconds"] = m.seconds;
    client["peak_rss_kb"] = m.peak_rss_kb ? Json(*m.peak_rss_kb) : Json(nullptr);
    // Both timestamps are in one fixed form, so their texts sort as their moments do.
    client["reused"] = m.started.empty() || m.started < started;
    clients.push_back(std::move(client));
  }
  json["clients"] = std::move(clients);
  return Dump(json);
}

Status WriteFile(const fs::path& path, const std::string& bytes) {
  ReportFile file;
  if (Status opened = ReportFile::Open(path.string(), ReportInputs{}, file); !opened.ok()) {
    return opened;
  }
  FileSink sink(std::move(file));
  sink.Write(bytes);
  return sink.Close();
}

}  // namespace

Status ReadSummaryInputs(const fs::path& results, SummaryInputs& out) {
  const fs::path copy = results / kParametersCopyName;
  std::error_code error;
  SummaryInputs read;
  if (fs::exists(fs::symlink_status(copy, error))) {
    if (Status s = ReadJetParametersFile(copy.string(), JetParameters{}, read.parameters);
        !s.ok()) {
      return s;
    }
  }
  out = std::move(read);
  return Status::Ok();
}

std::vector<SummaryRow> RankedSummaryRows(const fs::path& results, const SummaryInputs& inputs) {
  std::vector<SummaryRow> rows = ReadRows(results, inputs);
  MarkSameCompanies(rows);
  Rank(rows);
  return rows;
}

Status WriteSummary(const fs::path& results, const SummaryInputs& inputs) {
  const auto start = inputs.run_started.value_or(std::chrono::system_clock::now());
  const std::vector<SummaryRow> rows = RankedSummaryRows(results, inputs);
  if (Status s = WriteFile(results / "portfolio.csv", CsvText(rows)); !s.ok()) return s;
  if (Status s = WriteFile(results / "portfolio.json", PortfolioJson(rows, inputs)); !s.ok()) {
    return s;
  }
  if (Status s = WriteSummaryWorkbook(results / "portfolio.xlsx", rows, inputs); !s.ok()) {
    return s;
  }
  return WriteFile(results / "run.json", RunJson(rows, inputs, start));
}

}  // namespace tallyscan::portfolio
