#include "sales/splitbill.h"

#include "common/localetext.h"
#include "engine/transactionengine.h"
#include "engine/userprompt.h"
#include "sales/restaurantsale.h"
#include "sales/tablereceipt.h"

#include <QSet>

namespace {
const QString kSlanje = QStringLiteral("DOSLO JE DO PROBLEMA PRILIKOM SLANJA RACUNA NA KASU");

QSet<int> keysOf(const QList<SplitRow> &rows) {
  QSet<int> keys;
  for (const SplitRow &r : rows)
    keys.insert(r.rbr);
  return keys;
}
} // namespace

QString splitLineText(const TableLine &line) {
  const QString kol = LocaleText::number(line.kolicina.toDouble(), 2);
  return kol.rightJustified(5, QLatin1Char(' ')) + QStringLiteral("  ") +
         line.sifra.leftJustified(7, QLatin1Char(' ')) + QStringLiteral("  ") +
         line.naziv.leftJustified(36, QLatin1Char(' ')) + QLatin1Char(' ');
}

SplitBill::SplitBill(RestaurantSale &restaurant, Database &db, TransactionEngine &engine, UserPrompt &prompt,
                     QObject *parent)
    : QObject(parent), m_restaurant(restaurant), m_repo(db), m_engine(engine), m_prompt(prompt),
      m_keys(prompt, {[this](const QString &text) { setStatus(text); },
                      [this] {
                        edtUnosRest.clear();
                        emit focusEntry();
                        emit beep();
                      },
                      [this] { emit changed(); }, [this] { emit beep(); },
                      [this](const QString &type, const QString &reference, const QString &number) {
                        // Approved card data always go to the restaurant screen's hidden fields.
                        m_restaurant.edtTipKart = type;
                        m_restaurant.edtTransakcija = reference;
                        m_restaurant.edtBrojKart = number;
                      }}) {}

QList<SplitRow> SplitBill::rowsOf(const QList<TableLine> &lines) {
  QList<SplitRow> rows;
  for (const TableLine &l : lines)
    rows.append({l.rbr, splitLineText(l)});
  return rows;
}

QList<TableLine> SplitBill::onTable(QList<TableLine> lines) const {
  const QSet<int> leaving = m_engine.linesLeavingTable(m_sto);
  lines.removeIf([&](const TableLine &l) { return leaving.contains(l.rbr); });
  return lines;
}

void SplitBill::setStatus(const QString &text) {
  m_status = text;
  emit changed();
}

bool SplitBill::open() {
  m_sto = m_restaurant.trenutniSto();
  m_status.clear();
  edtUnosRest.clear();
  m_chosen.clear();
  m_keys.pay.clear();
  m_keys.cardTerminal = m_restaurant.settings().cardTerminal;
  m_keys.cekanjePrekinuto = false;
  entryEnabled = listsEnabled = true;
  m_engine.setSplitMode(byArticles(), !byArticles());
  if (m_sto == 0 || !fillLists()) {
    m_engine.setSplitMode(false, false); // unreadable: nothing shown, nothing said
    return false;
  }
  if (nothingToSplit()) {
    m_engine.setSplitMode(false, false);
    m_prompt.messageDialog(QStringLiteral("Greska"), QStringLiteral("Nijedan artikal nije unet!"));
    return false;
  }
  m_engine.setSplitScreen(this);
  emit changed();
  return true;
}

bool SplitBill::requestClose() {
  if (receiptInProgress())
    return false;
  m_engine.setSplitMode(false, false);
  m_engine.setSplitScreen(nullptr);
  m_restaurant.refreshTable();
  return true;
}

void SplitBill::chosenChanged() {
  QList<int> keys;
  for (const SplitRow &r : m_chosen)
    keys.append(r.rbr);
  m_keys.pay.ukupno = m_repo.sumOfLines(m_sto, keys).value_or(Money());
  m_keys.pay.refreshChange();
  emit changed();
  emit focusEntry();
}

void SplitBill::enterKey() {
  if (edtUnosRest.isEmpty())
    zbir();
}

void SplitBill::zbir() {
  if (!entryEnabled)
    return;
  m_keys.cekanjePrekinuto = false;
  setStatus(QString());
  if (m_engine.refusesSettlingTable(m_sto))
    return; // its paid lines are still on their way off the table
  const auto lines = m_repo.lines(m_sto);
  if (!lines) {
    setStatus(kSlanje); // nothing was sent
    return;
  }
  // The chosen lines as they stand now: one another till took off meanwhile is not paid
  // twice, and a line added meanwhile stays for a later receipt.
  const QSet<int> keys = keysOf(m_chosen);
  QList<TableLine> paid;
  Money total;
  for (const TableLine &l : *lines) {
    if (keys.contains(l.rbr)) {
      paid.append(l);
      total += l.iznos;
    }
  }
  if (paid.isEmpty())
    return; // nothing chosen
  // What cheque, card and cash leave unpaid is paid in cash, as when the whole table is
  // settled: a Taliro or Selvio closes a receipt only once its payments cover it, and a
  // zero cash payment would leave this one open on the device.
  m_keys.pay.ukupno = total;
  const Money paidSoFar = m_keys.pay.gotovina + m_keys.pay.cek + m_keys.pay.kartica;
  if (paidSoFar < total)
    m_keys.pay.gotovina += total - paidSoFar;
  m_keys.pay.refreshChange();
  const StavkeRacuna steps = tableReceipt(m_restaurant.opening(), paid, m_keys.pay,
                                          m_restaurant.approvedCard(), m_restaurant.settings().device());
  m_restaurant.clearApprovedCard();
  m_keys.pay.cardSettled();
  entryEnabled = listsEnabled = false;
  emit changed();
  m_engine.setSplitMode(byArticles(), !byArticles());
  m_engine.setSplitScreen(this);
  m_engine.setTrenutniSto(m_sto);
  m_engine.startWholeReceipt(steps);
}

void SplitBill::gotovinaKey() {
  m_keys.gotovina(edtUnosRest);
}

void SplitBill::cekKey() {
  m_keys.cek(edtUnosRest);
}

void SplitBill::karticaKey() {
  m_keys.kartica(edtUnosRest);
}

void SplitBill::delKey() {
  m_keys.del();
}

void SplitBill::racunKey() {
  if (showInvoices)
    showInvoices();
  else
    setStatus(QStringLiteral("Racuni jos nisu dostupni"));
}

void SplitBill::enableControls() {
  entryEnabled = listsEnabled = true;
  emit changed();
  emit focusEntry();
}

void SplitBill::reloadLines() {
  // Unreadable: the lists stay as they are until the next read.
  if (const auto lines = m_repo.lines(m_sto))
    linesChanged(onTable(*lines));
  emit changed();
}

void SplitBill::resetAfterReceipt() {
  m_keys.pay.clear();
  m_chosen.clear();
  enableControls();
}

// ------------------------------------------------------------------ by articles

bool ArticleSplit::fillLists() {
  const auto lines = m_repo.lines(m_sto);
  if (!lines)
    return false;
  m_left = rowsOf(onTable(*lines));
  return true;
}

void ArticleSplit::moveRight(int row) {
  if (!listsEnabled || row < 0 || row >= m_left.size())
    return; // an empty list has nothing to move
  m_chosen.append(m_left.takeAt(row));
  chosenChanged();
}

void ArticleSplit::moveLeft(int row) {
  if (!listsEnabled || row < 0 || row >= m_chosen.size())
    return;
  m_left.append(m_chosen.takeAt(row));
  chosenChanged();
}

void ArticleSplit::linesChanged(const QList<TableLine> &lines) {
  const QSet<int> chosen = keysOf(m_chosen);
  QSet<int> present;
  m_left.clear();
  for (const TableLine &l : lines) {
    present.insert(l.rbr);
    if (!chosen.contains(l.rbr))
      m_left.append({l.rbr, splitLineText(l)});
  }
  m_chosen.removeIf([&](const SplitRow &r) { return !present.contains(r.rbr); });
}

void ArticleSplit::resetAfterReceipt() {
  // Chosen lines the device did not take (a step given up) go back with the rest.
  const QList<SplitRow> unpaid = m_chosen;
  SplitBill::resetAfterReceipt();
  if (const auto lines = m_repo.lines(m_sto)) {
    m_left = rowsOf(onTable(*lines));
  } else {
    const QSet<int> leaving = m_engine.linesLeavingTable(m_sto);
    for (const SplitRow &r : unpaid)
      if (!leaving.contains(r.rbr))
        m_left.append(r);
  }
  emit changed();
}

// ------------------------------------------------------------------ by rounds

bool RoundSplit::fillLists() {
  const auto last = m_repo.lastRound(m_sto);
  if (!last)
    return false;
  m_lastRound = *last;
  m_round = 0;
  return true;
}

QStringList RoundSplit::rounds() const {
  QStringList out;
  for (int r = 1; r <= m_lastRound; ++r)
    out << QString::number(r);
  return out;
}

void RoundSplit::chooseRound(int index) {
  if (!listsEnabled || index < 0 || index >= m_lastRound)
    return;
  m_round = index + 1;
  m_chosen = rowsOf(onTable(m_repo.roundLines(m_sto, m_round).value_or({})));
  chosenChanged();
}

void RoundSplit::refillRounds(int maxTura) {
  m_lastRound = maxTura;
  m_round = 0;
  emit changed();
}

void RoundSplit::resetAfterReceipt() {
  SplitBill::resetAfterReceipt();
  m_round = 0;
  emit changed();
}

void RoundSplit::linesChanged(const QList<TableLine> &lines) {
  QSet<int> present;
  for (const TableLine &l : lines)
    present.insert(l.rbr);
  m_chosen.removeIf([&](const SplitRow &r) { return !present.contains(r.rbr); });
}
