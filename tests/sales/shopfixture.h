#pragma once

#include "sales/articlelookup.h"
#include "sales/engineretailcalls.h"
#include "sales/retailsale.h"
#include "simtill.h"

// The retail screen's model on the real engine and database, with fiscal-sim's
// device in-process and virtual time: keys in, frames, journal and rows out.
namespace shoptest {

using namespace enginetest;

class Shop : public salestest::SimTill {
public:
  explicit Shop(int model, bool drawer = false) : SimTill(model) {
    lookup = std::make_unique<DatabaseArticleLookup>(h.db);
    calls = std::make_unique<EngineRetailCalls>(*h.engine);
    sale = std::make_unique<RetailSale>(*lookup, *calls, h.prompt, h.clock);
    RetailSettings s;
    s.model = model;
    sale->setSettings(s);
    sale->rbrKasira = 1;
    h.engine->setRbrKasira(1);
    h.engine->setRetailScreen(sale.get());
    h.engine->setDrawerEnabled(drawer);
  }
  ~Shop() { h.engine->setRetailScreen(nullptr); }

  int model() const { return h.link.Model; }
  int family() const { return int(DeviceProfile::of(h.link.Model).family); }

  void open() {
    const qsizetype before = device.frames.size();
    const QDateTime now = h.clock.now();
    sale->open(now.date().year(), now.date(), now.time());
    settle();
    // Models 1, 2, 3 and 5 first ask the device whether it holds a receipt (a zero cash
    // payment); the recovery's tests look at that question, these at the sale.
    if (model() != 4 && device.frames.size() > before)
      m_question = int(before);
  }
  // Lets the device answer and the engine go on.
  void settle() { h.clock.advance(2000); }

  void entry(const QString &text) { sale->setEntry(text); }
  // Sells a line by its code (quantity first with the keypad *), and waits for the device.
  void sell(const QString &sifra, const QString &quantity = QString()) {
    if (!quantity.isEmpty()) {
      entry(quantity);
      sale->kolicinaKey();
    }
    entry(sifra);
    sale->unos();
    settle();
  }
  void cash(const QString &amount) {
    entry(amount);
    sale->unosGotovina();
  }
  void cheque(const QString &amount = {}) {
    entry(amount);
    sale->cekKey();
  }
  void card(const QString &amount = {}) {
    entry(amount);
    sale->karticaKey();
  }
  // Enter on an empty entry line.
  void enter() {
    entry(QString());
    sale->unos();
  }

  // What the device was sent after the index `from`: payments "type:amount", "KRAJ" for
  // the closing, "FIOKA" for the drawer, "LCD" for the display, "L" for a sale line.
  QStringList sent(int from = 0) const {
    QStringList out;
    for (int i = from; i < device.frames.size(); ++i) {
      const QByteArray &f = device.frames[i];
      if (quint8(f[0]) != 0xAA || i == m_question)
        continue;
      const int code = quint8(f[7]);
      const int fam = family();
      auto amount = [&](int at) {
        const qint64 whole = quint8(f[at]) | (quint8(f[at + 1]) << 8) | (quint8(f[at + 2]) << 16) |
                             (qint64(quint8(f[at + 3])) << 24);
        return QStringLiteral("%1,%2").arg(whole).arg(int(quint8(f[at + 4])), 2, 10, QLatin1Char('0'));
      };
      if (fam == 1 && (code == 0x15 || code == 0x13))
        out << QString::number(quint8(f[9])) + ":" + amount(11);
      else if (fam == 2 && code == 0x09)
        out << QString::number(quint8(f[9])) + ":" + amount(53);
      else if (fam == 4 && code == 0x09)
        out << QString::number(quint8(f[9])) + ":" + amount(10);
      else if (fam != 1 && code == 0x0B)
        out << QStringLiteral("KRAJ");
      else if ((fam == 1 && code == 0x29) || (fam == 4 && code == 0x15))
        out << QStringLiteral("FIOKA");
      else if (fam == 4 && code == 0x1D)
        out << QStringLiteral("LCD");
      else if ((fam == 1 && (code == 0x0B || code == 0x05 || code == 0x0C || code == 0x06)) ||
               (fam != 1 && (code == 0x03 || code == 0x04)))
        out << QStringLiteral("L");
    }
    return out;
  }

  std::unique_ptr<DatabaseArticleLookup> lookup;
  std::unique_ptr<EngineRetailCalls> calls;
  std::unique_ptr<RetailSale> sale;
  int m_question = -1; // the frame of the opening's question to the device
};

} // namespace shoptest
