// The engine's process killed at an arbitrary moment of a receipt leaves no
// half-written step, and the next start offers the unfinished-receipt choice.
#include "engineharness.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

using namespace enginetest;

namespace {

// Answers every frame at once: a family-1 device that accepts everything.
struct InstantDevice : DeviceWire {
  TransactionEngine *engine = nullptr;
  void write(const QByteArray &) override { engine->onBytesReceived(reply::ack1(1)); }
};

// Runs in the child process only: sells lines on a file database until killed.
TEST(CrashChild, SellsUntilKilled) {
  const QString dir = qEnvironmentVariable("KASA_CRASH_DIR");
  if (dir.isEmpty())
    GTEST_SKIP() << "runs only as the child of CrashRecovery";
  Database db;
  ASSERT_TRUE(db.open(1, dir));
  LinkSettings link;
  link.Model = 1;
  link.IBFM = QStringLiteral("123450"); // the till that recovers it: the harness's
  VirtualScheduler clock;
  ArticleMirror mirror;
  mirror.insert({"2", 11, "", "ESPRESSO", 150, 2});
  InstantDevice device;
  TransactionEngine engine(link, clock);
  device.engine = &engine;
  engine.setWire(&device);
  engine.setDatabase(&db);
  engine.setMirror(&mirror, dir + "/artikli.dat");
  engine.setBrojRacuna(engine.nextReceiptNumber());
  engine.beginRetailReceipt(1);
  for (;;) {
    engine.sellRetailLine(Harness::sale("2", "ESPRESSO", 1, 150));
    clock.advance(50);
  }
}

TEST(CrashRecovery, KilledMidReceiptLeavesWholeSteps) {
  for (int killAfterLines : {1, 2, 5}) {
    QTemporaryDir dir;
    {
      Database db;
      ASSERT_TRUE(db.open(1, dir.path()));
      ASSERT_TRUE(db.exec("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                          "('2', '', 'ESPRESSO', 150, 2, 100000), ('3', '', 'ZRNO', 1, 2, 100000)"));
      ASSERT_TRUE(
          db.exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('2', '3', 'ZRNO', 0.5)"));
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KASA_CRASH_DIR", dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=CrashChild.SellsUntilKilled"});
    ASSERT_TRUE(child.waitForStarted(5000));
    {
      // Once the child has sold so many lines, kill it wherever it is in the next one.
      Database watch;
      ASSERT_TRUE(watch.open(1, dir.path()));
      int sold = 0;
      EXPECT_TRUE(testsupport::waitFor(
          [&] {
            return (sold = watch.scalar("SELECT COUNT(*) FROM prodato").value_or(0).toInt()) >=
                   killAfterLines;
          },
          30000, 20))
          << "sold " << sold << " of " << killAfterLines;
    }
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    Harness h(1);
    Database db;
    ASSERT_TRUE(db.open(1, dir.path()));
    auto value = [&](const char *sql) { return db.scalar(sql).value_or(QVariant()).toDouble(); };
    const double lines = value("SELECT COUNT(*) FROM prodato");
    EXPECT_GE(lines, killAfterLines);
    // Every stored line lowered the stock of the article and of its recipe, none half.
    EXPECT_DOUBLE_EQ(value("SELECT lager FROM artikli WHERE sifra = '2'"), 100000 - lines);
    EXPECT_DOUBLE_EQ(value("SELECT lager FROM artikli WHERE sifra = '3'"), 100000 - lines * 0.5);
    EXPECT_EQ(value("SELECT COUNT(*) FROM racuni WHERE status = 0"), 1);

    // The next start: the retail screen offers to close, cancel or continue it.
    h.engine->setDatabase(&db);
    h.prompt.receiptAnswers = {1};
    h.engine->recoverRetailReceipt();
    h.settle();
    h.feed(reply::ack1(1)); // the device holds the receipt open
    ASSERT_EQ(h.prompt.receipts.size(), 1);
    EXPECT_EQ(h.prompt.receipts[0].rows.size(), int(lines));
    h.feed(reply::closed1(1, 3)); // closed with the rest the database held
    EXPECT_EQ(value("SELECT COUNT(*) FROM racuni WHERE status = 0"), 0);
    EXPECT_EQ(value("SELECT brfisis FROM racuni"), 3);
  }
}

} // namespace
