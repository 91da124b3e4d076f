#include "common/scheduler.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <memory>

TEST(VirtualScheduler, RunsTasksInDueOrderOnlyWhenTimeAdvances) {
  VirtualScheduler s;
  QObject owner;
  QStringList log;
  s.schedule(3000, &owner, [&] { log << "watchdog"; });
  s.schedule(100, &owner, [&] { log << "pause"; });
  const auto cancelled = s.schedule(50, &owner, [&] { log << "cancelled"; });
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
  QObject owner;
  const QDateTime start = s.now();
  int resends = 0;
  std::function<void()> resend = [&] {
    if (++resends < 3)
      s.schedule(3000, &owner, resend);
  };
  s.schedule(3000, &owner, resend);
  s.advance(12000);
  EXPECT_EQ(resends, 3);
  EXPECT_EQ(start.msecsTo(s.now()), 12000);
  EXPECT_EQ(s.pendingCount(), 0u);
}

TEST(QtScheduler, FiresOnTheEventLoopAndCanBeCancelled) {
  QtScheduler s;
  QObject owner;
  bool fired = false, cancelledFired = false;
  const auto id = s.schedule(1, &owner, [&] { fired = true; });
  const auto other = s.schedule(1, &owner, [&] { cancelledFired = true; });
  EXPECT_TRUE(s.isPending(id));
  s.cancel(other);
  EXPECT_TRUE(testsupport::waitFor([&] { return fired; }, 2000));
  EXPECT_FALSE(s.isPending(id));
  EXPECT_FALSE(cancelledFired);
}

// A window or link that goes away takes its pending tasks with it: they never
// run and the others run as planned. The tasks write into their owner, so one
// run late would touch freed memory (the sanitizer build would fail). A
// context that outlives the scheduler is no concern of it any more.
template <typename Clock>
void tasksDieWithTheirContext(std::function<bool(Clock &, std::function<bool()>)> runUntil) {
  struct Window : QObject {
    int shown = 0;
  };
  auto outlives = std::make_unique<QObject>();
  {
    Clock clock;
    auto window = std::make_unique<Window>();
    Window *w = window.get();
    const auto gone = clock.schedule(10, w, [w] { ++w->shown; });
    const auto goneToo = clock.schedule(0, w, [w] { ++w->shown; });
    QObject stays;
    bool othersRan = false;
    const auto kept = clock.schedule(20, &stays, [&] { othersRan = true; });
    window.reset();
    EXPECT_FALSE(clock.isPending(gone));
    EXPECT_FALSE(clock.isPending(goneToo));
    EXPECT_TRUE(clock.isPending(kept));
    EXPECT_TRUE(runUntil(clock, [&] { return othersRan; }));
    clock.schedule(5, outlives.get(), [] {});
  }
  outlives.reset();
}

TEST(VirtualScheduler, TasksDieWithTheirContext) {
  tasksDieWithTheirContext<VirtualScheduler>([](VirtualScheduler &clock, std::function<bool()> done) {
    clock.advance(100);
    return done();
  });
}

TEST(QtScheduler, TasksDieWithTheirContext) {
  tasksDieWithTheirContext<QtScheduler>(
      [](QtScheduler &, std::function<bool()> done) { return testsupport::waitFor(done, 2000); });
}
