#include "simfixture.h"

using namespace simtest;

namespace {

QByteArray saleLine(int number, const QByteArray &barcode, qint64 thousandths, const QByteArray &name,
                    qint64 price, int group = 0) {
  return le16(number) + barcode + le32(thousandths) + padded(name, 32) + zeros(1) + le32(price) +
         QByteArray(1, char(group)) + hex("01");
}
const QByteArray kBarcode = hex("F5 90 12 34 12 34 57"); // 5901234123457, right-aligned
const QByteArray kNoBarcode = hex("FF FF FF FF FF FF FF");
const QByteArray kStatus = hex("AA 04 01 12 34 50 00 0D 00 52 D4 0D");

int statusOf(Device &d) {
  Reply r = d.raw(kStatus);
  EXPECT_EQ(r.code(), 0x23);
  EXPECT_EQ(r.at(9), 0xFF);
  EXPECT_EQ(r.at(15), 0x0D);
  return r.at(10);
}

} // namespace

TEST(Family4, UnknownArticleIsLearnedFromTheSaleLineAndKrajRacunaCloses) {
  Device d(4);
  EXPECT_EQ(statusOf(d), 0);
  EXPECT_EQ(d.send(0x01, hex("03")).at(9), 0xFF);

  Reply learned = d.send(0x03, saleLine(7, kBarcode, 1500, "SOK OD NARANDZE", 12000));
  EXPECT_EQ(learned.code(), 0x22);
  EXPECT_EQ(learned.at(9), 0xFF);
  EXPECT_EQ(learned.at(15), 0x03);
  EXPECT_EQ(learned.le16(16), 7);
  EXPECT_EQ(learned.at(24), 0x07) << "new article: flag bits 1, 2 and 4";
  EXPECT_EQ(statusOf(d), 2);
  EXPECT_EQ(d.send(0x03, saleLine(7, kBarcode, 1000, "SOK OD NARANDZE", 13000)).at(24), 0x02) << "new price";
  EXPECT_EQ(d.send(0x03, saleLine(7, kBarcode, 1000, "SOK OD NARANDZE", 13000)).at(24), 0x00);
  Reply voided = d.send(0x04, le16(7) + kBarcode + le32(1000) + le32(13000) + hex("01"));
  EXPECT_EQ(voided.at(9), 0xFF);
  EXPECT_EQ(voided.at(15), 0x04);

  // Cash 123.45 of the protocol example: 00 7B 00 00 00 2D.
  Reply paid = d.send(0x09, hex("00 7B 00 00 00 2D"));
  EXPECT_EQ(paid.at(9), 0xFF);
  EXPECT_EQ(paid.at(15), 0x09);
  EXPECT_EQ(statusOf(d), 3);
  EXPECT_EQ(d.send(0x0B, {}).at(9), 0xFF);

  Reply st = d.raw(kStatus);
  EXPECT_EQ(st.at(10), 1) << "receipt closed";
  EXPECT_EQ(st.le32(21), 1) << "fiscal number, low byte first";
  const auto docs = d.journal();
  ASSERT_EQ(docs.size(), 1);
  EXPECT_EQ(docs[0]["fiscalNumber"].toInt(), 1);
  EXPECT_EQ(docs[0]["operator"].toInt(), 3);
  EXPECT_DOUBLE_EQ(docs[0]["total"].toDouble(), 180.0 + 130.0);
  const QJsonArray pays = docs[0]["payments"].toArray();
  ASSERT_EQ(pays.size(), 2);
  EXPECT_DOUBLE_EQ(pays[0].toObject()["amount"].toDouble(), 123.45);
  EXPECT_DOUBLE_EQ(pays[1].toObject()["amount"].toDouble(), 310.0 - 123.45);
  const QJsonObject art = d.control({{"cmd", "articles"}})["articles"].toArray().at(0).toObject();
  EXPECT_EQ(art["number"].toInt(), 7);
  EXPECT_EQ(art["barcode"].toString(), "5901234123457");
  EXPECT_DOUBLE_EQ(art["price"].toDouble(), 130.0);
}

TEST(Family4, RefusalsCarryErrorClassBitsAndTheAnsweredCommand) {
  struct Case {
    const char *what;
    int setup; // 0 logged in, 1 receipt open, 2 receipt in payment
    int code;
    QByteArray payload;
    int errorClass;
    int bit;
  };
  const QByteArray kafa = saleLine(5, kNoBarcode, 1000, "KAFA", 8000, 2);
  const Case cases[] = {
      {"drawer while a receipt is open", 1, 0x15, hex("64 00"), 2, 25},
      {"log-in while a receipt is open", 1, 0x01, hex("01"), 2, 25},
      {"report while a receipt is open", 1, 0x08, zeros(9), 2, 25},
      {"sale once payments started", 2, 0x03, kafa, 3, 25},
      {"another name under a known number", 1, 0x03, saleLine(5, kNoBarcode, 1000, "CAJ", 8000, 2), 1, 30},
      {"amount past 32 bits of thousandths", 0, 0x03,
       saleLine(9, kNoBarcode, 0xFFFFFFFFLL, "SOK", 0xFFFFFFFFLL, 0), 1, 13},
      {"quantity zero", 0, 0x03, saleLine(5, kNoBarcode, 0, "KAFA", 8000, 2), 1, 12},
      {"article number zero", 0, 0x03, saleLine(0, kNoBarcode, 1000, "KAFA", 8000, 2), 1, 11},
      {"tax group without a rate", 0, 0x03, saleLine(9, kNoBarcode, 1000, "SOK", 8000, 5), 1, 9},
      {"card payment above the total", 1, 0x09, hex("02 64 00 00 00 00"), 1, 23},
      {"void of an article not sold", 1, 0x04, le16(9) + kNoBarcode + le32(1000) + le32(100) + hex("01"), 1,
       18},
      {"closing with nothing open", 0, 0x0B, {}, 1, 25},
      {"unknown command", 0, 0x44, {}, 1, 8},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Device d(4);
    d.send(0x01, hex("01"));
    if (c.setup >= 1) {
      ASSERT_EQ(d.send(0x03, kafa).at(9), 0xFF);
    }
    if (c.setup >= 2) {
      ASSERT_EQ(d.send(0x09, hex("00 0A 00 00 00 00")).at(9), 0xFF);
    }
    Reply r = d.send(c.code, c.payload);
    EXPECT_NE(r.at(9), 0xFF);
    EXPECT_EQ(r.at(10), c.errorClass);
    const qint64 bits = r.be32(11);
    EXPECT_EQ(bits, qint64(1) << c.bit);
    EXPECT_EQ(r.at(15), c.code);
  }
}

TEST(Family4, QueriesInShortFrames) {
  Device d(4);
  Reply info = d.raw(hex("5F 20 00 0D"));
  EXPECT_EQ(info.at(79), 0xCC);
  d.control({{"cmd", "set"}, {"fiscalised", false}});
  EXPECT_EQ(d.raw(hex("5F 20 00 0D")).at(79), 0x00);

  Reply clock = d.raw(hex("5F 60 00 0D"));
  EXPECT_EQ(clock.code(), 0x60);
  EXPECT_EQ(clock.at(9) + 1900, QDate::currentDate().year());
  EXPECT_EQ(clock.at(8), QDate::currentDate().month());

  d.control({{"cmd", "set"}, {"taxRates", QJsonArray{2000, 1000, 10000, 0, 0, 0, 0, 0, 0}}});
  Reply rates = d.raw(hex("5F 70 00 0D"));
  EXPECT_EQ(rates.le16(3), 2000);
  EXPECT_EQ(rates.le16(7), 10000);
  Reply op = d.raw(hex("5F 90 01 02 0D"));
  EXPECT_EQ(op.at(3), 2);
  EXPECT_EQ(op.bytes.mid(4, 10), QByteArray("OPERATER 2"));
  EXPECT_EQ(d.raw(hex("5F 90 01 30 0D")).bytes.mid(4, 2), hex("FF FF"));
  // Operators 1 to 64: the administrator is 1, there is no 0.
  EXPECT_FALSE(d.control({{"cmd", "set"}, {"operators", QJsonObject{{"0", "NULA"}}}}).value("ok").toBool());
  EXPECT_TRUE(d.control({{"cmd", "set"}, {"operators", QJsonObject{{"64", "ZADNJI"}}}}).value("ok").toBool());
  EXPECT_EQ(d.raw(hex("5F 90 01 40 0D")).bytes.mid(4, 6), QByteArray("ZADNJI"));

  // Three stored articles: the number given, then three "next" reads, the
  // last answered with number 0.
  for (int n : {3, 40, 41000})
    d.control({{"cmd", "setArticle"}, {"number", n}, {"name", QString("A%1").arg(n)}, {"price", 1.5}});
  QList<int> walked;
  Reply r = d.raw(hex("5F 82 02 01 00 0D"));
  while (r.code() == 0x84 && r.le16(3) != 0 && walked.size() < 10) {
    walked.append(r.le16(3));
    r = d.raw(hex("5F 84 00 0D"));
  }
  EXPECT_EQ(walked, (QList<int>{3, 40, 41000}));
  EXPECT_EQ(r.le16(3), 0);
  Reply a = d.raw(hex("5F 82 02 28 00 0D"));
  EXPECT_EQ(a.bytes.mid(5, 4), QByteArray("A40\0", 4));
  EXPECT_EQ(a.le32(39), 150);
  EXPECT_EQ(a.bytes.mid(45, 7), kNoBarcode);
}

TEST(Family4, ArticleWritesAndEmptyingTheMemory) {
  Device d(4);
  const QByteArray write = le16(12) + kBarcode + padded("KAFA", 32) + zeros(1) + le32(8000) + hex("02 01");
  Reply w = d.send(0x13, write);
  EXPECT_EQ(w.at(9), 0xFF);
  EXPECT_EQ(w.at(15), 0x13);
  EXPECT_EQ(w.le16(16), 12);
  EXPECT_EQ(d.state()["articleCount"].toInt(), 1);
  Reply empty = d.send(0x0F, hex("01 00 60 EA"));
  EXPECT_EQ(empty.at(15), 0x0F);
  EXPECT_EQ(d.state()["articleCount"].toInt(), 0);

  // With a daily report outstanding the device answers with notice 12.
  d.send(0x13, write);
  d.control({{"cmd", "set"}, {"dailyReportOutstanding", true}});
  Reply notice = d.send(0x0F, hex("01 00 60 EA"));
  EXPECT_EQ(notice.bytes, hex("5F F5 03 0F 00 0C 0D"));
  EXPECT_EQ(d.state()["articleCount"].toInt(), 1);
}

TEST(Family4, StornoFreeTextAndReportsAreJournaled) {
  Device d(4);
  d.send(0x01, hex("01"));
  d.send(0x03, saleLine(5, kNoBarcode, 2000, "KAFA", 8000, 2));
  EXPECT_EQ(d.send(0x0C, {}).at(9), 0xFF);
  EXPECT_FALSE(d.state()["receipt"].toObject()["open"].toBool());

  EXPECT_EQ(d.send(0x07, {}).at(9), 0xFF);
  EXPECT_EQ(statusOf(d), 30);
  Reply other = d.send(0x15, hex("64 00"));
  EXPECT_EQ(other.at(10), 30) << "a free-text document takes nothing else";
  d.send(0x05, hex("01") + padded("NASLOV", 32));
  EXPECT_EQ(statusOf(d), 31);
  d.send(0x05, hex("00") + padded("drugi red", 32));
  EXPECT_EQ(d.send(0x06, {}).at(9), 0xFF);

  d.control({{"cmd", "set"}, {"dailyReportsStored", 2949}});
  EXPECT_EQ(d.send(0x08, hex("02") + le32(240301) + le32(240331)).at(9), 0xFF);
  EXPECT_EQ(d.send(0x08, hex("00") + zeros(8)).at(9), 0xFF);
  Reply fm = d.send(0x0E, hex("07 00 00"));
  EXPECT_EQ(fm.code(), 0x21);
  EXPECT_EQ(fm.at(9), 0x07);
  EXPECT_EQ(fm.le16(15), 2950);
  EXPECT_EQ(d.send(0x08, hex("06") + zeros(8)).be32(11), qint64(1) << 26) << "no report type 6";

  const auto docs = d.journal();
  ASSERT_EQ(docs.size(), 4);
  EXPECT_EQ(docs[0]["type"].toString(), "storno");
  EXPECT_DOUBLE_EQ(docs[0]["total"].toDouble(), 160.0);
  EXPECT_EQ(docs[1]["type"].toString(), "text");
  EXPECT_EQ(docs[1]["lines"].toArray().at(0).toObject()["text"].toString(), "NASLOV");
  EXPECT_TRUE(docs[1]["lines"].toArray().at(0).toObject()["bold"].toBool());
  EXPECT_EQ(docs[2]["name"].toString(), "PERIODICNI");
  EXPECT_EQ(docs[2]["from"].toInt(), 240301);
  EXPECT_EQ(docs[3]["name"].toString(), "DNEVNI");
  EXPECT_EQ(docs[3]["reportNumber"].toInt(), 2950);
  EXPECT_EQ(statusOf(d), 1);
}
