#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// Hands received bytes to one receiver, strictly in arrival order and never
// re-entrantly: bytes that come while the receiver is still busy (a modal
// prompt spins the event loop) wait and follow once it has returned.
class ReceiveQueue {
public:
  using Receiver = std::function<void(const QByteArray &)>;

  void push(const QByteArray &bytes, const Receiver &receiver);

private:
  QByteArray m_waiting;
  bool m_delivering = false;
};

// One byte transport (a serial port or a TCP connection). Everything runs on
// the event loop: received bytes come through received(), in order, in
// whatever pieces the transport delivers them.
class Link : public QObject {
  Q_OBJECT
public:
  // Called once with the outcome of open(); a serial port answers before
  // open() returns, a TCP connection later from the event loop.
  using OpenDone = std::function<void(bool ok)>;

  explicit Link(QObject *parent = nullptr) : QObject(parent) {}

  virtual void open(OpenDone done = {}) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Bytes that arrived but were not handed on yet: their receiver is still busy.
  virtual qint64 bytesWaiting() const = 0;
  // Writes all bytes at once; false (nothing queued) when the link is not
  // open or the platform refuses, with the platform's text in errorString().
  virtual bool write(const QByteArray &bytes) = 0;
  QString errorString() const { return m_error; }

signals:
  void received(const QByteArray &bytes);
  // The other side went away (peer closed, cable pulled, pty master closed).
  void dropped(const QString &reason);

protected:
  void deliver(const QByteArray &bytes);
  void setErrorString(const QString &text) { m_error = text; }

private:
  ReceiveQueue m_queue;
  QString m_error;
};
