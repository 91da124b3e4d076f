#include "data/articlerepository.h"

#include "common/rounding.h"
#include "data/database.h"
#include "data/recordrules.h"

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

namespace {
QString whereOf(const ArticleScope &scope) {
  return scope.condition.isEmpty() ? QString() : QStringLiteral(" WHERE (%1)").arg(scope.condition);
}

// The first column of every row, as ArticleRepository::codeKey gives it.
DbResult<QSet<QString>> codeSet(Database &db, const QString &sql, const QVariantMap &binds = {}) {
  auto q = db.query(sql, binds);
  if (!q)
    return q.failure();
  QSet<QString> found;
  while (q->next())
    found.insert(ArticleRepository::codeKey(q->value(0).toString()));
  return found;
}
} // namespace

DbResult<QSqlQuery> ArticleRepository::rows(const ArticleScope &scope) {
  QString sql = QStringLiteral("SELECT * FROM artikli") + whereOf(scope);
  if (!scope.orderBy.isEmpty())
    sql += QLatin1Char(' ') + scope.orderBy;
  return m_db.query(sql, scope.binds);
}

DbResult<QSet<QString>> ArticleRepository::codes(const ArticleScope &scope) {
  return codeSet(m_db, QStringLiteral("SELECT sifra FROM artikli") + whereOf(scope), scope.binds);
}

DbResult<> ArticleRepository::removeRows(const ArticleScope &scope) {
  return m_db.exec(QStringLiteral("DELETE FROM artikli") + whereOf(scope), scope.binds);
}

DbResult<std::optional<QSqlRecord>> ArticleRepository::record(const QString &sifra) {
  auto q = m_db.query(QStringLiteral("SELECT * FROM artikli WHERE UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))"),
                      {{QStringLiteral("sifra"), sifra}});
  if (!q)
    return q.failure();
  if (!q->next())
    return std::optional<QSqlRecord>();
  return std::optional<QSqlRecord>(q->record());
}

DbResult<> ArticleRepository::insertRow(QSqlRecord row) {
  RecordRules::fillDefaults(QStringLiteral("ARTIKLI"), row, true);
  return m_db.insertRecord(QStringLiteral("ARTIKLI"), row);
}

DbResult<> ArticleRepository::updateRow(QSqlRecord row, const QString &storedSifra) {
  RecordRules::fillDefaults(QStringLiteral("ARTIKLI"), row, false);
  QStringList sets;
  QVariantMap binds;
  for (int i = 0; i < row.count(); ++i) {
    const QString c = row.fieldName(i).toLower();
    sets << QStringLiteral("%1=:%1").arg(c);
    binds.insert(c, m_db.bindable(QStringLiteral("ARTIKLI"), c, row.value(i)));
  }
  binds.insert(QStringLiteral("stored_sifra"), storedSifra);
  return m_db.exec(
      QStringLiteral("UPDATE artikli SET %1 WHERE sifra=:stored_sifra").arg(sets.join(QLatin1Char(','))),
      binds);
}

DbResult<> ArticleRepository::setPrice(const QString &storedSifra, double cena) {
  return m_db.exec(QStringLiteral("UPDATE artikli SET cena=:cena WHERE sifra=:sifra"),
                   {{QStringLiteral("cena"), MyRound(4, cena)}, {QStringLiteral("sifra"), storedSifra}});
}

DbResult<QSet<QString>> ArticleRepository::groupCodes() {
  return codeSet(m_db, QStringLiteral("SELECT sifgrupa FROM grupa"));
}

DbResult<> ArticleRepository::removeRecipe(const QString &sifra) {
  return m_db.exec(QStringLiteral("DELETE FROM sastav WHERE UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))"),
                   {{QStringLiteral("sifra"), sifra}});
}

DbResult<> ArticleRepository::insertRecipeRow(const QSqlRecord &row) {
  return m_db.insertRecord(QStringLiteral("SASTAV"), row);
}
