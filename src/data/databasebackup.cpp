#include "data/databasebackup.h"

#include "common/scheduler.h"
#include "data/database.h"
#include "data/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <sqlite3.h>

#include <chrono>
#include <future>

Q_LOGGING_CATEGORY(lcBackup, "kasa.data.backup")

namespace {

// Pause between slices, in which replies and keys are handled.
constexpr int kSliceGapMs = 5;
// A slice that finds the database busy is tried again after this pause.
constexpr int kBusyRetryMs = 100;
// How often a running integrity check is looked at.
constexpr int kCheckPollMs = 20;

const QRegularExpression &rotatedName() {
  static const QRegularExpression re(QStringLiteral("^kasa-\\d{8}-\\d{6}(-\\d+)?\\.db$"));
  return re;
}

QString notWritable(const QString &folder) {
  return QStringLiteral("Rezervna kopija baze nije napravljena: u folder %1 ne moze da se pise!")
      .arg(QDir::toNativeSeparators(folder));
}

QString failedWith(const QString &why) {
  return QStringLiteral("Rezervna kopija baze nije napravljena: %1").arg(why);
}

} // namespace

// One copy under way: the destination file, SQLite's backup object over the
// program's connection, and the watch that ends it when that connection closes.
class DatabaseBackup::Job {
public:
  ~Job() { abandon(); }

  static std::unique_ptr<Job> begin(Database &db, const QString &folder, const QDateTime &when,
                                    const QString &suffix, QString *why) {
    sqlite3 *source = SqliteFile::handleOf(db);
    if (!source) {
      *why = db.kind() == DatabaseKind::PostgreSQL
                 ? QStringLiteral("Rezervne kopije PostgreSQL baze pravi server (pg_dump).")
                 : failedWith(QStringLiteral("baza nije otvorena."));
      return nullptr;
    }
    if (folder.isEmpty()) {
      *why = failedWith(QStringLiteral("folder za kopije nije podesen."));
      return nullptr;
    }
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
      *why = notWritable(folder);
      return nullptr;
    }
    auto job = std::unique_ptr<Job>(new Job);
    job->m_db = &db;
    job->m_final = QDir(folder).filePath(fileNameFor(when, suffix));
    for (int n = 2; QFileInfo::exists(job->m_final); ++n)
      job->m_final = QDir(folder).filePath(fileNameFor(when, suffix + QStringLiteral("-%1").arg(n)));
    job->m_part = job->m_final + QStringLiteral(".part");
    QFile::remove(job->m_part);
    if (sqlite3_open_v2(QFile::encodeName(job->m_part).constData(), &job->m_dest,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
      *why = notWritable(folder);
      return nullptr;
    }
    job->m_backup = sqlite3_backup_init(job->m_dest, "main", source, "main");
    if (!job->m_backup) {
      *why = failedWith(QString::fromUtf8(sqlite3_errmsg(job->m_dest)));
      return nullptr;
    }
    job->m_folder = folder;
    job->m_watch = db.watchClose([raw = job.get()] { raw->abandon(); });
    return job;
  }

  // One slice of pages; SQLITE_DONE when the copy is whole.
  int step(int pages) {
    if (!m_backup)
      return SQLITE_ABORT;
    const int rc = sqlite3_backup_step(m_backup, pages);
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
      m_stepError = QString::fromUtf8(sqlite3_errstr(rc));
    return rc;
  }

  // The copy is whole: close it so that it can be checked on its own.
  bool close() {
    const int rc = sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    unwatch();
    // A copy of a write-ahead-log database says so in its header; the copy is one plain file.
    if (rc == SQLITE_OK)
      sqlite3_exec(m_dest, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    const int closed = sqlite3_close(m_dest);
    m_dest = nullptr;
    if (rc != SQLITE_OK || closed != SQLITE_OK) {
      m_stepError = QString::fromUtf8(sqlite3_errstr(rc != SQLITE_OK ? rc : closed));
      return false;
    }
    return true;
  }

  // After a passed check: the copy takes its name, then the oldest ones go.
  BackupResult publish(const DbResult<> &check, int keep) {
    BackupResult r;
    r.file = m_final;
    if (!check) {
      QFile::remove(m_part);
      r.message =
          QStringLiteral("Rezervna kopija baze nije ispravna (%1) i nije sacuvana.").arg(check.error());
      return r;
    }
    if (!SqliteFile::replace(m_part, m_final)) {
      QFile::remove(m_part);
      r.message = notWritable(m_folder);
      return r;
    }
    r.ok = true;
    r.removed = rotate(m_folder, keep);
    r.message =
        QStringLiteral("Rezervna kopija baze je napravljena: %1").arg(QDir::toNativeSeparators(m_final));
    return r;
  }

  BackupResult failure() const {
    BackupResult r;
    r.file = m_final;
    if (m_closedUnder)
      r.message = failedWith(QStringLiteral("baza je zatvorena pre kraja kopiranja."));
    else if (isWriteError())
      r.message = notWritable(m_folder);
    else
      r.message = failedWith(m_stepError);
    return r;
  }

  // Drops a copy that will not be finished; its partial file goes.
  void abandon() {
    if (m_backup) {
      sqlite3_backup_finish(m_backup);
      m_backup = nullptr;
      m_closedUnder = true;
    }
    if (m_dest) {
      sqlite3_close(m_dest);
      m_dest = nullptr;
      QFile::remove(m_part);
    }
    unwatch();
  }

  bool closedUnder() const { return m_closedUnder; }
  QString part() const { return m_part; }

private:
  Job() = default;

  void unwatch() {
    if (m_db && m_watch) {
      m_db->unwatchClose(m_watch);
      m_watch = 0;
    }
  }
  bool isWriteError() const {
    return m_stepError.contains(QLatin1String("disk"), Qt::CaseInsensitive) ||
           m_stepError.contains(QLatin1String("readonly"), Qt::CaseInsensitive) ||
           m_stepError.contains(QLatin1String("unable to open"), Qt::CaseInsensitive);
  }

  Database *m_db = nullptr;
  int m_watch = 0;
  sqlite3 *m_dest = nullptr;
  sqlite3_backup *m_backup = nullptr;
  QString m_folder, m_final, m_part, m_stepError;
  bool m_closedUnder = false;

public:
  std::future<DbResult<>> check;
  int keep = 0;
};

DatabaseBackup::DatabaseBackup(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler) {}

DatabaseBackup::~DatabaseBackup() {
  if (!m_job)
    return;
  if (m_job->check.valid()) {
    m_job->check.wait(); // it reads the file that goes now
    QFile::remove(m_job->part());
  }
  m_job.reset();
}

QString DatabaseBackup::folderFor(const QString &putanjaKopija, const QString &databaseDir) {
  const QString folder = putanjaKopija.trimmed();
  if (folder.isEmpty())
    return {};
  if (QDir::isAbsolutePath(folder))
    return QDir::cleanPath(folder);
  return QDir::cleanPath(QDir(databaseDir.trimmed().isEmpty() ? QStringLiteral(".") : databaseDir.trimmed())
                             .absoluteFilePath(folder));
}

QString DatabaseBackup::fileNameFor(const QDateTime &when, const QString &suffix) {
  return QStringLiteral("kasa-%1%2.db").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
}

bool DatabaseBackup::isRunning() const {
  return bool(m_job);
}

bool DatabaseBackup::start(Database &db, const QString &folder, int keep, Done done) {
  if (m_job)
    return false;
  QString why;
  auto job = Job::begin(db, folder, m_scheduler.now(), QString(), &why);
  if (!job) {
    BackupResult r;
    r.message = why;
    // Answered later, like every backup: the caller has returned by then.
    m_scheduler.schedule(0, this, [done = std::move(done), r] { done(r); });
    return true;
  }
  job->keep = keep;
  m_job = std::move(job);
  m_done = std::move(done);
  m_scheduler.schedule(0, this, [this] { slice(); });
  return true;
}

void DatabaseBackup::slice() {
  if (!m_job)
    return;
  if (m_job->check.valid()) {
    if (m_job->check.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      m_scheduler.schedule(kCheckPollMs, this, [this] { slice(); });
      return;
    }
    const DbResult<> checked = m_job->check.get();
    finish(m_job->publish(checked, m_job->keep));
    return;
  }
  if (m_job->closedUnder()) {
    finish(m_job->failure());
    return;
  }
  const int rc = m_job->step(m_pagesPerSlice);
  if (rc == SQLITE_OK) {
    m_scheduler.schedule(kSliceGapMs, this, [this] { slice(); });
    return;
  }
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
    m_scheduler.schedule(kBusyRetryMs, this, [this] { slice(); });
    return;
  }
  if (rc != SQLITE_DONE || !m_job->close()) {
    const BackupResult failed = m_job->failure();
    m_job->abandon();
    finish(failed);
    return;
  }
  // The check of a large file takes a while: it runs beside the event loop, on a file
  // nobody else has open, so receipts keep being written meanwhile.
  m_job->check = std::async(std::launch::async, [file = m_job->part()] { return checkIntegrity(file); });
  m_scheduler.schedule(kCheckPollMs, this, [this] { slice(); });
}

void DatabaseBackup::finish(BackupResult result) {
  m_job.reset();
  Done done = std::move(m_done);
  m_done = nullptr;
  if (result.ok)
    qCInfo(lcBackup).noquote() << result.message;
  else
    qCWarning(lcBackup).noquote() << result.message;
  if (done)
    done(result);
}

BackupResult DatabaseBackup::copyNow(Database &db, const QString &folder, int keep, const QDateTime &when,
                                     const QString &suffix) {
  QString why;
  auto job = Job::begin(db, folder, when, suffix, &why);
  if (!job) {
    BackupResult r;
    r.message = why;
    return r;
  }
  int rc = SQLITE_BUSY;
  for (int tries = 0; tries < 50 && (rc == SQLITE_BUSY || rc == SQLITE_LOCKED); ++tries)
    rc = job->step(-1);
  if (rc != SQLITE_DONE || !job->close())
    return job->failure();
  return job->publish(checkIntegrity(job->part()), keep);
}

DbResult<> DatabaseBackup::checkIntegrity(const QString &file) {
  return SqliteFile::integrityCheck(file);
}

QStringList DatabaseBackup::rotate(const QString &folder, int keep) {
  QStringList ours;
  const QStringList names = QDir(folder).entryList({QStringLiteral("kasa-*.db")}, QDir::Files, QDir::Name);
  for (const QString &name : names)
    if (rotatedName().match(name).hasMatch())
      ours << name;
  // The names sort by the time they were made.
  QStringList removed;
  for (qsizetype i = 0; i + qMax(keep, 1) < ours.size(); ++i)
    if (QFile::remove(QDir(folder).filePath(ours.at(i))))
      removed << ours.at(i);
  return removed;
}
