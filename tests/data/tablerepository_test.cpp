#include "data/tablerepository.h"
#include "dbfixture.h"

#include <atomic>
#include <thread>

namespace {

class TableRepositoryTest : public DbTest {
protected:
  void seed() override {
    const char *rows[] = {
        "INSERT INTO artikli (sifra, naziv, cena, stopa, lager, vrsta) VALUES ('1', 'Supa', 200, 2, 0, 'J')",
        "INSERT INTO artikli (sifra, naziv, cena, stopa, lager, vrsta) VALUES ('2', 'Pivo', 150, 2, 0, 'P')",
        "INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (1, 'Sto 1', -1)",
        "INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (2, 'Basta', -1)",
        "INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (3, 'Sank', 5)",
    };
    for (const char *sql : rows)
      ASSERT_TRUE(db.exec(sql)) << sql;
  }
  // Adds a line on a table in a round; the table numbers it.
  void order(int sto, const char *sifra, double kolicina, double cena, int tura, bool storno = false) {
    TableLine l;
    l.brstola = sto;
    l.sifra = sifra;
    l.naziv = sifra;
    l.cena = Money(cena);
    l.kolicina = Quantity(kolicina);
    l.iznos = *roundedAmount(l.kolicina, l.cena);
    l.tura = tura;
    l.storno = storno;
    ASSERT_TRUE(TableRepository(db).addLine(l));
  }
  QString linesOf(int sto) {
    QStringList out;
    for (const TableLine &l : TableRepository(db).lines(sto).value_or({}))
      out << QStringLiteral("%1:%2:%3").arg(l.rbr).arg(l.sifra).arg(l.tura);
    return out.join(' ');
  }
};
KASA_BOTH_ENGINES(TableRepositoryTest);

TEST_P(TableRepositoryTest, OrdersInRoundsAndWhatTheTicketsAndTotalsShow) {
  TableRepository tables(db);
  EXPECT_EQ(tables.nextLineNumber(1).value_or(-1), 1);
  EXPECT_EQ(tables.lastRound(1).value_or(-1), 0);
  order(1, "1", 2, 200, 1);
  order(1, "2", 3, 150, 1);
  order(1, "2", 1, 150, 2);
  order(1, "2", -1, 150, 2, true);
  order(2, "1", 1, 200.004, 1);
  EXPECT_EQ(linesOf(1), "1:1:1 2:2:1 3:2:2 4:2:2");
  EXPECT_EQ(linesOf(2), "1:1:1");
  EXPECT_EQ(tables.lastRound(1).value_or(-1), 2);
  EXPECT_EQ(tables.countLines(1).value_or(-1), 4);
  EXPECT_EQ(tables.countRoundLines(1, 2).value_or(-1), 2);
  EXPECT_EQ(tables.sum(1).value_or(Money(-1)), Money(850));
  EXPECT_EQ(tables.sum(2).value_or(Money(-1)), Money(200)); // to the para
  EXPECT_EQ(tables.sum(3).value_or(Money(-1)), Money(0));   // no lines
  EXPECT_EQ(tables.sumOfLines(1, {1, 3}).value_or(Money(-1)), Money(550));
  const auto beer = tables.articleTotal(1, " 2 ");
  ASSERT_TRUE(beer);
  EXPECT_EQ(beer->kolicina, Quantity(3));
  EXPECT_EQ(beer->iznos, Money(450));
  const auto kitchen = tables.ticket(1, 1, 'J');
  ASSERT_TRUE(kitchen);
  ASSERT_EQ(kitchen->size(), 1);
  EXPECT_EQ(kitchen->at(0).naziv, "1");
  EXPECT_EQ(kitchen->at(0).kolicina, Quantity(2));
  const auto bar = tables.ticket(1, 2, 'P');
  ASSERT_TRUE(bar);
  ASSERT_EQ(bar->size(), 1);
  EXPECT_EQ(bar->at(0).kolicina, Quantity()); // ordered and voided
  EXPECT_EQ(tables.roundLines(1, 2).value_or({}).size(), 2);
}

TEST_P(TableRepositoryTest, PayingOffLinesRoundsAndWholeTables) {
  TableRepository tables(db);
  order(1, "1", 1, 200, 1);
  order(1, "2", 1, 150, 2);
  order(1, "2", 1, 150, 3);
  // Round 2 is paid off: its line goes, the later round moves down.
  ASSERT_TRUE(tables.deleteLines(1, {2}));
  EXPECT_EQ(tables.closeRound(1, 2).value_or(-1), 2);
  EXPECT_EQ(linesOf(1), "1:1:1 3:2:2");
  ASSERT_TRUE(tables.deleteLines(1, {}));
  EXPECT_EQ(tables.countLines(1).value_or(-1), 2);
  ASSERT_TRUE(tables.deleteAllLines(1));
  EXPECT_EQ(tables.countLines(1).value_or(-1), 0);
}

TEST_P(TableRepositoryTest, TakingFreeingAndMergingTables) {
  TableRepository tables(db);
  auto freeOnes = [&] {
    QStringList out;
    for (const RestaurantTable &t : tables.freeTables().value_or({}))
      out << QStringLiteral("%1 %2").arg(t.brstola).arg(t.naziv);
    return out.join(", ");
  };
  EXPECT_EQ(freeOnes(), "1 Sto 1, 2 Basta");
  ASSERT_TRUE(tables.takeTable(1, 4));
  EXPECT_EQ(freeOnes(), "2 Basta");
  order(1, "1", 1, 200, 1);
  order(1, "2", 1, 150, 2);
  order(3, "2", 2, 150, 1);
  // Table 1 joins table 3: after its line and its round.
  ASSERT_TRUE(tables.moveLines(1, 3));
  EXPECT_EQ(linesOf(1), "");
  EXPECT_EQ(linesOf(3), "1:2:1 2:1:2 3:2:3");
  ASSERT_TRUE(tables.freeTable(1));
  EXPECT_EQ(freeOnes(), "1 Sto 1, 2 Basta");
}

} // namespace

namespace {

// Two tills on one database open the same free tables at the same moment: every table
// goes to exactly one of them, and to the one that was told it won.
TEST_P(TableRepositoryTest, TwoTillsOpeningTheSameTablesEachGoesToOne) {
  constexpr int kTables = 40;
  for (int sto = 100; sto < 100 + kTables; ++sto)
    ASSERT_TRUE(db.exec(
        QStringLiteral("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (%1, 'T', -1)").arg(sto)));
  std::atomic<int> ready{0};
  QList<int> won[2];
  QStringList errors[2];
  auto till = [&](int waiter) {
    Database own; // each till its own connection, made in its own thread
    if (!own.open(tipBaze(), where())) {
      errors[waiter - 1] << own.lastError();
      ++ready;
      return;
    }
    ++ready;
    while (ready.load() < 2) {
    }
    TableRepository tables(own);
    for (int sto = 100; sto < 100 + kTables; ++sto) {
      const auto r = tables.takeFreeTable(sto, waiter);
      if (!r)
        errors[waiter - 1] << r.error();
      else if (*r)
        won[waiter - 1] << sto;
    }
    own.close();
  };
  std::thread a(till, 1), b(till, 2);
  a.join();
  b.join();
  ASSERT_TRUE(errors[0].isEmpty() && errors[1].isEmpty()) << (errors[0] + errors[1]).join("\n").toStdString();
  EXPECT_EQ(won[0].size() + won[1].size(), kTables);
  for (int t = 0; t < 2; ++t)
    for (const int sto : won[t])
      EXPECT_EQ(count(QStringLiteral("SELECT sifkonob FROM stolovi WHERE brstola = %1").arg(sto)), t + 1)
          << sto;
}

TEST_P(TableRepositoryTest, FreeingOnlyAnEmptyTableAndTheWaitersTables) {
  TableRepository tables(db);
  ASSERT_TRUE(tables.takeTable(1, 5));
  order(3, "2", 1, 150, 1);
  EXPECT_EQ(tables.freeEmptyTable(3).value_or(true), false); // a line on it
  EXPECT_EQ(tables.freeEmptyTable(1).value_or(false), true);
  QStringList held;
  for (const RestaurantTable &t : tables.tablesOf(5).value_or({}))
    held << QStringLiteral("%1 %2 %3").arg(t.brstola).arg(t.naziv).arg(t.sifkonob);
  EXPECT_EQ(held, QStringList{"3 Sank 5"});
}

} // namespace
