#include "engine/common/progress.h"

#include <vector>

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

class RecordingMonitor : public ProgressMonitor {
 public:
  void OnProgress(int percent) override { reports.push_back(percent); }
  bool StopRequested() override { return false; }
  std::vector<int> reports;
};

TEST(ProgressTrackerTest, ReportsRoundedPercentOnlyWhenItChanges) {
  RecordingMonitor monitor;
  ProgressTracker tracker(monitor, 8);
  for (int n = 1; n <= 8; ++n) tracker.Advance(n);
  // 12.5 -> 13, 25, 37.5 -> 38, 50, 62.5 -> 63, 75, 87.5 -> 88, 100
  EXPECT_EQ((std::vector<int>{13, 25, 38, 50, 63, 75, 88, 100}), monitor.reports);
}

TEST(ProgressTrackerTest, ManyUnitsPerPercentReportEachPercentOnce) {
  RecordingMonitor monitor;
  ProgressTracker tracker(monitor, 1000);
  for (int n = 1; n <= 1000; ++n) tracker.Advance(n);
  ASSERT_EQ(100u, monitor.reports.size());
  EXPECT_EQ(1, monitor.reports.front());
  EXPECT_EQ(100, monitor.reports.back());
}

TEST(ProgressTrackerTest, ZeroExpectedTotalLeavesTheBarAtZero) {
  RecordingMonitor monitor;
  ProgressTracker tracker(monitor, 0);
  tracker.Advance(5);
  EXPECT_TRUE(monitor.reports.empty());
}

TEST(ProgressTrackerTest, MoreUnitsThanExpectedStopAtOneHundred) {
  RecordingMonitor monitor;
  ProgressTracker tracker(monitor, 2);
  tracker.Advance(2);
  tracker.Advance(5);
  EXPECT_EQ((std::vector<int>{100}), monitor.reports);
}

}  // namespace
}  // namespace tallyscan
