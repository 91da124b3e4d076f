#include "device/devicecommands.h"
#include "device/framecodec.h"

#include <gtest/gtest.h>

#include <functional>

namespace {
QString hexOf(const QByteArray &bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
DeviceCommands commands(int model, quint8 seq = 0x10) {
  return DeviceCommands(model, QStringLiteral("123450"), seq);
}
SaleLine sale(bool storno = false) {
  SaleLine l;
  l.storno = storno;
  l.sifraUKasi = 15;
  l.sifra = QStringLiteral("15");
  l.barkod = QStringLiteral("5901234123457");
  l.kolicina = Quantity(storno ? -2.5 : 2.5);
  l.cena = Money(80.0);
  l.naziv = QStringLiteral("KAFA");
  l.poreskaGrupa = 2;
  return l;
}
const QDateTime kNow(QDate(2024, 3, 25), QTime(10, 30));

using Build = std::function<DeviceCommand(const DeviceCommands &)>;
struct Op {
  const char *name;
  Build build;
};
const Op kOps[] = {
    {"Prijava",
     [](const DeviceCommands &c) {
       return c.Prijava({3, kNow.date(), kNow.time()});
     }},
    {"PrijavaOperatera", [](const DeviceCommands &c) { return c.PrijavaOperatera(7, kNow); }},
    {"ProdajaArt", [](const DeviceCommands &c) { return c.ProdajaArt(sale()); }},
    {"ProdajaArt void", [](const DeviceCommands &c) { return c.ProdajaArt(sale(true)); }},
    {"PonistiArt", [](const DeviceCommands &c) { return c.PonistiArt(sale(true)); }},
    {"Placanje",
     [](const DeviceCommands &c) {
       return c.Placanje({0, Money(123.45)});
     }},
    {"KrajRacuna", [](const DeviceCommands &c) { return c.KrajRacuna(); }},
    {"StornirajRacun", [](const DeviceCommands &c) { return c.StornirajRacun(); }},
    {"OtvoriFioku", [](const DeviceCommands &c) { return c.OtvoriFioku(); }},
    {"GetStatus", [](const DeviceCommands &c) { return c.GetStatus(); }},
    {"GetFMInfo", [](const DeviceCommands &c) { return c.GetFMInfo(); }},
    {"CitanjeFM", [](const DeviceCommands &c) { return c.CitanjeFM(); }},
    {"CitanjeFMMenko", [](const DeviceCommands &c) { return c.CitanjeFMMenko(); }},
    {"Izvestaj", [](const DeviceCommands &c) { return c.Izvestaj(0, {}, {}, kNow.date()); }},
    {"IsprazniTotal", [](const DeviceCommands &c) { return c.IsprazniTotal(); }},
    {"FreeTextBegin", [](const DeviceCommands &c) { return c.FreeTextBegin(); }},
    {"FreeTextPrint", [](const DeviceCommands &c) { return c.FreeTextPrint(QStringLiteral("Hvala"), 1); }},
    {"FreeTextEnd", [](const DeviceCommands &c) { return c.FreeTextEnd(); }},
    {"LcdShow", [](const DeviceCommands &c) { return c.LcdShow(QStringLiteral("UKUPNO"), 0); }},
    {"LcdShow home", [](const DeviceCommands &c) { return c.LcdShow(QStringLiteral("ignored"), 2); }},
    {"IzlazPrinter", [](const DeviceCommands &c) { return c.IzlazPrinter(); }},
    {"DatumVreme", [](const DeviceCommands &c) { return c.DatumVreme(); }},
    {"Info", [](const DeviceCommands &c) { return c.Info(); }},
};

struct Expect {
  const char *op;
  int model;
  int length; // 0 = nothing is sent
  int code;
  CopyKind copy;
  int pause;
  bool empties;
};
constexpr auto R = CopyKind::ReceiptCopy;
constexpr auto S = CopyKind::ServiceCopy;
constexpr auto N = CopyKind::None;
// One row per operation and model; a model missing from the rows of an operation sends nothing.
const Expect kTable[] = {
    {"Prijava", 1, 17, 0x01, R, 0, false},
    {"Prijava", 5, 17, 0x01, R, 0, false},
    {"Prijava", 2, 37, 0x01, R, 0, false},
    {"Prijava", 3, 37, 0x01, R, 0, false},
    {"Prijava", 4, 13, 0x01, R, 0, true},
    {"PrijavaOperatera", 2, 37, 0x01, R, 0, false},
    {"PrijavaOperatera", 3, 37, 0x01, R, 0, false},
    {"PrijavaOperatera", 4, 13, 0x01, S, 0, true},
    {"ProdajaArt", 1, 25, 0x0B, R, 50, false},
    {"ProdajaArt", 5, 25, 0x05, R, 50, false},
    {"ProdajaArt", 2, 30, 0x03, R, 50, false},
    {"ProdajaArt", 3, 30, 0x03, R, 50, false},
    {"ProdajaArt", 4, 64, 0x03, R, 300, true},
    {"ProdajaArt void", 1, 25, 0x0C, R, 50, false},
    {"ProdajaArt void", 5, 25, 0x06, R, 50, false},
    {"ProdajaArt void", 2, 30, 0x04, R, 50, false},
    {"ProdajaArt void", 3, 30, 0x04, R, 50, false},
    {"ProdajaArt void", 4, 30, 0x04, R, 100, true},
    {"PonistiArt", 4, 30, 0x04, R, 100, true},
    {"Placanje", 1, 19, 0x15, R, 50, false},
    {"Placanje", 5, 19, 0x13, R, 50, false},
    {"Placanje", 2, 61, 0x09, R, 50, false},
    {"Placanje", 3, 61, 0x09, R, 50, false},
    {"Placanje", 4, 18, 0x09, R, 0, true},
    {"KrajRacuna", 2, 12, 0x0B, R, 0, true},
    {"KrajRacuna", 3, 12, 0x0B, R, 0, true},
    {"KrajRacuna", 4, 12, 0x0B, R, 0, true},
    {"StornirajRacun", 4, 12, 0x0C, R, 0, true},
    {"OtvoriFioku", 1, 12, 0x29, N, 0, false},
    {"OtvoriFioku", 5, 12, 0x29, N, 0, false},
    {"OtvoriFioku", 4, 14, 0x15, N, 0, true},
    {"GetStatus", 4, 12, 0x0D, S, 0, true},
    {"GetFMInfo", 4, 15, 0x0E, S, 0, true},
    {"CitanjeFM", 1, 14, 0x7F, N, 0, false},
    {"CitanjeFM", 5, 14, 0x7F, N, 0, false},
    {"CitanjeFMMenko", 2, 12, 0x18, R, 0, false},
    {"CitanjeFMMenko", 3, 12, 0x18, R, 0, false},
    {"Izvestaj", 4, 21, 0x08, S, 0, true},
    {"IsprazniTotal", 4, 12, 0x12, S, 0, true},
    {"FreeTextBegin", 4, 12, 0x07, S, 0, true},
    {"FreeTextPrint", 4, 45, 0x05, S, 100, true},
    {"FreeTextEnd", 4, 12, 0x06, S, 0, true},
    {"LcdShow", 4, 33, 0x1D, S, 0, true},
    {"LcdShow home", 4, 13, 0x1D, S, 0, true},
    {"IzlazPrinter", 5, 12, 0x1F, N, 0, false},
    {"DatumVreme", 4, 4, 0x60, S, 0, true},
    {"Info", 4, 4, 0x20, S, 0, true},
};
} // namespace

TEST(DeviceCommands, EveryOperationForEveryModel) {
  for (const Op &op : kOps) {
    for (int model = 1; model <= 5; ++model) {
      const Expect *row = nullptr;
      for (const Expect &e : kTable)
        if (QByteArray(e.op) == op.name && e.model == model)
          row = &e;
      const DeviceCommand c = op.build(commands(model));
      const QString where = QStringLiteral("%1, model %2").arg(QString::fromLatin1(op.name)).arg(model);
      if (!row) {
        EXPECT_TRUE(c.isEmpty()) << where.toStdString() << ": " << hexOf(c.bytes).toStdString();
        continue;
      }
      ASSERT_EQ(c.bytes.size(), row->length) << where.toStdString();
      const bool isShort = static_cast<quint8>(c.bytes[0]) == 0x5F;
      EXPECT_EQ(static_cast<quint8>(c.bytes[isShort ? 1 : 7]), row->code) << where.toStdString();
      EXPECT_EQ(c.copy, row->copy) << where.toStdString();
      EXPECT_EQ(c.pauseMs, row->pause) << where.toStdString();
      EXPECT_EQ(c.emptiesRxBuf, row->empties) << where.toStdString();
      EXPECT_EQ(static_cast<quint8>(c.bytes.back()), 0x0D) << where.toStdString();
      // Only the drawer and leaving printer mode run without the watchdog.
      const bool unguarded = QByteArray(op.name) == "OtvoriFioku" || QByteArray(op.name) == "IzlazPrinter";
      EXPECT_EQ(c.armsTimer, !unguarded) << where.toStdString();
      if (!isShort) {
        const quint8 fam = QByteArray(op.name) == "IzlazPrinter" ? 0x05
                           : model == 4                          ? 0x04
                           : model == 2 || model == 3            ? 0x02
                                                                 : 0x01;
        EXPECT_EQ(static_cast<quint8>(c.bytes[1]), fam) << where.toStdString();
        EXPECT_EQ(static_cast<quint8>(c.bytes[2]), model == 4 ? 0x01 : 0x11) << where.toStdString();
        EXPECT_EQ(hexOf(c.bytes.mid(3, 3)), QStringLiteral("12 34 50"));
        EXPECT_EQ(static_cast<quint8>(c.bytes[6]), 0x10) << where.toStdString();
        EXPECT_EQ(static_cast<quint8>(c.bytes[8]) + 12, c.bytes.size()) << where.toStdString();
      }
    }
  }
}

TEST(DeviceCommands, DocumentedPayloads) {
  const struct {
    const char *what;
    DeviceCommand cmd;
    int from;
    int count;
    const char *bytes;
  } cases[] = {
      {"family-1 log-in: operator, date word 79 D0, hour, minute",
       commands(1).Prijava({3, QDate(2024, 3, 25), QTime(10, 30)}), 9, 5, "03 79 D0 0A 1E"},
      {"family-2 log-in head", commands(2).Prijava({3, QDate(2024, 3, 25), QTime(10, 30)}), 9, 3, "03 64 64"},
      {"family-2 log-in tail: year E8, month, day, hour, minute",
       commands(2).Prijava({3, QDate(2024, 3, 25), QTime(10, 30)}), 28, 6, "00 E8 03 19 0A 1E"},
      {"family-2 operator log-in always operator 1", commands(2).PrijavaOperatera(9, kNow), 9, 1, "01"},
      {"family-4 operator log-in", commands(4).PrijavaOperatera(9, kNow), 9, 1, "09"},
      {"model-1 sale: zeros, article, quantity 2.5", commands(1).ProdajaArt(sale()), 9, 13,
       "00 00 00 00 00 00 00 0F 00 C4 09 00 00"},
      {"model-1 void keeps the quantity positive", commands(1).ProdajaArt(sale(true)), 16, 6,
       "0F 00 C4 09 00 00"},
      {"family-2 sale", commands(2).ProdajaArt(sale()), 9, 18,
       "0F 00 00 00 00 00 00 00 00 C4 09 00 00 00 00 00 00 00"},
      {"family-4 sale head: article, barcode, quantity", commands(4).ProdajaArt(sale()), 9, 13,
       "0F 00 F5 90 12 34 12 34 57 C4 09 00 00"},
      {"family-4 sale tail: zero, price, tax group, 01", commands(4).ProdajaArt(sale()), 54, 7,
       "00 40 1F 00 00 02 01"},
      {"family-4 void: article, void key, quantity, price, 01", commands(4).ProdajaArt(sale(true)), 9, 18,
       "0F 00 FF FF FF FF FF FF 15 C4 09 00 00 40 1F 00 00 01"},
      {"model-1 payment", commands(1).Placanje({2, Money(123.45)}), 9, 7, "02 00 7B 00 00 00 2D"},
      {"model-4 cash payment", commands(4).Placanje({0, Money(123.45)}), 9, 6, "00 7B 00 00 00 2D"},
      {"family-2 payment amount at 53", commands(2).Placanje({1, Money(123.45)}), 52, 6, "00 7B 00 00 00 2D"},
      {"family-2 payment type", commands(2).Placanje({1, Money(123.45)}), 9, 2, "01 00"},
      {"fiscal memory information", commands(4).GetFMInfo(), 9, 3, "07 00 00"},
      {"fiscal memory check", commands(1).CitanjeFM(), 9, 2, "00 00"},
      {"periodic report",
       commands(4).Izvestaj(2, QStringLiteral("01.03.2024"), QStringLiteral("31.03.2024"), {}), 9, 9,
       "02 AD AA 03 00 CB AA 03 00"},
      {"report by articles", commands(4).Izvestaj(3, QStringLiteral("1"), QStringLiteral("60000"), {}), 9, 9,
       "03 01 00 00 00 60 EA 00 00"},
      {"daily report sends zero ranges",
       commands(4).Izvestaj(0, QStringLiteral("5"), QStringLiteral("6"), {}), 9, 9,
       "00 00 00 00 00 00 00 00 00"},
      {"display home", commands(4).LcdShow(QStringLiteral("x"), 2), 9, 1, "02"},
      {"display second line", commands(4).LcdShow(QStringLiteral("AB"), 1), 9, 4, "01 41 42 00"},
      {"free text bold", commands(4).FreeTextPrint(QStringLiteral("Z"), 1), 9, 3, "01 5A 00"},
  };
  for (const auto &c : cases) {
    ASSERT_GE(c.cmd.bytes.size(), c.from + c.count) << c.what;
    EXPECT_EQ(hexOf(c.cmd.bytes.mid(c.from, c.count)), QString::fromLatin1(c.bytes)) << c.what;
  }
  EXPECT_EQ(hexOf(commands(4).DatumVreme().bytes), QStringLiteral("5F 60 00 0D"));
  EXPECT_EQ(hexOf(commands(4).Info().bytes), QStringLiteral("5F 20 00 0D"));
  EXPECT_EQ(DeviceCommands::dateWord(QDate(2024, 3, 25)), 0xD079);
}

TEST(DeviceCommands, NamesAndTextsAreCutAndPadded) {
  SaleLine line = sale();
  line.naziv = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"); // 36 characters
  QByteArray f = commands(4).ProdajaArt(line).bytes;
  ASSERT_EQ(f.size(), 64);
  EXPECT_EQ(f.mid(22, 32), QByteArray("0123456789ABCDEFGHIJKLMNOPQRSTUV"));
  EXPECT_EQ(f[54], '\0');
  EXPECT_EQ(hexOf(f.mid(55, 4)), QStringLiteral("40 1F 00 00")); // the price is not pushed aside

  line.naziv = QStringLiteral("ČAJ");
  f = commands(4).ProdajaArt(line).bytes;
  EXPECT_EQ(f.mid(22, 33), QByteArray("^AJ") + QByteArray(30, '\0')); // legacy byte for Č, zeros to 54

  const QByteArray text = commands(4).FreeTextPrint(QString(40, QLatin1Char('x')), 0).bytes;
  ASSERT_EQ(text.size(), 45);
  EXPECT_EQ(text.mid(10, 32), QByteArray(32, 'x'));

  const QByteArray lcd = commands(4).LcdShow(QString(25, QLatin1Char('y')), 0).bytes;
  ASSERT_EQ(lcd.size(), 33);
  EXPECT_EQ(lcd.mid(10, 20), QByteArray(20, 'y'));
}

TEST(DeviceCommands, VoidKeyOfFamily4) {
  const struct {
    const char *sifra;
    int device;
    const char *key;
    const char *packed;
  } cases[] = {
      {"15", 15, "15", "FF FF FF FF FF FF 15"},
      {"A1", 42, "           42", "FF FF FF FF FF FF 42"},
      {"8600000000017", 7, "8600000000017", "F8 60 00 00 00 00 17"},
  };
  for (const auto &c : cases) {
    SaleLine l = sale(true);
    l.sifra = QString::fromLatin1(c.sifra);
    l.sifraUKasi = c.device;
    EXPECT_EQ(DeviceCommands::voidKey(l), QString::fromLatin1(c.key));
    EXPECT_EQ(hexOf(commands(4).PonistiArt(l).bytes.mid(11, 7)), QString::fromLatin1(c.packed)) << c.sifra;
  }
}

TEST(DeviceCommands, PeriodicReportWithABadDateSendsNothing) {
  const QDate today(2024, 3, 25);
  for (const auto &[from, to] : {std::pair{"32.03.2024", "31.03.2024"}, std::pair{"01.03.2024", "juce"}}) {
    const DeviceCommand c =
        commands(4).Izvestaj(2, QString::fromLatin1(from), QString::fromLatin1(to), today);
    EXPECT_TRUE(c.isEmpty());
    EXPECT_EQ(c.error,
              QStringLiteral("Losa vrednost ulaznog parametra! Datum mora biti u formatu kao 25.03.2024"));
    EXPECT_EQ(c.errorTitle, QStringLiteral("Greska"));
  }
}

TEST(DeviceCommands, StoredCopyIsTheZeroFilledWorkArea) {
  const DeviceCommand c = commands(4).ProdajaArt(sale());
  const QByteArray copy = c.storedCopy();
  ASSERT_EQ(copy.size(), FrameCodec::WorkAreaSize);
  EXPECT_EQ(FrameCodec::StoredFrameLength(copy), c.bytes.size());
  EXPECT_EQ(copy.left(c.bytes.size()), c.bytes);
}
