#include "app/reportcommand.h"
#include "commandlinefixture.h"
#include "common/localetext.h"
#include "data/konfiguracija.h"
#include "reports/bandedreport.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"
#include "reports/reportrequest.h"
#include "reports/reportshop.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <functional>

namespace {

// The program started for a report, as a timer or a shell starts it: no display, the C locale.
class ReportCommandTest : public CommandLineTest<ReportShop> {
protected:
  Result kasa(const QStringList &args) {
    QProcessEnvironment env = withoutDisplay();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR")); // as under cron
    return run(QStringList{QStringLiteral("--report")} + args, env);
  }
  QString path(const char *name) const { return m_work.filePath(QString::fromLatin1(name)); }

  static void expectInOrder(const QString &text, const QStringList &pieces) {
    qsizetype at = 0;
    for (const QString &piece : pieces) {
      const qsizetype found = text.indexOf(piece, at);
      EXPECT_GE(found, 0) << "missing or out of order: " << piece.toStdString()
                          << "\nin: " << text.toStdString();
      if (found >= 0)
        at = found + piece.size();
    }
  }
  // The page's texts without the clock of the moment it was made.
  static QString withoutClock(QString text) {
    static const QRegularExpression clock(QStringLiteral("Datum: \\S+( +Vreme: \\S+)?"));
    return text.replace(clock, QStringLiteral("Datum:")).simplified();
  }
};

struct NameCase {
  QStringList args;
  QStringList inOrder; // in the --text output, blanks folded
  QStringList absent;
  std::function<ReportOutcome(ReportRequest &)> preview; // what the reports menu shows
};

TEST_P(ReportCommandTest, EveryReportAsTextAndAsTheSamePdfAsThePreview) {
  const QDateTime now = QDateTime::currentDateTime();
  const NameCase cases[] = {
      {{"promet", "--date", "2008-03-05"},
       {"Promet na dan: 05.03.2008", "Rbr Br.rac Sifra Naziv Cena Kolicina Iznos",
        "1 1 1 Kafa 100,00 2,000 200,00", "2 1 2 Pljeskavica 450,00 3,000 1.350,00",
        "4 1 6 Vaga 800,00 0,375 300,00", "6 2 7 Voda 50,00 -2,000 -100,00", "Ukupan promet: 3.000,00"},
       {"Strana"},
       [](ReportRequest &r) { return r.run(1, {}, "05.03.2008"); }},
      {{"1", "--date", "5.3.2008"},
       {"Promet na dan: 5.3.2008", "Ukupan promet: 3.000,00"},
       {},
       [](ReportRequest &r) { return r.run(1, {}, "5.3.2008"); }},
      {{"artikli-dan", "--date", "05.03.2008"},
       {"Presek stanja na dan: 05.03.2008", "1 1 Kafa 100,00 2,000 200,00", "4 5 Sok \"Next\"",
        "5 6 Vaga 800,00 0,375 300,00", "Ukupno 3.000,00"},
       {"Voda"},
       [](ReportRequest &r) { return r.run(2, {}, "05.03.2008"); }},
      {{"artikli-period", "--from", "2008-03-01", "--to", "2008-03-06"},
       {"Periodicni izvestaj po artiklima od: 01.03.2008 do: 06.03.2008", "1 Kafa 100,00 7,000 700,00",
        "4 Lepinja 30,00 1,000 30,00", "Ukupno 3.530,00"},
       {"Voda", "Caj"},
       [](ReportRequest &r) { return r.run(3, "01.03.2008", "06.03.2008"); }},
      {{"stope-dan", "--date", "2008-03-05"},
       {"Presek stanja na dan: 05.03.2008", "STOPA PDV IZNOS", "G: 20,00% 83,33 500,00",
        "D: 10,00% 213,64 2.350,00", "DJ: 8,00% 11,11 150,00", "UKUPNO 308,08 3.000,00"},
       {},
       [](ReportRequest &r) { return r.run(4, {}, "05.03.2008"); }},
      {{"stope-period", "--from", "01.01.2007", "--to", "31.12.2008"},
       {"Periodicni izvestaj od: 01.01.2007 do: 31.12.2008", "G: 20,00% 153,83 923,00",
        "UKUPNO 381,30 3.453,00"},
       {},
       [](ReportRequest &r) { return r.run(5, "01.01.2007", "31.12.2008"); }},
      {{"kasiri-dan", "--date", "2008-03-05"},
       {"Izvestaj kasira na dan: 05.03.2008", "KASIR: 1 Ana", "STORNO: 0,00", "GOTOVINA: 1.500,00",
        "KARTICA: 500,00", "KASIR: 2 Marko", "STORNO: -100,00", "CEK: 1.000,00"},
       {"KASIR: 9"},
       [](ReportRequest &r) { return r.run(6, {}, "05.03.2008"); }},
      {{"kasiri-period", "--from", "2007-12-01", "--to", "2008-03-06"},
       {"Izvestaj kasira od: 01.12.2007 do: 06.03.2008", "KASIR: 1 Ana", "KASIR: 9", "STORNO: -77,00"},
       {},
       [](ReportRequest &r) { return r.run(7, "01.12.2007", "06.03.2008"); }},
      {{"knjiga-kuhinje", "--date", "2008-03-05"},
       {"Dnevni obracun prometa kuhinje na dan: 05.03.2008", "3 Meso 1.000,00 kom 1,750 1.750,00 20,000",
        "4 Lepinja 30,00 kom 3,000 90,00 5,000", "2.140,00"},
       {"Pljeskavica", "Kafa"},
       [](ReportRequest &r) { return r.run(8, {}, "05.03.2008"); }},
      {{"knjiga-sanka", "--date", "2008-03-05"},
       {"Dnevni obracun prometa sanka na dan: 05.03.2008", "1 Kafa 100,00 kom 2,000 200,00 10,000", "350,00"},
       {"Voda", "Meso"},
       [](ReportRequest &r) { return r.run(9, {}, "05.03.2008"); }},
      {{"grupe", "--from", "2008-03-01", "--to", "2008-03-06"},
       {"Prodati artikli po grupama od: 01.03.2008 do: 06.03.2008", "G1 Pice",
        "SIFRA NAZIV JM STOPA(%) KOLICINA SUMA", "1 Kafa kom 20,00 7,000 700,00",
        "Ukupno za grupu: 8,000 850,00", "G2 Hrana", "Ukupno za grupu: 5,375 2.680,00"},
       {},
       [](ReportRequest &r) { return r.run(10, "01.03.2008", "06.03.2008"); }},
      {{"lager"},
       {"Datum: " + LocaleText::date(now.date()), "Lager lista", "SIFRA BARKOD NAZIV JM CENA KOLICINA",
        "1 8600000001 Kafa kom 100,00 10,000", "3 8600000003 Meso kom 1.000,00 20,000", "UKUPNO: 28.785,00"},
       {},
       [now](ReportRequest &r) { return r.stock(false, now); }},
      {{"min-lager"},
       {"Artikli sa količinom ispod minimalne", "SIFRA NAZIV CENA KOLICINA MIN.KOL. RAZLIKA",
        "1 Kafa 100,00 10,000 10,000 0,000"},
       {"Meso"},
       [now](ReportRequest &r) { return r.stock(true, now); }},
      {{"najprodavaniji", "--count", "3"},
       {"Pregled 3 najprodavanijih artikala", "1 1 Kafa 7,000 700,00", "2 2 Pljeskavica 3,000 1.350,00",
        "Ukupno:"},
       {"Vaga"},
       [now](ReportRequest &r) {
         return r.bestSellers("3", {}, {}, ReportRepository::BestBy::Quantity, now.date());
       }},
      {{"najprodavaniji", "--count", "2", "--by", "amount", "--from", "2008-03-05", "--to", "2008-03-05"},
       {"Pregled 2 najprodavanijih artikala", "1 2 Pljeskavica 3,000 1.350,00", "2 3 Meso 1,000 1.000,00",
        "Ukupno: 2.350,00"},
       {"Kafa"},
       [now](ReportRequest &r) {
         return r.bestSellers("2", "05.03.2008", "05.03.2008", ReportRepository::BestBy::Amount, now.date());
       }},
  };
  ReportRequest request(db);
  for (const NameCase &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Result text = kasa(c.args + QStringList{"--text"});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_EQ(text.err, QString());
    expectInOrder(text.out.simplified(), c.inOrder);
    for (const QString &absent : c.absent)
      EXPECT_FALSE(text.out.contains(absent)) << absent.toStdString();

    const Result pdf = kasa(c.args + QStringList{"--pdf", path("izvestaj.pdf")});
    ASSERT_EQ(pdf.code, 0) << pdf.err.toStdString();
    const ReportOutcome shown = c.preview(request);
    ASSERT_TRUE(shown.report) << shown.text.toStdString();
    ASSERT_TRUE(ReportOutput::writePdf(*shown.report, path("pregled.pdf")));
    const QString fromCommand = pdftools::text(path("izvestaj.pdf"));
    EXPECT_EQ(withoutClock(fromCommand), withoutClock(pdftools::text(path("pregled.pdf"))));
    expectInOrder(fromCommand.simplified(), c.inOrder);
  }
}

TEST_P(ReportCommandTest, TextColumnsLineUpUnderTheirCaptions) {
  const Result r = kasa({"stope-dan", "--date", "05.03.2008", "--text"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QStringLiteral("Presek stanja na dan: 05.03.2008\n"
                                  "\n"
                                  "STOPA         PDV     IZNOS\n"
                                  "--------------------------------\n"
                                  "G: 20,00%   83,33    500,00\n"
                                  "D: 10,00%  213,64  2.350,00\n"
                                  "DJ: 8,00%   11,11    150,00\n"
                                  "--------------------------------\n"
                                  "UKUPNO     308,08  3.000,00\n"))
      << r.out.toStdString();

  // Blocks stand apart by one blank line; a block's own lines stay together.
  const Result blocks = kasa({"kasiri-dan", "--date", "05.03.2008", "--text"});
  ASSERT_EQ(blocks.code, 0) << blocks.err.toStdString();
  EXPECT_EQ(blocks.out, QStringLiteral("Izvestaj kasira na dan: 05.03.2008\n"
                                       "\n"
                                       "KASIR: 1 Ana\n"
                                       "STORNO:        0,00\n"
                                       "GOTOVINA:  1.500,00\n"
                                       "CEK:           0,00\n"
                                       "KARTICA:     500,00\n"
                                       "\n"
                                       "KASIR: 2 Marko\n"
                                       "STORNO:     -100,00\n"
                                       "GOTOVINA:      0,00\n"
                                       "CEK:       1.000,00\n"
                                       "KARTICA:       0,00\n"))
      << blocks.out.toStdString();
}

TEST_P(ReportCommandTest, TurnoverCsvIsTheWindowsFileAndOtherReportsGiveTheirRows) {
  const Result r =
      kasa({"promet-csv", "--from", "2008-03-01", "--to", "2008-03-06", "--csv", path("Promet.CSV")});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QFile file(path("Promet.CSV"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  QBuffer window;
  window.open(QIODevice::WriteOnly);
  ReportRequest request(db);
  ReportOutcome refusal;
  const auto period = request.csvPeriod("01.03.2008", "06.03.2008", &refusal);
  ASSERT_TRUE(period);
  ASSERT_EQ(request.writeCsv(*period, window).value_or(-1), 9);
  EXPECT_EQ(written, window.data());
  EXPECT_TRUE(written.contains("\"Sok \"\"Next\"\"\"")) << written.constData();

  // One day given as --date is a period of that day.
  ASSERT_EQ(kasa({"11", "--date", "2008-03-06", "--csv", path("dan.csv")}).code, 0);
  QFile day(path("dan.csv"));
  ASSERT_TRUE(day.open(QIODevice::ReadOnly));
  EXPECT_EQ(day.readAll().count("\r\n"), 2);

  ASSERT_EQ(kasa({"artikli-dan", "--date", "2008-03-05", "--csv", path("artikli.csv")}).code, 0);
  QFile rows(path("artikli.csv"));
  ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
  const QString csv = QString::fromUtf8(rows.readAll());
  expectInOrder(csv, {"\"Presek stanja na dan: 05.03.2008\"\r\n",
                      "\"Rrb\";\"Sifra\";\"Naziv\";\"Cena\";\"Kolicina\";\"Iznos\"\r\n",
                      "\"1\";\"1\";\"Kafa\";\"100,00\";\"2,000\";\"200,00\"\r\n",
                      "\"4\";\"5\";\"Sok \"\"Next\"\"\";\"150,00\";\"1,000\";\"150,00\"\r\n",
                      "\"\";\"\";\"Ukupno\";\"\";\"\";\"3.000,00\"\r\n"});
}

TEST_P(ReportCommandTest, RefusalsGiveOneLineADistinctCodeAndNoFile) {
  using namespace ReportCommand;
  const char *const kNoDir = "nema/izvestaj.pdf";
  const struct {
    QStringList args;
    int code;
    QString line; // the start of the one line on standard error
    bool fileOut = true;
  } cases[] = {
      {{"nepoznat", "--date", "2008-03-05"}, Usage, "Nepoznat izvestaj \"nepoznat\""},
      {{"promet", "--date", "2008-03-05", "--pdf", "a.pdf", "--text"}, Usage, "Izaberite jedan izlaz"},
      {{"promet", "--date", "2008-03-05", "--pdf", "a.pdf", "--nesto"}, Usage, "Unknown option"},
      {{"promet", "--from", "2008-03-01", "--to", "2008-03-05", "--pdf", "a.pdf"},
       Usage,
       "promet je za jedan dan"},
      {{"promet-csv", "--date", "2008-03-05", "--pdf", "a.pdf"}, Usage, "promet-csv se pise samo sa --csv"},
      {{"lager", "--date", "2008-03-05", "--pdf", "a.pdf"}, Usage, "lager nema datum"},
      {{"promet", "--date", "2008-03-05", "--count", "3", "--pdf", "a.pdf"}, Usage, "--count i --by"},
      {{"promet", "--pdf", "a.pdf"}, MissingDate, kUnesiteDatum},
      {{"artikli-period", "--from", "2008-03-01", "--pdf", "a.pdf"}, MissingDate, kUnesiteDatum},
      {{"najprodavaniji", "--to", "2008-03-01", "--pdf", "a.pdf"}, MissingDate, kUnesiteDatum},
      {{"promet", "--date", "31.02.2008", "--pdf", "a.pdf"}, BadValue, kLosDatum},
      {{"promet", "--date", "2008-02-31", "--pdf", "a.pdf"}, BadValue, kLosDatum},
      {{"promet", "--date", "05.03.08", "--pdf", "a.pdf"}, BadValue, kLosDatum},
      {{"najprodavaniji", "--count", "1a", "--pdf", "a.pdf"}, BadValue, kNijeCeoBroj},
      {{"najprodavaniji", "--count", "", "--pdf", "a.pdf"}, BadValue, kNijeCeoBroj},
      // A day without receipts is no failure: the message, and no file.
      {{"kasiri-dan", "--date", "2008-03-07", "--pdf", "a.pdf"}, Ok, kNemaPodataka},
      {{"promet", "--date", "2008-03-05", "--pdf", kNoDir}, CannotWrite, "Ne mogu da upisem", false},
      {{"promet-csv", "--date", "2008-03-05", "--csv", kNoDir}, CannotWrite, "Ne mogu da upisem", false},
  };
  QFile old(path("a.pdf"));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    const Result r = kasa(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(r.err.startsWith(c.line)) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "earlier"); // an earlier file is left as it was
    old.close();
    EXPECT_FALSE(QFile::exists(path(kNoDir)));
    EXPECT_EQ(QDir(m_work.path()).entryList(QDir::Files).size(), 2) // the configuration and a.pdf
        << QDir(m_work.path()).entryList(QDir::Files).join(' ').toStdString();
  }

  // A statement the database refuses.
  exec("DROP TABLE porstope");
  const Result refused = kasa({"stope-dan", "--date", "2008-03-05", "--text"});
  EXPECT_EQ(refused.code, DatabaseFailed);
  EXPECT_TRUE(refused.err.contains("porstope", Qt::CaseInsensitive)) << refused.err.toStdString();

  // A configuration whose database cannot be opened.
  SetKonfiguracija k;
  k.TipBaze = tipBaze();
  k.putanjaBaza = GetParam() == Engine::PostgreSQL ? QStringLiteral("host=/nema dbname=nema")
                                                   : m_work.filePath(QStringLiteral("nema/ni/ovde"));
  ASSERT_TRUE(KonfiguracijaStore::save(m_work.path(), k));
  const Result closed = kasa({"promet", "--date", "2008-03-05", "--text"});
  EXPECT_EQ(closed.code, NoDatabase);
  EXPECT_TRUE(closed.err.startsWith(Database::openFailureText())) << closed.err.toStdString();
  EXPECT_EQ(closed.err.count('\n'), 1) << closed.err.toStdString();
}

KASA_BOTH_ENGINES(ReportCommandTest);

} // namespace
