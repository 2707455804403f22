// The worker of long store reads: the result comes back on the window's thread, Stop answers
// at once and drops the late result, and the store counts as read until the worker returns.
#include <atomic>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include "app/background/read_task.h"
#include "app/background/store_readers.h"

namespace tallyscan::test {
namespace {

void WaitFor(const std::function<bool()>& condition) {
  while (!condition()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

class ReadTaskTest : public QObject {
  Q_OBJECT

 private slots:
  void CompletedWorkReportsOnTheWindowThreadAndReleasesTheStore() {
    StoreReaders readers;
    std::vector<bool> told;
    readers.changed = [&](bool reading) { told.push_back(reading); };
    ReadTask task(readers);
    std::vector<int> percents;
    connect(&task, &ReadTask::Progress, this, [&](int percent) { percents.push_back(percent); });
    auto result = std::make_shared<int>(0);
    std::atomic<bool> on_worker{false};
    int calls = 0;
    bool completed = false;
    QThread* window_thread = QThread::currentThread();
    task.Start(
        [result, &on_worker, window_thread](ProgressMonitor& progress) {
          on_worker = QThread::currentThread() != window_thread;
          progress.OnProgress(50);
          *result = 42;
          return true;
        },
        [&](bool done) {
          QCOMPARE(QThread::currentThread(), window_thread);
          ++calls;
          completed = done;
        });
    QVERIFY(task.Running());
    WaitFor([&] { return calls == 1 && readers.Idle() && told.size() == 2; });
    QVERIFY(on_worker);
    QVERIFY(completed);
    QCOMPARE(*result, 42);
    QCOMPARE(percents, std::vector<int>{50});
    QCOMPARE(told, (std::vector<bool>{true, false}));
    QVERIFY(!task.Running());
  }

  // Stop answers at once; the work, asked to stop, still holds the store until it returns,
  // and its late result is not delivered. A task destroyed meanwhile calls nothing.
  void StopAnswersAtOnceButTheStoreStaysHeldUntilTheWorkReturns() {
    StoreReaders readers;
    for (const bool destroy : {false, true}) {
      auto task = std::make_unique<ReadTask>(readers);
      std::atomic<bool> release{false};
      std::atomic<bool> saw_stop{false};
      std::atomic<bool> returned{false};
      std::vector<bool> calls;
      task->Start(
          [&](ProgressMonitor& progress) {
            while (!release) std::this_thread::yield();
            saw_stop = progress.StopRequested();
            returned = true;
            return true;
          },
          [&](bool done) { calls.push_back(done); });
      if (destroy) {
        task.reset();
      } else {
        task->Stop();
        QCOMPARE(calls, std::vector<bool>{false});
        QVERIFY(!task->Running());
      }
      QVERIFY(!readers.Idle());
      release = true;
      WaitFor([&] { return returned.load() && readers.Idle(); });
      QCoreApplication::processEvents();
      QVERIFY(saw_stop);
      QCOMPARE(calls, destroy ? std::vector<bool>{} : std::vector<bool>{false});
    }
  }

  // A second start abandons the first: only the second's result arrives.
  void ANewStartReplacesTheRunningWork() {
    StoreReaders readers;
    ReadTask task(readers);
    std::atomic<bool> release{false};
    std::vector<int> delivered;
    task.Start(
        [&](ProgressMonitor&) {
          while (!release) std::this_thread::yield();
          return true;
        },
        [&](bool) { delivered.push_back(1); });
    task.Start([](ProgressMonitor&) { return true; }, [&](bool) { delivered.push_back(2); });
    release = true;
    WaitFor([&] { return readers.Idle() && !delivered.empty(); });
    QCoreApplication::processEvents();
    QCOMPARE(delivered, std::vector<int>{2});
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::ReadTaskTest)
#include "read_task_test.moc"
