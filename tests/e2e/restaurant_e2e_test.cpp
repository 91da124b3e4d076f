// The real program's windows, offscreen, against fiscal-sim over a pty: the waiter logs
// in, "&RESTORAN", opens a free table by number, takes two rounds of orders in the order
// window, settles the table in cash as one receipt, and the table is freed; a line the
// device refuses, answered "Nastavi", stays on the table for the next receipt while the
// receipt the device holds open is paid and closed for the lines it took.
#include "app/tfrmpocetna.h"
#include "data/tablerepository.h"
#include "sales/restaurantsale.h"
#include "sales/ui/tfrmnarudzbina.h"
#include "sales/ui/tfrmrestoran.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QListWidget>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

namespace {

using e2e::when;

class RestaurantE2E : public ::testing::TestWithParam<int>, protected e2e::ShopFixture {
protected:
  // Model 3 is the Menko variant: configured as a Menko, found by the main menu.
  static int configured() { return GetParam() == 3 ? 2 : GetParam(); }
  static bool menko() { return configured() == 2; }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(prepareShop(configured()));
    ASSERT_NO_FATAL_FAILURE(startDevice(GetParam(), {"--control", dir.filePath("ctl")}));
  }
  static bool idle(Program &p) {
    return p.restoran().edtUnosRest->isEnabled() && !p.engine().awaitingReply();
  }
  // Ins on the restaurant screen; typing runs in the order window once it is the modal
  // window, Esc closes it.
  static void inOrders(Program &p, std::function<void(TfrmNarudzbina &)> typing) {
    when(
        &p,
        [] {
          TfrmNarudzbina *o = TfrmNarudzbina::showing();
          return o && o->isVisible() && QApplication::activeModalWidget() == o;
        },
        [typing = std::move(typing)] {
          TfrmNarudzbina &o = *TfrmNarudzbina::showing();
          typing(o);
          QTest::keyClick(o.edtUnosRest, Qt::Key_Escape);
        });
    QTest::keyClick(p.restoran().edtUnosRest, Qt::Key_Insert);
  }
  static QString roundItems(TfrmNarudzbina &o) {
    QStringList items;
    for (int i = 0; i < o.ListTure->count(); ++i)
      items << o.ListTure->item(i)->text() + (o.ListTure->item(i)->isSelected() ? "*" : "");
    return items.join(',');
  }
};

TEST_P(RestaurantE2E, TableOpenedSettledInCashAndFreed) {
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TfrmRestoran &w = p.restoran();
  RestaurantSale &sale = p.restaurant();
  QStringList seen;
  QString grabbed;

  logInThen(p, "3333", [&p] { p.glavna().BtnRestoran->click(); }); // Marko, a waiter
  when(
      &p, [&] { return w.isVisible() && idle(p); },
      [&] {
        seen << QStringLiteral("tables %1 current %2")
                    .arg(w.DBGridStolovi->model()->rowCount())
                    .arg(sale.trenutniSto());
        w.edtUnosRest->setText("2");
        w.handleKey(Qt::Key_F8, Qt::NoModifier);
        seen << QStringLiteral("opened %1 by %2").arg(sale.trenutniSto()).arg(sale.waiter());
        // Round 1: two coffees (quantity key) and a chocolate; round 2: a coffee voided
        // again by its position in the round, all typed into the order window that Ins opens.
        inOrders(p, [&](TfrmNarudzbina &o) {
          seen << QStringLiteral("orders '%1' rounds %2").arg(o.LblNar->text()).arg(roundItems(o));
          QTest::keyClicks(o.edtUnosRest, "2");
          QTest::keyClick(o.edtUnosRest, Qt::Key_Asterisk, Qt::KeypadModifier);
          QTest::keyClicks(o.edtUnosRest, "1");
          QTest::keyClick(o.edtUnosRest, Qt::Key_Return);
          QTest::keyClicks(o.edtUnosRest, "11");
          QTest::keyClick(o.edtUnosRest, Qt::Key_Return);
        });
        seen << QStringLiteral("round 1 total %1 lines %2")
                    .arg(w.lblUkupno->text())
                    .arg(w.DBGridStoStavke->model()->rowCount());
        inOrders(p, [&](TfrmNarudzbina &o) {
          seen << QStringLiteral("rounds %1").arg(roundItems(o));
          QTest::keyClicks(o.edtUnosRest, "1");
          QTest::keyClick(o.edtUnosRest, Qt::Key_Return);
          QTest::keyClick(o.edtUnosRest, Qt::Key_Minus, Qt::KeypadModifier);
          QTest::keyClicks(o.edtUnosRest, "1");
          QTest::keyClick(o.edtUnosRest, Qt::Key_Return);
          seen << QStringLiteral("round 2 rows %1").arg(o.DBGridTure->model()->rowCount());
        });
        seen << QStringLiteral("total %1").arg(w.lblUkupno->text());
        const QString shot = dir.filePath("restoran.png");
        if (w.grab().save(shot))
          grabbed = shot;
        w.edtUnosRest->setText("500");
        w.handleKey(Qt::Key_Plus, Qt::KeypadModifier);
        w.edtUnosRest->clear();
        w.handleKey(Qt::Key_Return, Qt::NoModifier);
        when(
            &p, [&] { return idle(p) && sale.trenutniSto() == 0; },
            [&] {
              seen << QStringLiteral("after %1 %2")
                          .arg(w.lblUkupno->text())
                          .arg(w.DBGridStolovi->model()->rowCount());
              w.edtUnosRest->setFocus();
              // Esc, then "Otkaz" in the waiter code window: the restaurant closes.
              when(
                  &p, [&p] { return p.form4().isVisible(); }, [&p] { p.form4().BitBtn2->click(); });
              w.handleKey(Qt::Key_Escape, Qt::NoModifier);
              when(
                  &p, [&] { return !w.isVisible() && p.glavna().isVisible(); }, [&p] { p.glavna().close(); });
            },
            20000);
      });
  p.pocetna().BtnProdesk->click(); // returns when the windows are closed again

  EXPECT_EQ(seen,
            (QStringList{"tables 0 current 0", "opened 2 by 3",
                         "orders 'NARUDZBINE NA STOLU BROJ 2' rounds 1*", "round 1 total 420,00 lines 2",
                         "rounds 1,2*", "round 2 rows 2", "total 420,00", "after 0,00 0"}));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  EXPECT_EQ(enterNotices, menko() ? 0 : 1);
  EXPECT_FALSE(p.engine().rezimRestoran());
  if (qEnvironmentVariableIsSet("KASA_RESTORAN_SCREENSHOT") && !grabbed.isEmpty())
    QFile::copy(grabbed, qEnvironmentVariable("KASA_RESTORAN_SCREENSHOT"));

  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_EQ(receipts.size(), 1);
  QStringList printed;
  for (const QJsonValue &l : receipts[0].value("lines").toArray())
    printed << QStringLiteral("%1 %2%3")
                   .arg(l.toObject().value("article").toInt())
                   .arg(l.toObject().value("quantity").toDouble())
                   .arg(l.toObject().value("void").toBool() ? " void" : "");
  EXPECT_EQ(printed.size(), 4) << printed.join(", ").toStdString();
  EXPECT_EQ(printed.filter(" void").size(), 1) << printed.join(", ").toStdString();
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 420.0);
  // A Menko's closing books the rest as cash: the tendered amount never reaches it.
  EXPECT_DOUBLE_EQ(receipts[0].value("paid").toDouble(), menko() ? 420.0 : 500.0);
  EXPECT_EQ(receipts[0].value("operator").toInt(), 3);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT STATUS, BRSTOLA, SIFOPER, GOTOVINA, BRFISIS FROM RACUNI"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 1);
  EXPECT_EQ(q.value(1).toInt(), 2);
  EXPECT_EQ(q.value(2).toInt(), 3);
  EXPECT_NEAR(q.value(3).toDouble(), 420.0, 0.001);
  if (!menko()) {
    EXPECT_EQ(q.value(4).toInt(), receipts[0].value("fiscalNumber").toInt());
  }
  EXPECT_FALSE(q.next());
  ASSERT_TRUE(q.exec("SELECT SUM(IZNOS), COUNT(*) FROM PRODATO"));
  ASSERT_TRUE(q.next());
  EXPECT_NEAR(q.value(0).toDouble(), 420.0, 0.001);
  EXPECT_EQ(q.value(1).toInt(), 4);
  ASSERT_TRUE(q.exec("SELECT COALESCE(SUM(IZNOS), 0) FROM RATE"));
  ASSERT_TRUE(q.next());
  EXPECT_NEAR(q.value(0).toDouble(), menko() ? 0.0 : 420.0, 0.001); // Menko books the cash on RACUNI
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM STOST"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 0);
  ASSERT_TRUE(q.exec("SELECT SIFKONOB FROM STOLOVI WHERE BRSTOLA = 2"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), -1);
}

TEST_P(RestaurantE2E, ThirdLineRefusedNastaviKeepsItOnTheTable) {
  answerNastavi = true;
  {
    Database db;
    ASSERT_TRUE(db.open(1, dir.path()));
    ASSERT_TRUE(db.exec("UPDATE stolovi SET sifkonob = 3 WHERE brstola = 2"));
    TableRepository tables(db);
    // The third line is an article the receipt already sold: nothing is programmed
    // between the second line and it.
    const struct {
      const char *sifra, *naziv;
      double cena;
    } orders[] = {{"1", "Kafa espresso", 120}, {"11", "Cokolada 100g", 180}, {"1", "Kafa espresso", 120}};
    for (const auto &o : orders) {
      TableLine l;
      l.brstola = 2;
      l.sifra = o.sifra;
      l.naziv = o.naziv;
      l.cena = l.iznos = Money(o.cena);
      l.kolicina = Quantity(1);
      l.tura = 1;
      ASSERT_TRUE(tables.addLine(l));
    }
  }
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TfrmRestoran &w = p.restoran();
  RestaurantSale &sale = p.restaurant();
  QStringList seen;
  bool refusedThird = false;

  logInThen(p, "3333", [&p] { p.glavna().BtnRestoran->click(); });
  when(
      &p, [&] { return w.isVisible() && idle(p); },
      [&] {
        seen << QStringLiteral("table %1 total %2").arg(sale.trenutniSto()).arg(w.lblUkupno->text());
        // Slow replies leave time to arm the refusal once the device holds two lines.
        control(QJsonObject{{"cmd", "latency"}, {"ms", 300}});
        QTest::keyClick(w.edtUnosRest, Qt::Key_Return);
        refusedThird = testsupport::waitFor(
            [&] {
              return control(QJsonObject{{"cmd", "receipt"}})
                         .value("receipt")
                         .toObject()
                         .value("lines")
                         .toArray()
                         .size() == 2;
            },
            10000, 5);
        control(QJsonObject{{"cmd", "refuse"}, {"reason", 2}, {"errorClass", 1}, {"errorBits", 1024}});
        when(
            &p, [&] { return idle(p) && journal("receipt").size() == 1; },
            [&] {
              control(QJsonObject{{"cmd", "latency"}, {"ms", 0}});
              seen << QStringLiteral("left %1 total %2 lines %3")
                          .arg(sale.trenutniSto())
                          .arg(w.lblUkupno->text())
                          .arg(w.DBGridStoStavke->model()->rowCount());
              // The rest is the next receipt.
              QTest::keyClick(w.edtUnosRest, Qt::Key_Return);
              when(
                  &p, [&] { return idle(p) && journal("receipt").size() == 2; },
                  [&] {
                    seen << QStringLiteral("after %1 %2").arg(sale.trenutniSto()).arg(w.lblUkupno->text());
                    w.close();
                    when(
                        &p, [&] { return !w.isVisible() && p.glavna().isVisible(); },
                        [&p] { p.glavna().close(); });
                  },
                  20000);
            },
            20000);
      });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(refusedThird);
  EXPECT_EQ(seen, (QStringList{"table 2 total 420,00", "left 2 total 120,00 lines 1", "after 0 0,00"}));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  EXPECT_EQ(deviceErrors.size(), 1) << deviceErrors.join("\n").toStdString();
  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_EQ(receipts.size(), 2);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 2);
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 300.0);
  EXPECT_EQ(receipts[1].value("lines").toArray().size(), 1);
  EXPECT_DOUBLE_EQ(receipts[1].value("total").toDouble(), 120.0);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT BRRAC, SIFRA FROM PRODATO ORDER BY BRRAC, SIFRA"));
  QStringList sold;
  while (q.next())
    sold << q.value(0).toString() + ":" + q.value(1).toString().trimmed();
  EXPECT_EQ(sold, (QStringList{"1:1", "1:11", "2:1"}));
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM RACUNI WHERE STATUS = 1"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 2);
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM STOST"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 0);
  ASSERT_TRUE(q.exec("SELECT SIFKONOB FROM STOLOVI WHERE BRSTOLA = 2"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), -1);
}

INSTANTIATE_TEST_SUITE_P(Models, RestaurantE2E, ::testing::Values(1, 2, 3, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

} // namespace
