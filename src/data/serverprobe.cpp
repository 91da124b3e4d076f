#include "data/serverprobe.h"

#include <mutex>
#include <thread>

// What the attempt's thread and the probe both reach: the probe says here that it is gone,
// under the lock the thread holds while it posts the answer to it.
struct ServerProbe::Shared {
  std::mutex lock;
  ServerProbe *owner = nullptr;
};

ServerProbe::ServerProbe(QObject *parent) : QObject(parent), m_shared(std::make_shared<Shared>()) {
  m_shared->owner = this;
}

ServerProbe::~ServerProbe() {
  // An answer already posted goes with the object (QObject drops its posted events).
  const std::lock_guard<std::mutex> held(m_shared->lock);
  m_shared->owner = nullptr;
}

bool ServerProbe::start(Attempt attempt, Done done) {
  if (m_running)
    return false;
  m_running = true;
  m_done = std::move(done);
  // Detached: a probe destroyed meanwhile does not wait for a server that does not answer.
  std::thread([shared = m_shared, attempt = std::move(attempt)] {
    QString error;
    const bool reached = attempt(&error);
    const std::lock_guard<std::mutex> held(shared->lock);
    if (ServerProbe *owner = shared->owner)
      QMetaObject::invokeMethod(
          owner, [owner, reached, error] { owner->finish(reached, error); }, Qt::QueuedConnection);
  }).detach();
  return true;
}

void ServerProbe::finish(bool reached, const QString &error) {
  m_running = false;
  const Done done = std::move(m_done);
  m_done = nullptr;
  if (done)
    done(reached, error);
}
