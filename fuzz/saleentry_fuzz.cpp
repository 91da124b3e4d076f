// The typed entry interpreters of the sale screens: the retail screen's `unos` and keys,
// and the order window's `unos` over a table, fed key after key with any text. The
// first byte picks the screen. The retail grid's total stays the sum of its lines; an
// order line is never voided below what the table holds.
#include "common/localetext.h"
#include "common/scheduler.h"
#include "data/codelistrepository.h"
#include "data/database.h"
#include "engine/userprompt.h"
#include "fuzzcheck.h"
#include "sales/articlelookup.h"
#include "sales/retailsale.h"
#include "sales/tableorders.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

void app() {
  static int argc = 1;
  static char name[] = "saleentry_fuzz";
  static char *argv[] = {name, nullptr};
  static QCoreApplication a(argc, argv);
}

struct Articles : ArticleLookup {
  QList<Artikal> all{{"1", "", "Kafa", Money(120), 2},
                     {"2", "8600000000116", "Sok", Money(85.5), 2},
                     {"500", "2100123000000", "Sir na meru", Money(100), 1},
                     {"123456", "", "Kod sest", Money(10), 2},
                     {"77", "123456", "Barkod sest", Money(20), 2},
                     {"A", "", "Sitno", Money(2.5), 1}};
  std::optional<Artikal> bySifra(const QString &sifra) const override {
    for (const Artikal &a : all)
      if (a.sifra.compare(sifra.trimmed(), Qt::CaseInsensitive) == 0)
        return a;
    return std::nullopt;
  }
  std::optional<Artikal> byBarkod(const QString &barkod) const override {
    for (const Artikal &a : all)
      if (!a.barkod.isEmpty() && a.barkod == barkod.trimmed())
        return a;
    return std::nullopt;
  }
};

// The device confirms whatever it is sent; the cashier answers every question with OK.
struct Device : RetailEngineCalls {
  void Prijava(const Racun &) override {}
  void Provera(const Racun &) override {}
  void Placanje(const Racun &, bool) override {}
  void KrajRacuna(const Racun &) override {}
  void StornirajRacun() override {}
  void OtvoriFioku() override {}
  void LcdShow(const QString &, int) override {}
  void GetStatusFromSale() override {}
  void screenClosed() override {}
  void freeTextStarting() override {}
  void setCekanjePrekinuto(bool) override {}
  bool resolveUnfinishedReceipt(int, int &, int &) override { return true; }
  int nextReceiptNumber(int) override { return 1; }
};

struct Cashier : UserPrompt {
  bool messageDialog(const QString &, const QString &, bool) override { return true; }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &) override { return {}; }
  int unfinishedReceiptDialog(const UnfinishedReceipt &) override { return 1; }
  void showInstructions() override {}
  void pressEnterNotice(const QString &) override {}
};

QString text(FuzzedDataProvider &in) {
  const std::string s = in.ConsumeRandomLengthString(24);
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

void retail(FuzzedDataProvider &in) {
  Articles articles;
  Device device;
  Cashier cashier;
  VirtualScheduler clock;
  RetailSale sale(articles, device, cashier, clock);
  RetailSettings settings;
  settings.model = in.ConsumeIntegralInRange<int>(1, 5);
  settings.zaokruzi = in.ConsumeBool();
  sale.setSettings(settings);
  sale.open(2026, QDate(2026, 1, 15), QTime(10, 0));
  using Key = void (RetailSale::*)();
  const Key keys[] = {&RetailSale::unos,       &RetailSale::kolicinaKey,        &RetailSale::ponistiKey,
                      &RetailSale::proveraKey, &RetailSale::unosGotovina,       &RetailSale::cekKey,
                      &RetailSale::karticaKey, &RetailSale::preracunajKolicinu, &RetailSale::totalAndClose,
                      &RetailSale::escapeKey};
  for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) {
    const Key key = in.PickValueInArray(keys);
    sale.setEntry(text(in));
    (sale.*key)();
    sale.enableEntryLine(); // the device confirmed the step
    require(sale.sledeciRed >= 1 && sale.sledeciRed < RetailSale::kRows);
    Money sum;
    bool readable = true;
    for (int r = 1; r < sale.sledeciRed; ++r) {
      const auto amount = Money::parse(sale.cell(r, 6));
      readable = readable && amount.has_value();
      if (amount)
        sum = sum + *amount;
    }
    if (readable)
      require(sum.units() == sale.ukupno().units());
  }
}

struct Tables {
  Tables() {
    require(db.openInMemory());
    require(
        db
            .exec(QStringLiteral(
                "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager, vrsta) VALUES "
                "('1', '', 'Coca cola', 100, 2, 0, 'P'), ('2', '', 'Supa', 200, 1, 0, 'J'), "
                "('3', '8600000000116', 'Pivo', 150, 2, 0, 'P'), ('123456', '', 'Kod sest', 10, 2, 0, 'J'), "
                "('77', '123456', 'Barkod sest', 20, 2, 0, 'P'), ('A', '', 'Sitno', 2.5, 1, 0, 'J')"))
            .ok());
    require(db.exec(QStringLiteral("INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', 2)"))
                .ok());
  }
  Database db;
  DatabaseArticleLookup lookup{db};
};

void orders(FuzzedDataProvider &in) {
  static Tables t;
  Transaction unit(t.db); // every input starts from the same empty table
  require(unit.isActive());
  TableOrders o(t.db, t.lookup);
  o.setAmountRule(in.ConsumeIntegralInRange<int>(1, 5), in.ConsumeBool());
  require(o.open(5, Waiter{2, QStringLiteral("Marko"), false}).ok());
  for (int steps = 0; steps < 48 && in.remaining_bytes() > 0; ++steps) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      o.setEntry(text(in));
      o.unos();
      break;
    case 1:
      o.setEntry(text(in));
      o.kolicinaKey();
      break;
    case 2:
      o.ponistiKey();
      break;
    default:
      o.selectRound(in.ConsumeIntegralInRange<int>(-1, 4));
      break;
    }
  }
  QSqlQuery q(t.db.connection());
  require(q.exec(QStringLiteral("SELECT SUM(kolicina) FROM stost GROUP BY UPPER(TRIM(sifra))")));
  while (q.next())
    require(q.value(0).toDouble() > -0.0005);
  unit.rollback();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  app();
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool())
    retail(in);
  else
    orders(in);
  return 0;
}
