#include "data/databasebackup.h"
#include "data/databaserestore.h"
#include "data/konfiguracija.h"
#include "data/sqlitefile.h"
#include "device/devicecommands.h"
#include "engineharness.h"

#include <QDir>

using namespace enginetest;

namespace {

// One retail receipt of model 1 from opening to the device's closing reply; the backup's
// slices run in the pauses between the steps.
void sellReceipt(Harness &h, int lines) {
  h.engine->setBrojRacuna(h.engine->nextReceiptNumber());
  h.engine->beginRetailReceipt(3);
  h.settle();
  h.feed(reply::accept(1, 0x01));
  for (int i = 0; i < lines; ++i) {
    h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
    h.settle();
    h.feed(reply::accept(1, 0x0B));
  }
  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 100 * lines, 100 * lines), true);
  h.settle();
  h.feed(reply::closed1(1, 7000 + h.engine->brojRacuna()));
}

int count(Database &db, const QString &sql) {
  return db.scalar(sql).value_or(-1).toInt();
}

// Lets the slices and the integrity check that runs beside the event loop finish.
bool finish(Harness &h, const testsupport::Answer<BackupResult> &done) {
  return testsupport::waitFor([&] {
    h.clock.advance(20);
    return done.arrived();
  });
}

} // namespace

// The sale goes on while the backup copies: each step is written as its reply comes, and
// the copy, put back into a fresh directory, holds every receipt completed up to its end.
TEST(Backup, SaleGoesOnWhileCopyingAndTheRestoredCopyHoldsTheReceipts) {
  Harness h(1, true);
  // Enough pages that the copy takes many slices.
  ASSERT_TRUE(h.db.exec(
      QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < 20000) INSERT INTO artikli (sifra, naziv, cena, stopa, lager) "
                     "SELECT 'A' || i, 'ARTIKAL BROJ ' || i || ' SA DUGIM NAZIVOM', 10, 2, 5 FROM n")));
  sellReceipt(h, 2);

  DatabaseBackup backup(h.clock);
  backup.setPagesPerSlice(1);
  testsupport::Answer<BackupResult> done;
  const QString folder = h.dir.filePath(QStringLiteral("kopije"));
  ASSERT_TRUE(backup.start(h.db, folder, 30, done.callback()));
  h.clock.advance(0);
  ASSERT_TRUE(backup.isRunning());

  // A second receipt sold while the copy runs; every confirmed line is in kasa.db at once.
  h.engine->setBrojRacuna(h.engine->nextReceiptNumber());
  h.engine->beginRetailReceipt(3);
  h.settle();
  h.feed(reply::accept(1, 0x01));
  for (int i = 1; i <= 3; ++i) {
    h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
    h.settle();
    h.feed(reply::accept(1, 0x0B));
    EXPECT_EQ(count(h.db, QStringLiteral("SELECT COUNT(*) FROM prodato WHERE brrac = 2")), i);
    EXPECT_TRUE(backup.isRunning()) << "the copy ended before the sale could go on beside it";
  }
  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 300, 300), true);
  h.settle();
  h.feed(reply::closed1(1, 7002));
  ASSERT_EQ(count(h.db, QStringLiteral("SELECT COUNT(*) FROM racuni WHERE status = 1")), 2);

  ASSERT_TRUE(finish(h, done));
  ASSERT_TRUE((*done).ok) << (*done).message.toStdString();
  EXPECT_TRUE(QFileInfo((*done).file).absolutePath() == QDir(folder).absolutePath());
  EXPECT_TRUE(SqliteFile::integrityCheck((*done).file));
  EXPECT_FALSE(QFileInfo::exists((*done).file + QStringLiteral(".part")));

  // Restored into a fresh directory.
  QTemporaryDir work;
  SetKonfiguracija rec;
  rec.putanjaBaza = work.filePath(QStringLiteral("baza"));
  ASSERT_TRUE(KonfiguracijaStore::save(work.path(), rec));
  EXPECT_FALSE(DatabaseRestore::run(work.path(), (*done).file, h.clock.now()).ok); // no such folder yet
  ASSERT_TRUE(QDir().mkpath(rec.putanjaBaza));
  const RestoreResult restored = DatabaseRestore::run(work.path(), (*done).file, h.clock.now());
  ASSERT_TRUE(restored.ok) << restored.message.toStdString();
  const QString restoredFile = QDir(rec.putanjaBaza).filePath(QStringLiteral("kasa.db"));
  EXPECT_TRUE(SqliteFile::integrityCheck(restoredFile));
  Database back;
  ASSERT_TRUE(back.open(1, rec.putanjaBaza));
  EXPECT_EQ(count(back, QStringLiteral("SELECT COUNT(*) FROM racuni WHERE status = 1")), 2);
  EXPECT_EQ(count(back, QStringLiteral("SELECT COUNT(*) FROM prodato")), 5);
  EXPECT_EQ(count(back, QStringLiteral("SELECT COUNT(*) FROM rate")), 2);
  EXPECT_EQ(count(back, QStringLiteral("SELECT brfisis FROM racuni WHERE broj = 2")), 7002);
}

// A folder that cannot be written gives the reason for the status line; the sale that
// follows lands as always.
TEST(Backup, UnwritableFolderIsReportedAndTheSaleGoesOn) {
  Harness h(1, true);
  QFile blocker(h.dir.filePath(QStringLiteral("datoteka")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  DatabaseBackup backup(h.clock);
  testsupport::Answer<BackupResult> done;
  const QString folder = h.dir.filePath(QStringLiteral("datoteka/kopije"));
  ASSERT_TRUE(backup.start(h.db, folder, 30, done.callback()));
  ASSERT_TRUE(finish(h, done));
  EXPECT_FALSE((*done).ok);
  EXPECT_EQ((*done).message,
            QStringLiteral("Rezervna kopija baze nije napravljena: u folder %1 ne moze da se pise!")
                .arg(QDir::toNativeSeparators(folder)));

  sellReceipt(h, 1);
  EXPECT_EQ(count(h.db, QStringLiteral("SELECT COUNT(*) FROM racuni WHERE status = 1")), 1);
}

// The database closed under a running copy (the configuration's OK opens it again): the copy
// is dropped with its partial file, and it says so.
TEST(Backup, DatabaseClosedUnderTheCopyDropsIt) {
  Harness h(1, true);
  ASSERT_TRUE(
      h.db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 2000) INSERT INTO artikli (sifra, naziv, cena, stopa, lager) "
                               "SELECT 'A' || i, 'ARTIKAL ' || i, 10, 2, 5 FROM n")));
  DatabaseBackup backup(h.clock);
  backup.setPagesPerSlice(1);
  testsupport::Answer<BackupResult> done;
  const QString folder = h.dir.filePath(QStringLiteral("kopije"));
  ASSERT_TRUE(backup.start(h.db, folder, 30, done.callback()));
  h.clock.advance(0);
  ASSERT_TRUE(backup.isRunning());
  ASSERT_TRUE(h.db.open(1, h.dir.path()));
  ASSERT_TRUE(finish(h, done));
  EXPECT_FALSE((*done).ok);
  EXPECT_EQ((*done).message,
            QStringLiteral("Rezervna kopija baze nije napravljena: baza je zatvorena pre kraja kopiranja."));
  EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

// The backup follows the daily closing report only: the engine says so when the device's
// status after the report shows it printed; a state snapshot is no reason for one.
TEST(Backup, DailyReportCompletionIsAnnouncedOnce) {
  struct Case {
    int type;
    int announced;
  } cases[] = {{DeviceCommands::Dnevni, 1}, {DeviceCommands::Presek, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.type);
    Harness h(4);
    int announced = 0;
    QObject::connect(h.engine.get(), &TransactionEngine::dailyReportCompleted, [&announced] { ++announced; });
    h.engine->Izvestaj(c.type, QStringLiteral("0"), QStringLiteral("0"));
    h.settle();
    ASSERT_EQ(h.lastCode(), 0x08);
    h.feed(reply::ack4(0x08));
    EXPECT_EQ(announced, 0) << "announced before the device printed it";
    h.clock.advance(5000);
    ASSERT_EQ(h.lastCode(), 0x0D);
    h.feed(reply::ack4(0x0D, true, 1));
    EXPECT_EQ(announced, c.announced);
    // A later status in state 1 is no second report.
    h.engine->GetStatus();
    h.settle();
    h.feed(reply::ack4(0x0D, true, 1));
    EXPECT_EQ(announced, c.announced);
  }
}
