#pragma once

#include <QDateTime>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

class QTimer;

// Every delay of the program (reply watchdog, status waits, pauses before
// writes, connect waits, status-line timers) goes through a Scheduler, so tests
// can run a 12-second time-out in microseconds. Every task names the object it
// works for, as QTimer::singleShot takes a context: when that object goes
// away, its pending tasks go with it and never run.
class Scheduler {
public:
  using TaskId = std::uint64_t;

  virtual ~Scheduler() = default;

  // Runs task once after ms milliseconds on the event loop, unless context is
  // destroyed before; returns an id for cancel(). context must not be null.
  virtual TaskId schedule(int ms, QObject *context, std::function<void()> task) = 0;
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

  TaskId schedule(int ms, QObject *context, std::function<void()> task) override;
  void cancel(TaskId id) override;
  bool isPending(TaskId id) const override;
  QDateTime now() const override;
  bool setLocalTime(const QDateTime &t) override;

private:
  struct Pending {
    QTimer *timer = nullptr;
    QMetaObject::Connection contextGone;
  };
  // Forgets a task that ran or was cancelled.
  void release(TaskId id);

  std::map<TaskId, Pending> m_pending;
  TaskId m_next = 1;
};

// Virtual time for tests: nothing runs until advance() moves the clock.
class VirtualScheduler : public Scheduler {
public:
  explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(10, 0)));
  ~VirtualScheduler() override;
  VirtualScheduler(const VirtualScheduler &) = delete;
  VirtualScheduler &operator=(const VirtualScheduler &) = delete;

  TaskId schedule(int ms, QObject *context, std::function<void()> task) override;
  void cancel(TaskId id) override;
  bool isPending(TaskId id) const override;
  QDateTime now() const override { return m_now; }
  bool setLocalTime(const QDateTime &t) override {
    if (!t.isValid() || !clockSettable)
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
  // Whether the program may set the clock (on Linux: the right to set the system time).
  bool clockSettable = true;

private:
  struct Task {
    qint64 due;
    std::function<void()> fn;
    QMetaObject::Connection contextGone;
  };
  // Takes a task out (it runs or is dropped), its context no longer watched.
  std::function<void()> take(std::map<TaskId, Task>::iterator it);
  std::map<TaskId, Task> m_tasks;
  TaskId m_next = 1;
  QDateTime m_now;
  qint64 m_elapsed = 0;
};
