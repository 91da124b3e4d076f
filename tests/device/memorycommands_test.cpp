#include "device/framecodec.h"
#include "device/memorycommands.h"

#include <gtest/gtest.h>

namespace {
QByteArray hex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
QString hexOf(const QByteArray &bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
MemoryCommands memory(int model, quint8 seq = 0x20) {
  return MemoryCommands(model, QStringLiteral("123450"), seq);
}
DeviceArticleWrite kafa() {
  return {5, QStringLiteral("KAFA"), 80.0, 2, QStringLiteral("8600000000017")};
}
QByteArray zeros(int n) {
  return QByteArray(n, '\0');
}
} // namespace

TEST(MemoryCommands, ArticleWritePerFamily) {
  const struct {
    int model;
    int length;
    CopyKind copy;
    int payloadStart;
    QByteArray payload;
  } cases[] = {
      {1, 68, CopyKind::ServiceAndReceiptCopy, 9,
       hex("05 00") + "KAFA" + zeros(32) + hex("FF F8 60 00 00 00 00 17 02 01 40 1F 00 00 00 00 00 00")},
      {5, 68, CopyKind::ServiceAndReceiptCopy, 9,
       hex("05 00") + "KAFA" + zeros(32) + hex("FF F8 60 00 00 00 00 17 02 01 40 1F 00 00 00 00 00 00")},
      {2, 56, CopyKind::ServiceShortCopy, 3,
       hex("00 05") + "KAFA" + zeros(33) + hex("00 40 1F 00 00 02 86 00 00 00 00 01 7F")},
      {3, 66, CopyKind::ServiceAndReceiptCopy, 9,
       hex("05 00") + "KAFA" + zeros(14) + hex("00") + zeros(18) +
           hex("00 00 02 50 00 00 00 00 86 00 00 00 00 01 7F")},
      {4, 60, CopyKind::ServiceCopy, 9,
       hex("05 00 F8 60 00 00 00 00 17") + "KAFA" + zeros(28) + hex("00 40 1F 00 00 02 01")},
  };
  for (const auto &c : cases) {
    const DeviceCommand cmd = memory(c.model).UpisArtikla(kafa());
    ASSERT_EQ(cmd.bytes.size(), c.length) << "model " << c.model;
    EXPECT_EQ(cmd.copy, c.copy) << "model " << c.model;
    EXPECT_EQ(hexOf(cmd.bytes.mid(c.payloadStart, c.payload.size())), hexOf(c.payload))
        << "model " << c.model;
    EXPECT_EQ(c.payloadStart + c.payload.size() + (c.payloadStart == 9 ? 3 : 1), c.length);
  }
  EXPECT_EQ(static_cast<quint8>(memory(1).UpisArtikla(kafa()).bytes[7]), 0x74);
  EXPECT_EQ(static_cast<quint8>(memory(2).UpisArtikla(kafa()).bytes[1]), 0x85);
  EXPECT_EQ(static_cast<quint8>(memory(3).UpisArtikla(kafa()).bytes[7]), 0x15);
  EXPECT_EQ(static_cast<quint8>(memory(4).UpisArtikla(kafa()).bytes[7]), 0x13);
}

TEST(MemoryCommands, ArticleNamesAreConvertedCutAndPlaced) {
  DeviceArticleWrite a = kafa();
  // Family 1 converts to its own set.
  a.naziv = QStringLiteral("ŠAH");
  EXPECT_EQ(hexOf(memory(1).UpisArtikla(a).bytes.mid(11, 4)), QStringLiteral("5E 41 48 00"));
  EXPECT_EQ(hexOf(memory(4).UpisArtikla(a).bytes.mid(18, 4)), QStringLiteral("5B 41 48 00"));
  EXPECT_EQ(hexOf(memory(2).UpisArtikla(a).bytes.mid(5, 4)), QStringLiteral("5B 41 48 00"));

  // An empty family-1 name: thirty-seven 0xFF bytes at 11-47.
  a.naziv.clear();
  const QByteArray empty = memory(1).UpisArtikla(a).bytes;
  EXPECT_EQ(empty.mid(11, 37), QByteArray(37, '\xFF'));
  EXPECT_EQ(hexOf(empty.mid(48, 7)), QStringLiteral("F8 60 00 00 00 00 17"));

  // Too long names are cut to the field; the 0xFF, barcode and price stay where they belong.
  a.naziv = QString(60, QLatin1Char('N'));
  const QByteArray f1 = memory(1).UpisArtikla(a).bytes;
  ASSERT_EQ(f1.size(), 68);
  EXPECT_EQ(hexOf(f1.mid(9, 56)), hexOf(hex("05 00") + QByteArray(36, 'N') +
                                        hex("FF F8 60 00 00 00 00 17 02 01 40 1F 00 00 00 00 00 00")));
  const QByteArray f2 = memory(2).UpisArtikla(a).bytes;
  ASSERT_EQ(f2.size(), 56);
  EXPECT_EQ(f2.mid(5, 37), QByteArray(36, 'N') + zeros(1));
  EXPECT_EQ(f2[42], '\0');
  const QByteArray f4 = memory(4).UpisArtikla(a).bytes;
  ASSERT_EQ(f4.size(), 60);
  EXPECT_EQ(f4.mid(18, 33), QByteArray(32, 'N') + zeros(1));

  // Model 3: two lines of 18, each followed by a zero byte.
  a.naziv = QStringLiteral("ABCDEFGHIJKLMNOPQRstuvwxyz0123456789");
  const QByteArray f3 = memory(3).UpisArtikla(a).bytes;
  EXPECT_EQ(f3.mid(11, 19), QByteArray("ABCDEFGHIJKLMNOPQR") + zeros(1));
  EXPECT_EQ(f3.mid(30, 19), QByteArray("stuvwxyz0123456789") + zeros(1));
}

TEST(MemoryCommands, NoBarcodeAndNegativePrices) {
  DeviceArticleWrite a = kafa();
  a.barkod = QStringLiteral(" 0000000000000  ");
  EXPECT_EQ(memory(1).UpisArtikla(a).bytes.mid(48, 7), QByteArray(7, '\xFF'));
  EXPECT_EQ(memory(2).UpisArtikla(a).bytes.mid(48, 7), QByteArray(7, '\xFF'));
  EXPECT_EQ(memory(3).UpisArtikla(a).bytes.mid(56, 7), QByteArray(7, '\xFF'));
  EXPECT_EQ(memory(4).UpisArtikla(a).bytes.mid(11, 7), QByteArray(7, '\xFF'));
  a.barkod.clear();
  EXPECT_EQ(memory(1).UpisArtikla(a).bytes.mid(48, 7), QByteArray(7, '\xFF'));
  EXPECT_EQ(memory(4).UpisArtikla(a).bytes.mid(11, 7), QByteArray(7, '\xFF'));

  a.cena = -1;
  const DeviceCommand refused = memory(2).UpisArtikla(a);
  EXPECT_TRUE(refused.isEmpty());
  EXPECT_EQ(refused.error, QStringLiteral("Greska u podacima"));
  EXPECT_EQ(refused.errorTitle, QStringLiteral("Greska!!!"));
  EXPECT_FALSE(memory(4).UpisArtikla(a).isEmpty());
}

TEST(MemoryCommands, ReadsQueriesAndServiceFrames) {
  const QDateTime now(QDate(2024, 3, 25), QTime(10, 30));
  const struct {
    const char *what;
    DeviceCommand cmd;
    const char *bytes; // whole frame for short frames; payload for long ones
    int code;
    CopyKind copy;
  } cases[] = {
      {"family-1 article read", memory(1).CitanjeArtikla(704), "C0 02", 0x73, CopyKind::ServiceCopy},
      {"model-2 article read uses the counter", memory(2).CitanjeArtikla(704, 4), "5F 80 02 00 05 0D", 0x80,
       CopyKind::ServiceShortCopy},
      {"model-3 article read", memory(3).CitanjeArtikla(300), "2C 01", 0x14, CopyKind::ServiceCopy},
      {"model-3 first article", memory(3).CitanjeArtiklaMenko(), "01 00", 0x14, CopyKind::ServiceCopy},
      {"model-2 detection read", memory(2).CitanjeArtiklaMenko(), "01 00", 0x14, CopyKind::ServiceCopy},
      {"family-4 article read", memory(4).CitanjeArtikla(60000), "5F 82 02 60 EA 0D", 0x82,
       CopyKind::ServiceCopy},
      {"family-4 next article", memory(4).CitajSledeci(), "5F 84 00 0D", 0x84, CopyKind::ServiceCopy},
      {"emptying the article memory", memory(4).IsprazniStampac(1, 60000), "01 00 60 EA", 0x0F,
       CopyKind::ServiceCopy},
      {"family-1 operator", memory(1).CitanjeOperatera(3), "03", 0x75, CopyKind::ServiceCopy},
      {"family-4 operator", memory(4).CitanjeOperatera(3), "5F 90 01 03 0D", 0x90, CopyKind::ServiceCopy},
      {"family-1 tax rate", memory(1).CitanjeStopa(2), "02", 0x6B, CopyKind::ServiceCopy},
      {"family-4 tax rates", memory(4).CitanjeStopa(2), "5F 70 00 0D", 0x70, CopyKind::ServiceCopy},
      {"open the service", memory(2).OtvoriServis(), "5F 00 02 02 11 0D", 0x00, CopyKind::ServiceShortCopy},
      {"service information", memory(2).InfoServis(), "5F 20 00 0D", 0x20, CopyKind::ServiceShortCopy},
      {"close the service", memory(2).ZatvoriServis(), "5F 10 00 0D", 0x10, CopyKind::ServiceShortCopy},
  };
  for (const auto &c : cases) {
    ASSERT_FALSE(c.cmd.isEmpty()) << c.what;
    EXPECT_EQ(c.cmd.copy, c.copy) << c.what;
    EXPECT_TRUE(c.cmd.armsTimer) << c.what;
    if (static_cast<quint8>(c.cmd.bytes[0]) == 0x5F) {
      EXPECT_EQ(hexOf(c.cmd.bytes), QString::fromLatin1(c.bytes)) << c.what;
      EXPECT_EQ(static_cast<quint8>(c.cmd.bytes[1]), c.code) << c.what;
    } else {
      const QByteArray payload = hex(c.bytes);
      EXPECT_EQ(c.cmd.bytes.size(), payload.size() + 12) << c.what;
      EXPECT_EQ(static_cast<quint8>(c.cmd.bytes[7]), c.code) << c.what;
      EXPECT_EQ(hexOf(c.cmd.bytes.mid(9, payload.size())), hexOf(payload)) << c.what;
    }
  }

  const DeviceCommand login = memory(3, 0x44).PrijavaZaArtikle(now);
  ASSERT_EQ(login.bytes.size(), 37);
  EXPECT_EQ(static_cast<quint8>(login.bytes[6]), 0x01); // not the running sequence byte
  EXPECT_EQ(hexOf(login.bytes.mid(9, 3)), QStringLiteral("01 64 64"));
  EXPECT_EQ(hexOf(login.bytes.mid(29, 5)), QStringLiteral("E8 03 19 0A 1E"));
  EXPECT_EQ(login.copy, CopyKind::ServiceCopy);
}

TEST(MemoryCommands, NothingForFamiliesWithoutTheCommand) {
  for (int model : {1, 2, 3, 5}) {
    EXPECT_TRUE(memory(model).IsprazniStampac(1, 10).isEmpty()) << model;
    EXPECT_TRUE(memory(model).CitajSledeci().isEmpty()) << model;
  }
  for (int model : {2, 3}) {
    EXPECT_TRUE(memory(model).CitanjeOperatera(1).isEmpty()) << model;
    EXPECT_TRUE(memory(model).CitanjeStopa(1).isEmpty()) << model;
  }
  for (int model : {1, 4, 5}) {
    EXPECT_TRUE(memory(model).OtvoriServis().isEmpty()) << model;
    EXPECT_TRUE(memory(model).PrijavaZaArtikle(QDateTime::currentDateTime()).isEmpty()) << model;
    EXPECT_TRUE(memory(model).CitanjeArtiklaMenko().isEmpty()) << model;
  }
}
