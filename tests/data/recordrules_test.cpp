#include "dbfixture.h"
#include "device/deviceprofile.h"

#include <QSqlRecord>

// Column checks need no stored rows except for the look-ups, so one engine-free
// fixture over an in-memory database covers the table of rules.
class ColumnChecks : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(db.openInMemory());
    rules = std::make_unique<RecordRules>(db, messages);
  }
  Database db;
  RecordedMessages messages;
  std::unique_ptr<RecordRules> rules;
};

struct ColumnCase {
  const char *table;
  const char *column;
  QVariant typed;
  int model;
  const char *message; // nullptr = accepted
  QVariant stored;     // what an accepted value becomes
};

TEST_F(ColumnChecks, RefuseWithTheirMessagesOrStoreTheValue) {
  const ColumnCase cases[] = {
      {"ARTIKLI", "cena", 0.0, 1, "Cena ne sme da bude 0!", {}},
      {"ARTIKLI", "cena", "0,00", 1, "Cena ne sme da bude 0!", {}},
      {"ARTIKLI", "cena", 12345678.0, 1, "Losa vrednost! Cena je u opsegu 0.00 - 9999999.99!", {}},
      {"ARTIKLI", "cena", -2e76, 1, "Losa vrednost! Cena je u opsegu 0.00 - 9999999.99!", {}},
      {"ARTIKLI", "cena", 1.005, 1, "Losa vrednost! Cena je u opsegu 0.00 - 9999999.99!", {}},
      {"ARTIKLI", "cena", "abc", 1, "Losa vrednost! Cena je u opsegu 0.00 - 9999999.99!", {}},
      {"ARTIKLI", "cena", 9999999.99, 1, nullptr, 9999999.99},
      {"ARTIKLI", "cena", "12,50", 1, nullptr, 12.5},
      {"ARTIKLI", "stopa", "3", 1, nullptr, 3},
      {"ARTIKLI", "stopa", 9, 1, "Losa vrednost! Koristite brojeve 0-8!", {}},
      {"ARTIKLI", "stopa", "x", 1, "Losa vrednost! Koristite brojeve 0-8!", {}},
      {"ARTIKLI", "stopa", -1, 1, "Losa vrednost! Koristite brojeve 0-8!", {}},
      {"ARTIKLI", "lager", 1.234, 1, nullptr, 1.234},
      {"ARTIKLI", "lager", 1.2345, 1, "Losa vrednost! Iznos za lager moze da ima najvise 3 decimale!", {}},
      {"ARTIKLI",
       "minlag",
       0.0001,
       1,
       "Losa vrednost! Iznos za minimalni lager moze da ima najvise 3 decimale!",
       {}},
      {"ARTIKLI", "vrsta", "p", 1, "Losa vrednost! Koristite slova 'J' i 'P'!", {}},
      {"ARTIKLI", "vrsta", "P", 1, nullptr, "P"},
      {"ARTIKLI", "vrsta", "", 1, nullptr, ""},
      {"ARTIKLI", "naziv", QString(37, 'x'), 1, "Losa vrednost! Najvise 36 znakova!", {}},
      {"STOLOVI", "brstola", 0, 1, "Losa vrednost! Koristite brojeve vece od 0!", {}},
      {"STOLOVI", "brstola", "5", 1, nullptr, 5},
      {"KONOBARI", "rbr", 25, 1, "Losa vrednost! Koristite brojeve 0-24!", {}},
      {"KONOBARI", "rbr", 24, 5, nullptr, 24},
      {"KONOBARI", "rbr", 0, 5, nullptr, 0},
      {"KONOBARI", "rbr", 0, 4, "Losa vrednost! Koristite brojeve 1-64!", {}},
      {"KONOBARI", "rbr", 64, 4, nullptr, 64},
      {"KONOBARI", "rbr", 16, 2, "Losa vrednost! Koristite brojeve 0-15!", {}},
      {"KONOBARI", "rbr", 15, 3, nullptr, 15},
      {"PARTNER", "pib", "123456788", 1, nullptr, "123456788"},
      {"PARTNER", "pib", "123456789", 1, "Losa vrednost za PIB!", {}},
      {"PARTNER", "pib", "12345678", 1, "Losa vrednost za PIB!", {}},
      {"PARTNER", "pib", "   ", 1, nullptr, "   "},
      {"RACUNI", "oslprom", "da", 1, nullptr, "DA"},
      {"RACUNI", "oslprom", "ne", 1, nullptr, "NE"},
      {"RACUNI", "oslprom", "Dakle", 1, nullptr, "DA"},
      {"RACUNI", "oslprom", "x", 1, "Losa vrednost! Izberite neku od vrednosti: DA ili NE!", {}},
  };
  for (const ColumnCase &c : cases) {
    messages.clear();
    const DeviceProfile &device = DeviceProfile::of(c.model);
    rules->setOperatorRange(device.firstOperator, device.lastOperator);
    QSqlRecord row = RecordRules::emptyRecord(c.table);
    QVariant v = c.typed;
    const bool accepted = rules->checkColumn(c.table, c.column, v, row);
    const std::string where =
        std::string(c.table) + "." + c.column + " = " + c.typed.toString().toStdString();
    if (c.message) {
      EXPECT_FALSE(accepted) << where;
      ASSERT_EQ(messages.shown.size(), 1) << where;
      EXPECT_EQ(messages.shown[0].text, c.message) << where;
      EXPECT_EQ(messages.shown[0].form, "show") << where;
      EXPECT_EQ(messages.shown[0].title, "") << where;
    } else {
      EXPECT_TRUE(accepted) << where << " " << messages.lastText().toStdString();
      EXPECT_EQ(v, c.stored) << where << " -> " << v.toString().toStdString();
    }
  }
}

TEST(Pib, CheckDigitIsIso7064Mod11_10) {
  const struct {
    const char *pib;
    bool valid;
  } cases[] = {{"123456788", true},  {"123456789", false},  {"12345678", false},  {"", true},
               {"  ", true},         {"1234567880", false}, {"12345678a", false}, {"100000008", true},
               {"100000001", false}, {"101134702", true}};
  for (const auto &c : cases)
    EXPECT_EQ(RecordRules::isValidPib(c.pib), c.valid) << c.pib;
}

using RecordRulesTest = DbTest;
KASA_BOTH_ENGINES(RecordRulesTest);

TEST_P(RecordRulesTest, LookupColumnsCheckTheirTableAndCopyTheName) {
  ASSERT_TRUE(insert("MESTO", {{"sifmesto", "NS"}, {"naziv", "Novi Sad"}, {"ptt", "21000"}}));
  ASSERT_TRUE(insert("PARTNER", {{"sifpartner", "P1"}, {"naziv", "Firma d'Oro"}}));
  ASSERT_TRUE(addArticle("K1", "Kafa"));
  messages.clear();

  QSqlRecord partner = RecordRules::emptyRecord("PARTNER");
  QVariant v = "ns"; // codes match without regard to case
  EXPECT_TRUE(rules->checkColumn("PARTNER", "sifmesto", v, partner));
  v = "XX";
  EXPECT_FALSE(rules->checkColumn("PARTNER", "sifmesto", v, partner));
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "GRESKA");
  EXPECT_EQ(messages.shown[0].text, "Ne postoji mesto sa tom sifrom");
  EXPECT_EQ(messages.beeps, 1);

  messages.clear();
  QSqlRecord receipt = RecordRules::emptyRecord("RACUNI");
  v = "P1";
  EXPECT_TRUE(rules->checkColumn("RACUNI", "sifpartner", v, receipt));
  EXPECT_EQ(receipt.value("nazivkupca").toString(), "Firma d'Oro");
  v = "P2";
  EXPECT_FALSE(rules->checkColumn("RACUNI", "sifpartner", v, receipt));
  EXPECT_EQ(messages.lastText(), "Ne postoji partner sa tom sifrom");

  messages.clear();
  QSqlRecord recipe = RecordRules::emptyRecord("SASTAV");
  v = " k1 ";
  EXPECT_TRUE(rules->checkColumn("SASTAV", "sifsas", v, recipe));
  EXPECT_EQ(recipe.value("naziv").toString(), "Kafa");
  v = "NEMA";
  EXPECT_FALSE(rules->checkColumn("SASTAV", "sifsas", v, recipe));
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "Greska");
  EXPECT_EQ(messages.shown[0].text, "NE POSTOJI ARTIKAL SA TOM SIFROM!");
}

struct DuplicateCase {
  const char *table;
  QVariantMap first;
  QVariantMap second;
  const char *message;
};

TEST_P(RecordRulesTest, NewRowWithAnExistingKeyIsRefusedWithTheTablesMessage) {
  const QDateTime when(QDate(2024, 1, 2), QTime(10, 0));
  const DuplicateCase cases[] = {
      {"ARTIKLI",
       {{"sifra", "A'1"}, {"naziv", "x"}, {"cena", 1}, {"stopa", 1}, {"lager", 0}},
       {{"sifra", "a'1"}, {"naziv", "y"}, {"cena", 2}, {"stopa", 1}, {"lager", 0}},
       "Artikal sa tom sifrom vec postoji!"},
      {"PARTNER",
       {{"sifpartner", "P%1"}, {"naziv", "x"}},
       {{"sifpartner", "P%1"}, {"naziv", "y"}},
       "Partner sa tom sifrom vec postoji!"},
      {"MESTO",
       {{"sifmesto", "BG"}, {"naziv", "x"}, {"ptt", "11000"}},
       {{"sifmesto", "bg"}, {"naziv", "y"}, {"ptt", "11000"}},
       "Mesto sa tom sifrom vec postoji!"},
      {"STOLOVI",
       {{"brstola", 4}, {"naziv", "x"}},
       {{"brstola", 4}, {"naziv", "y"}},
       "Sto sa tom sifrom vec postoji!"},
      {"KONOBARI",
       {{"rbr", 1}, {"sifkonob", "123"}},
       {{"rbr", 2}, {"sifkonob", "123"}},
       "Konobar/Operater sa tom sifrom vec postoji!"},
      {"GRUPA", {{"sifgrupa", "G"}, {"naziv", "x"}}, {{"sifgrupa", "g"}}, "Grupa sa tom sifrom vec postoji!"},
      {"RATE",
       {{"broj", 1}, {"godina", 2024}, {"rbr", 1}, {"iznos", 5}, {"datum", when}, {"nacin", 0}},
       {{"broj", 1}, {"godina", 2024}, {"rbr", 1}, {"iznos", 6}, {"datum", when}, {"nacin", 2}},
       "Redni broj vec postoji!"},
  };
  for (const DuplicateCase &c : cases) {
    messages.clear();
    ASSERT_TRUE(insert(c.table, c.first)) << c.table << " " << messages.lastText().toStdString();
    EXPECT_FALSE(insert(c.table, c.second)) << c.table;
    ASSERT_EQ(messages.shown.size(), 1) << c.table;
    EXPECT_EQ(messages.shown[0].form, "warning") << c.table;
    EXPECT_EQ(messages.shown[0].text, c.message) << c.table;
    EXPECT_EQ(count(QString("SELECT COUNT(*) FROM %1").arg(c.table)), 1) << c.table;
  }
}

TEST_P(RecordRulesTest, WaiterMayNotTakeAnotherWaitersCodeEvenWhileEditing) {
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 1}, {"sifkonob", "111"}, {"naziv", "Ana"}}));
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 2}, {"sifkonob", "222"}, {"naziv", "Bora"}}));
  QSqlRecord original = RecordRules::emptyRecord("KONOBARI");
  QSqlQuery q = rows("SELECT * FROM konobari WHERE rbr=2");
  ASSERT_TRUE(q.next());
  original = q.record();
  QSqlRecord edited = original;
  edited.setValue("sifkonob", "111");
  messages.clear();
  EXPECT_FALSE(rules->update("KONOBARI", edited, original));
  EXPECT_EQ(messages.lastText(), "Konobar/Operater sa tom sifrom vec postoji!");
  edited.setValue("sifkonob", "222");
  edited.setValue("naziv", "Bora B.");
  EXPECT_TRUE(rules->update("KONOBARI", edited, original)) << messages.lastText().toStdString(); // own code
}

TEST_P(RecordRulesTest, EditingAnArticleDoesNotCountButTheDatabaseRefusesADuplicate) {
  ASSERT_TRUE(addArticle("1", "Kafa"));
  ASSERT_TRUE(addArticle("2", "Caj"));
  QSqlQuery q = rows("SELECT * FROM artikli WHERE sifra='2'");
  ASSERT_TRUE(q.next());
  const QSqlRecord original = q.record();
  QSqlRecord edited = original;
  edited.setValue("naziv", "Caj od nane");
  messages.clear();
  EXPECT_TRUE(rules->update("ARTIKLI", edited, original));
  EXPECT_TRUE(messages.shown.isEmpty());
  edited.setValue("sifra", "1");
  EXPECT_FALSE(rules->update("ARTIKLI", edited, original));
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "Greska");
  EXPECT_EQ(messages.shown[0].text, "DUPLA SIFRA!");
}

TEST_P(RecordRulesTest, MissingRequiredColumnsGiveTheTablesPostErrorText) {
  const struct {
    const char *table;
    QVariantMap row;
    const char *text;
  } cases[] = {
      {"ARTIKLI",
       {{"sifra", "1"}, {"cena", 1}, {"stopa", 1}, {"lager", 0}},
       "OBAVEZAN UNOS U POLJA SIFRA,NAZIV,CENA,PORESKA GRUPA I LAGER ILI DUPLA SIFRA"},
      {"ARTIKLI",
       {{"sifra", "  "}, {"naziv", "x"}, {"cena", 1}, {"stopa", 1}, {"lager", 0}},
       "OBAVEZAN UNOS U POLJA SIFRA,NAZIV,CENA,PORESKA GRUPA I LAGER ILI DUPLA SIFRA"},
      {"PARTNER", {{"sifpartner", "1"}}, "OBAVEZAN UNOS U POLJA SIFRA I NAZIV"},
      {"MESTO", {{"sifmesto", "1"}, {"naziv", "x"}}, "OBAVEZAN UNOS U POLJA SIFRA,NAZIV I PTT"},
      {"STOLOVI", {{"brstola", 3}}, "OBAVEZAN UNOS U POLJE BROJ STOLA I NAZIV"},
      {"KONOBARI", {{"sifkonob", "9"}}, "OBAVEZAN UNOS U POLJA SIFRA I RBR ILI DUPLA SIFRA"},
      {"SASTAV", {{"sifra", "1"}}, "OBAVEZAN UNOS U POLJA SIFRA I KOLICINA"},
      {"GRUPA", {{"naziv", "x"}}, "OBAVEZAN UNOS U POLJE ILI DUPLA SIFRA"},
      {"RATE",
       {{"broj", 1}, {"godina", 2024}, {"rbr", 1}},
       "OBAVEZAN UNOS U POLJE RBR,IZNOS,DATUM,NACIN ILI DUPLA SIFRA"},
  };
  for (const auto &c : cases) {
    messages.clear();
    EXPECT_FALSE(insert(c.table, c.row)) << c.table;
    ASSERT_FALSE(messages.shown.isEmpty()) << c.table;
    EXPECT_EQ(messages.shown.last().title, "Greska") << c.table;
    EXPECT_EQ(messages.shown.last().text, c.text) << c.table;
  }
}

TEST_P(RecordRulesTest, DefaultsAreSetBeforeTheRowIsWritten) {
  rules->setRestaurantMode(true);
  ASSERT_TRUE(insert("RACUNI", {{"broj", 7}, {"godina", 2024}, {"gotovina", 12.345}, {"broj_dok", "  "}}));
  QSqlQuery q = rows("SELECT broj_dok, oslprom, rezim, status, cek, kartica, gotovina, sifpartner, brfisis "
                     "FROM racuni WHERE broj=7");
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toString(), "7");
  EXPECT_EQ(q.value(1).toString(), "NE");
  EXPECT_EQ(q.value(2).toInt(), 1);
  EXPECT_EQ(q.value(3).toInt(), 0);
  EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 0);
  EXPECT_DOUBLE_EQ(q.value(5).toDouble(), 0);
  EXPECT_DOUBLE_EQ(q.value(6).toDouble(), 12.35);
  EXPECT_FALSE(q.value(7).isNull());
  EXPECT_EQ(q.value(8).toInt(), 0);

  rules->setRestaurantMode(false);
  ASSERT_TRUE(insert("RACUNI", {{"broj", 8}, {"godina", 2024}, {"broj_dok", "F-8"}, {"oslprom", "da"}}));
  EXPECT_EQ(db.scalar("SELECT broj_dok FROM racuni WHERE broj=8")->toString(), "F-8");
  EXPECT_EQ(db.scalar("SELECT oslprom FROM racuni WHERE broj=8")->toString(), "DA");
  EXPECT_EQ(db.scalar("SELECT rezim FROM racuni WHERE broj=8")->toInt(), 0);

  ASSERT_TRUE(addArticle("1", "Kafa"));
  EXPECT_DOUBLE_EQ(db.scalar("SELECT minlag FROM artikli")->toDouble(), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM artikli WHERE barkod='' AND jm='' AND vrsta='' AND sifgrupa=''"), 1);

  ASSERT_TRUE(insert("STOLOVI", {{"brstola", 1}, {"naziv", "Sto 1"}}));
  EXPECT_EQ(db.scalar("SELECT sifkonob FROM stolovi")->toInt(), -1); // a new table is free

  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 3}, {"sifkonob", "3"}}));
  EXPECT_FALSE(db.scalar("SELECT admin FROM konobari")->toBool());
  EXPECT_EQ(db.scalar("SELECT naziv FROM konobari")->toString(), "");

  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(insert("PRODATO", {{"brrac", 1}, {"godina", 2024}, {"rbr", 99}}));
  EXPECT_EQ(count("SELECT MIN(rbr) FROM prodato"), 1); // the first line of an empty table gets 1
  EXPECT_EQ(count("SELECT MAX(rbr) FROM prodato"), 3); // the given 99 is replaced by largest + 1
}

TEST_P(RecordRulesTest, QuotesAndPercentSignsAreStoredAndFound) {
  const QString name = "Mc'Do 50% \"akcija\"";
  ASSERT_TRUE(addArticle("Q'1", name));
  EXPECT_EQ(db.scalar("SELECT naziv FROM artikli WHERE UPPER(sifra)=UPPER(:s)", {{"s", "q'1"}})->toString(),
            name);
  ASSERT_TRUE(insert("SASTAV", {{"sifra", "Q'1"}, {"sifsas", "q'1"}, {"kolicina", 1}}));
  EXPECT_EQ(db.scalar("SELECT naziv FROM sastav")->toString(), name);
  messages.clear();
  EXPECT_FALSE(addArticle("q'1", "dupla")); // the count itself must not fail on the quote
  EXPECT_EQ(messages.lastText(), "Artikal sa tom sifrom vec postoji!");
}

TEST_P(RecordRulesTest, ArticleChangesReachOpenOrdersAndRecipes) {
  ASSERT_TRUE(addArticle("S1", "Secer", 50, 1));
  ASSERT_TRUE(addArticle("K1", "Kafa", 100, 1));
  ASSERT_TRUE(insert("SASTAV", {{"sifra", "K1"}, {"sifsas", "S1"}, {"kolicina", 0.01}}));
  ASSERT_TRUE(insert("STOST", {{"rbr", 1}, {"brstola", 1}, {"sifra", "s1"}, {"stopa", 1}, {"tura", 1}}));
  QSqlQuery q = rows("SELECT * FROM artikli WHERE sifra='S1'");
  ASSERT_TRUE(q.next());
  const QSqlRecord original = q.record();
  QSqlRecord edited = original;
  edited.setValue("stopa", 4);
  edited.setValue("naziv", "Secer 'beli'");
  ASSERT_TRUE(rules->update("ARTIKLI", edited, original)) << messages.lastText().toStdString();
  EXPECT_EQ(db.scalar("SELECT stopa FROM stost")->toInt(), 4);
  EXPECT_EQ(db.scalar("SELECT naziv FROM sastav")->toString(), "Secer 'beli'");
}

TEST_P(RecordRulesTest, TableWithOpenLinesCannotBeDeleted) {
  ASSERT_TRUE(insert("STOLOVI", {{"brstola", 1}, {"naziv", "Sto 1"}}));
  ASSERT_TRUE(insert("STOLOVI", {{"brstola", 2}, {"naziv", "Sto 2"}}));
  ASSERT_TRUE(insert("STOST", {{"rbr", 1}, {"brstola", 1}, {"sifra", "1"}, {"tura", 1}}));
  QSqlRecord busy = RecordRules::emptyRecord("STOLOVI");
  busy.setValue("brstola", 1);
  messages.clear();
  EXPECT_FALSE(rules->remove("STOLOVI", busy));
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].form, "warning");
  EXPECT_EQ(messages.shown[0].text, "Sto nije prazan.Nemoguce brisanje stola!");
  QSqlRecord free = busy;
  free.setValue("brstola", 2);
  EXPECT_TRUE(rules->remove("STOLOVI", free));
  EXPECT_EQ(count("SELECT COUNT(*) FROM stolovi"), 1);
}
