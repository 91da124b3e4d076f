#include "channel.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace sim {

void Channel::enqueue(int delayMs, const QByteArray &chunk) {
  m_outbox.append({qMax(0, delayMs), chunk});
  if (!m_pumping)
    pump();
}

void Channel::pump() {
  if (m_outbox.isEmpty()) {
    m_pumping = false;
    return;
  }
  m_pumping = true;
  const auto [delay, chunk] = m_outbox.takeFirst();
  if (delay == 0) {
    writeNow(chunk);
    pump();
    return;
  }
  QTimer::singleShot(delay, this, [this, chunk = chunk] {
    writeNow(chunk);
    pump();
  });
}

QByteArray MemoryChannel::takeWritten() {
  QByteArray all;
  for (const auto &w : m_writes)
    all += w;
  m_writes.clear();
  return all;
}

TcpChannel::TcpChannel(QTcpSocket *socket, QObject *parent) : Channel(parent), m_socket(socket) {
  socket->setParent(this);
  connect(socket, &QTcpSocket::readyRead, this, [this] { emit received(m_socket->readAll()); });
  connect(socket, &QTcpSocket::disconnected, this, [this] { announceClosed(); });
}

QString TcpChannel::name() const {
  return QStringLiteral("tcp %1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
}

void TcpChannel::drop() {
  m_socket->abort();
  announceClosed();
}

void TcpChannel::announceClosed() {
  if (m_closed)
    return;
  m_closed = true;
  emit closed();
}

void TcpChannel::writeNow(const QByteArray &bytes) {
  if (m_socket->state() == QAbstractSocket::ConnectedState) {
    m_socket->write(bytes);
    m_socket->flush();
  }
}

TcpListener::TcpListener(QObject *parent) : QObject(parent), m_server(new QTcpServer(this)) {
  connect(m_server, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket *s = m_server->nextPendingConnection()) {
      s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      emit channelOpened(new TcpChannel(s, this));
    }
  });
}

bool TcpListener::listen(const QString &hostPort, QString *error) {
  // "HOST:PORT", "PORT" (on 127.0.0.1) or "HOST" (port 1024, the device's port).
  QString host = QStringLiteral("127.0.0.1");
  QString portText = QStringLiteral("1024");
  const int colon = int(hostPort.lastIndexOf(QLatin1Char(':')));
  bool numeric = false;
  hostPort.toInt(&numeric);
  if (colon >= 0) {
    host = hostPort.left(colon);
    portText = hostPort.mid(colon + 1);
  } else if (numeric) {
    portText = hostPort;
  } else if (!hostPort.isEmpty()) {
    host = hostPort;
  }
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
    host = QStringLiteral("127.0.0.1");
  bool ok = true;
  const int port = portText.toInt(&ok);
  const QHostAddress address(host);
  if (!ok || port < 0 || port > 65535) {
    *error = QStringLiteral("bad port in \"%1\"").arg(hostPort);
    return false;
  }
  if (address.isNull() || !address.isLoopback()) {
    *error =
        QStringLiteral("\"%1\" is not a loopback address; the simulator listens on 127.0.0.1 only").arg(host);
    return false;
  }
  if (!m_server->listen(address, quint16(port))) {
    *error = m_server->errorString();
    return false;
  }
  return true;
}

quint16 TcpListener::port() const {
  return m_server->serverPort();
}

} // namespace sim
