#include "device/devicecommands.h"
#include "device/framecodec.h"
#include "device/sendsequence.h"

#include <gtest/gtest.h>

using namespace FrameCodec;

namespace {
QByteArray hex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
QString hexOf(const QByteArray &bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
} // namespace

TEST(FrameCodec, WholeFramesMatchTheDocumentedBytes) {
  struct Case {
    const char *what;
    int model;
    int seq;
    QByteArray (*build)(const DeviceCommands &);
    const char *bytes;
  };
  const Case cases[] = {
      {"status request, model 4", 4, 0x00, [](const DeviceCommands &c) { return c.GetStatus().bytes; },
       "AA 04 01 12 34 50 00 0D 00 52 D4 0D"},
      {"drawer, model 4", 4, 0x02, [](const DeviceCommands &c) { return c.OtvoriFioku().bytes; },
       "AA 04 01 12 34 50 02 15 02 64 00 C2 A8 0D"},
      {"drawer, model 1", 1, 0x04, [](const DeviceCommands &c) { return c.OtvoriFioku().bytes; },
       "AA 01 11 12 34 50 04 29 00 7F E1 0D"},
      {"drawer, model 5", 5, 0x04, [](const DeviceCommands &c) { return c.OtvoriFioku().bytes; },
       "AA 01 11 12 34 50 04 29 00 7F E1 0D"},
  };
  for (const auto &c : cases) {
    const DeviceCommands cmds(c.model, QStringLiteral("123450"), static_cast<quint8>(c.seq));
    EXPECT_EQ(hexOf(c.build(cmds)), QString::fromLatin1(c.bytes)) << c.what;
  }
}

TEST(FrameCodec, ChecksumsCoverStartThroughLastPayloadByteOnly) {
  // Payload bytes chosen so that a range one byte short or one byte long changes both sums.
  const QByteArray payload = hex("0D AA 5F 01 FE");
  const QByteArray f = longFrame(0x04, 0x01, QStringLiteral("123450"), 0x07, 0x05, payload);
  ASSERT_EQ(f.size(), payload.size() + 12);
  const int last = 8 + payload.size();
  quint8 sum = 0, x = 0;
  for (int i = 0; i <= last; ++i) {
    sum += static_cast<quint8>(f[i]);
    x ^= static_cast<quint8>(f[i]);
  }
  EXPECT_EQ(static_cast<quint8>(f[last + 1]), sum);
  EXPECT_EQ(static_cast<quint8>(f[last + 2]), x);
  EXPECT_EQ(static_cast<quint8>(f[last + 3]), 0x0D);
  EXPECT_NE(CRC1(last - 1, f), sum);
  EXPECT_NE(CRC1(last + 1, f), sum);
  EXPECT_NE(CRC2(last - 1, f), x);
  // An empty payload: 12 bytes, checksums over bytes 0 to 8.
  const QByteArray empty = longFrame(0x01, 0x11, QStringLiteral("1"), 0, 0x29, {});
  ASSERT_EQ(empty.size(), 12);
  EXPECT_EQ(static_cast<quint8>(empty[9]), CRC1(8, empty));
  EXPECT_EQ(static_cast<quint8>(empty[10]), CRC2(8, empty));
}

TEST(FrameCodec, RegisterNumberPacking) {
  const struct {
    const char *ibfm;
    const char *bytes;
  } cases[] = {
      {"123450", "12 34 50"}, {"4711", "00 47 11"},     {"1234", "00 12 34"},
      {"001234", "00 12 34"}, {"12345678", "12 34 56"}, {"", "00 00 00"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(hexOf(FabrickiBrojToBCD(QString::fromLatin1(c.ibfm))), QString::fromLatin1(c.bytes)) << c.ibfm;
}

TEST(FrameCodec, NumbersQuantitiesPricesAndSplitAmounts) {
  const struct {
    const char *what;
    QByteArray got;
    const char *bytes;
  } cases[] = {
      {"LE16 60000", LE16(60000), "60 EA"},
      {"BE16 5", BE16(5), "00 05"},
      {"LE32 240301", LE32(240301), "AD AA 03 00"},
      {"LE32 240331", LE32(240331), "CB AA 03 00"},
      {"quantity 2.5", quantity(2.5), "C4 09 00 00"},
      {"void quantity -2.5 loses its sign", quantity(-2.5), "C4 09 00 00"},
      {"quantity tie to even 0.0625", quantity(0.0625), "3E 00 00 00"},
      {"quantity tie to even 0.1875", quantity(0.1875), "BC 00 00 00"},
      {"price tie to even 0.125", price(0.125), "0C 00 00 00"},
      {"price tie to even 0.375", price(0.375), "26 00 00 00"},
      {"price 80.00", price(80.0), "40 1F 00 00"},
      {"price 13 para (a 0x0D byte)", price(0.13), "0D 00 00 00"},
      {"split amount 123.45", Suma(123.45), "7B 00 00 00 2D"},
      {"split amount 0.07", Suma(0.07), "00 00 00 00 07"},
      {"split amount 80", Suma(80.0), "50 00 00 00 00"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(hexOf(c.got), QString::fromLatin1(c.bytes)) << c.what;

  QByteArray frame(12, '\0');
  Suma(123.45, 10, frame);
  EXPECT_EQ(hexOf(frame.mid(11, 5)), QStringLiteral("7B 00 00 00 2D"));
  EXPECT_EQ(frame.size(), 16);
  EXPECT_EQ(frame[10], '\0');
}

TEST(FrameCodec, BarcodePackingFromEachSide) {
  const struct {
    const char *what;
    QByteArray got;
    const char *bytes;
  } cases[] = {
      {"right-aligned 13 digits start with F", BarkodToBCD(QStringLiteral("5901234123457")),
       "F5 90 12 34 12 34 57"},
      {"left-aligned 13 digits end with F", BarkodToBCDLeft(QStringLiteral("5901234123457")),
       "59 01 23 41 23 45 7F"},
      {"right-aligned empty is all F", BarkodToBCD(QString()), "FF FF FF FF FF FF FF"},
      {"right-aligned cut to 14", BarkodToBCD(QStringLiteral("123456789012345678")), "12 34 56 78 90 12 34"},
      {"left-aligned short", BarkodToBCDLeft(QStringLiteral("86")), "86 FF FF FF FF FF FF"},
      {"no barcode right", barcodeRight(QStringLiteral("0000000000000")), "FF FF FF FF FF FF FF"},
      {"no barcode with spaces", barcodeRight(QStringLiteral("  0000000000000 ")), "FF FF FF FF FF FF FF"},
      {"no barcode left", barcodeLeft(QStringLiteral("0000000000000")), "FF FF FF FF FF FF FF"},
      {"twelve zeros are a barcode", barcodeRight(QStringLiteral("000000000000")), "FF 00 00 00 00 00 00"},
      {"right-aligned through the rule", barcodeRight(QStringLiteral("8600000000017")),
       "F8 60 00 00 00 00 17"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(hexOf(c.got), QString::fromLatin1(c.bytes)) << c.what;
}

TEST(FrameCodec, BarcodeDecoding) {
  const struct {
    const char *bytes;
    const char *text;
  } cases[] = {
      {"F5 90 12 34 12 34 57", "5901234123457"},
      {"59 01 23 41 23 45 7F", "5901234123457"},
      {"FF FF FF FF FF FF FF", ""},
      {"12 34 56 78 90 12 34", "2345678901234"}, // 14 digits: the first is dropped
      {"F8 60 00 00 00 00 17", "8600000000017"},
      {"AB CD EF 1F FF FF F2", "12"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(BCDToBarkod(hex(c.bytes)), QString::fromLatin1(c.text)) << c.bytes;
  EXPECT_EQ(BCDToBarkod(hex("12")), QStringLiteral("12")); // fewer than 7 bytes are not read past
}

TEST(FrameCodec, StoredCopiesAndTheirLength) {
  const QByteArray frame = hex("AA 04 01 12 34 50 02 15 02 64 00 C2 A8 0D");
  const QByteArray area = workArea(frame);
  ASSERT_EQ(area.size(), WorkAreaSize);
  EXPECT_EQ(StoredFrameLength(area), frame.size());
  EXPECT_EQ(area.left(frame.size()), frame);
  EXPECT_EQ(StoredFrameLength(QByteArray(WorkAreaSize, '\0')), 0);
  QByteArray full(WorkAreaSize + 5, '\x01'); // bytes past the work area do not count
  EXPECT_EQ(StoredFrameLength(full), WorkAreaSize);
  const QByteArray shortFrame5F = shortFrame(0x10, {});
  EXPECT_EQ(StoredFrameLength(workArea(shortFrame5F)), 4);
}

TEST(FrameCodec, SequenceByteStepsByTwoAndWraps) {
  SendSequence seq;
  seq.seed(255);
  EXPECT_EQ(seq.byte(), 0xFF);
  const DeviceCommands before(4, QStringLiteral("123450"), seq.byte());
  EXPECT_EQ(static_cast<quint8>(before.GetStatus().bytes[6]), 0xFF);
  seq.advance();
  EXPECT_EQ(seq.byte(), 0x01);
  const DeviceCommands after(4, QStringLiteral("123450"), seq.byte());
  EXPECT_EQ(static_cast<quint8>(after.GetStatus().bytes[6]), 0x01);
  for (int i = 0; i < 100; ++i) {
    seq.seedRandom();
    EXPECT_GE(seq.SendSeq, 1u);
    EXPECT_LE(seq.SendSeq, 49u);
  }
}

TEST(FrameCodec, ReadingPastTheEndGivesZero) {
  const QByteArray f = hex("5F 20 00 0D");
  EXPECT_EQ(byteAt(f, 79), 0);
  EXPECT_EQ(byteAt(f, -1), 0);
  EXPECT_EQ(readLE32(f, 2), 0x0D00);
  EXPECT_EQ(readBE32(f, 0), 0x5F20000Du);
}
