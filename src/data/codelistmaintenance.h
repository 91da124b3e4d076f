#pragma once

#include "data/codelistcsv.h"
#include "data/codelistrepository.h"
#include "data/maintenanceoutcome.h"

#include <QList>
#include <QPair>
#include <QSqlRecord>
#include <QString>

class Database;
class RecordRules;

// The whole-table operations of the code-list window: the five CSV imports, the
// waiters and tax rates read from the device, and "Podrazumevano". Each checks all
// its rows first, without showing anything, and then replaces the table in one
// transaction, or changes nothing and names the first refused line or operator.
// A replacement never leaves the shop without an administrator, nor an open table
// without its waiter, nor order lines without their table.
class CodeListMaintenance {
public:
  CodeListMaintenance(Database &db, RecordRules &rules) : m_db(db), m_rules(rules), m_codes(db) {}

  // The table of list replaced by the rows of the file.
  MaintenanceOutcome importFile(CodeList list, const QString &path);
  // KONOBARI replaced by the device's operators (RBR = operator number).
  MaintenanceOutcome replaceWaiters(const QList<QSqlRecord> &rows);
  // PORSTOPE replaced by rows (STOPA, IZNOS).
  MaintenanceOutcome replaceTaxRates(const QList<QSqlRecord> &rows);
  // "Podrazumevano": nine rates, STOPA 0 to 8, all 0.
  MaintenanceOutcome defaultTaxRates();

  // Why the window may not close now: no administrator, or the count failed; empty = it may.
  QString closingRefusal();

  static QString noAdministratorText() {
    return QStringLiteral("Bar jedan operater/konobar mora da bude administrator!");
  }

private:
  // Rows with the label that names each (a file's line, a device's operator).
  using Labelled = QList<QPair<QString, QSqlRecord>>;
  MaintenanceOutcome replace(const QString &table, Labelled rows, const AuditNote &note);
  // What the table as a whole must keep: an administrator, open tables' waiters and tables.
  QString wholeTableRefusal(const QString &table, Labelled &rows);

  Database &m_db;
  RecordRules &m_rules;
  CodeListRepository m_codes;
};
