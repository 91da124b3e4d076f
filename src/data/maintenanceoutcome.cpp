#include "data/maintenanceoutcome.h"

#include "data/changenotifier.h"
#include "data/database.h"

namespace Maintenance {

MaintenanceOutcome failure(const QString &text, const QString &title) {
  MaintenanceOutcome o;
  o.title = title;
  o.text = text;
  return o;
}

MaintenanceOutcome done(int count) {
  MaintenanceOutcome o;
  o.ok = true;
  o.count = count;
  return o;
}

MaintenanceOutcome writeFailure(const DbError &error, const QString &table) {
  if (error.keyViolation)
    return failure(QStringLiteral("DUPLA SIFRA!"), QStringLiteral("Greska"));
  const QString text = RecordRules::postErrorText(table);
  return failure(error.text.isEmpty() ? text : error.text, QStringLiteral("Greska"));
}

QString lineText(int line, const QString &text) {
  return QStringLiteral("Red %1: %2").arg(line).arg(text);
}

MaintenanceOutcome replaceRows(Database &db, RecordRules &rules, const QString &table,
                               const std::function<DbResult<>()> &remove, const QList<QSqlRecord> &rows,
                               const std::function<DbResult<>(const QSqlRecord &)> &insert,
                               const AuditNote &note) {
  const auto written = db.inTransaction([&]() -> DbResult<> {
    DB_TRY(remove());
    for (const QSqlRecord &row : rows)
      DB_TRY(insert(row));
    DB_TRY(AuditJournal(db).append(note));
    return ChangeNotifier::announce(db, table);
  });
  if (!written)
    return writeFailure(written.failure(), table);
  emit rules.tableChanged(table);
  return done(int(rows.size()));
}

QuietCheck::QuietCheck(Database &db, const RecordRules &settings) : m_rules(db, m_held) {
  m_rules.setOperatorRange(settings.firstOperator(), settings.lastOperator());
  m_rules.setRestaurantMode(settings.restaurantMode());
}

QString QuietCheck::refusal(const QString &table, QSqlRecord &row) {
  m_held = HeldMessage();
  return m_rules.checkFields(table, row) ? QString() : m_held.text;
}

} // namespace Maintenance
