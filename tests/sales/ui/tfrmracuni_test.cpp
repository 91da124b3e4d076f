// The invoices and instalments windows in the real window stack (offscreen): opened
// with F9 from the retail window after a sale against fiscal-sim's device, keys as a
// cashier presses them, and the invoice they print.
#include "data/dbfixture.h"
#include "reports/bandedreport.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"
#include "sales/invoices.h"
#include "sales/shopfixture.h"
#include "sales/ui/tform2.h"
#include "sales/ui/tfrmracuni.h"
#include "sales/ui/tfrmrate.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace shoptest;

namespace {

QString shotPath(const char *name) {
  return QDir(qEnvironmentVariable("KASA_SHOTS", QDir::tempPath())).filePath(QLatin1String(name));
}

// The titles of the grid's visible columns, left to right.
QStringList visibleTitles(QTableView *grid) {
  QStringList titles;
  QHeaderView *h = grid->horizontalHeader();
  for (int v = 0; v < h->count(); ++v) {
    const int logical = h->logicalIndex(v);
    if (!h->isSectionHidden(logical))
      titles << grid->model()->headerData(logical, Qt::Horizontal).toString();
  }
  return titles;
}

class InvoicesWindow : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(shop.h.db.exec("INSERT INTO partner (sifpartner, naziv) VALUES ('P1', 'Jelena doo')"));
    ASSERT_TRUE(shop.h.db.exec("INSERT INTO porstope (stopa, iznos) VALUES (2, 20)"));
    shop.sale->showInvoices = [this] { racuni.open(); };
    racuni.message = [this](const QString &title, const QString &text) { told << title + " / " + text; };
    racuni.invoiceSettings = [](QString *) {
      InvoiceSettings s;
      s.owner = Vlasnik::parse("Prodavnica\nBeograd\n\n");
      return std::optional<InvoiceSettings>(s);
    };
    racuni.showReport = [this](std::shared_ptr<BandedReport> r) { printed = r; };
  }
  // One receipt sold and closed on the retail window.
  void sellOne() {
    form.show();
    shop.settle();
    shop.sell("1");
    shop.cash("100");
    shop.enter();
    shop.settle();
    ASSERT_EQ(shop.row("SELECT status FROM racuni"), "1");
  }

  Shop shop{4};
  RecordedMessages messages;
  RecordRules rules{shop.h.db, messages};
  Invoices invoices{shop.h.db, rules, messages};
  TForm2 form{*shop.sale, shop.h.clock};
  TfrmRacuni racuni{invoices};
  QStringList told;
  std::shared_ptr<BandedReport> printed;
};

TEST_F(InvoicesWindow, F9OpensItModallyAndItsKeysWork) {
  ASSERT_NO_FATAL_FAILURE(sellOne());
  bool checked = false, rateChecked = false;
  QString pickedOn;
  QList<bool> filterCleared;
  racuni.pickPartner = [&](bool clearFilter) {
    pickedOn = QApplication::activeModalWidget() == &racuni ? "over the invoices" : "elsewhere";
    filterCleared << clearFilter;
    return QStringLiteral("P1");
  };
  testsupport::when(
      &form, [&] { return racuni.isVisible(); },
      [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&racuni));
        EXPECT_EQ(QApplication::activeModalWidget(), &racuni);
        EXPECT_EQ(QApplication::focusWidget(), racuni.DBGrid1);
        EXPECT_EQ(racuni.windowTitle(), "Racuni");
        EXPECT_EQ(visibleTitles(racuni.DBGrid1),
                  (QStringList{"BROJ RACUNA", "DATUM", "PARTNER", "NAZIV KUPCA", "FIS.ISECAK", "ROK",
                               "OSLOBODJENJE", "CLAN"}));
        EXPECT_EQ(racuni.DBGrid2->model()->rowCount(), 1);
        racuni.grab().save(shotPath("tfrmracuni.png"));

        QTest::keyClick(racuni.DBGrid1, Qt::Key_F5); // the pick hands the code back into the receipt
        EXPECT_EQ(pickedOn, "over the invoices");
        EXPECT_TRUE(invoices.receipts()->hasPendingEdits());
        QTest::keyClick(racuni.DBGrid1, Qt::Key_Return); // saves the row
        EXPECT_FALSE(invoices.receipts()->hasPendingEdits());
        EXPECT_EQ(shop.row("SELECT sifpartner FROM racuni"), "P1");
        EXPECT_EQ(shop.row("SELECT nazivkupca FROM racuni"), "Jelena doo");
        racuni.btnSifPartner->click(); // the button shows every partner, F5 keeps the search
        EXPECT_EQ(filterCleared, (QList<bool>{false, true}));
        EXPECT_TRUE(QTest::qWaitForWindowActive(&racuni));
        EXPECT_EQ(QApplication::focusWidget(), racuni.DBGrid1);
        EXPECT_TRUE(invoices.save()); // the same partner again

        testsupport::when(
            &racuni, [&] { return racuni.frmRate->isVisible(); },
            [&] {
              TfrmRate &rate = *racuni.frmRate;
              EXPECT_TRUE(QTest::qWaitForWindowActive(&rate));
              EXPECT_EQ(QApplication::activeModalWidget(), &rate);
              EXPECT_TRUE(
                  testsupport::waitFor([&] { return QApplication::focusWidget() == rate.DBGrid1; }, 3000));
              EXPECT_EQ(rate.windowTitle(), "Dospece");
              EXPECT_EQ(visibleTitles(rate.DBGrid1), (QStringList{"RBR", "IZNOS", "DATUM", "NACIN", "TIP",
                                                                  "CEK/KARTICA", "BROJ TRANSAKCIJE"}));
              QTest::keyClick(rate.DBGrid1, Qt::Key_Insert); // a new instalment
              QTest::keyClicks(QApplication::focusWidget(), "1");
              QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // the cell
              QApplication::processEvents();
              QTest::keyClick(rate.DBGrid1, Qt::Key_Return); // the row: number 1 is the payment's
              EXPECT_EQ(messages.lastText(), "Redni broj vec postoji!");
              rate.grab().save(shotPath("tfrmrate.png"));
              QTest::keyClick(rate.DBGrid1, Qt::Key_Escape); // drops the new row
              EXPECT_TRUE(rate.isVisible());
              QTest::keyClick(rate.DBGrid1, Qt::Key_Escape); // closes
              rateChecked = !rate.isVisible();
            });
        QTest::keyClick(racuni.DBGrid1, Qt::Key_F8);
        EXPECT_TRUE(rateChecked);
        EXPECT_EQ(QApplication::activeModalWidget(), &racuni);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&racuni));
        EXPECT_EQ(QApplication::focusWidget(), racuni.DBGrid1);
        EXPECT_EQ(shop.row("SELECT COUNT(*) FROM rate"), "1");

        racuni.BitBtn1->click();
        EXPECT_TRUE(printed != nullptr);

        racuni.pickPartner = nullptr; // the code lists cannot pick yet: said so
        racuni.btnSifPartner->click();
        EXPECT_EQ(told, (QStringList{"Obavestenje! / Partneri jos nisu dostupni"}));
        checked = true;
        QTest::keyClick(racuni.DBGrid1, Qt::Key_Escape);
      });
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(form.edtUnos, Qt::Key_F9);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(racuni.isVisible());
  EXPECT_EQ(form.focusWidget(), form.edtUnos); // back on the retail window's entry line

  ASSERT_TRUE(printed);
  QTemporaryDir dir;
  const QString pdf = dir.filePath("racun.pdf");
  ASSERT_TRUE(ReportOutput::writePdf(*printed, pdf));
  const QString text = pdftools::text(pdf);
  EXPECT_TRUE(text.contains("Jelena doo")) << text.toStdString();
  EXPECT_TRUE(text.contains("Ukupan iznos:"));
  EXPECT_TRUE(text.contains("Gotovina:"));
}

TEST_F(InvoicesWindow, EmptyDocumentNumberTypedBecomesTheReceiptNumberAndPrintsAtOnce) {
  ASSERT_NO_FATAL_FAILURE(sellOne());
  const QString broj = shop.row("SELECT broj FROM racuni");
  bool checked = false;
  testsupport::when(
      &racuni, [&] { return racuni.isVisible(); },
      [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&racuni));
        InvoiceTableModel *m = invoices.receipts();
        racuni.DBGrid1->setCurrentIndex(m->index(0, m->fieldIndex("broj_dok")));
        QTest::keyClick(racuni.DBGrid1, Qt::Key_F2); // the cell's editor, its text cleared
        QWidget *editor = QApplication::focusWidget();
        EXPECT_NE(editor, racuni.DBGrid1);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_TRUE(m->hasPendingEdits());
        racuni.BitBtn1->click(); // saved first, then printed: no refusal
        EXPECT_TRUE(messages.shown.isEmpty()) << messages.lastText().toStdString();
        EXPECT_EQ(shop.row("SELECT broj_dok FROM racuni"), broj);
        checked = true;
        racuni.reject();
      });
  racuni.open();
  EXPECT_TRUE(checked);
  ASSERT_TRUE(printed);
  EXPECT_EQ(printed->title, "RAČUN    br. " + broj);
}

TEST_F(InvoicesWindow, PrintWithoutReceiptsOrOwnerFileSaysWhy) {
  bool checked = false;
  testsupport::when(
      &racuni, [&] { return racuni.isVisible(); },
      [&] {
        racuni.BitBtn1->click(); // nothing sold yet
        EXPECT_EQ(messages.lastText(), "Ne postoji nijedan racun za stampu!");
        EXPECT_EQ(messages.beeps, 1);
        EXPECT_FALSE(printed);
        checked = true;
        racuni.reject();
      });
  racuni.open();
  EXPECT_TRUE(checked);

  ASSERT_NO_FATAL_FAILURE(sellOne());
  racuni.invoiceSettings = [](QString *error) {
    *error = "Datoteka vlasnik.ini se ne moze otvoriti";
    return std::optional<InvoiceSettings>();
  };
  checked = false;
  testsupport::when(
      &racuni, [&] { return racuni.isVisible(); },
      [&] {
        racuni.BitBtn1->click();
        EXPECT_EQ(told, (QStringList{"GRESKA / Datoteka vlasnik.ini se ne moze otvoriti"}));
        EXPECT_FALSE(printed);
        checked = true;
        racuni.reject();
      });
  racuni.open();
  EXPECT_TRUE(checked);
}

} // namespace
