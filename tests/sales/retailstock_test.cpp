// What a sale on the retail screen does to the stock, with fiscal-sim's device in-process.
#include "shopfixture.h"

#include <gtest/gtest.h>

using namespace shoptest;

namespace {

// An article stored as " abc " (older data: padded, lower case) is typed "ABC": it is
// found, sold, and its stock goes down together with its recipe's components, whose
// codes are stored in yet other cases and paddings.
TEST(RetailStock, CodeTypedInAnotherCaseLowersTheArticleAndItsRecipe) {
  for (int model : {1, 4}) {
    SCOPED_TRACE(model);
    Shop shop(model);
    ASSERT_TRUE(shop.h.db.exec("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                               "(' abc ', '', 'CAJ', 80, 2, 10)"));
    ASSERT_TRUE(shop.h.db.exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES "
                               "('ABC ', ' 3', 'ZRNO', 0.5), ('Abc', '1 ', 'KAFA', 2)"));
    shop.open();
    shop.sell(QStringLiteral("ABC"), QStringLiteral("2"));
    EXPECT_EQ(shop.rows("SELECT TRIM(sifra), prodato FROM prodato"), QStringList{"abc|2"});
    EXPECT_EQ(shop.rows("SELECT sifra, lager FROM artikli ORDER BY naziv"),
              (QStringList{" abc |8", "2|5", "1|6", "3|99"}));
  }
}

} // namespace
