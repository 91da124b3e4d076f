#pragma once

#include "data/tablerepository.h"
#include "sales/restaurantsale.h"
#include "simtill.h"

#include <QJsonArray>

// The restaurant screen's model on the real engine and database, with fiscal-sim's
// device in-process and virtual time. Waiters 2 (Ana) and 3 (Marko); tables 1 to 4,
// table 5 held by Ana, table 6 by Marko.
namespace restauranttest {

using namespace enginetest;

class Restaurant : public salestest::SimTill {
public:
  explicit Restaurant(int model, bool cardTerminal = false) : SimTill(model) {
    EXPECT_TRUE(h.db.exec(QStringLiteral("INSERT INTO konobari (rbr, sifkonob, naziv, admin) VALUES "
                                         "(2, '2222', 'Ana', 0), (3, '3333', 'Marko', 0)")));
    EXPECT_TRUE(h.db.exec(QStringLiteral(
        "INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (1, 'Sto 1', -1), (2, 'Sto 2', -1), "
        "(3, 'Sto 3', -1), (4, 'Sto 4', -1), (5, 'Sto 5', 2), (6, 'Sto 6', 3)")));
    sale = std::make_unique<RestaurantSale>(h.db, *h.engine, h.prompt, h.clock);
    RestaurantSettings s;
    s.model = model;
    s.cardTerminal = cardTerminal;
    sale->setSettings(s);
    h.engine->setRestaurantScreen(sale.get());
    h.engine->setRbrKasira(2);
  }
  ~Restaurant() { h.engine->setRestaurantScreen(nullptr); }

  // A line on a table as the order window writes it; sifra 1 KAFA 100,00, 2 ESPRESSO 150,00.
  void order(int sto, const QString &sifra, double kolicina, int tura = 1) {
    const bool kafa = sifra == QLatin1String("1");
    TableLine l;
    l.brstola = sto;
    l.sifra = sifra;
    l.naziv = kafa ? QStringLiteral("KAFA") : QStringLiteral("ESPRESSO");
    l.stopa = 2;
    l.cena = Money(kafa ? 100.0 : 150.0);
    l.kolicina = Quantity(kolicina);
    l.iznos = *roundedAmount(l.kolicina, l.cena);
    l.storno = kolicina < 0;
    l.tura = tura;
    ASSERT_TRUE(TableRepository(h.db).addLine(l));
  }

  // Ana's screen shown and its opening answered.
  void open(int waiter = 2) {
    sale->showWaiter(waiter);
    sale->open();
    settle();
  }
  void settle() { h.clock.advance(3000); }
  void key(const QString &entry, void (RestaurantSale::*op)()) {
    sale->setEntry(entry);
    (sale.get()->*op)();
  }

  // One line per step: "100 op", "200 sifra kolicina iznos storno rbr", "300 nacin iznos ostatak", "-1
  // ostatak".
  static QStringList describe(const StavkeRacuna &s) {
    QStringList out;
    for (const Racun &r : s) {
      switch (r.operacija) {
      case Racun::Otvaranje:
        out << QStringLiteral("100 op%1").arg(r.operater);
        break;
      case Racun::Prodaja:
        out << QStringLiteral("200 %1 %2 %3 s%4 r%5")
                   .arg(r.sifra, r.kolicina.text(), r.iznos.text())
                   .arg(r.storno)
                   .arg(r.rbrStavke);
        break;
      case Racun::Placanje:
        out << QStringLiteral("300 n%1 %2 o%3")
                   .arg(r.nacinPlacanja)
                   .arg(r.iznosPlacanja.text(), r.ostatak.text());
        break;
      default:
        out << QStringLiteral("-1 o%1").arg(r.ostatak.text());
      }
    }
    return out;
  }

  std::unique_ptr<RestaurantSale> sale;
};

} // namespace restauranttest
