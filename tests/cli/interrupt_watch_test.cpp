// Ctrl-C reaches a long command as its stop request.
#include "cli/interrupt_watch.h"

#include <signal.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace tallyscan::cli {
namespace {

int CallsUntilInterrupted(InterruptWatch& watch, int limit) {
  for (int call = 1; call <= limit; ++call) {
    if (watch.Interrupted()) return call;
  }
  return 0;
}

TEST(InterruptWatchTest, CtrlCIsSeenWithinOneLookAndStaysSeen) {
  InterruptWatch watch;
  EXPECT_EQ(0, CallsUntilInterrupted(watch, 10000));  // nothing pressed yet
  // Blocked while the watch lives, so the signal waits for the watch instead of ending us.
  ASSERT_EQ(0, raise(SIGINT));
  const int calls = CallsUntilInterrupted(watch, 10000);
  EXPECT_GT(calls, 0);
  EXPECT_LE(calls, 4096);
  EXPECT_TRUE(watch.Interrupted());
}

TEST(InterruptWatchTest, WorkThatAsksSeldomSeesCtrlCAtItsNextLook) {
  InterruptWatch watch;
  EXPECT_FALSE(watch.Interrupted());
  ASSERT_EQ(0, raise(SIGINT));
  // Asked once per block of a long sort: a look is due again after a pause, not after
  // thousands of calls.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(watch.Interrupted());
}

TEST(InterruptWatchTest, TheSignalMaskIsGivenBackAtTheEnd) {
  sigset_t before;
  ASSERT_EQ(0, pthread_sigmask(SIG_SETMASK, nullptr, &before));
  ASSERT_EQ(0, sigismember(&before, SIGINT));
  {
    InterruptWatch watch;
    sigset_t during;
    ASSERT_EQ(0, pthread_sigmask(SIG_SETMASK, nullptr, &during));
    EXPECT_EQ(1, sigismember(&during, SIGINT));
  }
  sigset_t after;
  ASSERT_EQ(0, pthread_sigmask(SIG_SETMASK, nullptr, &after));
  EXPECT_EQ(0, sigismember(&after, SIGINT));
}

}  // namespace
}  // namespace tallyscan::cli
