// The device link against the device simulator: a real command goes out
// through the link and the simulator's reply comes back whole, also when the
// simulator splits it byte by byte.

#include "device/devicecommands.h"
#include "device/linkcontroller.h"
#include "device/memorycommands.h"
#include "device/replyreceiver.h"
#include "link_peers.h"

#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct SimCase {
  const char *name;
  int model;
  int konekcija;
  bool split;
};

class LinkWithSimulator : public ::testing::TestWithParam<SimCase> {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    const SimCase &c = GetParam();
    QStringList args{"--model", QString::number(c.model), "--register", "123450",
                     "--link",  m_dir.filePath("COM1"),   "--control",  m_dir.filePath("ctl")};
    if (c.model == 4)
      args << "--tcp"
           << "127.0.0.1:0";
    m_sim.start(testsupport::fiscalSimPath(), args);
    ASSERT_TRUE(m_sim.waitForStarted(5000)) << testsupport::fiscalSimPath().toStdString();
    ASSERT_TRUE(testsupport::waitFor([&] { return m_sim.canReadLine(); }, 10000));
    const QString ready = QString::fromUtf8(m_sim.readLine());
    const auto port = QRegularExpression("tcp-port=(\\d+)").match(ready);
    if (c.split) {
      QLocalSocket control;
      control.connectToServer(m_dir.filePath("ctl"));
      ASSERT_TRUE(control.waitForConnected(3000));
      control.write(R"({"cmd":"split","mode":"bytes","gapMs":1})"
                    "\n");
      ASSERT_TRUE(testsupport::waitFor([&] { return control.canReadLine(); }));
      ASSERT_TRUE(control.readLine().contains("true"));
    }

    LinkSettings s;
    s.Model = c.model;
    s.IBFM = "123450";
    s.Port = "1";
    m_link.setLinkSettings(s);
    m_link.setKonekcija(c.konekcija);
    m_link.setWorkingDirectory(m_dir.path());
    m_link.setIP("127.0.0.1");
    if (port.hasMatch())
      m_link.setTcpPort(port.captured(1).toUShort());
    testsupport::Answer<bool> ok;
    m_link.openDevice(ok.callback());
    m_sched.advance(LinkController::PauseBeforeConnectMs);
    ASSERT_TRUE(testsupport::waitFor([&] { return ok.arrived(); }));
    ASSERT_TRUE(*ok) << m_link.errorString().toStdString();
  }
  void TearDown() override {
    m_link.closeAtExit();
    m_sim.terminate();
    m_sim.waitForFinished(3000);
  }

  VirtualScheduler m_sched;
  QTemporaryDir m_dir;
  QProcess m_sim;
  LinkController m_link{m_sched};
};

TEST_P(LinkWithSimulator, StatusRequestGetsOneWholeReply) {
  const DeviceCommands commands(GetParam().model, "123450", 7);
  // A harmless query the model knows.
  DeviceCommand cmd;
  for (const auto &candidate :
       {commands.GetStatus(), commands.GetFMInfo(), commands.CitanjeFM(), commands.Info()})
    if (cmd.isEmpty())
      cmd = candidate;
  ASSERT_FALSE(cmd.isEmpty());

  ReplyReceiver rx;
  QList<QByteArray> frames;
  int pieces = 0;
  QObject::connect(&m_link, &LinkController::received, [&](const QByteArray &bytes) {
    ++pieces;
    for (auto r = rx.feed(bytes); r.status == ReplyReceiver::Status::Complete; r = rx.feed({}))
      frames << r.frame;
  });
  ASSERT_TRUE(m_link.writeFrame(cmd.bytes)) << m_link.errorString().toStdString();
  ASSERT_TRUE(testsupport::waitFor([&] { return !frames.isEmpty(); }, 5000)) << "no whole reply";
  const QByteArray &reply = frames.first();
  EXPECT_EQ(reply.back(), '\r');
  if (cmd.shortReply) {
    EXPECT_EQ(quint8(reply[1]), cmd.replyCode);
  }
  if (GetParam().split) {
    EXPECT_GT(pieces, 1); // it did arrive in pieces
  }
  // One command, one reply: a second command's reply is the next thing to come.
  const DeviceCommand probe = GetParam().model == 4
                                  ? commands.DatumVreme()
                                  : MemoryCommands(GetParam().model, "123450", 9).CitanjeOperatera(1);
  ASSERT_FALSE(probe.isEmpty());
  ASSERT_TRUE(m_link.writeFrame(probe.bytes)) << m_link.errorString().toStdString();
  ASSERT_TRUE(testsupport::waitFor([&] { return frames.size() >= 2; }, 5000))
      << "no reply to the second command";
  EXPECT_EQ(frames.size(), 2);
  const QByteArray &next = frames.at(1);
  EXPECT_EQ(quint8(next[0]) == 0x5F ? quint8(next[1]) : quint8(next[7]), probe.replyCode);
}

INSTANTIATE_TEST_SUITE_P(Sim, LinkWithSimulator,
                         ::testing::Values(SimCase{"Model1Pty", 1, LinkController::Serial, false},
                                           SimCase{"Model1PtyBytewise", 1, LinkController::Serial, true},
                                           SimCase{"Model4Pty", 4, LinkController::Serial, false},
                                           SimCase{"Model4Tcp", 4, LinkController::Tcp, false},
                                           SimCase{"Model4TcpBytewise", 4, LinkController::Tcp, true}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
