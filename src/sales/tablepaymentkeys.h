#pragma once

#include "sales/salepayments.h"

#include <QString>

#include <functional>

class UserPrompt;

// The payment keys of the restaurant windows (the tables screen and both split-bill
// windows): cash, cheque and card only fill the fields against the window's total, the
// card may wait for the terminal, Del gives that wait up. Nothing is sent; the window's
// receipt takes the fields when it is settled.
class TablePaymentKeys {
public:
  // What the keys change on the window that owns them.
  struct Window {
    std::function<void(const QString &)> setStatus;
    std::function<void()> entryTaken; // the entry line emptied and focused, a beep
    std::function<void()> changed;
    std::function<void()> beep;
    // An approved card's data: the restaurant screen's hidden fields, whichever window asked.
    std::function<void(const QString &type, const QString &reference, const QString &number)> storeCard;
  };

  TablePaymentKeys(UserPrompt &prompt, Window window) : m_prompt(prompt), m_window(std::move(window)) {}

  SalePayments pay{QStringLiteral("DEL")};
  bool cardTerminal = false; // a terminal is configured
  // cekanjePrekinuto: the waiter gave up waiting for the terminal (Del).
  bool cekanjePrekinuto = false;

  void gotovina(const QString &entry); // numeric-pad +
  void cek(const QString &entry);      // F3
  void kartica(const QString &entry);  // F4
  void del();                          // abandon the terminal's wait

  QString terminalAmountRequested();
  void terminalTransactionStarted();
  void terminalTransactionFailed();
  void terminalResult(bool approved, const QString &cardType, const QString &reference,
                      const QString &cardNumber);

private:
  void cardOrCheque(int nacin, const QString &entry);

  UserPrompt &m_prompt;
  Window m_window;
};
