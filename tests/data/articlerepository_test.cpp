#include "data/articlerepository.h"
#include "dbfixture.h"

namespace {

class ArticleRepositoryTest : public DbTest {
protected:
  void seed() override {
    // Codes as older data holds them: padded, in either letter case.
    const char *rows[] = {
        "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES (' abc ', '8600000000116', "
        "'Kafa', 120, 2, 10)",
        "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('Z1', ' 77 ', 'Zrno', 1, 2, "
        "100)",
        "INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('m2', 'Mleko', 1, 2, 50)",
        "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('ABC ', ' z1', 'Zrno', 0.5)",
        "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('Abc', 'M2 ', 'Mleko', 0.25)",
    };
    for (const char *sql : rows)
      ASSERT_TRUE(db.exec(sql)) << sql;
  }
  double stock(const char *sifra) {
    return db.scalar("SELECT lager FROM artikli WHERE sifra=:s", {{"s", sifra}}).value_or(-1).toDouble();
  }
};
KASA_BOTH_ENGINES(ArticleRepositoryTest);

TEST_P(ArticleRepositoryTest, LooksUpByCodeAndBarcodeIgnoringCaseAndBlanks) {
  ArticleRepository articles(db);
  struct Case {
    bool byBarcode;
    const char *typed;
    const char *found; // its name, or nullptr
  } cases[] = {
      {false, "ABC", "Kafa"},
      {false, " abc", "Kafa"},
      {false, "z1", "Zrno"},
      {false, "ab", nullptr},
      {false, "  ", nullptr},
      {true, "8600000000116", "Kafa"},
      {true, "77", "Zrno"},
      {true, "", nullptr},
      {false, "' OR 1=1 --", nullptr},
      {true, "860000000011", nullptr},
  };
  for (const Case &c : cases) {
    const auto a = c.byBarcode ? articles.byBarkod(c.typed) : articles.bySifra(c.typed);
    ASSERT_TRUE(a) << c.typed << ": " << a.error().toStdString();
    ASSERT_EQ(a->has_value(), c.found != nullptr) << c.typed;
    if (c.found) {
      EXPECT_EQ((*a)->naziv, c.found) << c.typed;
    }
  }
  const auto kafa = articles.bySifra("ABC");
  ASSERT_TRUE(kafa && *kafa);
  EXPECT_EQ((*kafa)->sifra, "abc"); // trimmed, as stored
  EXPECT_EQ((*kafa)->cena, Money(120));
  EXPECT_EQ((*kafa)->stopa, 2);
}

// The one stock update: the article and every recipe component, whatever the case and blanks.
TEST_P(ArticleRepositoryTest, SellingLowersTheArticleAndItsRecipeAndAStornoGivesItBack) {
  ArticleRepository articles(db);
  ASSERT_TRUE(articles.lowerStock("ABC", Quantity(2)));
  EXPECT_DOUBLE_EQ(stock(" abc "), 8);
  EXPECT_DOUBLE_EQ(stock("Z1"), 99);
  EXPECT_DOUBLE_EQ(stock("m2"), 49.5);
  ASSERT_TRUE(articles.lowerStock(" abc", Quantity(-2)));
  EXPECT_DOUBLE_EQ(stock(" abc "), 10);
  EXPECT_DOUBLE_EQ(stock("Z1"), 100);
  EXPECT_DOUBLE_EQ(stock("m2"), 50);
  // An article without a recipe, and a code nobody has.
  ASSERT_TRUE(articles.lowerStock("Z1", Quantity(1.5)));
  EXPECT_DOUBLE_EQ(stock("Z1"), 98.5);
  ASSERT_TRUE(articles.lowerStock("nema", Quantity(1)));
  const auto recipe = articles.recipe("abc");
  ASSERT_TRUE(recipe);
  EXPECT_EQ(recipe->size(), 2);
}

TEST_P(ArticleRepositoryTest, AFailedStockUpdateSaysSo) {
  ASSERT_TRUE(db.exec("DROP TABLE sastav"));
  const auto lowered = ArticleRepository(db).lowerStock("abc", Quantity(1));
  EXPECT_FALSE(lowered);
  EXPECT_FALSE(lowered.error().isEmpty());
}

} // namespace
