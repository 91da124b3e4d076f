#pragma once

#include "data/dbresult.h"

#include <QString>
#include <QStringList>

class Database;
struct sqlite3;

// SQLite files handled as whole files: checked, copied and put in place, beside
// the program's own connection (backups and their restore).
namespace SqliteFile {

// The SQLite handle of the program's open connection; nullptr for a server or a closed one.
sqlite3 *handleOf(Database &db);
// PRAGMA integrity_check of the file opened read-only; the failure names what it found.
DbResult<> integrityCheck(const QString &file);
// The first column of every row sql gives on the file opened read-only.
DbResult<QStringList> column(const QString &file, const char *sql);
// A consistent copy of the SQLite file from into the new file to (made or overwritten).
DbResult<> copy(const QString &from, const QString &to);
// Puts from in the place of to in one step (rename), and makes that survive a power cut.
bool replace(const QString &from, const QString &to);

} // namespace SqliteFile
