// tallyscan-cli batch --one: one client's folder read once, its analyses run in this process,
// each written as its command prints it with --format json.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>

#include "cli/analysis_output.h"
#include "cli/batch.h"
#include "cli/check_setup.h"
#include "cli/exit_codes.h"
#include "engine/analytics/analytics.h"
#include "engine/portfolio/portfolio.h"
#include "engine/report/report.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

namespace fs = std::filesystem;
using portfolio::ClientStatus;

constexpr std::string_view kNoMovementText = "לא נקראה אף שורת תנועה (B100) מקובץ הנתונים";

// The child's own standard output and error go into its results, appended to what the parent
// already caught there.
bool CaptureInto(const fs::path& partial) {
  const std::pair<const char*, int> targets[] = {{"stdout.txt", STDOUT_FILENO},
                                                 {"stderr.txt", STDERR_FILENO}};
  for (const auto& [name, fd] : targets) {
    const int file =
        ::open((partial / name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file < 0 || ::dup2(file, fd) < 0) return false;
    ::close(file);
  }
  return true;
}

// What `print` puts on std::cout, into `file`; the exit code it gives, or kExitFailed when the
// file could not be written.
int PrintInto(const fs::path& file, const std::function<int()>& print) {
  std::filebuf buffer;
  if (buffer.open(file, std::ios::out | std::ios::binary | std::ios::trunc) == nullptr) {
    std::cerr << file.string() << ": cannot be written\n";
    return kExitFailed;
  }
  std::streambuf* const previous = std::cout.rdbuf(&buffer);
  const int code = print();
  std::cout.flush();
  const bool written = std::cout.good();
  std::cout.clear();
  std::cout.rdbuf(previous);
  if (buffer.close() == nullptr || !written) {
    std::cerr << file.string() << ": cannot be written\n";
    return kExitFailed;
  }
  return code;
}

struct Outcome {
  ClientStatus status = ClientStatus::kOk;
  std::string reason;
  bool failed = false;  // an analysis could not complete: the child exits 1

  void Note(ClientStatus found, std::string why = {}) {
    if (portfolio::Precedent(found, status) != found || found == status) return;
    status = found;
    reason = std::move(why);
  }
};

void NoteExit(Outcome& outcome, int code) {
  if (code == kExitFindings) outcome.Note(ClientStatus::kFindings);
  if (code != kExitCompleted && code != kExitFindings) outcome.failed = true;
}

// Reads the folder and runs the analyses, writing their files into `partial`.
Outcome Analyse(const BatchOptions& options, const fs::path& partial,
                std::vector<portfolio::ManifestInput>& inputs) {
  Outcome outcome;
  const std::string& folder = *options.one;
  const auto zip = FindFileIgnoringCase(folder, "bkmvdata.zip");
  if (zip && !FindFileIgnoringCase(folder, "bkmvdata.txt")) {
    const portfolio::ZipExamination examined = portfolio::ExamineZip(*zip);
    if (!examined.refusal.empty()) {
      outcome.Note(ClientStatus::kNotAnalysed, "BKMVDATA.ZIP נדחה: " + examined.refusal);
      return outcome;
    }
  }
  JetParameters parameters;
  if (options.params) {
    if (Status s = ReadJetParametersFile(*options.params, parameters, parameters); !s.ok()) {
      std::cerr << s.message() << "\n";
      outcome.failed = true;
      return outcome;
    }
  }
  std::optional<std::int64_t> epoch;
  if (!ReadCommandEpoch(epoch)) {
    outcome.failed = true;
    return outcome;
  }

  RecordStore store;
  TerminalProgress bar;
  ImportOptions import_options;
  import_options.read_threads = options.threads;
  import_options.extract_folder = partial.string();
  import_options.digest = true;
  const ImportResult imported = ImportFolder(store, folder, bar, import_options);
  bar.Finish();
  if (!imported.status.ok()) {
    std::cerr << imported.status.message() << '\n';
    outcome.Note(ClientStatus::kNotAnalysed, imported.status.message());
    return outcome;
  }
  OutputOptions json;
  json.format = OutputFormat::kJson;
  json.fail_on_findings = true;
  NoteExit(outcome, PrintInto(partial / "import.json",
                              [&] { return PrintImportLog(json, folder, imported, store); }));
  if (store.MovementIndex.Count() == 0) {
    outcome.Note(ClientStatus::kNotAnalysed, std::string(kNoMovementText));
  }
  const CommandClock clock(epoch);
  std::vector<JetSourceFile> digested;
  for (const std::string& analysis : options.analyses) {
    if (outcome.failed) break;
    if (analysis == "check") {
      NoteExit(outcome, PrintInto(partial / "check.json", [&] {
                 return PrintCheckRows(json, folder, imported, store, CheckTicks{}, clock, bar);
               }));
    } else if (analysis == "jet") {
      NoteExit(outcome, PrintInto(partial / "jet.json", [&] {
                 return PrintJetSummary(json, folder, imported, store, parameters, AllJetTests(),
                                        bar, &digested);
               }));
    } else if (analysis == "fields") {
      // The statistics are figures, not findings: a field's invalid values are the import's
      // error rows already.
      const int code = PrintInto(partial / "fields.json", [&] {
        return PrintFieldStatistics(json, folder, imported, store, bar, options.threads);
      });
      if (code != kExitCompleted && code != kExitFindings) outcome.failed = true;
    }
  }
  // The bytes the analyses read: the data file, or what was taken out of the archive, hashed
  // by the import as it read them; INI.TXT, small, by the tests or here.
  const std::string data_name = fs::path(imported.data_file_path).filename().string();
  for (portfolio::ManifestInput& input : inputs) {
    const bool archive = portfolio::IsArchiveName(input.name);
    if (archive) input.bytes = static_cast<std::uint64_t>(imported.bytes_read);
    std::string digest;
    if (archive || input.name == data_name) {
      digest = store.DataSha256;
    } else {
      const auto known = std::find_if(digested.begin(), digested.end(),
                                      [&](const JetSourceFile& f) { return f.name == input.name; });
      digest = known != digested.end() && known->sha256.size() == 64
                   ? known->sha256
                   : FileSha256(JoinPath(folder, input.name));
    }
    if (!digest.empty()) input.sha256 = digest;
  }
  if (!imported.zip_file_path.empty()) {
    std::error_code ec;
    fs::remove(imported.data_file_path, ec);
  }
  return outcome;
}

}  // namespace

int RunBatchChild(const BatchOptions& options) {
  const auto started = std::chrono::system_clock::now();
  const auto clock_start = std::chrono::steady_clock::now();
  const fs::path results(options.out);
  const fs::path partial(options.out + ".partial");
  std::error_code ec;
  fs::create_directories(partial, ec);
  if (ec || !CaptureInto(partial)) {
    std::cerr << partial.string() << ": cannot be written\n";
    return kExitFailed;
  }

  portfolio::Manifest manifest;
  manifest.client =
      options.client.empty() ? fs::path(*options.one).filename().string() : options.client;
  manifest.label = options.label;
  manifest.analyses.push_back("import");
  for (const std::string& a : options.analyses) {
    if (a != "import") manifest.analyses.push_back(a);
  }
  if (options.params) {
    const std::string digest = FileSha256(*options.params);
    if (!digest.empty()) manifest.parameters_sha256 = digest;
  }
  manifest.started = portfolio::UtcTimestamp(started);
  manifest.inputs = portfolio::FingerprintInputs(*options.one);

  Outcome outcome;
  if (!FindFileIgnoringCase(*options.one, "bkmvdata.txt") &&
      !FindFileIgnoringCase(*options.one, "bkmvdata.zip")) {
    outcome.Note(ClientStatus::kNotAnalysed, FindFileIgnoringCase(*options.one, "ini.txt")
                                                 ? "אין בתיקייה קובץ נתונים"
                                                 : "אין בתיקייה INI.TXT");
  } else {
    outcome = Analyse(options, partial, manifest.inputs);
  }
  if (outcome.failed) return kExitFailed;
  if (Status s = portfolio::WriteClientFigures(partial, manifest.analyses); !s.ok()) {
    std::cerr << s.message() << "\n";
    return kExitFailed;
  }
  if (!portfolio::SameFingerprints(manifest.inputs, portfolio::FingerprintInputs(*options.one))) {
    outcome.Note(ClientStatus::kChangedDuringRun, "קובץ נתונים השתנה בזמן הקריאה");
  }
  manifest.status = outcome.status;
  manifest.reason = outcome.status == ClientStatus::kFindings ? std::string() : outcome.reason;
  manifest.exit_code = 0;
  manifest.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - clock_start).count();
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  manifest.peak_rss_kb = usage.ru_maxrss;
  if (Status s = portfolio::WriteManifestFile(partial / portfolio::kManifestFileName, manifest);
      !s.ok()) {
    std::cerr << s.message() << "\n";
    return kExitFailed;
  }
  fs::remove_all(results, ec);
  fs::rename(partial, results, ec);
  if (ec) {
    std::cerr << results.string() << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  return kExitCompleted;
}

}  // namespace tallyscan::cli
