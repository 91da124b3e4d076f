// The soak's verdict: a device journal and a database that differ must fail it.
#include "journalcheck.h"

#include "data/database.h"

#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

QJsonObject line(const char *name, double q, double amount) {
  return {{"name", name}, {"quantity", q}, {"amount", amount}, {"void", false}};
}

QJsonObject receipt(int fiscal, const QJsonArray &lines, double total) {
  return {{"type", "receipt"}, {"fiscalNumber", fiscal}, {"lines", lines}, {"total", total}};
}

struct Shop {
  Shop() {
    EXPECT_TRUE(db.openInMemory());
    EXPECT_TRUE(db.exec("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                        "('1', '', 'KAFA', 100, 2, 97), ('2', '', 'CAJ', 80, 2, 100)"));
  }
  void book(int number, int status, int fiscal, double cash, const QList<QJsonObject> &lines) {
    EXPECT_TRUE(db.exec(QStringLiteral("INSERT INTO racuni (godina, broj, status, brfisis, gotovina) VALUES "
                                       "(2026, %1, %2, %3, %4)")
                            .arg(number)
                            .arg(status)
                            .arg(fiscal)
                            .arg(cash)));
    for (const QJsonObject &l : lines)
      addLine(number, l);
  }
  void addLine(int number, const QJsonObject &l) {
    const QString name = l.value("name").toString();
    EXPECT_TRUE(
        db.exec(QStringLiteral("INSERT INTO prodato (rbr, brrac, godina, sifra, naziv, prodato, iznos) "
                               "VALUES (%1, %2, 2026, '%3', '%4', %5, %6)")
                    .arg(++rbr)
                    .arg(number)
                    .arg(name == "KAFA" ? "1" : "2", name)
                    .arg(l.value("quantity").toDouble())
                    .arg(l.value("amount").toDouble())));
  }
  Database db;
  int rbr = 0;
  std::map<QString, double> stock{{"1", 100}, {"2", 100}};
};

struct Case {
  const char *what;
  std::function<void(Shop &, QList<QJsonObject> &)> change;
  int lost, doubled, mismatches, stockErrors, unfinished;
  bool passes;
};

TEST(JournalCheck, FindsEveryKindOfDifference) {
  const Case cases[] = {
      {"agreeing", [](Shop &, QList<QJsonObject> &) {}, 0, 0, 0, 0, 0, true},
      {"a printed line not booked",
       [](Shop &, QList<QJsonObject> &j) {
         QJsonArray l = j[1].value("lines").toArray();
         l.append(line("CAJ", 1, 80));
         j[1] = receipt(2, l, 180);
       },
       1, 0, 1, 0, 0, false},
      {"a line booked twice", [](Shop &s, QList<QJsonObject> &) { s.addLine(2, line("KAFA", 1, 100)); }, 0, 1,
       1, 1, 0, false},
      {"a receipt left unfinished", [](Shop &s, QList<QJsonObject> &) { s.book(9, 0, 0, 0, {}); }, 0, 0, 0, 0,
       1, false},
      {"another quantity",
       [](Shop &, QList<QJsonObject> &j) { j[0] = receipt(1, {line("KAFA", 3, 200)}, 200); }, 0, 0, 1, 0, 0,
       false},
      {"another fiscal number",
       [](Shop &, QList<QJsonObject> &j) { j[0] = receipt(7, {line("KAFA", 2, 200)}, 200); }, 0, 0, 1, 0, 0,
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Shop s;
    s.book(1, 1, 1, 200, {line("KAFA", 2, 200)});
    s.book(2, 1, 2, 100, {line("KAFA", 1, 100)});
    QList<QJsonObject> journal{receipt(1, {line("KAFA", 2, 200)}, 200),
                               receipt(2, {line("KAFA", 1, 100)}, 100),
                               {{"type", "report"}}};
    c.change(s, journal);
    const JournalCheck r = checkJournal(journal, s.db.connection(), s.stock, true);
    EXPECT_EQ(r.lostLines, c.lost);
    EXPECT_EQ(r.doubledLines, c.doubled);
    EXPECT_EQ(r.mismatches, c.mismatches);
    EXPECT_EQ(r.stockErrors, c.stockErrors);
    EXPECT_EQ(r.unfinishedReceipts, c.unfinished);
    EXPECT_EQ(r.passed(), c.passes) << r.problems.join("\n").toStdString();
  }
}

// A receipt the device cancelled must be in the database with its lines, each taken back, and nothing paid.
TEST(JournalCheck, CancelledReceipts) {
  const QJsonObject cancelled{
      {"type", "storno"}, {"lines", QJsonArray{line("KAFA", 1, 100)}}, {"total", 100}};
  struct Cancel {
    const char *what;
    QList<QJsonObject> booked; // the database's lines of receipt 2
    double paid;
    bool passes;
  };
  const Cancel cases[] = {
      {"taken back", {line("KAFA", 1, 100), line("KAFA", -1, -100)}, 0, true},
      {"booked as sold", {line("KAFA", 1, 100)}, 100, false},
      {"taken back but paid", {line("KAFA", 1, 100), line("KAFA", -1, -100)}, 100, false},
  };
  for (const Cancel &c : cases) {
    SCOPED_TRACE(c.what);
    Shop s;
    s.book(1, 1, 1, 200, {line("KAFA", 2, 200)});
    s.book(2, 1, 0, c.paid, c.booked);
    double sold = 0;
    for (const QJsonObject &l : c.booked)
      sold += l.value("quantity").toDouble();
    s.stock["1"] = 97 + 2 + sold;
    const JournalCheck r =
        checkJournal({receipt(1, {line("KAFA", 2, 200)}, 200), cancelled}, s.db.connection(), s.stock, true);
    EXPECT_EQ(r.journalCancelled, 1);
    EXPECT_EQ(r.passed(), c.passes) << r.problems.join("\n").toStdString();
  }
}

// A device's void line may be journalled signed or not; either way it takes back. A cancelled
// receipt holding a void is reversed as the database pairs it: the printed lines, then rows
// that bring every article back to nothing, never further.
TEST(JournalCheck, VoidLinesAndTheirCancellation) {
  QJsonObject voided = line("KAFA", -1, -100);
  voided["void"] = true;
  QJsonObject unsigned_ = line("KAFA", 1, 100);
  unsigned_["void"] = true;
  for (const QJsonObject &v : {voided, unsigned_}) {
    Shop s;
    s.book(1, 1, 1, 100, {line("KAFA", 2, 200), line("KAFA", -1, -100)});
    s.stock["1"] = 97 + 1;
    EXPECT_TRUE(checkJournal({receipt(1, {line("KAFA", 2, 200), v}, 100)}, s.db.connection(), s.stock, true)
                    .passed());
  }
  const QJsonObject cancelled{{"type", "storno"},
                              {"lines", QJsonArray{line("KAFA", 2, 200), line("KAFA", 1, 100), voided}},
                              {"total", 200}};
  struct Cancel {
    const char *what;
    QList<QJsonObject> reversal;
    bool passes;
  };
  const Cancel cases[] = {
      {"as paired", {line("KAFA", -2, -200)}, true},
      {"every line taken back", {line("KAFA", -2, -200), line("KAFA", -1, -100), line("KAFA", 1, 100)}, true},
      {"beyond what was held", {line("KAFA", -2, -200), line("KAFA", -1, -100)}, false},
  };
  for (const Cancel &c : cases) {
    SCOPED_TRACE(c.what);
    Shop s;
    QList<QJsonObject> booked{line("KAFA", 2, 200), line("KAFA", 1, 100), line("KAFA", -1, -100)};
    booked += c.reversal;
    s.book(1, 1, 0, 0, booked);
    double sold = 0;
    for (const QJsonObject &l : booked)
      sold += l.value("quantity").toDouble();
    s.stock["1"] = 97 + sold;
    const JournalCheck r = checkJournal({cancelled}, s.db.connection(), s.stock, true);
    EXPECT_EQ(r.passed(), c.passes) << r.problems.join("\n").toStdString();
  }
}

} // namespace
