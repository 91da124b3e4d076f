#pragma once

#include "data/tablerepository.h"
#include "device/deviceprofile.h"
#include "engine/racun.h"
#include "engine/salescreens.h"
#include "sales/tablepaymentkeys.h"
#include "sales/tablereceipt.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Database;
class Scheduler;
class TransactionEngine;
class UserPrompt;

// Settings the restaurant screen reads from the configuration's live values.
struct RestaurantSettings {
  int model = 1;
  bool cardTerminal = false; // cbPos is not "NE KORISTI SE"

  const DeviceProfile &device() const { return DeviceProfile::of(model); }
};

// TfrmRestoran's model: the waiter's tables, the lines of the current table, its
// total and the four payment fields, the entry line and the status line. Orders
// stay on the table (STOST) until the table is settled or emptied as one whole
// receipt handed to the engine. The window shows this state and maps keys and
// buttons to these operations; the engine reaches it through RestaurantScreen.
class RestaurantSale : public QObject, public RestaurantScreen {
  Q_OBJECT
public:
  static constexpr int kStatusMs = 3000;

  RestaurantSale(Database &db, TransactionEngine &engine, UserPrompt &prompt, Scheduler &scheduler,
                 QObject *parent = nullptr);

  void setSettings(const RestaurantSettings &s) {
    m_settings = s;
    m_keys.cardTerminal = s.cardTerminal;
  }
  const RestaurantSettings &settings() const { return m_settings; }

  // --- state the window shows ---
  QString edtUnosRest;
  // The status line; steps waiting for the server stay after it until they are written.
  QString edtStatusRest() const {
    return m_outage.isEmpty() ? m_status
                              : (m_status.isEmpty() ? m_outage : m_status + QStringLiteral("   ") + m_outage);
  }
  QString lblUkupno() const { return m_pay.ukupno.text(); }
  QString edtGotovina() const { return m_pay.gotovina.text(); }
  QString edtCek() const { return m_pay.cek.text(); }
  QString edtKartica() const { return m_pay.kartica.text(); }
  QString edtPovracaj() const { return m_pay.povracaj.text(); }
  const SalePayments &payments() const { return m_pay; }
  // The hidden card fields the terminal fills on approval (at most 30 characters each).
  QString edtBrojKart, edtTipKart, edtTransakcija;
  bool entryEnabled = true; // edtUnosRest
  bool gridEnabled = true;  // DBGridStolovi
  bool poArtiklima = false; // rba "Po artiklima" instead of rbt "Po narudzbinama"

  const QList<RestaurantTable> &tables() const { return m_tables; }
  int currentRow() const { return m_row; }
  const QList<TableLine> &lines() const { return m_lines; }
  int trenutniSto() const { return m_trenutniSto; }
  // The logged-in waiter (KONOBARI.RBR): owner of the tables shown, operator of the receipts.
  int waiter() const { return m_waiter; }
  // cekanjePrekinuto: the operator gave up waiting for the terminal (Del).
  bool cekanjePrekinuto() const { return m_keys.cekanjePrekinuto; }
  // A receipt is being sent: the screen cannot be closed.
  bool receiptInProgress() const { return !entryEnabled; }

  // --- operations ---
  // The main menu's "&RESTORAN" or TForm4: only this waiter's tables, the first current,
  // the amounts "0,00" and its total.
  void showWaiter(int rbr);
  // Opening the screen: status emptied, the current table shown, the unfinished-receipt
  // check (models 1, 2, 3, 5) or the status request (model 4), the waiter's opening step.
  void open();
  // Asked to close: refused (false) while a receipt is being sent; otherwise restaurant
  // mode ends.
  bool requestClose();
  void setEntry(const QString &text) { edtUnosRest = text; }
  void selectRow(int row); // a click in the tables grid
  void enterKey();         // Enter: settles with an empty entry line, else nothing
  void zbir();             // "ZBIR (ENTER)": settle the table
  void isprazniSto();      // "&ISPRAZNI STO"
  void otvoriSto();        // F8
  void oslobodiSto();      // "&OSLOBODI STO"
  void narudzbina();       // Ins
  void gotovinaKey();      // numeric-pad +
  void cekKey();           // F3
  void karticaKey();       // F4
  void delKey();           // abandon the card-terminal wait
  void fiokaKey();         // F11
  void slobodanTekstKey(); // "SLOBODAN &TEKST"
  void racunKey();         // F9
  void spajanjeKey();      // "&SPAJANJE STOLOVA"
  void rastavljanjeKey();  // "&RASTAVLJANJE"
  void setStatus(const QString &text);
  // Re-reads the lines and the total of the current table (after orders were taken).
  void refreshTable();
  // Another till changed tables or their lines: the waiter's tables and the current
  // table are read again; the amounts typed stay, the change follows the new total.
  // Nothing moves while a receipt is being sent (its end reads them anyway).
  void changedElsewhere();

  // The card terminal while restaurant mode is on: the amount asked for is the card field.
  QString terminalAmountRequested();
  void terminalTransactionStarted();
  void terminalTransactionFailed();
  void terminalResult(bool approved, const QString &cardType, const QString &reference,
                      const QString &cardNumber);

  // --- what the window layer supplies ---
  // The orders window for the table (TfrmNarudzbina), modal; false when the table's
  // rounds could not be read and nothing was shown.
  std::function<bool(int brstola)> showOrders;
  // The free-table picker (TfrmOtvSto): the chosen table or nothing; empty until it exists.
  std::function<std::optional<int>()> pickFreeTable;
  std::function<void()> showFreeText, showInvoices, showSplit;
  // The merge window (TfrmSpajanje), modal; true when two tables were merged.
  std::function<bool()> showMerge;

  // --- RestaurantScreen ---
  void enableControls() override;
  void enableEntryLine() override;
  int reloadTables() override;
  void resetAmounts(Money remainingTotal) override;
  void setTotal(Money total) override;
  void showDatabaseOutage(int waiting) override;
  void tablesWritten() override { changedElsewhere(); }

  // The whole receipt of settling a table as the engine takes it (stavkeRacuna).
  // Public for the tests; nothing when the lines cannot be read.
  std::optional<StavkeRacuna> buildSettlement();
  // The opening step of a receipt of the logged-in waiter, now.
  Racun opening() const;
  // What the terminal approved, from the hidden fields.
  CardDetails approvedCard() const { return {edtBrojKart, edtTipKart, edtTransakcija}; }
  void clearApprovedCard() {
    edtBrojKart.clear();
    edtTipKart.clear();
    edtTransakcija.clear();
  }
  // The voiding receipt of "ISPRAZNI STO".
  std::optional<StavkeRacuna> buildEmptying();

signals:
  void changed(); // any field, grid, label or mode
  void beep();
  void focusEntry();

private:
  void showTable(int brstola); // trenutniSto := brstola, lines, total, payment fields "0,00"
  void readTables();
  // The table's lines as this till knows them; gives the total shown (total: the database's).
  // Lines a paid receipt took off in a step still waiting for the server are gone here
  // already, and while steps wait the lines read last stay when the server cannot be read.
  Money readLines(int brstola, const DbResult<Money> &total);
  void sendFailed(bool reenable);

  TableRepository m_repo;
  TransactionEngine &m_engine;
  UserPrompt &m_prompt;
  Scheduler &m_scheduler;
  RestaurantSettings m_settings;
  TablePaymentKeys m_keys;
  SalePayments &m_pay = m_keys.pay;
  QList<RestaurantTable> m_tables;
  QList<TableLine> m_lines;
  int m_row = -1;
  int m_trenutniSto = 0;
  int m_linesOf = 0; // the table m_lines were read for
  int m_waiter = 0;
  QString m_status;
  QString m_outage;
  quint64 m_statusTask = 0;
};
