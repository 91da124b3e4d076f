#include "data/databaserestore.h"

#include "data/database.h"
#include "data/databasebackup.h"
#include "data/konfiguracija.h"
#include "data/receiptrepository.h"
#include "data/schema.h"
#include "data/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace {

RestoreResult refused(const QString &message) {
  RestoreResult r;
  r.message = message;
  return r;
}

QString native(const QString &path) {
  return QDir::toNativeSeparators(path);
}

// A file that passed the check and holds the program's tables, at a version this program knows.
QString whyNotABackup(const QString &file) {
  if (const auto checked = SqliteFile::integrityCheck(file); !checked)
    return checked.error();
  const auto names = SqliteFile::column(file, "SELECT LOWER(name) FROM sqlite_master WHERE type='table'");
  if (!names)
    return names.error();
  for (const TableDef &t : Schema::tables())
    if (!names->contains(t.sqlName()))
      return QStringLiteral("nema tabele %1").arg(t.name);
  if (names->contains(QStringLiteral("kasa_verzija"))) {
    const auto version = SqliteFile::column(file, "SELECT MAX(verzija) FROM kasa_verzija");
    if (version && !version->isEmpty() && version->first().toInt() > Schema::currentVersion())
      return QStringLiteral("napravio ju je noviji program");
  }
  return {};
}

} // namespace

QString DatabaseRestore::databaseDir(const QString &workDir, const QString &putanjaBaza) {
  const QString dir = putanjaBaza.trimmed().isEmpty() ? QStringLiteral(".") : putanjaBaza.trimmed();
  return QDir::cleanPath(QDir(workDir).absoluteFilePath(dir));
}

RestoreResult DatabaseRestore::run(const QString &workDir, const QString &backupFile, const QDateTime &now) {
  const auto loaded = KonfiguracijaStore::load(workDir);
  if (!loaded.fromFile && !loaded.error.isEmpty())
    return refused(loaded.error);
  const SetKonfiguracija &rec = loaded.record;
  if (rec.TipBaze == int(DatabaseKind::PostgreSQL))
    return refused(QStringLiteral("Baza je na PostgreSQL serveru: kopiju vraca pg_restore (vidi README)."));
  if (rec.TipBaze != int(DatabaseKind::SQLite))
    return refused(QStringLiteral("Kopija se vraca samo u bazu tipa SQLITE (Tip baze u konfiguraciji)."));

  // A program still running would go on writing into the file that is replaced.
  QLockFile running(QDir(workDir).filePath(QString::fromLatin1(kLockFile)));
  running.setStaleLockTime(0); // a program that runs for hours still holds it
  if (!running.tryLock(0))
    return refused(QStringLiteral("Program kasa radi u folderu %1. Zatvorite ga, pa ponovite vracanje.")
                       .arg(native(workDir)));

  const QString source = QFileInfo(backupFile).absoluteFilePath();
  if (const QString why = whyNotABackup(source); !why.isEmpty())
    return refused(QStringLiteral("Datoteka %1 nije ispravna kopija baze: %2.").arg(native(source), why));

  const QString dir = databaseDir(workDir, rec.putanjaBaza);
  // The program opens no database in a folder that is not there: neither is one put there.
  if (!QFileInfo(dir).isDir())
    return refused(
        QStringLiteral("Folder baze %1 ne postoji (Putanja za bazu u konfiguraciji).").arg(native(dir)));
  const QString target = QDir(dir).filePath(Database::sqliteFileName());
  QString folder = DatabaseBackup::folderFor(rec.putanjaKopija, dir);
  if (folder.isEmpty())
    folder = dir;

  RestoreResult result;
  if (QFileInfo::exists(target)) {
    Database current;
    if (current.open(int(DatabaseKind::SQLite), dir)) {
      // The newest year that holds receipts: one left open on the last evening of a year counts too.
      const int year = current.scalar(QStringLiteral("SELECT MAX(godina) FROM racuni"))
                           .value_or(QVariant(now.date().year()))
                           .toInt();
      const auto last = ReceiptRepository(current).lastReceipt(year > 0 ? year : now.date().year());
      if (last && *last && (*last)->status == 0)
        return refused(
            QStringLiteral("Racun broj %1 nije zavrsen. Zavrsite ga u programu, pa ponovite vracanje.")
                .arg((*last)->broj));
      const BackupResult kept =
          DatabaseBackup::copyNow(current, folder, rec.brojKopija, now, QStringLiteral("-pre-vracanja"));
      if (!kept.ok)
        return refused(kept.message + QStringLiteral(" Baza nije vracena."));
      result.keptCopy = kept.file;
      // Everything of the write-ahead log goes into kasa.db and the log file away with the close,
      // so no log of the old database is left beside the new one.
      (void)current.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
      current.close();
    } else {
      // A database that no longer opens is kept as the files it is.
      result.keptCopy =
          QDir(folder).filePath(DatabaseBackup::fileNameFor(now, QStringLiteral("-pre-vracanja")));
      QDir().mkpath(folder);
      if (!QFile::copy(target, result.keptCopy))
        return refused(QStringLiteral("Dotadasnja baza ne moze da se sacuva u %1. Baza nije vracena.")
                           .arg(native(folder)));
      QFile::copy(target + QStringLiteral("-wal"), result.keptCopy + QStringLiteral("-wal"));
    }
  }

  const QString incoming = target + QStringLiteral(".vracanje");
  if (const auto copied = SqliteFile::copy(source, incoming); !copied) {
    QFile::remove(incoming);
    return refused(QStringLiteral("Kopija ne moze da se prepise u %1: %2. Baza nije vracena.")
                       .arg(native(dir), copied.error()));
  }
  if (const auto checked = SqliteFile::integrityCheck(incoming); !checked) {
    QFile::remove(incoming);
    return refused(
        QStringLiteral("Prepisana kopija nije ispravna: %1. Baza nije vracena.").arg(checked.error()));
  }
  // A log or shared-memory file left beside kasa.db would be read as part of the restored one.
  QFile::remove(target + QStringLiteral("-wal"));
  QFile::remove(target + QStringLiteral("-shm"));
  if (!SqliteFile::replace(incoming, target)) {
    QFile::remove(incoming);
    return refused(QStringLiteral("Kopija ne moze da zameni %1. Baza nije vracena.").arg(native(target)));
  }
  result.ok = true;
  result.message = result.keptCopy.isEmpty()
                       ? QStringLiteral("Baza je vracena iz kopije %1.").arg(native(source))
                       : QStringLiteral("Baza je vracena iz kopije %1. Dotadasnja baza je sacuvana kao %2.")
                             .arg(native(source), native(result.keptCopy));
  return result;
}
