#include "reports/bandedreport.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"
#include "reports/reportrequest.h"
#include "reports/reportshop.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>

namespace {

class DatabaseReportsTest : public ReportShop {
protected:
  // The report's PDF as text, blanks and line ends folded to single blanks.
  QString pdfText(const BandedReport &report) {
    const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
    EXPECT_TRUE(ReportOutput::writePdf(report, pdf));
    return pdftools::text(pdf).simplified();
  }
  // Every piece appears, in the given order.
  void expectInOrder(const QString &text, const QStringList &pieces) {
    qsizetype at = 0;
    for (const QString &piece : pieces) {
      const qsizetype found = text.indexOf(piece, at);
      EXPECT_GE(found, 0) << "missing or out of order: " << piece.toStdString()
                          << "\nin: " << text.toStdString();
      if (found >= 0)
        at = found + piece.size();
    }
  }
};

struct KindCase {
  int kind;
  const char *od, *datum;
  QStringList inOrder;
  QStringList absent;
};

TEST_P(DatabaseReportsTest, EveryDatedKindFromTheSeededShop) {
  const KindCase cases[] = {
      {1,
       "",
       "05.03.2008",
       {"Strana: 1", "Promet na dan: 05.03.2008", "Rbr Br.rac Sifra Naziv Cena Kolicina Iznos",
        "1 1 1 Kafa 100,00 2,000 200,00", "2 1 2 Pljeskavica 450,00 3,000 1.350,00",
        "3 1 5 Sok \"Next\" 150,00 1,000 150,00", "4 1 6 Vaga 800,00 0,375 300,00",
        "6 2 7 Voda 50,00 -2,000 -100,00", "7 2 3 Meso 1.000,00 1,000 1.000,00", "Ukupan promet: 3.000,00"},
       {"Kafa 100,00 5,000"}},
      {1, "", "07.03.2008", {"Promet na dan: 07.03.2008", "Ukupan promet: 0,00"}, {"Kafa"}},
      {1, "", " 5. 3.2008", {"Promet na dan: 5.3.2008", "Ukupan promet: 3.000,00"}, {}},
      {2,
       "",
       "05.03.2008",
       {"Presek stanja na dan: 05.03.2008", "Rrb Sifra Naziv Cena Kolicina Iznos",
        "1 1 Kafa 100,00 2,000 200,00", "2 2 Pljeskavica 450,00 3,000 1.350,00",
        "3 3 Meso 1.000,00 1,000 1.000,00", "4 5 Sok \"Next\"", "5 6 Vaga 800,00 0,375 300,00",
        "Ukupno 3.000,00"},
       {"Voda"}}, // its quantities cancel
      {3,
       "01.03.2008",
       "06.03.2008",
       {"Periodicni izvestaj po artiklima od: 01.03.2008 do: 06.03.2008", "1 Kafa 100,00 7,000 700,00",
        "4 Lepinja 30,00 1,000 30,00", "Ukupno 3.530,00"},
       {"Voda", "Caj"}},
      // Over more than a month the sums come through the article index: the same rows.
      {3,
       "01.01.2007",
       "31.12.2008",
       {"Periodicni izvestaj po artiklima od: 01.01.2007 do: 31.12.2008", "1 1 Kafa 100,00 7,000 700,00",
        "8 Caj 77,00 -1,000 -77,00", "Ukupno 3.453,00"},
       {"Voda"}},
      {10,
       "01.01.2007",
       "31.12.2008",
       {"G1 Pice", "8 Caj kom 20,00 -1,000 -77,00", "Ukupno za grupu: 7,000 773,00", "G2 Hrana",
        "Ukupno za grupu: 5,375 2.680,00"},
       {}},
      {4,
       "",
       "05.03.2008",
       {"Presek stanja na dan: 05.03.2008", "STOPA PDV IZNOS", "G: 20,00% 83,33 500,00",
        "D: 10,00% 213,64 2.350,00", "DJ: 8,00% 11,11 150,00", "UKUPNO 308,08 3.000,00"},
       {}},
      {5,
       "01.01.2007",
       "31.12.2008",
       {"Periodicni izvestaj od: 01.01.2007 do: 31.12.2008", "G: 20,00% 153,83 923,00",
        "D: 10,00% 216,36 2.380,00", "UKUPNO 381,30 3.453,00"},
       {}},
      {6,
       "",
       "05.03.2008",
       {"Izvestaj kasira na dan: 05.03.2008", "KASIR: 1 Ana", "STORNO: 0,00", "GOTOVINA: 1.500,00",
        "CEK: 0,00", "KARTICA: 500,00", "KASIR: 2 Marko", "STORNO: -100,00", "GOTOVINA: 0,00",
        "CEK: 1.000,00", "KARTICA: 0,00"},
       {"KASIR: 9"}},
      // Receipt 1 of 2007 has a storno; receipt 1 of 2008 must not take it over.
      {7,
       "01.12.2007",
       "06.03.2008",
       {"Izvestaj kasira od: 01.12.2007 do: 06.03.2008", "KASIR: 1 Ana", "STORNO: 0,00", "KASIR: 2 Marko",
        "KASIR: 9", "STORNO: -77,00", "GOTOVINA: 0,00"},
       {}},
      {8,
       "",
       "05.03.2008",
       {"Dnevni obracun prometa kuhinje na dan: 05.03.2008", "Sifra Naziv Cena JM Prodato Iznos Lager",
        "3 Meso 1.000,00 kom 1,750 1.750,00 20,000", "4 Lepinja 30,00 kom 3,000 90,00 5,000",
        "6 Vaga 800,00 kom 0,375 300,00 5,000", "2.140,00"},
       {"Pljeskavica", "Kafa"}},
      {9,
       "",
       "05.03.2008",
       {"Dnevni obracun prometa sanka na dan: 05.03.2008", "1 Kafa 100,00 kom 2,000 200,00 10,000",
        "5 Sok \"Next\" 150,00 kom 1,000 150,00", "350,00"},
       {"Voda", "Meso"}},
      {10,
       "01.03.2008",
       "06.03.2008",
       {"Strana 1", "Prodati artikli po grupama od: 01.03.2008 do: 06.03.2008", "G1 Pice",
        "SIFRA NAZIV JM STOPA(%) KOLICINA SUMA", "1 Kafa kom 20,00 7,000 700,00",
        "5 Sok \"Next\" kom 8,00 1,000 150,00", "7 Voda kom 20,00 0,000 0,00",
        "Ukupno za grupu: 8,000 850,00", "G2 Hrana", "2 Pljeskavica kom 10,00 3,000",
        "Ukupno za grupu: 5,375 2.680,00"},
       {}},
  };
  ReportRequest request(db);
  for (const KindCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " " << c.od << " " << c.datum);
    const ReportOutcome out = request.run(c.kind, QString::fromLatin1(c.od), QString::fromLatin1(c.datum));
    ASSERT_TRUE(out.report) << out.text.toStdString();
    const QString text = pdfText(*out.report);
    expectInOrder(text, c.inOrder);
    for (const QString &absent : c.absent)
      EXPECT_FALSE(text.contains(absent)) << absent.toStdString();
    // The picture of the turnover report in the README comes from here.
    if (c.kind == 1 && c.inOrder.size() > 3 && qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR"))
      ReportOutput::writePdf(*out.report,
                             QDir(qEnvironmentVariable("KASA_SCREENSHOT_DIR")).filePath("promet.pdf"));
  }
}

TEST_P(DatabaseReportsTest, RefusalsAndTheirMessages) {
  const struct {
    int kind;
    const char *od, *datum, *text;
  } cases[] = {
      {6, "", "07.03.2008", "Nije pronadjen nijedan podatak za ovaj datum!"},
      {7, "01.01.2009", "31.01.2009", "Nije pronadjen nijedan podatak za ovaj datum!"},
      {1, "", "31.02.2008", "Losa vrednost ili los format datuma!"},
      {2, "", "32.01.2008", "Losa vrednost ili los format datuma!"},
      {1, "", "05.03.08", "Losa vrednost ili los format datuma!"},
      {3, "01.03.2008", "  .  .    ", "Morate uneti datum!"},
      {3, "  .  .    ", "06.03.2008", "Morate uneti datum!"},
      {1, "", "  .  .    ", "Morate uneti datum!"},
  };
  ReportRequest request(db);
  for (const auto &c : cases) {
    const ReportOutcome out = request.run(c.kind, QString::fromLatin1(c.od), QString::fromLatin1(c.datum));
    EXPECT_FALSE(out.report) << c.kind << " " << c.datum;
    EXPECT_EQ(out.title, QStringLiteral("Greska"));
    EXPECT_EQ(out.text, QString::fromLatin1(c.text)) << c.kind << " " << c.datum;
  }
}

TEST_P(DatabaseReportsTest, ADatabaseFailureIsShownAsItselfNotAsABadDate) {
  exec("DROP TABLE porstope");
  const ReportOutcome out = ReportRequest(db).run(4, QString(), QStringLiteral("05.03.2008"));
  EXPECT_FALSE(out.report);
  EXPECT_EQ(out.title, QStringLiteral("Greska"));
  EXPECT_NE(out.text, kLosDatum);
  EXPECT_TRUE(out.text.contains(QStringLiteral("porstope"), Qt::CaseInsensitive)) << out.text.toStdString();
}

TEST_P(DatabaseReportsTest, TurnoverCsvOfAPeriod) {
  ReportRequest request(db);
  ReportOutcome refusal;
  const auto period = request.csvPeriod(QStringLiteral("05.03.2008"), QStringLiteral("06.03.2008"), &refusal);
  ASSERT_TRUE(period);
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  const auto n = request.writeCsv(*period, file);
  ASSERT_TRUE(n) << n.error().toStdString();
  EXPECT_EQ(*n, 9);
  const QStringList lines = QString::fromUtf8(file.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 9);
  EXPECT_EQ(lines[0].toStdString(),
            QStringLiteral("1;1;\"05.03.2008\";\"1\";\"Kafa\";\"8600000001\";100;1;0;200;2").toStdString());
  EXPECT_EQ(lines[2].toStdString(),
            QStringLiteral("3;1;\"05.03.2008\";\"5\";\"Sok \"\"Next\"\"\";\"8600000005\";150;3;0;150;1")
                .toStdString());
  EXPECT_EQ(
      lines[3].toStdString(),
      QStringLiteral("4;1;\"05.03.2008\";\"6\";\"Vaga\";\"8600000006\";800;1;0;300;0,375").toStdString());
  EXPECT_EQ(lines[5].toStdString(),
            QStringLiteral("6;2;\"05.03.2008\";\"7\";\"Voda\";\"8600000007\";50;1;1;-100;-2").toStdString());
  // A line whose receipt has no header carries the receipt number.
  EXPECT_EQ(lines[8].toStdString(),
            QStringLiteral("9;99;\"06.03.2008\";\"4\";\"Lepinja\";\"8600000004\";30;2;0;30;1").toStdString());

  EXPECT_FALSE(request.csvPeriod(QStringLiteral("30.02.2008"), QStringLiteral("06.03.2008"), &refusal));
  EXPECT_EQ(refusal.text, kLosDatum);
}

TEST_P(DatabaseReportsTest, BestSellersByQuantityAndByAmount) {
  const QDate today(2008, 3, 10);
  const struct {
    const char *count, *od, *datum;
    ReportRepository::BestBy by;
    QStringList inOrder;
    QStringList absent;
  } cases[] = {
      {"3",
       "",
       "",
       ReportRepository::BestBy::Quantity,
       {"Datum: 10.03.2008", "Pregled 3 najprodavanijih artikala", "Rbr Sifra Naziv Kolicina Iznos",
        "1 1 Kafa 7,000 700,00", "2 2 Pljeskavica 3,000 1.350,00", "3 3 Meso 1,000 1.000,00",
        "Ukupno: 3.050,00"},
       {"Sok"}},
      {"3",
       "",
       "",
       ReportRepository::BestBy::Amount,
       {"1 2 Pljeskavica 3,000 1.350,00", "2 3 Meso 1,000 1.000,00", "3 1 Kafa 7,000 700,00"},
       {"Vaga"}},
      {"2",
       "01.01.2007",
       "31.12.2008",
       ReportRepository::BestBy::Amount,
       {"Pregled 2 najprodavanijih artikala", "1 2 Pljeskavica 3,000 1.350,00", "2 3 Meso 1,000 1.000,00",
        "Ukupno: 2.350,00"},
       {"Kafa"}},
      {"2",
       "05.03.2008",
       "05.03.2008",
       ReportRepository::BestBy::Quantity,
       {"Pregled 2 najprodavanijih artikala", "1 2 Pljeskavica 3,000", "2 1 Kafa 2,000 200,00"},
       {"Meso"}},
  };
  ReportRequest request(db);
  for (const auto &c : cases) {
    const ReportOutcome out = request.bestSellers(QString::fromLatin1(c.count), QString::fromLatin1(c.od),
                                                  QString::fromLatin1(c.datum), c.by, today);
    ASSERT_TRUE(out.report) << out.text.toStdString();
    const QString text = pdfText(*out.report);
    expectInOrder(text, c.inOrder);
    for (const QString &absent : c.absent)
      EXPECT_FALSE(text.contains(absent)) << absent.toStdString();
  }
  const struct {
    const char *count, *od, *datum, *text;
  } refusals[] = {
      {"1a", "", "", "Broj najprodavanijih artikala mora da bude ceo broj!"},
      {"", "", "", "Broj najprodavanijih artikala mora da bude ceo broj!"},
      {"-3", "", "", "Broj najprodavanijih artikala mora da bude ceo broj!"},
      {"3", "05.03.2008", "  .  .    ", "Morate uneti datum!"},
      {"3", "05.13.2008", "06.03.2008", "Losa vrednost ili los format datuma!"},
  };
  for (const auto &r : refusals) {
    const ReportOutcome out =
        request.bestSellers(QString::fromLatin1(r.count), QString::fromLatin1(r.od),
                            QString::fromLatin1(r.datum), ReportRepository::BestBy::Quantity, today);
    EXPECT_FALSE(out.report);
    EXPECT_EQ(out.text, QString::fromLatin1(r.text)) << r.count;
  }
}

TEST_P(DatabaseReportsTest, StockAndMinimumStock) {
  const QDateTime now(QDate(2008, 3, 10), QTime(9, 30, 5));
  ReportRequest request(db);
  const ReportOutcome all = request.stock(false, now);
  ASSERT_TRUE(all.report);
  // 10 x 100 + 5 x 450 + 20 x 1000 + 5 x 30 + 5 x 150 + 5 x 800 + 5 x 50 + 5 x 77
  expectInOrder(pdfText(*all.report),
                {"Datum: 10.03.2008 Vreme: 09:30:05", "Strana: 1", "Lager lista",
                 "SIFRA BARKOD NAZIV JM CENA KOLICINA", "1 8600000001 Kafa kom 100,00 10,000",
                 "8 8600000008 Caj kom 77,00 5,000", "UKUPNO: 28.785,00"});
  const ReportOutcome low = request.stock(true, now);
  ASSERT_TRUE(low.report);
  const QString text = pdfText(*low.report);
  expectInOrder(text, {QStringLiteral("Artikli sa količinom ispod minimalne"),
                       "SIFRA NAZIV CENA KOLICINA MIN.KOL. RAZLIKA",
                       "1 Kafa 100,00 10,000 10,000 0,000"}); // exactly at its minimum
  EXPECT_FALSE(text.contains(QStringLiteral("Meso")));
  EXPECT_FALSE(text.contains(QStringLiteral("Lepinja")));
}

KASA_BOTH_ENGINES(DatabaseReportsTest);

} // namespace
