#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The portfolio summary: every client's line side by side, worst first, made from what the
// clients' results folders hold (their manifests and their analyses' documents) and nothing
// else, so that a batch, a resumed batch and a merge of shards' results write the same.
//
// Under RESULTS it writes
//   portfolio.csv   UTF-8 with its byte-order mark, a heading of the column names;
//   portfolio.json  {"version", "parameters", "weights", "clients": [{column: value}]};
//   portfolio.xlsx  the sheets "תיק" (the lines), "כשלים" (the clients not analysed, with
//                   their reasons) and "הרצה" (the version, the parameters and weights, and
//                   the clients' first start and last end);
//   run.json        what differs from one run to the next: this run's start and end, its peak
//                   memory, and per client its seconds, peak memory and whether this run
//                   analysed it or reused earlier results.
// The three portfolio files depend on the manifests, the documents and the parameters alone:
// the same inputs give the same bytes. Each file is written into a temporary file beside it
// and takes its name only when complete.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/common/status.h"

namespace tallyscan::portfolio {

// The copy of the parameter file a batch keeps in RESULTS, from which a merge reads them.
inline constexpr std::string_view kParametersCopyName = "parameters.json";

struct SummaryInputs {
  // The parameters the clients were analysed with: the ranking's weights of the tests and the
  // portfolio weights come from here.
  JetParameters parameters;
  // The batch's own start (clients whose manifests began earlier were reused) and its peak
  // memory; none for a merge, whose run is the merge itself.
  std::optional<std::chrono::system_clock::time_point> run_started;
  std::optional<std::int64_t> peak_rss_kb;
};

// The figures file of a client's results: what the summary takes from its documents, written
// beside them by the analysis that made them, so that a summary of many clients reads a few
// hundred bytes for each rather than parsing each client's documents again.
inline constexpr std::string_view kFiguresFileName = "figures.json";

// Writes `folder`/figures.json from the documents there that `analyses` list (as the summary
// would read them). A summary that finds none, or one of another form or other analyses,
// reads the documents: the lines are the same either way. Fails when the file cannot be
// written.
Status WriteClientFigures(const std::filesystem::path& folder,
                          const std::vector<std::string>& analyses);

// The parameters of RESULTS/parameters.json merged over the defaults, or the defaults when
// there is none. Fails with the file's message when it is there but refused.
Status ReadSummaryInputs(const std::filesystem::path& results, SummaryInputs& out);

// Reads every RESULTS/clients/**/manifest.json (never under a folder whose name ends in
// ".partial", never through a symbolic link) with the client's documents and writes the four
// files. A manifest or a document that cannot be read is that client's "failed" line with
// the reason, never the end of the summary. Fails only when a file cannot be written; the
// files written before it are then complete, and the one that failed is as it was.
Status WriteSummary(const std::filesystem::path& results, const SummaryInputs& inputs);

}  // namespace tallyscan::portfolio
