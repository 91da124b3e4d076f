#pragma once

#include "data/dbresult.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Database;
class Scheduler;

// What became of one backup.
struct BackupResult {
  bool ok = false;
  QString file;        // the backup written (ok) or the one that was being written
  QString message;     // for the status line: what was made, or why nothing was
  QStringList removed; // older backups deleted to keep the configured number
};

// Backups of the embedded database: a consistent copy of the open kasa.db made
// with SQLite's online backup through the program's own connection, so receipts
// written meanwhile go into the copy too. The copy is checked with
// PRAGMA integrity_check before it takes its name kasa-YYYYMMDD-HHMMSS.db in the
// folder; the oldest of those beyond the number to keep are then deleted.
class DatabaseBackup : public QObject {
  Q_OBJECT
public:
  using Done = std::function<void(const BackupResult &)>;

  explicit DatabaseBackup(Scheduler &scheduler, QObject *parent = nullptr);
  ~DatabaseBackup() override;

  // The folder of the backups: putanjaKopija, a relative one inside the database
  // directory; empty when putanjaKopija is empty (no backups).
  static QString folderFor(const QString &putanjaKopija, const QString &databaseDir);
  // The name a backup made at when gets.
  static QString fileNameFor(const QDateTime &when, const QString &suffix = QString());

  // Copies the open database in slices, one turn of the event loop each, so the sale
  // goes on while it runs; done is called once, later. False (done not called) when a
  // backup is already running.
  bool start(Database &db, const QString &folder, int keep, Done done);
  bool isRunning() const;
  // Pages copied per slice (tests make it small to see the sale go on in between).
  void setPagesPerSlice(int pages) { m_pagesPerSlice = pages; }

  // The whole copy at once (program end, before a restore). suffix marks copies that
  // rotation leaves alone (e.g. the database kept before a restore).
  static BackupResult copyNow(Database &db, const QString &folder, int keep, const QDateTime &when,
                              const QString &suffix = QString());
  // PRAGMA integrity_check of an SQLite file, opened read-only.
  static DbResult<> checkIntegrity(const QString &file);
  // Deletes the oldest kasa-YYYYMMDD-HHMMSS.db files of folder beyond keep; returns their names.
  static QStringList rotate(const QString &folder, int keep);

private:
  class Job;
  void slice();
  void finish(BackupResult result);

  Scheduler &m_scheduler;
  std::unique_ptr<Job> m_job;
  Done m_done;
  int m_pagesPerSlice = 64;
};
