#include "device/cardterminal.h"
#include "link_peers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray Ack("\x06\x03\x7A", 3);
const QByteArray Nak("\x15\x03\x69", 3);

QByteArray amountRequest(const QByteArray &header = "HDR000001") {
  return CardTerminal::DodajLRC("\x02" + header + "I\x03");
}

// A result message of the given total length (LRC included).
QByteArray result(const QByteArray &code, int length = 90) {
  QByteArray m(length - 2, ' ');
  m[0] = 0x02;
  m.replace(10, 1, "E");
  m.replace(11, 3, code);
  m.replace(14, 19, "4111111111111111   ");
  m.replace(42, 6, "A1B2C3");
  m.replace(58, 16, "  VISA CLASSIC\x01\x01");
  m[length - 3] = 'x';
  m.append('\x03');
  return CardTerminal::DodajLRC(m);
}

TEST(CardTerminal, AcknowledgementsCarryTheirCheckByte) {
  EXPECT_EQ(CardTerminal::acknowledgement(), Ack);
  EXPECT_EQ(CardTerminal::negativeAcknowledgement(), Nak);
}

TEST(CardTerminal, AmountMessageEchoesTheHeaderAndCarriesEightDigits) {
  const auto amount = CardTerminal::amountInPara("12,50");
  ASSERT_TRUE(amount);
  const auto m = CardTerminal::amountMessage("HDR000001", *amount);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->size(), 57);
  EXPECT_EQ(m->left(56), QByteArray("\x02HDR000001I00001250"
                                    "0123456789M0123456789012345678901234\x03"));
  char lrc = 0x7F;
  for (char b : m->left(56))
    lrc ^= b;
  EXPECT_EQ(m->at(56), lrc);
}

TEST(CardTerminal, CardFieldTextsBecomeWholePara) {
  struct Case {
    QString text;
    std::optional<qint64> para;
  };
  const QList<Case> cases = {
      {"12,50", 1250}, {"0,29", 29},          {"1,005", 101},     {"0", 0},
      {"7.10", 710},   {"abc", std::nullopt}, {"", std::nullopt}, {"999999,99", 99999999},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(CardTerminal::amountInPara(c.text), c.para);
  }
  // An amount that does not fit eight digits is not cut into another amount.
  EXPECT_FALSE(CardTerminal::amountMessage("HDR000001", 100000000));
  EXPECT_FALSE(CardTerminal::amountMessage("HDR000001", -1));
  EXPECT_FALSE(CardTerminal::amountMessage("short", 100));
}

class CardTerminalOnPort : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_pty.valid() && m_dir.isValid());
    ASSERT_TRUE(QFile::link(m_pty.slavePath(), m_dir.filePath("COM5")));
    ASSERT_TRUE(m_terminal.open(5, m_dir.path())) << m_terminal.errorString().toStdString();
    QObject::connect(&m_terminal, &CardTerminal::amountRequested, [this](const QByteArray &h) {
      m_log << "amount?";
      m_terminal.sendAmount(h, 1250);
    });
    QObject::connect(&m_terminal, &CardTerminal::transactionStarted, [this] { m_log << "started"; });
    QObject::connect(&m_terminal, &CardTerminal::transactionFailed, [this] { m_log << "failed"; });
    QObject::connect(&m_terminal, &CardTerminal::resultReceived, [this](const CardTerminal::Result &r) {
      m_log << "result " + r.code;
      m_result = r;
    });
  }
  void arrive(const QByteArray &bytes) {
    const int before = m_terminal.buffered().size();
    m_pty.send(bytes);
    // Each piece is its own receive event.
    testsupport::waitFor([&] { return m_terminal.buffered().size() != before || m_log.size() > m_seen; },
                         1000);
    m_seen = m_log.size();
  }

  QTemporaryDir m_dir;
  PtyPeer m_pty;
  CardTerminal m_terminal;
  QStringList m_log;
  qsizetype m_seen = 0;
  CardTerminal::Result m_result;
};

TEST_F(CardTerminalOnPort, AmountRequestIsAcknowledgedThenAnswered) {
  arrive(amountRequest());
  EXPECT_EQ(m_log, QStringList{"amount?"});
  const QByteArray written = m_pty.takeAtLeast(3 + 57);
  EXPECT_EQ(written.left(3), Ack);
  EXPECT_EQ(written.mid(3), *CardTerminal::amountMessage("HDR000001", 1250));
  EXPECT_TRUE(m_terminal.buffered().isEmpty());
}

TEST_F(CardTerminalOnPort, ResultIsAcknowledgedAndItsFieldsTrimmed) {
  const QByteArray r = result("000");
  arrive(r.left(40));
  arrive(r.mid(40));
  ASSERT_EQ(m_log, QStringList{"result 000"});
  EXPECT_TRUE(m_result.approved());
  EXPECT_EQ(m_result.cardNumber, "4111111111111111");
  EXPECT_EQ(m_result.reference, "A1B2C3");
  EXPECT_EQ(m_result.cardType, "VISA CLASSIC");
  EXPECT_EQ(m_pty.takeAtLeast(3), Ack);
}

TEST_F(CardTerminalOnPort, IncompleteOrMalformedMessagesAreNotActedOn) {
  struct Case {
    const char *name;
    QByteArray bytes;
    bool keptInBuffer;
  };
  const QList<Case> cases = {
      {"result of 79 bytes", result("000", 79), true},
      {"result without ETX before the last byte", result("000").replace(88, 1, "Q"), true},
      {"amount request with a further byte", amountRequest() + "Z", true},
      {"garbage first byte", "\x7Fnoise" + amountRequest(), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    arrive(c.bytes);
    EXPECT_TRUE(m_log.isEmpty());
    EXPECT_EQ(m_terminal.buffered().isEmpty(), !c.keptInBuffer);
    EXPECT_TRUE(m_pty.takeAtLeast(1, 50).isEmpty()); // nothing acknowledged
    m_terminal.close();
    ASSERT_TRUE(m_terminal.open(5, m_dir.path()));
  }
}

TEST_F(CardTerminalOnPort, TerminalAcknowledgementsReportTheTransaction) {
  arrive(Ack);
  arrive(Nak);
  arrive(result("051"));
  EXPECT_EQ(m_log, (QStringList{"started", "failed", "result 051"}));
  EXPECT_FALSE(m_result.approved());
}

TEST(CardTerminal, ANeverEndingMessageIsNotWrittenPastTheBuffer) {
  CardTerminal t;
  t.feed("\x02");
  for (int i = 0; i < 100; ++i)
    t.feed(QByteArray(7, 'x'));
  EXPECT_LE(t.buffered().size(), CardTerminal::BufferSize);
  t.feed(QByteArray(1000, '\x02'));
  EXPECT_LE(t.buffered().size(), CardTerminal::BufferSize);
}

} // namespace
