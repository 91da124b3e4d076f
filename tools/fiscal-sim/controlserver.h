#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace sim {

class Simulator;

// Local socket taking one JSON command per line and answering each with one
// JSON line.
class ControlServer : public QObject {
  Q_OBJECT
public:
  ControlServer(Simulator *simulator, QObject *parent = nullptr);
  bool listen(const QString &path, QString *error);
  QString fullPath() const;

  // One line in, one line out (without the newline); exposed for tests.
  QByteArray answer(const QByteArray &line);

private:
  Simulator *m_simulator;
  QLocalServer *m_server;
};

} // namespace sim
