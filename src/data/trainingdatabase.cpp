#include "data/trainingdatabase.h"

#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TrainingDatabase {

QString fileName() {
  return QStringLiteral("kasa-obuka.db");
}

QString pathFor(int tipBaze, const QString &putanjaBaza, const QString &workDir) {
  switch (tipBaze) {
  case int(DatabaseKind::SQLite): {
    const QString dir = putanjaBaza.trimmed().isEmpty() ? QStringLiteral(".") : putanjaBaza.trimmed();
    return QFileInfo(dir).isDir() ? QDir(dir).absoluteFilePath(fileName()) : QString();
  }
  case int(DatabaseKind::PostgreSQL):
    return QDir(workDir).absoluteFilePath(fileName());
  default:
    return QString();
  }
}

bool open(Database &db, int tipBaze, const QString &putanjaBaza, const QString &workDir) {
  const QString path = pathFor(tipBaze, putanjaBaza, workDir);
  if (path.isEmpty()) {
    db.close();
    return false;
  }
  // The shop's own database is closed first, so what it still holds in its
  // write-ahead log is in the file that is copied.
  db.close();
  if (!QFileInfo::exists(path) && tipBaze == int(DatabaseKind::SQLite)) {
    const QString real = QFileInfo(path).dir().filePath(Database::sqliteFileName());
    if (QFileInfo::exists(real)) {
      if (!QFile::copy(real, path))
        return false;
      QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
      if (QFileInfo::exists(real + QStringLiteral("-wal")))
        QFile::copy(real + QStringLiteral("-wal"), path + QStringLiteral("-wal"));
    }
  }
  return db.openSqliteFile(path);
}

} // namespace TrainingDatabase
