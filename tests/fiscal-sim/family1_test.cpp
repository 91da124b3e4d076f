#include "simfixture.h"

using namespace simtest;

namespace {

// Article write of the protocol example: number 5, KAFA, 80.00, tax group 2,
// barcode 8600000000017.
QByteArray kafaWrite(int number = 5, const QByteArray &name = "KAFA", int group = 2) {
  return le16(number) + padded(name, 36) + hex("FF") + hex("F8 60 00 00 00 00 17") + char(group) + hex("01") +
         le32(8000) + zeros(4);
}
QByteArray login(int op = 1) {
  return QByteArray(1, char(op)) + hex("79 D0") + char(10) + char(30);
}
QByteArray saleLine(int number, qint64 thousandths) {
  return zeros(7) + le16(number) + le32(thousandths);
}
QByteArray payment(int type, qint64 hundredths) {
  return QByteArray(1, char(type)) + zeros(1) + split(hundredths);
}

struct Model {
  int model, sale, voidLine, pay;
};
const Model kModels[] = {{1, 0x0B, 0x0C, 0x15}, {5, 0x05, 0x06, 0x13}};

} // namespace

TEST(Family1, ReceiptIsClosedByTheDeviceWithItsFiscalNumberOnceCovered) {
  for (const Model &m : kModels) {
    SCOPED_TRACE(m.model);
    Device d(m.model);
    d.control({{"cmd", "set"}, {"lastFiscalNumber", 41}});
    EXPECT_EQ(d.send(0x74, kafaWrite()).code(), 0x74);
    EXPECT_EQ(d.send(0x01, login()).at(9), 0x00);
    Reply sale = d.send(m.sale, saleLine(5, 2000));
    EXPECT_EQ(sale.code(), 0x1F);
    EXPECT_NE(sale.at(9), 0xFF);
    EXPECT_EQ(d.send(m.sale, saleLine(5, 500)).at(9), 0x00);
    EXPECT_EQ(d.send(m.voidLine, saleLine(5, 500)).at(9), 0x00);
    Reply cheque = d.send(m.pay, payment(1, 10000));
    EXPECT_EQ(cheque.code(), 0x1F) << "100.00 of 160.00 does not close";
    Reply cash = d.send(m.pay, payment(0, 10000));
    ASSERT_EQ(cash.code(), 0x1C);
    EXPECT_EQ(cash.be32(11), 42);
    EXPECT_EQ(cash.bytes.mid(11, 4), hex("00 00 00 2A"));
    EXPECT_EQ(cash.bytes.size(), cash.at(8) + 12);

    const auto docs = d.journal();
    ASSERT_EQ(docs.size(), 1);
    const QJsonObject r = docs[0];
    EXPECT_EQ(r["type"].toString(), "receipt");
    EXPECT_EQ(r["fiscalNumber"].toInt(), 42);
    EXPECT_EQ(r["operator"].toInt(), 1);
    const QJsonArray lines = r["lines"].toArray();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0]["name"].toString(), "KAFA");
    EXPECT_DOUBLE_EQ(lines[0]["quantity"].toDouble(), 2.0);
    EXPECT_DOUBLE_EQ(lines[0]["amount"].toDouble(), 160.0);
    EXPECT_TRUE(lines[2]["void"].toBool());
    EXPECT_DOUBLE_EQ(lines[2]["amount"].toDouble(), -40.0);
    EXPECT_DOUBLE_EQ(r["total"].toDouble(), 160.0);
    EXPECT_DOUBLE_EQ(r["paid"].toDouble(), 200.0);
    EXPECT_DOUBLE_EQ(r["change"].toDouble(), 40.0);
    EXPECT_EQ(r["payments"].toArray().size(), 2);
    EXPECT_FALSE(d.state()["receipt"].toObject()["open"].toBool());

    // The operator stays logged in: the next receipt starts with its first line.
    EXPECT_EQ(d.send(m.sale, saleLine(5, 1000)).at(9), 0x00);
  }
}

TEST(Family1, RefusalsCarryTheReasonByte) {
  struct Case {
    const char *what;
    bool loggedIn;
    int code; // 0 = sale, 1 = void, 2 = payment
    QByteArray payload;
    int reason;
  };
  const Case cases[] = {
      {"sale before any log-in", false, 0, saleLine(5, 1000), 0x01},
      {"article not programmed", true, 0, saleLine(6, 1000), 0x01},
      {"quantity zero", true, 0, saleLine(5, 0), 0x02},
      {"void of more than was sold", true, 1, saleLine(5, 1000), 0x01},
      {"payment with no receipt open", true, 2, payment(0, 100), 0x01},
      {"payment type 7", true, 2, payment(7, 100), 0x01},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Device d(1);
    d.send(0x74, kafaWrite());
    if (c.loggedIn)
      d.send(0x01, login());
    if (c.code == 2 && QByteArray(c.what).contains("type"))
      d.send(0x0B, saleLine(5, 1000));
    const int code = c.code == 0 ? 0x0B : c.code == 1 ? 0x0C : 0x15;
    Reply r = d.send(code, c.payload);
    EXPECT_EQ(r.code(), 0x1F);
    EXPECT_EQ(r.at(9), 0xFF);
    EXPECT_EQ(r.at(10), c.reason);
  }
}

TEST(Family1, ArticleMemoryReadsBackWhatWasWrittenInTheDeviceCharset) {
  Device d(1);
  d.send(0x74, kafaWrite());
  Reply r = d.send(0x73, le16(5));
  ASSERT_EQ(r.code(), 0x73);
  EXPECT_EQ(r.at(8), 56);
  EXPECT_EQ(r.le16(9), 5);
  EXPECT_EQ(r.bytes.mid(11, 5), QByteArray("KAFA\0", 5));
  EXPECT_EQ(r.at(47), 0xFF);
  EXPECT_EQ(r.bytes.mid(48, 7), hex("F8 60 00 00 00 00 17"));
  EXPECT_EQ(r.at(55), 2);
  EXPECT_EQ(r.le32(57), 8000);

  // Empty slot: the name starts with FF.
  EXPECT_EQ(d.send(0x73, le16(6)).at(11), 0xFF);
  // Љиљана written in the device set comes back in Unicode on the control channel.
  d.send(0x74, kafaWrite(7, hex("9F A8 BF A0 AD A0")));
  const QJsonArray arts = d.control({{"cmd", "articles"}})["articles"].toArray();
  ASSERT_EQ(arts.size(), 2);
  EXPECT_EQ(arts[1]["name"].toString(), QString::fromUtf8("Љиљана"));
  // Slot 704 of model 1 is never used, and 4000 is past the memory.
  EXPECT_EQ(d.send(0x74, kafaWrite(704)).at(11), 0xFF);
  EXPECT_EQ(d.send(0x73, le16(4000)).code(), 0x1F);
  // An empty name (37 FF bytes) empties the slot.
  d.send(0x74, le16(7) + QByteArray(37, char(0xFF)) + hex("FF FF FF FF FF FF FF") + zeros(1) + hex("01") +
                   zeros(8));
  EXPECT_EQ(d.send(0x73, le16(7)).at(11), 0xFF);
}

TEST(Family1, NamesCannotChangeUntilTheDailyReport) {
  // The probe of the article-memory emptying relies on this: the write is
  // acknowledged but the old name reads back.
  Device d(1);
  d.send(0x74, kafaWrite());
  d.send(0x01, login());
  d.send(0x0B, saleLine(5, 1000));
  d.send(0x15, payment(0, 8000));
  EXPECT_EQ(d.send(0x74, kafaWrite(5, "PROBA")).code(), 0x74);
  EXPECT_EQ(d.send(0x73, le16(5)).bytes.mid(11, 4), QByteArray("KAFA"));
  EXPECT_EQ(d.send(0x74, kafaWrite(9, "NOVI")).at(11), 0x00) << "new articles are always allowed";
  d.control({{"cmd", "dailyReport"}});
  d.send(0x74, kafaWrite(5, "PROBA"));
  EXPECT_EQ(d.send(0x73, le16(5)).bytes.mid(11, 5), QByteArray("PROBA"));
  EXPECT_EQ(d.journal().last()["type"].toString(), "report");
}

TEST(Family1, FiscalMemoryCheckOperatorsAndTaxRates) {
  for (bool fiscalised : {true, false}) {
    Device d(5);
    d.control({{"cmd", "set"}, {"fiscalised", fiscalised}});
    Reply fm = d.send(0x7F, hex("00 00"));
    ASSERT_EQ(fm.code(), 0x7F);
    EXPECT_EQ(fm.bytes.mid(20, 18) == QByteArray(18, char(0xFF)), !fiscalised);
    EXPECT_EQ(d.send(0x01, login()).at(9) == 0xFF, !fiscalised);
  }
  Device d(1);
  Reply op = d.send(0x75, hex("02"));
  EXPECT_EQ(op.at(9), 2);
  EXPECT_EQ(op.bytes.mid(10, 10), QByteArray("OPERATER 2"));
  EXPECT_EQ(d.send(0x75, hex("09")).at(10), 0xFF) << "empty slot";
  // Operator 0 administers the device; each operator has a numeric code of its own.
  EXPECT_EQ(d.send(0x75, hex("00")).bytes.mid(10, 10), QByteArray("OPERATER 0"));
  EXPECT_TRUE(d.control({{"cmd", "set"}, {"operators", QJsonObject{{"7", QJsonObject{{"name", "ANA"}, {"code", 123456}}}, {"2", ""}}}})
                  .value("ok")
                  .toBool());
  Reply ana = d.send(0x75, hex("07"));
  EXPECT_EQ(ana.bytes.mid(10, 3), QByteArray("ANA"));
  EXPECT_EQ(ana.le32(29), 123456);
  EXPECT_EQ(d.send(0x75, hex("02")).at(10), 0xFF);
  EXPECT_EQ(d.send(0x75, hex("01")).le16(29), 1001);
  EXPECT_FALSE(d.control({{"cmd", "set"}, {"operators", QJsonObject{{"25", "X"}}}}).value("ok").toBool());
  Reply rate = d.send(0x6B, hex("00"));
  EXPECT_EQ(rate.le16(12), 2000);
  EXPECT_EQ(d.send(0x6B, hex("08")).le16(12), 0xFFFF);
  // Leaving fiscal printer mode (family byte 0x05) gets no answer.
  EXPECT_TRUE(d.raw(longFrame(0x05, 0x11, kRegister, 9, 0x1F, {})).bytes.isEmpty());
}

TEST(Family1, ArticlesFileIsLoadedOrRejectedWithItsLineNumber) {
  QTemporaryDir dir;
  auto load = [&](const QByteArray &text, QString *error) {
    QFile f(dir.filePath("a.txt"));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    f.close();
    Device d(1);
    const bool ok = d.sim().loadArticles(f.fileName(), error);
    return std::make_pair(ok, d.control({{"cmd", "articles"}})["articles"].toArray());
  };
  QString error;
  auto [ok, arts] = load("# demo\n5;KAFA;80,00;2;8600000000017\n\n7;Љиљана;1.5;0;\n", &error);
  EXPECT_TRUE(ok) << error.toStdString();
  ASSERT_EQ(arts.size(), 2);
  EXPECT_EQ(arts[1].toObject()["name"].toString(), QString::fromUtf8("Љиљана"));
  EXPECT_DOUBLE_EQ(arts[0].toObject()["price"].toDouble(), 80.0);
  for (const char *bad :
       {"5;KAFA;80;2\nx;Y;1;0\n", "5;KAFA;80;2\n4000;BIG;1;0\n", "5;KAFA;80;2\n6;SOK;1;0;12ab\n"}) {
    error.clear();
    EXPECT_FALSE(load(bad, &error).first) << bad;
    EXPECT_TRUE(error.contains(":2")) << error.toStdString();
  }
}
