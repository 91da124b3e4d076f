#pragma once

#include "data/dbresult.h"

#include <QObject>
#include <QSqlDriver>
#include <QString>

class Database;

// What other tills on the same server changed, so that screens showing it read it
// again (the restaurant's tables and their lines, the article grids). A change is
// announced inside the writing unit (PostgreSQL NOTIFY), so it reaches the others when
// that unit commits and never when it is rolled back. A single SQLite till has nobody
// to tell: announcing does nothing and nothing is heard.
class ChangeNotifier : public QObject {
  Q_OBJECT
public:
  explicit ChangeNotifier(QObject *parent = nullptr);
  ~ChangeNotifier() override;

  // Announces that rows of table (a schema table's name, e.g. "STOST") changed, through
  // db's open unit, or at once outside one.
  static DbResult<> announce(Database &db, const QString &table);

  // Listens on db's connection from now on; false when the server refused. Called again
  // after each opening of db (the connection's driver changes). Nothing to do for SQLite.
  bool listen(Database &db);
  // Stops listening; done by itself before db's connection closes.
  void stop();
  bool listening() const { return m_driver != nullptr; }

signals:
  // Another connection committed a change of the table's rows (its name in upper case).
  void tableChanged(const QString &table);

private:
  Database *m_db = nullptr;
  QSqlDriver *m_driver = nullptr;
  QString m_channel;
  int m_watch = 0;
};
