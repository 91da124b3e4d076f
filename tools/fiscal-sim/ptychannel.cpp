#include "ptychannel.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

PtyChannel::PtyChannel(QObject *parent) : Channel(parent) {}

PtyChannel::~PtyChannel() {
  if (m_master >= 0)
    ::close(m_master);
  if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
    QFile::remove(m_linkPath);
}

bool PtyChannel::open(const QString &linkPath, QString *error) {
  m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
    *error =
        QStringLiteral("cannot create a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    return false;
  }
  char name[128] = {};
  if (::ptsname_r(m_master, name, sizeof name - 1) != 0) {
    *error = QStringLiteral("cannot name the pseudo-terminal");
    return false;
  }
  m_slaveName = QString::fromLocal8Bit(name);

  // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
  termios tio{};
  if (::tcgetattr(m_master, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B57600);
    ::cfsetospeed(&tio, B57600);
    ::tcsetattr(m_master, TCSANOW, &tio);
  }

  if (!linkPath.isEmpty()) {
    const QFileInfo info(linkPath);
    if (info.isSymLink()) {
      QFile::remove(linkPath);
    } else if (info.exists()) {
      *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath);
      return false;
    }
    if (!QFile::link(m_slaveName, linkPath)) {
      *error = QStringLiteral("cannot create the link %1 -> %2").arg(linkPath, m_slaveName);
      return false;
    }
    m_linkPath = linkPath;
  }

  m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] { onReadable(); });
  m_hangupPoll = new QTimer(this);
  m_hangupPoll->setInterval(20);
  connect(m_hangupPoll, &QTimer::timeout, this, [this] { checkPeer(); });
  checkPeer();
  return true;
}

void PtyChannel::checkPeer() {
  pollfd p{m_master, POLLIN, 0};
  ::poll(&p, 1, 0);
  const bool hungUp = (p.revents & POLLHUP) != 0;
  if (hungUp) {
    // Nobody holds the slave open: reading would fail at once, over and over.
    if (m_peerConnected) {
      m_peerConnected = false;
      emit closed();
    }
    m_notifier->setEnabled(false);
    m_hangupPoll->start();
    return;
  }
  m_peerConnected = true;
  m_hangupPoll->stop();
  m_notifier->setEnabled(true);
}

void PtyChannel::onReadable() {
  char buf[512];
  for (;;) {
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n > 0) {
      emit received(QByteArray(buf, int(n)));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
      return;
    // EIO: the program closed the port.
    checkPeer();
    if (m_peerConnected) {
      // Hang-up not visible yet; poll rather than spin on the notifier.
      m_notifier->setEnabled(false);
      m_hangupPoll->start();
    }
    return;
  }
}

void PtyChannel::writeNow(const QByteArray &bytes) {
  pollfd hup{m_master, POLLIN, 0};
  ::poll(&hup, 1, 0);
  if (hup.revents & POLLHUP)
    return; // nobody has the port open: the bytes would wait for the next program
  qsizetype done = 0;
  int stalls = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR) && ++stalls < 100) {
      pollfd p{m_master, POLLOUT, 0};
      ::poll(&p, 1, 10);
      continue;
    }
    return; // nobody reads: the reply is lost, as on a cable with no one at the end
  }
}

} // namespace sim
