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

} // namespace
