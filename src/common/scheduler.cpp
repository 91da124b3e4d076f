#include "common/scheduler.h"

#include <QTimer>

#include <ctime>

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

QtScheduler::~QtScheduler() {
  for (auto &[id, pending] : m_pending) {
    QObject::disconnect(pending.contextGone);
    delete pending.timer;
  }
}

Scheduler::TaskId QtScheduler::schedule(int ms, QObject *context, std::function<void()> task) {
  Q_ASSERT(context);
  const TaskId id = m_next++;
  auto *timer = new QTimer(this);
  timer->setSingleShot(true);
  timer->setTimerType(Qt::PreciseTimer);
  connect(timer, &QTimer::timeout, this, [this, id, task = std::move(task)]() {
    release(id);
    task(); // the timer, and this copy of the task, are deleted later
  });
  Pending &p = m_pending[id];
  p.timer = timer;
  p.contextGone = connect(context, &QObject::destroyed, this, [this, id] { cancel(id); });
  timer->start(ms < 0 ? 0 : ms);
  return id;
}

void QtScheduler::release(TaskId id) {
  auto it = m_pending.find(id);
  if (it == m_pending.end())
    return;
  QObject::disconnect(it->second.contextGone);
  it->second.timer->stop();
  it->second.timer->deleteLater();
  m_pending.erase(it);
}

void QtScheduler::cancel(TaskId id) {
  release(id);
}

bool QtScheduler::isPending(TaskId id) const {
  return m_pending.count(id) != 0;
}

QDateTime QtScheduler::now() const {
  return QDateTime::currentDateTime();
}

bool QtScheduler::setLocalTime(const QDateTime &t) {
  if (!t.isValid())
    return false;
  // The local time is turned into the system's UTC clock; setting it needs the
  // privilege to do so, which an ordinary user does not have.
  const qint64 ms = t.toMSecsSinceEpoch();
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ms / 1000);
  ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
  return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
}

VirtualScheduler::VirtualScheduler(QDateTime start) : m_now(std::move(start)) {}

VirtualScheduler::~VirtualScheduler() {
  for (auto &[id, task] : m_tasks)
    QObject::disconnect(task.contextGone);
}

Scheduler::TaskId VirtualScheduler::schedule(int ms, QObject *context, std::function<void()> task) {
  Q_ASSERT(context);
  const TaskId id = m_next++;
  Task &t = m_tasks[id];
  t.due = m_elapsed + (ms < 0 ? 0 : ms);
  t.fn = std::move(task);
  t.contextGone = QObject::connect(context, &QObject::destroyed, [this, id] { cancel(id); });
  return id;
}

std::function<void()> VirtualScheduler::take(std::map<TaskId, Task>::iterator it) {
  QObject::disconnect(it->second.contextGone);
  auto fn = std::move(it->second.fn);
  m_tasks.erase(it);
  return fn;
}

void VirtualScheduler::cancel(TaskId id) {
  auto it = m_tasks.find(id);
  if (it != m_tasks.end())
    take(it);
}

bool VirtualScheduler::isPending(TaskId id) const {
  return m_tasks.count(id) != 0;
}

void VirtualScheduler::advance(int ms) {
  const qint64 target = m_elapsed + ms;
  for (;;) {
    auto next = m_tasks.end();
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it)
      if (it->second.due <= target && (next == m_tasks.end() || it->second.due < next->second.due))
        next = it; // earliest due; ties keep scheduling order (ids ascend)
    if (next == m_tasks.end())
      break;
    const qint64 step = next->second.due - m_elapsed;
    m_now = m_now.addMSecs(step);
    m_elapsed = next->second.due;
    take(next)();
  }
  m_now = m_now.addMSecs(target - m_elapsed);
  m_elapsed = target;
}

int VirtualScheduler::runAll(int maxTasks) {
  int ran = 0;
  while (!m_tasks.empty() && ran < maxTasks) {
    auto next = m_tasks.begin();
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it)
      if (it->second.due < next->second.due)
        next = it;
    advance(static_cast<int>(next->second.due - m_elapsed));
    ++ran;
  }
  return ran;
}
