#include "data/tablerepository.h"

#include "data/changenotifier.h"
#include "data/database.h"
#include "data/recordrules.h"

#include <QSqlQuery>
#include <QStringList>
#include <algorithm>

namespace {

const QString kSto = QStringLiteral("sto");

// ":r0,:r1,..." bound to the line numbers.
QString inList(const QList<int> &rbr, QVariantMap &binds) {
  QStringList names;
  for (qsizetype i = 0; i < rbr.size(); ++i) {
    names << QStringLiteral(":r%1").arg(i);
    binds.insert(QStringLiteral("r%1").arg(i), rbr[i]);
  }
  return names.join(QLatin1Char(','));
}

} // namespace

DbResult<QList<TableLine>> TableRepository::select(const QString &where, const QVariantMap &binds,
                                                   bool lock) {
  auto q =
      m_db.query(QStringLiteral("SELECT rbr, brstola, sifra, barkod, naziv, stopa, cena, kolicina, iznos, "
                                "storno, tura FROM stost WHERE %1 ORDER BY rbr%2")
                     .arg(where, lock ? m_db.lockingClause() : QString()),
                 binds);
  if (!q)
    return q.failure();
  QList<TableLine> out;
  while (q->next()) {
    TableLine l;
    l.rbr = q->value(0).toInt();
    l.brstola = q->value(1).toInt();
    l.sifra = q->value(2).toString().trimmed();
    l.barkod = q->value(3).toString().trimmed();
    l.naziv = q->value(4).toString().trimmed();
    l.stopa = q->value(5).toInt();
    l.cena = Money::fromDatabase(q->value(6));
    l.kolicina = Quantity::fromDatabase(q->value(7));
    l.iznos = Money::fromDatabase(q->value(8));
    l.storno = q->value(9).toInt() == 1;
    l.tura = q->value(10).toInt();
    out.append(l);
  }
  return out;
}

DbResult<int> TableRepository::integer(const QString &sql, const QVariantMap &binds, int whenNull) {
  const auto v = m_db.scalar(sql, binds);
  if (!v)
    return v.failure();
  return v->isNull() ? whenNull : v->toInt();
}

DbResult<QList<TableLine>> TableRepository::lines(int brstola) {
  return select(QStringLiteral("brstola=:sto"), {{kSto, brstola}});
}

DbResult<QList<TableLine>> TableRepository::lockLines(int brstola) {
  // The table's row first: a station freeing, taking or merging it waits.
  DB_TRY(m_db.exec(QStringLiteral("SELECT sifkonob FROM stolovi WHERE brstola=:sto") + m_db.lockingClause(),
                   {{kSto, brstola}}));
  return select(QStringLiteral("brstola=:sto"), {{kSto, brstola}}, true);
}

DbResult<QList<TableLine>> TableRepository::roundLines(int brstola, int tura) {
  return select(QStringLiteral("brstola=:sto AND tura=:tura"),
                {{kSto, brstola}, {QStringLiteral("tura"), tura}});
}

DbResult<int> TableRepository::nextLineNumber(int brstola) {
  return integer(QStringLiteral("SELECT MAX(rbr)+1 AS brstavka FROM stost WHERE brstola=:sto"),
                 {{kSto, brstola}}, 1);
}

DbResult<int> TableRepository::lastRound(int brstola) {
  return integer(QStringLiteral("SELECT MAX(tura) AS brtura FROM stost WHERE brstola=:sto"),
                 {{kSto, brstola}}, 0);
}

DbResult<int> TableRepository::countLines(int brstola) {
  return integer(QStringLiteral("SELECT COUNT(*) AS br FROM stost WHERE brstola=:sto"), {{kSto, brstola}}, 0);
}

DbResult<int> TableRepository::countRoundLines(int brstola, int tura) {
  return integer(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola=:sto AND tura=:tura"),
                 {{kSto, brstola}, {QStringLiteral("tura"), tura}}, 0);
}

DbResult<> TableRepository::addLine(const TableLine &line) {
  QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("STOST"));
  row.setValue(QStringLiteral("brstola"), line.brstola);
  row.setValue(QStringLiteral("sifra"), line.sifra);
  if (!line.barkod.isEmpty())
    row.setValue(QStringLiteral("barkod"), line.barkod);
  row.setValue(QStringLiteral("naziv"), line.naziv);
  row.setValue(QStringLiteral("stopa"), line.stopa);
  row.setValue(QStringLiteral("cena"), line.cena.toDatabase());
  row.setValue(QStringLiteral("kolicina"), line.kolicina.toDatabase());
  row.setValue(QStringLiteral("iznos"), line.iznos.toDatabase());
  row.setValue(QStringLiteral("storno"), line.storno ? 1 : 0);
  row.setValue(QStringLiteral("tura"), line.tura);
  RecordRules::fillDefaults(QStringLiteral("STOST"), row, true);
  // The number is taken inside the insert's unit; another till that took the same one
  // first makes the (table, line) key refuse ours, and the next number is tried.
  return announce(m_db.retryingDuplicateKey([&]() -> DbResult<> {
    const auto rbr = nextLineNumber(line.brstola);
    if (!rbr)
      return rbr.failure();
    row.setValue(QStringLiteral("rbr"), *rbr);
    return m_db.insertRecord(QStringLiteral("STOST"), row);
  }),
                  "STOST");
}

DbResult<> TableRepository::announce(const DbResult<> &written, const char *table) {
  if (!written)
    return written;
  return ChangeNotifier::announce(m_db, QLatin1String(table));
}

DbResult<bool> TableRepository::announce(const DbResult<bool> &written, const char *table) {
  if (!written || !*written)
    return written;
  DB_TRY(ChangeNotifier::announce(m_db, QLatin1String(table)));
  return true;
}

DbResult<Money> TableRepository::sum(int brstola) {
  const auto s = m_db.scalar(QStringLiteral("SELECT SUM(iznos) AS iznos FROM stost WHERE brstola=:sto"),
                             {{kSto, brstola}});
  if (!s)
    return s.failure();
  return Money::fromDatabase(*s);
}

DbResult<Money> TableRepository::sumOfLines(int brstola, const QList<int> &rbr) {
  if (rbr.isEmpty())
    return Money();
  QVariantMap binds{{kSto, brstola}};
  const QString in = inList(rbr, binds);
  const auto s = m_db.scalar(
      QStringLiteral("SELECT SUM(iznos) AS suma FROM stost WHERE brstola=:sto AND rbr IN (%1)").arg(in),
      binds);
  if (!s)
    return s.failure();
  return Money::fromDatabase(*s);
}

DbResult<TableRepository::ArticleTotal> TableRepository::articleTotal(int brstola, const QString &sifra) {
  auto q = m_db.query(QStringLiteral("SELECT SUM(kolicina) AS uk_kolicina, SUM(iznos) AS uk_iznos FROM stost "
                                     "WHERE brstola=:sto AND UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))"),
                      {{kSto, brstola}, {QStringLiteral("sifra"), sifra}});
  if (!q)
    return q.failure();
  ArticleTotal t;
  if (q->next()) {
    t.present = !q->value(0).isNull();
    t.kolicina = Quantity::fromDatabase(q->value(0));
    t.iznos = Money::fromDatabase(q->value(1));
  }
  return t;
}

DbResult<QList<TicketLine>> TableRepository::ticket(int brstola, int tura, QChar vrsta) {
  auto q = m_db.query(
      QStringLiteral("SELECT s.sifra, s.naziv, SUM(s.kolicina) AS kolicina FROM stost s, artikli a "
                     "WHERE UPPER(TRIM(s.sifra))=UPPER(TRIM(a.sifra)) AND a.vrsta=:vrsta AND s.brstola=:sto "
                     "AND s.tura=:tura GROUP BY s.sifra, s.naziv ORDER BY s.sifra"),
      {{kSto, brstola}, {QStringLiteral("tura"), tura}, {QStringLiteral("vrsta"), QString(vrsta)}});
  if (!q)
    return q.failure();
  QList<TicketLine> out;
  while (q->next())
    out.append({q->value(0).toString().trimmed(), q->value(1).toString().trimmed(),
                Quantity::fromDatabase(q->value(2))});
  return out;
}

DbResult<> TableRepository::deleteLines(int brstola, const QList<int> &rbr) {
  if (rbr.isEmpty())
    return {};
  QVariantMap binds{{kSto, brstola}};
  const QString in = inList(rbr, binds);
  return announce(
      m_db.exec(QStringLiteral("DELETE FROM stost WHERE brstola=:sto AND rbr IN (%1)").arg(in), binds),
      "STOST");
}

DbResult<> TableRepository::deleteAllLines(int brstola) {
  return announce(m_db.exec(QStringLiteral("DELETE FROM stost WHERE brstola=:sto"), {{kSto, brstola}}),
                  "STOST");
}

DbResult<int> TableRepository::closeRound(int brstola, int tura) {
  DB_TRY(announce(m_db.exec(QStringLiteral("UPDATE stost SET tura=tura-1 WHERE brstola=:sto AND tura>:tura"),
                            {{kSto, brstola}, {QStringLiteral("tura"), tura}}),
                  "STOST"));
  return lastRound(brstola);
}

DbResult<> TableRepository::moveLines(int from, int to) {
  if (from == to)
    return {};
  const auto rbr = nextLineNumber(to);
  if (!rbr)
    return rbr.failure();
  const auto tura = lastRound(to);
  if (!tura)
    return tura.failure();
  // The moved lines keep their order and their rounds, after the target's own.
  return announce(
      m_db.exec(
          QStringLiteral("UPDATE stost SET brstola=:na, rbr=rbr-1+:rbr, tura=tura+:tura WHERE brstola=:sa"),
          {{QStringLiteral("na"), to},
           {QStringLiteral("sa"), from},
           {QStringLiteral("rbr"), *rbr},
           {QStringLiteral("tura"), *tura}}),
      "STOST");
}

DbResult<bool> TableRepository::mergeTables(int from, int to, int fromOwner, int toOwner) {
  bool held = false;
  DB_TRY(m_db.inTransaction([&]() -> DbResult<> {
    // The lower number first: two stations merging the same pair never wait on each other.
    for (const int sto : {std::min(from, to), std::max(from, to)})
      if (const auto locked = lockLines(sto); !locked)
        return locked.failure();
    const auto first = owner(from);
    if (!first)
      return first.failure();
    const auto second = owner(to);
    if (!second)
      return second.failure();
    held = *first && *second && (*first)->sifkonob == fromOwner && (*second)->sifkonob == toOwner;
    if (!held)
      return {};
    DB_TRY(moveLines(from, to));
    return freeTable(from);
  }));
  return held;
}

DbResult<std::optional<TableRepository::Owner>> TableRepository::owner(int brstola) {
  auto q = m_db.query(QStringLiteral("SELECT s.sifkonob, k.sifkonob FROM stolovi s LEFT JOIN konobari k "
                                     "ON k.rbr = s.sifkonob WHERE s.brstola=:sto"),
                      {{kSto, brstola}});
  if (!q)
    return q.failure();
  if (!q->next())
    return std::optional<Owner>();
  return std::optional<Owner>(Owner{q->value(0).toInt(), q->value(1).toString().trimmed()});
}

DbResult<QList<RestaurantTable>> TableRepository::freeTables() {
  auto q =
      m_db.query(QStringLiteral("SELECT brstola, naziv FROM stolovi WHERE sifkonob=-1 ORDER BY brstola"));
  if (!q)
    return q.failure();
  QList<RestaurantTable> out;
  while (q->next())
    out.append({q->value(0).toInt(), q->value(1).toString().trimmed()});
  return out;
}

DbResult<> TableRepository::takeTable(int brstola, int sifkonob) {
  return announce(m_db.exec(QStringLiteral("UPDATE stolovi SET sifkonob=:sifkonob WHERE brstola=:sto"),
                            {{kSto, brstola}, {QStringLiteral("sifkonob"), sifkonob}}),
                  "STOLOVI");
}

DbResult<QList<RestaurantTable>> TableRepository::tablesOf(int sifkonob) {
  auto q = m_db.query(
      QStringLiteral("SELECT brstola, naziv, sifkonob FROM stolovi WHERE sifkonob=:konob ORDER BY brstola"),
      {{QStringLiteral("konob"), sifkonob}});
  if (!q)
    return q.failure();
  QList<RestaurantTable> out;
  while (q->next())
    out.append({q->value(0).toInt(), q->value(1).toString().trimmed(), q->value(2).toInt()});
  return out;
}

DbResult<bool> TableRepository::takeFreeTable(int brstola, int sifkonob) {
  auto q =
      m_db.query(QStringLiteral("UPDATE stolovi SET sifkonob=:sifkonob WHERE brstola=:sto AND sifkonob=-1"),
                 {{kSto, brstola}, {QStringLiteral("sifkonob"), sifkonob}});
  if (!q)
    return q.failure();
  return announce(DbResult<bool>(q->numRowsAffected() == 1), "STOLOVI");
}

DbResult<> TableRepository::freeTable(int brstola) {
  return announce(
      m_db.exec(QStringLiteral("UPDATE stolovi SET sifkonob=-1 WHERE brstola=:sto"), {{kSto, brstola}}),
      "STOLOVI");
}

DbResult<bool> TableRepository::freeEmptyTable(int brstola) {
  auto q = m_db.query(QStringLiteral("UPDATE stolovi SET sifkonob=-1 WHERE brstola=:sto AND NOT EXISTS "
                                     "(SELECT 1 FROM stost WHERE stost.brstola=:linije)"),
                      {{kSto, brstola}, {QStringLiteral("linije"), brstola}});
  if (!q)
    return q.failure();
  return announce(DbResult<bool>(q->numRowsAffected() == 1), "STOLOVI");
}
