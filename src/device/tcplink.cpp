#include "device/tcplink.h"

#include <QHostAddress>

TcpLink::TcpLink(Scheduler &scheduler, QObject *parent) : Link(parent), m_scheduler(scheduler) {
  connect(&m_socket, &QTcpSocket::connected, this, &TcpLink::onConnected);
  connect(&m_socket, &QTcpSocket::disconnected, this, &TcpLink::onDisconnected);
  connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpLink::onError);
  connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
    // readyRead is not signalled again while a receiver is still busy; bytes
    // that came meanwhile are taken here.
    do
      deliver(m_socket.readAll());
    while (m_socket.bytesAvailable() > 0);
  });
}

TcpLink::~TcpLink() {
  m_socket.disconnect(this);
  m_socket.abort();
}

void TcpLink::open(OpenDone done) {
  // A connect still under way is given up: only the newest caller is answered.
  if (m_connecting)
    finishOpen(false);
  abortQuietly();
  setErrorString(QString());
  m_done = std::move(done);
  const QHostAddress address(m_host.trimmed());
  if (address.isNull()) {
    setErrorString(QTcpSocket::tr("Host not found"));
    m_connecting = true;
    finishOpen(false);
    return;
  }
  m_connecting = true;
  m_timeout = m_scheduler.schedule(ConnectTimeoutMs, this, [this] { onTimeout(); });
  m_socket.connectToHost(address, m_port);
}

void TcpLink::close() {
  if (m_connecting) {
    setErrorString(QTcpSocket::tr("Operation canceled"));
    finishOpen(false);
  }
  abortQuietly();
}

void TcpLink::abortQuietly() {
  // A close we asked for is no drop and no error.
  m_quiet = true;
  m_socket.abort();
  m_quiet = false;
}

qint64 TcpLink::bytesWaiting() const {
  return m_socket.bytesAvailable();
}

bool TcpLink::isOpen() const {
  return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool TcpLink::write(const QByteArray &bytes) {
  if (!isOpen()) {
    if (errorString().isEmpty())
      setErrorString(m_socket.error() != QAbstractSocket::UnknownSocketError
                         ? m_socket.errorString()
                         : QTcpSocket::tr("Socket is not connected"));
    return false;
  }
  if (bytes.isEmpty())
    return true;
  if (m_socket.write(bytes) != bytes.size()) {
    setErrorString(m_socket.errorString());
    return false;
  }
  // One buffer, handed to the system at once rather than left for later.
  m_socket.flush();
  return true;
}

void TcpLink::onConnected() {
  if (m_connecting)
    finishOpen(true);
}

void TcpLink::onDisconnected() {
  if (m_quiet || m_connecting)
    return; // reported through onError / the time-out
  const QString reason = m_socket.error() != QAbstractSocket::UnknownSocketError
                             ? m_socket.errorString()
                             : QTcpSocket::tr("The remote host closed the connection");
  setErrorString(reason);
  emit dropped(reason);
}

void TcpLink::onError(QAbstractSocket::SocketError) {
  if (m_quiet)
    return;
  setErrorString(m_socket.errorString());
  if (m_connecting) {
    abortQuietly();
    finishOpen(false);
  }
}

void TcpLink::onTimeout() {
  m_timeout = 0;
  if (!m_connecting)
    return;
  abortQuietly();
  setErrorString(QTcpSocket::tr("Socket operation timed out"));
  finishOpen(false);
}

void TcpLink::finishOpen(bool ok) {
  m_scheduler.cancel(m_timeout);
  m_timeout = 0;
  m_connecting = false;
  if (ok)
    setErrorString(QString());
  OpenDone done = std::exchange(m_done, OpenDone());
  if (done)
    done(ok);
}
