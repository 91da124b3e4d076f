// The retail screen's recovery of an unfinished receipt on a PostgreSQL server, against
// fiscal-sim's devices. Two tills on one database: a till that starts while the other
// one's receipt is in progress leaves it alone (its own device holds no such receipt), and
// the till whose receipt it is recovers it at its next start even though the other till's
// receipts came after it. A till that starts with steps waiting for a server that is away
// recovers only once they are written, from a database that holds them.
#include "engineharness.h"
#include "simdevice.h"

#include "data/dbfixture.h"
#include "journalcheck.h"
#include "soak/owncluster.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// One run of one till's program: its own device, settings and files; the database shared.
struct TillRun {
  TillRun(int model, const QString &ibfm, Database &db, SimDevice &device, VirtualScheduler &clock,
          const QString &dir, int seq)
      : clock(clock) {
    link.Model = model;
    link.IBFM = ibfm;
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&device);
    engine->setPrompt(&prompt);
    engine->setDatabase(&db);
    mirror.insert({QStringLiteral("1"), 10, QString(), QStringLiteral("KAFA"), 100, 2});
    mirror.insert({QStringLiteral("2"), 11, QString(), QStringLiteral("ESPRESSO"), 150, 2});
    engine->setMirror(&mirror, dir + QStringLiteral("/artikli.dat"));
    engine->setRetailScreen(&retail);
    engine->setRbrKasira(1);
    engine->seedSendSeq(seq);
    device.attach(engine.get());
  }
  void settle() { clock.advance(3000); }
  // Until the steps kept for the server are written, each retry's attempt to reach it let
  // run on its own thread (the event loop takes its answer).
  bool replayed() {
    for (int i = 0; i < 20 && engine->waitingSteps() > 0; ++i) {
      clock.advance(TransactionEngine::ReplayMs);
      if (!testsupport::waitFor([&] { return !engine->reachingServer(); }, 30000))
        return false;
    }
    return engine->waitingSteps() == 0;
  }
  // The retail screen opening: the recovery, then the screen's own receipt.
  void open() {
    engine->setBrojRacuna(engine->nextReceiptNumber());
    engine->setRetailScreenOpen(true);
    if (link.Model == 4)
      engine->requestStatusFromSale();
    else
      engine->recoverRetailReceipt();
    settle();
  }
  void sell(const QString &sifra, const QString &naziv, double kol, double cena) {
    engine->sellRetailLine(Harness::sale(sifra, naziv, kol, cena));
    settle();
  }
  void payAll(double total) {
    const bool family1 = link.Model == 1 || link.Model == 5;
    engine->closeRetail(Harness::payment(0, total, total), !family1);
    settle();
  }

  VirtualScheduler &clock;
  LinkSettings link;
  ScriptedPrompt prompt;
  FakeRetail retail;
  ArticleMirror mirror;
  std::unique_ptr<TransactionEngine> engine;
};

// A till: its device and folder outlive the program's runs; its own connection to the server.
struct Till {
  Till(int model, const QString &ibfm, VirtualScheduler &clock)
      : model(model), ibfm(ibfm), device(model, clock, ibfm) {
    if (model != 4) {
      device.program(10, QStringLiteral("KAFA"), 100, 2);
      device.program(11, QStringLiteral("ESPRESSO"), 150, 2);
    }
  }
  std::unique_ptr<TillRun> start(VirtualScheduler &clock) {
    ++starts;
    return std::make_unique<TillRun>(model, ibfm, db, device, clock, dir.path(), starts * 7);
  }
  int deviceLines() { return int(device.device().receipt().lines.size()); }
  int printed() { return int(device.journal(QStringLiteral("receipt")).size()); }

  int model;
  QString ibfm;
  QTemporaryDir dir;
  Database db;
  SimDevice device;
  int starts = 0;
};

class TillsRecovery : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (PgScratch::conn().isEmpty())
      GTEST_SKIP() << "KASA_PG_CONN is not set (scripts/pg-cluster start provides it)";
    ASSERT_TRUE(pg.create());
    a = std::make_unique<Till>(GetParam(), QStringLiteral("111111"), clock);
    b = std::make_unique<Till>(GetParam(), QStringLiteral("222222"), clock);
    ASSERT_TRUE(a->db.open(int(DatabaseKind::PostgreSQL), pg.connectionText()))
        << a->db.lastError().toStdString();
    ASSERT_TRUE(b->db.open(int(DatabaseKind::PostgreSQL), pg.connectionText()))
        << b->db.lastError().toStdString();
    ASSERT_TRUE(
        a->db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                                  "('1', '', 'KAFA', 100, 2, 10), ('2', '', 'ESPRESSO', 150, 2, 5)")));
  }
  void TearDown() override {
    a.reset();
    b.reset();
    if (!PgScratch::conn().isEmpty())
      pg.drop();
  }
  QVariant scalar(const QString &sql, const QVariantMap &binds = {}) {
    return a->db.scalar(sql, binds).value_or(QVariant());
  }

  PgScratch pg;
  VirtualScheduler clock;
  std::unique_ptr<Till> a;
  std::unique_ptr<Till> b;
};

TEST_P(TillsRecovery, OnlyTheTillWhoseReceiptItIsRecoversIt) {
  // Till A dies with two lines booked and on its device.
  auto runA = a->start(clock);
  runA->open();
  runA->sell(QStringLiteral("1"), QStringLiteral("KAFA"), 2, 100);
  runA->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
  ASSERT_EQ(a->deviceLines(), 2);
  const int numberA = scalar(QStringLiteral("SELECT MAX(broj) FROM racuni")).toInt();
  ASSERT_GT(numberA, 0);
  EXPECT_EQ(scalar(QStringLiteral("SELECT kasa FROM racuni WHERE broj=:b"), {{"b", numberA}}).toString(),
            QStringLiteral("111111"));
  runA.reset();

  // Till B starts: A's receipt is the year's last, but not B's to close, cancel or take over.
  auto runB = b->start(clock);
  runB->open();
  EXPECT_TRUE(runB->prompt.receipts.isEmpty()) << runB->prompt.log.join(";").toStdString();
  EXPECT_TRUE(runB->prompt.errors.isEmpty()) << runB->prompt.log.join(";").toStdString();
  runB->sell(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
  runB->payAll(100);
  EXPECT_EQ(b->printed(), 1);
  const int numberB = scalar(QStringLiteral("SELECT MAX(broj) FROM racuni")).toInt();
  EXPECT_EQ(numberB, numberA + 1) << "the numbering of the year stays shared";
  EXPECT_EQ(scalar(QStringLiteral("SELECT kasa FROM racuni WHERE broj=:b"), {{"b", numberB}}).toString(),
            QStringLiteral("222222"));
  EXPECT_EQ(scalar(QStringLiteral("SELECT status FROM racuni WHERE broj=:b"), {{"b", numberB}}).toInt(), 1);
  EXPECT_EQ(scalar(QStringLiteral("SELECT status FROM racuni WHERE broj=:b"), {{"b", numberA}}).toInt(), 0);
  EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM prodato WHERE brrac=:b"), {{"b", numberA}}).toInt(),
            2);
  EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM rate WHERE broj=:b"), {{"b", numberA}}).toInt(), 0);
  EXPECT_EQ(a->deviceLines(), 2) << "A's device still holds its receipt";
  EXPECT_EQ(a->printed(), 0);

  // Till A starts again: its receipt is found behind B's and closed on its own device.
  runA = a->start(clock);
  runA->prompt.receiptAnswers = {1}; // "Zatvori racun"
  runA->open();
  ASSERT_EQ(runA->prompt.receipts.size(), 1) << runA->prompt.log.join(";").toStdString();
  EXPECT_EQ(runA->prompt.receipts[0].rows.size(), 2);
  EXPECT_EQ(a->printed(), 1);
  EXPECT_FALSE(a->device.device().receipt().isOpen());
  EXPECT_EQ(scalar(QStringLiteral("SELECT status FROM racuni WHERE broj=:b"), {{"b", numberA}}).toInt(), 1);
  EXPECT_EQ(scalar(QStringLiteral("SELECT gotovina FROM racuni WHERE broj=:b"), {{"b", numberA}}).toDouble(),
            350);

  // A's next receipt is one of its own on its device, numbered after B's.
  runA->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
  runA->payAll(150);
  EXPECT_EQ(a->printed(), 2);
  EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM racuni WHERE kasa=:k AND status=1"), {{"k", a->ibfm}})
                .toInt(),
            2);
  EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(broj) FROM racuni")).toInt(), numberB + 1);
  EXPECT_EQ(b->printed(), 1) << "B's device saw nothing of A's recovery";
}

// One till on a server of the test's own, which it can stop and start.
class StartWithoutServer : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (!OwnCluster::available())
      GTEST_SKIP() << "PostgreSQL binaries not found (" << OwnCluster::bin().toStdString() << ")";
    ASSERT_TRUE(cluster.init());
    till = std::make_unique<Till>(GetParam(), QStringLiteral("123450"), clock);
    ASSERT_TRUE(till->db.open(int(DatabaseKind::PostgreSQL), cluster.conn()))
        << till->db.lastError().toStdString();
    ASSERT_TRUE(
        till->db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                                     "('1', '', 'KAFA', 100, 2, 10), ('2', '', 'ESPRESSO', 150, 2, 5)")));
  }
  std::unique_ptr<TillRun> start() {
    auto run = till->start(clock);
    run->engine->setStepJournalDir(till->dir.path());
    return run;
  }

  OwnCluster cluster;
  VirtualScheduler clock;
  std::unique_ptr<Till> till;
};

TEST_P(StartWithoutServer, TheRecoveryWaitsForTheStepsKeptWhileTheServerWasAway) {
  const int model = GetParam();
  // The first line is stored; the server dies, the second waits in the step journal; the
  // program dies with the device holding both.
  auto run = start();
  run->open();
  run->sell(QStringLiteral("1"), QStringLiteral("KAFA"), 2, 100);
  ASSERT_TRUE(cluster.kill());
  run->sell(QStringLiteral("2"), QStringLiteral("ESPRESSO"), 1, 150);
  ASSERT_EQ(till->deviceLines(), 2);
  ASSERT_EQ(run->engine->waitingSteps(), 1) << run->prompt.log.join(";").toStdString();
  run.reset();

  // The program starts: its database opens, then the server is away again before the
  // steps are written.
  ASSERT_TRUE(cluster.start());
  ASSERT_TRUE(till->db.open(int(DatabaseKind::PostgreSQL), cluster.conn()))
      << till->db.lastError().toStdString();
  ASSERT_TRUE(cluster.kill());
  run = start();
  run->prompt.receiptAnswers = {1}; // "Zatvori racun"
  EXPECT_FALSE(run->engine->replayStepJournal());
  ASSERT_TRUE(testsupport::waitFor([&] { return !run->engine->reachingServer(); }, 30000));
  ASSERT_EQ(run->engine->waitingSteps(), 1);
  const qsizetype frames = till->device.frames.size();
  run->open();
  EXPECT_TRUE(run->prompt.receipts.isEmpty()) << run->prompt.log.join(";").toStdString();
  EXPECT_EQ(till->device.frames.size(), frames) << "the device was asked before the steps were written";
  // A new receipt is refused meanwhile.
  run->sell(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100);
  EXPECT_TRUE(run->prompt.log.join(";").contains(TransactionEngine::newReceiptRefusedText()))
      << run->prompt.log.join(";").toStdString();
  EXPECT_EQ(till->deviceLines(), 2);

  // The server is back: the step is written, then the receipt is recovered with both lines.
  ASSERT_TRUE(cluster.start());
  ASSERT_TRUE(run->replayed()) << run->prompt.log.join(";").toStdString();
  run->settle();
  ASSERT_EQ(run->prompt.receipts.size(), 1) << run->prompt.log.join(";").toStdString();
  EXPECT_EQ(run->prompt.receipts[0].rows.size(), 2);
  EXPECT_FALSE(till->device.device().receipt().isOpen());
  EXPECT_EQ(till->printed(), 1);
  EXPECT_EQ(run->engine->waitingSteps(), 0);

  // The database agrees with the device's journal, receipt for receipt.
  Database checker;
  ASSERT_TRUE(checker.open(int(DatabaseKind::PostgreSQL), cluster.conn()))
      << checker.lastError().toStdString();
  EXPECT_EQ(checker.scalar(QStringLiteral("SELECT COUNT(*) FROM racuni WHERE status=0")).value_or(-1).toInt(),
            0);
  const JournalCheck c =
      checkJournal(till->device.journal(QString()), checker.connection(),
                   {{QStringLiteral("1"), 10.0}, {QStringLiteral("2"), 5.0}}, model != 2 && model != 3);
  EXPECT_TRUE(c.passed()) << c.problems.join(QStringLiteral("; ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Models, StartWithoutServer, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int> &i) {
                           return "model" + std::to_string(i.param);
                         });

INSTANTIATE_TEST_SUITE_P(Models, TillsRecovery, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int> &i) {
                           return "model" + std::to_string(i.param);
                         });

} // namespace
