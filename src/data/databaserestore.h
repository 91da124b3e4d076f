#pragma once

#include <QDateTime>
#include <QString>

// What kasa --restore did, in words for the person who ran it.
struct RestoreResult {
  bool ok = false;
  QString message;
  QString keptCopy; // where the database that was replaced now lies
};

// Puts a backup back in the place of the configured kasa.db. Refused while the
// program runs in that working directory or a receipt is unfinished; the backup
// is checked first, the current database is kept as a backup of its own, and the
// checked copy then takes the name kasa.db in one step.
class DatabaseRestore {
public:
  // Held by the running program in its working directory.
  static constexpr const char *kLockFile = "kasa.lock";

  // workDir holds Konfiguracija.dat; now names the kept copy and the year whose last
  // receipt must be finished.
  static RestoreResult run(const QString &workDir, const QString &backupFile, const QDateTime &now);
  // The database directory of the configuration, a relative one taken from workDir.
  static QString databaseDir(const QString &workDir, const QString &putanjaBaza);
};
