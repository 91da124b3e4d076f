#include "engine/receiptstore.h"

#include "common/rounding.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// A quantity or amount as the database stores it (fixed point).
double fixed4(double v) {
  return MyRound(4, v);
}
} // namespace

ReceiptStore::ReceiptStore(const QString &connectionName) : m_connection(connectionName) {}

QSqlDatabase ReceiptStore::db() const {
  return m_connection.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(m_connection);
}

bool ReceiptStore::exec(QSqlQuery &q) {
  if (q.exec())
    return true;
  m_error = q.lastError().text();
  return false;
}

bool ReceiptStore::begin() {
  QSqlDatabase d = db();
  if (!d.isOpen()) {
    m_error = QStringLiteral("Baza podataka nije otvorena.");
    return false;
  }
  if (!d.transaction()) {
    m_error = d.lastError().text();
    return false;
  }
  return true;
}

bool ReceiptStore::commit() {
  QSqlDatabase d = db();
  if (d.commit())
    return true;
  m_error = d.lastError().text();
  d.rollback();
  return false;
}

void ReceiptStore::rollback() {
  db().rollback();
}

int ReceiptStore::nextProdatoRbr(bool *ok) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT MAX(rbr) + 1 FROM prodato"));
  *ok = exec(q);
  if (*ok && q.next() && !q.value(0).isNull())
    return q.value(0).toInt();
  return 1;
}

bool ReceiptStore::ensureHeader(const ReceiptKey &key) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT COUNT(*) FROM racuni WHERE broj = :broj AND godina = :god"));
  q.bindValue(QStringLiteral(":broj"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  if (!exec(q) || !q.next())
    return false;
  if (q.value(0).toInt() > 0)
    return true;
  QSqlQuery ins(db());
  ins.prepare(QStringLiteral(
      "INSERT INTO racuni (broj, datum, vreme, oslprom, sifoper, brstola, broj_dok, godina, cek, kartica, "
      "gotovina, status, brfisis, rezim, rok) VALUES (:broj, :datum, :vreme, 'NE', :oper, :sto, :dok, :god, "
      "0, 0, "
      "0, 0, 0, :rezim, 0)"));
  ins.bindValue(QStringLiteral(":broj"), key.broj);
  ins.bindValue(QStringLiteral(":datum"), key.datum);
  ins.bindValue(QStringLiteral(":vreme"), key.vreme.toString(QStringLiteral("hh:mm:ss")));
  ins.bindValue(QStringLiteral(":oper"), key.sifoper);
  ins.bindValue(QStringLiteral(":sto"), key.restoran ? key.brstola : 0);
  ins.bindValue(QStringLiteral(":dok"), QString::number(key.broj));
  ins.bindValue(QStringLiteral(":god"), key.godina);
  ins.bindValue(QStringLiteral(":rezim"), key.restoran ? 1 : 0);
  return exec(ins);
}

bool ReceiptStore::lowerStock(const QString &sifra, double kolicina) {
  QSqlQuery up(db());
  up.prepare(QStringLiteral(
      "UPDATE artikli SET lager = lager - :q WHERE UPPER(TRIM(sifra)) = UPPER(:s) AND TRIM(sifra) = :s"));
  up.bindValue(QStringLiteral(":q"), fixed4(kolicina));
  up.bindValue(QStringLiteral(":s"), sifra.trimmed());
  if (!exec(up))
    return false;
  QSqlQuery rec(db());
  rec.prepare(QStringLiteral(
      "SELECT sifsas, kolicina FROM sastav WHERE UPPER(TRIM(sifra)) = UPPER(:s) AND TRIM(sifra) = :s"));
  rec.bindValue(QStringLiteral(":s"), sifra.trimmed());
  if (!exec(rec))
    return false;
  QList<std::pair<QString, double>> parts;
  while (rec.next())
    parts.append({rec.value(0).toString().trimmed(), rec.value(1).toDouble()});
  for (const auto &[sifsas, kol] : parts) {
    QSqlQuery p(db());
    p.prepare(QStringLiteral(
        "UPDATE artikli SET lager = lager - :q WHERE UPPER(TRIM(sifra)) = UPPER(:s) AND TRIM(sifra) = :s"));
    p.bindValue(QStringLiteral(":q"), fixed4(kol * kolicina));
    p.bindValue(QStringLiteral(":s"), sifsas);
    if (!exec(p))
      return false;
  }
  return true;
}

bool ReceiptStore::writeSaleLine(const ReceiptKey &key, const Racun &step) {
  if (!ensureHeader(key))
    return false;
  bool ok = false;
  const int rbr = nextProdatoRbr(&ok);
  if (!ok)
    return false;
  QSqlQuery q(db());
  q.prepare(
      QStringLiteral("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                     "stopa, prodato, iznos) VALUES (:rbr, :brrac, :god, :datum, :sifra, :barkod, :naziv, "
                     ":cena, :storno, :stopa, :prodato, :iznos)"));
  q.bindValue(QStringLiteral(":rbr"), rbr);
  q.bindValue(QStringLiteral(":brrac"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  q.bindValue(QStringLiteral(":datum"), key.datum);
  q.bindValue(QStringLiteral(":sifra"), step.sifra);
  q.bindValue(QStringLiteral(":barkod"), step.barkod);
  q.bindValue(QStringLiteral(":naziv"), step.naziv);
  q.bindValue(QStringLiteral(":cena"), fixed4(step.cena));
  q.bindValue(QStringLiteral(":storno"), step.storno == 1 ? 1 : 0);
  q.bindValue(QStringLiteral(":stopa"), step.poreskaGrupa);
  q.bindValue(QStringLiteral(":prodato"), fixed4(step.kolicina));
  q.bindValue(QStringLiteral(":iznos"), fixed4(step.iznos));
  if (!exec(q))
    return false;
  return lowerStock(step.sifra, step.kolicina);
}

bool ReceiptStore::addPaymentRow(const ReceiptKey &key, int nacin, double iznos, const Racun &step) {
  QSqlQuery n(db());
  n.prepare(QStringLiteral("SELECT MAX(rbr) + 1 FROM rate WHERE broj = :broj AND godina = :god"));
  n.bindValue(QStringLiteral(":broj"), key.broj);
  n.bindValue(QStringLiteral(":god"), key.godina);
  int rbr = 1;
  if (n.exec() && n.next() && !n.value(0).isNull())
    rbr = n.value(0).toInt();
  QSqlQuery q(db());
  q.prepare(
      QStringLiteral("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin, brojkart, tipkart, brtrans) "
                     "VALUES (:broj, :god, :rbr, :iznos, :datum, :nacin, :bk, :tk, :bt)"));
  q.bindValue(QStringLiteral(":broj"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  q.bindValue(QStringLiteral(":rbr"), rbr);
  q.bindValue(QStringLiteral(":iznos"), iznos);
  q.bindValue(QStringLiteral(":datum"), QDateTime(key.datum, QTime(0, 0)));
  q.bindValue(QStringLiteral(":nacin"), nacin);
  const bool card = nacin == Racun::Kartica;
  q.bindValue(QStringLiteral(":bk"), card ? step.brojKartice : QString());
  q.bindValue(QStringLiteral(":tk"), card ? step.tipKartice : QString());
  q.bindValue(QStringLiteral(":bt"), card ? step.brojTransakcije : QString());
  return exec(q);
}

bool ReceiptStore::writePayment(const ReceiptKey &key, const Racun &step) {
  // The header exists once a line was sold; a receipt paid with no line still gets one.
  if (!ensureHeader(key))
    return false;
  const char *column = step.nacinPlacanja == Racun::Cek       ? "cek"
                       : step.nacinPlacanja == Racun::Kartica ? "kartica"
                                                              : "gotovina";
  QSqlQuery q(db());
  q.prepare(QStringLiteral("UPDATE racuni SET %1 = %1 + :iznos WHERE broj = :broj AND godina = :god")
                .arg(QLatin1String(column)));
  q.bindValue(QStringLiteral(":iznos"), step.iznosPlacanja);
  q.bindValue(QStringLiteral(":broj"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  if (!exec(q))
    return false;
  const double iznos = step.nacinPlacanja == Racun::Gotovina ? step.ostatak : step.iznosPlacanja;
  const int nacin =
      step.nacinPlacanja == Racun::Cek || step.nacinPlacanja == Racun::Kartica ? step.nacinPlacanja : 0;
  return addPaymentRow(key, nacin, iznos, step);
}

double ReceiptStore::receiptSum(int godina, int broj, bool *ok) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT SUM(iznos) FROM prodato WHERE brrac = :broj AND godina = :god"));
  q.bindValue(QStringLiteral(":broj"), broj);
  q.bindValue(QStringLiteral(":god"), godina);
  *ok = exec(q) && q.next();
  return *ok ? q.value(0).toDouble() : 0.0;
}

namespace {
bool settleCash(QSqlDatabase db, const ReceiptKey &key, double sum, QString *error) {
  QSqlQuery q(db);
  q.prepare(QStringLiteral("UPDATE racuni SET gotovina = :sum - COALESCE(cek, 0) - COALESCE(kartica, 0) "
                           "WHERE broj = :broj AND godina = :god"));
  q.bindValue(QStringLiteral(":sum"), sum);
  q.bindValue(QStringLiteral(":broj"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  if (!q.exec()) {
    *error = q.lastError().text();
    return false;
  }
  // GOTOVINA is kept to the para.
  QSqlQuery r(db);
  r.prepare(QStringLiteral("SELECT gotovina FROM racuni WHERE broj = :broj AND godina = :god"));
  r.bindValue(QStringLiteral(":broj"), key.broj);
  r.bindValue(QStringLiteral(":god"), key.godina);
  if (!r.exec() || !r.next()) {
    *error = r.lastError().text();
    return false;
  }
  QSqlQuery w(db);
  w.prepare(QStringLiteral("UPDATE racuni SET gotovina = :g WHERE broj = :broj AND godina = :god"));
  w.bindValue(QStringLiteral(":g"), MyRound(2, r.value(0).toDouble()));
  w.bindValue(QStringLiteral(":broj"), key.broj);
  w.bindValue(QStringLiteral(":god"), key.godina);
  if (!w.exec()) {
    *error = w.lastError().text();
    return false;
  }
  return true;
}
} // namespace

bool ReceiptStore::writeClosingPaymentA(const ReceiptKey &key, const Racun &step, quint32 brfisis) {
  if (!ensureHeader(key))
    return false;
  if (step.nacinPlacanja == Racun::Cek || step.nacinPlacanja == Racun::Kartica) {
    if (!writePayment(key, step))
      return false;
  } else {
    bool ok = false;
    const double sum = receiptSum(key.godina, key.broj, &ok);
    if (!ok || !settleCash(db(), key, sum, &m_error))
      return false;
    if (step.ostatak != 0 && !addPaymentRow(key, 0, step.ostatak, step))
      return false;
  }
  QSqlQuery q(db());
  q.prepare(QStringLiteral("UPDATE racuni SET brfisis = :f WHERE broj = :broj AND godina = :god"));
  q.bindValue(QStringLiteral(":f"), qint64(brfisis));
  q.bindValue(QStringLiteral(":broj"), key.broj);
  q.bindValue(QStringLiteral(":god"), key.godina);
  return exec(q);
}

bool ReceiptStore::writeClosingB(const ReceiptKey &key, const Racun &step) {
  if (!ensureHeader(key))
    return false;
  // The closing's own cash: its RATE row carries the part that pays the receipt.
  const bool cashClosing = step.operacija == Racun::Placanje && step.nacinPlacanja == Racun::Gotovina;
  if (cashClosing && step.ostatak != 0 && !addPaymentRow(key, 0, step.ostatak, step))
    return false;
  // The device books whatever is still unpaid as cash when it closes.
  bool ok = false;
  const double sum = receiptSum(key.godina, key.broj, &ok);
  return ok && settleCash(db(), key, sum, &m_error);
}

bool ReceiptStore::writeClosingC(const ReceiptKey &key) {
  // A close sent for a receipt the program never stored (the device's own open receipt) books nothing.
  QSqlQuery c(db());
  c.prepare(QStringLiteral("SELECT COUNT(*) FROM racuni WHERE broj = :broj AND godina = :god"));
  c.bindValue(QStringLiteral(":broj"), key.broj);
  c.bindValue(QStringLiteral(":god"), key.godina);
  if (!exec(c) || !c.next())
    return false;
  if (c.value(0).toInt() == 0)
    return true;
  bool ok = false;
  const double sum = receiptSum(key.godina, key.broj, &ok);
  if (!ok || !settleCash(db(), key, sum, &m_error))
    return false;
  const double rest = MyRound(2, ostatakIznosa(key.godina, key.broj));
  if (rest != 0)
    return addPaymentRow(key, 0, rest, Racun{});
  return true;
}

bool ReceiptStore::markFinished(int godina, int broj, std::optional<quint32> brfisis) {
  QSqlQuery q(db());
  if (brfisis) {
    q.prepare(
        QStringLiteral("UPDATE racuni SET status = 1, brfisis = :f WHERE godina = :god AND broj = :broj"));
    q.bindValue(QStringLiteral(":f"), qint64(*brfisis));
  } else {
    q.prepare(QStringLiteral("UPDATE racuni SET status = 1 WHERE godina = :god AND broj = :broj"));
  }
  q.bindValue(QStringLiteral(":god"), godina);
  q.bindValue(QStringLiteral(":broj"), broj);
  return exec(q);
}

int ReceiptStore::nextReceiptNumber(int godina) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT MAX(brrac) + 1 FROM prodato WHERE godina = :god"));
  q.bindValue(QStringLiteral(":god"), godina);
  if (exec(q) && q.next() && !q.value(0).isNull())
    return q.value(0).toInt();
  return 1;
}

double ReceiptStore::ostatakIznosa(int godina, int broj) {
  QSqlQuery p(db());
  p.prepare(QStringLiteral("SELECT SUM(iznos) FROM prodato WHERE godina = :god AND brrac = :broj"));
  p.bindValue(QStringLiteral(":god"), godina);
  p.bindValue(QStringLiteral(":broj"), broj);
  double sold = 0;
  if (p.exec() && p.next())
    sold = p.value(0).toDouble();
  QSqlQuery r(db());
  r.prepare(QStringLiteral("SELECT SUM(iznos) FROM rate WHERE godina = :god AND broj = :broj"));
  r.bindValue(QStringLiteral(":god"), godina);
  r.bindValue(QStringLiteral(":broj"), broj);
  double paid = 0;
  if (r.exec() && r.next())
    paid = r.value(0).toDouble();
  return sold - paid;
}

std::optional<ReceiptStore::LastReceipt> ReceiptStore::lastReceipt(int godina) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT MAX(broj) FROM racuni WHERE godina = :god"));
  q.bindValue(QStringLiteral(":god"), godina);
  if (!exec(q) || !q.next() || q.value(0).isNull())
    return std::nullopt;
  LastReceipt last;
  last.broj = q.value(0).toInt();
  QSqlQuery s(db());
  s.prepare(QStringLiteral("SELECT status FROM racuni WHERE godina = :god AND broj = :broj"));
  s.bindValue(QStringLiteral(":god"), godina);
  s.bindValue(QStringLiteral(":broj"), last.broj);
  if (!exec(s) || !s.next())
    return std::nullopt;
  last.status = s.value(0).toInt();
  return last;
}

QList<StoredLine> ReceiptStore::storedLines(int godina, int broj) {
  QList<StoredLine> lines;
  QSqlQuery q(db());
  q.prepare(
      QStringLiteral("SELECT sifra, barkod, naziv, prodato, cena, iznos FROM prodato WHERE brrac = :broj "
                     "AND godina = :god ORDER BY rbr"));
  q.bindValue(QStringLiteral(":broj"), broj);
  q.bindValue(QStringLiteral(":god"), godina);
  if (!exec(q))
    return lines;
  while (q.next()) {
    StoredLine l;
    l.sifra = q.value(0).toString().trimmed();
    l.barkod = q.value(1).toString().trimmed();
    l.naziv = q.value(2).toString().trimmed();
    l.prodato = q.value(3).toDouble();
    l.cena = q.value(4).toDouble();
    l.iznos = q.value(5).toDouble();
    lines.append(l);
  }
  return lines;
}

bool ReceiptStore::storniraj(int godina, int broj, const QDate &today) {
  QSqlQuery q(db());
  q.prepare(
      QStringLiteral("SELECT sifra, barkod, prodato, cena, naziv, stopa, iznos, storno FROM prodato WHERE "
                     "brrac = :broj AND godina = :god ORDER BY rbr ASC"));
  q.bindValue(QStringLiteral(":broj"), broj);
  q.bindValue(QStringLiteral(":god"), godina);
  if (!exec(q))
    return false;
  // Lists grow with the receipt: a long receipt cannot overrun them.
  QList<Racun> sales, voids;
  while (q.next()) {
    Racun r;
    r.sifra = q.value(0).toString();
    r.barkod = q.value(1).toString();
    r.kolicina = q.value(2).toDouble();
    r.cena = q.value(3).toDouble();
    r.naziv = q.value(4).toString();
    r.poreskaGrupa = q.value(5).toInt();
    r.iznos = q.value(6).toDouble();
    (q.value(7).toInt() == 1 ? voids : sales).append(r);
  }
  QList<Racun> remaining;
  for (const Racun &s : sales) {
    bool paired = false;
    for (int i = 0; i < voids.size(); ++i) {
      if (voids[i].sifra == s.sifra && MyRound(3, voids[i].kolicina) == MyRound(3, -s.kolicina)) {
        voids.removeAt(i);
        paired = true;
        break;
      }
    }
    if (!paired)
      remaining.append(s);
  }
  if (!begin())
    return false;
  for (const Racun &s : remaining) {
    bool ok = false;
    const int rbr = nextProdatoRbr(&ok);
    if (!ok) {
      rollback();
      return false;
    }
    QSqlQuery ins(db());
    ins.prepare(
        QStringLiteral("INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, "
                       "stopa, prodato, iznos) VALUES (:rbr, :brrac, :god, :datum, :sifra, :barkod, :naziv, "
                       ":cena, 1, :stopa, :prodato, :iznos)"));
    ins.bindValue(QStringLiteral(":rbr"), rbr);
    ins.bindValue(QStringLiteral(":brrac"), broj);
    ins.bindValue(QStringLiteral(":god"), godina);
    ins.bindValue(QStringLiteral(":datum"), today);
    ins.bindValue(QStringLiteral(":sifra"), s.sifra);
    ins.bindValue(QStringLiteral(":barkod"), s.barkod);
    ins.bindValue(QStringLiteral(":naziv"), s.naziv);
    ins.bindValue(QStringLiteral(":cena"), fixed4(s.cena));
    ins.bindValue(QStringLiteral(":stopa"), s.poreskaGrupa);
    ins.bindValue(QStringLiteral(":prodato"), fixed4(-s.kolicina));
    ins.bindValue(QStringLiteral(":iznos"), fixed4(-s.iznos));
    if (!exec(ins)) {
      rollback();
      return false;
    }
    // Stock back: the exact reverse of the sale's stock step (codes compared case-insensitively).
    QSqlQuery up(db());
    up.prepare(QStringLiteral("UPDATE artikli SET lager = lager + :q WHERE UPPER(TRIM(sifra)) = UPPER(:s)"));
    up.bindValue(QStringLiteral(":q"), fixed4(s.kolicina));
    up.bindValue(QStringLiteral(":s"), s.sifra.trimmed());
    if (!exec(up)) {
      rollback();
      return false;
    }
    QSqlQuery rec(db());
    rec.prepare(QStringLiteral(
        "SELECT sifsas, kolicina FROM sastav WHERE UPPER(TRIM(sifra)) = UPPER(:s) AND TRIM(sifra) = :s"));
    rec.bindValue(QStringLiteral(":s"), s.sifra.trimmed());
    if (!exec(rec)) {
      rollback();
      return false;
    }
    QList<std::pair<QString, double>> parts;
    while (rec.next())
      parts.append({rec.value(0).toString().trimmed(), rec.value(1).toDouble()});
    for (const auto &[sifsas, kol] : parts) {
      QSqlQuery p(db());
      p.prepare(QStringLiteral(
          "UPDATE artikli SET lager = lager + :q WHERE UPPER(TRIM(sifra)) = UPPER(:s) AND TRIM(sifra) = :s"));
      p.bindValue(QStringLiteral(":q"), fixed4(kol * s.kolicina));
      p.bindValue(QStringLiteral(":s"), sifsas);
      if (!exec(p)) {
        rollback();
        return false;
      }
    }
  }
  QSqlQuery r(db());
  r.prepare(QStringLiteral(
      "UPDATE racuni SET cek = 0, kartica = 0, gotovina = 0 WHERE godina = :god AND broj = :broj"));
  r.bindValue(QStringLiteral(":god"), godina);
  r.bindValue(QStringLiteral(":broj"), broj);
  QSqlQuery d(db());
  d.prepare(QStringLiteral("DELETE FROM rate WHERE godina = :god AND broj = :broj"));
  d.bindValue(QStringLiteral(":god"), godina);
  d.bindValue(QStringLiteral(":broj"), broj);
  if (!exec(r) || !exec(d)) {
    rollback();
    return false;
  }
  return commit();
}

bool ReceiptStore::deleteTableLines(int brstola, const QList<int> &rbr) {
  if (rbr.isEmpty())
    return true;
  QStringList marks;
  for (int i = 0; i < rbr.size(); ++i)
    marks << QStringLiteral(":r%1").arg(i);
  QSqlQuery q(db());
  q.prepare(QStringLiteral("DELETE FROM stost WHERE brstola = :sto AND rbr IN (%1)")
                .arg(marks.join(QLatin1Char(','))));
  q.bindValue(QStringLiteral(":sto"), brstola);
  for (int i = 0; i < rbr.size(); ++i)
    q.bindValue(marks[i], rbr[i]);
  return exec(q);
}

bool ReceiptStore::deleteAllTableLines(int brstola) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("DELETE FROM stost WHERE brstola = :sto"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  return exec(q);
}

int ReceiptStore::countTableLines(int brstola) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola = :sto"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  if (exec(q) && q.next())
    return q.value(0).toInt();
  return 0;
}

int ReceiptStore::countRoundLines(int brstola, int tura) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT COUNT(*) FROM stost WHERE brstola = :sto AND tura = :tura"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  q.bindValue(QStringLiteral(":tura"), tura);
  if (exec(q) && q.next())
    return q.value(0).toInt();
  return 0;
}

bool ReceiptStore::freeTable(int brstola) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("UPDATE stolovi SET sifkonob = -1 WHERE brstola = :sto"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  return exec(q);
}

double ReceiptStore::tableSum(int brstola) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT SUM(iznos) FROM stost WHERE brstola = :sto"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  if (exec(q) && q.next())
    return MyRound(2, q.value(0).toDouble());
  return 0;
}

bool ReceiptStore::shiftRoundsDown(int brstola, int afterTura) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("UPDATE stost SET tura = tura - 1 WHERE brstola = :sto AND tura > :tura"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  q.bindValue(QStringLiteral(":tura"), afterTura);
  return exec(q);
}

int ReceiptStore::maxRound(int brstola) {
  QSqlQuery q(db());
  q.prepare(QStringLiteral("SELECT MAX(tura) FROM stost WHERE brstola = :sto"));
  q.bindValue(QStringLiteral(":sto"), brstola);
  if (exec(q) && q.next())
    return q.value(0).toInt();
  return 0;
}
