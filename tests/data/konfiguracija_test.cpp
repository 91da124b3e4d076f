#include "data/konfiguracija.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

} // namespace

TEST(Konfiguracija, MissingFileGivesBuiltInDefaults) {
  QTemporaryDir dir;
  const auto r = KonfiguracijaStore::load(dir.path());
  EXPECT_FALSE(r.fromFile);
  EXPECT_TRUE(r.error.isEmpty());
  const SetKonfiguracija &k = r.record;
  EXPECT_EQ(k.Model, 1);
  EXPECT_EQ(k.Port, 1);
  EXPECT_EQ(k.Duzina, 36);
  EXPECT_EQ(k.IBFM, "000000");
  EXPECT_EQ(k.Fioka, 1);      // no drawer
  EXPECT_EQ(k.TipBaze, 1);    // embedded database
  EXPECT_EQ(k.BarKodPort, 0); // no barcode reader
  EXPECT_EQ(k.EFTPos, 0);     // no card terminal
  EXPECT_EQ(k.pdv, 2);
  EXPECT_EQ(k.konekcija, 0);
  EXPECT_EQ(k.IP, "0.0.0.0");
  EXPECT_EQ(k.PrviRed, 0);
  EXPECT_EQ(k.DrugiRed, 0);
  EXPECT_EQ(k.Zaokruzi, 0);
  EXPECT_EQ(k.Memo, 0);
  EXPECT_TRUE(k.invalidFields().isEmpty());
  const LinkSettings link = k.linkSettings();
  EXPECT_EQ(link.Model, 1);
  EXPECT_EQ(link.Port, "1");
  EXPECT_EQ(link.IBFM, "000000");
  EXPECT_EQ(link.Duzina, 36);
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("Konfiguracija.dat"))); // loading writes nothing
}

TEST(Konfiguracija, EveryFieldSurvivesSaveAndLoad) {
  QTemporaryDir dir;
  SetKonfiguracija k;
  k.Duzina = 24;
  k.Port = 3;
  k.Model = 4;
  k.IBFM = "12345678901234567890";
  k.Fioka = 2;
  k.putanjaBaza = "/srv/kasa \"glavna\"";
  k.TipBaze = 3;
  k.BarKodPort = 2;
  k.pdv = 1;
  k.konekcija = 1;
  k.IP = "127.0.0.1";
  k.EFTPos = 5;
  k.PrviRed = 1;
  k.DrugiRed = 2;
  k.PrviRedTekst = QStringLiteral("Hvala, dođite opet");
  k.DrugiRedTekst = "x";
  k.Zaokruzi = 1;
  k.Memo = 1;
  k.putanjaKopija = "/mnt/usb/kopije";
  k.brojKopija = 7;
  k.Obuka = 1;
  k.StampacNarudzbina = "Kuhinja EPSON";
  QString error;
  ASSERT_TRUE(KonfiguracijaStore::save(dir.path(), k, &error)) << error.toStdString();
  const auto r = KonfiguracijaStore::load(dir.path());
  EXPECT_TRUE(r.fromFile);
  EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
  EXPECT_EQ(r.record, k);
  EXPECT_EQ(r.record.linkSettings().Model, 4);
}

TEST(Konfiguracija, DamagedFileGivesMessageAndDefaultsAndIsKept) {
  struct Case {
    const char *what;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"half-written", QByteArray("{\"format\": 1, \"Model\": 4, \"Po")},
      {"binary garbage", QByteArray("\x00\xff\x13garbage", 10)},
      {"not an object", QByteArray("[1,2,3]")},
      {"unknown format", QByteArray("{\"format\":99,\"Model\":2}")},
      {"empty", QByteArray()},
  };
  for (const Case &c : cases) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Konfiguracija.dat");
    writeAll(path, c.bytes);
    const auto r = KonfiguracijaStore::load(dir.path());
    EXPECT_FALSE(r.fromFile) << c.what;
    EXPECT_FALSE(r.error.isEmpty()) << c.what;
    EXPECT_EQ(r.record, SetKonfiguracija{}) << c.what;
    EXPECT_EQ(readAll(path), c.bytes) << c.what; // left for the user to save over
  }
}

// One bad field costs the shop that field only, and the message says which.
TEST(Konfiguracija, UnusableFieldTakesItsDefaultAndIsNamed) {
  const SetKonfiguracija d; // the built-in defaults
  struct Case {
    const char *what;
    const char *field; // as stored, and as named in the message
    const char *value; // JSON
    std::function<void(SetKonfiguracija &)> toDefault;
  };
  const Case cases[] = {
      {"out of range", "Model", "9", [&](SetKonfiguracija &k) { k.Model = d.Model; }},
      {"wrong type", "Model", "\"four\"", [&](SetKonfiguracija &k) { k.Model = d.Model; }},
      {"fraction", "Port", "1.5", [&](SetKonfiguracija &k) { k.Port = d.Port; }},
      {"negative port", "BarKodPort", "-1", [&](SetKonfiguracija &k) { k.BarKodPort = d.BarKodPort; }},
      {"letters in register number", "IBFM", "\"12A456\"", [&](SetKonfiguracija &k) { k.IBFM = d.IBFM; }},
      {"text too long", "IP", "\"123456789012345678901\"", [&](SetKonfiguracija &k) { k.IP = d.IP; }},
      {"number for text", "putanjaBaza", "7", [&](SetKonfiguracija &k) { k.putanjaBaza = d.putanjaBaza; }},
  };
  SetKonfiguracija shop;
  shop.Duzina = 24;
  shop.Port = 3;
  shop.Model = 4;
  shop.IBFM = "123450";
  shop.Fioka = 2;
  shop.putanjaBaza = "/srv/kasa";
  shop.BarKodPort = 2;
  shop.konekcija = 1;
  shop.IP = "10.0.0.7";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    QByteArray json = KonfiguracijaStore::toJson(shop);
    const QByteArray key = QByteArray("\"") + c.field + "\": ";
    const qsizetype at = json.indexOf(key);
    ASSERT_GE(at, 0);
    const qsizetype valueEnd = json.indexOf('\n', at);
    const qsizetype comma = json.at(valueEnd - 1) == ',' ? 1 : 0;
    json.replace(at + key.size(), valueEnd - comma - at - key.size(), c.value);
    writeAll(QDir(dir.path()).filePath("Konfiguracija.dat"), json);

    const auto r = KonfiguracijaStore::load(dir.path());
    EXPECT_TRUE(r.fromFile);
    EXPECT_EQ(r.error, QStringLiteral("Datoteka konfiguracije ima neispravna polja: %1. Za njih se koriste "
                                      "podrazumevane vrednosti.")
                           .arg(c.field));
    SetKonfiguracija expected = shop;
    c.toDefault(expected);
    EXPECT_EQ(r.record, expected);
  }
}

TEST(Konfiguracija, MissingFieldsKeepDefaults) {
  QTemporaryDir dir;
  writeAll(QDir(dir.path()).filePath("Konfiguracija.dat"), "{\"format\":1,\"Model\":2,\"IBFM\":\"555\"}");
  const auto r = KonfiguracijaStore::load(dir.path());
  ASSERT_TRUE(r.fromFile) << r.error.toStdString();
  EXPECT_EQ(r.record.Model, 2);
  EXPECT_EQ(r.record.IBFM, "555");
  EXPECT_EQ(r.record.Duzina, 36);
  // A file written before backups existed: they go to kopije, 30 kept.
  EXPECT_EQ(r.record.putanjaKopija, "kopije");
  EXPECT_EQ(r.record.brojKopija, 30);
  EXPECT_EQ(r.record.Obuka, 0); // a file written before training existed sells for real
  EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
}

TEST(Konfiguracija, TrainingSwitchOutsideItsRangeFallsBackToOff) {
  QTemporaryDir dir;
  writeAll(QDir(dir.path()).filePath("Konfiguracija.dat"), "{\"format\":1,\"Obuka\":7}");
  const auto r = KonfiguracijaStore::load(dir.path());
  EXPECT_EQ(r.record.Obuka, 0);
  EXPECT_TRUE(r.error.contains("Obuka")) << r.error.toStdString();
}

TEST(Konfiguracija, SaveReplacesTheWholeFileAndReportsFailure) {
  QTemporaryDir dir;
  SetKonfiguracija k;
  k.putanjaBaza = QString(100, QLatin1Char('x')); // a long previous file
  ASSERT_TRUE(KonfiguracijaStore::save(dir.path(), k));
  SetKonfiguracija shorter;
  shorter.Model = 2;
  ASSERT_TRUE(KonfiguracijaStore::save(dir.path(), shorter));
  const auto r = KonfiguracijaStore::load(dir.path()); // no tail of the longer text left behind
  ASSERT_TRUE(r.fromFile) << r.error.toStdString();
  EXPECT_EQ(r.record, shorter);

  QString error;
  EXPECT_FALSE(KonfiguracijaStore::save(dir.filePath("no/such/dir"), shorter, &error));
  EXPECT_FALSE(error.isEmpty());
}
