#include "sales/waiterlogin.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

WaiterLogin::WaiterLogin(QString connectionName) : m_connection(std::move(connectionName)) {
  if (m_connection.isEmpty())
    m_connection = QLatin1String(QSqlDatabase::defaultConnection);
}

QString WaiterLogin::caption(Mode m) {
  return m == Mode::Restaurant ? QStringLiteral("Konobari") : QStringLiteral("Operateri");
}

QString WaiterLogin::prompt(Mode m) {
  switch (m) {
  case Mode::SetCode:
    return QStringLiteral("Unesite lozinku");
  case Mode::Restaurant:
    return QStringLiteral("Unesite lozinku konobara");
  case Mode::Operator:
    break;
  }
  return QStringLiteral("Unesite lozinku operatera");
}

bool WaiterLogin::serviceCodeOffered() const {
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("SELECT COUNT(*) FROM KONOBARI WHERE ADMIN = :t"));
  q.bindValue(QStringLiteral(":t"), true);
  if (!q.exec() || !q.next())
    return false; // an unreadable table never opens the back door
  return q.value(0).toInt() == 0;
}

WaiterLogin::Result WaiterLogin::check(Window w, const QString &entry) const {
  Result r;
  if (entry.isEmpty()) {
    r.error = w == Window::Login ? QStringLiteral("Morate uneti sifru!")
                                 : QStringLiteral("Morate uneti sifru konobara!");
    return r;
  }
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("SELECT RBR, NAZIV, ADMIN FROM KONOBARI WHERE SIFKONOB = :s"));
  q.bindValue(QStringLiteral(":s"), entry);
  if (q.exec() && q.next()) {
    r.ok = true;
    r.waiter.rbr = q.value(0).toInt();
    r.waiter.naziv = q.value(1).toString().trimmed();
    r.waiter.admin = q.value(2).toBool();
    return r;
  }
  if (w == Window::Login && entry == QLatin1String(kServiceCode) && serviceCodeOffered()) {
    r.ok = true;
    r.serviceCode = true;
    QSqlQuery first(QSqlDatabase::database(m_connection, false));
    if (first.exec(QStringLiteral("SELECT RBR, NAZIV FROM KONOBARI ORDER BY RBR")) && first.next()) {
      r.waiter.rbr = first.value(0).toInt();
      r.waiter.naziv = first.value(1).toString().trimmed();
    }
    return r;
  }
  r.error = QStringLiteral("Uneli ste pogresnu sifru!");
  return r;
}

QString WaiterLogin::setCode(int rbr, const QString &entry) const {
  const QString code = entry.trimmed();
  if (code.size() >= 8)
    return QStringLiteral("Maksimalna dozvoljena duzina je 7 karaktera!");
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("UPDATE KONOBARI SET SIFKONOB = :s WHERE RBR = :r"));
  q.bindValue(QStringLiteral(":s"), code);
  q.bindValue(QStringLiteral(":r"), rbr);
  q.exec(); // database errors are ignored here, as the code lists save the row
  return QString();
}
