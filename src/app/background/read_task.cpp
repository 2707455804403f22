#include "app/background/read_task.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include "app/background/store_readers.h"

namespace tallyscan {

struct ReadTask::Run {
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable returned_changed;
  bool returned = false;
};

namespace {

// The work's monitor: the stop flag, and progress handed to the window's thread.
class WorkerMonitor final : public ProgressMonitor {
 public:
  WorkerMonitor(const std::atomic<bool>& stop, QPointer<ReadTask> task)
      : stop_(stop), task_(std::move(task)) {}
  void OnProgress(int percent) override {
    // Posted to the application: the task is only looked at on the window's thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [task = task_, percent] {
          if (task) emit task->Progress(percent);
        },
        Qt::QueuedConnection);
  }
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& stop_;
  QPointer<ReadTask> task_;
};

}  // namespace

ReadTask::ReadTask(StoreReaders& readers, QObject* parent) : QObject(parent), readers_(readers) {}

ReadTask::~ReadTask() { Abandon(); }

void ReadTask::Start(Work work, Done done) {
  const bool was_running = Running();
  Abandon();
  auto run = std::make_shared<Run>();
  running_ = run;
  last_ = run;
  done_ = std::move(done);
  const std::uint64_t number = ++number_;
  readers_.Begin();
  QPointer<ReadTask> self(this);
  StoreReaders* readers = &readers_;
  // Detached: a stopped work may take a moment to notice, and the window does not wait for
  // it. The readers' count keeps the store unchanged until it has returned.
  std::thread([run, work = std::move(work), self, readers, number] {
    WorkerMonitor monitor(run->stop, self);
    const bool completed = work(monitor) && !run->stop.load();
    readers->End();
    {
      std::lock_guard lock(run->mutex);
      run->returned = true;
    }
    run->returned_changed.notify_all();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, number, completed] {
          if (self) self->Finished(number, completed);
        },
        Qt::QueuedConnection);
  }).detach();
  if (!was_running) emit RunningChanged(true);
}

void ReadTask::Stop() {
  if (!running_) return;
  Done done = std::move(done_);
  Abandon();
  emit RunningChanged(false);
  if (done) done(false);
}

void ReadTask::Wait() {
  if (!last_) return;
  std::unique_lock lock(last_->mutex);
  last_->returned_changed.wait(lock, [this] { return last_->returned; });
}

void ReadTask::Abandon() {
  if (running_) running_->stop.store(true);
  running_.reset();
  done_ = nullptr;
  ++number_;  // a late result of the work abandoned is not awaited
}

void ReadTask::Finished(std::uint64_t number, bool completed) {
  if (number != number_ || !running_) return;
  Done done = std::move(done_);
  running_.reset();
  done_ = nullptr;
  emit RunningChanged(false);
  if (done) done(completed);
}

}  // namespace tallyscan
