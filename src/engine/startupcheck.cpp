// The start-up check of the device, the Menko variant detection, what the sale
// screens do to open and run a receipt, and the recovery of unfinished receipts.
#include "engine/transactionengine.h"

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

void TransactionEngine::beginRetailReceipt(int rbrKasira) {
  whenLinkFree([this, rbrKasira] {
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

// The year's last receipt; one that cannot be read counts as finished.
static std::optional<LastReceipt> lastOf(ReceiptStore &store, int year) {
  return store.receipts().lastReceipt(year).value_or(std::nullopt);
}

bool TransactionEngine::checkUnfinishedRetailReceipt() {
  const int year = today();
  const auto last = lastOf(m_store, year);
  if (!last || last->status != 0)
    return true;
  const bool menko = profile().family == Family::Two;
  UserPrompt::UnfinishedReceipt req;
  req.tekst = menko ? kStatusProdaje : kNijeZavrsen;
  req.rows = NapuniDialogRacun(year, last->broj);
  req.buttons = menko ? QStringList{kZatvori, kStorniraj, kNastavi} : QStringList{kZatvori, kStorniraj};
  const int izbor = unfinishedDialog(req);
  if (izbor == 2 && !Storniraj(year, last->broj))
    return false;
  if (izbor == 1 || izbor == 2) {
    if (!dbOk(m_store.receipts().markFinished({year, last->broj})))
      return false;
    nextReceipt();
  } else if (izbor == 3 && menko) {
    NapuniNastavakRacun(year, last->broj);
    takeUpReceipt(last->broj);
  }
  return true;
}

bool TransactionEngine::checkUnfinishedRestaurantReceipt() {
  const int year = today();
  const auto last = lastOf(m_store, year);
  if (!last || last->status != 0)
    return true;
  deviceError({kUpozorenje, kProgramOtvoren, UserPrompt::Mode::Notice});
  if (!dbOk(m_store.receipts().markFinished({year, last->broj})))
    return false;
  nextReceipt();
  return true;
}

void TransactionEngine::requestStatusFromSale() {
  whenLinkFree([this] {
    m_state.statusIzProdaje = true;
    GetStatus();
  });
}

// Model 4's status report decides about the device's and the program's last receipt.
void TransactionEngine::unfinishedOnStatus(int state) {
  const int year = today();
  const auto last = lastOf(m_store, year);
  const int number = last ? last->broj : 0;
  const bool unfinished = last && last->status == 0;
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
  // Idle after a closed receipt: the program's own last receipt may still be open.
  // A storno or marking that fails leaves it so and opens nothing.
  if (unfinished) {
    if (m_state.rezimRestoran) {
      deviceError({kUpozorenje, kProgramOtvoren, UserPrompt::Mode::Notice});
    } else {
      UserPrompt::UnfinishedReceipt req;
      req.tekst = kNijeZavrsen;
      req.rows = NapuniDialogRacun(year, number);
      req.buttons = {kZatvori, kStorniraj};
      const int izbor = unfinishedDialog(req);
      if (izbor == 2 && !Storniraj(year, number))
        return;
    }
    if (!dbOk(m_store.receipts().markFinished({year, number})))
      return;
    nextReceipt();
  }
  if (m_state.rezimRestoran)
    Prijava(m_stavkaKase);
  else
    PrijavaOperatera(m_rbrKasira);
}
