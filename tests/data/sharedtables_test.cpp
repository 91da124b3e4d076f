// Two waiter stations on one server open the same free table at the same moment.
#include "data/tablerepository.h"
#include "twostations.h"

#include <atomic>
#include <barrier>

namespace {

class SharedTablesTest : public TwoStationsTest {};
KASA_SERVER_ONLY(SharedTablesTest);

// A hundred times over: two stations, each on its own connection and thread, released
// together onto the same free table. Exactly one gets it, and it is that one's.
TEST_P(SharedTablesTest, TwoStationsOpeningTheSameFreeTableOneWinsEveryTime) {
  constexpr int kTries = 100;
  for (int sto = 1; sto <= kTries; ++sto)
    ASSERT_TRUE(
        db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (:b, 'Sto', -1)", {{"b", sto}}));
  std::barrier together(2);
  struct Station {
    int waiter;
    std::vector<int> got = std::vector<int>(kTries + 1, -1); // 1 took it, 0 refused, -1 failed
    QString error;
  } stations[2];
  stations[0].waiter = 2;
  stations[1].waiter = 3;
  const QString where = this->where();
  const int tip = tipBaze();
  auto run = [&](Station &s) {
    Database own;
    const bool open = own.open(tip, where);
    if (!open)
      s.error = own.lastError();
    TableRepository tables(own);
    for (int sto = 1; sto <= kTries; ++sto) {
      together.arrive_and_wait();
      if (!open)
        continue;
      const auto took = tables.takeFreeTable(sto, s.waiter);
      s.got[sto] = took ? int(*took) : -1;
      if (!took)
        s.error = took.error();
    }
  };
  std::thread a(run, std::ref(stations[0])), b(run, std::ref(stations[1]));
  a.join();
  b.join();
  ASSERT_TRUE(stations[0].error.isEmpty()) << stations[0].error.toStdString();
  ASSERT_TRUE(stations[1].error.isEmpty()) << stations[1].error.toStdString();
  int wonByA = 0;
  for (int sto = 1; sto <= kTries; ++sto) {
    const int ga = stations[0].got[sto], gb = stations[1].got[sto];
    EXPECT_EQ(ga + gb, 1) << "table " << sto << ": " << ga << " and " << gb;
    EXPECT_EQ(count("SELECT sifkonob FROM stolovi WHERE brstola = :b", {{"b", sto}}), ga == 1 ? 2 : 3)
        << "table " << sto;
    wonByA += ga == 1;
  }
  std::printf("station A won %d of %d, station B %d\n", wonByA, kTries, kTries - wonByA);
}

// One station settles table 5 (its lines taken off and the table freed, not yet
// committed) while another merges table 5 onto 6: the merge waits for the table, then
// finds it no longer held and moves nothing.
TEST_P(SharedTablesTest, AMergeWaitsForATableBeingSettledAndThenRefuses) {
  ASSERT_TRUE(
      db.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2), (6, 'Sto 6', 3)"));
  ASSERT_TRUE(db.exec("INSERT INTO stost (rbr, brstola, sifra, naziv, kolicina, iznos, storno, tura) VALUES "
                      "(1, 5, '1', 'Kafa', 1, 100, 0, 1), (1, 6, '2', 'Supa', 1, 200, 0, 1)"));
  Database watch;
  ASSERT_TRUE(watch.open(tipBaze(), where())) << watch.lastError().toStdString();
  TableRepository settling(db);
  ASSERT_TRUE(db.beginTransaction());
  ASSERT_EQ(settling.lockLines(5).value_or({}).size(), 1);
  ASSERT_TRUE(settling.deleteLines(5, {1}));
  ASSERT_TRUE(settling.freeEmptyTable(5).value_or(false));
  std::atomic<int> merged{-1};
  QString error;
  std::thread other = otherStation(
      [&](Database &b) {
        const auto done = TableRepository(b).mergeTables(5, 6, 2, 3);
        error = done.error();
        merged = done ? int(*done) : -2;
      },
      error);
  const bool waiting = someoneWaitsForALock(watch);
  ASSERT_TRUE(db.commitTransaction());
  other.join();
  EXPECT_TRUE(waiting);
  EXPECT_EQ(merged.load(), 0) << error.toStdString();
  EXPECT_EQ(count("SELECT COUNT(*) FROM stost WHERE brstola = 6"), 1);
  EXPECT_EQ(count("SELECT sifkonob FROM stolovi WHERE brstola = 6"), 3);
  EXPECT_EQ(count("SELECT sifkonob FROM stolovi WHERE brstola = 5"), -1);
  // Held as given: merged.
  ASSERT_TRUE(db.exec("UPDATE stolovi SET sifkonob = 2 WHERE brstola = 5"));
  ASSERT_TRUE(db.exec("INSERT INTO stost (rbr, brstola, sifra, naziv, kolicina, iznos, storno, tura) VALUES "
                      "(1, 5, '1', 'Kafa', 1, 100, 0, 1)"));
  EXPECT_FALSE(TableRepository(db).mergeTables(5, 6, 3, 3).value_or(true)); // 5 is Ana's, not Marko's
  EXPECT_TRUE(TableRepository(db).mergeTables(5, 6, 2, 3).value_or(false));
  EXPECT_EQ(count("SELECT COUNT(*) FROM stost WHERE brstola = 6"), 2);
  EXPECT_EQ(count("SELECT sifkonob FROM stolovi WHERE brstola = 5"), -1);
}

} // namespace
