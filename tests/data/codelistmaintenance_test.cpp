#include "data/codelistmaintenance.h"
#include "data/codelisttablemodel.h"
#include "dbfixture.h"

#include <QFile>

namespace {

class CodeListMaintenanceTest : public DbTest {
protected:
  void seed() override {
    ASSERT_TRUE(insert("MESTO", {{"sifmesto", "BG"}, {"naziv", "Beograd"}, {"ptt", "11000"}}));
    ASSERT_TRUE(insert("KONOBARI", {{"rbr", 1}, {"sifkonob", "111"}, {"naziv", "Ana"}, {"admin", true}}));
    ASSERT_TRUE(insert("KONOBARI", {{"rbr", 2}, {"sifkonob", "222"}, {"naziv", "Bora"}}));
    ASSERT_TRUE(insert("STOLOVI", {{"brstola", 5}, {"naziv", "Basta 5"}}));
    ASSERT_TRUE(insert("STOLOVI", {{"brstola", 6}, {"naziv", "Sank"}}));
  }
  QString file(const QByteArray &text) {
    const QString path = m_dir.filePath(QStringLiteral("lista%1.csv").arg(++m_files));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
  }
  // Every row of a table as "a|b|c", in key order.
  QStringList table(const QString &sql) {
    QStringList out;
    QSqlQuery q = rows(sql);
    while (q.next()) {
      QStringList fields;
      for (int i = 0; i < q.record().count(); ++i)
        fields << q.value(i).toString().trimmed();
      out << fields.join('|');
    }
    return out;
  }
  QStringList waiters() { return table("SELECT rbr, sifkonob, naziv, admin FROM konobari ORDER BY rbr"); }
  QSqlRecord waiter(int rbr, const QString &code, const QString &name, bool admin) {
    QSqlRecord r = RecordRules::emptyRecord("KONOBARI");
    r.setValue("rbr", rbr);
    r.setValue("sifkonob", code);
    r.setValue("naziv", name);
    r.setValue("admin", admin);
    return r;
  }
  // true/false as the database hands a boolean back as text.
  QString yes() const { return GetParam() == Engine::PostgreSQL ? "true" : "1"; }
  QString no() const { return GetParam() == Engine::PostgreSQL ? "false" : "0"; }

  int m_files = 0;
};
KASA_BOTH_ENGINES(CodeListMaintenanceTest);

TEST_P(CodeListMaintenanceTest, ImportsCutTheFieldsAndReplaceTheWholeTable) {
  CodeListMaintenance lists(db, *rules);
  struct Case {
    CodeList list;
    QByteArray file;
    const char *query;
    QStringList expected;
  } cases[] = {
      {CodeList::Partneri,
       "ABCDEFGHIJ;\"Kokos, d.o.o.\";Ulica 1;123456788;BG;160-123\r\n\r\nP2;Kod Mike;;;;\r\n",
       "SELECT sifpartner, naziv, adresa, pib, sifmesto, ziro FROM partner ORDER BY sifpartner",
       {"ABCDEFG|Kokos, d.o.o.|Ulica 1|123456788|BG|160-123", "P2|Kod Mike||||"}},
      {CodeList::Mesta, "NS;Novi Sad;210001234\n", "SELECT sifmesto, naziv, ptt FROM mesto",
       {"NS|Novi Sad|21000"}},
      {CodeList::Grupe, "PIC;Pice\nHR;Hrana\n", "SELECT sifgrupa, naziv FROM grupa ORDER BY sifgrupa",
       {"HR|Hrana", "PIC|Pice"}},
      {CodeList::Stolovi, "5;Basta 5\n7;Terasa\n", "SELECT brstola, naziv, sifkonob FROM stolovi ORDER BY brstola",
       {"5|Basta 5|-1", "7|Terasa|-1"}},
  };
  for (const Case &c : cases) {
    const MaintenanceOutcome o = lists.importFile(c.list, file(c.file));
    EXPECT_TRUE(o.ok) << o.text.toStdString();
    EXPECT_EQ(table(c.query), c.expected) << CodeListCsv::proposedFile(c.list).toStdString();
  }
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_P(CodeListMaintenanceTest, OnlyTheLetterTMakesAnAdministrator) {
  CodeListMaintenance lists(db, *rules);
  const MaintenanceOutcome o = lists.importFile(CodeList::Operateri, file("1;Ana;A1;t\n2;Bora;B2;true\n3;Ceca;C3;T\n4;Duda;D4;\n"));
  ASSERT_TRUE(o.ok) << o.text.toStdString();
  EXPECT_EQ(o.count, 4);
  EXPECT_EQ(waiters(), QStringList({"1|A1|Ana|" + yes(), "2|B2|Bora|" + no(), "3|C3|Ceca|" + yes(),
                                    "4|D4|Duda|" + no()}));
}

// Whatever is refused, the table is as it was and the message names the first culprit.
TEST_P(CodeListMaintenanceTest, ARefusedRowChangesNothing) {
  CodeListMaintenance lists(db, *rules);
  const QStringList before = waiters();
  struct Case {
    QByteArray file;
    QString message;
  } cases[] = {
      {"1;Ana;A1;t\n2;Bora;A1;f\n3;Ceca;A1;f\n", "Red 2: Konobar/Operater sa tom sifrom vec postoji!"},
      {"1;Ana;A1;t\nx2;Bora;B2;f\n", "Red 2: 'x2' is not a valid integer value"},
      {"1;Ana;A1;t\n25;Bora;B2;f\n", "Red 2: Losa vrednost! Koristite brojeve 0-24!"},
      {"1;Ana;A1;t\n1;Bora;B2;f\n", "Red 2: Konobar/Operater sa tom sifrom vec postoji!"},
      {"1;Ana;;t\n", "Red 1: OBAVEZAN UNOS U POLJA SIFRA I RBR ILI DUPLA SIFRA"},
      // Nobody could open the code lists again.
      {"1;Ana;A1;f\n2;Bora;B2;true\n", "Bar jedan operater/konobar mora da bude administrator!"},
  };
  for (const Case &c : cases) {
    const MaintenanceOutcome o = lists.importFile(CodeList::Operateri, file(c.file));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.text, c.message) << c.file.toStdString();
    EXPECT_EQ(waiters(), before) << c.file.toStdString();
  }
  EXPECT_FALSE(lists.importFile(CodeList::Partneri, file("P1;Prvi;;;XX;\n")).ok); // no such place
  EXPECT_EQ(count("SELECT COUNT(*) FROM partner"), 0);
  const MaintenanceOutcome missing = lists.importFile(CodeList::Mesta, m_dir.filePath("nema.csv"));
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(missing.text.isEmpty());
  EXPECT_EQ(count("SELECT COUNT(*) FROM mesto"), 1);
  EXPECT_TRUE(messages.shown.isEmpty()) << "the caller shows the outcome once";
}

TEST_P(CodeListMaintenanceTest, OpenTablesKeepTheirWaiterAndTheirTable) {
  CodeListMaintenance lists(db, *rules);
  ASSERT_TRUE(db.exec("UPDATE stolovi SET sifkonob=2 WHERE brstola=5"));
  ASSERT_TRUE(db.exec("INSERT INTO stost (rbr, brstola, sifra, naziv, kolicina, cena, iznos, tura) "
                      "VALUES (1, 5, '1', 'KAFA', 1, 100, 100, 1)"));
  // The device knows operator 1 only: Bora's open table would lose its waiter.
  const MaintenanceOutcome read = lists.replaceWaiters({waiter(1, "1001", "OPERATER 1", true)});
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.text, "Konobar 2 ima otvoren sto 5. Nemoguce brisanje konobara!");
  EXPECT_EQ(waiters().size(), 2);
  // A table with lines must stay; the file does not know its waiter, the table keeps him.
  EXPECT_EQ(lists.importFile(CodeList::Stolovi, file("6;Sank\n")).text,
            "Sto 5 nije prazan.Nemoguce brisanje stola!");
  ASSERT_TRUE(lists.importFile(CodeList::Stolovi, file("5;Basta\n9;Novi\n")).ok);
  EXPECT_EQ(table("SELECT brstola, naziv, sifkonob FROM stolovi ORDER BY brstola"),
            QStringList({"5|Basta|2", "9|Novi|-1"}));

  // The grid's rules: no deleting the waiter of an open table, nor the last administrator.
  RecordTableModel grid(db, *rules, "KONOBARI");
  grid.setSortColumn("rbr", Qt::AscendingOrder);
  ASSERT_TRUE(grid.select());
  EXPECT_FALSE(grid.deleteRow(1)); // Bora, table 5
  EXPECT_EQ(messages.lastText(), "Konobar ima otvorene stolove.Nemoguce brisanje konobara!");
  EXPECT_FALSE(grid.deleteRow(0)); // Ana, the only administrator
  EXPECT_EQ(messages.lastText(), "Bar jedan operater/konobar mora da bude administrator!");
  ASSERT_TRUE(grid.setValue(0, "admin", false));
  EXPECT_FALSE(grid.post()); // demoting her
  EXPECT_EQ(messages.lastText(), "Bar jedan operater/konobar mora da bude administrator!");
  grid.cancel();
  ASSERT_TRUE(grid.setValue(1, "admin", true));
  ASSERT_TRUE(grid.post());
  ASSERT_TRUE(grid.setValue(0, "admin", false));
  EXPECT_TRUE(grid.post()) << "another administrator exists";
  for (const auto &m : messages.shown)
    EXPECT_EQ(m.openTransactions, 0);
}

TEST_P(CodeListMaintenanceTest, DefaultRatesAndTheClosingCheck) {
  CodeListMaintenance lists(db, *rules);
  ASSERT_TRUE(db.exec("INSERT INTO porstope (stopa, iznos) VALUES (0, 20), (11, 5)"));
  ASSERT_TRUE(lists.defaultTaxRates().ok);
  EXPECT_EQ(table("SELECT stopa, iznos FROM porstope ORDER BY stopa"),
            QStringList({"0|0", "1|0", "2|0", "3|0", "4|0", "5|0", "6|0", "7|0", "8|0"}));

  EXPECT_EQ(lists.closingRefusal(), "");
  ASSERT_TRUE(db.exec("UPDATE konobari SET admin=" + db.booleanLiteral(false)));
  EXPECT_EQ(lists.closingRefusal(), "Bar jedan operater/konobar mora da bude administrator!");
  ASSERT_TRUE(db.exec("DELETE FROM konobari"));
  EXPECT_EQ(lists.closingRefusal(), "Bar jedan operater/konobar mora da bude administrator!");
}

TEST_P(CodeListMaintenanceTest, PartnerSearchTitlesAndSorting) {
  for (const auto &[code, name] : {std::pair{"1", "Kokos"}, {"2", "Mleko AD"}, {"3", "Pekara"}, {"4", "50% KO_"}})
    ASSERT_TRUE(insert("PARTNER", {{"sifpartner", code}, {"naziv", name}}));
  CodeListTableModel partners(db, *rules, "PARTNER");
  ASSERT_TRUE(partners.select());
  QStringList titles;
  for (int c = 0; c < partners.columnCount(); ++c)
    titles << partners.headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(titles, QStringList({"SIFRA", "NAZIV", "PIB", "ADRESA", "MESTO", "ZIRO RACUN PARTNERA"}));
  const auto names = [&] {
    QStringList out;
    for (int r = 0; r < partners.rowCount(); ++r)
      out << partners.value(r, "naziv").toString().trimmed();
    return out;
  };
  struct Case {
    QString typed;
    QStringList shown;
  } cases[] = {{"ko", {"Kokos", "Mleko AD", "50% KO_"}}, {"KO_", {"50% KO_"}}, {"%", {"50% KO_"}},
               {"' OR 1=1 --", {}}};
  for (const Case &c : cases) {
    partners.setSearch({{"naziv", c.typed, RecordTableModel::Match::Contains}});
    ASSERT_TRUE(partners.select());
    EXPECT_EQ(names(), c.shown) << c.typed.toStdString();
  }
  partners.setSearch({});
  partners.toggleSort(1);
  EXPECT_EQ(names(), QStringList({"50% KO_", "Kokos", "Mleko AD", "Pekara"}));
  partners.toggleSort(1);
  EXPECT_EQ(names(), QStringList({"Pekara", "Mleko AD", "Kokos", "50% KO_"}));
}

} // namespace
