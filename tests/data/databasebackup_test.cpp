#include "data/database.h"
#include "data/databasebackup.h"
#include "data/databaserestore.h"
#include "data/konfiguracija.h"
#include "data/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 3, 5), QTime(21, 30));

void touch(const QString &file, const QByteArray &bytes = "x") {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList files(const QString &folder) {
  return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// A shop: Konfiguracija.dat in work pointing at the database directory baza, and kasa.db there
// with one completed receipt (or an unfinished one).
class Shop : public ::testing::Test {
protected:
  void SetUp() override {
    rec.putanjaBaza = work.filePath(QStringLiteral("baza"));
    rec.brojKopija = 3;
    ASSERT_TRUE(KonfiguracijaStore::save(work.path(), rec));
    ASSERT_TRUE(QDir().mkpath(rec.putanjaBaza));
    ASSERT_TRUE(db.open(1, rec.putanjaBaza)) << db.lastError().toStdString();
    addReceipt(1, 1);
  }
  void addReceipt(int broj, int status) {
    ASSERT_TRUE(db.exec(QStringLiteral("INSERT INTO racuni (broj, godina, datum, status) VALUES (%1, 2026, "
                                       "'2026-03-05', %2)")
                            .arg(broj)
                            .arg(status)));
  }
  int receipts(const QString &dir) {
    Database d;
    EXPECT_TRUE(d.open(1, dir));
    return d.scalar(QStringLiteral("SELECT COUNT(*) FROM racuni")).value_or(-1).toInt();
  }
  QString folder() const { return DatabaseBackup::folderFor(rec.putanjaKopija, rec.putanjaBaza); }

  QTemporaryDir work;
  SetKonfiguracija rec;
  Database db;
};

} // namespace

TEST(BackupFolder, RelativeLiesInTheDatabaseDirectory) {
  EXPECT_EQ(DatabaseBackup::folderFor(QStringLiteral("kopije"), QStringLiteral("/srv/kasa/")),
            QStringLiteral("/srv/kasa/kopije"));
  EXPECT_EQ(DatabaseBackup::folderFor(QStringLiteral("/mnt/usb/kasa"), QStringLiteral("/srv/kasa")),
            QStringLiteral("/mnt/usb/kasa"));
  EXPECT_EQ(DatabaseBackup::folderFor(QStringLiteral("  "), QStringLiteral("/srv/kasa")), QString());
}

// Only the program's own dated backups are counted and deleted, the oldest first.
TEST(BackupRotation, KeepsTheNewestOfItsOwnFiles) {
  QTemporaryDir dir;
  const QStringList ours = {"kasa-20260301-213000.db", "kasa-20260302-213000.db", "kasa-20260302-213000-2.db",
                            "kasa-20260303-213000.db", "kasa-20260304-213000.db"};
  const QStringList foreign = {"kasa-20260101-000000-pre-vracanja.db", "kasa.db", "kasa-stara.db",
                               "kasa-20260301-213000.db.part", "beleske.txt"};
  for (const QString &f : ours + foreign)
    touch(dir.filePath(f));
  struct Case {
    int keep;
    QStringList removed;
  } cases[] = {
      {5, {}},
      {3, {"kasa-20260301-213000.db", "kasa-20260302-213000-2.db"}},
      {0, {"kasa-20260302-213000.db", "kasa-20260303-213000.db"}}, // at least one stays
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.keep);
    EXPECT_EQ(DatabaseBackup::rotate(dir.path(), c.keep), c.removed);
  }
  QStringList left = foreign;
  left << "kasa-20260304-213000.db";
  left.sort();
  EXPECT_EQ(files(dir.path()), left);
}

TEST_F(Shop, CopyNowChecksRotatesAndLeavesOnePlainFile) {
  for (int day = 1; day <= 4; ++day) {
    const BackupResult r = DatabaseBackup::copyNow(db, folder(), rec.brojKopija, kNow.addDays(day));
    ASSERT_TRUE(r.ok) << r.message.toStdString();
  }
  EXPECT_EQ(files(folder()),
            QStringList({"kasa-20260307-213000.db", "kasa-20260308-213000.db", "kasa-20260309-213000.db"}));
  const QString last = QDir(folder()).filePath(QStringLiteral("kasa-20260309-213000.db"));
  EXPECT_TRUE(SqliteFile::integrityCheck(last));
  EXPECT_EQ(SqliteFile::column(last, "PRAGMA journal_mode").value_or(QStringList()), QStringList("delete"));
  // Two in the same second keep both.
  ASSERT_TRUE(DatabaseBackup::copyNow(db, folder(), 10, kNow.addDays(4)).ok);
  EXPECT_TRUE(QFileInfo::exists(QDir(folder()).filePath(QStringLiteral("kasa-20260309-213000-2.db"))));
}

TEST_F(Shop, IntegrityCheckNamesADamagedFile) {
  const QString file = work.filePath(QStringLiteral("ostecena.db"));
  ASSERT_TRUE(DatabaseBackup::copyNow(db, work.path(), 5, kNow).ok);
  const QString good = QDir(work.path()).filePath(DatabaseBackup::fileNameFor(kNow));
  QFile::copy(good, file);
  // The page header of RACUNI's table overwritten.
  const int page = SqliteFile::column(file, "SELECT rootpage FROM sqlite_master WHERE name = 'racuni'")
                       .value_or(QStringList("0"))
                       .first()
                       .toInt();
  const int size = SqliteFile::column(file, "PRAGMA page_size").value_or(QStringList("0")).first().toInt();
  ASSERT_GT(page, 1);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  f.seek(qint64(page - 1) * size);
  f.write(QByteArray(12, '\x7F'));
  f.close();
  EXPECT_FALSE(SqliteFile::integrityCheck(file));
  EXPECT_FALSE(SqliteFile::integrityCheck(work.filePath(QStringLiteral("nema.db"))));
}

// What the restore refuses, and that a refusal leaves kasa.db as it was.
TEST_F(Shop, RestoreRefusals) {
  ASSERT_TRUE(DatabaseBackup::copyNow(db, folder(), 5, kNow).ok);
  const QString backup = QDir(folder()).filePath(DatabaseBackup::fileNameFor(kNow));
  const QString text = work.filePath(QStringLiteral("tekst.db"));
  touch(text, "ovo nije baza");
  const QString empty = work.filePath(QStringLiteral("prazna.db"));
  {
    QFile f(empty);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  addReceipt(2, 1);
  db.close();

  struct Case {
    const char *name;
    QString file;
    std::function<void()> before;
    QString message;
  } cases[] = {
      {"not a database", text, {}, QStringLiteral("nije ispravna kopija baze")},
      {"without the tables", empty, {}, QStringLiteral("nema tabele")},
      {"missing", work.filePath(QStringLiteral("nema.db")), {}, QStringLiteral("datoteka ne postoji")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const RestoreResult r = DatabaseRestore::run(work.path(), c.file, kNow);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.contains(c.message)) << r.message.toStdString();
  }
  {
    // The program running in the working directory.
    QLockFile running(work.filePath(QLatin1String(DatabaseRestore::kLockFile)));
    running.setStaleLockTime(0);
    ASSERT_TRUE(running.tryLock(0));
    const RestoreResult r = DatabaseRestore::run(work.path(), backup, kNow);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("Program kasa radi"))) << r.message.toStdString();
  }
  {
    Database d;
    ASSERT_TRUE(d.open(1, rec.putanjaBaza));
    ASSERT_TRUE(d.exec(QStringLiteral("INSERT INTO racuni (broj, godina, datum, status) VALUES (3, 2026, "
                                      "'2026-03-05', 0)")));
  }
  const RestoreResult open = DatabaseRestore::run(work.path(), backup, kNow);
  EXPECT_FALSE(open.ok);
  EXPECT_EQ(open.message,
            QStringLiteral("Racun broj 3 nije zavrsen. Zavrsite ga u programu, pa ponovite vracanje."));
  // Still open on New Year's Day.
  EXPECT_FALSE(DatabaseRestore::run(work.path(), backup, QDateTime(QDate(2027, 1, 1), QTime(8, 0))).ok);
  EXPECT_EQ(receipts(rec.putanjaBaza), 3);
}

// The current database is kept as a backup of its own before the checked copy takes its place.
TEST_F(Shop, RestoreKeepsTheCurrentDatabaseAndSwaps) {
  ASSERT_TRUE(DatabaseBackup::copyNow(db, folder(), 5, kNow).ok);
  const QString backup = QDir(folder()).filePath(DatabaseBackup::fileNameFor(kNow));
  addReceipt(2, 1);
  addReceipt(3, 1);
  db.close();

  const RestoreResult r = DatabaseRestore::run(work.path(), backup, kNow.addSecs(60));
  ASSERT_TRUE(r.ok) << r.message.toStdString();
  EXPECT_EQ(QFileInfo(r.keptCopy).fileName(), QStringLiteral("kasa-20260305-213100-pre-vracanja.db"));
  EXPECT_EQ(receipts(rec.putanjaBaza), 1);
  EXPECT_TRUE(SqliteFile::integrityCheck(r.keptCopy));
  EXPECT_EQ(SqliteFile::column(r.keptCopy, "SELECT COUNT(*) FROM racuni").value_or(QStringList()),
            QStringList("3"));
  EXPECT_FALSE(QFileInfo::exists(QDir(rec.putanjaBaza).filePath(QStringLiteral("kasa.db.vracanje"))));
  // Rotation leaves the kept database alone.
  for (int i = 1; i <= 5; ++i)
    ASSERT_TRUE(
        DatabaseBackup::copyNow(db.open(1, rec.putanjaBaza) ? db : db, folder(), 2, kNow.addDays(i)).ok);
  EXPECT_TRUE(QFileInfo::exists(r.keptCopy));
}
