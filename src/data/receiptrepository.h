#pragma once

#include "common/money.h"
#include "data/dbresult.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

class Database;

// A receipt's key: RACUNI (GODINA, BROJ), PRODATO (godina, brrac), RATE (GODINA, BROJ).
struct ReceiptId {
  int godina = 0;
  int broj = 0;
};

// What the first confirmed step of a receipt knows of its RACUNI row.
struct ReceiptHeader {
  ReceiptId id;
  QDate datum;
  QTime vreme;
  int sifoper = 0;       // KONOBARI.RBR of the cashier or waiter
  int brstola = 0;       // the table in restaurant mode, else 0
  bool restoran = false; // REZIM 1
  QString kasa;          // RACUNI.KASA: the till writing it; empty writes NULL
  // The RACUNI row exists and is this till's: written by it, or a stored receipt taken up
  // again. Until then id.broj is only the number the receipt hopes for.
  bool stored = false;
};

// One PRODATO row.
struct SoldLine {
  QString sifra;
  QString barkod;
  QString naziv;
  Money cena;
  Quantity prodato;
  Money iznos;
  int stopa = 0;
  bool storno = false;
};

// One RATE row's own values; the receipt, its number and the date come from the call.
struct PaymentRow {
  int nacin = 0; // 0 cash, 1 cheque, 2 card
  Money iznos;
  QString brojKartice;
  QString tipKartice;
  QString brojTransakcije;
};

// The year's last receipt (highest BROJ) and its STATUS.
struct LastReceipt {
  int broj = 0;
  int status = 1;
};

// RACUNI, PRODATO and RATE: receipts, their sold lines and their payments. Writes
// that belong together run inside the caller's unit (Database::inTransaction);
// keys "largest + 1" are taken inside it.
//
// Several tills on one server may take the same number at once. The keys (RACUNI
// godina+broj, PRODATO rbr, RATE godina+broj+rbr) refuse the second insert and the
// insert is retried with the next number, rather than handing numbers out from a locked
// counter row: a counter would be one more table every writer of these rows (imports,
// restores, older data) must keep in step, and its row lock would be held by each till
// until its step commits, which makes every till wait for the others even when they
// would not have collided; the retry costs only the rare collision.
class ReceiptRepository {
public:
  explicit ReceiptRepository(Database &db) : m_db(db) {}

  // --- numbering ---
  // Largest PRODATO.BRRAC of the year + 1; 1 when the year has none.
  DbResult<int> nextReceiptNumber(int godina);
  // Largest PRODATO.rbr + 1 over the whole table; 1 when it is empty.
  DbResult<int> nextLineNumber();

  // --- a receipt being written ---
  // Inserts the RACUNI row of a receipt not yet stored (defaults from the record rules)
  // and marks it stored. When another till holds the number already, the receipt takes
  // the year's next free one: header.id.broj is then the number it got.
  DbResult<> insertHeader(ReceiptHeader &header);
  DbResult<bool> exists(ReceiptId id);
  // Inserts a PRODATO row of the receipt dated datum.
  DbResult<> addLine(ReceiptId id, const QDate &datum, const SoldLine &line);
  // Inserts a RATE row of the receipt dated datum.
  DbResult<> addPayment(ReceiptId id, const QDate &datum, const PaymentRow &payment);
  // RACUNI.CEK, KARTICA or GOTOVINA (by nacin) grows by iznos.
  DbResult<> addToPaid(ReceiptId id, int nacin, Money iznos);
  // GOTOVINA := the sum of the sold lines minus CEK minus KARTICA, to the para.
  DbResult<> settleCash(ReceiptId id);
  DbResult<> setFiscalNumber(ReceiptId id, quint32 brfisis);
  // STATUS := 1, and the fiscal receipt number when given.
  DbResult<> markFinished(ReceiptId id, std::optional<quint32> brfisis = std::nullopt);

  // --- steps written once ---
  // The number of the receipt whose step id was written (0: the step stored no receipt);
  // nothing when the step was never written.
  DbResult<std::optional<int>> appliedStep(const QString &id);
  // Inside the step's unit: its id, so the same step is refused a second time.
  DbResult<> recordAppliedStep(const QString &id, ReceiptId receipt, const QDate &datum);
  // The ids of steps written before the day given (no till keeps a step waiting that long).
  DbResult<> forgetAppliedSteps(const QDate &before);

  // --- reading ---
  DbResult<std::optional<LastReceipt>> lastReceipt(int godina);
  // The year's last receipt of the till: its own (KASA) or one written before tills were
  // told apart. Another till's receipt in progress is that till's to finish.
  DbResult<std::optional<LastReceipt>> lastReceiptOf(int godina, const QString &kasa);
  // The receipt's PRODATO rows in their order.
  DbResult<QList<SoldLine>> lines(ReceiptId id);
  // Sum of the sold lines minus the sum of the payments.
  DbResult<Money> restAmount(ReceiptId id);
  // The sales not already voided by a line of the same code and the opposite quantity
  // (each void pairs with one sale only), in their order: what a cancellation reverses.
  // A sale is cut to what the receipt still holds of its article (a void that paired
  // with no sale took some back), and left out when nothing is held.
  DbResult<QList<SoldLine>> unvoidedSales(ReceiptId id);
  // How many PRODATO rows the receipt has.
  DbResult<int> lineCount(ReceiptId id);
  // The receipt's BRFISIS; 0 when none was stored.
  DbResult<quint32> fiscalNumber(ReceiptId id);
  // The largest BRFISIS stored; 0 when no receipt has one.
  DbResult<quint32> lastFiscalNumber();

  // --- cancelling ---
  // The payments of a cancelled receipt cleared: CEK, KARTICA, GOTOVINA 0, no RATE rows.
  DbResult<> clearPayments(ReceiptId id);
  // Storniraj: a reversal row dated today for every sale not already voided, their
  // stock given back, the payments cleared; STATUS is left to the caller. One unit:
  // on failure nothing of it is written.
  DbResult<> storniraj(ReceiptId id, const QDate &today);

private:
  DbResult<Money> sum(const QString &sql, ReceiptId id);

  Database &m_db;
};
