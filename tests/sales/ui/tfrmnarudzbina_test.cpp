// The order window in the real window stack (offscreen) over a seeded table: focus, keys,
// the articles window as the F5 picker, the round list, the tickets.
#include "data/dbfixture.h"
#include "data/tablerepository.h"
#include "data/ui/tfrmartmain.h"
#include "reports/bandedreport.h"
#include "reports/pdftools.h"
#include "reports/reportoutput.h"
#include "reports/ui/reportpreview.h"
#include "sales/tableorders.h"
#include "sales/ui/tfrmnarudzbina.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

void clickOn(QWidget *w) {
  QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    w->mapTo(w->window(), w->rect().center()));
}

class TfrmNarudzbinaTest : public DbTest {
protected:
  void seed() override {
    testsupport::pinLocale();
    ASSERT_TRUE(addArticle("1", "Coca cola", 100, 2));
    ASSERT_TRUE(addArticle("2", "Supa", 200, 1));
    ASSERT_TRUE(addArticle("3", "Pivo", 150, 2));
    ASSERT_TRUE(db.exec("UPDATE artikli SET vrsta='J' WHERE sifra='2'"));
    ASSERT_TRUE(db.exec("UPDATE artikli SET vrsta='P' WHERE sifra<>'2'"));
    ASSERT_TRUE(db.exec("UPDATE artikli SET barkod='8600000000116' WHERE sifra='3'"));
    ASSERT_TRUE(db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2)"));
    // Round 1 stands: a soup.
    TableLine soup;
    soup.brstola = 5;
    soup.sifra = "2";
    soup.naziv = "Supa";
    soup.cena = Money(200);
    soup.kolicina = Quantity(1);
    soup.iznos = Money(200);
    soup.tura = 1;
    ASSERT_TRUE(TableRepository(db).addLine(soup));
    artMain = std::make_unique<TfrmArtMain>(db, *rules, &restaurant);
    artMain->host.message = [](const QString &, const QString &, bool q) { return !q; };
    context.db = &db;
    context.model = 4;
    context.pickArticle = [this] { return artMain->pick(); };
    context.now = [] { return QDateTime(QDate(2026, 12, 9), QTime(22, 10, 0)); };
    restaurant.setWindowTitle("Restoran");
    restaurant.resize(400, 300);
    restaurant.show();
  }
  void TearDown() override {
    artMain.reset();
    DbTest::TearDown();
  }
  // Runs act inside the order window's modal loop once it is the active window.
  void whenShown(std::function<void(TfrmNarudzbina &)> act) {
    QTimer::singleShot(30000, &restaurant, [] {
      if (auto *w = TfrmNarudzbina::showing())
        w->hide(); // a failed test must not hang in the loop
    });
    testsupport::when(
        &restaurant,
        [] {
          auto *w = TfrmNarudzbina::showing();
          return w && QApplication::activeModalWidget() == w && w->isActiveWindow();
        },
        [act] { act(*TfrmNarudzbina::showing()); });
  }
  QString stost() {
    QStringList out;
    for (const TableLine &l : TableRepository(db).lines(5).value_or({}))
      out << QStringLiteral("%1:%2:%3:%4:%5")
                 .arg(l.rbr)
                 .arg(l.sifra, l.kolicina.text())
                 .arg(l.storno)
                 .arg(l.tura);
    return out.join(' ');
  }
  static void key(QWidget *w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(w, Qt::Key(k), m);
  }
  static void type(TfrmNarudzbina &w, const char *text) { QTest::keyClicks(w.edtUnosRest, text); }

  QWidget restaurant;
  std::unique_ptr<TfrmArtMain> artMain;
  OrderWindowContext context;
  const Waiter marko{2, "Marko", false};
};
INSTANTIATE_TEST_SUITE_P(SQLite, TfrmNarudzbinaTest, ::testing::Values(Engine::SQLite), engineName);

TEST_P(TfrmNarudzbinaTest, KeysOfTheEntryLineAndTheTicketsOfTheRound) {
  bool modal = false, focusIn = false, pickerOverOrders = false, voidLabel = false, closedByEsc = false;
  QString heading, title, kolAfterStar, entryAfterStar, status;
  QStringList rounds;
  int selected = -1;
  QList<std::shared_ptr<BandedReport>> tickets;
  whenShown([&](TfrmNarudzbina &w) {
    new QAbstractItemModelTester(w.DBGridTure->model(), QAbstractItemModelTester::FailureReportingMode::Fatal,
                                 &w);
    w.showTicket = [&](std::shared_ptr<BandedReport> r) { tickets << r; };
    modal = QApplication::activeModalWidget() == &w && w.parentWidget() == &restaurant;
    focusIn = QApplication::focusWidget() == w.edtUnosRest;
    title = w.windowTitle();
    heading = w.LblNar->text();
    for (int i = 0; i < w.ListTure->count(); ++i)
      rounds << w.ListTure->item(i)->text();
    selected = w.ListTure->currentRow();

    type(w, "2"); // a soup
    key(w.edtUnosRest, Qt::Key_Return);
    type(w, "2"); // two colas: the quantity key of the numeric pad, then the code
    key(w.edtUnosRest, Qt::Key_Asterisk, Qt::KeypadModifier);
    kolAfterStar = w.edtKol->text();
    entryAfterStar = w.edtUnosRest->text();
    type(w, "1");
    key(w.edtUnosRest, Qt::Key_Enter, Qt::KeypadModifier);
    key(w.edtUnosRest, Qt::Key_Minus, Qt::KeypadModifier); // the soup taken back: position 1
    voidLabel = w.lblPonistavanje->isVisible() && w.edtUnosRest->text().isEmpty();
    type(w, "1");
    key(w.edtUnosRest, Qt::Key_Return);
    // F5: the articles window picks the beer.
    testsupport::when(
        &w, [&] { return artMain->isVisible() && QApplication::activeModalWidget() == artMain.get(); },
        [&] {
          pickerOverOrders = w.isVisible();
          QTest::keyClicks(artMain->EditTrazi, "piv");
          key(artMain->EditTrazi, Qt::Key_Return);
        });
    key(w.edtUnosRest, Qt::Key_F5);
    clickOn(w.BtnStampa);
    status = w.edtStatusRest->text();
    if (const QString shots = qEnvironmentVariable("KASA_SCREENSHOT_DIR"); !shots.isEmpty())
      w.grab().save(shots + "/tfrmnarudzbina.png");
    key(w.edtUnosRest, Qt::Key_Escape);
    closedByEsc = !w.isVisible();
  });
  ASSERT_TRUE(showNarudzbina(&restaurant, 5, marko, context));

  EXPECT_TRUE(modal);
  EXPECT_TRUE(focusIn);
  EXPECT_EQ(title, "Narudzbine");
  EXPECT_EQ(heading, "NARUDZBINE NA STOLU BROJ 5");
  EXPECT_EQ(rounds, (QStringList{"1", "2"}));
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(kolAfterStar, "2,000");
  EXPECT_EQ(entryAfterStar, "");
  EXPECT_TRUE(voidLabel);
  EXPECT_TRUE(pickerOverOrders);
  EXPECT_EQ(status, "");
  EXPECT_TRUE(closedByEsc);
  EXPECT_EQ(stost(), "1:2:1,000:0:1 2:2:1,000:0:2 3:1:2,000:0:2 4:2:-1,000:1:2 5:3:1,000:0:2");

  // The kitchen leaves out the soup ordered and voided in round 2; the guest shows both.
  ASSERT_EQ(tickets.size(), 3);
  QTemporaryDir out;
  QStringList texts;
  for (int i = 0; i < 3; ++i) {
    const QString pdf = out.filePath(QString::number(i) + ".pdf");
    ASSERT_TRUE(ReportOutput::writePdf(*tickets[i], pdf));
    texts << pdftools::text(pdf).simplified();
  }
  EXPECT_EQ(texts[0], "Narudzbenica za kuhinju Konobar: Marko 09.12.2026 22:10:00 Rbr Artikal Kolicina");
  EXPECT_EQ(texts[1], "Narudzbenica za bar Konobar: Marko 09.12.2026 22:10:00 Rbr Artikal Kolicina "
                      "1 1 Coca cola 2,000 2 3 Pivo 1,000");
  EXPECT_EQ(texts[2], "NEFISKALAN ISECAK Konobar: Marko 09.12.2026 22:10:00 Rbr Artikal Kolicina Cena "
                      "1 2 Supa 1,000 200,00 2 1 Coca cola 2,000 100,00 3 2 Supa -1,000 200,00 "
                      "4 3 Pivo 1,000 150,00 Ukupno : 350,00");
}

TEST_P(TfrmNarudzbinaTest, AnEarlierRoundIsChosenInTheList) {
  QString gridBefore, gridAfter;
  bool focusBack = false;
  whenShown([&](TfrmNarudzbina &w) {
    gridBefore = QString::number(w.DBGridTure->model()->rowCount());
    QListWidgetItem *first = w.ListTure->item(0);
    QTest::mouseClick(w.ListTure->viewport(), Qt::LeftButton, Qt::NoModifier,
                      w.ListTure->visualItemRect(first).center());
    gridAfter = QString::number(w.DBGridTure->model()->rowCount());
    focusBack = QApplication::focusWidget() == w.edtUnosRest;
    type(w, "1");
    key(w.edtUnosRest, Qt::Key_Return);
    w.close();
  });
  ASSERT_TRUE(showNarudzbina(&restaurant, 5, marko, context));
  EXPECT_EQ(gridBefore, "0");
  EXPECT_EQ(gridAfter, "1");
  EXPECT_TRUE(focusBack);
  EXPECT_EQ(stost(), "1:2:1,000:0:1 2:1:1,000:0:1");
}

TEST_P(TfrmNarudzbinaTest, TicketsGoToThePreviewWhenTheirPrinterIsMissing) {
  context.ticketPrinter = "NEMA-GA";
  QStringList previews;
  QString status;
  whenShown([&](TfrmNarudzbina &w) {
    type(w, "1");
    key(w.edtUnosRest, Qt::Key_Return);
    clickOn(w.cbKuhinja); // only bar and guest
    // Each ticket in its own modal preview over the order window, one after the other.
    std::function<void()> closeNext = [&] {
      testsupport::when(
          &w, [] { return qobject_cast<ReportPreview *>(QApplication::activeModalWidget()) != nullptr; },
          [&] {
            auto *p = qobject_cast<ReportPreview *>(QApplication::activeModalWidget());
            previews << QString::number(p->pageCount()) + (p->parentWidget() == &w ? " over orders" : "");
            status = w.edtStatusRest->text();
            if (previews.size() < 2)
              closeNext();
            QTest::keyClick(p, Qt::Key_Escape);
          });
    };
    closeNext();
    clickOn(w.BtnStampa);
    w.close();
  });
  ASSERT_TRUE(showNarudzbina(&restaurant, 5, marko, context));
  EXPECT_EQ(previews, (QStringList{"1 over orders", "1 over orders"}));
  EXPECT_EQ(status, "STAMPAC NEMA-GA NIJE DOSTUPAN");
}

TEST_P(TfrmNarudzbinaTest, ATableWhoseRoundsCannotBeReadOpensNothing) {
  ASSERT_TRUE(db.exec("DROP TABLE stost"));
  EXPECT_FALSE(showNarudzbina(&restaurant, 5, marko, context));
  EXPECT_EQ(TfrmNarudzbina::showing(), nullptr);
}

} // namespace
