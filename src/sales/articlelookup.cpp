#include "sales/articlelookup.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

SqlArticleLookup::SqlArticleLookup(QString connectionName) : m_connection(std::move(connectionName)) {
  if (m_connection.isEmpty())
    m_connection = QLatin1String(QSqlDatabase::defaultConnection);
}

std::optional<Artikal> SqlArticleLookup::find(const char *column, const QString &value) const {
  if (value.trimmed().isEmpty())
    return std::nullopt;
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  if (!db.isOpen())
    return std::nullopt;
  QSqlQuery q(db);
  // Fixed-width text columns may come back padded; compare trimmed, ignoring case.
  q.prepare(QStringLiteral(
                "SELECT SIFRA, BARKOD, NAZIV, CENA, STOPA FROM ARTIKLI WHERE UPPER(TRIM(%1)) = UPPER(:v)")
                .arg(QLatin1String(column)));
  q.bindValue(QStringLiteral(":v"), value.trimmed());
  if (!q.exec() || !q.next())
    return std::nullopt;
  Artikal a;
  a.sifra = q.value(0).toString().trimmed();
  a.barkod = q.value(1).toString().trimmed();
  a.naziv = q.value(2).toString().trimmed();
  a.cena = q.value(3).toDouble();
  a.stopa = q.value(4).toInt();
  return a;
}

std::optional<Artikal> SqlArticleLookup::bySifra(const QString &sifra) const {
  return find("SIFRA", sifra);
}

std::optional<Artikal> SqlArticleLookup::byBarkod(const QString &barkod) const {
  return find("BARKOD", barkod);
}
