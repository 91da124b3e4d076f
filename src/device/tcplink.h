#pragma once

#include "common/scheduler.h"
#include "device/link.h"

#include <QTcpSocket>

// The TCP connection to a model-4 device. Connecting is bounded by a
// time-out on the injected scheduler; received bytes arrive on the event
// loop through readyRead, so there is no reader thread.
class TcpLink : public Link {
  Q_OBJECT
public:
  static constexpr quint16 DevicePort = 1024;
  static constexpr int ConnectTimeoutMs = 3000;

  explicit TcpLink(Scheduler &scheduler, QObject *parent = nullptr);
  ~TcpLink() override;

  void setHost(const QString &host) { m_host = host; }
  QString host() const { return m_host; }
  // The device listens on 1024; tests point the link at a server of their own.
  void setPort(quint16 port) { m_port = port; }
  quint16 port() const { return m_port; }

  void open(OpenDone done = {}) override;
  void close() override;
  bool isOpen() const override;
  qint64 bytesWaiting() const override;
  bool isConnecting() const { return m_connecting; }
  bool write(const QByteArray &bytes) override;

private:
  void onConnected();
  void onDisconnected();
  void onError(QAbstractSocket::SocketError error);
  void onTimeout();
  void finishOpen(bool ok);
  void abortQuietly();

  Scheduler &m_scheduler;
  QTcpSocket m_socket;
  QString m_host;
  quint16 m_port = DevicePort;
  OpenDone m_done;
  Scheduler::TaskId m_timeout = 0;
  bool m_connecting = false;
  bool m_quiet = false;
};
