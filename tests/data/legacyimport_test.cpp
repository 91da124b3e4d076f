#include "data/database.h"
#include "data/dbfdirectory.h"
#include "data/legacyimport.h"
#include "data/mdbexport.h"
#include "dbfwriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDate kDay(2025, 12, 30);

// The older program's thirteen tables as DBF files, with what a shop's data hold: Serbian Latin
// and Cyrillic names, numbers with decimals, dates, logicals, a deleted row, a column this program
// does not keep, and rows the record checks refuse.
void writeShop(const QString &dir) {
  auto file = [&dir](const char *name) { return QDir(dir).filePath(QString::fromLatin1(name)); };
  {
    DbfWriter t(file("ARTIKLI.DBF"), {{"SIFRA", 'C', 7},
                                      {"BARKOD", 'C', 13},
                                      {"NAZIV", 'C', 36},
                                      {"CENA", 'N', 10, 2},
                                      {"STOPA", 'N', 2},
                                      {"JM", 'C', 3},
                                      {"LAGER", 'N', 12, 3},
                                      {"VRSTA", 'C', 1},
                                      {"SIFGRUPA", 'C', 7},
                                      {"MINLAG", 'N', 12, 3},
                                      {"STARAPOLJE", 'C', 5}});
    t.row({"1", "8600000000017", "Čokolada Šumadija", 120.5, 0, "kom", 10.5, "", "G1", 2, "x"});
    t.row({"2", {}, "Кафа домаћа", 150, 1, "kg", 3.25, "J", "G1", {}, {}});
    t.row({"1", {}, "Dupla sifra", 10, 0, {}, 0, {}, {}, {}, {}});
    t.row({"9", {}, "Obrisan", 10, 0, {}, 0, {}, {}, {}, {}});
    t.markDeleted();
    t.row({"3", {}, "Losa stopa", 10, 12, {}, 0, {}, {}, {}, {}});
  }
  {
    DbfWriter t(file("PRODATO.DBF"), {{"RBR", 'N', 10},
                                      {"BRRAC", 'N', 10},
                                      {"DATUM", 'D', 8},
                                      {"SIFRA", 'C', 7},
                                      {"BARKOD", 'C', 13},
                                      {"NAZIV", 'C', 36},
                                      {"CENA", 'N', 10, 2},
                                      {"STORNO", 'N', 1},
                                      {"STOPA", 'N', 2},
                                      {"PRODATO", 'N', 8, 3},
                                      {"IZNOS", 'N', 13, 2},
                                      {"GODINA", 'N', 4}});
    t.row({1, 1, kDay, "1", "8600000000017", "Čokolada Šumadija", 120.5, 0, 0, 2, 241, 2025});
    t.row({2, 1, kDay, "2", {}, "Кафа домаћа", 150, 0, 1, 0.25, 37.5, 2025});
    t.row({3, 2, kDay.addDays(1), "1", {}, "Čokolada Šumadija", 120.5, 1, 0, 1, 120.5, 2025});
  }
  {
    DbfWriter t(file("RACUNI.DBF"), {{"BROJ", 'N', 10},
                                     {"DATUM", 'D', 8},
                                     {"NAZIVKUPCA", 'C', 60},
                                     {"SIFPARTNER", 'C', 9},
                                     {"REZIM", 'N', 1},
                                     {"STATUS", 'N', 1},
                                     {"BRSTOLA", 'N', 10},
                                     {"SIFOPER", 'N', 4},
                                     {"VREME", 'C', 8},
                                     {"CEK", 'N', 12, 2},
                                     {"KARTICA", 'N', 12, 2},
                                     {"GOTOVINA", 'N', 12, 2},
                                     {"BRFISIS", 'N', 10},
                                     {"GODINA", 'N', 4},
                                     {"BROJ_DOK", 'C', 20},
                                     {"ROK", 'N', 4},
                                     {"CLAN", 'C', 5},
                                     {"OSLPROM", 'C', 2}});
    t.row({1, kDay, {}, {}, 1, 1, 4, 1, "21:15:03", 0, 0, 278.5, 501, 2025, "1", 0, {}, "NE"});
    t.row({2,
           kDay.addDays(1),
           "Ćirić d.o.o.",
           "P1",
           0,
           1,
           0,
           2,
           "09:00:00",
           0,
           120.5,
           0,
           502,
           2025,
           "2",
           15,
           {},
           "NE"});
  }
  {
    DbfWriter t(file("RATE.DBF"), {{"BROJ", 'N', 10},
                                   {"GODINA", 'N', 4},
                                   {"RBR", 'N', 4},
                                   {"IZNOS", 'N', 12, 2},
                                   {"DATUM", 'D', 8},
                                   {"NACIN", 'N', 1},
                                   {"BROJKART", 'C', 30},
                                   {"TIPKART", 'C', 30},
                                   {"BRTRANS", 'C', 30}});
    t.row({1, 2025, 1, 278.5, kDay, 0, {}, {}, {}});
    t.row({2, 2025, 1, 120.5, kDay.addDays(1), 2, "****1234", "VISA", "000777"});
  }
  {
    DbfWriter t(file("STOLOVI.DBF"), {{"BRSTOLA", 'N', 10}, {"NAZIV", 'C', 20}, {"SIFKONOB", 'N', 4}});
    t.row({4, "Bašta 4", 1});
    t.row({5, "Сала 5", -1});
  }
  {
    DbfWriter t(file("STOST.DBF"), {{"RBR", 'N', 10},
                                    {"BRSTOLA", 'N', 10},
                                    {"SIFRA", 'C', 7},
                                    {"BARKOD", 'C', 13},
                                    {"NAZIV", 'C', 36},
                                    {"STOPA", 'N', 2},
                                    {"CENA", 'N', 12, 2},
                                    {"KOLICINA", 'N', 12, 3},
                                    {"IZNOS", 'N', 12, 2},
                                    {"STORNO", 'N', 1},
                                    {"TURA", 'N', 4}});
    t.row({1, 4, "2", {}, "Кафа домаћа", 1, 150, 2, 300, 0, 1});
  }
  {
    DbfWriter t(file("KONOBARI.DBF"),
                {{"RBR", 'N', 4}, {"SIFKONOB", 'C', 7}, {"NAZIV", 'C', 30}, {"ADMIN", 'L', 1}});
    t.row({1, "1111", "Đorđe Žarković", true});
    t.row({2, "2222", "Ана Петровић", false});
    t.row({99, "9999", "Van opsega", false});
  }
  {
    DbfWriter t(file("PARTNER.DBF"), {{"SIFPARTNER", 'C', 9},
                                      {"NAZIV", 'C', 60},
                                      {"PIB", 'C', 20},
                                      {"ADRESA", 'C', 50},
                                      {"SIFMESTO", 'C', 7},
                                      {"ZIRO", 'C', 35}});
    t.row({"P1", "Ćirić d.o.o.", {}, "Njegoševa 7", "11000", "160-0000000000001-11"});
  }
  {
    DbfWriter t(file("MESTO.DBF"), {{"SIFMESTO", 'C', 7}, {"NAZIV", 'C', 30}, {"PTT", 'C', 5}});
    t.row({"11000", "Beograd", "11000"});
    t.row({"21000", "Нови Сад", "21000"});
  }
  {
    DbfWriter t(file("PORSTOPE.DBF"), {{"STOPA", 'N', 2}, {"IZNOS", 'N', 6, 2}});
    t.row({0, 20});
    t.row({1, 10});
  }
  {
    DbfWriter t(file("GRUPA.DBF"), {{"SIFGRUPA", 'C', 7}, {"NAZIV", 'C', 50}});
    t.row({"G1", "Napici i slatkiši"});
  }
  {
    DbfWriter t(file("SASTAV.DBF"),
                {{"SIFRA", 'C', 7}, {"SIFSAS", 'C', 7}, {"NAZIV", 'C', 36}, {"KOLICINA", 'N', 12, 3}});
    t.row({"2", "1", "Čokolada Šumadija", 0.125});
    t.row({"2", "77", "Nema ga", 1});
  }
  {
    DbfWriter t(file("KNJIGA.DBF"), {{"SUMA", 'N', 18}, {"SIFRA", 'C', 7}});
    t.row({3, "2"});
  }
}

QMap<QString, QByteArray> hashes(const QString &dir) {
  QMap<QString, QByteArray> out;
  for (const QString &f : QDir(dir).entryList(QDir::Files)) {
    QFile file(QDir(dir).filePath(f));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    out.insert(f, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
  }
  return out;
}

QString one(Database &db, const QString &sql) {
  const auto v = db.scalar(sql);
  EXPECT_TRUE(v) << sql.toStdString() << ": " << v.error().toStdString();
  return v ? v->toString() : QString();
}

class DbfImport : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(old.isValid());
    writeShop(old.path());
  }
  QTemporaryDir old;
};

} // namespace

TEST_F(DbfImport, EveryTableComesOverWithItsRowCountsAndRefusals) {
  const auto before = hashes(old.path());
  DbfDirectory source(old.path());
  const ImportReport report = LegacyImport::intoDirectory(old.path(), source, 1, 24);
  ASSERT_TRUE(report.ok) << report.text().toStdString();

  struct Count {
    const char *table;
    int read, imported, refused;
  } counts[] = {
      {"ARTIKLI", 4, 2, 2}, {"PRODATO", 3, 3, 0},  {"RACUNI", 2, 2, 0},   {"RATE", 2, 2, 0},
      {"STOLOVI", 2, 2, 0}, {"STOST", 1, 1, 0},    {"KONOBARI", 3, 2, 1}, {"PARTNER", 1, 1, 0},
      {"MESTO", 2, 2, 0},   {"PORSTOPE", 2, 2, 0}, {"GRUPA", 1, 1, 0},    {"SASTAV", 2, 1, 1},
      {"KNJIGA", 1, 1, 0},
  };
  for (const Count &c : counts) {
    SCOPED_TRACE(c.table);
    const TableImport *t = report.table(QString::fromLatin1(c.table));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->found);
    EXPECT_EQ(t->read, c.read);
    EXPECT_EQ(t->imported, c.imported);
    EXPECT_EQ(t->refused.size(), c.refused);
  }

  const QString text = report.text();
  for (const char *line :
       {"ARTIKLI: procitano 4, preneto 2, odbijeno 2",
        "  red 3 (SIFRA 1): Artikal sa tom sifrom vec postoji!",
        "  red 5 (SIFRA 3): Losa vrednost! Koristite brojeve 0-8!",
        "  red 3 (RBR 99): Losa vrednost! Koristite brojeve 1-24!",
        "  red 2 (SIFRA 2, SIFSAS 77): NE POSTOJI ARTIKAL SA TOM SIFROM!",
        "  kolone koje se ne prenose: STARAPOLJE", "KNJIGA: procitano 1, preneto 1, odbijeno 0"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();

  // The DBF files are only read.
  auto after = hashes(old.path());
  after.remove(QStringLiteral("kasa.db"));
  EXPECT_EQ(after, before);

  Database db;
  ASSERT_TRUE(db.open(1, old.path()));
  struct Value {
    const char *sql;
    QString expected;
  } values[] = {
      {"SELECT naziv FROM artikli WHERE sifra = '1'", "Čokolada Šumadija"},
      {"SELECT naziv || '|' || jm || '|' || vrsta FROM artikli WHERE sifra = '2'", "Кафа домаћа|kg|J"},
      {"SELECT cena || '|' || lager || '|' || minlag FROM artikli WHERE sifra = '1'", "120.5|10.5|2"},
      {"SELECT naziv || '|' || admin FROM konobari WHERE rbr = 1", "Đorđe Žarković|1"},
      {"SELECT naziv || '|' || admin FROM konobari WHERE rbr = 2", "Ана Петровић|0"},
      {"SELECT datum || '|' || iznos || '|' || prodato FROM prodato WHERE rbr = 2", "2025-12-30|37.5|0.25"},
      {"SELECT rezim || '|' || brstola || '|' || vreme || '|' || brfisis FROM racuni WHERE broj = 1",
       "1|4|21:15:03|501"},
      {"SELECT nazivkupca || '|' || kartica || '|' || rok FROM racuni WHERE broj = 2",
       "Ćirić d.o.o.|120.5|15"},
      {"SELECT nacin || '|' || tipkart || '|' || brtrans || '|' || substr(datum, 1, 10) FROM rate WHERE broj "
       "= 2",
       "2|VISA|000777|2025-12-31"},
      {"SELECT naziv || '|' || sifkonob FROM stolovi WHERE brstola = 5", "Сала 5|-1"},
      {"SELECT naziv || '|' || kolicina || '|' || tura FROM stost", "Кафа домаћа|2.0|1"},
      {"SELECT naziv FROM mesto WHERE sifmesto = '21000'", "Нови Сад"},
      {"SELECT naziv FROM grupa", "Napici i slatkiši"},
      {"SELECT kolicina FROM sastav", "0.125"},
      {"SELECT COUNT(*) FROM artikli WHERE sifra = '9'", "0"},
  };
  for (const Value &v : values)
    EXPECT_EQ(one(db, QString::fromLatin1(v.sql)), v.expected) << v.sql;
}

// A table that cannot be read leaves the target as it was: a database the import made is
// removed again, one that was there keeps what it held.
TEST_F(DbfImport, BrokenFileLeavesNothingBehind) {
  struct Case {
    const char *name;
    const char *table;
    std::function<void(QFile &)> damage;
    QString failure;
  } cases[] = {
      {"not a DBF", "RATE",
       [](QFile &f) {
         f.open(QIODevice::WriteOnly);
         f.write("ovo nije DBF tabela");
       },
       QStringLiteral("RATE: datoteka")},
      {"cut short", "PRODATO",
       [](QFile &f) {
         f.open(QIODevice::ReadWrite);
         f.resize(f.size() - 150);
       },
       QStringLiteral("PRODATO: zapis")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    writeShop(dir.path());
    const QStringList found =
        QDir(dir.path()).entryList({QString::fromLatin1(c.table) + QStringLiteral(".*")});
    ASSERT_EQ(found.size(), 1);
    QFile file(QDir(dir.path()).filePath(found.first()));
    c.damage(file);
    file.close();

    DbfDirectory source(dir.path());
    const ImportReport made = LegacyImport::intoDirectory(dir.path(), source, 1, 24);
    EXPECT_FALSE(made.ok);
    EXPECT_TRUE(made.failure.contains(c.failure)) << made.text().toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath(QStringLiteral("kasa.db"))));

    // A database that was there keeps what it held.
    QTemporaryDir target;
    {
      Database db;
      ASSERT_TRUE(db.open(1, target.path()));
      ASSERT_TRUE(
          db.exec(QStringLiteral("INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('1', "
                                 "'Stari', 5, 0, 1)")));
    }
    EXPECT_FALSE(LegacyImport::intoDirectory(target.path(), source, 1, 24).ok);
    Database db;
    ASSERT_TRUE(db.open(1, target.path()));
    EXPECT_EQ(one(db, QStringLiteral("SELECT COUNT(*) || naziv FROM artikli")), QStringLiteral("1Stari"));
    EXPECT_EQ(one(db, QStringLiteral("SELECT COUNT(*) FROM konobari")), QStringLiteral("0"));
  }
}

TEST_F(DbfImport, RefusedIntoADatabaseWithSales) {
  QTemporaryDir target;
  {
    Database db;
    ASSERT_TRUE(db.open(1, target.path()));
    ASSERT_TRUE(db.exec(QStringLiteral("INSERT INTO racuni (broj, godina, status) VALUES (1, 2026, 1)")));
  }
  DbfDirectory source(old.path());
  const ImportReport report = LegacyImport::intoDirectory(target.path(), source, 1, 24);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.failure,
            QStringLiteral("baza vec sadrzi prodaju, a uvoz se ne mesa sa postojecim racunima. "
                           "Podatke prenesite u novu, praznu bazu."));
  Database db;
  ASSERT_TRUE(db.open(1, target.path()));
  EXPECT_EQ(one(db, QStringLiteral("SELECT COUNT(*) FROM artikli")), QStringLiteral("0"));
}

// mdb-export's CSV as the tool writes it with the options the import passes: a header line, text
// and dates quoted (quotes doubled, line breaks kept), numbers and TRUE/FALSE bare, nulls empty.
TEST(MdbImport, RecordedExportOutputIsMappedLikeDbf) {
  const QMap<QString, QByteArray> exported = {
      {"KONOBARI", "RBR,SIFKONOB,NAZIV,ADMIN\n1,\"1111\",\"^edomir \"\"Ceca\"\"\",TRUE\n2,\"2222\",,FALSE\n"},
      {"ARTIKLI", "sifra,barkod,naziv,cena,stopa,JM,lager,VRSTA,SIFGRUPA,MINLAG\n"
                  "\"1\",\"8600000000017\",\"\xD0\x9A\xD0\xB0\xD1\x84\xD0\xB0\",120.5,0,\"kom\",10.5,,,\n"
                  "\"2\",,\"Dva\nreda\",1,0,,1,,,\n\"3\",,\"Bez cene\",0,0,,1,,,\n"},
      {"RACUNI", "BROJ,DATUM,GODINA,STATUS,VREME\n7,\"2025-12-30 00:00:00\",2025,1,\"10:00:00\"\n"},
  };
  QStringList calls;
  MdbExport source(QStringLiteral("/stara/kasa.mdb"), [&](const QString &program, const QStringList &args) {
    calls << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
    MdbExport::Output out;
    out.ok = true;
    out.data = program == QLatin1String("mdb-tables") ? QByteArray("ARTIKLI\nKONOBARI\nRACUNI\nMSysObjects\n")
                                                      : exported.value(args.last());
    return out;
  });
  QTemporaryDir target;
  const ImportReport report = LegacyImport::intoDirectory(target.path(), source, 1, 24);
  ASSERT_TRUE(report.ok) << report.text().toStdString();
  EXPECT_EQ(calls.first(), QStringLiteral("mdb-tables -1 /stara/kasa.mdb"));
  EXPECT_TRUE(
      calls.contains(QStringLiteral("mdb-export --date-format %Y-%m-%d --datetime-format %Y-%m-%d "
                                    "%H:%M:%S --boolean-words --bin strip /stara/kasa.mdb KONOBARI")));
  EXPECT_EQ(report.table(QStringLiteral("ARTIKLI"))->imported, 2);
  EXPECT_EQ(report.table(QStringLiteral("ARTIKLI"))->refused.size(), 1); // a price of 0
  EXPECT_FALSE(report.table(QStringLiteral("PRODATO"))->found);
  EXPECT_TRUE(
      report.text().contains(QStringLiteral("Tabele kojih nema u starim podacima: PORSTOPE, GRUPA, MESTO, "
                                            "PARTNER, STOLOVI, SASTAV, PRODATO, RATE, STOST, KNJIGA")));

  Database db;
  ASSERT_TRUE(db.open(1, target.path()));
  EXPECT_EQ(one(db, QStringLiteral("SELECT naziv || '|' || admin FROM konobari WHERE rbr = 1")),
            QStringLiteral("Čedomir \"Ceca\"|1"));
  EXPECT_EQ(
      one(db, QStringLiteral("SELECT COALESCE(naziv, '-') || '|' || admin FROM konobari WHERE rbr = 2")),
      QStringLiteral("|0"));
  EXPECT_EQ(one(db, QStringLiteral("SELECT naziv FROM artikli WHERE sifra = '1'")), QStringLiteral("Кафа"));
  EXPECT_EQ(one(db, QStringLiteral("SELECT naziv FROM artikli WHERE sifra = '2'")),
            QStringLiteral("Dva\nreda"));
  EXPECT_EQ(one(db, QStringLiteral("SELECT datum || '|' || vreme FROM racuni")),
            QStringLiteral("2025-12-30|10:00:00"));
}

TEST(MdbImport, BrokenExportFailsTheWholeImport) {
  struct Case {
    const char *name;
    MdbExport::Output tables, table;
    QString failure;
  } cases[] = {
      {"tool missing",
       {false, {}, "mdb-tables nije instaliran (paket mdbtools)"},
       {},
       "mdb-tables nije instaliran"},
      {"unclosed quote",
       {true, "KONOBARI\n", {}},
       {true, "RBR,SIFKONOB\n1,\"1111\n", {}},
       "nezatvoren navodnik"},
      {"short row",
       {true, "KONOBARI\n", {}},
       {true, "RBR,SIFKONOB\n1,\"1111\"\n2\n", {}},
       "red 2 ima 1 polja umesto 2"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    MdbExport source(QStringLiteral("kasa.mdb"), [&c](const QString &program, const QStringList &) {
      return program == QLatin1String("mdb-tables") ? c.tables : c.table;
    });
    QTemporaryDir target;
    const ImportReport report = LegacyImport::intoDirectory(target.path(), source, 1, 24);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.failure.contains(c.failure)) << report.failure.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(target.path()).filePath(QStringLiteral("kasa.db"))));
  }
}

// The installed mdb-export takes the options the import passes: it gets as far as the file.
TEST(MdbImport, InstalledToolTakesTheExportOptions) {
  QTemporaryDir dir;
  MdbExport source(dir.filePath(QStringLiteral("kasa.mdb")));
  QString error;
  EXPECT_EQ(source.open(QStringLiteral("ARTIKLI"), &error), nullptr);
  if (error.contains(QStringLiteral("nije instaliran")))
    GTEST_SKIP() << "mdbtools is not installed";
  EXPECT_FALSE(error.contains(QStringLiteral("Unknown option"), Qt::CaseInsensitive)) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("File not found")) ||
              error.contains(QStringLiteral("Couldn't open")))
      << error.toStdString();
}
