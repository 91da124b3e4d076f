#include "data/articlerepository.h"

#include "common/rounding.h"
#include "data/database.h"

#include <QSqlQuery>

DbResult<std::optional<Artikal>> ArticleRepository::find(const char *column, const QString &value) {
  if (value.trimmed().isEmpty())
    return std::optional<Artikal>();
  const auto found = m_db.rows(QStringLiteral("SELECT sifra, barkod, naziv, cena, stopa FROM artikli "
                                              "WHERE UPPER(TRIM(%1))=UPPER(TRIM(:v))")
                                   .arg(QLatin1String(column)),
                               {{QStringLiteral("v"), value}});
  if (!found)
    return found.failure();
  if (found->isEmpty())
    return std::optional<Artikal>();
  const QSqlRecord &r = found->first();
  Artikal a;
  a.sifra = r.value(0).toString().trimmed();
  a.barkod = r.value(1).toString().trimmed();
  a.naziv = r.value(2).toString().trimmed();
  a.cena = Money::fromDatabase(r.value(3));
  a.stopa = r.value(4).toInt();
  return std::optional<Artikal>(a);
}

DbResult<std::optional<Artikal>> ArticleRepository::bySifra(const QString &sifra) {
  return find("sifra", sifra);
}

DbResult<std::optional<Artikal>> ArticleRepository::byBarkod(const QString &barkod) {
  return find("barkod", barkod);
}

DbResult<QList<RecipePart>> ArticleRepository::recipe(const QString &sifra) {
  const auto found = m_db.rows(
      QStringLiteral("SELECT sifsas, kolicina FROM sastav WHERE UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))"),
      {{QStringLiteral("sifra"), sifra}});
  if (!found)
    return found.failure();
  QList<RecipePart> parts;
  for (const QSqlRecord &r : *found)
    parts.append({r.value(0).toString().trimmed(), r.value(1).toDouble()});
  return parts;
}

DbResult<> ArticleRepository::lowerOne(const QString &sifra, double kolicina) {
  // Stock is kept to four decimals, as the quantities of the sold lines.
  return m_db.exec(
      QStringLiteral("UPDATE artikli SET lager=lager-:kolicina WHERE UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))"),
      {{QStringLiteral("kolicina"), MyRound(4, kolicina)}, {QStringLiteral("sifra"), sifra}});
}

DbResult<> ArticleRepository::lowerStock(const QString &sifra, Quantity kolicina) {
  DB_TRY(lowerOne(sifra, kolicina.toDouble()));
  const auto parts = recipe(sifra);
  if (!parts)
    return parts.failure();
  for (const RecipePart &p : *parts)
    DB_TRY(lowerOne(p.sifsas, p.kolicina * kolicina.toDouble())); // recipe quantities have any decimals
  return {};
}
