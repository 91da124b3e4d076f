#pragma once

#include "restaurantfixture.h"
#include "sales/splitbill.h"

#include <array>

namespace restauranttest {

// Cola x2 (4,00), beer x1 (3,50) and soup x1 (5,00) on Ana's table 5, the articles known
// to the device; rounds as given.
struct Split {
  explicit Split(int model, std::array<int, 3> rounds = {1, 1, 1}, bool terminal = false,
                 bool openScreen = true)
      : r(model, terminal), art(*r.sale, r.h.db, *r.h.engine, r.h.prompt),
        ture(*r.sale, r.h.db, *r.h.engine, r.h.prompt) {
    const struct {
      const char *sifra, *naziv;
      double cena, kolicina;
      int number;
    } lines[] = {{"4", "KOLA", 2, 2, 12}, {"5", "PIVO", 3.5, 1, 13}, {"6", "SUPA", 5, 1, 14}};
    int i = 0;
    for (const auto &l : lines) {
      EXPECT_TRUE(r.h.db.exec(
          QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('%1', '', "
                         "'%2', %3, 2, 10)")
              .arg(l.sifra, l.naziv)
              .arg(l.cena)));
      r.h.mirror.insert(
          {QString::fromLatin1(l.sifra), l.number, QString(), QString::fromLatin1(l.naziv), l.cena, 2});
      r.device.program(l.number, QString::fromLatin1(l.naziv), l.cena, 2);
      TableLine t;
      t.brstola = 5;
      t.sifra = QString::fromLatin1(l.sifra);
      t.naziv = QString::fromLatin1(l.naziv);
      t.stopa = 2;
      t.cena = Money(l.cena);
      t.kolicina = Quantity(l.kolicina);
      t.iznos = Money(l.cena * l.kolicina);
      t.tura = rounds[i++];
      EXPECT_TRUE(TableRepository(r.h.db).addLine(t));
    }
    r.h.engine->setSplitScreen(nullptr);
    // A window test lets the restaurant window open the screen itself.
    if (openScreen)
      r.open();
    else
      r.sale->showWaiter(2);
  }
  // Lets the device and the engine finish the receipt out.
  void finish(SplitBill &s) {
    for (int i = 0; i < 10 && !s.entryEnabled; ++i)
      r.settle();
  }
  QStringList table() { return r.rows("SELECT rbr, sifra, tura FROM stost WHERE brstola = 5 ORDER BY rbr"); }
  static QStringList keys(const QList<SplitRow> &rows) {
    QStringList out;
    for (const SplitRow &row : rows)
      out << QString::number(row.rbr);
    return out;
  }

  Restaurant r;
  ArticleSplit art;
  RoundSplit ture;
};

} // namespace restauranttest
