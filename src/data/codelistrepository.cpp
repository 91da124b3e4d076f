#include "data/codelistrepository.h"

#include "data/database.h"

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
  const auto n = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM konobari WHERE admin=:admin"),
                             {{QStringLiteral("admin"), m_db.booleanValue(true)}});
  if (!n)
    return n.failure();
  return n->toInt() > 0;
}

DbResult<> CodeListRepository::setWaiterCode(int rbr, const QString &code) {
  return m_db.exec(QStringLiteral("UPDATE konobari SET sifkonob=:sifkonob WHERE rbr=:rbr"),
                   {{QStringLiteral("sifkonob"), code}, {QStringLiteral("rbr"), rbr}});
}
