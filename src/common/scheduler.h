#pragma once

#include <QDateTime>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

// Every delay of the program (reply watchdog, status waits, pauses before
// writes, connect waits, status-line timers) goes through a Scheduler, so tests
// can run a 12-second time-out in microseconds.
class Scheduler {
public:
  using TaskId = std::uint64_t;

  virtual ~Scheduler() = default;

  // Runs task once after ms milliseconds on the event loop; returns an id for cancel().
  virtual TaskId schedule(int ms, std::function<void()> task) = 0;
  // Cancelling an unknown or already-run id does nothing.
  virtual void cancel(TaskId id) = 0;
  virtual bool isPending(TaskId id) const = 0;
  // Wall-clock now, as the program sees it (dates and times of receipts).
  virtual QDateTime now() const = 0;
  // Sets the computer's local clock (PodesiVreme); false when it was not allowed.
  virtual bool setLocalTime(const QDateTime &t) = 0;
};

// The real one: Qt timers on the event loop.
class QtScheduler : public QObject, public Scheduler {
  Q_OBJECT
public:
  explicit QtScheduler(QObject *parent = nullptr);
  ~QtScheduler() override;

  TaskId schedule(int ms, std::function<void()> task) override;
  void cancel(TaskId id) override;
  bool isPending(TaskId id) const override;
  QDateTime now() const override;
  bool setLocalTime(const QDateTime &t) override;

private:
  std::map<TaskId, QObject *> m_pending; // id -> single-shot timer object
  TaskId m_next = 1;
};

// Virtual time for tests: nothing runs until advance() moves the clock.
class VirtualScheduler : public Scheduler {
public:
  explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(10, 0)));

  TaskId schedule(int ms, std::function<void()> task) override;
  void cancel(TaskId id) override;
  bool isPending(TaskId id) const override;
  QDateTime now() const override { return m_now; }
  bool setLocalTime(const QDateTime &t) override {
    if (!t.isValid())
      return false;
    m_now = t;
    return true;
  }

  // Moves the clock forward, running every task that falls due, in due order
  // (tasks scheduled by tasks run too if they fall inside the interval).
  void advance(int ms);
  // Runs everything pending, however far away; returns how many ran.
  int runAll(int maxTasks = 10000);
  std::size_t pendingCount() const { return m_tasks.size(); }
  void setNow(const QDateTime &t) { m_now = t; }

private:
  struct Task {
    qint64 due;
    std::function<void()> fn;
  };
  std::map<TaskId, Task> m_tasks;
  TaskId m_next = 1;
  QDateTime m_now;
  qint64 m_elapsed = 0;
};
