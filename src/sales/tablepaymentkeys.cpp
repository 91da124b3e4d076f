#include "sales/tablepaymentkeys.h"

#include "engine/racun.h"

namespace {
const QString kPogresanBroj = QStringLiteral("POGRESAN BROJ");
constexpr int kCardField = 30; // the hidden card fields hold at most 30 characters
} // namespace

void TablePaymentKeys::gotovina(const QString &entry) {
  if (entry.isEmpty())
    return;
  if (const auto amount = Money::parse(entry)) {
    pay.gotovina = *amount;
    pay.refreshChange();
    m_window.entryTaken();
  } else {
    m_window.setStatus(kPogresanBroj);
  }
  m_window.changed();
}

void TablePaymentKeys::cek(const QString &entry) {
  cardOrCheque(Racun::Cek, entry);
}

void TablePaymentKeys::kartica(const QString &entry) {
  cekanjePrekinuto = false;
  cardOrCheque(Racun::Kartica, entry);
}

// A cheque or card never pays more than is due and never gives change.
void TablePaymentKeys::cardOrCheque(int nacin, const QString &entry) {
  const bool card = nacin == Racun::Kartica;
  const bool typed = !entry.isEmpty();
  Money amount = pay.due(nacin);
  if (typed) {
    const auto value = Money::parse(entry);
    if (!value) {
      m_window.setStatus(kPogresanBroj);
      return;
    }
    amount = pay.capped(nacin, *value);
  }
  (card ? pay.kartica : pay.cek) = amount;
  pay.refreshChange();
  if (card) {
    pay.cardSettled(); // a new card amount replaces one that was waiting
    if (cardTerminal && !pay.kartica.isZero()) {
      pay.awaitCard(pay.kartica);
      m_window.setStatus(pay.swipePrompt());
    }
  }
  if (typed)
    m_window.entryTaken();
  m_window.changed();
}

void TablePaymentKeys::del() {
  if (!pay.cardPending())
    return;
  cekanjePrekinuto = true;
  m_window.setStatus(QString());
  m_window.beep();
  // "U redu" keeps the amount: it goes with the receipt, without terminal data.
  if (SalePayments::keepAbandonedCard(m_prompt))
    pay.cardSettled();
  else
    pay.dropPendingCard();
  m_window.changed();
}

QString TablePaymentKeys::terminalAmountRequested() {
  m_window.setStatus(SalePayments::sendingAmountText());
  return pay.kartica.text();
}

void TablePaymentKeys::terminalTransactionStarted() {
  m_window.setStatus(pay.transactionStartedText());
}

void TablePaymentKeys::terminalTransactionFailed() {
  m_window.setStatus(SalePayments::transactionFailedText());
}

void TablePaymentKeys::terminalResult(bool approved, const QString &cardType, const QString &reference,
                                      const QString &cardNumber) {
  if (cekanjePrekinuto || !pay.cardPending())
    return; // too late: the waiter gave up waiting, or the receipt went out meanwhile
  if (approved) {
    pay.cardSettled();
    m_window.storeCard(cardType.left(kCardField), reference.left(kCardField), cardNumber.left(kCardField));
    m_window.setStatus(SalePayments::approvedText());
    return;
  }
  m_window.setStatus(SalePayments::refusedText());
  pay.dropPendingCard(); // the card field back to 0,00 and the change with it
  m_window.changed();
}
