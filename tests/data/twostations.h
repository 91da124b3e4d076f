#pragma once

#include "dbfixture.h"
#include "support/testsupport.h"

#include <functional>
#include <thread>

// Two stations meeting on one server, each on a connection of its own: the test's own
// connection is one, otherStation() runs the other in a thread of its own.
class TwoStationsTest : public DbTest {
protected:
  // Runs work on a new connection to the same database, in a new thread; a connection
  // that does not open leaves its error in error and runs nothing. error must outlive
  // the thread's join.
  std::thread otherStation(std::function<void(Database &)> work, QString &error) {
    return std::thread([work = std::move(work), &error, tip = tipBaze(), where = where()] {
      Database own;
      if (!own.open(tip, where)) {
        error = own.lastError();
        return;
      }
      work(own);
    });
  }
  // Whether the server shows, within 10 s, a session waiting for a lock; watch is a
  // connection outside the test's transaction: inside it the server would answer from
  // the snapshot of its first look.
  static bool someoneWaitsForALock(Database &watch) {
    return testsupport::waitFor(
        [&] {
          const auto n =
              watch.scalar("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type='Lock' AND "
                           "datname=current_database()");
          return n && n->toInt() > 0;
        },
        10000, 20);
  }
};

// One SQLite file takes one writer at a time; two stations meet on a server.
#define KASA_SERVER_ONLY(Suite)                                                                              \
  INSTANTIATE_TEST_SUITE_P(Server, Suite, ::testing::Values(Engine::PostgreSQL), engineName)
