#include "reports/bandedreport.h"
#include "reports/displaymask.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"

#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct MaskCase {
  QString mask;
  double value;
  const char *text;
};

TEST(DisplayMask, WritesNumbersAsTheReportsShowThem) {
  const MaskCase cases[] = {
      {DisplayMask::Money, 1234567.891, "1.234.567,89"},
      {DisplayMask::Money, 0, "0,00"},
      {DisplayMask::Money, 0.5, "0,50"},
      {DisplayMask::Money, -12.345, "-12,35"}, // half away from zero
      {DisplayMask::Money, 2.675, "2,68"},     // on the decimal text, not the binary value
      {DisplayMask::Money, -0.001, "0,00"},    // no "-0,00"
      {DisplayMask::Money, 999.995, "1.000,00"},
      {DisplayMask::LineQuantity, 1.5, "1,500"},
      {DisplayMask::LineQuantity, -0.25, "-0,250"},
      {DisplayMask::Quantity, 12345.6785, "12.345,679"},
      {DisplayMask::StockValue, 1e12, "1.000.000.000.000,00"},
      {DisplayMask::Percent, 20, "20,00"},
      {DisplayMask::Percent, 1234.5, "1234,50"}, // no grouping without a ',' in the mask
      {QStringLiteral("0.0#"), 1.25, "1,25"},
      {QStringLiteral("0.0#"), 1.2, "1,2"},
      {QStringLiteral("#"), 0, ""},
  };
  for (const MaskCase &c : cases)
    EXPECT_EQ(DisplayMask::format(c.mask, c.value), QString::fromUtf8(c.text))
        << c.mask.toStdString() << " " << c.value;
}

// A listing of n numbered lines with a page header, title, columns and summary.
std::shared_ptr<BandedReport> listing(int n, PageFormat page = PageFormat::a4()) {
  auto r = std::make_shared<BandedReport>();
  r->page = page;
  r->title = QStringLiteral("Promet na dan: 05.03.2008");
  r->pageHeaderRight = [](int p) { return QStringLiteral("Strana:%1").arg(p); };
  r->columns = {{QStringLiteral("Rbr"), 15, Qt::AlignRight},
                {QStringLiteral("Naziv"), 80},
                {QStringLiteral("Iznos"), 30, Qt::AlignRight}};
  r->detail = [](int row) {
    return QStringList{QString::number(row + 1), QStringLiteral("Linija%1").arg(row + 1),
                       DisplayMask::format(DisplayMask::Money, row + 0.5)};
  };
  r->addDetails(n);
  r->summary = {{QString(), QStringLiteral("Ukupan promet:"), DisplayMask::format(DisplayMask::Money, n)}};
  return r;
}

TEST(BandedReport, PaginatesEveryLineOnceWithTheSummaryAtTheEnd) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
  const auto report = listing(250);
  ASSERT_GT(report->pageCount(), 2);
  ASSERT_TRUE(ReportOutput::writePdf(*report, pdf));
  EXPECT_EQ(pdftools::pages(pdf), report->pageCount());

  const QStringList pages = pdftools::text(pdf).split(QLatin1Char('\f'));
  QString all;
  for (int p = 0; p < report->pageCount(); ++p) {
    EXPECT_TRUE(pages[p].contains(QStringLiteral("Strana:%1").arg(p + 1))) << p;
    EXPECT_TRUE(pages[p].contains(QStringLiteral("Naziv"))) << "column header on page " << p;
    EXPECT_EQ(pages[p].contains(QStringLiteral("Promet na dan")), p == 0) << "title only on the first page";
    all += pages[p];
  }
  for (int row = 1; row <= 250; ++row)
    EXPECT_EQ(all.count(QRegularExpression(QStringLiteral("\\bLinija%1\\b").arg(row))), 1) << row;
  EXPECT_TRUE(pages[report->pageCount() - 1].contains(QStringLiteral("Ukupan promet:")));
  EXPECT_TRUE(all.contains(QStringLiteral("249,50")));
  EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral("Ukupan promet:\\s+250,00"))));
}

// What the print dialog's page range sends to the printer: only those pages, in order.
TEST(BandedReport, APageRangeRendersOnlyThosePages) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
  const auto report = listing(250);
  ASSERT_GE(report->pageCount(), 4);
  {
    QPdfWriter writer(pdf);
    ASSERT_TRUE(ReportOutput::render(*report, writer, 1, 2));
  }
  EXPECT_EQ(pdftools::pages(pdf), 2);
  const QString text = pdftools::text(pdf);
  EXPECT_FALSE(text.contains(QStringLiteral("Strana:1\n")));
  EXPECT_LT(text.indexOf(QStringLiteral("Strana:2")), text.indexOf(QStringLiteral("Strana:3")));
  EXPECT_GE(text.indexOf(QStringLiteral("Strana:2")), 0);
  EXPECT_FALSE(text.contains(QStringLiteral("Strana:4")));
}

TEST(BandedReport, AnEmptyReportIsOnePageWithItsSummary) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("e.pdf"));
  const auto report = listing(0);
  EXPECT_EQ(report->pageCount(), 1);
  ASSERT_TRUE(ReportOutput::writePdf(*report, pdf));
  EXPECT_TRUE(pdftools::text(pdf).contains(QRegularExpression(QStringLiteral("Ukupan promet:\\s+0,00"))));
}

TEST(BandedReport, SerbianLatinAndCyrillicAreEmbeddedAndReadBack) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("c.pdf"));
  auto report = listing(2);
  report->title = QStringLiteral("Čćžšđ ČĆŽŠĐ Ђорђе Љубичић Њива");
  report->detail = [](int row) {
    return QStringList{QString::number(row + 1),
                       row ? QStringLiteral("Шљива ракија") : QStringLiteral("Ćevapčići"),
                       QStringLiteral("1,00")};
  };
  ASSERT_TRUE(ReportOutput::writePdf(*report, pdf));
  const QString text = pdftools::text(pdf);
  for (const char *word : {"Čćžšđ", "ČĆŽŠĐ", "Ђорђе", "Љубичић", "Њива", "Шљива", "Ćevapčići"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
  // Every font of the file is embedded (pdffonts' "emb" column), so another machine shows the same.
  const QStringList fontLines = pdftools::fonts(pdf).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
  ASSERT_FALSE(fontLines.isEmpty());
  for (const QString &line : fontLines)
    EXPECT_TRUE(
        line.contains(QRegularExpression(QStringLiteral("\\s+yes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$"))))
        << line.toStdString();
}

TEST(BandedReport, PaperSizesReachThePdf) {
  QTemporaryDir dir;
  struct {
    PageFormat page;
    const char *size; // pdfinfo's points
  } cases[] = {{PageFormat::a4(), "595 x 842 pts"}, {PageFormat::ticket(), "298 x 281 pts"}};
  for (const auto &c : cases) {
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    ASSERT_TRUE(ReportOutput::writePdf(*listing(3, c.page), pdf));
    EXPECT_TRUE(pdftools::info(pdf).contains(QString::fromLatin1(c.size)))
        << pdftools::info(pdf).toStdString();
  }
}

TEST(BandedReport, GroupsAndCustomBandsKeepTheirOrder) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("g.pdf"));
  BandedReport r;
  r.columns = {{QStringLiteral("SIFRA"), 30}, {QStringLiteral("SUMA"), 30, Qt::AlignRight}};
  r.groupHeader = [](int g) { return QList<QStringList>{{QStringLiteral("Grupa%1").arg(g)}}; };
  r.groupFooter = [](int g) {
    return QList<QStringList>{{QStringLiteral("Ukupno za grupu:"), QString::number(g * 10)}};
  };
  r.detail = [](int row) { return QStringList{QStringLiteral("art%1").arg(row), QStringLiteral("1")}; };
  bool painted = false;
  r.addCustom({12, [&painted](BandCanvas &c) {
                 painted = c.rect.height() > 0;
                 c.painter.drawText(c.rect, Qt::AlignLeft, QStringLiteral("Zaglavlje"));
               }});
  for (int g = 1; g <= 2; ++g) {
    r.addGroupHeader(g);
    r.addDetail(g * 100);
    r.addGroupFooter(g);
  }
  ASSERT_TRUE(ReportOutput::writePdf(r, pdf));
  EXPECT_TRUE(painted);
  const QString text = pdftools::text(pdf).simplified();
  const QStringList order = {
      "Zaglavlje", "Grupa1", "art100", "Ukupno za grupu: 10", "Grupa2", "art200", "Ukupno za grupu: 20"};
  qsizetype at = 0;
  for (const QString &piece : order) {
    const qsizetype found = text.indexOf(piece, at);
    EXPECT_GE(found, 0) << piece.toStdString() << " in " << text.toStdString();
    at = std::max(at, found);
  }
}

} // namespace
