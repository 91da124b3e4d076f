// The real program's windows, offscreen, against fiscal-sim over a pty: a table of five
// lines paid by two guests, the first by chosen lines (split by articles), the second by
// round (split by rounds). Two receipts whose totals add up to the table's, and the
// table ends empty and free.
#include "app/tfrmpocetna.h"
#include "data/tablerepository.h"
#include "sales/splitbill.h"
#include "sales/ui/tfrmrastaviart.h"
#include "sales/ui/tfrmrastaviture.h"
#include "sales/ui/tfrmrestoran.h"
#include "shopfixture.h"

#include <QJsonArray>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace {

using e2e::when;

class SplitE2E : public ::testing::TestWithParam<int>, protected e2e::ShopFixture {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(prepareShop(GetParam()));
    ASSERT_NO_FATAL_FAILURE(startDevice(GetParam()));
  }
  static bool idle(Program &p, QLineEdit *entry) { return entry->isEnabled() && !p.engine().awaitingReply(); }
  // Press, release, press, double click, release, as a window system sends it.
  static void doubleClick(QTableWidget *list, int row, int column) {
    QWidget *viewport = list->viewport();
    const QPoint pos = list->visualItemRect(list->item(row, column)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, pos);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(pos), viewport->mapToGlobal(QPointF(pos)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &dbl);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, pos);
  }
};

TEST_P(SplitE2E, FiveLinesPaidByArticlesThenByRound) {
  {
    Database db;
    ASSERT_TRUE(db.open(1, dir.path()));
    ASSERT_TRUE(db.exec("UPDATE stolovi SET sifkonob = 3 WHERE brstola = 2"));
    TableRepository tables(db);
    const struct {
      const char *sifra, *naziv;
      double cena, kolicina;
      int tura;
    } orders[] = {{"1", "Kafa espresso", 120, 1, 1},
                  {"11", "Cokolada 100g", 180, 1, 1},
                  {"6", "Pivo toceno 0,5", 250, 2, 2},
                  {"7", "Sendvic sunka", 320, 1, 2},
                  {"1", "Kafa espresso", 120, 1, 2}};
    for (const auto &o : orders) {
      TableLine l;
      l.brstola = 2;
      l.sifra = o.sifra;
      l.naziv = o.naziv;
      l.cena = Money(o.cena);
      l.kolicina = Quantity(o.kolicina);
      l.iznos = Money(o.cena * o.kolicina);
      l.tura = o.tura;
      ASSERT_TRUE(tables.addLine(l));
    }
  }
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  TfrmRestoran &w = p.restoran();
  TFrmRastaviArt &art = p.rastaviArt();
  TfrmRastaviTure &ture = p.rastaviTure();
  QStringList seen;

  logInThen(p, "3333", [&p] { p.glavna().BtnRestoran->click(); });
  when(
      &p, [&] { return w.isVisible() && idle(p, w.edtUnosRest); },
      [&] {
        seen
            << QStringLiteral("table %1 total %2").arg(p.restaurant().trenutniSto()).arg(w.lblUkupno->text());
        // The first guest: the coffee and the chocolate, in cash.
        when(
            &p, [&] { return art.isVisible() && idle(p, art.edtUnosRest); },
            [&] {
              doubleClick(art.ListArt, 0, 1);
              doubleClick(art.ListArt, 0, 1);
              seen << QStringLiteral("articles: chosen %1 total %2")
                          .arg(art.ListArtStampa->rowCount())
                          .arg(art.lblUkupno->text());
              QTest::keyClicks(art.edtUnosRest, "500");
              QTest::keyClick(art.edtUnosRest, Qt::Key_Plus, Qt::KeypadModifier);
              QTest::keyClick(art.edtUnosRest, Qt::Key_Return);
              when(
                  &p, [&] { return idle(p, art.edtUnosRest) && journal("receipt").size() == 1; },
                  [&] {
                    seen << QStringLiteral("articles paid: left %1 total %2")
                                .arg(art.ListArt->rowCount())
                                .arg(art.lblUkupno->text());
                    QTest::keyClick(art.edtUnosRest, Qt::Key_Escape);
                  },
                  20000);
            });
        w.rba->click();
        w.BitBtn8->click();
        seen << QStringLiteral("back: total %1").arg(w.lblUkupno->text());
        // The second guest: round 2 by cheque.
        when(
            &p, [&] { return ture.isVisible() && idle(p, ture.edtUnosRest); },
            [&] {
              doubleClick(ture.ListTure, 1, 0);
              seen << QStringLiteral("rounds %1: round 2 lines %2 total %3")
                          .arg(ture.ListTure->rowCount())
                          .arg(ture.ListTuraStampa->rowCount())
                          .arg(ture.lblUkupno->text());
              QTest::keyClick(ture.edtUnosRest, Qt::Key_F3);
              QTest::keyClick(ture.edtUnosRest, Qt::Key_Return);
              when(
                  &p, [&] { return idle(p, ture.edtUnosRest) && journal("receipt").size() == 2; },
                  [&] {
                    seen << QStringLiteral("round paid: rounds %1").arg(ture.ListTure->rowCount());
                    QTest::keyClick(ture.edtUnosRest, Qt::Key_Escape);
                  },
                  20000);
            });
        w.rbt->click();
        w.BitBtn8->click();
        seen << QStringLiteral("back: table %1 tables %2")
                    .arg(p.restaurant().trenutniSto())
                    .arg(w.DBGridStolovi->model()->rowCount());
        w.close();
        when(
            &p, [&] { return !w.isVisible() && p.glavna().isVisible(); }, [&p] { p.glavna().close(); });
      });
  p.pocetna().BtnProdesk->click();

  EXPECT_EQ(seen, (QStringList{"table 2 total 1240,00", "articles: chosen 2 total 300,00",
                               "articles paid: left 3 total 0,00", "back: total 940,00",
                               "rounds 2: round 2 lines 3 total 940,00", "round paid: rounds 0",
                               "back: table 0 tables 0"}));
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
  const QList<QJsonObject> receipts = journal("receipt");
  ASSERT_EQ(receipts.size(), 2);
  EXPECT_EQ(receipts[0].value("lines").toArray().size(), 2);
  EXPECT_EQ(receipts[1].value("lines").toArray().size(), 3);
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble(), 300.0);
  EXPECT_DOUBLE_EQ(receipts[1].value("total").toDouble(), 940.0);
  EXPECT_DOUBLE_EQ(receipts[0].value("total").toDouble() + receipts[1].value("total").toDouble(), 1240.0);
  EXPECT_EQ(receipts[0].value("operator").toInt(), 3);

  QSqlQuery q(p.database().connection());
  ASSERT_TRUE(q.exec("SELECT BROJ, STATUS, GOTOVINA, CEK FROM RACUNI ORDER BY BROJ"));
  QStringList stored;
  while (q.next())
    stored << QStringLiteral("%1|%2|%3|%4")
                  .arg(q.value(0).toInt())
                  .arg(q.value(1).toInt())
                  .arg(q.value(2).toDouble())
                  .arg(q.value(3).toDouble());
  EXPECT_EQ(stored, (QStringList{"1|1|300|0", "2|1|0|940"}));
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM STOST"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), 0);
  ASSERT_TRUE(q.exec("SELECT SIFKONOB FROM STOLOVI WHERE BRSTOLA = 2"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toInt(), -1);
}

INSTANTIATE_TEST_SUITE_P(Models, SplitE2E, ::testing::Values(1, 4),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

} // namespace
