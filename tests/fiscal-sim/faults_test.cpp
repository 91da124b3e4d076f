#include "controlserver.h"
#include "simfixture.h"

#include "support/testsupport.h"

#include <QRandomGenerator>

using namespace simtest;

namespace {

QByteArray kafa1() {
  return le16(5) + padded("KAFA", 36) + hex("FF") + hex("FF FF FF FF FF FF FF") + hex("02 01") + le32(8000) +
         zeros(4);
}
QByteArray sale1(qint64 q) {
  return zeros(7) + le16(5) + le32(q);
}
int lines(Device &d) {
  return d.state()["receipt"].toObject()["lines"].toArray().size();
}

Device &model1Selling(Device &d) {
  d.send(0x74, kafa1());
  d.send(0x01, bytes({1, 0x79, 0xD0, 10, 30}));
  return d;
}

} // namespace

TEST(Faults, ResentFrameIsAnsweredFromTheLastReplyUnlessSwitchedToExecuteAgain) {
  for (bool reexecute : {false, true}) {
    SCOPED_TRACE(reexecute);
    Device d(1);
    model1Selling(d);
    d.control({{"cmd", "reexecuteResends"}, {"on", reexecute}});
    d.control({{"cmd", "loseReplies"}, {"count", 1}});
    const QByteArray frame = longFrame(1, 0x11, kRegister, 0x41, 0x0B, sale1(1000));
    EXPECT_TRUE(d.raw(frame).bytes.isEmpty()) << "reply lost";
    EXPECT_EQ(lines(d), 1) << "but the line was sold";
    Reply again = d.raw(frame);
    EXPECT_EQ(again.code(), 0x1F);
    EXPECT_EQ(again.at(6), 0x41);
    EXPECT_EQ(lines(d), reexecute ? 2 : 1);
    EXPECT_EQ(d.state()["link"].toObject()["resendsAnswered"].toInt(), reexecute ? 0 : 1);
    // The next sequence byte is a new command again.
    d.raw(longFrame(1, 0x11, kRegister, 0x43, 0x0B, sale1(1000)));
    EXPECT_EQ(lines(d), reexecute ? 3 : 2);
  }
}

TEST(Faults, SilentIgnoresTheFrameSoTheResendIsExecuted) {
  Device d(1);
  model1Selling(d);
  d.control({{"cmd", "silent"}, {"count", 2}});
  const QByteArray frame = longFrame(1, 0x11, kRegister, 0x41, 0x0B, sale1(1000));
  EXPECT_TRUE(d.raw(frame).bytes.isEmpty());
  EXPECT_TRUE(d.raw(frame).bytes.isEmpty());
  EXPECT_EQ(lines(d), 0);
  EXPECT_EQ(d.raw(frame).at(9), 0x00);
  EXPECT_EQ(lines(d), 1);

  const QJsonArray history = d.control({{"cmd", "history"}, {"clear", true}})["frames"].toArray();
  ASSERT_GE(history.size(), 3);
  QStringList what;
  for (int i = int(history.size()) - 3; i < history.size(); ++i)
    what << history[i].toObject()["what"].toString();
  EXPECT_EQ(what, (QStringList{"silent", "silent", "executed"}));
  EXPECT_EQ(history.last().toObject()["in"].toString(), QString::fromLatin1(frame.toHex(' ').toUpper()));
  EXPECT_TRUE(d.control({{"cmd", "history"}})["frames"].toArray().isEmpty());
}

TEST(Faults, RefusalPerFamilyLeavesTheDeviceUnchanged) {
  struct Case {
    int model;
    QJsonObject refuse;
    int offset9, offset10;
    qint64 bits; // family 4, offsets 11-14
  };
  const Case cases[] = {
      {1, {{"cmd", "refuse"}, {"reason", 0x08}}, 0xFF, 0x08, -1},
      {2, {{"cmd", "refuse"}}, 0x00, 0x00, -1},
      {4, {{"cmd", "refuse"}, {"errorClass", 2}, {"errorBits", double(0x80000001)}}, 0x00, 2, 0x80000001},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    Device d(c.model);
    d.control({{"cmd", "setArticle"}, {"number", 5}, {"name", "KAFA"}, {"price", 80}, {"taxGroup", 2}});
    const QByteArray login = c.model == 1 ? bytes({1, 0x79, 0xD0, 10, 30})
                             : c.model == 2
                                 ? QByteArray(1, 1) + hex("64 64") + zeros(17) + bytes({0xE8, 3, 25, 10, 30})
                                 : hex("01");
    const int saleCode = c.model == 1 ? 0x0B : 0x03;
    const QByteArray sale = c.model == 1   ? sale1(1000)
                            : c.model == 2 ? le16(5) + zeros(7) + le32(1000) + zeros(5)
                                           : le16(5) + hex("FF FF FF FF FF FF FF") + le32(1000) +
                                                 padded("KAFA", 32) + zeros(1) + le32(8000) + hex("02 01");
    d.send(0x01, login);
    d.control(c.refuse);
    Reply r = d.send(saleCode, sale);
    EXPECT_EQ(r.at(9), c.offset9);
    EXPECT_EQ(r.at(10), c.offset10);
    if (c.bits >= 0) {
      EXPECT_EQ(r.be32(11), c.bits);
      EXPECT_EQ(r.at(15), 0x03);
    }
    EXPECT_EQ(lines(d), 0);
    EXPECT_EQ(d.send(saleCode, sale).at(9), c.model == 1 ? 0x00 : 0xFF) << "only one command is refused";
    EXPECT_EQ(lines(d), 1);
  }
}

TEST(Faults, PaperOutAndNotices) {
  Device d1(1);
  model1Selling(d1);
  d1.control({{"cmd", "paperOut"}, {"on", true}});
  Reply r1 = d1.send(0x0B, sale1(1000));
  EXPECT_EQ(r1.at(9), 0xFF);
  EXPECT_EQ(r1.at(10), 0x40);
  d1.control({{"cmd", "paperOut"}, {"on", false}});
  EXPECT_EQ(d1.send(0x0B, sale1(1000)).at(9), 0x00);

  Device d4(4);
  d4.control({{"cmd", "paperOut"}});
  Reply st = d4.send(0x0D, {});
  EXPECT_NE(st.at(9), 0xFF);
  EXPECT_EQ(st.at(14), 0x08);
  d4.control({{"cmd", "clearFaults"}});
  d4.control({{"cmd", "notice"}, {"code", 12}});
  EXPECT_EQ(d4.send(0x0D, {}).bytes, hex("5F F5 03 0D 00 0C 0D"));
  EXPECT_EQ(d4.send(0x0D, {}).code(), 0x23);
  d4.control({{"cmd", "busy"}, {"states", QJsonArray{10, 21}}});
  EXPECT_EQ(d4.send(0x0D, {}).at(10), 10);
  EXPECT_EQ(d4.send(0x0D, {}).at(10), 21);
  EXPECT_EQ(d4.send(0x0D, {}).at(10), 0);
  EXPECT_FALSE(d1.control({{"cmd", "notice"}, {"code", 12}})["ok"].toBool()) << "only model 4 has notices";
}

TEST(Faults, GarbageSplitAndLatencyShapeTheWrites) {
  Device d(4);
  const QByteArray status = hex("AA 04 01 12 34 50 00 0D 00 52 D4 0D");
  auto writesFor = [&](const QByteArray &frame) {
    d.channel().clearWrites();
    d.channel().send(frame);
    return d.channel().writes();
  };
  const QByteArray expected = d.raw(status).bytes;
  d.control({{"cmd", "garbage"}, {"hex", "01 0D 02"}});
  d.control({{"cmd", "split"}, {"mode", "bytes"}, {"gapMs", 0}});
  QList<QByteArray> writes = writesFor(status);
  ASSERT_EQ(writes.size(), 1 + expected.size());
  EXPECT_EQ(writes[0], hex("01 0D 02"));
  EXPECT_EQ(writes[1], expected.left(1));
  EXPECT_EQ(writes.mid(1).join(), expected);

  d.control({{"cmd", "split"}, {"mode", "random"}, {"gapMs", 0}});
  writes = writesFor(status);
  EXPECT_GT(writes.size(), 1);
  EXPECT_EQ(writes.join(), expected);

  d.control({{"cmd", "split"}, {"mode", "off"}});
  d.control({{"cmd", "latency"}, {"ms", 80}});
  EXPECT_TRUE(writesFor(status).isEmpty()) << "not yet";
  EXPECT_TRUE(testsupport::waitFor([&] { return !d.channel().writes().isEmpty(); }, 2000));
  EXPECT_EQ(d.channel().writes(), QList<QByteArray>{expected});
}

TEST(Faults, FramesForAnotherDeviceOrDamagedAreIgnored) {
  Device d(4);
  struct Case {
    const char *what;
    QByteArray frame;
  };
  const QByteArray good = hex("AA 04 01 12 34 50 00 0D 00 52 D4 0D");
  const Case cases[] = {
      {"other register", longFrame(4, 1, hex("12 34 51"), 0, 0x0D, {})},
      {"other family", longFrame(1, 0x11, kRegister, 0, 0x0D, {})},
      {"other link byte", longFrame(4, 0x11, kRegister, 0, 0x0D, {})},
      {"bad checksum", QByteArray(good).replace(10, 1, hex("00"))},
      {"no terminator", QByteArray(good).replace(11, 1, hex("0A"))},
  };
  for (const Case &c : cases)
    EXPECT_TRUE(d.raw(c.frame).bytes.isEmpty()) << c.what;
  EXPECT_EQ(d.state()["link"].toObject()["rejected"].toInt(), 3);
  EXPECT_EQ(d.raw(good).code(), 0x23) << "and the device still answers";
}

TEST(Faults, RandomBytesNeverCrashAndTheDeviceRecovers) {
  for (int model = 1; model <= 5; ++model) {
    SCOPED_TRACE(model);
    Device d(model);
    QRandomGenerator rng(1000 + model);
    for (int i = 0; i < 3000; ++i) {
      QByteArray junk(int(rng.bounded(1, 40)), '\0');
      for (auto &c : junk)
        c = char(rng.bounded(8) == 0 ? (rng.bounded(2) ? 0xAA : 0x5F) : rng.bounded(256));
      d.channel().send(junk);
    }
    d.channel().send(zeros(260));
    const int fam = d.family();
    Reply r = d.raw(longFrame(fam, fam == 4 ? 1 : 0x11, kRegister, 7,
                              fam == 1   ? 0x7F
                              : fam == 2 ? 0x18
                                         : 0x0D,
                              fam == 1 ? hex("00 00") : QByteArray()));
    EXPECT_EQ(r.code(), fam == 1 ? 0x7F : fam == 2 ? 0x19 : 0x23);
  }
}

TEST(Faults, ControlLinesAreValidated) {
  Device d(1);
  sim::ControlServer server(&d.sim());
  struct Case {
    const char *line;
    bool ok;
  };
  const Case cases[] = {{R"({"cmd":"state"})", true},
                        {R"({"cmd":"frobnicate"})", false},
                        {"not json", false},
                        {R"([1,2])", false},
                        {R"({"cmd":"split","mode":"sideways"})", false},
                        {R"({"cmd":"garbage","hex":"zz"})", false},
                        {R"({"cmd":"refuse","reason":300})", false},
                        {R"({"cmd":"set","taxRates":[1,2]})", false},
                        {R"({"cmd":"setArticle","number":4000,"name":"X"})", false},
                        {R"({"cmd":"help"})", true}};
  for (const Case &c : cases) {
    const QJsonObject reply = QJsonDocument::fromJson(server.answer(c.line)).object();
    EXPECT_EQ(reply["ok"].toBool(), c.ok) << c.line;
    if (!c.ok) {
      EXPECT_FALSE(reply["error"].toString().isEmpty()) << c.line;
    }
  }
}

TEST(Faults, EveryCommandCodeWithRandomPayloadsGetsAnAnswerOrNone) {
  // Well-formed frames with nonsense inside reach the command handlers.
  for (int model = 1; model <= 5; ++model) {
    SCOPED_TRACE(model);
    Device d(model);
    d.control({{"cmd", "setArticle"}, {"number", 5}, {"name", "KAFA"}, {"price", 80}, {"taxGroup", 1}});
    QRandomGenerator rng(77 + model);
    const int fam = d.family();
    int answered = 0;
    for (int code = 0; code < 256; ++code) {
      for (int round = 0; round < 6; ++round) {
        QByteArray payload(int(rng.bounded(0, 70)), '\0');
        for (auto &c : payload)
          c = char(rng.bounded(256));
        Reply r = d.raw(longFrame(fam, fam == 4 ? 1 : 0x11, kRegister, round * 2 + code, code, payload));
        if (!r.bytes.isEmpty() && quint8(r.bytes[0]) == 0xAA) {
          EXPECT_EQ(r.bytes.size(), r.at(8) + 12);
          ++answered;
        }
        if (fam != 1)
          d.raw(shortFrame(code, payload));
      }
    }
    EXPECT_GT(answered, 256) << "a device answers what is addressed to it";
    EXPECT_TRUE(d.state()["fiscalised"].toBool());
  }
}

TEST(Faults, TcpListensOnLoopbackOnly) {
  struct Case {
    const char *spec;
    bool ok;
  };
  const Case cases[] = {{"127.0.0.1:0", true}, {"0", true},          {"localhost:0", true},
                        {"10.1.2.3:0", false}, {"0.0.0.0:0", false}, {"127.0.0.1:70000", false},
                        {"127.0.0.1:x", false}};
  for (const Case &c : cases) {
    sim::TcpListener l;
    QString error;
    EXPECT_EQ(l.listen(c.spec, &error), c.ok) << c.spec << " " << error.toStdString();
    EXPECT_EQ(error.isEmpty(), c.ok) << c.spec;
  }
}
