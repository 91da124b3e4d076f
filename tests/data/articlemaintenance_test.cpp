#include "common/localetext.h"
#include "common/textfields.h"
#include "data/articlemaintenance.h"
#include "localedbfixture.h"

#include <QDir>
#include <QFile>

namespace {

class ArticleMaintenanceTest : public LocaleDbTest {
protected:
  void SetUp() override {
    LocaleDbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_TRUE(db.exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('PIC', 'Pice')"));
    ASSERT_TRUE(addArticle("1", "Kafa", 120, 2, 10));
    ASSERT_TRUE(insert("ARTIKLI", {{"sifra", "2"},
                                   {"naziv", "Sok \"Jabuka\""},
                                   {"barkod", "8600000000116"},
                                   {"cena", 85.5},
                                   {"stopa", 2},
                                   {"lager", 3.25},
                                   {"vrsta", "J"},
                                   {"jm", "kom"},
                                   {"sifgrupa", "PIC"},
                                   {"minlag", 4}}));
    ASSERT_TRUE(addArticle("ab7", "Hleb", 60, 1, 0));
    maintenance = std::make_unique<ArticleMaintenance>(db, *rules);
  }
  void TearDown() override {
    maintenance.reset();
    LocaleDbTest::TearDown();
  }
  // Every article as "code|name|price|tax|stock|kind|unit|group|min", by code.
  QStringList table() {
    QStringList out;
    QSqlQuery q = rows("SELECT sifra, naziv, barkod, cena, stopa, lager, vrsta, jm, sifgrupa, minlag "
                       "FROM artikli ORDER BY sifra");
    while (q.next()) {
      QStringList f;
      for (int i = 0; i < 10; ++i)
        f << (i >= 3 && i != 4 && i <= 5 ? QString::number(q.value(i).toDouble())
                                         : q.value(i).toString().trimmed());
      f[9] = QString::number(q.value(9).toDouble());
      out << f.join('|');
    }
    out.sort(); // collations differ between the engines
    return out;
  }
  std::unique_ptr<ArticleMaintenance> maintenance;
};
KASA_BOTH_ENGINES(ArticleMaintenanceTest);

TEST_P(ArticleMaintenanceTest, ExportReadsBackUnderEitherDecimalSeparator) {
  const QStringList before = table();
  for (QChar decimal : {QChar(','), QChar('.')}) {
    LocaleConventions c;
    c.decimalSeparator = decimal;
    c.listSeparator = decimal == ',' ? ';' : ',';
    LocaleText::setConventions(c);
    const QString path = QDir(m_dir.path()).filePath("Artikli.CSV");
    const auto out = maintenance->exportArticles(path, {});
    ASSERT_TRUE(out.ok) << out.text.toStdString();
    EXPECT_EQ(out.text, "Uspesan upis");
    EXPECT_EQ(out.count, 3);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    // The name's quotes are doubled inside its own; numbers carry the locale's separator.
    EXPECT_TRUE(text.contains(QString("\"Sok \"\"Jabuka\"\"\"")));
    EXPECT_TRUE(text.contains(QString("85") + decimal + "50")) << text.toStdString();
    const auto in = maintenance->importArticles(path, {});
    ASSERT_TRUE(in.ok) << in.text.toStdString();
    EXPECT_EQ(table(), before) << "decimal " << decimal.toLatin1();
  }
}

TEST_P(ArticleMaintenanceTest, ImportReadsUtf8OrLegacyTextAndSkipsNamelessLines) {
  struct Case {
    const char *what;
    QByteArray bytes;
    QStringList rows;
  } cases[] = {
      {"UTF-8, a point and a comma, a nameless line",
       "5;\"\xC4\x8Cokolada\";\"\";99.5;1;2,5;\"\";\"\";\"\";\r\n"
       "6;\"\";\"\";10;1;1;\"\";\"\";\"\";\r\n"
       "7;\"\xD0\x9C\xD0\xBB\xD0\xB5\xD0\xBA\xD0\xBE\";\"\";10,25;0;0;\"P\";\"l\";\"pic\";1.5\n",
       {QString::fromUtf8("5|Čokolada||99.5|1|2.5||||0"),
        QString::fromUtf8("7|Млеко||10.25|0|0|P|l|pic|1.5")}},
      {"legacy single-byte text",
       "8;\"^aj \xCC\xE0\xEB\xE8\";\"\";12;2;1;\"\";\"\";\"\";",
       {QString::fromUtf8("8|Čaj Мали||12|2|1||||0")}},
  };
  for (const Case &c : cases) {
    const auto out = maintenance->importArticles(file("in.csv", c.bytes), {});
    ASSERT_TRUE(out.ok) << c.what << ": " << out.text.toStdString();
    EXPECT_EQ(out.count, c.rows.size()) << c.what;
    EXPECT_EQ(table(), c.rows) << c.what;
  }
}

TEST_P(ArticleMaintenanceTest, ImportWithABadLineChangesNothingAndNamesTheLine) {
  const QStringList before = table();
  struct Case {
    const char *line3;
    const char *message;
  } cases[] = {
      {"9;\"Losa\";\"\";0;1;1;\"\";\"\";\"\";", "Red 3: Cena ne sme da bude 0!"},
      {"9;\"Losa\";\"\";5;1,5;1;\"\";\"\";\"\";", "Red 3: Losa vrednost! Koristite brojeve 0-8!"},
      {"9;\"Losa\";\"\";5;x;1;\"\";\"\";\"\";", "Red 3: Losa vrednost! Koristite brojeve 0-8!"},
      {"9;\"Losa\";\"\";5;1;1;\"X\";\"\";\"\";", "Red 3: Losa vrednost! Koristite slova 'J' i 'P'!"},
      {"9;\"Losa\";\"\";;1;1;\"\";\"\";\"\";",
       "Red 3: OBAVEZAN UNOS U POLJA SIFRA,NAZIV,CENA,PORESKA GRUPA I LAGER ILI DUPLA SIFRA"},
      {"A1;\"Dupla\";\"\";5;1;1;\"\";\"\";\"\";", "Red 3: Artikal sa tom sifrom vec postoji!"},
      {"12345678;\"Duga\";\"\";5;1;1;\"\";\"\";\"\";", "Red 3: Losa vrednost! Najvise 7 znakova!"},
  };
  for (const Case &c : cases) {
    const QByteArray bytes = QByteArray("a1;\"Prva\";\"\";5;1;1;\"\";\"\";\"\";\n") +
                             "a2;\"Druga\";\"\";5;1;1;\"\";\"\";\"\";\n" + c.line3 + "\n" +
                             "a4;\"Cetvrta\";\"\";5;1;1;\"\";\"\";\"\";\n";
    const auto out = maintenance->importArticles(file("bad.csv", bytes), {});
    EXPECT_FALSE(out.ok) << c.line3;
    EXPECT_EQ(out.text, c.message) << c.line3;
    EXPECT_EQ(table(), before) << c.line3;
  }
  EXPECT_TRUE(messages.shown.isEmpty()); // the window shows the outcome, once
}

TEST_P(ArticleMaintenanceTest, ImportWithinASearchReplacesOnlyTheRowsShown) {
  ArticleScope scope{"UPPER(naziv) LIKE UPPER(:s0) ESCAPE '!'", {{"s0", "%a%"}}, {}}; // Kafa, Sok "Jabuka"
  auto out = maintenance->importArticles(file("in.csv", "3;\"Novi\";\"\";5;1;1;\"\";\"\";\"\";\n"), scope);
  ASSERT_TRUE(out.ok) << out.text.toStdString();
  QStringList codes;
  for (const QString &row : table())
    codes << row.section('|', 0, 0);
  EXPECT_EQ(codes, QStringList({"3", "ab7"}));
  // A code held by a row outside the search is taken.
  out = maintenance->importArticles(file("in.csv", "AB7;\"Novi\";\"\";5;1;1;\"\";\"\";\"\";\n"), scope);
  EXPECT_EQ(out.text, "Red 1: Artikal sa tom sifrom vec postoji!");
}

TEST_P(ArticleMaintenanceTest, FilesThatCannotBeOpenedGiveTheSystemsTextAndChangeNothing) {
  const QStringList before = table();
  const QString missing = QDir(m_dir.path()).filePath("nema.csv");
  for (const auto &out : {maintenance->importArticles(missing, {}), maintenance->receiveGoods(missing),
                          maintenance->importRecipe(missing, "1")}) {
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.text.contains("No such file")) << out.text.toStdString();
  }
  const auto out = maintenance->exportArticles(QDir(m_dir.path()).filePath("nema/Artikli.CSV"), {});
  EXPECT_FALSE(out.ok);
  EXPECT_FALSE(out.text.isEmpty());
  EXPECT_EQ(table(), before);
}

TEST_P(ArticleMaintenanceTest, GoodsReceiptAddsStockAndKeepsTheMinimumUnlessGiven) {
  const auto out =
      maintenance->receiveGoods(file("Prijem.CSV", " 1 ;\"Kafa mlevena\";\"\";130;2;2.5;\"\";\"kg\";\"\";7\n"
                                                   "2;\"Sok\";\"86\";90,5;2;1;\"J\";\"kom\";\"pic\";0\n"
                                                   "N1;\"Novi\";\"\";10;0;4;\"\";\"\";\"\";0\n"
                                                   "\n"));
  ASSERT_TRUE(out.ok) << out.text.toStdString();
  EXPECT_EQ(table(), QStringList({"1|Kafa mlevena||130|2|12.5||kg||7", "2|Sok|86|90.5|2|4.25|J|kom|pic|4",
                                  "N1|Novi||10|0|4||||0", "ab7|Hleb||60|1|0||||0"}));
}

TEST_P(ArticleMaintenanceTest, GoodsReceiptWithBadLinesNamesTheLastAndChangesNothing) {
  const QStringList before = table();
  struct Case {
    const char *bad;
    const char *message;
  } cases[] = {
      {"12345678;\"X\";\"\";10;1;1;\"\";\"\";\"\";0",
       "Artikal 12345678: Sifra mora da ima 1-7 karaktera (red 2)"},
      {"5;\"\";\"\";10;1;1;\"\";\"\";\"\";0", "Artikal 5: Naziv mora da ima 1-36 karaktera (red 2)"},
      {"5;\"X\";\"12345678901234\";10;1;1;\"\";\"\";\"\";0",
       "Artikal 5: Bar kod ne sme da ima vise od 13 karaktera (red 2)"},
      {"5;\"X\";\"\";abc;1;1;\"\";\"\";\"\";0", "Artikal 5: Cena nije dobra (red 2)"},
      {"5;\"X\";\"\";0;1;1;\"\";\"\";\"\";0", "Artikal 5: Cena ne sme da bude 0 (red 2)"},
      {"5;\"X\";\"\";-1;1;1;\"\";\"\";\"\";0", "Artikal 5: Cena ne sme da bude negativna (red 2)"},
      {"5;\"X\";\"\";1.005;1;1;\"\";\"\";\"\";0",
       "Artikal 5: Cena mora biti u opsegu 0.00 - 9999999.99! (red 2)"},
      // Past any 64-bit integer: the check itself must not overflow.
      {"5;\"X\";\"\";20000000000000000000000000000000000000000;1;1;\"\";\"\";\"\";0",
       "Artikal 5: Cena mora biti u opsegu 0.00 - 9999999.99! (red 2)"},
      {"5;\"X\";\"\";10;9;1;\"\";\"\";\"\";0", "Artikal 5: Poreska stopa mora biti u opsegu 0-8! (red 2)"},
      {"5;\"X\";\"\";10;a;1;\"\";\"\";\"\";0", "Artikal 5: Poreska stopa mora biti u opsegu 0-8! (red 2)"},
      {"5;\"X\";\"\";10;1;x;\"\";\"\";\"\";0", "Artikal 5: Kolicina nije dobra (red 2)"},
      {"5;\"X\";\"\";10;1;1.0005;\"\";\"\";\"\";0",
       "Artikal 5: Kolicina moze da ima najvise 3 decimale! (red 2)"},
      {"5;\"X\";\"\";10;1;-1;\"\";\"\";\"\";0", "Artikal 5: Kolicina ne sme da bude negativna! (red 2)"},
      {"5;\"X\";\"\";10;1;1;\"\";\"kilo\";\"\";0",
       "Artikal 5: Jedinica mere ne sme da ima vise od 3 karaktera (red 2)"},
      {"5;\"X\";\"\";10;1;1;\"p\";\"\";\"\";0",
       "Artikal 5: Ako se koristi, vrsta artikla moze imati samo vrednost 'J' ili 'P'! (red 2)"},
      {"5;\"X\";\"\";10;1;1;\"\";\"\";\"HRANA\";0",
       "Artikal 5: Ne postoji grupa: HRANA u sifrarniku grupa (red 2)"},
      {"5;\"X\";\"\";10;1;1;\"\";\"\";\"\";", "Artikal 5: Minimalna kolicina nije dobra (red 2)"},
      {"5;\"X\";\"\";10;1;1;\"\";\"\";\"\";0.0001",
       "Artikal 5: Minimalna kolicina moze da ima najvise 3 decimale! (red 2)"},
      // Two rules broken: the later one speaks.
      {"5;\"X\";\"\";0;1;x;\"\";\"\";\"\";0", "Artikal 5: Kolicina nije dobra (red 2)"},
  };
  for (const Case &c : cases) {
    const QByteArray bytes = QByteArray("1;\"Kafa\";\"\";130;2;2.5;\"\";\"\";\"\";0\n") + c.bad + "\n" +
                             "N2;\"Nova\";\"\";1;1;1;\"\";\"\";\"\";0\n";
    const auto out = maintenance->receiveGoods(file("Prijem.CSV", bytes));
    EXPECT_FALSE(out.ok) << c.bad;
    EXPECT_EQ(out.text, c.message) << c.bad;
    EXPECT_EQ(table(), before) << c.bad;
  }
  // Of two bad lines the last one is named.
  const auto out = maintenance->receiveGoods(file("Prijem.CSV", "A;\"\";\"\";1;1;1;\"\";\"\";\"\";0\n"
                                                                "1;\"Kafa\";\"\";130;2;2.5;\"\";\"\";\"\";0\n"
                                                                "B;\"X\";\"\";0;1;1;\"\";\"\";\"\";0\n"));
  EXPECT_EQ(out.text, "Artikal B: Cena ne sme da bude 0 (red 3)");
  EXPECT_EQ(table(), before);
}

TEST_P(ArticleMaintenanceTest, PriceChangeChecksEveryPriceBeforeChangingAny) {
  const QStringList before = table();
  int progressed = 0;
  auto out = maintenance->changePrices({}, {100, false, false}, [&](int, int) { ++progressed; });
  EXPECT_FALSE(out.ok);
  // The articles go by name: Hleb first.
  EXPECT_EQ(out.text, "Doslo je do problema prilikom promene cena!\nArtikal ab7: Cena ne sme da bude 0!");
  EXPECT_EQ(progressed, 0);
  EXPECT_EQ(table(), before);

  out = maintenance->changePrices({}, {10, true, false});
  ASSERT_TRUE(out.ok) << out.text.toStdString();
  EXPECT_EQ(out.text, "Promena cena uspesno izvrsena. Promenjena cena za 3 artikala!");
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE (sifra='1' AND cena=132) OR (sifra='2' AND cena=94.05) "
                  "OR (sifra='ab7' AND cena=66)"),
            3);
  // Only the articles a search shows, rounded to whole dinars.
  out = maintenance->changePrices({"sifra=:s", {{"s", "2"}}, {}}, {3.3, false, true});
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.count, 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE sifra='2' AND cena=91"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE sifra='1' AND cena=132"), 1);
}

TEST_P(ArticleMaintenanceTest, TakeOverReplacesTheArticlesWithTheDevicesOrNone) {
  const QStringList before = table();
  auto out = maintenance->takeOver(
      {{" 10", "0860000000001", " KAFA ", "80,5", "2"}, {"11", "", "CAJ", "x", "7"}}, {});
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.text, "Red 2: Cena ne sme da bude 0!");
  EXPECT_EQ(table(), before);
  out = maintenance->takeOver({{" 10", "0860000000001", " KAFA ", "80,5", "2"}, {"11", "", "CAJ", "60", "x"}},
                              {});
  ASSERT_TRUE(out.ok) << out.text.toStdString();
  EXPECT_EQ(table(), QStringList({"10|KAFA|0860000000001|80.5|2|0||||0", "11|CAJ||60|0|0||||0"}));
}

TEST_P(ArticleMaintenanceTest, RecipeImportReplacesTheRecipeOrNothing) {
  ASSERT_TRUE(db.exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('1', 'ab7', 'Hleb', 3)"));
  ASSERT_TRUE(db.exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('2', '1', 'Kafa', 1)"));
  const auto recipe = [&] {
    QStringList out;
    QSqlQuery q = rows("SELECT sifra, sifsas, naziv, kolicina FROM sastav ORDER BY sifra, sifsas");
    while (q.next())
      out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         QString::number(q.value(3).toDouble())}
                 .join('|');
    return out;
  };
  const QStringList before = recipe();
  auto out = maintenance->importRecipe(file("Sastavnica.CSV", "1;2;\"\";0,5\n1;99;\"Nema\";1\n"), "1");
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.text, "Red 2: NE POSTOJI ARTIKAL SA TOM SIFROM!");
  EXPECT_EQ(recipe(), before);
  out = maintenance->importRecipe(file("Sastavnica.CSV", "1;2;\"\";0,5\n1;ab7;\"Hleb beli\";1.25\n\n"), "1");
  ASSERT_TRUE(out.ok) << out.text.toStdString();
  EXPECT_EQ(recipe(), QStringList({"1|2|Sok \"Jabuka\"|0.5", "1|ab7|Hleb beli|1.25", "2|1|Kafa|1"}));
}

} // namespace
