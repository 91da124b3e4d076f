#include "reports/bandedreport.h"
#include "reports/ordertickets.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TableLine line(int rbr, const char *sifra, const char *naziv, double kolicina, double cena,
               bool storno = false) {
  TableLine l;
  l.rbr = rbr;
  l.brstola = 5;
  l.sifra = sifra;
  l.naziv = naziv;
  l.kolicina = Quantity(kolicina);
  l.cena = Money(cena);
  l.iznos = *roundedAmount(l.kolicina, l.cena);
  l.storno = storno;
  l.tura = 1;
  return l;
}

class OrderTicketsTest : public ::testing::Test {
protected:
  // The PDF's text line by line as pdftotext lays it out, blanks folded, empty lines dropped.
  std::string pdfText(const BandedReport &report, const QString &name) {
    const QString pdf = m_dir.filePath(name + ".pdf");
    EXPECT_TRUE(ReportOutput::writePdf(report, pdf));
    if (const QString keep = qEnvironmentVariable("KASA_KEEP_TICKETS"); !keep.isEmpty())
      QFile::copy(pdf, keep + "/" + name + ".pdf"); // to look at them
    EXPECT_EQ(pdftools::pages(pdf), 1);
    // A ticket's page: 105 x 99 mm is 297.6 x 280.6 points.
    EXPECT_TRUE(pdftools::info(pdf).contains(QRegularExpression("Page size: +298 x 281 pts")))
        << pdftools::info(pdf).toStdString();
    QStringList lines;
    for (const QString &l : pdftools::text(pdf).split('\n')) {
      const QString t = l.trimmed().replace(QRegularExpression(" +"), " ");
      if (!t.isEmpty() && t != "\f")
        lines << t;
    }
    return lines.join('\n').toStdString();
  }
  QTemporaryDir m_dir;
  const QDateTime printed{QDate(2026, 12, 9), QTime(21, 5, 7)};
};

// The round of the edge case: soup ordered and voided in one round, a burger, cola and beer.
TEST_F(OrderTicketsTest, KitchenBarAndGuestOfOneRound) {
  const QList<TicketLine> kitchen = {{"2", "Supa", Quantity(0)}, {"7", "Pljeskavica", Quantity(2)}};
  const QList<TicketLine> bar = {{"1", "Coca cola", Quantity(2)}, {"3", "Pivo", Quantity(0.5)}};
  const QList<TableLine> guest = {line(1, "2", "Supa", 1, 200), line(2, "7", "Pljeskavica", 2, 450),
                                  line(3, "1", "Coca cola", 2, 100), line(4, "3", "Pivo", 0.5, 150),
                                  line(5, "2", "Supa", -1, 200, true)};

  EXPECT_EQ(pdfText(*OrderTickets::kitchen("Konobar: Marko", kitchen, printed), "kuhinja"),
            "Narudzbenica za kuhinju\n"
            "Konobar: Marko 09.12.2026 21:05:07\n"
            "Rbr Artikal Kolicina\n"
            "1 7 Pljeskavica 2,000");
  EXPECT_EQ(pdfText(*OrderTickets::bar("Konobar: Marko", bar, printed), "bar"),
            "Narudzbenica za bar\n"
            "Konobar: Marko 09.12.2026 21:05:07\n"
            "Rbr Artikal Kolicina\n"
            "1 1 Coca cola 2,000\n"
            "2 3 Pivo 0,500");
  EXPECT_EQ(pdfText(*OrderTickets::guest("Konobar: Marko", guest, printed), "gost"),
            "NEFISKALAN ISECAK\n"
            "Konobar: Marko 09.12.2026 21:05:07\n"
            "Rbr Artikal Kolicina Cena\n"
            "1 2 Supa 1,000 200,00\n"
            "2 7 Pljeskavica 2,000 450,00\n"
            "3 1 Coca cola 2,000 100,00\n"
            "4 3 Pivo 0,500 150,00\n"
            "5 2 Supa -1,000 200,00\n"
            "Ukupno : 1.175,00");
}

TEST_F(OrderTicketsTest, EmptyRoundsPrintTheirHeadAndASoupOnlyVoidedRoundLeavesTheKitchenEmpty) {
  EXPECT_EQ(pdfText(*OrderTickets::kitchen("Konobar: Ana", {{"2", "Supa", Quantity(0)}}, printed), "k"),
            "Narudzbenica za kuhinju\nKonobar: Ana 09.12.2026 21:05:07\nRbr Artikal Kolicina");
  const QList<TableLine> guest = {line(1, "2", "Supa", 1, 200), line(2, "2", "Supa", -1, 200, true)};
  EXPECT_EQ(pdfText(*OrderTickets::guest("Konobar: Ana", guest, printed), "g"),
            "NEFISKALAN ISECAK\nKonobar: Ana 09.12.2026 21:05:07\nRbr Artikal Kolicina Cena\n"
            "1 2 Supa 1,000 200,00\n2 2 Supa -1,000 200,00\nUkupno : 0,00");
}

TEST_F(OrderTicketsTest, ALongRoundRunsOnToMorePages) {
  QList<TableLine> guest;
  for (int i = 1; i <= 40; ++i)
    guest << line(i, "1", "Coca cola", 1, 100);
  const auto r = OrderTickets::guest("Konobar: Ana", guest, printed);
  EXPECT_GT(r->pageCount(), 1);
  const QString pdf = m_dir.filePath("long.pdf");
  ASSERT_TRUE(ReportOutput::writePdf(*r, pdf));
  const QString text = pdftools::text(pdf);
  EXPECT_TRUE(text.contains("40")) << text.toStdString();
  EXPECT_TRUE(text.contains("4.000,00"));
}

} // namespace
