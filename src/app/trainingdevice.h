#pragma once

#include "common/scheduler.h"
#include "device/articlemirror.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// The till's device while it is in training: fiscal-sim, started by the program
// for the configured model and register number, on a pty linked in a private
// folder that no configured COMn can name. Its memory holds the articles of the
// mirror it was started with; what it prints goes to its journal.
class TrainingDevice : public QObject {
  Q_OBJECT
public:
  static constexpr int StartTimeoutMs = 10000;
  using Done = std::function<void(bool ok, const QString &error)>;

  explicit TrainingDevice(Scheduler &scheduler, QObject *parent = nullptr);
  ~TrainingDevice() override;

  // fiscal-sim beside the program's own executable, else on PATH; empty when neither.
  static QString simulatorPath();

  // Starts the device unless one for the same model and register runs already;
  // done(true) once it is ready, with linkPath() to open. A start still under way
  // is given up (its done gets false).
  void start(int model, const QString &ibfm, const ArticleMirror &articles, const QString &journal,
             Done done);
  void stop();
  bool isRunning() const;
  // True when a ready device of this model and register runs; start() then keeps it.
  bool runsFor(int model, const QString &ibfm) const;
  // The same path for the object's whole life; nothing is there while no device runs.
  QString linkPath() const;

private:
  void finish(bool ok, const QString &error);

  Scheduler &m_scheduler;
  QTemporaryDir m_dir;
  QProcess m_process;
  QByteArray m_output;
  int m_model = 0;
  QString m_ibfm;
  bool m_ready = false;
  Scheduler::TaskId m_timeout = 0;
  Done m_done;
};
