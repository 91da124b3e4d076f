#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace sim {

// One peer of the device: a pty, one TCP connection, or an in-process pipe.
// Writes go through a small outbox so that latency and split replies keep
// their order.
class Channel : public QObject {
  Q_OBJECT
public:
  explicit Channel(QObject *parent = nullptr) : QObject(parent) {}
  virtual QString name() const = 0;
  virtual bool canDrop() const { return false; }
  virtual void drop() {}

  // Writes chunk after delayMs, behind everything queued before it.
  void enqueue(int delayMs, const QByteArray &chunk);
  bool outboxEmpty() const { return m_outbox.isEmpty() && !m_pumping; }

signals:
  void received(const QByteArray &bytes);
  void closed();

protected:
  virtual void writeNow(const QByteArray &bytes) = 0;

private:
  void pump();
  QList<QPair<int, QByteArray>> m_outbox;
  bool m_pumping = false;
};

// In-process peer for tests and tools: bytes written by the device are
// collected, bytes for the device are handed in with send().
class MemoryChannel : public Channel {
  Q_OBJECT
public:
  using Channel::Channel;
  QString name() const override { return QStringLiteral("memory"); }
  void send(const QByteArray &bytes) { emit received(bytes); }
  QByteArray takeWritten();
  const QList<QByteArray> &writes() const { return m_writes; }
  void clearWrites() { m_writes.clear(); }

protected:
  void writeNow(const QByteArray &bytes) override { m_writes.append(bytes); }

private:
  QList<QByteArray> m_writes;
};

class TcpChannel : public Channel {
  Q_OBJECT
public:
  TcpChannel(QTcpSocket *socket, QObject *parent = nullptr);
  QString name() const override;
  bool canDrop() const override { return true; }
  void drop() override;

protected:
  void writeNow(const QByteArray &bytes) override;

private:
  void announceClosed();
  QTcpSocket *m_socket;
  bool m_closed = false;
};

// Listens on a loopback address; every accepted connection becomes a channel.
class TcpListener : public QObject {
  Q_OBJECT
public:
  explicit TcpListener(QObject *parent = nullptr);
  bool listen(const QString &hostPort, QString *error);
  quint16 port() const;
signals:
  void channelOpened(sim::Channel *channel);

private:
  QTcpServer *m_server;
};

} // namespace sim
