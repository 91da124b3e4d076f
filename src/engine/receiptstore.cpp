#include "engine/receiptstore.h"

#include "data/articlerepository.h"
#include "data/auditjournal.h"
#include "data/database.h"

#include <algorithm>

ReceiptStore::ReceiptStore() : m_none(std::make_unique<Database>()) {}

ReceiptStore::~ReceiptStore() = default;

Database &ReceiptStore::db() {
  return m_db ? *m_db : *m_none;
}

ReceiptRepository ReceiptStore::receipts() {
  return ReceiptRepository(db());
}

TableRepository ReceiptStore::tables() {
  return TableRepository(db());
}

DbResult<> ReceiptStore::inStep(const std::function<DbResult<>()> &writes) {
  m_tableOutcome = {};
  return db().inTransaction([&] {
    m_tableOutcome = {}; // what an attempt rolled back found does not count
    return writes();
  });
}

DbResult<> ReceiptStore::takeLinesOff(const StepPart &part) {
  TableRepository t = tables();
  const auto onTable = t.lockLines(part.sto);
  if (!onTable)
    return onTable.failure();
  // A number names the paid line only while the line is unchanged: another till may have
  // moved the table's lines (a merge) or taken them off meanwhile.
  QList<int> same;
  for (const PaidTableLine &paid : part.lines) {
    const auto line =
        std::find_if(onTable->begin(), onTable->end(), [&](const TableLine &l) { return l.rbr == paid.rbr; });
    if (line != onTable->end() && line->sifra.compare(paid.sifra.trimmed(), Qt::CaseInsensitive) == 0 &&
        line->kolicina == paid.kolicina && line->iznos == paid.iznos)
      same.append(paid.rbr);
    else
      m_tableOutcome.leftOn.append(paid);
  }
  return t.deleteLines(part.sto, same);
}

DbResult<> ReceiptStore::closeRound(const StepPart &part) {
  TableRepository t = tables();
  // A round the device took only in part keeps its place.
  const auto inRound = t.countRoundLines(part.sto, part.tura);
  if (!inRound)
    return inRound.failure();
  const auto last = *inRound > 0 ? t.lastRound(part.sto) : t.closeRound(part.sto, part.tura);
  if (!last)
    return last.failure();
  m_tableOutcome.lastRound = *last;
  m_tableOutcome.roundClosed = *inRound == 0;
  return {};
}

DbResult<> ReceiptStore::writeSaleLine(ReceiptHeader &key, const Racun &step) {
  ReceiptRepository r = receipts();
  DB_TRY(r.insertHeader(key));
  SoldLine line;
  line.sifra = step.sifra;
  line.barkod = step.barkod;
  line.naziv = step.naziv;
  line.cena = step.cena;
  line.prodato = step.kolicina;
  line.iznos = step.iznos;
  line.stopa = step.poreskaGrupa;
  line.storno = step.storno == 1;
  DB_TRY(r.addLine(key.id, key.datum, line));
  DB_TRY(ArticleRepository(db()).lowerStock(step.sifra, step.kolicina));
  if (!line.storno)
    return {};
  return AuditJournal(db()).append(
      AuditAction::LineVoid,
      QStringLiteral("racun %1/%2: %3 %4, kolicina %5, iznos %6")
          .arg(key.id.broj)
          .arg(key.id.godina)
          .arg(step.sifra.trimmed(), step.naziv.trimmed(), step.kolicina.text(), step.iznos.text()));
}

DbResult<> ReceiptStore::addCash(const ReceiptHeader &key, Money iznos) {
  PaymentRow cash;
  cash.nacin = Racun::Gotovina;
  cash.iznos = iznos;
  return receipts().addPayment(key.id, key.datum, cash);
}

DbResult<> ReceiptStore::writePayment(ReceiptHeader &key, const Racun &step) {
  ReceiptRepository r = receipts();
  // The header exists once a line was sold; a receipt paid with no line still gets one.
  DB_TRY(r.insertHeader(key));
  DB_TRY(r.addToPaid(key.id, step.nacinPlacanja, step.iznosPlacanja));
  PaymentRow row;
  if (step.nacinPlacanja == Racun::Cek || step.nacinPlacanja == Racun::Kartica) {
    row.nacin = step.nacinPlacanja;
    row.iznos = step.iznosPlacanja;
  } else {
    row.nacin = Racun::Gotovina;
    row.iznos = step.ostatak; // the cash that pays the receipt, not what was tendered
  }
  if (step.nacinPlacanja == Racun::Kartica) {
    row.brojKartice = step.brojKartice;
    row.tipKartice = step.tipKartice;
    row.brojTransakcije = step.brojTransakcije;
  }
  return r.addPayment(key.id, key.datum, row);
}

DbResult<> ReceiptStore::writeClosingPaymentA(ReceiptHeader &key, const Racun &step, quint32 brfisis) {
  ReceiptRepository r = receipts();
  DB_TRY(r.insertHeader(key));
  if (step.nacinPlacanja == Racun::Cek || step.nacinPlacanja == Racun::Kartica) {
    DB_TRY(writePayment(key, step));
  } else {
    DB_TRY(r.settleCash(key.id));
    if (!step.ostatak.isZero())
      DB_TRY(addCash(key, step.ostatak));
  }
  return r.setFiscalNumber(key.id, brfisis);
}

DbResult<> ReceiptStore::writeClosingB(ReceiptHeader &key, const Racun &step) {
  ReceiptRepository r = receipts();
  DB_TRY(r.insertHeader(key));
  // The closing's own cash: its RATE row carries the part that pays the receipt.
  const bool cashClosing = step.operacija == Racun::Placanje && step.nacinPlacanja == Racun::Gotovina;
  if (cashClosing && !step.ostatak.isZero())
    DB_TRY(addCash(key, step.ostatak));
  // The device books whatever is still unpaid as cash when it closes.
  return r.settleCash(key.id);
}

DbResult<> ReceiptStore::writeClosingC(ReceiptHeader &key) {
  if (!key.stored)
    return {};
  ReceiptRepository r = receipts();
  DB_TRY(r.settleCash(key.id));
  const auto rest = r.restAmount(key.id);
  if (!rest)
    return rest.failure();
  if (!rest->isZero())
    return addCash(key, *rest);
  return {};
}

DbResult<> ReceiptStore::write(ReceiptHeader &key, const StepPart &part) {
  switch (part.kind) {
  case StepKind::SaleLine:
    return writeSaleLine(key, part.step);
  case StepKind::Payment:
    return writePayment(key, part.step);
  case StepKind::ClosingA:
    return writeClosingPaymentA(key, part.step, part.brfisis.value_or(0));
  case StepKind::ClosingB:
    return writeClosingB(key, part.step);
  case StepKind::ClosingC:
    return writeClosingC(key);
  case StepKind::Finished:
    if (!key.stored) // nothing of it was stored, and the number may be another till's
      return {};
    return receipts().markFinished(key.id, part.brfisis);
  case StepKind::Cancelled:
    if (!key.stored)
      return {};
    DB_TRY(receipts().storniraj(key.id, key.datum));
    DB_TRY(AuditJournal(db()).append(AuditAction::ReceiptStorno,
                                     QStringLiteral("racun %1/%2").arg(key.id.broj).arg(key.id.godina),
                                     QDateTime(key.datum, key.vreme)));
    return receipts().markFinished(key.id);
  case StepKind::TableLinesOff:
    return takeLinesOff(part);
  case StepKind::TableFreed:
    if (const auto freed = tables().freeEmptyTable(part.sto); !freed)
      return freed.failure();
    return {};
  case StepKind::RoundClosed:
    return closeRound(part);
  }
  return {};
}
