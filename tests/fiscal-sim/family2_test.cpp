#include "simfixture.h"

using namespace simtest;

namespace {

QByteArray login(int op = 1) {
  return QByteArray(1, char(op)) + hex("64 64") + zeros(17) + bytes({0xE8, 3, 25, 10, 30});
}
QByteArray saleLine(int number, qint64 thousandths) {
  return le16(number) + zeros(7) + le32(thousandths) + zeros(5);
}
QByteArray payment(int type, qint64 hundredths) {
  return QByteArray(1, char(type)) + zeros(43) + split(hundredths);
}

// Model 2's short-frame article write of the protocol example.
QByteArray shortWrite(int number, const QByteArray &name, qint64 price = 8000) {
  return shortFrame(0x85, bytes({number >> 8, number}) + padded(name, 37) + zeros(1) + le32(price) +
                              hex("02") + hex("86 00 00 00 00 01 7F"));
}
const QByteArray kOpen = hex("5F 00 02 02 11 0D");
const QByteArray kInfo = hex("5F 20 00 0D");
const QByteArray kClose = hex("5F 10 00 0D");

} // namespace

TEST(Family2, ServiceBracketThenReceiptClosedByTheClosingCommand) {
  Device d(2);
  EXPECT_EQ(d.raw(kOpen).bytes, hex("5F 00 00 0D"));
  Reply info = d.raw(kInfo);
  EXPECT_EQ(info.code(), 0x20);
  EXPECT_EQ(info.at(79), 0xCC);
  EXPECT_EQ(info.bytes.size(), info.at(2) + 4);
  EXPECT_EQ(d.raw(shortWrite(5, "KAFA")).code(), 0x85);
  Reply art = d.raw(hex("5F 80 02 00 05 0D"));
  ASSERT_EQ(art.code(), 0x80);
  EXPECT_EQ(art.at(3) * 256 + art.at(4), 5);
  EXPECT_EQ(art.bytes.mid(5, 5), QByteArray("KAFA\0", 5));
  EXPECT_EQ(art.le32(43), 8000);
  EXPECT_EQ(art.at(47), 2);
  EXPECT_EQ(art.bytes.mid(48, 7), hex("86 00 00 00 00 01 7F"));
  EXPECT_EQ(d.send(0x01, login()).at(9), 0xFF);
  EXPECT_NE(d.send(0x03, saleLine(5, 1000)).at(9), 0xFF) << "no receipts while the service is open";
  EXPECT_EQ(d.raw(kClose).bytes, kClose);

  EXPECT_EQ(d.send(0x03, saleLine(5, 3000)).at(9), 0xFF);
  EXPECT_EQ(d.send(0x04, saleLine(5, 1000)).at(9), 0xFF);
  EXPECT_EQ(d.send(0x09, payment(2, 10000)).at(9), 0xFF);
  EXPECT_TRUE(d.journal().isEmpty()) << "payments alone never close a family-2 receipt";
  Reply end = d.send(0x0B, {});
  EXPECT_EQ(end.code(), 0x20);
  EXPECT_EQ(end.at(9), 0xFF);
  const auto docs = d.journal();
  ASSERT_EQ(docs.size(), 1);
  EXPECT_EQ(docs[0]["fiscalNumber"].toInt(), 1);
  EXPECT_DOUBLE_EQ(docs[0]["total"].toDouble(), 160.0);
  const QJsonArray pays = docs[0]["payments"].toArray();
  ASSERT_EQ(pays.size(), 2);
  EXPECT_EQ(pays[0]["type"].toInt(), 2);
  EXPECT_EQ(pays[1]["type"].toInt(), 0);
  EXPECT_DOUBLE_EQ(pays[1]["amount"].toDouble(), 60.0) << "the rest is booked as cash";
  EXPECT_NE(d.send(0x0B, {}).at(9), 0xFF) << "nothing left to close";
}

TEST(Family2, ServiceIsLimitedWhileTheDailyReportIsOutstanding) {
  Device d(2);
  d.device().setArticleFromJson({{"number", 5}, {"name", "KAFA"}, {"price", 80}, {"taxGroup", 2}}, nullptr);
  EXPECT_TRUE(d.raw(hex("5F 80 02 00 05 0D")).bytes.isEmpty()) << "no article service outside the bracket";
  d.control({{"cmd", "set"}, {"dailyReportOutstanding", true}});
  EXPECT_EQ(d.raw(kOpen).bytes, hex("5F FD 00 0D"));
  EXPECT_EQ(d.raw(hex("5F 80 02 00 05 0D")).bytes.mid(5, 4), QByteArray("KAFA")) << "reading still works";
  d.raw(shortWrite(5, "CAJ"));
  EXPECT_EQ(d.raw(hex("5F 80 02 00 05 0D")).bytes.mid(5, 4), QByteArray("KAFA")) << "renaming waits";
  d.raw(shortWrite(6, "CAJ"));
  EXPECT_EQ(d.raw(hex("5F 80 02 00 06 0D")).bytes.mid(5, 3), QByteArray("CAJ")) << "a new article is taken";
  EXPECT_EQ(d.raw(kClose).bytes, kClose);
  d.control({{"cmd", "dailyReport"}});
  EXPECT_EQ(d.raw(kOpen).bytes, hex("5F 00 00 0D"));
}

TEST(Family2, Model3ServesArticlesInLongFramesAfterALogIn) {
  const QByteArray write = le16(12) + padded("KAFA ESPRESSO DUPL", 18) + zeros(1) + padded("I", 18) +
                           zeros(2) + hex("02") + split(12345) + hex("86 00 00 00 00 01 7F");
  Device d(3);
  EXPECT_NE(d.send(0x15, write).at(9), 0xFF) << "refused before the log-in";
  EXPECT_EQ(d.send(0x01, login()).at(9), 0xFF);
  Reply w = d.send(0x15, write);
  EXPECT_EQ(w.code(), 0x20);
  EXPECT_EQ(w.at(9), 0xFF);
  Reply r = d.send(0x14, le16(12));
  ASSERT_EQ(r.code(), 0x16);
  EXPECT_EQ(r.le16(9), 12);
  EXPECT_EQ(r.bytes.mid(11, 18), QByteArray("KAFA ESPRESSO DUPL"));
  EXPECT_EQ(r.at(29), 0);
  EXPECT_EQ(r.bytes.mid(30, 2), QByteArray("I\0", 2));
  EXPECT_EQ(r.at(50), 2);
  EXPECT_EQ(r.le32(51), 123);
  EXPECT_EQ(r.at(55), 45);
  EXPECT_EQ(r.bytes.mid(56, 7), hex("86 00 00 00 00 01 7F"));
  EXPECT_EQ(d.control({{"cmd", "articles"}})["articles"].toArray().at(0).toObject()["name"].toString(),
            "KAFA ESPRESSO DUPLI");
  EXPECT_EQ(d.send(0x18, {}).code(), 0x19);

  // Model 2 answers the same read with a refusal, which tells the two apart.
  Device m2(2);
  m2.send(0x01, login());
  Reply refused = m2.send(0x14, hex("01 00"));
  EXPECT_EQ(refused.code(), 0x20);
  EXPECT_NE(refused.at(9), 0xFF);
  EXPECT_EQ(m2.send(0x18, {}).code(), 0x19);
}

TEST(Family2, RefusalsArePlain) {
  struct Case {
    const char *what;
    int code;
    QByteArray payload;
  };
  const Case cases[] = {{"article not programmed", 0x03, saleLine(9, 1000)},
                        {"void with nothing sold", 0x04, saleLine(5, 1000)},
                        {"payment with no receipt", 0x09, payment(0, 100)},
                        {"unknown command", 0x55, {}}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Device d(2);
    d.device().setArticleFromJson({{"number", 5}, {"name", "KAFA"}, {"price", 80}, {"taxGroup", 2}}, nullptr);
    d.send(0x01, login());
    Reply r = d.send(c.code, c.payload);
    EXPECT_EQ(r.code(), 0x20);
    EXPECT_EQ(r.at(9), 0x00);
  }
  Device notFiscal(2);
  notFiscal.control({{"cmd", "set"}, {"fiscalised", false}});
  EXPECT_NE(notFiscal.send(0x01, login()).at(9), 0xFF);
  notFiscal.raw(kOpen);
  EXPECT_NE(notFiscal.raw(kInfo).at(79), 0xCC);
}
