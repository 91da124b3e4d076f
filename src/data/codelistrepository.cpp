#include "data/codelistrepository.h"

#include "data/database.h"
#include "data/recordrules.h"
#include "data/schema.h"

#include <QSqlQuery>

DbResult<std::optional<Waiter>> CodeListRepository::waiter(const QString &sql, const QVariantMap &binds) {
  auto q = m_db.query(sql, binds);
  if (!q)
    return q.failure();
  if (!q->next())
    return std::optional<Waiter>();
  return std::optional<Waiter>(
      Waiter{q->value(0).toInt(), q->value(1).toString().trimmed(), q->value(2).toBool()});
}

DbResult<std::optional<Waiter>> CodeListRepository::waiterByCode(const QString &code) {
  return waiter(QStringLiteral("SELECT rbr, naziv, admin FROM konobari WHERE sifkonob=:sifkonob"),
                {{QStringLiteral("sifkonob"), code}});
}

DbResult<std::optional<Waiter>> CodeListRepository::firstWaiter() {
  return waiter(
      QStringLiteral("SELECT rbr, naziv, admin FROM konobari WHERE rbr=(SELECT MIN(rbr) FROM konobari)"), {});
}

DbResult<bool> CodeListRepository::anyAdministrator() {
  const auto n = administratorCount();
  if (!n)
    return n.failure();
  return *n > 0;
}

DbResult<int> CodeListRepository::administratorCount() {
  const auto n = m_db.scalar(QStringLiteral("SELECT COUNT(*) As Rezultat FROM KONOBARI WHERE ADMIN=:admin"),
                             {{QStringLiteral("admin"), m_db.booleanValue(true)}});
  if (!n)
    return n.failure();
  return n->toInt();
}

DbResult<> CodeListRepository::setWaiterCode(int rbr, const QString &code) {
  return m_db.exec(QStringLiteral("UPDATE konobari SET sifkonob=:sifkonob WHERE rbr=:rbr"),
                   {{QStringLiteral("sifkonob"), code}, {QStringLiteral("rbr"), rbr}});
}

bool CodeListRepository::keeps(const QString &table) {
  static const QStringList tables = {QStringLiteral("KONOBARI"), QStringLiteral("PARTNER"),
                                     QStringLiteral("MESTO"),    QStringLiteral("STOLOVI"),
                                     QStringLiteral("GRUPA"),    QStringLiteral("PORSTOPE")};
  return tables.contains(table.toUpper());
}

DbResult<> CodeListRepository::removeAll(const QString &table) {
  const TableDef *t = Schema::table(table);
  if (!t || !keeps(table))
    return DbError{QStringLiteral("no code list %1").arg(table)};
  return m_db.exec(QStringLiteral("DELETE FROM %1").arg(t->sqlName()));
}

DbResult<> CodeListRepository::insertRow(const QString &table, QSqlRecord row) {
  if (!keeps(table))
    return DbError{QStringLiteral("no code list %1").arg(table)};
  RecordRules::fillDefaults(table, row, true);
  return m_db.insertRecord(table, row);
}

DbResult<QSet<int>> CodeListRepository::tablesWithLines() {
  const auto found = m_db.rows(QStringLiteral("SELECT DISTINCT brstola FROM stost"));
  if (!found)
    return found.failure();
  QSet<int> tables;
  for (const QSqlRecord &r : *found)
    tables.insert(r.value(0).toInt());
  return tables;
}

DbResult<QMap<int, int>> CodeListRepository::tableOwners() {
  const auto found =
      m_db.rows(QStringLiteral("SELECT brstola, sifkonob FROM stolovi WHERE sifkonob IS NOT NULL AND sifkonob<>-1"));
  if (!found)
    return found.failure();
  QMap<int, int> owners;
  for (const QSqlRecord &r : *found)
    owners.insert(r.value(0).toInt(), r.value(1).toInt());
  return owners;
}

DbResult<QList<QSqlRecord>> CodeListRepository::groups() {
  return m_db.rows(QStringLiteral("SELECT sifgrupa, naziv FROM grupa ORDER BY sifgrupa"));
}

DbResult<QList<QSqlRecord>> CodeListRepository::places() {
  return m_db.rows(QStringLiteral("SELECT sifmesto, naziv FROM mesto ORDER BY sifmesto"));
}
