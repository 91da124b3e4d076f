#include "data/reportrepository.h"

#include "data/database.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

// Codes compare as the indexes on UPPER(TRIM(code)) do.
QString sameCode(const char *a, const char *b) {
  return QStringLiteral("UPPER(TRIM(%1))=UPPER(TRIM(%2))").arg(QLatin1String(a), QLatin1String(b));
}

// The date condition on column. Over more than a month the sums by article are read
// from the index in article order (ix_prodato_artikal) rather than line by line through
// the date index and then sorted: wrapping the column keeps SQLite off the date index
// and changes nothing of the result on either engine.
QString inPeriod(const char *column, const DatePeriod &p) {
  const QString c = QLatin1String(column);
  const bool longPeriod = p.from.daysTo(p.to) > 31;
  return (longPeriod ? QStringLiteral("COALESCE(%1,%1)").arg(c) : c) + QStringLiteral(" BETWEEN :od AND :do");
}

QVariantMap periodBinds(const DatePeriod &p) {
  return {{QStringLiteral("od"), p.from}, {QStringLiteral("do"), p.to}};
}

// Columns and sums of columns that hold 2 (3) decimals: rounding only takes off the
// binary noise of the sum, no half-way case arises, so no decimal text is needed.
ReportMoney money(const QVariant &v) {
  return std::round(v.toDouble() * 100.0) / 100.0;
}
ReportQuantity quantity(const QVariant &v) {
  return std::round(v.toDouble() * 1000.0) / 1000.0;
}
QString text(const QVariant &v) {
  return v.toString().trimmed();
}
std::optional<double> optionalNumber(const QVariant &v) {
  if (v.isNull())
    return std::nullopt;
  return v.toDouble();
}

// Runs sql and turns each row into a T.
template <typename T>
DbResult<QList<T>> rowsOf(Database &db, const QString &sql, const QVariantMap &binds,
                          const std::function<T(const QSqlQuery &)> &row) {
  auto q = db.query(sql, binds);
  if (!q)
    return q.failure();
  QList<T> out;
  while (q->next())
    out.append(row(*q));
  return out;
}

const QString kTurnover = QStringLiteral(
    "SELECT p.rbr, p.brrac, p.godina, r.broj_dok, p.datum, p.sifra, p.barkod, p.naziv, p.cena, p.stopa, "
    "p.storno, p.prodato, p.iznos, r.broj "
    "FROM prodato p LEFT JOIN racuni r ON r.broj=p.brrac AND r.godina=p.godina "
    "WHERE p.datum BETWEEN :od AND :do ORDER BY p.rbr");

TurnoverLine turnoverLine(const QSqlQuery &q) {
  TurnoverLine l;
  l.rbr = q.value(0).toInt();
  l.brrac = q.value(1).toInt();
  l.godina = q.value(2).toInt();
  if (!q.value(13).isNull())
    l.brojDok = text(q.value(3));
  l.datum = q.value(4).toDate();
  l.sifra = text(q.value(5));
  l.barkod = text(q.value(6));
  l.naziv = text(q.value(7));
  l.cena = money(q.value(8));
  l.stopa = q.value(9).toInt();
  l.storno = q.value(10).toInt();
  l.prodato = quantity(q.value(11));
  l.iznos = money(q.value(12));
  return l;
}

// The rate of a tax group, for a select list grouped by p.stopa.
const QString kRateOfLine = QStringLiteral("(SELECT MAX(s.iznos) FROM porstope s WHERE s.stopa=p.stopa)");

} // namespace

DbResult<QList<TurnoverLine>> ReportRepository::turnover(const DatePeriod &period) {
  return rowsOf<TurnoverLine>(m_db, kTurnover, periodBinds(period), turnoverLine);
}

DbResult<int> ReportRepository::forEachTurnoverLine(const DatePeriod &period,
                                                    const std::function<bool(const TurnoverLine &)> &line) {
  auto q = m_db.query(kTurnover, periodBinds(period));
  if (!q)
    return q.failure();
  int n = 0;
  while (q->next()) {
    ++n;
    if (!line(turnoverLine(*q)))
      break;
  }
  return n;
}

DbResult<QList<ArticleSales>> ReportRepository::salesByArticle(const DatePeriod &period) {
  return rowsOf<ArticleSales>(
      m_db,
      QStringLiteral("SELECT sifra, naziv, stopa, cena, SUM(prodato) AS kolicina, SUM(iznos) AS iznos "
                     "FROM prodato WHERE %1 "
                     "GROUP BY sifra, naziv, stopa, cena ORDER BY sifra, naziv, cena")
          .arg(inPeriod("datum", period)),
      periodBinds(period), [](const QSqlQuery &q) {
        return ArticleSales{text(q.value(0)),  text(q.value(1)),     q.value(2).toInt(),
                            money(q.value(3)), quantity(q.value(4)), money(q.value(5))};
      });
}

DbResult<QList<RateSales>> ReportRepository::salesByRate(const DatePeriod &period) {
  return rowsOf<RateSales>(
      m_db,
      QStringLiteral("SELECT p.stopa, SUM(p.iznos) AS iznos, %1 AS rate FROM prodato p "
                     "WHERE p.datum BETWEEN :od AND :do GROUP BY p.stopa ORDER BY p.stopa")
          .arg(kRateOfLine),
      periodBinds(period), [](const QSqlQuery &q) {
        return RateSales{q.value(0).toInt(), optionalNumber(q.value(2)), money(q.value(1))};
      });
}

DbResult<QList<CashierTotals>> ReportRepository::cashiers(const DatePeriod &period) {
  // One pass over the period's receipts for the stornos and one for the payments. Receipt
  // numbers repeat every year, so lines and payments meet their receipt by year and number.
  const QString sql = QStringLiteral(
      "SELECT o.sifoper, (SELECT MIN(k.naziv) FROM konobari k WHERE k.rbr=o.sifoper), st.storno, pay.g, "
      "pay.c, pay.k "
      "FROM (SELECT DISTINCT sifoper FROM racuni WHERE datum BETWEEN :od AND :do) o "
      "LEFT JOIN (SELECT r.sifoper AS op, SUM(p.iznos) AS storno FROM racuni r "
      " JOIN prodato p ON p.brrac=r.broj AND p.godina=r.godina "
      " WHERE p.storno=1 AND r.datum BETWEEN :od AND :do GROUP BY r.sifoper) st ON st.op=o.sifoper "
      "LEFT JOIN (SELECT r.sifoper AS op, SUM(CASE WHEN t.nacin=0 THEN t.iznos END) AS g, "
      " SUM(CASE WHEN t.nacin=1 THEN t.iznos END) AS c, SUM(CASE WHEN t.nacin=2 THEN t.iznos END) AS k "
      " FROM racuni r JOIN rate t ON t.godina=r.godina AND t.broj=r.broj "
      " WHERE r.datum BETWEEN :od AND :do GROUP BY r.sifoper) pay ON pay.op=o.sifoper "
      "ORDER BY o.sifoper");
  return rowsOf<CashierTotals>(m_db, sql, periodBinds(period), [](const QSqlQuery &q) {
    return CashierTotals{q.value(0).toInt(), text(q.value(1)),  money(q.value(2)),
                         money(q.value(3)),  money(q.value(4)), money(q.value(5))};
  });
}

DbResult<QList<BookLine>> ReportRepository::book(const QDate &day, Book which) {
  // Articles of the kind sold directly that have no recipe, plus the components of the
  // kind of every sold article that has one, times the quantity sold; the composite
  // article itself is left out.
  const QString sql =
      QStringLiteral(
          "SELECT MIN(TRIM(k.sifra)), SUM(k.suma), MIN(a.naziv), MIN(a.jm), MIN(a.cena), MIN(a.lager) FROM ("
          " SELECT p.sifra AS sifra, p.prodato AS suma FROM prodato p JOIN artikli a ON %1"
          " WHERE p.datum=:dan AND a.vrsta=:vrsta"
          " AND NOT EXISTS (SELECT 1 FROM sastav s WHERE %2)"
          " UNION ALL"
          " SELECT s.sifsas AS sifra, s.kolicina*p.prodato AS suma FROM sastav s"
          " JOIN prodato p ON %3 JOIN artikli a ON %4"
          " WHERE p.datum=:dan AND a.vrsta=:vrsta"
          ") k LEFT JOIN artikli a ON %5 GROUP BY UPPER(TRIM(k.sifra)) ORDER BY MIN(TRIM(k.sifra))")
          .arg(sameCode("a.sifra", "p.sifra"), sameCode("s.sifra", "p.sifra"), sameCode("p.sifra", "s.sifra"),
               sameCode("a.sifra", "s.sifsas"), sameCode("a.sifra", "k.sifra"));
  const QVariantMap binds{
      {QStringLiteral("dan"), day},
      {QStringLiteral("vrsta"), which == Book::Kitchen ? QStringLiteral("J") : QStringLiteral("P")}};
  return rowsOf<BookLine>(m_db, sql, binds, [](const QSqlQuery &q) {
    return BookLine{text(q.value(0)),  text(q.value(2)),     text(q.value(3)),
                    money(q.value(4)), quantity(q.value(5)), quantity(q.value(1))};
  });
}

DbResult<QList<GroupSales>> ReportRepository::salesByGroup(const DatePeriod &period) {
  // The sold lines are summed first; only the sums meet their article, group and rate.
  const QString sql =
      QStringLiteral(
          "SELECT x.grp, (SELECT MIN(g.naziv) FROM grupa g WHERE UPPER(TRIM(g.sifgrupa))=UPPER(x.grp)), "
          "x.sifra, "
          "x.naziv, x.jm, x.stopa, (SELECT MAX(s.iznos) FROM porstope s WHERE s.stopa=x.stopa), x.kol, "
          "x.suma FROM ("
          " SELECT COALESCE(TRIM(a.sifgrupa),'') AS grp, p.sifra AS sifra, p.naziv AS naziv, a.jm AS jm,"
          " p.stopa AS stopa, p.kol AS kol, p.suma AS suma FROM ("
          "  SELECT sifra, naziv, stopa, SUM(prodato) AS kol, SUM(iznos) AS suma FROM prodato"
          "  WHERE %1 GROUP BY sifra, naziv, stopa"
          " ) p JOIN artikli a ON %2"
          ") x ORDER BY x.grp, x.sifra, x.naziv")
          .arg(inPeriod("datum", period), sameCode("a.sifra", "p.sifra"));
  return rowsOf<GroupSales>(m_db, sql, periodBinds(period), [](const QSqlQuery &q) {
    return GroupSales{text(q.value(0)),           text(q.value(1)),     text(q.value(2)),
                      text(q.value(3)),           text(q.value(4)),     q.value(5).toInt(),
                      optionalNumber(q.value(6)), quantity(q.value(7)), money(q.value(8))};
  });
}

DbResult<QList<StockLine>> ReportRepository::stock(bool atOrBelowMinimum) {
  const QString sql =
      QStringLiteral("SELECT sifra, barkod, naziv, jm, cena, lager, COALESCE(minlag,0) FROM artikli%1 "
                     "ORDER BY sifra")
          .arg(atOrBelowMinimum ? QStringLiteral(" WHERE lager<=COALESCE(minlag,0)") : QString());
  return rowsOf<StockLine>(m_db, sql, {}, [](const QSqlQuery &q) {
    return StockLine{text(q.value(0)),  text(q.value(1)),     text(q.value(2)),    text(q.value(3)),
                     money(q.value(4)), quantity(q.value(5)), quantity(q.value(6))};
  });
}

DbResult<QList<BestSeller>> ReportRepository::bestSellers(int count, const std::optional<DatePeriod> &period,
                                                          BestBy by) {
  QVariantMap binds{{QStringLiteral("n"), qMax(0, count)}};
  if (period)
    binds.insert(periodBinds(*period));
  const QString sql =
      QStringLiteral(
          "SELECT MIN(TRIM(sifra)), naziv, SUM(prodato) AS kolicina, SUM(iznos) AS uk_iznos FROM prodato %1"
          "GROUP BY sifra, naziv ORDER BY %2 DESC, 1 LIMIT :n")
          .arg(period ? QStringLiteral("WHERE %1 ").arg(inPeriod("datum", *period)) : QString(),
               by == BestBy::Quantity ? QStringLiteral("3") : QStringLiteral("4"));
  return rowsOf<BestSeller>(m_db, sql, binds, [](const QSqlQuery &q) {
    return BestSeller{text(q.value(0)), text(q.value(1)), quantity(q.value(2)), money(q.value(3))};
  });
}
