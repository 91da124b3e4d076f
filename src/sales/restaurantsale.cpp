#include "sales/restaurantsale.h"

#include "common/scheduler.h"
#include "common/textfields.h"
#include "engine/transactionengine.h"
#include "engine/userprompt.h"

namespace {
const QString kSlanje = QStringLiteral("DOSLO JE DO PROBLEMA PRILIKOM SLANJA RACUNA NA KASU");
const QString kGreskaOslobadjanja = QStringLiteral("GRESKA PRILIKOM OSLOBADJANJA STOLA!");
} // namespace

RestaurantSale::RestaurantSale(Database &db, TransactionEngine &engine, UserPrompt &prompt,
                               Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_repo(db), m_engine(engine), m_prompt(prompt), m_scheduler(scheduler),
      m_keys(prompt, {[this](const QString &text) { setStatus(text); },
                      [this] {
                        edtUnosRest.clear();
                        emit focusEntry();
                        emit beep();
                      },
                      [this] { emit changed(); }, [this] { emit beep(); },
                      [this](const QString &type, const QString &reference, const QString &number) {
                        edtTipKart = type;
                        edtTransakcija = reference;
                        edtBrojKart = number;
                      }}) {}

void RestaurantSale::setStatus(const QString &text) {
  m_status = text;
  m_scheduler.cancel(m_statusTask);
  m_statusTask = m_scheduler.schedule(kStatusMs, this, [this] {
    m_status.clear();
    m_statusTask = 0;
    emit changed();
  });
  emit changed();
}

void RestaurantSale::showDatabaseOutage(int waiting) {
  m_outage = TransactionEngine::outageText(waiting);
  emit changed();
}

// ------------------------------------------------------------------ tables

void RestaurantSale::readTables() {
  // A table list that cannot be read shows no table; nothing can be done on one then.
  // While steps wait for the server the waiter keeps seeing the tables known last.
  const auto tables = m_repo.tablesOf(m_waiter);
  if (tables || m_engine.waitingSteps() == 0)
    m_tables = tables.value_or({});
}

Money RestaurantSale::readLines(int brstola, const DbResult<Money> &total) {
  const QSet<int> leaving = m_engine.linesLeavingTable(brstola);
  const auto lines = brstola ? m_repo.lines(brstola) : DbResult<QList<TableLine>>(QList<TableLine>{});
  if (lines)
    m_lines = *lines;
  else if (brstola != m_linesOf || m_engine.waitingSteps() == 0)
    m_lines.clear();
  m_linesOf = brstola;
  if (leaving.isEmpty() && (lines || m_engine.waitingSteps() == 0))
    return total.value_or(Money());
  m_lines.removeIf([&](const TableLine &l) { return leaving.contains(l.rbr); });
  Money shown;
  for (const TableLine &l : std::as_const(m_lines))
    shown += l.iznos;
  return shown;
}

void RestaurantSale::showTable(int brstola) {
  m_trenutniSto = brstola;
  m_engine.setTrenutniSto(brstola);
  m_row = -1;
  for (qsizetype i = 0; i < m_tables.size(); ++i)
    if (m_tables[i].brstola == brstola)
      m_row = int(i);
  const Money total = readLines(brstola, brstola ? m_repo.sum(brstola) : DbResult<Money>(Money()));
  m_pay.clear();
  m_pay.ukupno = total;
  emit changed();
}

void RestaurantSale::showWaiter(int rbr) {
  m_waiter = rbr;
  readTables();
  showTable(m_tables.isEmpty() ? 0 : m_tables.first().brstola);
}

void RestaurantSale::refreshTable() {
  showTable(m_trenutniSto);
}

void RestaurantSale::changedElsewhere() {
  if (receiptInProgress())
    return;
  readTables();
  bool stillHere = false;
  for (const RestaurantTable &t : std::as_const(m_tables))
    stillHere = stillHere || t.brstola == m_trenutniSto;
  if (!stillHere) {
    showTable(m_tables.isEmpty() ? 0 : m_tables.first().brstola);
    return;
  }
  m_row = -1;
  for (qsizetype i = 0; i < m_tables.size(); ++i)
    if (m_tables[i].brstola == m_trenutniSto)
      m_row = int(i);
  setTotal(m_repo.sum(m_trenutniSto).value_or(Money()));
}

void RestaurantSale::selectRow(int row) {
  if (!gridEnabled || row < 0 || row >= m_tables.size())
    return;
  showTable(m_tables[row].brstola);
  emit focusEntry();
}

Racun RestaurantSale::opening() const {
  Racun r;
  r.operacija = Racun::Otvaranje;
  r.operater = quint8(m_waiter);
  const QDateTime now = m_scheduler.now();
  r.datum = now.date();
  r.vreme = now.time();
  return r;
}

void RestaurantSale::open() {
  m_status.clear();
  entryEnabled = gridEnabled = true;
  edtUnosRest.clear();
  edtBrojKart.clear();
  edtTipKart.clear();
  edtTransakcija.clear();
  m_keys.cekanjePrekinuto = false;
  m_engine.setRezimRestoran(true);
  m_engine.setSplitMode(false, false);
  showTable(m_row >= 0 && m_row < m_tables.size() ? m_tables[m_row].brstola : m_trenutniSto);
  m_engine.setBrojRacuna(m_engine.nextReceiptNumber());
  // The last receipt left open is announced and marked finished; when that fails no
  // receipt is opened.
  if (!m_settings.device().opensFromStatus && !m_engine.checkUnfinishedRestaurantReceipt()) {
    emit changed();
    return;
  }
  m_engine.openRestaurantScreen(m_waiter);
  emit changed();
}

bool RestaurantSale::requestClose() {
  if (receiptInProgress())
    return false;
  m_scheduler.cancel(m_statusTask);
  m_statusTask = 0;
  m_engine.setRezimRestoran(false);
  m_engine.setRetailScreenOpen(false);
  return true;
}

void RestaurantSale::otvoriSto() {
  setStatus(QString());
  std::optional<int> izabraniSto;
  const QString entry = edtUnosRest.trimmed();
  if (entry.isEmpty()) {
    if (!pickFreeTable) {
      setStatus(QStringLiteral("Izbor slobodnog stola jos nije dostupan"));
      return;
    }
    izabraniSto = pickFreeTable();
  } else {
    bool ok = false;
    izabraniSto = entry.toInt(&ok);
    if (!ok) {
      setStatus(QStringLiteral("POGRESAN UNOS"));
      return;
    }
  }
  if (!izabraniSto)
    return;
  // "Free -> mine" in one update: of two tills opening the same table one wins.
  const auto won = m_repo.takeFreeTable(*izabraniSto, m_waiter);
  if (!won) {
    setStatus(won.error());
    return;
  }
  if (!*won) {
    setStatus(QStringLiteral("STO NIJE SLOBODAN"));
    return;
  }
  readTables();
  showTable(*izabraniSto);
  edtUnosRest.clear();
  emit focusEntry();
  emit changed();
}

void RestaurantSale::oslobodiSto() {
  setStatus(QString());
  if (m_trenutniSto != 0) {
    const auto freed = m_repo.freeEmptyTable(m_trenutniSto);
    if (!freed) {
      setStatus(kGreskaOslobadjanja);
    } else if (!*freed) {
      setStatus(QStringLiteral("STO NIJE PRAZAN!"));
    } else {
      readTables();
      showTable(m_tables.isEmpty() ? 0 : m_tables.first().brstola);
    }
  }
  if (entryEnabled)
    emit focusEntry();
}

void RestaurantSale::narudzbina() {
  setStatus(QString());
  if (m_trenutniSto == 0) {
    m_prompt.messageDialog(QStringLiteral("Greska"), QStringLiteral("Prvo morate otvoriti neki sto!"));
    return;
  }
  if (!showOrders || !showOrders(m_trenutniSto)) {
    setStatus(QStringLiteral("PROBLEM U TOKU OTVARANJA NARUDZBINA"));
    return;
  }
  refreshTable();
  emit focusEntry();
}

// ------------------------------------------------------------------ payments

void RestaurantSale::gotovinaKey() {
  m_keys.gotovina(edtUnosRest);
}

void RestaurantSale::cekKey() {
  m_keys.cek(edtUnosRest);
}

void RestaurantSale::karticaKey() {
  m_keys.kartica(edtUnosRest);
}

void RestaurantSale::delKey() {
  m_keys.del();
}

QString RestaurantSale::terminalAmountRequested() {
  return m_keys.terminalAmountRequested();
}

void RestaurantSale::terminalTransactionStarted() {
  m_keys.terminalTransactionStarted();
}

void RestaurantSale::terminalTransactionFailed() {
  m_keys.terminalTransactionFailed();
}

void RestaurantSale::terminalResult(bool approved, const QString &cardType, const QString &reference,
                                    const QString &cardNumber) {
  m_keys.terminalResult(approved, cardType, reference, cardNumber);
}

// ------------------------------------------------------------------ the receipt

std::optional<StavkeRacuna> RestaurantSale::buildSettlement() {
  const auto lines = m_repo.lines(m_trenutniSto);
  if (!lines)
    return std::nullopt;
  return tableReceipt(opening(), *lines, m_pay, approvedCard(), m_settings.device());
}

std::optional<StavkeRacuna> RestaurantSale::buildEmptying() {
  const auto lines = m_repo.lines(m_trenutniSto);
  if (!lines)
    return std::nullopt;
  StavkeRacuna s{opening()};
  QList<Racun> sales, voids;
  for (const TableLine &l : *lines) {
    s.push_back(tableLineStep(l));
    (l.storno ? voids : sales).append(s.back());
  }
  // Each void already on the table cancels the first sale of the same code and the
  // opposite quantity; every sale left gets a void of its own.
  for (const Racun &sale : sales) {
    const auto match = std::find_if(voids.begin(), voids.end(), [&](const Racun &v) {
      return v.sifra == sale.sifra && -v.kolicina == sale.kolicina;
    });
    if (match != voids.end()) {
      voids.erase(match);
      continue;
    }
    const auto amount = roundedAmount(sale.kolicina, sale.cena);
    if (!amount)
      return std::nullopt;
    Racun v = sale;
    v.rbrStavke = 0;
    v.kolicina = -sale.kolicina;
    v.iznos = -*amount;
    v.storno = 1;
    s.push_back(v);
  }
  if (!m_settings.device().closingBooksCash) {
    Racun cash;
    cash.operacija = Racun::Placanje;
    cash.nacinPlacanja = Racun::Gotovina;
    cash.iznosPlacanja = m_pay.gotovina;
    s.push_back(cash);
  }
  Racun end;
  end.operacija = Racun::Kraj;
  s.push_back(end);
  return s;
}

void RestaurantSale::sendFailed(bool reenable) {
  setStatus(kSlanje);
  if (reenable)
    enableControls();
}

void RestaurantSale::enterKey() {
  if (edtUnosRest.isEmpty())
    zbir();
}

void RestaurantSale::zbir() {
  if (!entryEnabled || m_trenutniSto == 0)
    return;
  if (m_engine.refusesSettlingTable(m_trenutniSto))
    return; // its paid lines are still on their way off the table
  m_keys.cekanjePrekinuto = false;
  setStatus(QString());
  entryEnabled = gridEnabled = false;
  emit changed();
  const auto lines = m_repo.lines(m_trenutniSto);
  if (!lines) {
    // Nothing was sent, so nobody else would open the screen again.
    sendFailed(true);
    return;
  }
  if (lines->isEmpty()) {
    enableControls(); // a table without lines has nothing to settle
    return;
  }
  // The receipt holds the lines as they are now (another till may have added some).
  Money total;
  for (const TableLine &l : *lines)
    total += l.iznos;
  m_pay.ukupno = total;
  const Money paid = m_pay.gotovina + m_pay.cek + m_pay.kartica;
  if (paid < total)
    m_pay.gotovina += total - paid; // the rest is paid in cash
  m_pay.refreshChange();
  const auto steps = buildSettlement();
  if (!steps) {
    sendFailed(true);
    return;
  }
  clearApprovedCard();
  m_pay.cardSettled();
  emit changed();
  m_engine.setSplitMode(false, false);
  m_engine.setTrenutniSto(m_trenutniSto);
  m_engine.startWholeReceipt(*steps);
}

void RestaurantSale::isprazniSto() {
  if (!entryEnabled || m_trenutniSto == 0)
    return;
  if (m_engine.refusesSettlingTable(m_trenutniSto))
    return; // its paid lines are still on their way off the table
  setStatus(QString());
  entryEnabled = gridEnabled = false;
  emit changed();
  const auto steps = buildEmptying();
  if (!steps) {
    sendFailed(true);
    return;
  }
  if (steps->size() <= 3) {
    enableControls(); // no line: nothing to cancel
    return;
  }
  m_engine.setSplitMode(false, false);
  m_engine.setTrenutniSto(m_trenutniSto);
  m_engine.startEmptyingReceipt(*steps);
}

// ------------------------------------------------------------------ other keys

void RestaurantSale::fiokaKey() {
  m_engine.OtvoriFioku();
}

namespace {
const char *kNotForModel = "Nije dostupno za model kase sa kojom radite!";
}

void RestaurantSale::slobodanTekstKey() {
  if (!m_settings.device().hasFreeText) {
    m_prompt.messageDialog(QStringLiteral("GRESKA"), QLatin1String(kNotForModel));
    return;
  }
  if (!showFreeText) {
    setStatus(QStringLiteral("Slobodan tekst jos nije dostupan"));
    return;
  }
  m_engine.freeTextStarting();
  showFreeText();
}

void RestaurantSale::racunKey() {
  if (showInvoices)
    showInvoices();
  else
    setStatus(QStringLiteral("Racuni jos nisu dostupni"));
}

void RestaurantSale::spajanjeKey() {
  if (receiptInProgress())
    return; // the table's lines are on their way to the device
  setStatus(QString());
  if (!showMerge) {
    setStatus(QStringLiteral("Spajanje stolova jos nije dostupno"));
    return;
  }
  if (showMerge())
    reloadTables(); // the emptied table has left the list; the receiving one shows its new total
  emit focusEntry();
}

void RestaurantSale::rastavljanjeKey() {
  if (receiptInProgress())
    return;
  if (m_lines.isEmpty()) {
    m_prompt.messageDialog(QStringLiteral("Greska"), QStringLiteral("Nijedan artikal nije unet!"));
    return;
  }
  if (!showSplit) {
    setStatus(QStringLiteral("Rastavljanje racuna jos nije dostupno"));
    return;
  }
  showSplit();
  emit focusEntry();
}

// ------------------------------------------------------------------ RestaurantScreen

void RestaurantSale::enableControls() {
  entryEnabled = gridEnabled = true;
  emit changed();
  emit focusEntry();
}

void RestaurantSale::enableEntryLine() {
  entryEnabled = true;
  emit changed();
  emit focusEntry();
}

int RestaurantSale::reloadTables() {
  readTables();
  bool stillHere = false;
  for (const RestaurantTable &t : m_tables)
    stillHere = stillHere || t.brstola == m_trenutniSto;
  const int sto = stillHere ? m_trenutniSto : (m_tables.isEmpty() ? 0 : m_tables.first().brstola);
  showTable(sto);
  return sto;
}

void RestaurantSale::resetAmounts(Money remainingTotal) {
  const Money total = readLines(m_trenutniSto, remainingTotal);
  m_pay.clear();
  m_pay.ukupno = total;
  emit changed();
}

void RestaurantSale::setTotal(Money total) {
  m_pay.ukupno = readLines(m_trenutniSto, total);
  m_pay.refreshChange();
  emit changed();
}
