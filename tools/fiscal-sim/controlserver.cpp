#include "controlserver.h"

#include "simulator.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/stat.h>

namespace sim {

namespace {
constexpr int kMaxLine = 1 << 20;
}

ControlServer::ControlServer(Simulator *simulator, QObject *parent)
    : QObject(parent), m_simulator(simulator), m_server(new QLocalServer(this)) {
  connect(m_server, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket *s = m_server->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, s, [this, s] {
        while (s->canReadLine()) {
          const QByteArray line = s->readLine(kMaxLine).trimmed();
          if (line.isEmpty())
            continue;
          s->write(answer(line) + '\n');
          s->flush();
        }
        if (s->bytesAvailable() > kMaxLine) { // a line that never ends
          s->readAll();
          s->write(R"({"ok":false,"error":"line too long"})"
                   "\n");
        }
      });
    }
  });
}

bool ControlServer::listen(const QString &given, QString *error) {
  // A file-system path, relative to the working directory like --link.
  const QString path = QFileInfo(given).absoluteFilePath();
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISSOCK(st.st_mode)) {
    *error = QStringLiteral("%1 exists and is not a socket; not replacing it").arg(path);
    return false;
  }
  QLocalServer::removeServer(path); // a socket left by an earlier run
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(path)) {
    *error = QStringLiteral("cannot listen on %1: %2").arg(path, m_server->errorString());
    return false;
  }
  return true;
}

QString ControlServer::fullPath() const {
  return m_server->fullServerName();
}

QByteArray ControlServer::answer(const QByteArray &line) {
  QJsonParseError err{};
  const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
  QJsonObject reply;
  if (err.error != QJsonParseError::NoError || !doc.isObject()) {
    reply = QJsonObject{{QStringLiteral("ok"), false},
                        {QStringLiteral("error"), QStringLiteral("expected one JSON object per line")}};
  } else {
    reply = m_simulator->control(doc.object());
  }
  return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

} // namespace sim
