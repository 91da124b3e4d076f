#include "journalcheck.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

struct Line {
  QString name;
  double quantity = 0;
  double amount = 0;
};

bool same(double a, double b) {
  return std::fabs(a - b) < 0.005;
}

void problem(JournalCheck &c, const QString &text) {
  if (c.problems.size() < 20)
    c.problems << text;
}

QList<Line> databaseLines(const QSqlDatabase &db, int year, int number) {
  QList<Line> lines;
  QSqlQuery q(db);
  q.prepare(QStringLiteral("SELECT naziv, prodato, iznos FROM prodato WHERE godina = :g AND brrac = :b "
                           "ORDER BY rbr"));
  q.bindValue(QStringLiteral(":g"), year);
  q.bindValue(QStringLiteral(":b"), number);
  q.exec();
  while (q.next())
    lines.append({q.value(0).toString().trimmed(), q.value(1).toDouble(), q.value(2).toDouble()});
  return lines;
}

QList<Line> journalLines(const QJsonObject &receipt) {
  QList<Line> lines;
  for (const QJsonValue &v : receipt.value(QStringLiteral("lines")).toArray()) {
    const QJsonObject l = v.toObject();
    // A void line takes back: the journal may show it signed or not.
    const double sign = l.value(QStringLiteral("void")).toBool() ? -1 : 1;
    lines.append({l.value(QStringLiteral("name")).toString().trimmed(),
                  sign * std::fabs(l.value(QStringLiteral("quantity")).toDouble()),
                  sign * std::fabs(l.value(QStringLiteral("amount")).toDouble())});
  }
  return lines;
}

// Lines are matched in order; what one side has beyond the other is lost or doubled.
void compareLines(JournalCheck &c, const QString &where, const QList<Line> &printed,
                  const QList<Line> &booked) {
  c.journalLines += int(printed.size());
  c.databaseLines += int(booked.size());
  const qsizetype common = std::min(printed.size(), booked.size());
  for (qsizetype i = 0; i < common; ++i) {
    const Line &p = printed[i];
    const Line &b = booked[i];
    if (p.name != b.name || !same(p.quantity, b.quantity) || !same(p.amount, b.amount)) {
      ++c.mismatches;
      problem(c, QStringLiteral("%1 line %2: printed %3 %4 %5, booked %6 %7 %8")
                     .arg(where)
                     .arg(i + 1)
                     .arg(p.name)
                     .arg(p.quantity)
                     .arg(p.amount)
                     .arg(b.name)
                     .arg(b.quantity)
                     .arg(b.amount));
    }
  }
  if (printed.size() > booked.size()) {
    c.lostLines += int(printed.size() - booked.size());
    problem(c,
            QStringLiteral("%1: %2 printed lines not booked").arg(where).arg(printed.size() - booked.size()));
  } else if (booked.size() > printed.size()) {
    c.doubledLines += int(booked.size() - printed.size());
    problem(c,
            QStringLiteral("%1: %2 booked lines not printed").arg(where).arg(booked.size() - printed.size()));
  }
}

} // namespace

JournalCheck checkJournal(const QList<QJsonObject> &journal, const QSqlDatabase &db,
                          const std::map<QString, double> &startStock, bool fiscalNumbers, int sifoper) {
  JournalCheck c;
  QList<QJsonObject> printed;
  // A receipt the device cancelled is booked too: its lines, each taken back, nothing paid.
  for (const QJsonObject &d : journal) {
    const QString type = d.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("receipt") || type == QLatin1String("storno"))
      printed << d;
    if (type == QLatin1String("storno"))
      ++c.journalCancelled;
  }
  c.journalReceipts = int(printed.size());

  struct Booked {
    int year, number, fiscal;
    double paid;
  };
  QList<Booked> booked;
  QSqlQuery q(db);
  q.prepare(QStringLiteral("SELECT godina, broj, status, brfisis, COALESCE(gotovina, 0) + COALESCE(cek, 0) + "
                           "COALESCE(kartica, 0) FROM racuni WHERE sifoper = :op OR :svi = 1 "
                           "ORDER BY godina, broj"));
  q.bindValue(QStringLiteral(":op"), sifoper);
  q.bindValue(QStringLiteral(":svi"), sifoper == -1 ? 1 : 0);
  q.exec();
  while (q.next()) {
    if (q.value(2).toInt() != 1) {
      ++c.unfinishedReceipts;
      problem(c, QStringLiteral("receipt %1 unfinished in the database").arg(q.value(1).toInt()));
      continue;
    }
    booked.append({q.value(0).toInt(), q.value(1).toInt(), q.value(3).toInt(), q.value(4).toDouble()});
  }
  c.databaseReceipts = int(booked.size());
  if (c.databaseReceipts != c.journalReceipts)
    problem(c, QStringLiteral("%1 receipts printed, %2 completed in the database")
                   .arg(c.journalReceipts)
                   .arg(c.databaseReceipts));

  const qsizetype common = std::min(printed.size(), booked.size());
  for (qsizetype i = 0; i < common; ++i) {
    const QJsonObject &p = printed[i];
    const Booked &b = booked[i];
    const bool cancelled = p.value(QStringLiteral("type")).toString() == QLatin1String("storno");
    const QString where = cancelled ? QStringLiteral("receipt %1 (cancelled)").arg(b.number)
                                    : QStringLiteral("receipt %1 (fiscal %2)")
                                          .arg(b.number)
                                          .arg(p.value(QStringLiteral("fiscalNumber")).toInt());
    const QList<Line> bookedLines = databaseLines(db, b.year, b.number);
    const QList<Line> expected = journalLines(p);
    if (cancelled) {
      // The printed lines, then their reversal: whatever rows it took, every article
      // comes back to nothing.
      compareLines(c, where, expected, bookedLines.mid(0, expected.size()));
      c.databaseLines += int(std::max<qsizetype>(0, bookedLines.size() - expected.size()));
      std::map<QString, double> net;
      for (const Line &l : bookedLines)
        net[l.name] += l.quantity;
      for (const auto &[name, q] : net)
        if (!same(q, 0)) {
          ++c.mismatches;
          problem(c, QStringLiteral("%1: %2 left of %3 after its reversal").arg(where).arg(q).arg(name));
        }
    } else {
      compareLines(c, where, expected, bookedLines);
    }
    double bookedTotal = 0;
    for (const Line &l : bookedLines)
      bookedTotal += l.amount;
    const double total = cancelled ? 0.0 : p.value(QStringLiteral("total")).toDouble();
    if (!same(total, bookedTotal) || !same(total, b.paid)) {
      ++c.mismatches;
      problem(c, QStringLiteral("%1: printed total %2, booked lines %3, booked payments %4")
                     .arg(where)
                     .arg(total)
                     .arg(bookedTotal)
                     .arg(b.paid));
    }
    if (fiscalNumbers && !cancelled && p.value(QStringLiteral("fiscalNumber")).toInt() != b.fiscal) {
      ++c.mismatches;
      problem(c, QStringLiteral("%1: booked with fiscal number %2").arg(where).arg(b.fiscal));
    }
  }

  QSqlQuery s(db);
  s.exec(QStringLiteral("SELECT a.sifra, a.lager, COALESCE((SELECT SUM(p.prodato) FROM prodato p "
                        "WHERE p.sifra = a.sifra), 0) FROM artikli a"));
  while (s.next()) {
    const auto start = startStock.find(s.value(0).toString());
    if (start == startStock.end())
      continue;
    if (!same(start->second - s.value(2).toDouble(), s.value(1).toDouble())) {
      ++c.stockErrors;
      problem(c, QStringLiteral("article %1: stock %2, started %3, sold %4")
                     .arg(s.value(0).toString())
                     .arg(s.value(1).toDouble())
                     .arg(start->second)
                     .arg(s.value(2).toDouble()));
    }
  }
  return c;
}
