#include "data/sqlitefile.h"

#include "data/database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Closes a handle however the function that opened it ends.
struct Handle {
  sqlite3 *db = nullptr;
  ~Handle() { sqlite3_close(db); }
  QString error() const { return QString::fromUtf8(sqlite3_errmsg(db)); }
};

void syncDirectoryOf(const QString &file) {
  const int fd =
      ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

} // namespace

namespace SqliteFile {

sqlite3 *handleOf(Database &db) {
  if (!db.isOpen() || db.kind() != DatabaseKind::SQLite)
    return nullptr;
  const QVariant v = db.connection().driver()->handle();
  if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
    return nullptr;
  return *static_cast<sqlite3 *const *>(v.constData());
}

DbResult<QStringList> column(const QString &file, const char *sql) {
  if (!QFileInfo(file).isFile())
    return DbError{QStringLiteral("datoteka ne postoji")};
  Handle h;
  if (sqlite3_open_v2(QFile::encodeName(file).constData(), &h.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    return DbError{h.error()};
  sqlite3_stmt *st = nullptr;
  if (sqlite3_prepare_v2(h.db, sql, -1, &st, nullptr) != SQLITE_OK)
    return DbError{h.error()};
  QStringList found;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    found << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE)
    return DbError{h.error()};
  return found;
}

DbResult<> integrityCheck(const QString &file) {
  const auto found = column(file, "PRAGMA integrity_check");
  if (!found)
    return found.failure();
  if (*found != QStringList{QStringLiteral("ok")})
    return DbError{found->mid(0, 3).join(QStringLiteral("; "))};
  return {};
}

DbResult<> copy(const QString &from, const QString &to) {
  Handle source, dest;
  if (sqlite3_open_v2(QFile::encodeName(from).constData(), &source.db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK)
    return DbError{source.error()};
  QFile::remove(to);
  if (sqlite3_open_v2(QFile::encodeName(to).constData(), &dest.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    return DbError{dest.error()};
  sqlite3_backup *b = sqlite3_backup_init(dest.db, "main", source.db, "main");
  if (!b)
    return DbError{dest.error()};
  const int rc = sqlite3_backup_step(b, -1);
  const int finished = sqlite3_backup_finish(b);
  if (rc != SQLITE_DONE || finished != SQLITE_OK)
    return DbError{QString::fromUtf8(sqlite3_errstr(rc != SQLITE_DONE ? rc : finished))};
  // The copy of a write-ahead-log database would say so in its header; it is one plain file.
  if (sqlite3_exec(dest.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
    return DbError{dest.error()};
  return {};
}

bool replace(const QString &from, const QString &to) {
  // rename(2) swaps the name in one step; QFile::rename refuses an existing target.
  if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
    return false;
  syncDirectoryOf(to);
  return true;
}

} // namespace SqliteFile
