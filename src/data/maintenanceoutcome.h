#pragma once

#include "data/auditjournal.h"
#include "data/dbresult.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"

#include <QList>
#include <QSqlRecord>
#include <QString>

#include <functional>

class Database;

// What a whole-table operation of a maintenance window has to tell the user when it ends.
struct MaintenanceOutcome {
  bool ok = false;
  QString title; // of the message dialog; empty = no message
  QString text;
  int count = 0; // rows written
};

// The pieces every whole-table operation (imports, reads from the device, price
// changes) is made of: every row is checked quietly first, and only when all pass
// is the table written, in one transaction; the first refusal is reported once,
// named by its line or device number, after the transaction has closed.
namespace Maintenance {

MaintenanceOutcome failure(const QString &text, const QString &title = QStringLiteral("GRESKA"));
MaintenanceOutcome done(int count);
// The message for a write the database refused ("DUPLA SIFRA!" for a duplicate key).
MaintenanceOutcome writeFailure(const DbError &error, const QString &table);
// "Red 3: ..." for the line of a file.
QString lineText(int line, const QString &text);

// remove, then insert each row, and the journal's row for note, all in one transaction; on
// success the open views of table are told (RecordRules::tableChanged) and the outcome
// counts the rows.
MaintenanceOutcome replaceRows(Database &db, RecordRules &rules, const QString &table,
                               const std::function<DbResult<>()> &remove, const QList<QSqlRecord> &rows,
                               const std::function<DbResult<>(const QSqlRecord &)> &insert,
                               const AuditNote &note);

// Keeps the first refusal of the checks instead of showing it.
struct HeldMessage : RecordMessages {
  QString title, text;
  void show(const QString &t, const QString &x) override { hold(t, x); }
  void warning(const QString &x) override { hold(QString(), x); }
  bool opensPrompt() const override { return false; }
  void hold(const QString &t, const QString &x) {
    if (text.isEmpty()) {
      title = t;
      text = x;
    }
  }
};

// The record checks of one new row, quietly, with the settings of the program's rules
// (the device's operator numbers); the refusal's text, or empty.
class QuietCheck {
public:
  QuietCheck(Database &db, const RecordRules &settings);
  QString refusal(const QString &table, QSqlRecord &row);

private:
  HeldMessage m_held;
  RecordRules m_rules;
};

} // namespace Maintenance
