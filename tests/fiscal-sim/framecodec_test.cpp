#include "devicetext.h"
#include "simfixture.h"

using namespace simtest;
using namespace sim;

TEST(FrameCodec, BuildsTheProtocolExamples) {
  const QByteArray reg = codec::registerToBcd(QStringLiteral("123450"));
  EXPECT_EQ(reg, hex("12 34 50"));
  EXPECT_EQ(codec::registerToBcd(QStringLiteral("4711")), hex("00 47 11"));
  EXPECT_EQ(codec::longFrame(0x04, 0x01, reg, 0x00, 0x0D, {}), hex("AA 04 01 12 34 50 00 0D 00 52 D4 0D"));
  EXPECT_EQ(codec::longFrame(0x04, 0x01, reg, 0x02, 0x15, hex("64 00")),
            hex("AA 04 01 12 34 50 02 15 02 64 00 C2 A8 0D"));
  EXPECT_EQ(codec::longFrame(0x01, 0x11, reg, 0x04, 0x29, {}), hex("AA 01 11 12 34 50 04 29 00 7F E1 0D"));
  EXPECT_EQ(codec::shortFrame(0x10, {}), hex("5F 10 00 0D"));
}

TEST(FrameCodec, NumberAndBarcodePackings) {
  QByteArray b(5, '\0');
  codec::putSplitAmount(b, 0, 12345);
  EXPECT_EQ(b, hex("7B 00 00 00 2D"));
  EXPECT_EQ(codec::splitAmount(b, 0), 12345);
  EXPECT_EQ(codec::barcodeRight(QStringLiteral("5901234123457")), hex("F5 90 12 34 12 34 57"));
  EXPECT_EQ(codec::barcodeLeft(QStringLiteral("5901234123457")), hex("59 01 23 41 23 45 7F"));
  EXPECT_EQ(codec::barcodeRight(QString()), hex("FF FF FF FF FF FF FF"));
  for (const char *packed : {"F5 90 12 34 12 34 57", "59 01 23 41 23 45 7F"})
    EXPECT_EQ(codec::bcdToBarcode(hex(packed), 0), QStringLiteral("5901234123457"));
  EXPECT_EQ(codec::bcdToBarcode(hex("FF FF FF FF FF FF FF"), 0), QString());
  EXPECT_EQ(codec::bcdToBarcode(hex("12 34 56 78 90 12 34"), 0), QStringLiteral("2345678901234"));
}

TEST(FrameCodec, ReceiverFindsFramesByDeclaredLength) {
  const QByteArray status = hex("AA 04 01 12 34 50 00 0D 00 52 D4 0D");
  // A payload full of bytes that look like frame marks.
  const QByteArray tricky = longFrame(0x04, 0x01, kRegister, 3, 0x05, hex("0D AA 5F 0D 00"));
  const QByteArray bad = QByteArray(status).replace(9, 1, hex("53"));
  struct Case {
    const char *what;
    QList<QByteArray> pieces;
    QList<QByteArray> frames;
  };
  const QList<Case> cases = {
      {"whole frame", {status}, {status}},
      {"one byte at a time",
       [&] {
         QList<QByteArray> p;
         for (char c : status)
           p.append(QByteArray(1, c));
         return p;
       }(),
       {status}},
      {"garbage first", {hex("0D 01 02") + status}, {status}},
      {"stray 0D between frames", {status + hex("0D") + tricky}, {status, tricky}},
      {"payload with 0D, AA and 5F", {tricky.left(10), tricky.mid(10)}, {tricky}},
      {"bad checksum, then a good frame", {bad + status}, {status}},
      {"length past any frame", {hex("AA 04 01 12 34 50 00 0D F0") + status}, {status}},
      {"short frames",
       {hex("5F 20 00 0D 5F 82 02 01 00 0D")},
       {hex("5F 20 00 0D"), hex("5F 82 02 01 00 0D")}},
      {"incomplete frame", {status.left(11)}, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    FrameReceiver r;
    QList<QByteArray> got;
    Frame f;
    for (const QByteArray &piece : c.pieces) {
      r.feed(piece);
      while (r.next(f))
        got.append(f.bytes);
    }
    EXPECT_EQ(got, c.frames);
  }
}

TEST(DeviceText, Family1ConversionOfTheExamples) {
  struct Case {
    const char *program, *device;
  };
  const Case cases[] = {{"5B 41 48", "5E 41 48"},                   // ŠAH
                        {"8A E8 9A E0 ED E0", "9F A8 BF A0 AD A0"}, // Љиљана
                        {"C9 41 30 7A", "C9 41 30 7A"},             // Й and plain text pass
                        {"40 5C 60 7C B9", "5F 5B 7F 7B 60"}};
  for (const Case &c : cases) {
    EXPECT_EQ(devicetext::toFamily1(hex(c.program)), hex(c.device)) << c.program;
    EXPECT_EQ(devicetext::fromFamily1(hex(c.device)), hex(c.program)) << c.device;
  }
  EXPECT_EQ(devicetext::fromProgramBytes(hex("8A E8 9A E0 ED E0")), QString::fromUtf8("Љиљана"));
  EXPECT_EQ(devicetext::fromProgramBytes(hex("5B 41 48 7E")), QString::fromUtf8("ŠAHč"));
  EXPECT_EQ(devicetext::toProgramBytes(QString::fromUtf8("Đorđe Ж€")), hex("5C 6F 72 7C 65 20 C6 88"));
  EXPECT_EQ(devicetext::toProgramBytes(QString::fromUtf8("ä@")), QByteArray("??"));
}
