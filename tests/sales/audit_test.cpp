// The acts at the till leave their journal rows: log-ins (a refused code too), voided
// lines, drawer openings and cancelled receipts, on every model, in the same unit as
// the act's own rows.
#include "data/auditjournal.h"
#include "data/dbfixture.h"
#include "sales/tableorders.h"
#include "sales/waiterlogin.h"
#include "shopfixture.h"

#include <gtest/gtest.h>

using namespace shoptest;

namespace {

// "konobar|radnja|opis" of every row in order; the chain must hold.
QStringList journal(Database &db) {
  QStringList out;
  AuditJournal j(db);
  const auto all = j.rows();
  EXPECT_TRUE(all) << all.error().toStdString();
  for (const AuditRow &r : all.value_or({}))
    out << r.konobar + QLatin1Char('|') + r.radnja + QLatin1Char('|') + r.opis;
  const AuditCheck c = j.check();
  EXPECT_TRUE(c.ok) << c.reason.toStdString();
  return out;
}

class RetailAudit : public ::testing::TestWithParam<int> {
protected:
  void TearDown() override { AuditJournal::clearWaiter(); }
};

TEST_P(RetailAudit, LoginVoidDrawerAndStorno) {
  const int model = GetParam();
  Shop shop(model, true);
  Database &db = shop.h.db;
  ASSERT_TRUE(db.exec("INSERT INTO konobari (rbr, sifkonob, naziv, admin) VALUES (1, 'A1', 'Ana', :a)",
                      {{"a", db.booleanValue(true)}}));
  WaiterLogin login(db);
  EXPECT_FALSE(login.check(WaiterLogin::Window::Login, "B7").ok);
  ASSERT_TRUE(login.check(WaiterLogin::Window::Login, "A1").ok);

  shop.open();
  shop.sell("1", "2");
  shop.sell("2");
  shop.sale->ponistiKey();
  shop.entry("1");
  shop.sale->unos();
  shop.settle();
  shop.sale->fiokaKey();
  shop.settle();
  shop.enter();
  shop.settle();
  ASSERT_EQ(shop.sale->sledeciRed, 1) << shop.h.prompt.log.join("\n").toStdString();
  const int year = shop.h.clock.now().date().year();
  QStringList expected = {
      "|PRIJAVA|pogresna sifra",
      "1 Ana|PRIJAVA|prijava",
      QStringLiteral("1 Ana|STORNO STAVKE|racun 1/%1: 1 KAFA, kolicina -2,000, iznos -200,00").arg(year),
      "1 Ana|FIOKA|otvaranje fioke",
  };
  // The drawer opens by itself after a receipt where the device closes it.
  if (shop.family() != 2)
    expected << "1 Ana|FIOKA|otvaranje fioke";
  EXPECT_EQ(journal(db), expected);
  // The void is in the database exactly once, with its row.
  EXPECT_EQ(shop.rows("SELECT sifra, prodato, storno FROM prodato WHERE storno=1"), QStringList{"1|-2|1"});

  // A receipt left open (a line sold, the program gone) is cancelled at the next opening.
  // A device that cannot cancel a receipt has its line voided (it still holds it), and
  // one that closes the voided receipt itself opens the drawer after it.
  shop.sell("2");
  shop.h.prompt.receiptAnswers = {2}; // "Storniraj racun"
  shop.open();
  shop.settle();
  QStringList cancelled;
  if (model != 4)
    cancelled << QStringLiteral("1 Ana|STORNO STAVKE|racun 2/%1: 2 ESPRESSO, kolicina -1,000, iznos -150,00")
                     .arg(year);
  cancelled << QStringLiteral("1 Ana|STORNO RACUNA|racun 2/%1").arg(year);
  if (shop.family() == 1)
    cancelled << "1 Ana|FIOKA|otvaranje fioke";
  EXPECT_EQ(journal(db).mid(expected.size()), cancelled) << shop.h.prompt.log.join("\n").toStdString();
  EXPECT_EQ(shop.row("SELECT status FROM racuni WHERE broj=2"), "1");
}

INSTANTIATE_TEST_SUITE_P(Models, RetailAudit, ::testing::Values(1, 2, 4, 5),
                         [](const auto &info) { return "Model" + std::to_string(info.param); });

// Voided order lines on a table: their row is written with the STOST line, on both engines.
class OrderVoidAudit : public DbTest {
protected:
  void TearDown() override {
    AuditJournal::clearWaiter();
    DbTest::TearDown();
  }
};

TEST_P(OrderVoidAudit, VoidedOrderLineIsJournaled) {
  testsupport::pinLocale();
  ASSERT_TRUE(addArticle("1", "Coca cola", 100, 2, 0));
  ASSERT_TRUE(db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2)"));
  AuditJournal::setWaiter(2, "Marko");
  DatabaseArticleLookup lookup(db);
  TableOrders orders(db, lookup);
  orders.setAmountRule(4, false);
  ASSERT_TRUE(orders.open(5, Waiter{2, QStringLiteral("Marko"), false}));
  orders.setEntry("3");
  orders.kolicinaKey();
  orders.setEntry("1");
  orders.unos();
  EXPECT_TRUE(journal(db).isEmpty()); // an order is no void
  orders.ponistiKey();                // by the line's code: the whole line comes back
  orders.setEntry("1");
  orders.unos();
  EXPECT_EQ(journal(db),
            QStringList{"2 Marko|STORNO STAVKE|sto 5, tura 1: 1 Coca cola, kolicina -3,000, iznos -300,00"});
  EXPECT_EQ(count("SELECT COUNT(*) FROM stost WHERE storno=1 AND kolicina=-3"), 1);
}

KASA_BOTH_ENGINES(OrderVoidAudit);

} // namespace
