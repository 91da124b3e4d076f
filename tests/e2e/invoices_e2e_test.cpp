// The invoices window in the real program against fiscal-sim: a receipt sold on the
// retail screen, F9, a partner picked with F5 from the code lists, and the invoice printed from
// the preview as PDF with the letterhead picture.
#include "app/tfrmpocetna.h"
#include "data/ui/tfrmsifarnici.h"
#include "reports/pdftools.h"
#include "reports/ui/reportpreview.h"
#include "sales/invoices.h"
#include "sales/ui/tform2.h"
#include "sales/ui/tfrmracuni.h"
#include "shopfixture.h"

#include <QImage>
#include <QJsonArray>
#include <QTableView>
#include <QTest>

namespace {

using e2e::when;

class InvoicesE2E : public ::testing::Test, protected e2e::ShopFixture {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(prepareShop(4, [](SetKonfiguracija &r) { r.Memo = 1; }));
    QFile owner(dir.filePath("vlasnik.ini"));
    ASSERT_TRUE(owner.open(QIODevice::WriteOnly));
    owner.write("Prodavnica Kod Mike\nBulevar 1\nNovi Sad\n\n");
    owner.close();
    QImage memo(1600, 300, QImage::Format_RGB32);
    memo.fill(QColor(30, 80, 150));
    ASSERT_TRUE(memo.save(dir.filePath("memo.jpg"), "JPG"));
    ASSERT_NO_FATAL_FAILURE(startDevice(4));
  }
};

TEST_F(InvoicesE2E, SoldReceiptGetsAPartnerAndPrintsAsInvoice) {
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TForm2 &kasa = p.form2();
  TfrmRacuni &racuni = p.racuni();
  const QString pdf = dir.filePath("racun.pdf");
  bool sold = false, opened = false, saved = false, previewed = false;
  bool pickModal = false, pickedIntoReceipt = false;

  inRetailScreen(p, "2222", [&] {
    kasa.edtUnos->setText("1");
    kasa.handleKey(Qt::Key_Return, Qt::NoModifier);
    testsupport::waitFor([&] { return retailIdle(p); }, 10000);
    kasa.handleKey(Qt::Key_Return, Qt::NoModifier); // total and close in cash
    sold = testsupport::waitFor([&] { return p.retail().sledeciRed == 1 && !journal("receipt").isEmpty(); },
                                15000);
    when(
        &p, [&] { return racuni.isVisible(); },
        [&] {
          opened = QApplication::activeModalWidget() == &racuni;
          QTableView *grid = racuni.DBGrid1;
          InvoiceTableModel *m = qobject_cast<InvoiceTableModel *>(grid->model());
          if (!m)
            return;
          // F5 over the receipt: the code lists pick the partner, typed into their search.
          when(
              &p, [&] { return p.sifarnici().isVisible() && p.sifarnici().isActiveWindow(); },
              [&] {
                pickModal = QApplication::activeModalWidget() == &p.sifarnici();
                QTest::keyClicks(p.sifarnici().EdtTraziPartner, "kup");
                QTest::keyClick(p.sifarnici().EdtTraziPartner, Qt::Key_Return);
              });
          grid->setCurrentIndex(m->index(0, m->fieldIndex("datum")));
          QTest::keyClick(grid, Qt::Key_F5);
          pickedIntoReceipt = m->value(0, "sifpartner").toString().trimmed() == "1";
          // Back in the grid, as the window puts the cursor; Enter posts the row.
          if (!testsupport::waitFor([&] { return QApplication::focusWidget() == grid; }, 3000))
            return;
          QTest::keyClick(grid, Qt::Key_Return);
          saved = !m->hasPendingEdits() && m->value(0, "nazivkupca").toString() == "Kupac d.o.o.";
          when(
              &p, [] { return qobject_cast<ReportPreview *>(QApplication::activeModalWidget()) != nullptr; },
              [&] {
                auto *preview = qobject_cast<ReportPreview *>(QApplication::activeModalWidget());
                previewed = preview->savePdf(pdf);
                preview->close();
              });
          racuni.BitBtn1->click();
          racuni.close();
        });
    QTest::keyClick(kasa.windowHandle(), Qt::Key_F9);
  });
  p.pocetna().BtnProdesk->click();

  ASSERT_TRUE(sold) << unexpected.join("\n").toStdString();
  EXPECT_TRUE(opened);
  EXPECT_TRUE(pickModal);
  EXPECT_TRUE(pickedIntoReceipt);
  EXPECT_TRUE(saved);
  ASSERT_TRUE(previewed);
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();

  const QString text = pdftools::text(pdf);
  const qint64 fiscal = journal("receipt").last().value("fiscalNumber").toInteger();
  EXPECT_TRUE(text.contains("Kupac d.o.o.")) << text.toStdString();
  EXPECT_TRUE(text.contains("Glavna 1"));
  EXPECT_TRUE(text.contains("11000 Beograd"));
  EXPECT_FALSE(text.contains("Bulevar 1")); // the letterhead picture instead of the seller block
  EXPECT_TRUE(text.contains("Prodavnica Kod Mike nije u sistemu PDV"));
  EXPECT_TRUE(QRegularExpression("Mesto prometa:\\s+Novi Sad").match(text).hasMatch());
  EXPECT_TRUE(QRegularExpression("Osnovica za PDV \\(20,00%\\):\\s+100,00").match(text).hasMatch());
  EXPECT_TRUE(QRegularExpression("Iznos PDV \\(20%\\):\\s+20,00").match(text).hasMatch());
  EXPECT_TRUE(QRegularExpression("Gotovina:\\s+120,00").match(text).hasMatch());
  ASSERT_GT(fiscal, 0);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("Broj fiskalnog isečka:\\s+%1\\b").arg(fiscal))
                  .match(text)
                  .hasMatch());
  EXPECT_EQ(pdftools::run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).size(), 3);
  if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR"))
    QFile::copy(pdf, QDir(qEnvironmentVariable("KASA_SCREENSHOT_DIR")).filePath("racun.pdf"));
}

} // namespace
