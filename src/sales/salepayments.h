#pragma once

#include "common/money.h"

#include <QString>

class UserPrompt;

// The payment fields every sale screen shows (cash, cheque, card and the change
// against the total) and its wait for the card terminal. The retail screen sends
// each payment as it is keyed; the restaurant and split screens only fill the
// fields and send them with the whole receipt.
class SalePayments {
public:
  // The key that abandons the terminal's wait, named in the prompts: "ESC" on the
  // retail screen, "DEL" on the restaurant windows.
  explicit SalePayments(const QString &abandonKey) : m_abandonKey(abandonKey) {}

  Money ukupno;
  Money gotovina;
  Money cek;
  Money kartica;
  Money povracaj;

  // All fields "0,00", nothing waits for the terminal.
  void clear();
  // The change is always cash + cheque + card - total.
  void refreshChange() { povracaj = cek + kartica + gotovina - ukupno; }
  // What a cheque or card payment may pay at most: the total less the other of the two.
  Money due(int nacin) const;
  // A typed amount capped as a cheque or card never gives change: above what is due,
  // or negative, it pays what is due.
  Money capped(int nacin, Money typed) const;

  // --- the card terminal's wait ---
  bool cardPending() const { return m_cardPending; }
  Money cardPendingAmount() const { return m_cardAmount; }
  // amount (already in the card field) waits for the terminal's answer.
  void awaitCard(Money amount);
  // Approved, or kept by the operator: the amount stays in the card field.
  void cardSettled();
  // Refused or given up: the waiting amount leaves the card field, the change follows.
  void dropPendingCard();

  QString swipePrompt() const;
  QString transactionStartedText() const;
  static QString transactionFailedText() { return QStringLiteral("TRANSAKCIJA NIJE USPELA"); }
  static QString sendingAmountText() { return QStringLiteral("SALJEM IZOS"); }
  static QString approvedText() { return QStringLiteral(" AUTORIZOVANO"); }
  static QString refusedText() { return QStringLiteral(" GRESKA U AUTORIZACIJI"); }
  // The "PREKID" question after the wait was abandoned; true ("U redu") keeps the payment.
  static bool keepAbandonedCard(UserPrompt &prompt);

private:
  QString m_abandonKey;
  bool m_cardPending = false;
  Money m_cardAmount;
};
