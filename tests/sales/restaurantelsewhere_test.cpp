// The restaurant screen when another till changed the tables or their lines: it shows
// the change and keeps what the waiter typed, but not while it sends a receipt.
#include "restaurantfixture.h"

namespace {

using restauranttest::Restaurant;

QList<int> numbers(const QList<RestaurantTable> &tables) {
  QList<int> out;
  for (const RestaurantTable &t : tables)
    out << t.brstola;
  return out;
}

TEST(RestaurantElsewhere, AnotherTillsChangesAreShownTheAmountsTypedStay) {
  Restaurant r(1);
  r.open();
  r.order(5, "1", 1);
  r.sale->refreshTable();
  r.key("500", &RestaurantSale::gotovinaKey);
  ASSERT_EQ(r.sale->edtPovracaj(), "400,00");

  // Another till adds a line to table 5 and gives Ana table 3.
  r.order(5, "2", 1, 2);
  ASSERT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 2 WHERE brstola = 3"));
  r.sale->changedElsewhere();
  EXPECT_EQ(numbers(r.sale->tables()), (QList<int>{3, 5}));
  EXPECT_EQ(r.sale->trenutniSto(), 5);
  EXPECT_EQ(r.sale->currentRow(), 1);
  EXPECT_EQ(r.sale->lines().size(), 2);
  EXPECT_EQ(r.sale->lblUkupno(), "250,00");
  EXPECT_EQ(r.sale->edtGotovina(), "500,00");
  EXPECT_EQ(r.sale->edtPovracaj(), "250,00");

  // While a receipt is being sent nothing moves.
  ASSERT_TRUE(r.h.db.exec("DELETE FROM stost WHERE brstola = 5"));
  ASSERT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = -1 WHERE brstola = 5"));
  r.sale->entryEnabled = false;
  r.sale->changedElsewhere();
  EXPECT_EQ(r.sale->lines().size(), 2);
  EXPECT_EQ(numbers(r.sale->tables()), (QList<int>{3, 5}));

  // The current table went to nobody: the first of hers is shown, amounts from zero.
  r.sale->entryEnabled = true;
  r.sale->changedElsewhere();
  EXPECT_EQ(numbers(r.sale->tables()), QList<int>{3});
  EXPECT_EQ(r.sale->trenutniSto(), 3);
  EXPECT_EQ(r.sale->lines().size(), 0);
  EXPECT_EQ(r.sale->edtGotovina(), "0,00");
  EXPECT_EQ(r.sale->lblUkupno(), "0,00");
}

// Another till changes the table while its receipt is being sent (orders on another
// station, a merge): only the lines paid leave the table; a paid line that is no
// longer there as it was paid stays where it is, and the waiter is told.
class SettleElsewhere : public ::testing::TestWithParam<int> {};

const QString kChanged =
    QStringLiteral("message|Upozorenje!|STO 5 JE U MEDJUVREMENU MENJAN NA DRUGOJ KASI!\n"
                   "Placene stavke koje su tamo promenjene ostale su na stolu. Proverite sto.");

TEST_P(SettleElsewhere, ALineOrderedMeanwhileStaysAndTheTableStaysOpen) {
  Restaurant r(GetParam());
  r.order(5, "1", 1);
  r.open();
  r.key("", &RestaurantSale::enterKey);
  r.order(5, "2", 1, 2); // another waiter's order while the receipt goes out
  r.settle();
  r.settle();
  ASSERT_EQ(r.device.journal().size(), 1) << r.h.prompt.log.join("\n").toStdString();
  EXPECT_EQ(r.rows("SELECT brstola, rbr, sifra FROM stost"), QStringList{"5|2|2"});
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");
  EXPECT_FALSE(r.h.prompt.log.contains(kChanged));
  EXPECT_EQ(r.sale->trenutniSto(), 5);
  EXPECT_EQ(r.sale->lblUkupno(), "150,00");
  EXPECT_TRUE(r.sale->entryEnabled);
}

TEST_P(SettleElsewhere, LinesMergedAwayMeanwhileStayWhereTheyWentAndTheWaiterIsTold) {
  Restaurant r(GetParam());
  r.order(5, "1", 1);
  r.open();
  r.key("", &RestaurantSale::enterKey);
  // Another till merges table 5 onto Marko's table 6 and orders on table 5 again: its
  // line 1 is now another line.
  ASSERT_TRUE(TableRepository(r.h.db).mergeTables(5, 6, 2, 3).value_or(false));
  ASSERT_TRUE(r.h.db.exec("UPDATE stolovi SET sifkonob = 2 WHERE brstola = 5"));
  r.order(5, "2", 1);
  r.settle();
  r.settle();
  ASSERT_EQ(r.device.journal().size(), 1) << r.h.prompt.log.join("\n").toStdString();
  EXPECT_EQ(r.rows("SELECT brstola, rbr, sifra FROM stost ORDER BY brstola"),
            (QStringList{"5|1|2", "6|1|1"}));
  EXPECT_EQ(r.row("SELECT sifkonob FROM stolovi WHERE brstola = 5"), "2");
  EXPECT_TRUE(r.h.prompt.log.contains(kChanged)) << r.h.prompt.log.join("\n").toStdString();
  EXPECT_EQ(r.h.engine->brojRacuna(), 2);
  EXPECT_TRUE(r.sale->entryEnabled);
}

INSTANTIATE_TEST_SUITE_P(Models, SettleElsewhere, ::testing::Values(1, 2, 4, 5));

} // namespace
