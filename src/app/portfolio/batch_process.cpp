#include "app/portfolio/batch_process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "engine/portfolio/portfolio.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(50);

// Reads what the batch has appended to its standard error since the last look, line by line.
class LineFollower {
 public:
  explicit LineFollower(const fs::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~LineFollower() {
    if (fd_ >= 0) ::close(fd_);
  }
  LineFollower(const LineFollower&) = delete;
  LineFollower& operator=(const LineFollower&) = delete;

  template <typename Use>
  void Read(Use&& use) {
    if (fd_ < 0) return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
      pending_.append(buffer, static_cast<std::size_t>(got));
    }
    std::size_t start = 0;
    for (std::size_t end = pending_.find('\n'); end != std::string::npos;
         end = pending_.find('\n', start)) {
      use(std::string_view(pending_).substr(start, end - start));
      start = end + 1;
    }
    pending_.erase(0, start);
  }

 private:
  int fd_;
  std::string pending_;
};

// A progress line sets the counts; any other line is a message of the batch.
void TakeLine(std::string_view line, ProgressMonitor& monitor, BatchCounts& counts,
              std::string& message) {
  if (line.empty()) return;
  if (line.front() == '{') {
    const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
    if (event.is_object() && event.contains("done") && event["done"].is_number_integer() &&
        event.contains("total") && event["total"].is_number_integer()) {
      const int done = event["done"].get<int>();
      const int total = event["total"].get<int>();
      counts.total.store(total);
      counts.done.store(done);
      monitor.OnProgress(total > 0 ? done * 100 / total : 0);
      return;
    }
  }
  if (!message.empty()) message += '\n';
  message += line;
}

}  // namespace

BatchOutcome RunBatchProcess(const BatchRequest& request, ProgressMonitor& monitor,
                             BatchCounts& counts) {
  BatchOutcome outcome;
  const fs::path results(request.results);
  std::error_code ec;
  fs::create_directories(results, ec);
  portfolio::ChildCommand command;
  command.arguments = {request.program, "batch", "--out", request.results, "--progress", "jsonl"};
  if (!request.list.empty()) {
    command.arguments.insert(command.arguments.end(), {"--list", request.list});
  } else {
    command.arguments.push_back(request.input);
  }
  command.stdout_file = (results / kBatchOutputFile).string();
  command.stderr_file = (results / kBatchProgressFile).string();
  portfolio::ChildProcess batch;
  if (Status s = batch.Start(command); !s.ok()) {
    outcome.message = s.message();
    return outcome;
  }
  outcome.started = true;
  LineFollower lines(command.stderr_file);
  const auto take = [&](std::string_view line) {
    TakeLine(line, monitor, counts, outcome.message);
  };
  std::optional<Clock::time_point> interrupted;
  std::optional<portfolio::ChildEnd> end;
  while (!(end = batch.Poll())) {
    if (!interrupted && monitor.StopRequested()) {
      batch.Signal(SIGINT);
      interrupted = Clock::now();
    } else if (interrupted &&
               Clock::now() - *interrupted > std::chrono::seconds(kStopGraceSeconds)) {
      batch.Signal(SIGKILL);
    }
    lines.Read(take);
    std::this_thread::sleep_for(kPollInterval);
  }
  lines.Read(take);
  outcome.stopped = interrupted.has_value();
  outcome.exit_code = end->exit_code;
  outcome.signal = end->signal;
  return outcome;
}

}  // namespace tallyscan
