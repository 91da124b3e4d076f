// The A4 invoice of a stored receipt: the receipt as the repository reads it, and
// the PDF's text as a reader sees it.
#include "data/dbfixture.h"
#include "data/invoicerepository.h"
#include "reports/bandedreport.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"
#include "reports/tqrracun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

namespace {

// 2026: receipt 5 without a partner, two tax groups (120,00 at 20 %, 110,00 at 10 %), no
// payments, no term, no exemption, no fiscal number. Receipt 6 for partner "p1" (stored
// as "P1", Cyrillic name) with a term, an exemption, a fiscal number and two payments.
// Receipt 7's partner has a place code that is not in MESTO and a line whose tax group
// has no rate.
class InvoiceShop : public DbTest {
protected:
  void seed() override {
    testsupport::pinLocale();
    for (auto [stopa, iznos] : {std::pair{1, 20.0}, {2, 10.0}, {3, 0.0}})
      exec("INSERT INTO porstope (stopa, iznos) VALUES (:s, :i)", {{"s", stopa}, {"i", iznos}});
    exec("INSERT INTO artikli (sifra, naziv, cena, stopa, jm, lager) VALUES ('A1', 'Kafa', 120, 1, 'kg', 5)");
    exec(
        "INSERT INTO artikli (sifra, naziv, cena, stopa, jm, lager) VALUES ('A2', 'Hleb', 110, 2, 'kom', 5)");
    exec("INSERT INTO mesto (sifmesto, naziv, ptt) VALUES ('BG', 'Beograd', '11000')");
    exec("INSERT INTO partner (sifpartner, naziv, pib, adresa, sifmesto, ziro) VALUES "
         "('P1', :n, '123456788', 'Knez Mihailova 5', 'bg', '160-123-45')",
         {{"n", QStringLiteral("Предузеће Јелена доо")}});
    exec("INSERT INTO partner (sifpartner, naziv, adresa, sifmesto) VALUES ('P2', 'Bez mesta', 'Put 1', "
         "'XX')");
    receipt(5, "5", "", "Petar Petrovic", 0, std::nullopt, "NE", "");
    line(5, "A1", 120, 1, 120, 1);
    line(5, "A2", 110, 1, 110, 2);
    receipt(6, "R-6/26", "p1", QStringLiteral("Предузеће Јелена доо"), 1234, 15, "DA", "24a");
    line(6, "a1", 60, 2, 120, 1); // the code typed in another case still finds the unit
    payment(6, 1, 0, 100);
    payment(6, 2, 2, 20);
    receipt(7, "7", "P2", "Bez mesta", 0, 0, std::nullopt, "");
    line(7, "ZZ", 10, 1, 10, 8);
  }

  void exec(const char *sql, const QVariantMap &binds = {}) {
    const auto r = db.exec(QString::fromUtf8(sql), binds);
    ASSERT_TRUE(r) << sql << ": " << r.error().toStdString();
  }
  void receipt(int broj, const char *dok, const char *partner, const QString &kupac, int brfisis,
               std::optional<int> rok, std::optional<const char *> oslprom, const char *clan) {
    exec("INSERT INTO racuni (broj, godina, datum, broj_dok, sifpartner, nazivkupca, brfisis, rok, oslprom, "
         "clan, status, rezim, brstola, sifoper) VALUES (:b, 2026, :d, :dok, :p, :k, :f, :r, :o, :c, 1, 0, "
         "0, 1)",
         {{"b", broj},
          {"d", QDate(2026, 12, 9)},
          {"dok", dok},
          {"p", partner},
          {"k", kupac},
          {"f", brfisis},
          {"r", rok ? QVariant(*rok) : QVariant(QMetaType::fromType<int>())},
          {"o", oslprom ? QVariant(QString::fromLatin1(*oslprom)) : QVariant(QMetaType::fromType<QString>())},
          {"c", clan}});
  }
  void line(int broj, const char *sifra, double cena, double kolicina, double iznos, int stopa) {
    exec("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, naziv, cena, prodato, iznos, stopa, storno) "
         "VALUES (:r, :b, 2026, :d, :s, :n, :c, :k, :i, :st, 0)",
         {{"r", ++m_rbr},
          {"b", broj},
          {"d", QDate(2026, 12, 9)},
          {"s", sifra},
          {"n", QStringLiteral("Artikal %1").arg(QLatin1String(sifra))},
          {"c", cena},
          {"k", kolicina},
          {"i", iznos},
          {"st", stopa}});
  }
  void payment(int broj, int rbr, int nacin, double iznos) {
    exec("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (:b, 2026, :r, :i, :d, :n)",
         {{"b", broj},
          {"r", rbr},
          {"i", iznos},
          {"d", QDateTime(QDate(2026, 12, 9), QTime(0, 0))},
          {"n", nacin}});
  }
  InvoiceData invoice(int broj) {
    const auto read = InvoiceRepository(db).read({2026, broj});
    EXPECT_TRUE(read) << read.error().toStdString();
    EXPECT_TRUE(read && *read);
    return read && *read ? **read : InvoiceData();
  }

  int m_rbr = 0;
};

TEST_P(InvoiceShop, ReadsTheReceiptWithUnitsRatesGroupsAndPartner) {
  const InvoiceData r5 = invoice(5);
  EXPECT_EQ(r5.brojDok, "5");
  EXPECT_EQ(r5.nazivKupca, "Petar Petrovic");
  EXPECT_EQ(r5.datum, QDate(2026, 12, 9));
  EXPECT_EQ(r5.brfisis, 0);
  EXPECT_FALSE(r5.rok);
  EXPECT_EQ(r5.oslprom, QStringLiteral("NE"));
  EXPECT_FALSE(r5.partner);
  ASSERT_EQ(r5.lines.size(), 2);
  EXPECT_EQ(r5.lines[0].jm, "kg");
  EXPECT_EQ(r5.lines[1].rate, 10.0);
  ASSERT_EQ(r5.taxGroups.size(), 2);
  EXPECT_EQ(r5.taxGroups[0].stopa, 1);
  EXPECT_EQ(r5.taxGroups[0].gross, Money::fromUnits(12000));
  EXPECT_EQ(r5.taxGroups[1].gross, Money::fromUnits(11000));
  EXPECT_EQ(r5.total(), Money::fromUnits(23000));
  EXPECT_TRUE(r5.payments.isEmpty());

  const InvoiceData r6 = invoice(6);
  ASSERT_TRUE(r6.partner); // "p1" finds "P1"
  EXPECT_EQ(r6.partner->adresa, "Knez Mihailova 5");
  EXPECT_EQ(r6.partner->mesto, "11000 Beograd");
  EXPECT_EQ(r6.partner->pib, "123456788");
  EXPECT_EQ(r6.partner->ziro, "160-123-45");
  EXPECT_EQ(r6.lines[0].jm, "kg");
  EXPECT_EQ(r6.rok, 15);
  ASSERT_EQ(r6.payments.size(), 2);
  EXPECT_EQ(r6.payments[1].nacin, 2);
  EXPECT_EQ(r6.payments[1].iznos, Money::fromUnits(2000));

  const InvoiceData r7 = invoice(7);
  ASSERT_TRUE(r7.partner);
  EXPECT_EQ(r7.partner->mesto, ""); // the place code is not in MESTO
  EXPECT_EQ(r7.lines[0].jm, "");    // no such article
  EXPECT_FALSE(r7.lines[0].rate);   // group 8 has no rate
  EXPECT_TRUE(r7.taxGroups.isEmpty());

  const auto none = InvoiceRepository(db).read({2026, 99});
  ASSERT_TRUE(none);
  EXPECT_FALSE(*none);
}

KASA_BOTH_ENGINES(InvoiceShop);

TEST(TaxRecapitulation, BaseLinesThenTaxLinesAddingUpToTheTotal) {
  testsupport::pinLocale();
  const TaxRecapitulation r = TQRRacun::recapitulation(
      {{1, 20, Money::fromUnits(12000)}, {2, 10, Money::fromUnits(11000)}, {3, 8.5, Money::fromUnits(70)}});
  EXPECT_EQ(r.captions, (QStringList{"Osnovica za PDV (20,00%): ", "Osnovica za PDV (10,00%): ",
                                     "Osnovica za PDV (8,50%): ", "Iznos PDV (20%): ", "Iznos PDV (10%): ",
                                     "Iznos PDV (8,5%): "}));
  EXPECT_EQ(r.amounts, (QStringList{"    100,00", "    100,00", "      0,65", "     20,00", "     10,00",
                                    "      0,05"}));
  EXPECT_EQ(r.base + r.tax, Money::fromUnits(23070));

  // Seven lines of 0,10 at 20 %: each line's base would round to 0,08 (0,56 in all);
  // the group's 0,70 gives 0,58 and 0,12.
  const TaxRecapitulation seven = TQRRacun::recapitulation({{1, 20, Money::fromUnits(70)}});
  EXPECT_EQ(seven.amounts, (QStringList{"      0,58", "      0,12"}));
}

// The PDFs: SQLite is enough, the repository is checked on both engines above.
class InvoicePdf : public InvoiceShop {
protected:
  void SetUp() override {
    InvoiceShop::SetUp();
    settings.databaseDir = m_dir.path();
    settings.owner =
        Vlasnik::parse("Prodavnica Kod Mike\nBulevar kralja Aleksandra 1\nPIB 100200300\nBeograd\n\n");
  }
  // The PDF of the receipt's invoice; its text in the layout of the page.
  QString pdfText(int broj, const QString &name) {
    const QString pdf = QDir(m_dir.path()).filePath(name);
    QString error;
    EXPECT_TRUE(ReportOutput::writePdf(*TQRRacun::build(invoice(broj), settings), pdf, &error))
        << error.toStdString();
    lastPdf = pdf;
    if (qEnvironmentVariableIsSet("KASA_SHOTS")) { // to look at
      const QString copy = QDir(qEnvironmentVariable("KASA_SHOTS")).filePath(name);
      QFile::remove(copy);
      QFile::copy(pdf, copy);
    }
    return pdftools::text(pdf);
  }
  int images() const {
    const QString list = pdftools::run("pdfimages", {"-list", lastPdf});
    return int(list.split('\n', Qt::SkipEmptyParts).size()) - 2; // two heading lines
  }
  void writeLetterhead(const char *name) {
    QImage memo(1600, 300, QImage::Format_RGB32);
    memo.fill(QColor(40, 90, 160));
    ASSERT_TRUE(memo.save(QDir(m_dir.path()).filePath(QLatin1String(name)), "JPG"));
  }
  static bool hasLine(const QString &text, const QString &pattern) {
    return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch();
  }

  InvoiceSettings settings;
  QString lastPdf;
};

TEST_P(InvoicePdf, WithoutPartnerTwoGroupsNoTermNoExemptionNoPayments) {
  const QString t = pdfText(5, "r5.pdf");
  EXPECT_TRUE(hasLine(t, "RAČUN\\s+br\\. 5$")) << t.toStdString();
  EXPECT_TRUE(t.contains("Petar Petrovic"));
  EXPECT_FALSE(t.contains("Adresa:")); // only the buyer's name
  EXPECT_FALSE(t.contains("PIB:"));
  // The seller block without the place, which is printed as the place of turnover and issue.
  EXPECT_TRUE(t.contains("Bulevar kralja Aleksandra 1"));
  EXPECT_TRUE(hasLine(t, "Mesto prometa:\\s+Beograd$"));
  EXPECT_TRUE(hasLine(t, "Datum izdavanja računa:\\s+09\\.12\\.2026$"));
  EXPECT_TRUE(hasLine(t, "Broj fiskalnog isečka:\\s*$")); // BRFISIS 0
  EXPECT_TRUE(hasLine(t, "A1\\s+Artikal A1\\s+120,00\\s+1,000\\s+kg\\s+20,00\\s+120,00$"));
  EXPECT_TRUE(hasLine(t, "Ukupan iznos:\\s+230,00$"));
  const qsizetype base20 = t.indexOf(QRegularExpression("Osnovica za PDV \\(20,00%\\):\\s+100,00"));
  const qsizetype base10 = t.indexOf(QRegularExpression("Osnovica za PDV \\(10,00%\\):\\s+100,00"));
  const qsizetype tax20 = t.indexOf(QRegularExpression("Iznos PDV \\(20%\\):\\s+20,00"));
  const qsizetype tax10 = t.indexOf(QRegularExpression("Iznos PDV \\(10%\\):\\s+10,00"));
  EXPECT_TRUE(base20 >= 0 && base20 < base10 && base10 < tax20 && tax20 < tax10) << t.toStdString();
  EXPECT_FALSE(t.contains("Valuta plaćanja")); // ROK empty
  EXPECT_TRUE(t.contains("Napomena o poreskom oslobodjenju: Nema"));
  EXPECT_FALSE(t.contains("Gotovina:"));
  EXPECT_TRUE(t.contains("Prodavnica Kod Mike nije u sistemu PDV"));
  EXPECT_TRUE(t.contains("Račun je radjen na računaru i punovažan je bez potpisa i pečata."));
  EXPECT_TRUE(hasLine(t, "Strana 1$"));
  EXPECT_EQ(images(), 0); // no memo_prazno.jpg
}

TEST_P(InvoicePdf, PartnerTermExemptionFiscalNumberAndPayments) {
  settings.pdv = 1;
  const QString t = pdfText(6, "r6.pdf");
  EXPECT_TRUE(hasLine(t, "RAČUN\\s+br\\. R-6/26$")) << t.toStdString();
  EXPECT_TRUE(t.contains(QStringLiteral("Предузеће Јелена доо")));
  EXPECT_TRUE(hasLine(t, "Adresa:\\s+Knez Mihailova 5"));
  EXPECT_TRUE(hasLine(t, "Mesto:\\s+11000 Beograd"));
  EXPECT_TRUE(hasLine(t, "PIB:\\s+123456788"));
  EXPECT_TRUE(hasLine(t, "Žiro račun:\\s+160-123-45"));
  EXPECT_TRUE(hasLine(t, "Broj fiskalnog isečka:\\s+1234$"));
  EXPECT_TRUE(t.contains("Valuta plaćanja: 15 dana"));
  EXPECT_TRUE(
      t.contains("Napomena o poreskom oslobodjenju: Poresko oslobodjenje prema članu 24a zakona o PDV-u"));
  EXPECT_TRUE(hasLine(t, "Gotovina:\\s+100,00$"));
  EXPECT_TRUE(hasLine(t, "Kartica:\\s+20,00$"));
  EXPECT_TRUE(t.contains("Prodavnica Kod Mike je u sistemu PDV"));
}

TEST_P(InvoicePdf, TermZeroPrintsNoneAndAnUnknownPlaceOrRateStaysEmpty) {
  const QString t = pdfText(7, "r7.pdf");
  EXPECT_TRUE(hasLine(t, "RAČUN\\s+br\\. 7$")) << t.toStdString();
  EXPECT_FALSE(t.contains("Valuta plaćanja"));                       // ROK 0
  EXPECT_TRUE(t.contains("Napomena o poreskom oslobodjenju: Nema")); // OSLPROM empty
  EXPECT_TRUE(hasLine(t, "Adresa:\\s+Put 1"));
  EXPECT_TRUE(hasLine(t, "ZZ\\s+Artikal ZZ\\s+10,00\\s+1,000\\s+10,00$")); // no unit, no rate
  EXPECT_TRUE(hasLine(t, "Ukupan iznos:\\s+10,00$"));
  EXPECT_FALSE(t.contains("Osnovica za PDV")); // the group has no rate: nothing to recapitulate
}

TEST_P(InvoicePdf, LetterheadReplacesTheSellerBlockOnlyWhenThePictureLoads) {
  settings.letterhead = true;
  QString t = pdfText(5, "bez-memo.pdf"); // switch on, no memo.jpg: the seller block instead
  EXPECT_TRUE(t.contains("Bulevar kralja Aleksandra 1"));
  EXPECT_EQ(images(), 0);

  writeLetterhead("memo.jpg");
  t = pdfText(5, "memo.pdf");
  EXPECT_FALSE(t.contains("Bulevar kralja Aleksandra 1")) << t.toStdString();
  EXPECT_TRUE(hasLine(t, "Mesto prometa:\\s+Beograd$")); // the place still comes from the owner file
  EXPECT_EQ(images(), 1);

  settings.letterhead = false; // switch off: memo_prazno.jpg under the seller block
  writeLetterhead("memo_prazno.jpg");
  t = pdfText(5, "prazno.pdf");
  EXPECT_TRUE(t.contains("Bulevar kralja Aleksandra 1"));
  EXPECT_EQ(images(), 1);
}

TEST_P(InvoicePdf, LongInvoiceRepeatsHeaderAndFooterOnEveryPage) {
  for (int i = 0; i < 80; ++i)
    line(5, "A2", 1, 1, 1, 2);
  const QString t = pdfText(5, "dugacak.pdf");
  const QStringList pages = t.split('\f', Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 2);
  EXPECT_EQ(pdftools::pages(lastPdf), pages.size());
  for (int p = 0; p < pages.size(); ++p) {
    EXPECT_TRUE(pages[p].contains("Bulevar kralja Aleksandra 1")) << p;
    EXPECT_TRUE(pages[p].contains("Napomena:")) << p;
    EXPECT_TRUE(hasLine(pages[p], QStringLiteral("Strana %1$").arg(p + 1))) << p;
  }
  EXPECT_FALSE(pages[0].contains("Ukupan iznos:"));
  EXPECT_TRUE(pages.last().contains("Ukupan iznos:"));
  EXPECT_TRUE(hasLine(pages.last(), "Iznos PDV \\(10%\\):\\s+17,27$")); // 190,00 at 10 %
}

INSTANTIATE_TEST_SUITE_P(SQLite, InvoicePdf, ::testing::Values(Engine::SQLite), engineName);

} // namespace
