#include "device/deviceerrors.h"
#include "device/framecodec.h"
#include "device/replyparser.h"

#include <gtest/gtest.h>

using namespace ReplyParser;

namespace {
QByteArray hex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
// A long reply whose payload bytes are given by frame offset (offset 9 = payload byte 0).
QByteArray longReply(quint8 code, int payloadSize, std::initializer_list<std::pair<int, QByteArray>> at) {
  QByteArray payload(payloadSize, '\0');
  for (const auto &[offset, bytes] : at)
    payload.replace(offset - 9, bytes.size(), bytes);
  return FrameCodec::longFrame(0x04, 0x01, QStringLiteral("123450"), 0, code, payload);
}
// A short reply whose payload bytes are given by frame offset (offset 3 = payload byte 0).
QByteArray shortReply(quint8 code, int payloadSize, std::initializer_list<std::pair<int, QByteArray>> at) {
  QByteArray payload(payloadSize, '\0');
  for (const auto &[offset, bytes] : at)
    payload.replace(offset - 3, bytes.size(), bytes);
  return FrameCodec::shortFrame(code, payload);
}
} // namespace

TEST(ReplyParser, RecognitionNeedsCodeDeclaredLengthAndTerminator) {
  const QByteArray ack = longReply(0x1F, 2, {{9, hex("00 00")}});
  QByteArray wrongEnd = ack;
  wrongEnd[wrongEnd.size() - 1] = 0x0C;
  const struct {
    const char *what;
    QByteArray frame;
    bool isLong1F;
  } cases[] = {
      {"whole", ack, true},
      {"one byte short", ack.chopped(1), false},
      {"one byte extra", ack + hex("0D"), false},
      {"wrong terminator", wrongEnd, false},
      {"other code", longReply(0x20, 2, {}), false},
      {"empty", QByteArray(), false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(isLong(c.frame, 0x1F), c.isLong1F) << c.what;
  EXPECT_TRUE(isShort(hex("5F 10 00 0D"), 0x10));
  EXPECT_FALSE(isShort(hex("5F 10 01 0D"), 0x10));
  for (quint8 code : {0x20, 0x22, 0x23, 0x25})
    EXPECT_TRUE(isFamily4Ack(longReply(code, 7, {}))) << int(code);
  EXPECT_FALSE(isFamily4Ack(longReply(0x21, 7, {})));
  EXPECT_EQ(replyCode(hex("5F F5 03 00 00 0C 0D")), 0xF5);
  EXPECT_EQ(replyCode(ack), 0x1F);
  EXPECT_EQ(replyCode(hex("0D")), -1);
}

TEST(ReplyParser, AcknowledgementsOfTheThreeFamilies) {
  const Family1Ack refused = family1Ack(longReply(0x1F, 2, {{9, hex("FF 40")}}));
  EXPECT_TRUE(refused.refused);
  EXPECT_EQ(refused.reason, 0x40);
  EXPECT_FALSE(family1Ack(longReply(0x1F, 2, {{9, hex("00 40")}})).refused);

  EXPECT_EQ(fiscalReceiptNumber1C(longReply(0x1C, 6, {{11, hex("00 01 E2 40")}})), 123456u);

  EXPECT_TRUE(family2Ack(longReply(0x20, 1, {{9, hex("FF")}})).accepted());
  EXPECT_FALSE(family2Ack(longReply(0x20, 1, {{9, hex("00")}})).accepted());
  EXPECT_EQ(family2Ack(longReply(0x20, 1, {{9, hex("07")}})).status, 0x07);

  // Family 4: accepted sale line with the device's article number and flags.
  const Family4Ack sold =
      family4Ack(longReply(0x22, 16, {{9, hex("FF 00")}, {15, hex("03 2C 01")}, {24, hex("05")}}));
  EXPECT_TRUE(sold.accepted());
  EXPECT_EQ(sold.answered, 0x03);
  EXPECT_TRUE(sold.hasArticle);
  EXPECT_EQ(sold.articleNumber, 300);
  EXPECT_EQ(sold.articleFlags, 0x05);
  // A status report: device state and the receipt number, low byte first.
  const Family4Ack status =
      family4Ack(longReply(0x20, 16, {{9, hex("FF 01")}, {15, hex("0D")}, {21, hex("39 30 00 00")}}));
  EXPECT_EQ(status.stateOrClass, 1);
  EXPECT_EQ(status.receiptNumber, 12345u);
  EXPECT_FALSE(status.hasArticle);
  // Refusals: error class, bits, paper.
  const Family4Ack bad = family4Ack(longReply(0x23, 7, {{9, hex("00 02 00 00 04 00 08")}}));
  EXPECT_FALSE(bad.accepted());
  EXPECT_EQ(bad.stateOrClass, 2);
  EXPECT_EQ(bad.errorWord, 0x400u);
  EXPECT_EQ(bad.answered, 0x08);
  EXPECT_FALSE(bad.paperOut());
  EXPECT_EQ(DeviceErrors::DekodirajGresku(bad.errorWord), QStringLiteral("/ Nedefinisan artikal(10)"));
  EXPECT_TRUE(family4Ack(longReply(0x20, 7, {{9, hex("00 01 00 00 00 08 09")}})).paperOut());
  EXPECT_FALSE(family4Ack(longReply(0x20, 7, {{9, hex("00 01 00 00 00 09 09")}})).paperOut());
  EXPECT_FALSE(family4Ack(longReply(0x20, 7, {{9, hex("FF 01 00 00 00 08 09")}})).paperOut());
}

TEST(ReplyParser, FiscalStateAndInformationReplies) {
  QByteArray allFF(29, '\xFF');
  EXPECT_FALSE(fiscalisedFrom7F(longReply(0x7F, 29, {{9, allFF}})));
  for (int offset : {20, 29, 37}) {
    QByteArray oneOther = allFF;
    oneOther[offset - 9] = 0x00;
    EXPECT_TRUE(fiscalisedFrom7F(longReply(0x7F, 29, {{9, oneOther}}))) << offset;
  }
  QByteArray outside = allFF;
  outside[19 - 9] = 0x00; // offset 19 is not looked at
  EXPECT_FALSE(fiscalisedFrom7F(longReply(0x7F, 29, {{9, outside}})));

  const FMInfo info = fmInfo(longReply(0x21, 8, {{9, hex("07")}, {15, hex("90 0B")}}));
  EXPECT_EQ(info.infoType, 7);
  EXPECT_EQ(info.storedDaily, 2960);
  EXPECT_EQ(info.remaining(), 40);

  const DeviceClock clock = deviceClock(hex("5F 60 07 1E 2D 0D 00 19 03 7C 0D"));
  EXPECT_EQ(clock.toDateTime(), QDateTime(QDate(2024, 3, 25), QTime(13, 45, 30)));
  EXPECT_FALSE(deviceClock(hex("5F 60 00 0D")).toDateTime().isValid());

  EXPECT_TRUE(fiscalisedFromInfo(shortReply(0x20, 77, {{79, hex("CC")}})));
  EXPECT_FALSE(fiscalisedFromInfo(shortReply(0x20, 77, {{79, hex("CD")}})));
  EXPECT_FALSE(fiscalisedFromInfo(shortReply(0x20, 10, {})));

  EXPECT_EQ(noticeCode(hex("5F F5 03 00 00 0C 0D")), 12);
  EXPECT_TRUE(serviceOpened(hex("5F 00 00 0D")));
  EXPECT_TRUE(dailyReportOutstanding(hex("5F FD 00 0D")));
  EXPECT_TRUE(serviceClosed(hex("5F 10 00 0D")));
  EXPECT_FALSE(serviceClosed(hex("5F 10 01 00 0D")));
}

TEST(ReplyParser, ArticleRepliesOfEveryLayout) {
  const QByteArray kafaBarcode = hex("F8 60 00 00 00 00 17");
  const struct {
    const char *what;
    int model;
    QByteArray frame;
    int broj;
    QString naziv;
    double cena;
    int grupa;
    QString barkod;
  } cases[] = {
      {"family 1: printable bytes only, then converted", 1,
       longReply(0x73, 56,
                 {{9, hex("05 00")},
                  {11, hex("5E 41 48 01 FF 20 5B")},
                  {47, hex("FF")},
                  {48, kafaBarcode},
                  {55, hex("12 01")},
                  {57, hex("40 1F 00 00")}}),
       5, QStringLiteral("ŠAH Đ"), 80.0, 2, QStringLiteral("8600000000017")},
      {"family 1: first byte FF is an empty slot", 5,
       longReply(0x73, 56, {{9, hex("06 00")}, {11, hex("FF 41 42")}, {48, QByteArray(7, '\xFF')}}), 6,
       QString(), 0.0, 0, QString()},
      {"model 2: two halves, no conversion", 2,
       shortReply(0x80, 52,
                  {{3, hex("00 07")},
                   {5, QByteArray("KAFA\0XX", 7)},
                   {23, QByteArray(" [AJ")},
                   {43, hex("10 27 00 00")},
                   {47, hex("03")},
                   {48, hex("86 00 00 00 00 01 7F")}}),
       7, QStringLiteral("KAFA ŠAJ"), 100.0, 3, QStringLiteral("8600000000017")},
      {"model 3: two lines, converted, split price", 3,
       longReply(0x16, 54,
                 {{9, hex("2C 01")},
                  {11, QByteArray("CAJ")},
                  {30, hex("20 5E 41 48")},
                  {50, hex("04")},
                  {51, hex("50 00 00 00 2D")},
                  {56, hex("59 01 23 41 23 45 7F")}}),
       300, QStringLiteral("CAJ ŠAH"), 80.45, 4, QStringLiteral("5901234123457")},
      {"family 4: up to the first zero, no conversion", 4,
       shortReply(0x84, 49,
                  {{3, hex("60 EA")},
                   {5, QByteArray("SOK\0ZZ", 6)},
                   {39, hex("E8 03 00 00")},
                   {44, hex("01")},
                   {45, kafaBarcode}}),
       60000, QStringLiteral("SOK"), 10.0, 1, QStringLiteral("8600000000017")},
      {"family 4: number 0 ends the walk", 4, shortReply(0x84, 49, {}), 0, QString(), 0.0, 0,
       QStringLiteral("0000000000000")},
      {"family 4: a bare frame reads as nothing", 4, hex("5F 84 00 0D"), 0, QString(), 0.0, 0, QString()},
  };
  for (const auto &c : cases) {
    const DeviceArticle a = article(c.model, c.frame);
    EXPECT_EQ(a.broj, c.broj) << c.what;
    EXPECT_EQ(a.naziv, c.naziv) << c.what;
    EXPECT_DOUBLE_EQ(a.cena, c.cena) << c.what;
    EXPECT_EQ(a.poreskaGrupa, c.grupa) << c.what;
    EXPECT_EQ(a.barkod, c.barkod) << c.what;
  }
}

TEST(ReplyParser, OperatorsAndTaxRates) {
  const DeviceOperator o1 = operatorFamily1(longReply(
      0x75, 24, {{9, hex("03")}, {10, QByteArray("PERA ") + hex("7E 01")}, {29, hex("39 30 00 00")}}));
  EXPECT_EQ(o1.broj, 3);
  EXPECT_FALSE(o1.empty);
  EXPECT_EQ(o1.naziv, QStringLiteral("PERA š"));
  EXPECT_EQ(o1.sifra, 12345);
  EXPECT_TRUE(operatorFamily1(longReply(0x75, 24, {{9, hex("04 FF")}})).empty);

  const DeviceOperator o4 =
      operatorFamily4(shortReply(0x90, 33, {{3, hex("02")}, {4, QByteArray("MIKA\0X", 6)}}));
  EXPECT_EQ(o4.broj, 2);
  EXPECT_EQ(o4.naziv, QStringLiteral("MIKA"));
  EXPECT_TRUE(operatorFamily4(shortReply(0x90, 33, {{3, hex("05 FF FF")}})).empty);
  EXPECT_FALSE(operatorFamily4(shortReply(0x90, 33, {{3, hex("05 FF 41")}})).empty);

  const DeviceTaxRate r1 = taxRateFamily1(longReply(0x6B, 5, {{9, hex("02")}, {12, hex("08 07")}}));
  EXPECT_EQ(r1.index, 2);
  EXPECT_TRUE(r1.defined);
  EXPECT_EQ(r1.hundredths, 1800);
  const DeviceTaxRate undefined = taxRateFamily1(longReply(0x6B, 5, {{9, hex("03")}, {12, hex("FF FF")}}));
  EXPECT_FALSE(undefined.defined);
  EXPECT_EQ(undefined.hundredths, 0);

  const auto rates =
      taxRatesFamily4(shortReply(0x70, 18, {{3, hex("08 07 0A 00 10 27 0F 27")}, {19, hex("FF FF")}}));
  EXPECT_EQ(rates[0].hundredths, 1800);
  EXPECT_EQ(rates[1].hundredths, 10);
  EXPECT_FALSE(rates[2].defined); // 10000
  EXPECT_EQ(rates[2].hundredths, 0);
  EXPECT_TRUE(rates[3].defined); // 9999
  EXPECT_EQ(rates[3].hundredths, 9999);
  EXPECT_FALSE(rates[8].defined);
  EXPECT_EQ(rates[8].index, 8);
}

TEST(ReplyParser, ArticleWriteAcknowledgements) {
  const struct {
    int model;
    QByteArray frame;
    bool ack;
  } cases[] = {
      {1, longReply(0x74, 3, {}), true},
      {5, longReply(0x74, 0, {}), true},
      {1, longReply(0x1F, 2, {}), false},
      {2, hex("5F 85 00 0D"), true},
      {2, longReply(0x20, 1, {}), false},
      {3, longReply(0x20, 1, {{9, hex("00")}}), true},
      {4, longReply(0x20, 7, {{9, hex("FF")}, {15, hex("13")}}), true},
      {4, longReply(0x25, 7, {{9, hex("FF")}, {15, hex("13")}}), true},
      {4, longReply(0x20, 7, {{9, hex("FF")}, {15, hex("0F")}}), false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(articleWriteAck(c.model, c.frame), c.ack) << c.model << " " << c.frame.toHex().constData();
}
