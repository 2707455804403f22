#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The manifest of one client's results: what was read (each input with its digest and the
// stat fingerprint that tells a later run whether it changed), with which version of the
// analyses and which parameters, and how the client ended. The batch writes one into every
// client's results folder; a resumed run compares it with the inputs, and the portfolio
// summary is made from the manifests alone.
//
// The JSON form has a fixed key order and a fixed layout, so that the same values always give
// the same bytes:
//   {"client", "label", "inputs": [{"name", "bytes", "sha256", "size", "mtime_ns", "dev",
//    "ino"}], "analysis_version", "parameters_sha256", "analyses", "status", "reason",
//    "exit_code", "signal", "started", "seconds", "peak_rss_kb"}

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan::portfolio {

// The version of the analyses' results. Raised only when a result the batch keeps (one of the
// analyses' JSON documents) would change for the same input and parameters, so that a resumed
// run analyses every client again; a new build that gives the same results keeps it.
inline constexpr int kAnalysisVersion = 1;

// How a client ended, in precedence: when several hold, the first of this list is the status.
enum class ClientStatus {
  kFailed,            // the child ended otherwise than by finishing: its exit code or signal
  kTimedOut,          // stopped after the time allowed
  kChangedDuringRun,  // a data file's fingerprint changed while it was read
  kNotAnalysed,       // no data file, the folder refused, or no movement line read
  kFindings,          // an import error row, a failing check, or a journal-entry test with hits
  kOk,
};

// "failed", "timed out", "changed during run", "not analysed", "findings", "ok".
std::string_view StatusWord(ClientStatus status);
// The status in the window's and the reports' words: "נכשל", "חרג מהזמן", "השתנה בזמן
// הקריאה", "לא נותח", "ממצאים", "תקין".
std::string_view StatusCaption(ClientStatus status);
// The caption of a status word; a text that is no status word stays as it is.
std::string StatusCaptionOfWord(std::string_view word);
// The status of a word; nullopt when no status has it.
std::optional<ClientStatus> StatusOfWord(std::string_view word);
// The one of the two that takes precedence.
ClientStatus Precedent(ClientStatus a, ClientStatus b);

// One file a client's analyses read.
struct ManifestInput {
  std::string name;                   // the file's name in the client's folder (BKMVDATA.TXT)
  std::uint64_t bytes = 0;            // the bytes the analyses read (a zip's: the data taken out)
  std::optional<std::string> sha256;  // of those bytes, 64 lower-case hex digits; none if unread
  // The stat fingerprint of the file in the client's folder.
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;

  bool operator==(const ManifestInput&) const = default;
};

struct Manifest {
  std::string client;  // the client's id (its folder relative to the batch's input)
  std::string label;   // empty when the list gave none
  std::vector<ManifestInput> inputs;
  int analysis_version = kAnalysisVersion;
  std::optional<std::string> parameters_sha256;  // of the parameter file; none without one
  std::vector<std::string> analyses;             // "import", "check", "jet", "fields" as run
  ClientStatus status = ClientStatus::kNotAnalysed;
  std::string reason;  // in words, empty for "ok" and "findings"
  std::optional<int> exit_code;
  std::optional<int> signal;
  std::string started;  // UTC, "2026-12-09T20:40:00Z"
  double seconds = 0;   // wall time of the client's analyses
  std::optional<std::int64_t> peak_rss_kb;

  bool operator==(const Manifest&) const = default;
};

// The manifest's file name in a client's results folder.
inline constexpr std::string_view kManifestFileName = "manifest.json";

// The JSON document: two-space indent, the keys in the order above, a final newline. Texts
// that are not UTF-8 have each bad byte replaced by U+FFFD.
std::string ManifestJson(const Manifest& manifest);

// Reads a manifest written by ManifestJson. A document that is not JSON, lacks a key, holds a
// value of the wrong kind or out of range (a status no list has, a digest that is not 64 hex
// digits, a time not in the form above) is refused with a Hebrew message naming what is
// wrong, and `out` is left as it was. Keys it does not know are passed over. Never throws.
Status ReadManifest(std::string_view json_text, Manifest& out);

// The same from a file (a regular file of at most 1 MiB); the messages name the path.
Status ReadManifestFile(const std::filesystem::path& path, Manifest& out);

// Writes the manifest to `path` through a temporary file beside it, renamed over the path
// only when complete.
Status WriteManifestFile(const std::filesystem::path& path, const Manifest& manifest);

// A moment as "started" holds it (UTC, whole seconds).
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

}  // namespace tallyscan::portfolio
