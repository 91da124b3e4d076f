#pragma once

#include "data/receiptrepository.h"
#include "engine/racun.h"

#include <QList>

// What the engine asks of the sale screens. Screen models implement these; the
// engine never touches a widget. Every call is a state change the window shows.

// TForm2, the retail sale screen.
class RetailScreen {
public:
  virtual ~RetailScreen() = default;
  virtual bool isVisible() const = 0;
  // Enables the entry line; gives it the focus when the screen is visible.
  virtual void enableEntryLine() = 0;
  // Takes the failed (last) line off the grid: sledeciRed -= 1 (when onlyAboveOne,
  // only while it is above 1), total -= the row's amount, change := cheque + card +
  // cash - total, the row emptied, the entry line enabled and focused.
  virtual void takeLastLineOff(bool onlyAboveOne) = 0;
  // After a completed receipt: grid rows emptied, quantity "1,000", sledeciRed := 1,
  // amount fields "0,00", entry line emptied and focused when visible.
  virtual void resetAfterReceipt() = 0;
  // The status field (e.g. "ARTIKAL SE NE NALAZI U BAZI KASE").
  virtual void showStatus(const QString &text) = 0;
  // NapuniNastavakRacun: the grid shows these stored lines from row 1, the total
  // their sum, the change minus the total; sledeciRed := lines.size() + 1.
  virtual void loadStoredReceipt(const QList<SoldLine> &lines) = 0;
  // Steps wait for a server out of reach (0: none any more); the status line says so.
  virtual void showDatabaseOutage(int waiting) { (void)waiting; }
};

// TfrmRestoran, the restaurant tables screen.
class RestaurantScreen {
public:
  virtual ~RestaurantScreen() = default;
  // Table grid and entry line enabled, entry line focused (receipt ended or abandoned).
  virtual void enableControls() = 0;
  // The entry line alone (article memory full).
  virtual void enableEntryLine() = 0;
  // STOST and STOLOVI re-read; returns BRSTOLA of the tables' current row (the new trenutniSto).
  virtual int reloadTables() = 0;
  // Cheque, card, cash and change fields "0,00", total := remainingTotal.
  virtual void resetAmounts(Money remainingTotal) = 0;
  // Only the total field (after "Nastavi" took the accepted lines off the table).
  virtual void setTotal(Money total) = 0;
  // Steps wait for a server out of reach (0: none any more); the screen says so.
  virtual void showDatabaseOutage(int waiting) { (void)waiting; }
  // Steps that waited wrote tables' bookkeeping: the tables and lines are read again.
  virtual void tablesWritten() {}
};

// The two split-bill screens (by articles, by rounds).
class SplitScreen {
public:
  virtual ~SplitScreen() = default;
  // Lists and entry line enabled.
  virtual void enableControls() = 0;
  // STOST re-read after lines of the table were deleted.
  virtual void reloadLines() = 0;
  // Amount fields "0,00", lists and entry line enabled, the list of lines to pay emptied.
  virtual void resetAfterReceipt() = 0;
  // Split by rounds: index of the selected round (round number - 1).
  virtual int selectedRoundIndex() const { return 0; }
  // Split by rounds: the list of rounds becomes "1".."maxTura".
  virtual void refillRounds(int maxTura) { (void)maxTura; }
};
