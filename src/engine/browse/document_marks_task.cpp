#include "engine/browse/document_marks_task.h"

#include <utility>

namespace tallyscan {
namespace {

class StopFlag final : public ProgressMonitor {
 public:
  explicit StopFlag(const std::atomic<bool>& stop) : stop_(stop) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& stop_;
};

}  // namespace

DocumentMarksTask::DocumentMarksTask(const RecordStore& store, std::function<void()> ready)
    : thread_([this, &store, done = std::move(ready)] {
        StopFlag monitor(stop_);
        if (!FindDocumentMarks(store, monitor, &marks_)) return;
        ready_.store(true, std::memory_order_release);
        if (done) done();
      }) {}

DocumentMarksTask::~DocumentMarksTask() { Stop(); }

void DocumentMarksTask::Stop() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

DocumentMarks DocumentMarksTask::Take() {
  if (!Ready()) return {};
  if (thread_.joinable()) thread_.join();
  return std::move(marks_);
}

}  // namespace tallyscan
