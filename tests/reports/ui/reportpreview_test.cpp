#include "reports/bandedreport.h"
#include "reports/displaymask.h"
#include "reports/pdftools.h"
#include "reports/ui/reportpreview.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<BandedReport> numbered(int lines) {
  auto r = std::make_shared<BandedReport>();
  r->title = QStringLiteral("Promet na dan: 05.03.2008");
  r->pageHeaderRight = [](int p) { return QStringLiteral("Strana:%1").arg(p); };
  r->columns = {{QStringLiteral("Rbr"), 20, Qt::AlignRight}, {QStringLiteral("Naziv"), 100}};
  r->detail = [](int row) {
    return QStringList{QString::number(row + 1), QStringLiteral("Artikal %1").arg(row + 1)};
  };
  r->addDetails(lines);
  return r;
}

TEST(ReportPreview, NavigatesPagesAndSavesThePdf) {
  const auto report = numbered(300);
  ReportPreview preview(report);
  preview.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  const int pages = preview.pageCount();
  ASSERT_EQ(pages, report->pageCount());
  ASSERT_GE(pages, 3);
  EXPECT_EQ(preview.LblStrana->text(), QStringLiteral("Strana 1 od %1").arg(pages));
  EXPECT_FALSE(preview.BtnPrethodna->isEnabled());

  QTest::mouseClick(preview.BtnSledeca, Qt::LeftButton);
  EXPECT_EQ(preview.currentPage(), 1);
  QTest::keyClick(&preview, Qt::Key_PageDown);
  EXPECT_EQ(preview.currentPage(), 2);
  QTest::mouseClick(preview.BtnPoslednja, Qt::LeftButton);
  EXPECT_EQ(preview.currentPage(), pages - 1);
  EXPECT_FALSE(preview.BtnSledeca->isEnabled());
  QTest::mouseClick(preview.BtnSledeca, Qt::LeftButton); // stays on the last page
  EXPECT_EQ(preview.currentPage(), pages - 1);
  QTest::mouseClick(preview.BtnPrethodna, Qt::LeftButton);
  EXPECT_EQ(preview.currentPage(), pages - 2);
  QTest::mouseClick(preview.BtnPrva, Qt::LeftButton);
  EXPECT_EQ(preview.LblStrana->text(), QStringLiteral("Strana 1 od %1").arg(pages));

  const double before = preview.zoom();
  QTest::mouseClick(preview.BtnUvecaj, Qt::LeftButton);
  EXPECT_GT(preview.zoom(), before);
  QTest::mouseClick(preview.BtnUmanji, Qt::LeftButton);
  QTest::mouseClick(preview.BtnUmanji, Qt::LeftButton);
  EXPECT_LT(preview.zoom(), before);

  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("pregled.pdf"));
  preview.askPdfPath = [pdf] { return pdf; };
  QTest::mouseClick(preview.BtnPdf, Qt::LeftButton);
  EXPECT_EQ(pdftools::pages(pdf), pages);
  const QString text = pdftools::text(pdf);
  EXPECT_TRUE(text.contains(QStringLiteral("Artikal 1\n")) || text.contains(QStringLiteral("Artikal 1 ")));
  EXPECT_TRUE(text.contains(QStringLiteral("Artikal 300")));

  QTest::keyClick(&preview, Qt::Key_Escape);
  EXPECT_FALSE(preview.isVisible());
}

TEST(ReportPreview, ShowsTheFirstPageOfAHugeListingWithoutDrawingTheOthers) {
  const auto report = numbered(1'000'000); // about 20,000 pages
  ReportPreview preview(report);
  preview.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  QApplication::processEvents();
  EXPECT_GT(preview.pageCount(), 15000);
  EXPECT_GE(preview.pagesDrawn(), 1);
  EXPECT_LE(preview.pagesDrawn(), 3); // repaints of the first page, nothing else

  QTest::mouseClick(preview.BtnPoslednja, Qt::LeftButton);
  EXPECT_EQ(preview.LblStrana->text(), QStringLiteral("Strana %1 od %1").arg(preview.pageCount()));
  if (!qEnvironmentVariableIsEmpty("KASA_SHOT_DIR"))
    preview.grab().save(qEnvironmentVariable("KASA_SHOT_DIR") + QStringLiteral("/preview.png"));
}

} // namespace
