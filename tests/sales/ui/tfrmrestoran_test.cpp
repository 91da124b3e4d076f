// The restaurant window in the real window stack (offscreen), over the real engine and
// fiscal-sim's device in-process: focus, the entry line's keys, closing refused while
// the table's receipt is out, the waiter change.
#include "sales/restaurantfixture.h"
#include "sales/ui/tfrmrestoran.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>

using restauranttest::Restaurant;

namespace {

TEST(TfrmRestoranWindow, KeysFocusAndClosing) {
  Restaurant r(1, true);
  TfrmRestoran form(*r.sale);
  form.applyModel(1);
  std::deque<std::optional<int>> waiters{3, std::nullopt}; // Esc: Marko, then "Otkaz"
  form.askWaiter = [&] {
    const auto w = waiters.front();
    waiters.pop_front();
    return w;
  };
  r.sale->showOrders = [&](int sto) {
    r.order(sto, "1", 2, 1);
    r.order(sto, "2", 1, 1);
    return true;
  };
  r.sale->showWaiter(2);

  QStringList seen;
  bool closedMidReceipt = true;
  // The window system activates a shown window and moves the focus in its own time (late
  // on a loaded machine): wait for that, a few seconds at most, rather than a fixed time.
  QLineEdit *entry = form.edtUnosRest;
  auto focusOnEntry = [&] {
    testsupport::waitFor([&] { return form.isActiveWindow() && QApplication::focusWidget() == entry; }, 5000);
    return QApplication::focusWidget() == entry ? "entry" : "elsewhere";
  };
  testsupport::when(
      &form, [&] { return form.isVisible(); },
      [&] {
        r.settle();
        seen << QStringLiteral("modal %1 focus %2").arg(form.isModal()).arg(focusOnEntry());
        QTest::keyClicks(entry, "3");
        QTest::keyClick(entry, Qt::Key_F8);
        seen << QStringLiteral("F8 %1 rows %2 '%3'")
                    .arg(r.sale->trenutniSto())
                    .arg(form.DBGridStolovi->model()->rowCount())
                    .arg(entry->text());
        QTest::keyClick(entry, Qt::Key_Insert);
        seen << QStringLiteral("Ins %1 lines %2")
                    .arg(form.lblUkupno->text())
                    .arg(form.DBGridStoStavke->model()->rowCount());
        QTest::keyClick(entry, Qt::Key_F4);
        QTest::keyClick(entry, Qt::Key_Delete); // abandon the terminal: "U redu" keeps the card
        seen << QStringLiteral("Del %1 %2")
                    .arg(form.edtKartica->text(), r.h.prompt.log.value(0).section('|', 1, 1));
        QTest::keyClicks(entry, "12");
        QTest::keyClick(entry, Qt::Key_Return); // text: nothing
        seen << QStringLiteral("Enter '%1' %2").arg(entry->text()).arg(entry->isEnabled());
        entry->clear();
        QTest::keyClick(entry, Qt::Key_Return); // settles
        form.close();
        closedMidReceipt = !form.isVisible();
        r.settle();
        r.settle();
        seen << QStringLiteral("settled %1 focus %2 tables %3")
                    .arg(entry->isEnabled())
                    .arg(focusOnEntry())
                    .arg(form.DBGridStolovi->model()->rowCount());
        QTest::keyClick(entry, Qt::Key_Escape); // Marko's code
        seen << QStringLiteral("Esc waiter %1 table %2").arg(r.sale->waiter()).arg(r.sale->trenutniSto());
        QTest::keyClick(entry, Qt::Key_Escape); // "Otkaz": the screen closes
      });
  form.exec();

  EXPECT_FALSE(closedMidReceipt);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(seen,
            (QStringList{"modal 1 focus entry", "F8 3 rows 2 ''", "Ins 350,00 lines 2", "Del 350,00 PREKID",
                         "Enter '12' 1", "settled 1 focus entry tables 1", "Esc waiter 3 table 6"}));
  EXPECT_EQ(r.device.journal().size(), 1);
  EXPECT_EQ(r.rows("SELECT kartica, gotovina FROM racuni"), QStringList{"350|0"});
  EXPECT_FALSE(r.h.engine->rezimRestoran());
}

// Mid-table, as the waiter sees it (saved for the README when asked).
TEST(TfrmRestoranWindow, RendersATableWithItsLines) {
  Restaurant r(4);
  r.order(5, "1", 2, 1);
  r.order(5, "2", 1, 2);
  r.order(5, "1", -1, 2);
  ASSERT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 2 WHERE brstola IN (1, 3)"));
  TfrmRestoran form(*r.sale);
  form.applyModel(4);
  r.sale->showWaiter(2);
  form.show();
  r.settle();
  r.sale->selectRow(2);
  r.sale->setEntry(QStringLiteral("200"));
  r.sale->gotovinaKey();
  EXPECT_EQ(form.lblUkupno->text(), "250,00");
  EXPECT_EQ(form.edtPovracaj->text(), "-50,00");
  EXPECT_TRUE(form.BtnTekst->isVisible());
  const QImage shot = form.grab().toImage();
  EXPECT_EQ(shot.size(), form.size());
  const QString path = qEnvironmentVariable("KASA_RESTORAN_SCREENSHOT");
  if (!path.isEmpty()) {
    EXPECT_TRUE(shot.save(path));
  }
  r.sale->requestClose();
}

} // namespace
