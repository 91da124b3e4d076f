#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// Tries to reach the server on a thread of its own, so the thread that asks (the user
// interface) keeps handling events while a server that takes the connection but never
// answers holds the attempt for up to the connection timeout. The attempt works only on
// what it was given; its answer comes back on the asking thread's event loop, and not at
// all once the probe is gone.
class ServerProbe : public QObject {
public:
  // Runs on the probe's thread: true when the server was reached; error says why not.
  using Attempt = std::function<bool(QString *error)>;
  using Done = std::function<void(bool reached, const QString &error)>;

  explicit ServerProbe(QObject *parent = nullptr);
  ~ServerProbe() override;

  // Starts attempt unless one is under way (false then: its answer is still to come).
  bool start(Attempt attempt, Done done);
  bool running() const { return m_running; }

private:
  struct Shared;
  void finish(bool reached, const QString &error);

  std::shared_ptr<Shared> m_shared;
  Done m_done;
  bool m_running = false;
};
