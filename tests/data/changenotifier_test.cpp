#include "data/changenotifier.h"
#include "data/tablerepository.h"
#include "dbfixture.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

class ChangeNotifierTest : public DbTest {
protected:
  // What the listening till heard, in order.
  QStringList heard;
  ChangeNotifier notifier;

  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped())
      return;
    ASSERT_TRUE(notifier.listen(db));
    QObject::connect(&notifier, &ChangeNotifier::tableChanged, [this](const QString &t) { heard << t; });
    ASSERT_TRUE(other.open(tipBaze(), where())) << other.lastError().toStdString();
  }
  void TearDown() override {
    other.close();
    DbTest::TearDown();
  }
  // Lets the event loop deliver what the server sent within ms.
  void settle(int ms = 300) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  bool hears(const QStringList &expected) {
    return testsupport::waitFor([&] { return heard == expected; }, 5000, 5);
  }
  TableLine line() const {
    TableLine l;
    l.brstola = 3;
    l.sifra = "1";
    l.naziv = "Kafa";
    l.tura = 1;
    return l;
  }
  Database other; // the second till
};
KASA_BOTH_ENGINES(ChangeNotifierTest);

// A second till's committed changes reach the first; a rolled-back one never does, and
// one inside a unit only when it commits. The till's own changes are not heard.
TEST_P(ChangeNotifierTest, AnotherTillsCommittedChangesAreHeard) {
  TableRepository theirs(other);
  ASSERT_TRUE(other.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (3, 'Sto 3', -1)"));
  ASSERT_TRUE(theirs.takeFreeTable(3, 2).value_or(false));
  ASSERT_TRUE(theirs.addLine(line()));
  if (GetParam() == Engine::SQLite) { // one till, nobody to hear
    settle();
    EXPECT_TRUE(heard.isEmpty());
    return;
  }
  EXPECT_TRUE(hears({"STOLOVI", "STOST"})) << heard.join(",").toStdString();
  heard.clear();

  // Not yet committed: nothing; rolled back: nothing at all.
  ASSERT_TRUE(other.beginTransaction());
  ASSERT_TRUE(theirs.deleteAllLines(3));
  settle();
  EXPECT_TRUE(heard.isEmpty());
  ASSERT_TRUE(other.rollbackTransaction());
  ASSERT_TRUE(other.beginTransaction());
  ASSERT_TRUE(theirs.freeTable(3));
  settle();
  EXPECT_TRUE(heard.isEmpty());
  ASSERT_TRUE(other.commitTransaction());
  EXPECT_TRUE(hears({"STOLOVI"})) << heard.join(",").toStdString();

  // A table that was not free is not taken, and nothing changed.
  heard.clear();
  ASSERT_TRUE(other.exec("UPDATE stolovi SET sifkonob=4"));
  EXPECT_FALSE(theirs.takeFreeTable(3, 2).value_or(true));
  // This till's own change.
  ASSERT_TRUE(TableRepository(db).addLine(line()));
  settle();
  EXPECT_TRUE(heard.isEmpty()) << heard.join(",").toStdString();
}

// The listening connection opened again: listening again hears as before; closing it
// first lets go of the old connection's driver (nothing left behind to crash on).
TEST_P(ChangeNotifierTest, ListeningAgainAfterTheDatabaseIsOpenedAgain) {
  if (GetParam() == Engine::SQLite)
    GTEST_SKIP() << "nothing is heard on SQLite";
  ASSERT_TRUE(reopen());
  EXPECT_FALSE(notifier.listening());
  ASSERT_TRUE(notifier.listen(db));
  ASSERT_TRUE(other.exec("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (3, 'Sto 3', -1)"));
  ASSERT_TRUE(TableRepository(other).freeTable(3));
  EXPECT_TRUE(hears({"STOLOVI"})) << heard.join(",").toStdString();
  db.close();
  EXPECT_FALSE(notifier.listening());
  ASSERT_TRUE(TableRepository(other).freeTable(3));
  settle(100);
  EXPECT_EQ(heard, QStringList{"STOLOVI"});
}

} // namespace
