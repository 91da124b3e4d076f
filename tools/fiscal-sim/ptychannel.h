#pragma once

#include "channel.h"

class QSocketNotifier;
class QTimer;

namespace sim {

// The device end of a pseudo-terminal. The slave side is what the program
// opens as its serial port; a symbolic link under a chosen name points to it.
// When the program closes the port the master sees a hang-up; the channel then
// waits, polling quietly, until the slave is opened again.
class PtyChannel : public Channel {
  Q_OBJECT
public:
  explicit PtyChannel(QObject *parent = nullptr);
  ~PtyChannel() override;

  // Creates the pty and the link (an existing symbolic link is replaced; any
  // other file at that path is left alone and reported).
  bool open(const QString &linkPath, QString *error);
  QString name() const override { return m_slaveName; }
  QString slavePath() const { return m_slaveName; }
  bool peerConnected() const { return m_peerConnected; }

protected:
  void writeNow(const QByteArray &bytes) override;

private:
  void onReadable();
  void checkPeer();

  int m_master = -1;
  QString m_slaveName;
  QString m_linkPath;
  QSocketNotifier *m_notifier = nullptr;
  QTimer *m_hangupPoll = nullptr;
  bool m_peerConnected = false;
};

} // namespace sim
