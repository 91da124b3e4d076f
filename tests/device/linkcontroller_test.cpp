// Choosing the transport, naming the ports and the open/close moments of the
// device link, with its failure messages.

#include "device/linkcontroller.h"
#include "link_peers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

namespace {

TEST(SerialPortNames, ComNumbersResolveToTheWorkingDirectoryFirst) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("COM2")));
  ASSERT_TRUE(QFile::link(dir.filePath("missing"), dir.filePath("COM7"))); // dangling
  struct Case {
    QString port; // the configured Port
    QString path;
  };
  const QList<Case>
      cases =
          {
              {"2", dir.filePath("COM2")}, {"3", "/dev/ttyS2"},
              {"8", "/dev/ttyS7"},         {"1", "/dev/ttyS0"},
              {"0", "/dev/ttyS0"}, // 0 keeps COM1
              {"", "/dev/ttyS0"},          {"x", "/dev/ttyS0"},
              {"7", dir.filePath("COM7")}, // a dangling link is still the user's choice
          };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.port.toStdString());
    EXPECT_EQ(SerialPortLink::resolve(SerialPortLink::comName(c.port), dir.path()), c.path);
  }
  EXPECT_EQ(SerialPortLink::comName("0"), "COM1");
  EXPECT_EQ(SerialPortLink::comName("3"), "COM3");
  EXPECT_EQ(SerialPortLink::resolve("/dev/ttyUSB0", dir.path()), "/dev/ttyUSB0");
}

class LinkControllerTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid() && m_pty.valid());
    ASSERT_TRUE(QFile::link(m_pty.slavePath(), m_dir.filePath("COM3")));
    m_link.setWorkingDirectory(m_dir.path());
    m_link.setIP("127.0.0.1");
    m_link.setTcpPort(m_tcp.port());
  }
  void configure(int model, int konekcija, const QString &port = "3") {
    LinkSettings s;
    s.Model = model;
    s.Port = port;
    s.IBFM = "123456";
    m_link.setLinkSettings(s);
    m_link.setKonekcija(konekcija);
  }
  bool openDevice() {
    testsupport::Answer<bool> ok;
    m_link.openDevice(ok.callback());
    m_sched.advance(LinkController::PauseBeforeConnectMs);
    testsupport::waitFor([&] { return ok.arrived(); });
    return ok.valueOr(false);
  }
  std::optional<LinkMessage> openForArticles() {
    testsupport::Answer<std::optional<LinkMessage>> message;
    m_link.openForArticleWindow(message.callback());
    m_sched.advance(LinkController::PauseBeforeConnectMs);
    testsupport::waitFor([&] { return message.arrived(); });
    EXPECT_TRUE(message.arrived());
    return message.valueOr(std::nullopt);
  }

  VirtualScheduler m_sched;
  QTemporaryDir m_dir;
  PtyPeer m_pty;
  TcpPeer m_tcp;
  LinkController m_link{m_sched};
};

TEST_F(LinkControllerTest, FramesGoWhereTheModelAndTheChoiceSay) {
  struct Case {
    const char *name;
    int model, konekcija;
    bool overTcp;
  };
  const QList<Case> cases = {
      {"model 4 over TCP", 4, LinkController::Tcp, true},
      {"model 4 over serial", 4, LinkController::Serial, false},
      {"model 1 always serial", 1, LinkController::Tcp, false},
      {"model 2 always serial", 2, LinkController::Tcp, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    configure(c.model, c.konekcija);
    // Both transports up, so a frame on the wrong one would show.
    ASSERT_TRUE(m_link.serialLink().isOpen() || [&] {
      m_link.serialLink().setPortName("COM3", m_dir.path());
      return m_link.serialLink().openNow();
    }());
    if (!m_link.tcpLink().isOpen()) {
      m_link.tcpLink().open();
      ASSERT_TRUE(m_tcp.accept());
      ASSERT_TRUE(testsupport::waitFor([&] { return m_link.tcpLink().isOpen(); }));
    }
    const QByteArray f("\xAA\x01\x02\x03\r", 5);
    ASSERT_TRUE(m_link.writeFrame(f, f.size())) << m_link.errorString().toStdString();
    if (c.overTcp) {
      EXPECT_EQ(m_tcp.takeAtLeast(5), f);
      EXPECT_TRUE(m_pty.takeAtLeast(1, 50).isEmpty());
    } else {
      EXPECT_EQ(m_pty.takeAtLeast(5), f);
      EXPECT_TRUE(m_tcp.takeAtLeast(1, 50).isEmpty());
    }
  }
}

TEST_F(LinkControllerTest, TcpConnectsOnlyAfterThePauseAndAgainAtEveryOpen) {
  configure(4, LinkController::Tcp);
  testsupport::Answer<bool> ok;
  m_link.openDevice(ok.callback());
  EXPECT_FALSE(m_tcp.accept(200)); // still pausing
  m_sched.advance(LinkController::PauseBeforeConnectMs);
  ASSERT_TRUE(m_tcp.accept());
  ASSERT_TRUE(testsupport::waitFor([&] { return ok.arrived(); }));
  EXPECT_TRUE(*ok);

  // Start-up again: the connection is dropped and made anew.
  QTcpSocket *first = m_tcp.client();
  bool firstClosed = false;
  QObject::connect(first, &QTcpSocket::disconnected, [&] { firstClosed = true; });
  EXPECT_TRUE(openDevice());
  EXPECT_TRUE(testsupport::waitFor([&] { return firstClosed; }));
  EXPECT_TRUE(m_tcp.accept());
  EXPECT_TRUE(m_link.isDeviceOpen());
}

TEST_F(LinkControllerTest, FailureMessagesAreTheProgramsOwn) {
  // Serial port that cannot be opened.
  configure(1, LinkController::Serial, "6");
  ASSERT_TRUE(QFile::link(m_dir.filePath("nothing-here"), m_dir.filePath("COM6")));
  EXPECT_EQ(openForArticles(), LinkMessage::portOpenFailed());
  EXPECT_EQ(LinkMessage::portOpenFailed().title, "GRESKA");
  EXPECT_EQ(LinkMessage::portOpenFailed().text, "Problem u otvaranju porta.");
  EXPECT_EQ(m_link.openForLinkFormButton(), LinkMessage::portOpenFailed());

  // Link form button without a register number.
  LinkSettings shared = m_link.linkSettings();
  m_link.useLinkSettings(shared);
  shared.IBFM = "";
  EXPECT_EQ(m_link.openForLinkFormButton(),
            (LinkMessage{QStringLiteral("Greska !!!"), QStringLiteral("Podesite parametre!!!")}));

  // TCP: nobody listening.
  configure(4, LinkController::Tcp);
  m_tcp.stopListening();
  EXPECT_EQ(openForArticles(),
            (LinkMessage{QStringLiteral("GRESKA"),
                         QStringLiteral("Problem u uspostavljanju konekcije! Proverite kablove")}));
  EXPECT_FALSE(m_link.errorString().isEmpty());

  // And all well: nothing to say.
  configure(1, LinkController::Serial, "3");
  EXPECT_EQ(openForArticles(), std::nullopt);
  EXPECT_TRUE(m_link.serialLink().isOpen());
}

TEST_F(LinkControllerTest, ConnectGivesUpAfterThreeSeconds) {
  // A listener whose accept queue is full: the kernel drops further SYNs,
  // so a connect to it hangs as to a device that is switched off.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 0), 0);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
  QTcpSocket filler;
  filler.connectToHost(QHostAddress::LocalHost, ntohs(addr.sin_port));
  ASSERT_TRUE(filler.waitForConnected(2000));

  configure(4, LinkController::Tcp);
  m_link.setTcpPort(ntohs(addr.sin_port));
  testsupport::Answer<bool> ok;
  m_link.openDevice(ok.callback());
  m_sched.advance(LinkController::PauseBeforeConnectMs);
  ASSERT_TRUE(m_link.tcpLink().isConnecting());
  m_sched.advance(TcpLink::ConnectTimeoutMs - 1);
  EXPECT_FALSE(ok.arrived());
  m_sched.advance(1);
  ASSERT_TRUE(ok.arrived());
  EXPECT_FALSE(*ok);
  EXPECT_FALSE(m_link.isDeviceOpen());
  EXPECT_FALSE(m_link.errorString().isEmpty());
  ::close(fd);
}

TEST_F(LinkControllerTest, ClosedForConfigurationAndReopenedAfterwards) {
  PtyPeer scanner;
  ASSERT_TRUE(QFile::link(scanner.slavePath(), m_dir.filePath("COM4")));
  configure(1, LinkController::Serial);
  m_link.setBarKodPort(4);
  ASSERT_TRUE(openDevice());
  EXPECT_TRUE(m_link.openBarcodeReader());
  m_link.closeForConfiguration();
  EXPECT_FALSE(m_link.serialLink().isOpen());
  EXPECT_FALSE(m_link.barcodeReader().isOpen());
  // A write while closed fails and is not kept for later.
  EXPECT_FALSE(m_link.writeFrame("lost", 4));
  EXPECT_FALSE(m_link.errorString().isEmpty());
  ASSERT_TRUE(openDevice());
  ASSERT_TRUE(m_link.writeFrame("kept", 4));
  EXPECT_EQ(m_pty.takeAtLeast(4), "kept");
}

TEST_F(LinkControllerTest, OpeningAgainKeepsAnOpenPortOnTheSamePath) {
  configure(1, LinkController::Serial);
  ASSERT_TRUE(openDevice());
  QByteArray got;
  QObject::connect(&m_link, &LinkController::received, [&](const QByteArray &b) { got += b; });
  m_pty.send("\xAA\x01");
  ASSERT_TRUE(testsupport::waitFor([&] { return got.size() == 2; }));
  ASSERT_TRUE(openDevice()); // configuration OK with the same port
  m_pty.send("\x02\r");
  ASSERT_TRUE(testsupport::waitFor([&] { return got.size() == 4; }));
  EXPECT_EQ(got, QByteArray("\xAA\x01\x02\r"));
}

} // namespace

namespace {

TEST_F(LinkControllerTest, ClosingAtExitDisconnectsWithoutReportingADrop) {
  configure(4, LinkController::Tcp);
  ASSERT_TRUE(openDevice());
  ASSERT_TRUE(m_tcp.accept());
  bool peerSawClose = false, dropReported = false;
  QObject::connect(m_tcp.client(), &QTcpSocket::disconnected, [&] { peerSawClose = true; });
  QObject::connect(&m_link, &LinkController::dropped, [&] { dropReported = true; });
  m_link.closeAtExit();
  EXPECT_TRUE(testsupport::waitFor([&] { return peerSawClose; }));
  EXPECT_FALSE(dropReported);
  EXPECT_FALSE(m_link.isDeviceOpen());
  EXPECT_FALSE(m_link.Write_("x", 1));
}

} // namespace
