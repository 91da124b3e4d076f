// The real program's windows, offscreen, against fiscal-sim over a pty: the waiter logs
// in, "&RESTORAN", opens a free table by number, the table's orders (put on it as the
// order window writes them) are settled in cash as one receipt, the table is freed.
#include "app/tfrmpocetna.h"
#include "data/tablerepository.h"
#include "sales/restaurantsale.h"
#include "sales/ui/tfrmrestoran.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QTableView>

namespace {

using e2e::when;

class RestaurantE2E : public ::testing::TestWithParam<int>, protected e2e::ShopFixture {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(prepareShop(GetParam()));
    ASSERT_NO_FATAL_FAILURE(startDevice(GetParam()));
  }
  static bool idle(Program &p) {
    return p.restoran().edtUnosRest->isEnabled() && !p.engine().awaitingReply();
  }
};

TEST_P(RestaurantE2E, TableOpenedSettledInCashAndFreed) {
  const int model = GetParam();
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
        // Two rounds with a void, as the order window leaves them on the table.
        TableRepository tables(p.database());
        const struct {
          const char *sifra, *naziv;
          double cena, kolicina;
          int tura;
        } orders[] = {{"1", "Kafa espresso", 120, 2, 1},
                      {"11", "Cokolada 100g", 180, 1, 2},
                      {"1", "Kafa espresso", 120, -1, 2}};
        for (const auto &o : orders) {
          TableLine l;
          l.brstola = 2;
          l.sifra = o.sifra;
          l.naziv = o.naziv;
          l.cena = Money(o.cena);
          l.kolicina = Quantity(o.kolicina);
          l.iznos = *roundedAmount(l.kolicina, l.cena);
          l.storno = o.kolicina < 0;
          l.tura = o.tura;
          EXPECT_TRUE(tables.addLine(l));
        }
        sale.refreshTable();
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

  EXPECT_EQ(seen, (QStringList{"tables 0 current 0", "opened 2 by 3", "total 300,00", "after 0,00 0"}));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  EXPECT_EQ(enterNotices, model == 2 ? 0 : 1);
  EXPECT_FALSE(p.engine().rezimRestoran());
  if (qEnvironmentVariableIsSet("KASA_RESTORAN_SCREENSHOT") && !grabbed.isEmpty())
    QFile::copy(grabbed, qEnvironmentVariable("KASA_RESTORAN_SCREENSHOT"));

  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_EQ(receipts.size(), 1);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 3);
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 300.0);
  // A Menko's closing books the rest as cash: the tendered amount never reaches it.
  EXPECT_DOUBLE_EQ(receipts[0].value("paid").toDouble(), model == 2 ? 300.0 : 500.0);
  EXPECT_EQ(receipts[0].value("operator").toInt(), 3);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT STATUS, BRSTOLA, SIFOPER, GOTOVINA, BRFISIS FROM RACUNI"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 1);
  EXPECT_EQ(q.value(1).toInt(), 2);
  EXPECT_EQ(q.value(2).toInt(), 3);
  EXPECT_NEAR(q.value(3).toDouble(), 300.0, 0.001);
  if (model != 2) {
    EXPECT_EQ(q.value(4).toInt(), receipts[0].value("fiscalNumber").toInt());
  }
  EXPECT_FALSE(q.next());
  ASSERT_TRUE(q.exec("SELECT SUM(IZNOS), COUNT(*) FROM PRODATO"));
  ASSERT_TRUE(q.next());
  EXPECT_NEAR(q.value(0).toDouble(), 300.0, 0.001);
  EXPECT_EQ(q.value(1).toInt(), 3);
  ASSERT_TRUE(q.exec("SELECT COALESCE(SUM(IZNOS), 0) FROM RATE"));
  ASSERT_TRUE(q.next());
  EXPECT_NEAR(q.value(0).toDouble(), model == 2 ? 0.0 : 300.0, 0.001); // Menko books the cash on RACUNI
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM STOST"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 0);
  ASSERT_TRUE(q.exec("SELECT SIFKONOB FROM STOLOVI WHERE BRSTOLA = 2"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), -1);
}

INSTANTIATE_TEST_SUITE_P(Models, RestaurantE2E, ::testing::Values(1, 2, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

} // namespace
