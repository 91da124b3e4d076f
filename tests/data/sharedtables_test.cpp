// Two waiter stations on one server open the same free table at the same moment.
#include "data/tablerepository.h"
#include "dbfixture.h"

#include <barrier>
#include <thread>

namespace {

class SharedTablesTest : public DbTest {};
// One SQLite file takes one writer at a time; two stations meet on a server.
INSTANTIATE_TEST_SUITE_P(Server, SharedTablesTest, ::testing::Values(Engine::PostgreSQL), engineName);

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

} // namespace
