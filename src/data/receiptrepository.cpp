#include "data/receiptrepository.h"

#include "data/articlerepository.h"
#include "data/database.h"
#include "data/recordrules.h"

#include <QDateTime>
#include <QSqlQuery>

#include <algorithm>
#include <map>
#include <utility>

namespace {

const QString kGod = QStringLiteral("god");
const QString kBroj = QStringLiteral("broj");

QVariantMap keyOf(ReceiptId id) {
  return {{kGod, id.godina}, {kBroj, id.broj}};
}

} // namespace

DbResult<int> ReceiptRepository::nextReceiptNumber(int godina) {
  const auto n = m_db.scalar(QStringLiteral("SELECT MAX(brrac)+1 AS broj FROM prodato WHERE godina=:god"),
                             {{kGod, godina}});
  if (!n)
    return n.failure();
  return n->isNull() ? 1 : n->toInt();
}

DbResult<int> ReceiptRepository::nextLineNumber() {
  const auto n = m_db.scalar(QStringLiteral("SELECT MAX(rbr)+1 AS broj FROM prodato"));
  if (!n)
    return n.failure();
  return n->isNull() ? 1 : n->toInt();
}

DbResult<bool> ReceiptRepository::exists(ReceiptId id) {
  const auto n =
      m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM racuni WHERE godina=:god AND broj=:broj"), keyOf(id));
  if (!n)
    return n.failure();
  return n->toInt() > 0;
}

DbResult<> ReceiptRepository::insertHeader(ReceiptHeader &h) {
  if (h.stored)
    return {};
  QSqlRecord base = RecordRules::emptyRecord(QStringLiteral("RACUNI"));
  base.setValue(QStringLiteral("godina"), h.id.godina);
  base.setValue(QStringLiteral("datum"), h.datum);
  base.setValue(QStringLiteral("vreme"), h.vreme.toString(QStringLiteral("hh:mm:ss")));
  base.setValue(QStringLiteral("sifoper"), h.sifoper);
  base.setValue(QStringLiteral("brstola"), h.restoran ? h.brstola : 0);
  int broj = h.id.broj;
  bool first = true;
  DB_TRY(m_db.retryingDuplicateKey([&]() -> DbResult<> {
    if (!std::exchange(first, false)) {
      const auto taken = m_db.scalar(QStringLiteral("SELECT MAX(broj) FROM racuni WHERE godina=:god"),
                                     {{kGod, h.id.godina}});
      if (!taken)
        return taken.failure();
      broj = std::max(broj + 1, taken->toInt() + 1);
    }
    QSqlRecord row = base;
    row.setValue(QStringLiteral("broj"), broj);
    RecordRules::fillDefaults(QStringLiteral("RACUNI"), row, true, h.restoran); // BROJ_DOK follows BROJ
    return m_db.insertRecord(QStringLiteral("RACUNI"), row);
  }));
  if (!h.kasa.isEmpty())
    DB_TRY(m_db.exec(QStringLiteral("UPDATE racuni SET kasa=:kasa WHERE godina=:god AND broj=:broj"),
                     {{QStringLiteral("kasa"), h.kasa}, {kGod, h.id.godina}, {kBroj, broj}}));
  h.id.broj = broj;
  h.stored = true;
  return {};
}

DbResult<std::optional<int>> ReceiptRepository::appliedStep(const QString &id) {
  const auto found =
      m_db.rows(QStringLiteral("SELECT broj FROM upisani_koraci WHERE id=:id"), {{QStringLiteral("id"), id}});
  if (!found)
    return found.failure();
  if (found->isEmpty())
    return std::optional<int>();
  return std::optional<int>(found->first().value(0).toInt());
}

DbResult<> ReceiptRepository::recordAppliedStep(const QString &id, ReceiptId receipt, const QDate &datum) {
  return m_db.exec(
      QStringLiteral(
          "INSERT INTO upisani_koraci (id, godina, broj, datum) VALUES (:id, :god, :broj, :datum)"),
      {{QStringLiteral("id"), id},
       {kGod, receipt.godina},
       {kBroj, receipt.broj},
       {QStringLiteral("datum"), datum}});
}

DbResult<> ReceiptRepository::forgetAppliedSteps(const QDate &before) {
  return m_db.exec(QStringLiteral("DELETE FROM upisani_koraci WHERE datum<:datum"),
                   {{QStringLiteral("datum"), before}});
}

DbResult<> ReceiptRepository::addLine(ReceiptId id, const QDate &datum, const SoldLine &line) {
  QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("PRODATO"));
  row.setValue(QStringLiteral("brrac"), id.broj);
  row.setValue(QStringLiteral("godina"), id.godina);
  row.setValue(QStringLiteral("datum"), datum);
  row.setValue(QStringLiteral("sifra"), line.sifra);
  row.setValue(QStringLiteral("barkod"), line.barkod);
  row.setValue(QStringLiteral("naziv"), line.naziv);
  row.setValue(QStringLiteral("cena"), line.cena.toDatabase());
  row.setValue(QStringLiteral("storno"), line.storno ? 1 : 0);
  row.setValue(QStringLiteral("stopa"), line.stopa);
  row.setValue(QStringLiteral("prodato"), line.prodato.toDatabase());
  row.setValue(QStringLiteral("iznos"), line.iznos.toDatabase());
  RecordRules::fillDefaults(QStringLiteral("PRODATO"), row, true);
  return m_db.retryingDuplicateKey([&]() -> DbResult<> {
    const auto rbr = nextLineNumber();
    if (!rbr)
      return rbr.failure();
    row.setValue(QStringLiteral("rbr"), *rbr);
    return m_db.insertRecord(QStringLiteral("PRODATO"), row);
  });
}

DbResult<> ReceiptRepository::addPayment(ReceiptId id, const QDate &datum, const PaymentRow &payment) {
  QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("RATE"));
  row.setValue(QStringLiteral("broj"), id.broj);
  row.setValue(QStringLiteral("godina"), id.godina);
  row.setValue(QStringLiteral("iznos"), payment.iznos.toDatabase());
  row.setValue(QStringLiteral("datum"), QDateTime(datum, QTime(0, 0)));
  row.setValue(QStringLiteral("nacin"), payment.nacin);
  row.setValue(QStringLiteral("brojkart"), payment.brojKartice);
  row.setValue(QStringLiteral("tipkart"), payment.tipKartice);
  row.setValue(QStringLiteral("brtrans"), payment.brojTransakcije);
  RecordRules::fillDefaults(QStringLiteral("RATE"), row, true);
  return m_db.retryingDuplicateKey([&]() -> DbResult<> {
    const auto rbr = m_db.scalar(
        QStringLiteral("SELECT MAX(rbr)+1 AS broj FROM rate WHERE broj=:broj AND godina=:god"), keyOf(id));
    if (!rbr)
      return rbr.failure();
    row.setValue(QStringLiteral("rbr"), rbr->isNull() ? 1 : rbr->toInt());
    return m_db.insertRecord(QStringLiteral("RATE"), row);
  });
}

DbResult<> ReceiptRepository::addToPaid(ReceiptId id, int nacin, Money iznos) {
  const char *column = nacin == 1 ? "cek" : nacin == 2 ? "kartica" : "gotovina";
  QVariantMap binds = keyOf(id);
  binds.insert(QStringLiteral("iznos"), iznos.toDatabase());
  return m_db.exec(QStringLiteral("UPDATE racuni SET %1=%1+:iznos WHERE godina=:god AND broj=:broj")
                       .arg(QLatin1String(column)),
                   binds);
}

DbResult<Money> ReceiptRepository::sum(const QString &sql, ReceiptId id) {
  const auto s = m_db.scalar(sql, keyOf(id));
  if (!s)
    return s.failure();
  return Money::fromDatabase(*s); // no rows: NULL, taken as 0
}

DbResult<> ReceiptRepository::settleCash(ReceiptId id) {
  const auto sold =
      sum(QStringLiteral("SELECT SUM(iznos) FROM prodato WHERE godina=:god AND brrac=:broj"), id);
  if (!sold)
    return sold.failure();
  const auto paid = m_db.rows(
      QStringLiteral(
          "SELECT COALESCE(cek,0), COALESCE(kartica,0) FROM racuni WHERE godina=:god AND broj=:broj"),
      keyOf(id));
  if (!paid)
    return paid.failure();
  if (paid->isEmpty())
    return DbError{QStringLiteral("racun %1/%2 ne postoji").arg(id.broj).arg(id.godina)};
  const QSqlRecord &r = paid->first();
  const Money cash = *sold - Money::fromDatabase(r.value(0)) - Money::fromDatabase(r.value(1));
  QVariantMap binds = keyOf(id);
  binds.insert(QStringLiteral("gotovina"), cash.toDatabase());
  return m_db.exec(QStringLiteral("UPDATE racuni SET gotovina=:gotovina WHERE godina=:god AND broj=:broj"),
                   binds);
}

DbResult<> ReceiptRepository::setFiscalNumber(ReceiptId id, quint32 brfisis) {
  QVariantMap binds = keyOf(id);
  binds.insert(QStringLiteral("brfisis"), qint64(brfisis));
  return m_db.exec(QStringLiteral("UPDATE racuni SET brfisis=:brfisis WHERE godina=:god AND broj=:broj"),
                   binds);
}

DbResult<> ReceiptRepository::markFinished(ReceiptId id, std::optional<quint32> brfisis) {
  if (!brfisis)
    return m_db.exec(QStringLiteral("UPDATE racuni SET status=1 WHERE godina=:god AND broj=:broj"),
                     keyOf(id));
  QVariantMap binds = keyOf(id);
  binds.insert(QStringLiteral("brfisis"), qint64(*brfisis));
  return m_db.exec(
      QStringLiteral("UPDATE racuni SET status=1,brfisis=:brfisis WHERE godina=:god AND broj=:broj"), binds);
}

DbResult<std::optional<LastReceipt>> ReceiptRepository::lastReceipt(int godina) {
  auto q = m_db.query(QStringLiteral("SELECT broj, status FROM racuni WHERE godina=:god AND broj="
                                     "(SELECT MAX(broj) FROM racuni WHERE godina=:god)"),
                      {{kGod, godina}});
  if (!q)
    return q.failure();
  if (!q->next())
    return std::optional<LastReceipt>();
  return std::optional<LastReceipt>(LastReceipt{q->value(0).toInt(), q->value(1).toInt()});
}

DbResult<std::optional<LastReceipt>> ReceiptRepository::lastReceiptOf(int godina, const QString &kasa) {
  auto q = m_db.query(QStringLiteral("SELECT broj, status FROM racuni WHERE godina=:god AND broj="
                                     "(SELECT MAX(broj) FROM racuni WHERE godina=:god AND "
                                     "(kasa=:kasa OR kasa IS NULL))"),
                      {{kGod, godina}, {QStringLiteral("kasa"), kasa}});
  if (!q)
    return q.failure();
  if (!q->next())
    return std::optional<LastReceipt>();
  return std::optional<LastReceipt>(LastReceipt{q->value(0).toInt(), q->value(1).toInt()});
}

DbResult<QList<SoldLine>> ReceiptRepository::lines(ReceiptId id) {
  auto q = m_db.query(QStringLiteral("SELECT sifra, barkod, naziv, cena, prodato, iznos, stopa, storno "
                                     "FROM prodato WHERE godina=:god AND brrac=:broj ORDER BY rbr"),
                      keyOf(id));
  if (!q)
    return q.failure();
  QList<SoldLine> out;
  while (q->next()) {
    SoldLine l;
    l.sifra = q->value(0).toString().trimmed();
    l.barkod = q->value(1).toString().trimmed();
    l.naziv = q->value(2).toString().trimmed();
    l.cena = Money::fromDatabase(q->value(3));
    l.prodato = Quantity::fromDatabase(q->value(4));
    l.iznos = Money::fromDatabase(q->value(5));
    l.stopa = q->value(6).toInt();
    l.storno = q->value(7).toInt() == 1;
    out.append(l);
  }
  return out;
}

DbResult<Money> ReceiptRepository::restAmount(ReceiptId id) {
  const auto sold =
      sum(QStringLiteral("SELECT SUM(iznos) FROM prodato WHERE godina=:god AND brrac=:broj"), id);
  if (!sold)
    return sold;
  const auto paid = sum(QStringLiteral("SELECT SUM(iznos) FROM rate WHERE godina=:god AND broj=:broj"), id);
  if (!paid)
    return paid;
  return *sold - *paid;
}

DbResult<QList<SoldLine>> ReceiptRepository::unvoidedSales(ReceiptId id) {
  const auto stored = lines(id);
  if (!stored)
    return stored.failure();
  QList<SoldLine> sales, voids;
  for (const SoldLine &l : *stored)
    (l.storno ? voids : sales).append(l);
  QList<SoldLine> remaining;
  for (const SoldLine &s : std::as_const(sales)) {
    bool paired = false;
    for (qsizetype i = 0; i < voids.size(); ++i) {
      if (voids[i].sifra == s.sifra && voids[i].prodato == -s.prodato) {
        voids.removeAt(i);
        paired = true;
        break;
      }
    }
    if (!paired)
      remaining.append(s);
  }
  // A void that pairs with no sale still took its quantity back: no article is
  // reversed beyond what the receipt holds of it.
  std::map<QString, Quantity> held;
  for (const SoldLine &l : *stored)
    held[l.sifra] += l.prodato;
  QList<SoldLine> reversible;
  for (SoldLine s : std::as_const(remaining)) {
    Quantity &h = held[s.sifra];
    const Quantity q = std::min(s.prodato, h);
    if (q.isNegative() || q.isZero())
      continue;
    h -= q;
    if (q != s.prodato) {
      s.prodato = q;
      s.iznos = roundedAmount(q, s.cena).value_or(Money());
    }
    reversible.append(s);
  }
  return reversible;
}

DbResult<int> ReceiptRepository::lineCount(ReceiptId id) {
  const auto n = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM prodato WHERE godina=:god AND brrac=:broj"),
                             keyOf(id));
  if (!n)
    return n.failure();
  return n->toInt();
}

DbResult<quint32> ReceiptRepository::fiscalNumber(ReceiptId id) {
  const auto n =
      m_db.scalar(QStringLiteral("SELECT brfisis FROM racuni WHERE godina=:god AND broj=:broj"), keyOf(id));
  if (!n)
    return n.failure();
  return quint32(n->toLongLong());
}

DbResult<quint32> ReceiptRepository::lastFiscalNumber() {
  const auto n = m_db.scalar(QStringLiteral("SELECT MAX(brfisis) FROM racuni"));
  if (!n)
    return n.failure();
  return quint32(n->toLongLong());
}

DbResult<> ReceiptRepository::storniraj(ReceiptId id, const QDate &today) {
  const auto unvoided = unvoidedSales(id);
  if (!unvoided)
    return unvoided.failure();
  const QList<SoldLine> &remaining = *unvoided;
  return m_db.inTransaction([&]() -> DbResult<> {
    ArticleRepository articles(m_db);
    for (SoldLine r : std::as_const(remaining)) {
      const Quantity kolicina = r.prodato;
      r.storno = true;
      r.prodato = -r.prodato;
      r.iznos = -r.iznos;
      DB_TRY(addLine(id, today, r));
      DB_TRY(articles.lowerStock(r.sifra, -kolicina)); // the stock comes back
    }
    return clearPayments(id);
  });
}

DbResult<> ReceiptRepository::clearPayments(ReceiptId id) {
  DB_TRY(m_db.exec(
      QStringLiteral("UPDATE racuni SET cek=0,kartica=0,gotovina=0 WHERE godina=:god AND broj=:broj"),
      keyOf(id)));
  return m_db.exec(QStringLiteral("DELETE FROM rate WHERE godina=:god AND broj=:broj"), keyOf(id));
}
