#include "data/invoicerepository.h"

#include "data/database.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <map>

namespace {

QVariantMap keyOf(ReceiptId id) {
  return {{QStringLiteral("god"), id.godina}, {QStringLiteral("broj"), id.broj}};
}

QString text(const QSqlRecord &r, const char *column) {
  return r.value(QLatin1String(column)).toString().trimmed();
}

} // namespace

Money InvoiceData::total() const {
  Money sum;
  for (const InvoiceLine &l : lines)
    sum += l.iznos;
  return sum;
}

DbResult<std::optional<InvoiceData>> InvoiceRepository::read(ReceiptId id) {
  const auto head = m_db.rows(
      QStringLiteral("SELECT broj, broj_dok, nazivkupca, sifpartner, datum, brfisis, rok, oslprom, clan "
                     "FROM racuni WHERE godina=:god AND broj=:broj"),
      keyOf(id));
  if (!head)
    return head.failure();
  if (head->isEmpty())
    return std::optional<InvoiceData>();
  const QSqlRecord &r = head->first();
  InvoiceData data;
  data.id = id;
  data.brojDok = text(r, "broj_dok");
  data.nazivKupca = text(r, "nazivkupca");
  data.sifPartner = text(r, "sifpartner");
  data.datum = r.value(QStringLiteral("datum")).toDate();
  data.brfisis = r.value(QStringLiteral("brfisis")).toLongLong();
  if (!r.value(QStringLiteral("rok")).isNull())
    data.rok = r.value(QStringLiteral("rok")).toInt();
  if (!r.value(QStringLiteral("oslprom")).isNull())
    data.oslprom = text(r, "oslprom");
  data.clan = text(r, "clan");
  DB_TRY(readLines(data));
  DB_TRY(readPayments(data));
  if (!data.sifPartner.isEmpty())
    DB_TRY(readPartner(data));
  return std::optional<InvoiceData>(std::move(data));
}

DbResult<> InvoiceRepository::readLines(InvoiceData &data) {
  // An article code may be stored more than once in older data: the unit comes from one of them.
  const auto rows =
      m_db.rows(QStringLiteral(
                    "SELECT p.sifra, p.naziv, p.cena, p.stopa, p.prodato, p.iznos, s.iznos AS rate, "
                    "(SELECT MIN(a.jm) FROM artikli a WHERE UPPER(TRIM(a.sifra))=UPPER(TRIM(p.sifra))) AS jm "
                    "FROM prodato p LEFT JOIN porstope s ON s.stopa=p.stopa "
                    "WHERE p.godina=:god AND p.brrac=:broj ORDER BY p.rbr"),
                keyOf(data.id));
  if (!rows)
    return rows.failure();
  std::map<int, InvoiceTaxGroup> groups;
  for (const QSqlRecord &r : *rows) {
    InvoiceLine l;
    l.sifra = text(r, "sifra");
    l.naziv = text(r, "naziv");
    l.jm = text(r, "jm");
    l.cena = Money::fromDatabase(r.value(QStringLiteral("cena")));
    l.prodato = Quantity::fromDatabase(r.value(QStringLiteral("prodato")));
    l.iznos = Money::fromDatabase(r.value(QStringLiteral("iznos")));
    l.stopa = r.value(QStringLiteral("stopa")).toInt();
    if (!r.value(QStringLiteral("rate")).isNull()) {
      l.rate = r.value(QStringLiteral("rate")).toDouble();
      InvoiceTaxGroup &g = groups[l.stopa];
      g.stopa = l.stopa;
      g.rate = *l.rate;
      g.gross += l.iznos; // exact: the group's sum, rounded by nobody
    }
    data.lines.append(l);
  }
  for (const auto &[stopa, group] : groups)
    data.taxGroups.append(group);
  return {};
}

DbResult<> InvoiceRepository::readPayments(InvoiceData &data) {
  const auto rows =
      m_db.rows(QStringLiteral("SELECT nacin, iznos FROM rate WHERE godina=:god AND broj=:broj ORDER BY rbr"),
                keyOf(data.id));
  if (!rows)
    return rows.failure();
  for (const QSqlRecord &r : *rows)
    data.payments.append({r.value(0).toInt(), Money::fromDatabase(r.value(1))});
  return {};
}

DbResult<> InvoiceRepository::readPartner(InvoiceData &data) {
  const auto rows =
      m_db.rows(QStringLiteral("SELECT p.adresa, p.pib, p.ziro, m.ptt, m.naziv AS mesto FROM partner p "
                               "LEFT JOIN mesto m ON UPPER(TRIM(m.sifmesto))=UPPER(TRIM(p.sifmesto)) "
                               "WHERE UPPER(TRIM(p.sifpartner))=UPPER(TRIM(:k))"),
                {{QStringLiteral("k"), data.sifPartner}});
  if (!rows)
    return rows.failure();
  if (rows->isEmpty())
    return {};
  const QSqlRecord &r = rows->first();
  InvoiceBuyer b;
  b.adresa = r.value(QStringLiteral("adresa")).toString();
  if (!r.value(QStringLiteral("ptt")).isNull() || !r.value(QStringLiteral("mesto")).isNull())
    b.mesto = (text(r, "ptt") + QLatin1Char(' ') + text(r, "mesto")).trimmed();
  b.pib = text(r, "pib");
  b.ziro = text(r, "ziro");
  data.partner = b;
  return {};
}
