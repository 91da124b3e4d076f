#pragma once

#include "data/dbresult.h"
#include "data/receiptrepository.h"
#include "data/tablerepository.h"
#include "engine/racun.h"

#include <QList>

#include <functional>
#include <memory>
#include <optional>

class Database;

// The kinds of write a confirmed step is made of; a step is a list of them, written as
// one unit. As data rather than code, a step the server could not take can wait in the
// step journal and be written later exactly as it would have been.
enum class StepKind {
  SaleLine,  // writeSaleLine
  Payment,   // writePayment
  ClosingA,  // writeClosingPaymentA with brfisis
  ClosingB,  // writeClosingB
  ClosingC,  // writeClosingC
  Finished,  // the receipt marked finished (STATUS 1, brfisis when given)
  Cancelled, // the device cancelled the receipt: its storno, journaled, and marked finished
  // The table's bookkeeping after the device took a table's receipt (parts of a step of their own):
  TableLinesOff, // the paid lines leave the table, each only while it is still the line paid
  TableFreed,    // the table is freed when no line is left on it
  RoundClosed,   // a round left empty closes: the later rounds move one down
};

// A table line as the receipt paid it: a later write takes off exactly this line, and
// finds one another till changed or took off meanwhile.
struct PaidTableLine {
  int rbr = 0;
  QString sifra;
  Quantity kolicina;
  Money iznos;
};

struct StepPart {
  StepKind kind = StepKind::SaleLine;
  Racun step;
  std::optional<quint32> brfisis;
  int sto = 0;                     // the table parts' table
  QList<PaidTableLine> lines = {}; // TableLinesOff
  int tura = 0;                    // RoundClosed
};
using StepParts = QList<StepPart>;

// What a confirmed receipt step means in the database, composed of the
// repositories' writes. The engine runs the writes of one step as one unit
// (inStep); nothing here writes SQL of its own.
class ReceiptStore {
public:
  ReceiptStore();
  ~ReceiptStore();
  ReceiptStore(const ReceiptStore &) = delete;
  ReceiptStore &operator=(const ReceiptStore &) = delete;

  // The shop's database; until one is set every operation fails with its reason.
  void setDatabase(Database *db) { m_db = db; }
  Database &db();
  ReceiptRepository receipts();
  TableRepository tables();

  // One confirmed step's writes: all of them or none.
  DbResult<> inStep(const std::function<DbResult<>()> &writes);

  // The writes below store the receipt's RACUNI row first when key is not stored yet;
  // key then holds the number the receipt got (another till may have had the one hoped for).
  //
  // Sale line: the receipt's RACUNI row when it has none, the PRODATO row, and the
  // stock of the article and its recipe.
  DbResult<> writeSaleLine(ReceiptHeader &key, const Racun &step);
  // Payment that does not close the receipt: RACUNI amounts and one RATE row.
  DbResult<> writePayment(ReceiptHeader &key, const Racun &step);
  // Dialect A's closing payment (reply 0x1C): cash gets GOTOVINA := sum - CEK - KARTICA
  // and a RATE row only when ostatak is not 0; BRFISIS stored.
  DbResult<> writeClosingPaymentA(ReceiptHeader &key, const Racun &step, quint32 brfisis);
  // Dialect B's completion: GOTOVINA := sum - CEK - KARTICA (the device books the unpaid
  // rest as cash); a cash payment that closes adds its RATE row (ostatak) when not 0.
  // Cheque and card steps were booked by writePayment; the closing adds nothing to them.
  DbResult<> writeClosingB(ReceiptHeader &key, const Racun &step);
  // Dialect C's answer to KrajRacuna: GOTOVINA := sum - CEK - KARTICA, the unpaid rest as a
  // cash RATE row. A receipt this till never stored (the device's own) books nothing.
  DbResult<> writeClosingC(ReceiptHeader &key);
  // One part of a step: the matching write above. Finished marks only a stored receipt.
  DbResult<> write(ReceiptHeader &key, const StepPart &part);

  // What the table parts of the unit last run found.
  struct TableOutcome {
    QList<PaidTableLine> leftOn; // paid lines not taken off: changed or gone meanwhile
    int lastRound = 0;           // the table's last round after RoundClosed
    bool roundClosed = false;    // RoundClosed found the round empty and closed it
  };
  const TableOutcome &tableOutcome() const { return m_tableOutcome; }

private:
  DbResult<> takeLinesOff(const StepPart &part);
  DbResult<> closeRound(const StepPart &part);

  DbResult<> addCash(const ReceiptHeader &key, Money iznos);

  Database *m_db = nullptr;
  std::unique_ptr<Database> m_none; // stands in until the shop's database is set
  TableOutcome m_tableOutcome;
};
