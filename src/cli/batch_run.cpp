// tallyscan-cli batch: a portfolio's clients, each analysed in a child process of its own,
// their results under RESULTS/clients/ID/, resumed from the manifests a previous run left.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/batch.h"
#include "cli/exit_codes.h"
#include "cli/interrupt_watch.h"
#include "engine/analytics/analytics.h"
#include "engine/portfolio/portfolio.h"
#include "engine/report/report.h"

namespace tallyscan::cli {
namespace {

namespace fs = std::filesystem;
using portfolio::ClientStatus;
using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr auto kKillAfterTerm = std::chrono::seconds(5);

struct Job {
  const portfolio::Client* client = nullptr;
  fs::path results;  // RESULTS/clients/ID
  std::int64_t reservation = 0;
  std::unique_ptr<portfolio::ChildProcess> child;
  std::string started;
  Clock::time_point start;
  std::optional<Clock::time_point> terminated;  // when SIGTERM was sent
  bool timed_out = false;
};

fs::path PartialOf(const fs::path& results) { return results.string() + ".partial"; }

std::string SelfProgram() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("tallyscan-cli") : self.string();
}

// Whether the final manifest of a client says that its results are those this run would make.
bool StillCurrent(const BatchOptions& o, const portfolio::Client& client,
                  const portfolio::Manifest& m, const std::vector<std::string>& analyses,
                  const std::optional<std::string>& parameters_sha256) {
  if (o.rerun == "all") return false;
  if (o.rerun == "none") return true;
  if (o.rerun == "failed" &&
      (m.status == ClientStatus::kFailed || m.status == ClientStatus::kTimedOut)) {
    return false;
  }
  if (m.analysis_version != portfolio::kAnalysisVersion || m.analyses != analyses ||
      m.parameters_sha256 != parameters_sha256) {
    return false;
  }
  const std::vector<portfolio::ManifestInput> now = portfolio::FingerprintInputs(client.folder);
  if (!portfolio::SameFingerprints(now, m.inputs)) return false;
  if (o.verify == "sha256") {
    for (const portfolio::ManifestInput& input : m.inputs) {
      // An archive's recorded digest is that of the data taken out of it; its fingerprint
      // stands for it.
      if (portfolio::IsArchiveName(input.name)) continue;
      if (!input.sha256 ||
          FileSha256((fs::path(client.folder) / input.name).string()) != *input.sha256) {
        return false;
      }
    }
  }
  return true;
}

class Progress {
 public:
  Progress(bool jsonl, std::size_t total, int jobs) : jsonl_(jsonl), total_(total), jobs_(jobs) {}

  void Start(const std::string& client) { Event("start", &client, nullptr, nullptr); }
  void Skip(const portfolio::Manifest& m) {
    ++done_;
    Count(m.status);
    const std::string word(portfolio::StatusWord(m.status));
    Event("skip", &m.client, &word, nullptr);
  }
  void Done(const portfolio::Manifest& m, double seconds) {
    ++done_;
    ++run_;
    run_seconds_ += seconds;
    Count(m.status);
    const std::string word(portfolio::StatusWord(m.status));
    Event("done", &m.client, &word, &seconds);
    if (!jsonl_) Line();
  }
  void End() {
    if (jsonl_) Event("end", nullptr, nullptr, nullptr);
  }
  void set_remaining_to_run(std::size_t remaining) { remaining_to_run_ = remaining; }

 private:
  void Count(ClientStatus status) {
    if (status == ClientStatus::kFailed || status == ClientStatus::kTimedOut) ++failed_;
  }
  void Event(const char* event, const std::string* client, const std::string* status,
             const double* seconds) {
    if (!jsonl_) return;
    nlohmann::ordered_json line;
    line["event"] = event;
    line["client"] = client ? nlohmann::ordered_json(*client) : nullptr;
    line["status"] = status ? nlohmann::ordered_json(*status) : nullptr;
    line["seconds"] = seconds ? nlohmann::ordered_json(*seconds) : nullptr;
    line["done"] = done_;
    line["total"] = total_;
    std::cerr << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  }
  void Line() {
    const double each = run_ > 0 ? run_seconds_ / static_cast<double>(run_) : 0;
    const auto left = static_cast<long long>(
        each * static_cast<double>(remaining_to_run_) / std::max(jobs_, 1) + 0.5);
    char text[96];
    std::snprintf(text, sizeof text, "%zu/%zu, failed %zu, about %lld:%02lld left", done_, total_,
                  failed_, left / 60, left % 60);
    std::cerr << text << "\n";
  }

  bool jsonl_;
  std::size_t total_;
  int jobs_;
  std::size_t done_ = 0, run_ = 0, failed_ = 0, remaining_to_run_ = 0;
  double run_seconds_ = 0;
};

// The manifest of a client whose child did not leave its own: what the parent saw.
portfolio::Manifest ParentManifest(const Job& job, const std::vector<std::string>& analyses,
                                   const std::optional<std::string>& parameters_sha256,
                                   const portfolio::ChildEnd& end, double seconds) {
  portfolio::Manifest m;
  m.client = job.client->id;
  m.label = job.client->label;
  m.inputs = portfolio::FingerprintInputs(job.client->folder);
  m.analyses = analyses;
  m.parameters_sha256 = parameters_sha256;
  m.started = job.started;
  m.seconds = seconds;
  m.peak_rss_kb = end.peak_rss_kb;
  if (end.signal != 0) m.signal = end.signal;
  if (end.exit_code >= 0) m.exit_code = end.exit_code;
  if (job.timed_out) {
    m.status = ClientStatus::kTimedOut;
    m.reason = "הניתוח נעצר אחרי הזמן שהוקצב לו";
  } else {
    m.status = ClientStatus::kFailed;
    m.reason = end.signal != 0 ? "התהליך הסתיים באות " + std::to_string(end.signal)
               : end.exit_code == 0 ? "התהליך הסתיים בלי להשאיר תוצאות"
                                    : "התהליך הסתיים בקוד " + std::to_string(end.exit_code);
  }
  return m;
}

// The results of an ended child in place, and their manifest.
portfolio::Manifest Finish(Job& job, const portfolio::ChildEnd& end,
                           const std::vector<std::string>& analyses,
                           const std::optional<std::string>& parameters_sha256) {
  const double seconds = std::chrono::duration<double>(Clock::now() - job.start).count();
  const fs::path partial = PartialOf(job.results);
  std::error_code ec;
  portfolio::Manifest m;
  if (!job.timed_out && end.signal == 0 && end.exit_code == 0 && !fs::exists(partial, ec) &&
      portfolio::ReadManifestFile(job.results / portfolio::kManifestFileName, m).ok()) {
    if (!m.peak_rss_kb) m.peak_rss_kb = end.peak_rss_kb;
    return m;
  }
  m = ParentManifest(job, analyses, parameters_sha256, end, seconds);
  fs::create_directories(partial, ec);
  if (Status s = portfolio::WriteManifestFile(partial / portfolio::kManifestFileName, m); !s.ok()) {
    std::cerr << s.message() << "\n";
  }
  fs::remove_all(job.results, ec);
  fs::rename(partial, job.results, ec);
  return m;
}

std::vector<std::string> ChildArguments(const BatchOptions& o, int jobs, const Job& job) {
  std::vector<std::string> args = {o.child_program ? *o.child_program : SelfProgram(),
                                   "batch",
                                   "--one",
                                   job.client->folder,
                                   "--out",
                                   job.results.string(),
                                   "--client",
                                   job.client->id,
                                   "--analyses"};
  std::string list;
  for (const std::string& a : o.analyses) list += (list.empty() ? "" : ",") + a;
  args.push_back(list);
  if (!job.client->label.empty()) args.insert(args.end(), {"--label", job.client->label});
  if (o.params) args.insert(args.end(), {"--params", *o.params});
  if (jobs > 1) args.insert(args.end(), {"--threads", "1"});
  return args;
}

int Jobs(const BatchOptions& o) {
  if (o.jobs > 0) return o.jobs;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// Half of what the system could give without swapping (MemAvailable, which counts the page
// cache it can drop), else half of the free pages.
std::int64_t MemoryBudget(const BatchOptions& o) {
  if (o.memory > 0) return o.memory;
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::int64_t kilobytes = 0;
  while (meminfo >> key >> kilobytes) {
    if (key == "MemAvailable:") return kilobytes * 1024 / 2;
    meminfo.ignore(64, '\n');
  }
  const long pages = ::sysconf(_SC_AVPHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? static_cast<std::int64_t>(pages) * page / 2
                               : std::int64_t{1} << 30;
}

// The parameter file's copy in RESULTS is what a later merge reads the parameters from; a
// batch without one leaves none, so that the summary is made with the defaults it ran with.
Status KeepParameters(const BatchOptions& o) {
  const fs::path copy = fs::path(o.out) / portfolio::kParametersCopyName;
  std::error_code ec;
  if (!o.params) {
    fs::remove(copy, ec);
    return ec ? Status::IoError(copy.string() + ": " + ec.message()) : Status::Ok();
  }
  const fs::path temporary = copy.string() + ".partial";
  fs::copy_file(*o.params, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temporary, copy, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return Status::IoError(copy.string() + ": " + ec.message());
  }
  return Status::Ok();
}

Status WriteBatchSummary(const std::string& out, std::chrono::system_clock::time_point started) {
  portfolio::SummaryInputs inputs;
  if (Status s = portfolio::ReadSummaryInputs(out, inputs); !s.ok()) return s;
  inputs.run_started = started;
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) inputs.peak_rss_kb = usage.ru_maxrss;
  return portfolio::WriteSummary(out, inputs);
}

}  // namespace

int RunBatchParent(const BatchOptions& o) {
  const auto run_started = std::chrono::system_clock::now();
  std::vector<portfolio::Client> clients;
  if (!ClientsOfBatch(o, clients)) return kExitFailed;
  std::optional<std::string> parameters_sha256;
  if (o.params) {
    // A parameter file every child would refuse is the batch's failure, not each client's.
    JetParameters parameters;
    if (Status s = ReadJetParametersFile(*o.params, parameters, parameters); !s.ok()) {
      std::cerr << s.message() << "\n";
      return kExitFailed;
    }
    parameters_sha256 = FileSha256(*o.params);
  }
  std::vector<std::string> analyses = {"import"};
  for (const std::string& a : o.analyses) {
    if (a != "import") analyses.push_back(a);
  }
  const fs::path clients_folder = fs::path(o.out) / "clients";
  std::error_code ec;
  fs::create_directories(clients_folder, ec);
  if (ec) {
    std::cerr << clients_folder.string() << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  if (Status s = KeepParameters(o); !s.ok()) {
    std::cerr << s.message() << "\n";
    return kExitFailed;
  }

  const int jobs = Jobs(o);
  const std::int64_t budget = MemoryBudget(o);
  Progress progress(o.progress == "jsonl", clients.size(), jobs);
  std::vector<portfolio::Manifest> finals(clients.size());
  std::vector<bool> have(clients.size(), false);
  std::deque<Job> pending;
  for (std::size_t i = 0; i < clients.size(); ++i) {
    Job job;
    job.client = &clients[i];
    job.results = clients_folder / portfolio::ResultsPathOf(clients[i].id);
    // A stopped run's leftovers are never results.
    fs::remove_all(PartialOf(job.results), ec);
    portfolio::Manifest m;
    if (portfolio::ReadManifestFile(job.results / portfolio::kManifestFileName, m).ok() &&
        StillCurrent(o, clients[i], m, analyses, parameters_sha256)) {
      progress.Skip(m);
      finals[i] = std::move(m);
      have[i] = true;
      continue;
    }
    if (o.rerun == "none") continue;
    job.reservation = portfolio::ReservationOf(portfolio::DataBytesOf(clients[i].folder));
    pending.push_back(std::move(job));
  }

  // A SIGTERM (a scheduler's, a service manager's) or a hang-up ends the children as Ctrl-C
  // does: the batch never dies leaving them running.
  InterruptWatch interrupts({SIGINT, SIGTERM, SIGHUP});
  std::vector<Job> running;
  std::int64_t reserved = 0;
  bool stopped = false;
  progress.set_remaining_to_run(pending.size());
  while (!pending.empty() || !running.empty()) {
    if (!stopped && interrupts.Look()) {
      stopped = true;
      pending.clear();
      for (Job& job : running) {
        job.child->Signal(SIGTERM);
        job.terminated = Clock::now();
      }
    }
    while (!stopped && !pending.empty() && static_cast<int>(running.size()) < jobs &&
           (running.empty() || reserved + pending.front().reservation <= budget)) {
      Job job = std::move(pending.front());
      pending.pop_front();
      fs::remove_all(job.results.string() + ".partial", ec);
      fs::create_directories(fs::path(job.results).parent_path(), ec);
      fs::create_directories(PartialOf(job.results), ec);
      portfolio::ChildCommand command;
      command.arguments = ChildArguments(o, jobs, job);
      command.stdout_file = (PartialOf(job.results) / "stdout.txt").string();
      command.stderr_file = (PartialOf(job.results) / "stderr.txt").string();
      command.address_space_bytes = o.child_memory;
      job.child = std::make_unique<portfolio::ChildProcess>();
      job.start = Clock::now();
      job.started = portfolio::UtcTimestamp(std::chrono::system_clock::now());
      progress.Start(job.client->id);
      if (Status s = job.child->Start(command); !s.ok()) {
        std::cerr << job.client->id << ": " << s.message() << "\n";
        portfolio::ChildEnd end;
        end.exit_code = 127;
        const portfolio::Manifest m = Finish(job, end, analyses, parameters_sha256);
        const auto at = static_cast<std::size_t>(job.client - clients.data());
        progress.set_remaining_to_run(pending.size());
        progress.Done(m, 0);
        finals[at] = m;
        have[at] = true;
        continue;
      }
      reserved += job.reservation;
      running.push_back(std::move(job));
    }
    std::this_thread::sleep_for(kPollInterval);
    for (std::size_t r = 0; r < running.size();) {
      Job& job = running[r];
      const auto now = Clock::now();
      if (!job.terminated && now - job.start > std::chrono::seconds(o.timeout_seconds)) {
        job.timed_out = true;
        job.child->Signal(SIGTERM);
        job.terminated = now;
      } else if (job.terminated && now - *job.terminated > kKillAfterTerm) {
        job.child->Signal(SIGKILL);
      }
      const std::optional<portfolio::ChildEnd> end = job.child->Poll();
      if (!end) {
        ++r;
        continue;
      }
      reserved -= job.reservation;
      if (stopped && !job.timed_out) {
        // Stopped by the user: what it wrote so far is no result.
        fs::remove_all(PartialOf(job.results), ec);
      } else {
        const portfolio::Manifest m = Finish(job, *end, analyses, parameters_sha256);
        const auto at = static_cast<std::size_t>(job.client - clients.data());
        progress.set_remaining_to_run(pending.size() + running.size() - 1);
        progress.Done(m, std::chrono::duration<double>(now - job.start).count());
        finals[at] = m;
        have[at] = true;
      }
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(r));
    }
  }
  progress.End();
  bool summary_failed = false;
  if (o.summary) {
    if (Status s = WriteBatchSummary(o.out, run_started); !s.ok()) {
      std::cerr << "batch: the summary: " << s.message() << "\n";
      summary_failed = true;
    }
  }
  if (stopped) return kExitInterrupted;
  // A summary that could not be written is the batch's failure, whatever the clients did.
  if (summary_failed) return kExitFailed;
  bool incomplete = false, findings = false;
  for (std::size_t i = 0; i < clients.size(); ++i) {
    if (!have[i]) continue;
    incomplete = incomplete || (finals[i].status != ClientStatus::kOk &&
                                finals[i].status != ClientStatus::kFindings);
    findings = findings || finals[i].status == ClientStatus::kFindings;
  }
  if (incomplete) return kExitIncomplete;
  return o.fail_on_findings && findings ? kExitFindings : kExitCompleted;
}

}  // namespace tallyscan::cli
