#include "common/scheduler.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

TEST(VirtualScheduler, RunsTasksInDueOrderOnlyWhenTimeAdvances) {
  VirtualScheduler s;
  QStringList log;
  s.schedule(3000, [&] { log << "watchdog"; });
  s.schedule(100, [&] { log << "pause"; });
  const auto cancelled = s.schedule(50, [&] { log << "cancelled"; });
  s.cancel(cancelled);
  s.advance(99);
  EXPECT_TRUE(log.isEmpty());
  s.advance(1);
  EXPECT_EQ(log, QStringList{"pause"});
  s.advance(5000);
  EXPECT_EQ(log, (QStringList{"pause", "watchdog"}));
}

TEST(VirtualScheduler, TasksScheduledByTasksRunWithinTheSameAdvance) {
  VirtualScheduler s;
  const QDateTime start = s.now();
  int resends = 0;
  std::function<void()> resend = [&] {
    if (++resends < 3)
      s.schedule(3000, resend);
  };
  s.schedule(3000, resend);
  s.advance(12000);
  EXPECT_EQ(resends, 3);
  EXPECT_EQ(start.msecsTo(s.now()), 12000);
  EXPECT_EQ(s.pendingCount(), 0u);
}

TEST(QtScheduler, FiresOnTheEventLoopAndCanBeCancelled) {
  QtScheduler s;
  bool fired = false, cancelledFired = false;
  const auto id = s.schedule(1, [&] { fired = true; });
  const auto other = s.schedule(1, [&] { cancelledFired = true; });
  EXPECT_TRUE(s.isPending(id));
  s.cancel(other);
  EXPECT_TRUE(testsupport::waitFor([&] { return fired; }, 2000));
  EXPECT_FALSE(s.isPending(id));
  testsupport::waitFor([] { return false; }, 20);
  EXPECT_FALSE(cancelledFired);
}
