// The start-up check of the device, the Menko variant detection, what the sale
// screens do to open and run a receipt, and the recovery of unfinished receipts.
#include "engine/transactionengine.h"

#include "common/textfields.h"
#include "data/auditjournal.h"
#include "device/articlemirror.h"
#include "device/devicecommands.h"
#include "device/deviceerrors.h"
#include "device/memorycommands.h"
#include "device/replyparser.h"

using namespace ReplyParser;

namespace {
const QString kZatvori = QStringLiteral("Zatvori racun");
const QString kStorniraj = QStringLiteral("Storniraj racun");
const QString kNastavi = QStringLiteral("Nastavi dalje");
const QString kNijeZavrsen =
    QStringLiteral("Poslednji racun u programu nije zavrsen. Izaberite neku opciju za nastavak rada!");
const QString kStatusProdaje =
    QStringLiteral("Stampac je u statusu prodaje i poslednji racun u racunaru nije "
                   "zatvoren. Izaberite neku opciju za nastavak rada.");
const QString kUpozorenje = QStringLiteral("Upozorenje!");
const QString kProgramOtvoren =
    QStringLiteral("Poslednji racun u programu je otvoren. Racun ce biti zavrsen!");
const QString kStampacNijeZavrsen =
    QStringLiteral("Poslednji racun na stampacu nije zavrsen. Bice odstampan kraj racuna");
} // namespace

void TransactionEngine::startCheck() {
  m_state.proveraKase = true;
  m_state.kasaProverena = false;
  m_state.menkoFallback = false;
  m_state.statusIzProdaje = false;
  m_state.zapocetaOperacija = StartedOperation::None;
  // The device may have been changed with the settings: what was learnt of the old one goes.
  m_seqEcho = SeqEcho::Unknown;
  m_seqRun = 0;
  switch (profile().family) {
  case Family::One:
    send(commands().CitanjeFM());
    break;
  case Family::Four:
    send(commands().Info());
    break;
  case Family::Two:
    m_state.zapocetaOperacija = StartedOperation::PrijavaStart;
    PrijavaOperatera(1);
    break;
  }
}

void TransactionEngine::detectMenkoVariant() {
  if (profile().family != Family::Two)
    return;
  m_state.zapocetaOperacija = StartedOperation::Prijava;
  PrijavaOperatera(1);
}

void TransactionEngine::checkSucceeded() {
  m_state.kasaProverena = true;
  m_state.proveraKase = false;
  emit saleButtonsEnabled();
  emit portButtonEnabled();
  if (m_configWindowShowing)
    emit closeConfigWindow();
}

void TransactionEngine::checkFailed(const QString &text) {
  if (m_configWindowShowing) {
    if (m_prompt)
      m_prompt->beep();
    message(QStringLiteral("GRESKA"), text);
  } else {
    instructions();
  }
}

// Model 2 answering only the short-frame service during the start-up check.
bool TransactionEngine::handleMenkoShortFrame(const QByteArray &frame) {
  if (dailyReportOutstanding(frame)) {
    prologue(false);
    send(memoryCommands().InfoServis());
    return true;
  }
  if (serviceOpened(frame)) {
    // The check only asks whether the device is fiscalised; the article mirror stays
    // as it is, or every sale would stop until the articles were read again.
    prologue(false);
    send(memoryCommands().InfoServis());
    return true;
  }
  if (serviceClosed(frame)) {
    prologue(false);
    m_state.proveraKase = false;
    m_state.menkoFallback = false;
    if (!m_state.kasaProverena) {
      if (m_prompt)
        m_prompt->beep();
      message(QStringLiteral("GRESKA"), DeviceErrors::notFiscalisedText());
    }
    return true;
  }
  if (isShort(frame, 0x20)) {
    prologue(false);
    if (fiscalisedFromInfo(frame)) {
      m_state.kasaProverena = true;
      emit saleButtonsEnabled();
      emit portButtonEnabled();
      if (m_configWindowShowing)
        emit closeConfigWindow();
    }
    send(memoryCommands().ZatvoriServis());
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- sale screens

namespace {

// A whole receipt that was not started: the screen that sent it is usable again.
void giveControlsBack(RestaurantScreen *restaurant, SplitScreen *split) {
  if (restaurant)
    restaurant->enableControls();
  if (split)
    split->enableControls();
}

} // namespace

void TransactionEngine::beginRetailReceipt(int rbrKasira) {
  whenLinkFree([this, rbrKasira] {
    if (refusesNewReceipt())
      return;
    m_state.rezimRestoran = false;
    m_rbrKasira = rbrKasira;
    m_stavkaKase = Racun{};
    m_stavkaKase.operacija = Racun::Otvaranje;
    m_stavkaKase.operater = quint8(rbrKasira);
    m_stavkaKase.datum = m_scheduler.now().date();
    m_stavkaKase.vreme = m_scheduler.now().time();
    m_state.krajPoslat = false;
    m_state.racunUToku = true;
    m_state.ekranKaseOtvoren = true;
    m_state.preskociOdgovor = m_link.Model == 3; // model 3 answers the opening with a reply to swallow
    m_state.zavrsiRacun = false;
    Prijava(m_stavkaKase);
  });
}

void TransactionEngine::sellRetailLine(const Racun &step) {
  whenLinkFree([this, step] {
    if (refusesNewReceipt()) {
      if (m_retail)
        m_retail->takeLastLineOff(false);
      return;
    }
    m_stavkaKase = step;
    m_state.racunUToku = true;
    Provera(m_stavkaKase);
  });
}

void TransactionEngine::payRetail(const Racun &step) {
  whenLinkFree([this, step] {
    m_stavkaKase = step;
    m_state.racunUToku = true;
    m_state.zavrsiRacun = false;
    m_state.krajPoslat = false;
    Placanje(m_stavkaKase);
  });
}

void TransactionEngine::closeRetail(const Racun &step, bool closeNow) {
  whenLinkFree([this, step, closeNow] {
    m_stavkaKase = step;
    m_state.racunUToku = true;
    if (!profile().deviceClosesReceipt && closeNow) {
      m_state.zavrsiRacun = true;
      m_state.krajPoslat = false;
      KrajRacuna();
      return;
    }
    m_state.zavrsiRacun = false;
    m_state.krajPoslat = profile().dialect == Dialect::B;
    Placanje(m_stavkaKase);
  });
}

void TransactionEngine::startWholeReceipt(const StavkeRacuna &steps) {
  if (refusesSettlingTable(m_trenutniSto) || refusesNewReceipt()) {
    giveControlsBack(m_restaurant, m_split);
    return;
  }
  m_state.rezimRestoran = true;
  m_stavke = steps;
  m_takenOff.clear();
  m_state.indeksStavke = 0;
  m_state.racunUToku = true;
  m_state.krajPoslat = false;
  m_state.zavrsiRacun = false;
  // A device that learns articles from the sale opens first and checks each line in its turn.
  const int first = profile().articleCheck == ArticleCheck::LearnsFromSale ? 0 : 1;
  m_state.provera.indeksProvere = first;
  if (first < int(m_stavke.size()))
    Provera(m_stavke[first]);
}

void TransactionEngine::startEmptyingReceipt(const StavkeRacuna &steps) {
  if (refusesSettlingTable(m_trenutniSto) || refusesNewReceipt()) {
    giveControlsBack(m_restaurant, m_split);
    return;
  }
  m_state.rezimRestoran = true;
  m_stavke = steps;
  m_takenOff.clear();
  m_state.indeksStavke = profile().articleCheck == ArticleCheck::LearnsFromSale ? 1 : 0;
  // Its steps are receipt steps like a settling's: a lost reply takes the receipt's path.
  m_state.racunUToku = true;
  m_state.krajPoslat = false;
  m_state.zavrsiRacun = false;
  m_state.provera.indeksProvere = 1;
  if (m_stavke.size() > 1)
    Provera(m_stavke[1]);
}

void TransactionEngine::openRestaurantScreen(int operater) {
  whenLinkFree([this, operater] {
    m_state.rezimRestoran = true;
    m_stavke.clear();
    m_stavkaKase = Racun{};
    m_stavkaKase.operacija = Racun::Otvaranje;
    m_stavkaKase.operater = quint8(operater);
    m_stavkaKase.datum = m_scheduler.now().date();
    m_stavkaKase.vreme = m_scheduler.now().time();
    m_state.krajPoslat = false;
    m_state.racunUToku = false;
    m_state.zavrsiRacun = false;
    m_state.ekranKaseOtvoren = true;
    m_state.preskociOdgovor = m_link.Model == 3; // model 3 answers the opening with a reply to swallow
    if (profile().opensFromStatus) {
      m_state.statusIzProdaje = true;
      GetStatus();
    } else {
      Prijava(m_stavkaKase);
    }
  });
}

// ---------------------------------------------------------------- stored receipts

int TransactionEngine::nextReceiptNumber() {
  return m_store.receipts().nextReceiptNumber(today()).value_or(1);
}

Money TransactionEngine::OstatakIznosa(int year, int number) {
  return m_store.receipts().restAmount({year, number}).value_or(Money());
}

bool TransactionEngine::Storniraj(int year, int number) {
  return dbOk(m_store.inStep([&]() -> DbResult<> {
    DB_TRY(m_store.receipts().storniraj({year, number}, m_scheduler.now().date()));
    return AuditJournal(m_store.db())
        .append(AuditAction::ReceiptStorno, QStringLiteral("racun %1/%2").arg(number).arg(year),
                m_scheduler.now());
  }));
}

QList<QStringList> TransactionEngine::NapuniDialogRacun(int year, int number) {
  QList<QStringList> rows;
  // Lines that cannot be read leave the dialog empty; the choice is still the cashier's.
  for (const SoldLine &l : m_store.receipts().lines({year, number}).value_or({}))
    rows.append({l.sifra, l.naziv, l.prodato.text().rightJustified(10, QLatin1Char(' ')),
                 l.cena.text().rightJustified(10, QLatin1Char(' '))});
  return rows;
}

void TransactionEngine::NapuniNastavakRacun(int year, int number) {
  if (m_retail)
    m_retail->loadStoredReceipt(m_store.receipts().lines({year, number}).value_or({}));
}

// The year's last receipt of this till; one that cannot be read counts as finished.
static std::optional<LastReceipt> lastOf(ReceiptStore &store, int year, const QString &till) {
  return store.receipts().lastReceiptOf(year, till).value_or(std::nullopt);
}

void TransactionEngine::recoverRetailReceipt() {
  if (recoveryWaitsForJournal([this] { recoverRetailReceipt(); }))
    return;
  m_recoveryVoids.clear();
  m_recovery = Recovery::Probing;
  // Until the question is out the screen counts as waiting for the device, so the
  // cashier's first line cannot go out ahead of it.
  m_stavkaKase = Racun{};
  m_state.awaitingReply = true;
  // What the device sent before this start (the answer to a program killed before it
  // read it) may still wait in the line: it is read first, and dropped as nothing awaits
  // it, or it would be taken for the answer to the question.
  m_scheduler.schedule(kLeftoverMs, this, [this] {
    m_state.awaitingReply = false;
    // Ahead of whatever the cashier asked for meanwhile.
    m_waiting.push_front([this] {
      m_state.rezimRestoran = false;
      m_state.ekranKaseOtvoren = true;
      m_state.racunUToku = false;
      m_state.preskociOdgovor = false;
      m_state.zavrsiRacun = false;
      m_state.krajPoslat = false;
      m_recovery = Recovery::Probing;
      // The database alone cannot tell whether the device still holds the receipt: a kill
      // between the device's answer and its booking parts them. A device with no receipt
      // open refuses a payment; one with a receipt open takes a zero payment and changes
      // nothing by it.
      Racun probe;
      probe.operacija = Racun::Placanje;
      probe.nacinPlacanja = Racun::Gotovina;
      m_rx.clear();
      // A receipt step: a lost answer is asked for again with the same frame, which the
      // device answers from its memory without paying twice.
      m_state.racunUToku = true;
      m_stavkaKase = probe;
      Placanje(probe);
    });
    pumpWaiting();
  });
}

void TransactionEngine::recoveryProbeAnswered(bool open, std::optional<quint32> closedAs) {
  m_recovery = Recovery::None;
  m_state.racunUToku = false;
  const int year = today();
  const auto last = lastOf(m_store, year, tillId());
  const bool unfinished = last && last->status == 0;
  if (open) {
    if (const auto p = unbookedPendingLine(year)) {
      if (p->redova == 0 && (!unfinished || last->broj < p->broj)) {
        if (bookPendingFirstLine(*p))
          recoveryProbeAnswered(true, std::nullopt);
        return;
      }
      if (unfinished && p->broj == last->broj) {
        resolvePendingLine(*p, year, last->broj, [this] { recoveryProbeAnswered(true, std::nullopt); });
        return;
      }
    }
  }
  if (!unfinished) {
    if (open && profile().family == Family::Two) {
      // A receipt completed with its closing command still unanswered: the device
      // holds what the database has booked already, and the closing prints it.
      m_recovery = Recovery::EndingBooked;
      m_state.racunUToku = true;
      KrajRacuna();
      return;
    }
    beginRetailReceipt(m_rbrKasira);
    return;
  }
  const int number = last->broj;
  if (!open) {
    // The device printed it; only the booking of its closing was lost.
    deviceError({kUpozorenje, kProgramOtvoren, UserPrompt::Mode::Notice});
    std::optional<quint32> brfisis = closedAs;
    if (!brfisis && profile().family == Family::One) {
      // The closing's reply carried the number; the device numbers its receipts one by one.
      ReceiptRepository r = m_store.receipts();
      const quint32 own = r.fiscalNumber({year, number}).value_or(0);
      brfisis = own ? own : r.lastFiscalNumber().value_or(0) + 1;
    }
    if (!settleClosedOnDevice(year, number, profile().family == Family::One ? brfisis : std::nullopt))
      return;
    nextReceipt();
    beginRetailReceipt(m_rbrKasira);
    return;
  }
  const bool menko = profile().family == Family::Two;
  UserPrompt::UnfinishedReceipt req;
  req.tekst = menko ? kStatusProdaje : kNijeZavrsen;
  req.rows = NapuniDialogRacun(year, number);
  req.buttons = menko ? QStringList{kZatvori, kStorniraj, kNastavi} : QStringList{kZatvori, kStorniraj};
  const int izbor = unfinishedDialog(req);
  takeUpReceipt(number);
  if (izbor == 3 && menko) {
    NapuniNastavakRacun(year, number);
    beginRetailReceipt(m_rbrKasira);
    return;
  }
  if (izbor != 2) {
    recoveryCloseOnDevice(year, number);
    return;
  }
  // The device cancels no receipt of these models: what the cancellation reverses is
  // voided on it line by line, booked as it is confirmed, and the receipt of no amount
  // is then closed.
  const auto sales = m_store.receipts().unvoidedSales({year, number});
  if (!sales) {
    dbOk(sales.failure());
    return;
  }
  m_recoveryYear = year;
  m_recoveryNumber = number;
  m_recoveryVoids.clear();
  for (const SoldLine &s : *sales) {
    Racun v;
    v.operacija = Racun::Prodaja;
    v.operater = quint8(m_rbrKasira);
    v.storno = 1;
    v.sifra = s.sifra;
    v.barkod = (!s.barkod.isEmpty() && Is_Number(s.barkod)) ? s.barkod : s.sifra;
    v.naziv = s.naziv;
    v.kolicina = -s.prodato;
    v.cena = s.cena;
    v.iznos = -s.iznos;
    v.poreskaGrupa = s.stopa;
    m_recoveryVoids.push_back(v);
  }
  m_recovery = Recovery::Voiding;
  recoveryNextVoid();
}

void TransactionEngine::recoveryNextVoid() {
  if (!m_recoveryVoids.empty()) {
    const Racun v = m_recoveryVoids.front();
    m_recoveryVoids.pop_front();
    sellRetailLine(v);
    return;
  }
  // Every line is taken back: what is left of the cancellation is clearing the payments.
  const ReceiptId id{m_recoveryYear, m_recoveryNumber};
  if (!dbOk(m_store.inStep([&]() -> DbResult<> {
        DB_TRY(m_store.receipts().clearPayments(id));
        return AuditJournal(m_store.db())
            .append(AuditAction::ReceiptStorno, QStringLiteral("racun %1/%2").arg(id.broj).arg(id.godina),
                    m_scheduler.now());
      }))) {
    m_recovery = Recovery::None;
    return;
  }
  recoveryCloseOnDevice(m_recoveryYear, m_recoveryNumber);
}

void TransactionEngine::recoveryCloseOnDevice(int year, int number) {
  m_recovery = Recovery::Closing;
  Racun step;
  if (profile().deviceClosesReceipt) {
    // The device closes once it is paid what it holds: the rest the database holds.
    const Money rest = OstatakIznosa(year, number);
    step.operacija = Racun::Placanje;
    step.nacinPlacanja = Racun::Gotovina;
    step.iznosPlacanja = rest.isNegative() ? Money() : rest;
    step.ostatak = step.iznosPlacanja;
    closeRetail(step, false);
    return;
  }
  step.operacija = Racun::Kraj;
  closeRetail(step, true); // the closing books the unpaid rest as cash
}

void TransactionEngine::notePendingLine(const Racun &step) {
  const QString path = PendingLineFile::pathFor(m_mirrorPath);
  if (path.isEmpty())
    return;
  PendingLine p;
  p.godina = today();
  p.broj = m_brojRacuna;
  p.redova = m_racunUpisan ? m_store.receipts().lineCount({p.godina, p.broj}).value_or(-1) : 0;
  p.step = step;
  if (p.redova >= 0)
    PendingLineFile::write(path, p);
}

std::optional<PendingLine> TransactionEngine::unbookedPendingLine(int year) {
  const QString path = PendingLineFile::pathFor(m_mirrorPath);
  const auto p = PendingLineFile::read(path);
  if (!p || p->godina != year || p->step.storno != 0 || p->step.kolicina.isNegative())
    return std::nullopt;
  const auto rows = m_store.receipts().lineCount({year, p->broj});
  if (!rows || *rows != p->redova)
    return std::nullopt;
  return p;
}

bool TransactionEngine::bookPendingFirstLine(const PendingLine &p) {
  m_brojRacuna = p.broj;
  m_racunUpisan = false;
  if (!runStep(stepParts(p.step)))
    return false;
  PendingLineFile::remove(PendingLineFile::pathFor(m_mirrorPath));
  return true;
}

void TransactionEngine::resolvePendingLine(const PendingLine &p, int year, int number,
                                           std::function<void()> next) {
  Quantity held; // what the database holds of the article on this receipt
  for (const SoldLine &l : m_store.receipts().lines({year, number}).value_or({}))
    if (l.sifra == p.step.sifra)
      held += l.prodato;
  if (held.isNegative())
    held = Quantity();
  takeUpReceipt(number);
  m_resolving = p;
  m_afterResolve = std::move(next);
  m_resell = p.step;
  m_resell.kolicina = held;
  m_resell.iznos = roundedAmount(held, p.step.cena).value_or(Money());
  // Only a device that took the line has this much of the article to take back.
  m_resolveVoid = p.step;
  m_resolveVoid.storno = 1;
  m_resolveVoid.kolicina = -(held + p.step.kolicina);
  m_resolveVoid.iznos = -roundedAmount(held + p.step.kolicina, p.step.cena).value_or(Money());
  m_recovery = Recovery::Resolving;
  m_state.racunUToku = true;
  m_stavkaKase = m_resolveVoid;
  ProdajaArt(m_resolveVoid);
}

void TransactionEngine::resolveAnswered(bool accepted) {
  const QString path = PendingLineFile::pathFor(m_mirrorPath);
  if (m_recovery == Recovery::Resolving && accepted && m_resolving) {
    const Racun line = m_resolving->step;
    const Racun back = m_resolveVoid;
    StepParts parts = stepParts(line);
    parts.append(stepParts(back));
    if (!runStep(parts)) {
      m_recovery = Recovery::None;
      return;
    }
    PendingLineFile::remove(path);
    if (!m_resell.kolicina.isZero()) {
      m_recovery = Recovery::Reselling;
      m_stavkaKase = m_resell;
      ProdajaArt(m_resell);
      return;
    }
  } else if (m_recovery == Recovery::Reselling && accepted) {
    const Racun again = m_resell;
    if (!runStep(stepParts(again))) {
      m_recovery = Recovery::None;
      return;
    }
  } else if (m_recovery == Recovery::Resolving) {
    PendingLineFile::remove(path); // refused: the device never had it
  }
  m_recovery = Recovery::None;
  m_resolving.reset();
  m_state.racunUToku = false;
  auto next = std::move(m_afterResolve);
  m_afterResolve = nullptr;
  if (next)
    next();
}

bool TransactionEngine::settleClosedOnDevice(int year, int number, std::optional<quint32> brfisis) {
  return dbOk(m_store.inStep([&]() -> DbResult<> {
    ReceiptRepository r = m_store.receipts();
    const ReceiptId id{year, number};
    DB_TRY(r.settleCash(id));
    const auto rest = r.restAmount(id);
    if (!rest)
      return rest.failure();
    if (!rest->isZero()) {
      PaymentRow cash;
      cash.nacin = Racun::Gotovina;
      cash.iznos = *rest;
      DB_TRY(r.addPayment(id, m_scheduler.now().date(), cash));
    }
    return r.markFinished(id, brfisis);
  }));
}

bool TransactionEngine::settleFromDeviceNumber(int year, int number, quint32 deviceNumber) {
  const auto booked = m_store.receipts().lastFiscalNumber();
  if (!booked) {
    dbOk(booked.failure());
    return false;
  }
  if (deviceNumber > *booked)
    return settleClosedOnDevice(year, number, deviceNumber);
  return Storniraj(year, number) && dbOk(m_store.receipts().markFinished({year, number}));
}

bool TransactionEngine::checkUnfinishedRestaurantReceipt() {
  const int year = today();
  const auto last = lastOf(m_store, year, tillId());
  if (!last || last->status != 0)
    return true;
  deviceError({kUpozorenje, kProgramOtvoren, UserPrompt::Mode::Notice});
  if (!dbOk(m_store.receipts().markFinished({year, last->broj})))
    return false;
  nextReceipt();
  return true;
}

void TransactionEngine::requestStatusFromSale() {
  if (recoveryWaitsForJournal([this] { requestStatusFromSale(); }))
    return;
  whenLinkFree([this] {
    m_state.statusIzProdaje = true;
    GetStatus();
  });
}

// Model 4's status report decides about the device's and the program's last receipt.
void TransactionEngine::unfinishedOnStatus(int state, quint32 deviceNumber) {
  const int year = today();
  const auto last = lastOf(m_store, year, tillId());
  const int number = last ? last->broj : 0;
  const bool unfinished = last && last->status == 0;
  if (!m_state.rezimRestoran && state >= 2 && state <= 4) {
    if (const auto p = unbookedPendingLine(year)) {
      if (p->redova == 0 && (!unfinished || number < p->broj)) {
        if (bookPendingFirstLine(*p))
          unfinishedOnStatus(state, deviceNumber);
        return;
      }
      if (unfinished && p->broj == number && state == 2) {
        resolvePendingLine(*p, year, number,
                           [this, state, deviceNumber] { unfinishedOnStatus(state, deviceNumber); });
        return;
      }
    }
  }
  if (state == 3 || state == 4) {
    deviceError({kUpozorenje, kStampacNijeZavrsen, UserPrompt::Mode::Notice});
    if (unfinished)
      takeUpReceipt(number);
    KrajRacuna();
    return;
  }
  if (state == 2) {
    if (m_state.rezimRestoran) {
      deviceError({kUpozorenje, kStampacNijeZavrsen, UserPrompt::Mode::Notice});
      if (unfinished)
        takeUpReceipt(number);
      KrajRacuna();
      return;
    }
    UserPrompt::UnfinishedReceipt req;
    req.rows = NapuniDialogRacun(year, number);
    if (!unfinished) {
      req.tekst = QStringLiteral("Stampac je u statusu prodaje. Izaberite neku opciju za nastavak rada!");
      req.buttons = {kZatvori, kStorniraj};
    } else {
      req.tekst = kStatusProdaje;
      req.buttons = {kZatvori, kStorniraj, kNastavi};
    }
    const int izbor = unfinishedDialog(req);
    if (unfinished && izbor != 3)
      takeUpReceipt(number);
    if (izbor == 1) {
      KrajRacuna();
    } else if (izbor == 2) {
      StornirajRacun();
    } else if (unfinished) {
      NapuniNastavakRacun(year, number);
      takeUpReceipt(number);
      m_state.racunUToku = true;
      m_state.ekranKaseOtvoren = true;
    }
    return;
  }
  // Idle after a closed receipt: the program's own last receipt may still be open. The
  // device holds it no more: its last fiscal number tells whether it printed or
  // cancelled it. A booking that fails leaves it so and opens nothing.
  if (unfinished) {
    deviceError({kUpozorenje, kProgramOtvoren, UserPrompt::Mode::Notice});
    if (!settleFromDeviceNumber(year, number, deviceNumber))
      return;
    nextReceipt();
  }
  if (m_state.rezimRestoran)
    Prijava(m_stavkaKase);
  else
    PrijavaOperatera(m_rbrKasira);
}
