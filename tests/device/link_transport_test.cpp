// The device link over both real transports: a pty pair and a TCP connection
// on 127.0.0.1. Whatever the transport and however the bytes are cut, the
// receive entry sees them whole and in order.

#include "device/linkcontroller.h"
#include "link_peers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

namespace {

enum class Transport { Serial, Tcp };

QByteArray frame(char code, int payload) {
  QByteArray f;
  f.append(char(0xAA));
  for (int i = 0; i < payload; ++i)
    f.append(char(code + i));
  f.append('\r');
  return f;
}

class LinkTransport : public ::testing::TestWithParam<Transport> {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_link.setWorkingDirectory(m_dir.path());
    LinkSettings s;
    if (GetParam() == Transport::Serial) {
      ASSERT_TRUE(m_pty.valid());
      ASSERT_TRUE(QFile::link(m_pty.slavePath(), m_dir.filePath("COM2")));
      s.Model = 1;
      s.Port = "2";
      m_link.setKonekcija(LinkController::Serial);
    } else {
      s.Model = 4;
      m_link.setKonekcija(LinkController::Tcp);
      m_link.setIP("127.0.0.1");
      m_link.setTcpPort(m_tcp.port());
    }
    m_link.setLinkSettings(s);
    QObject::connect(&m_link, &LinkController::received, [this](const QByteArray &b) { m_chunks << b; });

    testsupport::Answer<bool> opened;
    m_link.openDevice(opened.callback());
    m_sched.advance(LinkController::PauseBeforeConnectMs);
    ASSERT_TRUE(testsupport::waitFor([&] { return opened.arrived(); }));
    ASSERT_TRUE(*opened) << m_link.errorString().toStdString();
    if (GetParam() == Transport::Tcp) {
      ASSERT_TRUE(m_tcp.accept());
    }
  }

  bool peerSend(const QByteArray &b) {
    return GetParam() == Transport::Serial ? m_pty.send(b) : m_tcp.send(b);
  }
  QByteArray peerTake(int n, int ms = 3000) {
    return GetParam() == Transport::Serial ? m_pty.takeAtLeast(n, ms) : m_tcp.takeAtLeast(n, ms);
  }
  void peerHangUp() { GetParam() == Transport::Serial ? m_pty.hangUp() : m_tcp.hangUp(); }
  QByteArray receivedSoFar() const { return m_chunks.join(); }

  VirtualScheduler m_sched;
  QTemporaryDir m_dir;
  PtyPeer m_pty;
  TcpPeer m_tcp;
  LinkController m_link{m_sched};
  QList<QByteArray> m_chunks;
};

TEST_P(LinkTransport, FrameIsWrittenInOnePieceAndOnlyCountBytes) {
  const QByteArray work = frame('A', 20) + QByteArray(30, '\0'); // zero-filled work area
  ASSERT_TRUE(m_link.writeFrame(work, 22));
  // The first read on the far side already holds the whole frame.
  EXPECT_EQ(peerTake(1), work.left(22));
  // Nothing beyond count trails after it.
  EXPECT_TRUE(peerTake(1, 100).isEmpty());
}

TEST_P(LinkTransport, RepliesArriveWholeAndInOrderHoweverTheyAreCut) {
  const QByteArray replies = frame('a', 12) + frame('0', 5) + frame('K', 40);
  struct Cut {
    const char *name;
    QList<int> sizes; // piece sizes the peer sends, waiting for each to land
  };
  const QList<Cut> cuts = {
      {"one read", {int(replies.size())}},
      {"byte by byte", QList<int>(replies.size(), 1)},
      {"ragged", {3, 1, 17, 2, 30}},
  };
  for (const Cut &cut : cuts) {
    SCOPED_TRACE(cut.name);
    m_chunks.clear();
    int sent = 0;
    for (int size : cut.sizes) {
      ASSERT_TRUE(peerSend(replies.mid(sent, size)));
      sent += size;
      ASSERT_TRUE(testsupport::waitFor([&] { return receivedSoFar().size() >= sent; }));
    }
    if (sent < replies.size()) {
      ASSERT_TRUE(peerSend(replies.mid(sent)));
      ASSERT_TRUE(testsupport::waitFor([&] { return receivedSoFar().size() >= replies.size(); }));
    }
    EXPECT_EQ(receivedSoFar(), replies);
    if (cut.sizes.size() == replies.size()) {
      EXPECT_EQ(m_chunks.size(), replies.size()); // each byte handed on as it came
    }
  }
}

TEST_P(LinkTransport, BytesArrivingWhileTheReceiverIsBusyFollowAfterIt) {
  // The first chunk's handler spins the event loop, as a modal prompt would,
  // until the later bytes have reached the link; they must not be handed on
  // inside it.
  QList<QByteArray> seen;
  int depth = 0, maxDepth = 0;
  bool first = true;
  m_link.disconnect();
  QObject::connect(&m_link, &LinkController::received, [&](const QByteArray &b) {
    maxDepth = std::max(maxDepth, ++depth);
    seen << b;
    if (first) {
      first = false;
      peerSend("world");
      Link &link = GetParam() == Transport::Serial ? static_cast<Link &>(m_link.serialLink())
                                                   : static_cast<Link &>(m_link.tcpLink());
      EXPECT_TRUE(testsupport::waitFor([&] { return link.bytesWaiting() >= 5; }));
    }
    --depth;
  });
  ASSERT_TRUE(peerSend("hello "));
  ASSERT_TRUE(testsupport::waitFor([&] { return seen.join().size() >= 11; }));
  EXPECT_EQ(seen.join(), "hello world");
  EXPECT_EQ(maxDepth, 1);
}

TEST_P(LinkTransport, DroppedPeerIsNoticedAndTheNextWriteFailsCleanly) {
  QString reason;
  QObject::connect(&m_link, &LinkController::dropped, [&](const QString &r) { reason = r; });
  peerHangUp();
  ASSERT_TRUE(testsupport::waitFor([&] { return !reason.isEmpty(); }));
  EXPECT_FALSE(m_link.isDeviceOpen());
  EXPECT_FALSE(m_link.writeFrame(frame('Z', 3), 5));
  EXPECT_FALSE(m_link.errorString().isEmpty());
  EXPECT_EQ(m_link.errorString(), reason);
}

// A device that goes away mid-receipt (cable, USB adapter, power) is tried again
// until it answers; then the next frame goes out on the new link. A close of the
// program's own stops the tries.
TEST_P(LinkTransport, DroppedLinkComesBackByItselfAndCarriesTheNextFrame) {
  int drops = 0, reopens = 0;
  QObject::connect(&m_link, &LinkController::dropped, [&] { ++drops; });
  QObject::connect(&m_link, &LinkController::reopened, [&] { ++reopens; });
  const bool serial = GetParam() == Transport::Serial;
  auto pty = std::make_unique<PtyPeer>();

  peerHangUp();
  ASSERT_TRUE(testsupport::waitFor([&] { return drops == 1; }));
  // The first try finds nothing (the adapter is unplugged, or nobody answers yet).
  if (serial) {
    QFile::remove(m_dir.filePath("COM2"));
    m_sched.advance(LinkController::ReconnectPauseMs);
    EXPECT_EQ(reopens, 0);
    EXPECT_FALSE(m_link.isDeviceOpen());
    // The device is back under the same COM name.
    ASSERT_TRUE(pty->valid());
    ASSERT_TRUE(QFile::link(pty->slavePath(), m_dir.filePath("COM2")));
  } else {
    EXPECT_FALSE(m_tcp.accept(200)); // nothing before the pause
  }
  m_sched.advance(LinkController::ReconnectPauseMs);
  if (!serial) {
    ASSERT_TRUE(m_tcp.accept());
  }
  ASSERT_TRUE(testsupport::waitFor([&] { return reopens == 1; }));
  EXPECT_TRUE(m_link.isDeviceOpen());
  ASSERT_TRUE(m_link.writeFrame(frame('R', 4)));
  const QByteArray got = serial ? pty->takeAtLeast(6) : m_tcp.takeAtLeast(6);
  EXPECT_EQ(got, frame('R', 4));

  // Dropped again, then the program ends: nobody tries any more.
  serial ? pty->hangUp() : m_tcp.hangUp();
  ASSERT_TRUE(testsupport::waitFor([&] { return drops == 2; }));
  m_link.closeAtExit();
  m_sched.advance(5 * LinkController::ReconnectPauseMs);
  if (!serial) {
    EXPECT_FALSE(m_tcp.accept(300));
  }
  EXPECT_EQ(reopens, 1);
  EXPECT_FALSE(m_link.isDeviceOpen());
}

INSTANTIATE_TEST_SUITE_P(Both, LinkTransport, ::testing::Values(Transport::Serial, Transport::Tcp),
                         [](const auto &info) { return info.param == Transport::Serial ? "Pty" : "Tcp"; });

} // namespace
