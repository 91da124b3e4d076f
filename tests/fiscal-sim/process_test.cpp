// The real fiscal-sim executable, reached the way the program reaches it: a
// pty behind a link name, TCP on 127.0.0.1, and the control socket.
#include "simfixture.h"

#include "support/testsupport.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTcpSocket>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace simtest;

namespace {

// Garbage before a reply is skipped, as the program does.
bool frameComplete(const QByteArray &all) {
  int start = 0;
  while (start < all.size() && quint8(all[start]) != 0xAA && quint8(all[start]) != 0x5F)
    ++start;
  const QByteArray b = all.mid(start);
  if (b.size() >= 9 && quint8(b[0]) == 0xAA)
    return b.size() >= quint8(b[8]) + 12;
  if (b.size() >= 3 && quint8(b[0]) == 0x5F)
    return b.size() >= quint8(b[2]) + 4;
  return false;
}

class SimProcess {
public:
  explicit SimProcess(QStringList args) {
    m_proc.setWorkingDirectory(m_dir.path());
    m_proc.setProgram(testsupport::fiscalSimPath());
    m_proc.setArguments(args << "--journal"
                             << "journal.jsonl"
                             << "--control"
                             << "ctl");
    m_proc.start();
    testsupport::waitFor([&] { return m_proc.canReadLine() || m_proc.state() == QProcess::NotRunning; },
                         10000);
    m_ready = QString::fromUtf8(m_proc.readLine()).trimmed();
  }
  ~SimProcess() {
    if (m_fd >= 0)
      ::close(m_fd);
    m_proc.terminate();
    if (!m_proc.waitForFinished(3000))
      m_proc.kill();
  }
  QString ready() const { return m_ready; }
  QString path(const QString &name) const { return m_dir.filePath(name); }
  int tcpPort() const {
    const int at = int(m_ready.indexOf("tcp-port="));
    return at < 0 ? 0 : m_ready.mid(at + 9).section(' ', 0, 0).toInt();
  }

  bool openPty() {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = ::open(QFile::encodeName(path("COM1")).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
      return false;
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_fd, TCSANOW, &tio);
    return true;
  }
  void closePty() {
    ::close(m_fd);
    m_fd = -1;
  }
  Reply viaPty(const QByteArray &frame, int timeoutMs = 3000) {
    EXPECT_EQ(::write(m_fd, frame.constData(), size_t(frame.size())), frame.size());
    QByteArray got;
    testsupport::waitFor(
        [&] {
          char buf[300];
          const ssize_t n = ::read(m_fd, buf, sizeof buf);
          if (n > 0)
            got.append(buf, int(n));
          return frameComplete(got);
        },
        timeoutMs);
    return Reply{got};
  }

  QJsonObject control(const QJsonObject &cmd) {
    if (m_control.state() != QLocalSocket::ConnectedState) {
      m_control.connectToServer(path("ctl"));
      m_control.waitForConnected(3000);
    }
    m_control.write(QJsonDocument(cmd).toJson(QJsonDocument::Compact) + '\n');
    testsupport::waitFor([&] { return m_control.canReadLine(); }, 3000);
    return QJsonDocument::fromJson(m_control.readLine()).object();
  }

  QList<QJsonObject> journal() const {
    QList<QJsonObject> docs;
    QFile f(path("journal.jsonl"));
    if (f.open(QIODevice::ReadOnly))
      for (const QByteArray &line : f.readAll().split('\n'))
        if (!line.isEmpty())
          docs.append(QJsonDocument::fromJson(line).object());
    return docs;
  }

private:
  QTemporaryDir m_dir;
  QProcess m_proc;
  QString m_ready;
  QLocalSocket m_control;
  int m_fd = -1;
};

Reply viaTcp(QTcpSocket &s, const QByteArray &frame) {
  s.write(frame);
  QByteArray got;
  testsupport::waitFor(
      [&] {
        got += s.readAll();
        return frameComplete(got) || s.state() != QAbstractSocket::ConnectedState;
      },
      3000);
  return Reply{got};
}

QByteArray f1(int seq, int code, const QByteArray &payload) {
  return longFrame(1, 0x11, kRegister, seq, code, payload);
}
QByteArray f4(int seq, int code, const QByteArray &payload) {
  return longFrame(4, 0x01, kRegister, seq, code, payload);
}

} // namespace

TEST(Process, Model1ReceiptOverAPtyAndServedAgainAfterReopening) {
  SimProcess sim({"--model", "1", "--register", "123450", "--link", "COM1"});
  ASSERT_TRUE(sim.ready().startsWith("fiscal-sim ready")) << sim.ready().toStdString();
  ASSERT_TRUE(sim.openPty());
  const QByteArray kafa = le16(5) + padded("KAFA", 36) + hex("FF") + hex("F8 60 00 00 00 00 17") +
                          hex("02 01") + le32(8000) + zeros(4);
  EXPECT_EQ(sim.viaPty(f1(3, 0x74, kafa)).code(), 0x74);
  EXPECT_EQ(sim.viaPty(f1(5, 0x01, bytes({1, 0x79, 0xD0, 10, 30}))).at(9), 0x00);
  EXPECT_EQ(sim.viaPty(f1(7, 0x0B, zeros(7) + le16(5) + le32(2500))).at(9), 0x00);
  Reply closed = sim.viaPty(f1(9, 0x15, hex("00 00") + split(20000)));
  ASSERT_EQ(closed.code(), 0x1C);
  EXPECT_EQ(closed.be32(11), 1);
  const auto docs = sim.journal();
  ASSERT_EQ(docs.size(), 1);
  EXPECT_DOUBLE_EQ(docs[0]["total"].toDouble(), 200.0);
  EXPECT_DOUBLE_EQ(docs[0]["lines"].toArray().at(0).toObject()["quantity"].toDouble(), 2.5);

  // The program closes its port and opens it again.
  sim.closePty();
  // Opened again only once the device has seen the port closed.
  ASSERT_TRUE(testsupport::waitFor(
      [&] {
        return sim.control({{"cmd", "state"}})["state"].toObject()["link"].toObject()["hangUps"].toInt() == 1;
      },
      3000));
  ASSERT_TRUE(sim.openPty());
  Reply fm = sim.viaPty(f1(11, 0x7F, hex("00 00")));
  EXPECT_EQ(fm.code(), 0x7F);
  EXPECT_EQ(sim.control({{"cmd", "state"}})["state"].toObject()["lastFiscalNumber"].toInt(), 1);

  // Faults through the control socket: silence, then garbage and a split reply.
  sim.control({{"cmd", "silent"}, {"count", 1}});
  EXPECT_TRUE(sim.viaPty(f1(13, 0x7F, hex("00 00")), 300).bytes.isEmpty());
  sim.control({{"cmd", "garbage"}, {"hex", "0D 0D"}});
  sim.control({{"cmd", "split"}, {"mode", "bytes"}, {"gapMs", 1}});
  Reply dirty = sim.viaPty(f1(13, 0x7F, hex("00 00")));
  EXPECT_TRUE(dirty.bytes.startsWith(hex("0D 0D AA 01 11")));
}

TEST(Process, Model4OverTcpLearnsArticlesAndSurvivesADroppedConnection) {
  SimProcess sim({"--model", "4", "--tcp", "127.0.0.1:0", "--receipt-number", "99"});
  ASSERT_GT(sim.tcpPort(), 0) << sim.ready().toStdString();
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, quint16(sim.tcpPort()));
  ASSERT_TRUE(s.waitForConnected(3000));
  EXPECT_EQ(viaTcp(s, hex("5F 20 00 0D")).at(79), 0xCC);
  EXPECT_EQ(viaTcp(s, f4(2, 0x01, hex("01"))).at(9), 0xFF);
  const QByteArray sale = le16(7) + hex("FF FF FF FF FF FF FF") + le32(1000) + padded("SOK", 32) + zeros(1) +
                          le32(15000) + hex("00 01");
  Reply learned = viaTcp(s, f4(4, 0x03, sale));
  EXPECT_EQ(learned.at(24), 0x07);
  EXPECT_EQ(viaTcp(s, f4(6, 0x0B, {})).at(9), 0xFF);
  Reply st = viaTcp(s, f4(8, 0x0D, {}));
  EXPECT_EQ(st.at(10), 1);
  EXPECT_EQ(st.le32(21), 100);
  EXPECT_EQ(sim.journal().size(), 1);

  sim.control({{"cmd", "drop"}, {"next", true}});
  Reply none = viaTcp(s, f4(10, 0x0D, {}));
  EXPECT_TRUE(none.bytes.isEmpty());
  EXPECT_TRUE(testsupport::waitFor([&] { return s.state() == QAbstractSocket::UnconnectedState; }, 3000));

  QTcpSocket again;
  again.connectToHost(QHostAddress::LocalHost, quint16(sim.tcpPort()));
  ASSERT_TRUE(again.waitForConnected(3000));
  sim.control({{"cmd", "split"}, {"mode", "random"}, {"gapMs", 2}});
  EXPECT_EQ(viaTcp(again, f4(12, 0x0D, {})).le32(21), 100);
}

TEST(Process, Model2ServiceAndReceiptOverAPty) {
  SimProcess sim({"--model", "2", "--link", "COM1"});
  ASSERT_TRUE(sim.openPty()) << sim.ready().toStdString();
  EXPECT_EQ(sim.viaPty(hex("5F 00 02 02 11 0D")).bytes, hex("5F 00 00 0D"));
  EXPECT_EQ(sim.viaPty(hex("5F 20 00 0D")).at(79), 0xCC);
  const QByteArray write = hex("5F 85 34 00 05") + padded("KAFA", 37) + zeros(1) + hex("40 1F 00 00 02") +
                           hex("86 00 00 00 00 01 7F 0D");
  EXPECT_EQ(sim.viaPty(write).code(), 0x85);
  EXPECT_EQ(sim.viaPty(hex("5F 10 00 0D")).bytes, hex("5F 10 00 0D"));
  auto f2 = [](int seq, int code, const QByteArray &p) {
    return longFrame(2, 0x11, kRegister, seq, code, p);
  };
  EXPECT_EQ(sim.viaPty(f2(21, 0x01, hex("01 64 64") + zeros(17) + bytes({0xE8, 3, 25, 10, 30}))).at(9), 0xFF);
  EXPECT_EQ(sim.viaPty(f2(23, 0x03, le16(5) + zeros(7) + le32(2000) + zeros(5))).at(9), 0xFF);
  EXPECT_EQ(sim.viaPty(f2(25, 0x09, hex("02") + zeros(43) + split(5000))).at(9), 0xFF);
  EXPECT_EQ(sim.viaPty(f2(27, 0x0B, {})).at(9), 0xFF);
  const auto docs = sim.journal();
  ASSERT_EQ(docs.size(), 1);
  EXPECT_DOUBLE_EQ(docs[0]["total"].toDouble(), 160.0);
  EXPECT_EQ(docs[0]["payments"].toArray().size(), 2);
}

TEST(Process, HelpAndBadArguments) {
  QProcess help;
  help.start(testsupport::fiscalSimPath(), {"--help"});
  ASSERT_TRUE(help.waitForFinished(5000));
  const QString text = QString::fromUtf8(help.readAllStandardOutput());
  for (const char *word : {"--model", "--register", "--link", "--tcp", "--journal", "--control", "--articles",
                           "--not-fiscalised", "--daily-reports", "--receipt-number", "--verbose"})
    EXPECT_TRUE(text.contains(word)) << word;
  for (const QString &cmd : sim::Simulator::controlCommands())
    EXPECT_TRUE(text.contains(cmd + " ") || text.contains(cmd + "\n")) << cmd.toStdString();

  struct Case {
    QStringList args;
    const char *message;
  };
  const QList<Case> cases = {
      {{"--model", "6", "--link", "x"}, "--model"},
      {{"--model", "1"}, "--link"},
      {{"--model", "1", "--tcp", "127.0.0.1:0"}, "model 4"},
      {{"--model", "4", "--tcp", "10.1.2.3:1024"}, "loopback"},
      {{"--register", "12a"}, "--register"},
      {{"--bogus"}, "unknown argument"},
      {{"--model", "1", "--link", "COM9", "--control", "precious.txt"}, "not a socket"},
      {{"--model", "1", "--link", "COM9", "--articles", "missing.txt"}, "missing.txt"},
  };
  QTemporaryDir dir;
  QFile precious(dir.filePath("precious.txt"));
  ASSERT_TRUE(precious.open(QIODevice::WriteOnly));
  precious.write("keep me");
  precious.close();
  for (const Case &c : cases) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(testsupport::fiscalSimPath(), c.args);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_NE(p.exitCode(), 0) << c.args.join(' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(c.message)) << c.message;
  }
  ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
  EXPECT_EQ(precious.readAll(), "keep me");
}
