#pragma once

#include "data/tablerepository.h"
#include "engine/salescreens.h"
#include "sales/tablepaymentkeys.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class RestaurantSale;
class TransactionEngine;
class UserPrompt;

// One row of a split window's line lists: the table line's number (the hidden key) and
// its text.
struct SplitRow {
  int rbr = 0;
  QString text;
  friend bool operator==(const SplitRow &, const SplitRow &) = default;
};

// The text of a table line in the lists titled " KOL  ARTIKAL": the quantity with two
// decimals right-aligned in 5 characters, the code in 7, the name in 36, each followed
// by its blanks.
QString splitLineText(const TableLine &line);

// What both split-bill windows share (TFrmRastaviArt, TfrmRastaviTure): the lines chosen
// for payment (the right-hand list) and their total, the restaurant's payment keys, and
// the receipt of the chosen lines handed to the engine. The engine takes the paid lines
// off the table by their numbers and tells the window through SplitScreen.
class SplitBill : public QObject, public SplitScreen {
  Q_OBJECT
public:
  SplitBill(RestaurantSale &restaurant, Database &db, TransactionEngine &engine, UserPrompt &prompt,
            QObject *parent = nullptr);

  // --- state the window shows ---
  QString edtUnosRest;
  QString edtStatusRest() const { return m_status; }
  QString lblUkupno() const { return m_keys.pay.ukupno.text(); }
  QString edtGotovina() const { return m_keys.pay.gotovina.text(); }
  QString edtCek() const { return m_keys.pay.cek.text(); }
  QString edtKartica() const { return m_keys.pay.kartica.text(); }
  QString edtPovracaj() const { return m_keys.pay.povracaj.text(); }
  // The lines to pay now.
  const QList<SplitRow> &chosen() const { return m_chosen; }
  bool entryEnabled = true; // edtUnosRest
  bool listsEnabled = true;
  int trenutniSto() const { return m_sto; }
  bool cekanjePrekinuto() const { return m_keys.cekanjePrekinuto; }
  bool receiptInProgress() const { return !entryEnabled; }

  // --- operations ---
  // "&RASTAVLJANJE": fills the lists for the restaurant's current table and makes this the
  // active sale window. False when there is nothing to split (the "Nijedan artikal nije
  // unet!" dialog was shown) or the table could not be read: the window is not shown.
  bool open();
  // Asked to close: refused (false) while the receipt is being sent; otherwise the window
  // stops being the sale window and the restaurant shows its table again.
  bool requestClose();
  void setEntry(const QString &text) { edtUnosRest = text; }
  void enterKey();    // Enter: pays with an empty entry line, else nothing
  void zbir();        // "ZBIR (ENTER)", F12
  void gotovinaKey(); // numeric-pad +
  void cekKey();      // F3
  void karticaKey();  // F4
  void delKey();      // abandon the card-terminal wait
  void racunKey();    // F9
  void setStatus(const QString &text);

  // The card terminal while this window is the sale window.
  QString terminalAmountRequested() { return m_keys.terminalAmountRequested(); }
  void terminalTransactionStarted() { m_keys.terminalTransactionStarted(); }
  void terminalTransactionFailed() { m_keys.terminalTransactionFailed(); }
  void terminalResult(bool approved, const QString &cardType, const QString &reference,
                      const QString &cardNumber) {
    m_keys.terminalResult(approved, cardType, reference, cardNumber);
  }

  // F9: the invoices window, once there is one.
  std::function<void()> showInvoices;

  // --- SplitScreen ---
  void enableControls() override;
  void reloadLines() override;
  void resetAfterReceipt() override;

signals:
  void changed();
  void beep();
  void focusEntry();

protected:
  // The window's own lists for table m_sto; false when they could not be read.
  virtual bool fillLists() = 0;
  // Nothing on the table to split.
  virtual bool nothingToSplit() const = 0;
  // Which engine flag this window stands for.
  virtual bool byArticles() const = 0;
  // The table's lines again, after the engine took some off.
  virtual void linesChanged(const QList<TableLine> &lines) = 0;
  // The total of the chosen lines (0 when there are none or it cannot be read).
  void chosenChanged();
  static QList<SplitRow> rowsOf(const QList<TableLine> &lines);
  // The table's lines without those a paid receipt took off in a step still waiting for the server.
  QList<TableLine> onTable(QList<TableLine> lines) const;

  RestaurantSale &m_restaurant;
  TableRepository m_repo;
  TransactionEngine &m_engine;
  UserPrompt &m_prompt;
  TablePaymentKeys m_keys;
  QList<SplitRow> m_chosen;
  int m_sto = 0;
  QString m_status;
};

// TFrmRastaviArt: the waiter moves single lines between the lines still on the table
// (ListArt) and the lines to pay now (ListArtStampa).
class ArticleSplit : public SplitBill {
  Q_OBJECT
public:
  using SplitBill::SplitBill;

  const QList<SplitRow> &remaining() const { return m_left; }
  bool canMoveRight() const { return listsEnabled && !m_left.isEmpty(); }  // ">>>"
  bool canMoveLeft() const { return listsEnabled && !m_chosen.isEmpty(); } // "<<<"
  // The row moves to the end of the other list; the total follows.
  void moveRight(int row);
  void moveLeft(int row);

  void resetAfterReceipt() override;

protected:
  bool fillLists() override;
  bool nothingToSplit() const override { return m_left.isEmpty(); }
  bool byArticles() const override { return true; }
  void linesChanged(const QList<TableLine> &lines) override;

private:
  QList<SplitRow> m_left;
};

// TfrmRastaviTure: the waiter picks one round (ListTure) and pays all of its lines
// (ListTuraStampa).
class RoundSplit : public SplitBill {
  Q_OBJECT
public:
  using SplitBill::SplitBill;

  // "1" to the table's last round.
  QStringList rounds() const;
  int selectedRound() const { return m_round; } // 0: none chosen
  // Double click on a round: its lines become the lines to pay.
  void chooseRound(int index);

  int selectedRoundIndex() const override { return m_round - 1; }
  void refillRounds(int maxTura) override;
  void resetAfterReceipt() override;

protected:
  bool fillLists() override;
  bool nothingToSplit() const override { return m_lastRound == 0; }
  bool byArticles() const override { return false; }
  void linesChanged(const QList<TableLine> &lines) override;

private:
  int m_lastRound = 0;
  int m_round = 0;
};
