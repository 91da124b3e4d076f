#pragma once

// Real peers for the link tests: the far side of a pty pair and a TCP server
// on 127.0.0.1.

#include "support/testsupport.h"

#include <QByteArray>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

// The master side of a pty; the link opens the slave (through a COMn link).
class PtyPeer {
public:
  PtyPeer() {
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_fd >= 0 && ::grantpt(m_fd) == 0 && ::unlockpt(m_fd) == 0) {
      m_slave = QString::fromLocal8Bit(::ptsname(m_fd));
      ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
  }
  ~PtyPeer() { hangUp(); }
  PtyPeer(const PtyPeer &) = delete;
  PtyPeer &operator=(const PtyPeer &) = delete;

  bool valid() const { return m_fd >= 0 && !m_slave.isEmpty(); }
  QString slavePath() const { return m_slave; }

  bool send(const QByteArray &bytes) {
    return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
  }
  // Whatever the slave side wrote so far.
  QByteArray take() {
    QByteArray out;
    char buf[512];
    for (;;) {
      const ssize_t n = ::read(m_fd, buf, sizeof buf);
      if (n <= 0)
        break;
      out.append(buf, n);
    }
    return out;
  }
  // Reads until n bytes came or the time is up (spinning the event loop).
  QByteArray takeAtLeast(int n, int ms = 3000) {
    QByteArray out;
    testsupport::waitFor(
        [&] {
          out += take();
          return out.size() >= n;
        },
        ms);
    return out;
  }
  void hangUp() {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = -1;
  }

private:
  int m_fd = -1;
  QString m_slave;
};

// A TCP server on 127.0.0.1, any free port, holding the one accepted client.
class TcpPeer {
public:
  TcpPeer() { m_server.listen(QHostAddress::LocalHost, 0); }
  quint16 port() const { return m_server.serverPort(); }
  bool accept(int ms = 3000) {
    if (!testsupport::waitFor([&] { return m_server.hasPendingConnections(); }, ms))
      return false;
    m_client.reset(m_server.nextPendingConnection());
    return true;
  }
  QTcpSocket *client() { return m_client.get(); }
  bool send(const QByteArray &bytes) {
    const bool ok = m_client && m_client->write(bytes) == bytes.size();
    if (ok)
      m_client->flush();
    return ok;
  }
  QByteArray takeAtLeast(int n, int ms = 3000) {
    QByteArray out;
    testsupport::waitFor(
        [&] {
          if (m_client)
            out += m_client->readAll();
          return out.size() >= n;
        },
        ms);
    return out;
  }
  void hangUp() {
    if (m_client) {
      m_client->close();
      m_client.reset();
    }
  }
  void stopListening() { m_server.close(); }

private:
  QTcpServer m_server;
  std::unique_ptr<QTcpSocket> m_client;
};
