#include "engine/transactionengine.h"

#include "engine/stepjournal.h"

#include "data/auditjournal.h"
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/devicecommands.h"
#include "device/framecodec.h"
#include "device/memorycommands.h"
#include "device/replyparser.h"

TransactionEngine::TransactionEngine(LinkSettings &link, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_link(link), m_scheduler(scheduler) {}

TransactionEngine::~TransactionEngine() = default;

void TransactionEngine::setMirror(ArticleMirror *mirror, const QString &path) {
  m_mirror = mirror;
  m_mirrorPath = path.isEmpty() ? ArticleMirror::defaultFileName() : path;
}

// A new start-up: whatever the link was doing before is over.
void TransactionEngine::seedSendSeq(int value) {
  m_seq.seed(quint32(value));
  stopWatchdog();
  m_scheduler.cancel(m_auxTimeout);
  m_auxTimeout = 0;
  m_rx.clear();
  m_pendingBytes.clear();
  m_state.brojPonavljanja = 0;
  m_state.brojPonavljanjaRacuna = 0;
  m_state.komandaUToku = false;
  m_state.awaitingReply = false;
  m_state.pendingService = false;
  m_state.auxSettling = false;
  m_state.pomocnaKomanda = false;
  m_waiting.clear();
  m_followUps.clear();
}

void TransactionEngine::setSplitMode(bool poArtiklima, bool poTurama) {
  m_state.rastavljanjePoArtiklima = poArtiklima;
  m_state.rastavljanjePoTurama = poTurama;
}

void TransactionEngine::setIdleDisplayTexts(const QString &line1, const QString &line2, bool line2DateTime) {
  m_lcd1 = line1;
  m_lcd2 = line2DateTime ? QString() : line2;
  m_lcd2DateTime = line2DateTime;
}

void TransactionEngine::setRetailScreenOpen(bool open) {
  m_state.ekranKaseOtvoren = open;
  if (!open && !m_state.rezimRestoran) {
    m_state.racunUToku = false; // no retail receipt goes on without its screen
    m_recovery = Recovery::None;
    m_recoveryAfterJournal = nullptr;
  }
}

DeviceCommands TransactionEngine::commands() const {
  return DeviceCommands(m_link, m_seq);
}
MemoryCommands TransactionEngine::memoryCommands() const {
  return MemoryCommands(m_link, m_seq);
}

int TransactionEngine::today() const {
  return m_scheduler.now().date().year();
}

// ---------------------------------------------------------------- sending

void TransactionEngine::send(const DeviceCommand &cmd) {
  if (!cmd.error.isEmpty()) {
    deviceError({cmd.errorTitle.isEmpty() ? QStringLiteral("Greska") : cmd.errorTitle, cmd.error,
                 UserPrompt::Mode::Notice});
    emit cursorRestored();
    if (cmd.closesServiceOnError) {
      // Model 2's article service must not stay open behind a refused write.
      emit serviceButtonsEnabled();
      send(memoryCommands().ZatvoriServis());
    }
    return;
  }
  if (cmd.isEmpty())
    return;
  if (cmd.emptiesRxBuf)
    m_rx.clear();
  switch (cmd.copy) {
  case CopyKind::ReceiptCopy:
    m_receiptCopy = cmd.bytes;
    m_state.brojPonavljanjaRacuna = 0;
    break;
  case CopyKind::ServiceCopy:
    m_serviceCopy = cmd.bytes;
    m_state.brojPonavljanja = 0;
    m_state.komandaUToku = true;
    break;
  case CopyKind::ServiceShortCopy:
    m_serviceShortCopy = cmd.bytes;
    m_state.brojPonavljanja = 0;
    m_state.komandaUToku = true;
    break;
  case CopyKind::ServiceAndReceiptCopy:
    m_receiptCopy = cmd.bytes;
    m_serviceCopy = cmd.bytes;
    m_state.brojPonavljanja = 0;
    m_state.brojPonavljanjaRacuna = 0;
    m_state.komandaUToku = true;
    break;
  case CopyKind::None:
    break;
  }
  if (cmd.armsTimer || cmd.copy != CopyKind::None)
    armWatchdog();
  if (cmd.armsTimer || cmd.copy != CopyKind::None || cmd.replyCode != 0) {
    m_state.awaitingReply = true;
    m_state.pendingService = cmd.copy == CopyKind::ServiceCopy || cmd.copy == CopyKind::ServiceShortCopy;
  }
  writeOut(cmd.bytes, cmd.pauseMs);
}

void TransactionEngine::sendService(const DeviceCommand &command) {
  send(command);
}

// Writes keep their order even when one waits for its pause.
void TransactionEngine::writeOut(const QByteArray &bytes, int pauseMs) {
  m_writes.emplace_back(pauseMs, bytes);
  pumpWrites();
}

void TransactionEngine::pumpWrites() {
  while (!m_writes.empty() && m_writeTask == 0) {
    auto &front = m_writes.front();
    if (front.first > 0) {
      const int pause = front.first;
      front.first = 0;
      m_writeTask = m_scheduler.schedule(pause, this, [this] {
        m_writeTask = 0;
        pumpWrites();
      });
      return;
    }
    const QByteArray bytes = front.second;
    m_writes.pop_front();
    writeWire(bytes, false);
  }
}

void TransactionEngine::writeWire(const QByteArray &bytes, bool resend) {
  m_sentSeqByte = FrameCodec::sequenceByte(bytes);
  emit frameSent(bytes, resend);
  if (m_wire)
    m_wire->write(bytes);
}

void TransactionEngine::armWatchdog() {
  m_scheduler.cancel(m_watchdog);
  m_watchdog = m_scheduler.schedule(WatchdogMs, this, [this] { onWatchdog(); });
}

void TransactionEngine::stopWatchdog() {
  m_scheduler.cancel(m_watchdog);
  m_watchdog = 0;
}

// ---------------------------------------------------------------- commands

void TransactionEngine::Prijava(const Racun &step) {
  LoginStep s;
  s.operater = step.operater;
  s.datum = step.datum.isValid() ? step.datum : m_scheduler.now().date();
  s.vreme = step.vreme.isValid() ? step.vreme : m_scheduler.now().time();
  send(commands().Prijava(s));
}

void TransactionEngine::PrijavaOperatera(int operatorNumber) {
  send(commands().PrijavaOperatera(operatorNumber, m_scheduler.now()));
}

void TransactionEngine::ProdajaArt(const Racun &step) {
  SaleLine l;
  l.storno = step.storno == 1;
  l.sifraUKasi = step.sifraUKasi;
  l.sifra = step.sifra;
  l.barkod = step.barkod;
  l.kolicina = step.kolicina;
  l.cena = step.cena;
  l.naziv = step.naziv;
  l.poreskaGrupa = step.poreskaGrupa;
  if (!m_state.rezimRestoran && m_recovery == Recovery::None && step.operacija == Racun::Prodaja)
    notePendingLine(step);
  send(commands().ProdajaArt(l));
}

void TransactionEngine::Placanje(const Racun &step) {
  PaymentStep p;
  p.nacinPlacanja = step.nacinPlacanja;
  p.iznosPlacanja = step.iznosPlacanja;
  send(commands().Placanje(p));
}

void TransactionEngine::KrajRacuna() {
  send(commands().KrajRacuna());
}
void TransactionEngine::StornirajRacun() {
  send(commands().StornirajRacun());
}
void TransactionEngine::stornoRetail() {
  whenLinkFree([this] { StornirajRacun(); });
}
void TransactionEngine::OtvoriFioku() {
  whenLinkFree([this] {
    // Every drawer command sent is one row: who opened the till's cash, and when.
    if (const auto logged =
            AuditJournal(m_store.db())
                .append(AuditAction::DrawerOpen, QStringLiteral("otvaranje fioke"), m_scheduler.now());
        !logged)
      qWarning("audit journal: %s", qPrintable(logged.error()));
    sendAux(commands().OtvoriFioku());
  });
}
void TransactionEngine::IzlazPrinter() {
  send(commands().IzlazPrinter()); // no reply comes: no watchdog, nothing awaited
}
void TransactionEngine::GetStatus() {
  send(commands().GetStatus());
}

void TransactionEngine::GetFMInfo() {
  m_state.indeksStavke = 1;
  send(commands().GetFMInfo());
}

void TransactionEngine::FreeTextBegin() {
  m_state.indeksStavke = 1;
  send(commands().FreeTextBegin());
}

void TransactionEngine::printFreeText(const QList<std::pair<QString, int>> &lines) {
  if (!profile().hasFreeText || lines.isEmpty())
    return;
  whenLinkFree([this, lines] {
    m_freeTextLines = lines;
    m_freeTextNext = 0;
    m_state.pomocnaKomanda = true;
    m_state.slobodanTekstUToku = true;
    FreeTextBegin();
  });
}

void TransactionEngine::FreeTextPrint(const QString &text, int attribute) {
  m_state.indeksStavke = 1;
  send(commands().FreeTextPrint(text, quint8(attribute)));
}

void TransactionEngine::FreeTextEnd() {
  m_state.indeksStavke = 1;
  send(commands().FreeTextEnd());
}

void TransactionEngine::DatumVreme() {
  const DeviceCommand cmd = commands().DatumVreme();
  if (cmd.isEmpty())
    return;
  m_state.indeksStavke = 1;
  m_state.datumVremeUToku = true;
  send(cmd);
}

bool TransactionEngine::PodesiVreme(int year, int month, int day, int hour, int minute, int second) {
  const QDate date(year, month, day);
  const QTime time(hour, minute, second, 0);
  if (!date.isValid() || !time.isValid())
    return false;
  return m_scheduler.setLocalTime(QDateTime(date, time));
}

void TransactionEngine::IsprazniTotal() {
  send(commands().IsprazniTotal());
}

void TransactionEngine::LcdShow(const QString &text, int line) {
  whenLinkFree([this, text, line] { sendAux(commands().LcdShow(text, line)); });
}

void TransactionEngine::sendAux(const DeviceCommand &cmd) {
  if (cmd.isEmpty() && cmd.error.isEmpty())
    return; // the model has no such command: nothing is pending
  m_state.pomocnaKomanda = true;
  send(cmd);
  if (!cmd.armsTimer && cmd.copy == CopyKind::None && m_state.awaitingReply) {
    // Not resent by the watchdog (the drawer); a reply that never comes must not
    // hold the next receipt step back for ever.
    m_scheduler.cancel(m_auxTimeout);
    m_auxTimeout = m_scheduler.schedule(WatchdogMs, this, [this] { auxTimedOut(); });
  }
}

void TransactionEngine::auxTimedOut() {
  m_auxTimeout = 0;
  if (m_dispatching || m_promptDepth > 0) {
    m_auxTimeout = m_scheduler.schedule(WatchdogMs, this, [this] { auxTimedOut(); });
    return;
  }
  if (!m_state.pomocnaKomanda || !m_state.awaitingReply)
    return;
  m_state.pomocnaKomanda = false;
  m_state.awaitingReply = false;
  m_rx.clear();
  emit portButtonEnabled();
  pumpWaiting();
}

void TransactionEngine::whenLinkFree(std::function<void()> action) {
  if (!linkBusy() && m_waiting.empty() && m_followUps.empty() && !m_dispatching && m_promptDepth == 0) {
    action();
    return;
  }
  m_waiting.push_back(std::move(action));
  pumpWaiting();
}

void TransactionEngine::pumpWaiting() {
  while (!linkBusy() && !m_dispatching && m_promptDepth == 0) {
    std::function<void()> next;
    if (!m_followUps.empty()) {
      next = std::move(m_followUps.front());
      m_followUps.pop_front();
    } else if (!m_waiting.empty()) {
      next = std::move(m_waiting.front());
      m_waiting.pop_front();
    } else {
      return;
    }
    next();
  }
}

void TransactionEngine::Izvestaj(int type, const QString &from, const QString &to) {
  whenLinkFree([this, type, from, to] {
    const DeviceCommand cmd = commands().Izvestaj(type, from, to, m_scheduler.now().date());
    if (!cmd.error.isEmpty() || cmd.isEmpty()) {
      send(cmd);
      return;
    }
    m_state.izvestajUToku = true;
    m_state.posleDnevnogIzvestaja = type == DeviceCommands::Dnevni;
    m_state.posleIzvestajaArtikala = type == DeviceCommands::PoArtiklima;
    send(cmd);
  });
}

void TransactionEngine::UpisArtikla(int broj, const QString &naziv, double cena, int grupa,
                                    const QString &barkod) {
  DeviceArticleWrite a;
  a.broj = broj;
  a.naziv = naziv;
  a.cena = cena;
  a.poreskaGrupa = grupa;
  a.barkod = barkod;
  send(memoryCommands().UpisArtikla(a));
}

void TransactionEngine::Send(const StavkeRacuna &steps) {
  if (&steps != &m_stavke)
    m_stavke = steps;
  m_takenOff.clear();
  m_state.krajPoslat = false;
  m_state.racunUToku = true;
  if (!m_stavke.empty())
    Prijava(m_stavke[0]);
}

// The same step again, by its code.
void TransactionEngine::sendByCode(const Racun &step) {
  switch (step.operacija) {
  case Racun::Otvaranje:
    Prijava(step);
    break;
  case Racun::Prodaja:
    ProdajaArt(step);
    break;
  default:
    if (profile().dialect == Dialect::B)
      m_state.zavrsiRacun ? KrajRacuna() : Placanje(step);
    else if (profile().dialect == Dialect::C && step.operacija == Racun::Kraj)
      KrajRacuna();
    else
      Placanje(step);
    break;
  }
}

// ---------------------------------------------------------------- receiving

void TransactionEngine::onBytesReceived(const QByteArray &bytes) {
  m_pendingBytes.append(bytes);
  if (m_dispatching || m_promptDepth > 0)
    return; // handled in order once the open handler or prompt is done
  processBytes();
}

void TransactionEngine::processBytes() {
  m_dispatching = true;
  while (!m_pendingBytes.isEmpty() || m_rx.hasPending()) {
    const QByteArray piece = m_pendingBytes;
    m_pendingBytes.clear();
    ReplyReceiver::Result r = m_rx.feed(piece);
    while (r.status == ReplyReceiver::Status::Complete) {
      emit frameReceived(r.frame);
      dispatch(r.frame);
      r = m_rx.feed({});
    }
    if (r.status != ReplyReceiver::Status::Complete && m_pendingBytes.isEmpty())
      break;
  }
  m_dispatching = false;
  if (m_watchdogDeferred) {
    m_watchdogDeferred = false;
    onWatchdog();
  }
  pumpWaiting();
}

TransactionEngine::PromptGuard::PromptGuard(TransactionEngine *e) : m_e(e) {
  expectNoOpenTransaction("an engine prompt");
  ++m_e->m_promptDepth;
}

TransactionEngine::PromptGuard::~PromptGuard() {
  if (--m_e->m_promptDepth == 0 && !m_e->m_dispatching &&
      (!m_e->m_pendingBytes.isEmpty() || !m_e->m_waiting.empty() || !m_e->m_followUps.empty())) {
    TransactionEngine *e = m_e;
    // After the prompt's caller has finished its own step.
    e->m_scheduler.schedule(0, e, [e] {
      if (e->m_promptDepth == 0 && !e->m_dispatching)
        e->processBytes();
    });
  }
}

bool TransactionEngine::message(const QString &title, const QString &text, bool question) {
  if (!m_prompt)
    return false;
  PromptGuard g(this);
  const bool potvrda = m_prompt->messageDialog(title, text, question);
  emit operatorAnswered(title + QStringLiteral(": ") + text,
                        !question || potvrda ? QStringLiteral("U redu") : QStringLiteral("Otkaz"));
  return potvrda;
}

UserPrompt::DeviceErrorAnswer TransactionEngine::deviceError(const UserPrompt::DeviceError &request) {
  if (!m_prompt)
    return {};
  PromptGuard g(this);
  const auto answer = m_prompt->deviceErrorDialog(request);
  QString choice;
  switch (request.mode) {
  case UserPrompt::Mode::Notice:
    choice = QStringLiteral("OK");
    break;
  case UserPrompt::Mode::Question:
    choice = answer.odgovor ? QStringLiteral("U redu") : QStringLiteral("Otkaz");
    break;
  case UserPrompt::Mode::Error:
    choice = request.captions.value(answer.izborGreske - 1, QString::number(answer.izborGreske));
    break;
  }
  emit operatorAnswered(request.naslov + QStringLiteral(": ") + request.tekst, choice);
  return answer;
}

int TransactionEngine::unfinishedDialog(const UserPrompt::UnfinishedReceipt &request) {
  if (!m_prompt)
    return 1;
  PromptGuard g(this);
  const int izbor = m_prompt->unfinishedReceiptDialog(request);
  emit operatorAnswered(request.tekst, request.buttons.value(izbor - 1, QString::number(izbor)));
  return izbor;
}

void TransactionEngine::instructions() {
  if (!m_prompt)
    return;
  PromptGuard g(this);
  m_prompt->showInstructions();
}

bool TransactionEngine::dbOk(const DbResult<> &result) {
  if (!result)
    message(QStringLiteral("GRESKA"), QStringLiteral("Greska u bazi podataka: ") + result.error());
  return result.ok();
}

// Every accepted reply: the dialog closes, the watchdog stops, RxBuf is emptied,
// SendSeq moves on, and a step's reply makes the retail entry line usable again.
void TransactionEngine::prologue(bool stepReply) {
  if (m_prompt)
    m_prompt->closeDeviceErrorDialog();
  stopWatchdog();
  m_scheduler.cancel(m_auxTimeout);
  m_auxTimeout = 0;
  m_rx.clear();
  m_seq.advance();
  noteAnsweredSeq();
  m_state.komandaUToku = false;
  m_state.awaitingReply = false;
  if (stepReply && m_retail && m_retail->isVisible())
    m_retail->enableEntryLine();
}

// Learns whether the device repeats the sequence byte of the command it answers: two
// accepted replies in a row that do (consecutive commands never share a byte, so a device
// that does not cannot match twice running) or three that do not. Learnt, it stays: one
// stray or late reply must not switch the check off for the rest of the day, and a device
// that never repeats the byte works exactly as before.
void TransactionEngine::noteAnsweredSeq() {
  if (m_sentSeqByte < 0 || m_replySeqByte < 0)
    return;
  if (m_seqEcho != SeqEcho::Unknown)
    return;
  if (m_replySeqByte == m_sentSeqByte)
    m_seqRun = std::max(m_seqRun, 0) + 1;
  else
    m_seqRun = std::min(m_seqRun, 0) - 1;
  if (m_seqRun >= 2)
    m_seqEcho = SeqEcho::Yes;
  else if (m_seqRun <= -3)
    m_seqEcho = SeqEcho::No;
}

// With a device that repeats the byte, a reply carrying another command's byte answers an
// earlier command (a resend's second answer, or one delayed past the next step): taken for
// the command now out it would confirm or refuse a step the device has not answered yet.
bool TransactionEngine::isLateReply(const QByteArray &frame) const {
  if (m_seqEcho != SeqEcho::Yes || m_sentSeqByte < 0)
    return false;
  const int seq = FrameCodec::sequenceByte(frame);
  return seq >= 0 && seq != m_sentSeqByte;
}

void TransactionEngine::dispatch(const QByteArray &frame) {
  // One command, one reply: a second answer (a slow reply and the reply to its
  // resend) or a stray frame must not confirm a step twice.
  if (!m_state.awaitingReply)
    return;
  // Still reading what the line held from before this start: no question is out yet.
  if (m_recovery == Recovery::Probing && m_stavkaKase.operacija == 0)
    return;
  // The same second answer arriving after the next command went out must not
  // confirm that command either (a line would be booked that the device never sold).
  if (isLateReply(frame)) {
    emit lateReplyDropped(frame);
    return;
  }
  m_replySeqByte = FrameCodec::sequenceByte(frame);
  if (m_service && !m_state.proveraKase && m_state.zapocetaOperacija == StartedOperation::None &&
      !m_state.racunUToku && m_service->claimsServiceReply(frame)) {
    prologue(false);
    m_service->handleServiceReply(frame);
    return;
  }
  switch (profile().dialect) {
  case Dialect::A:
    dispatchA(frame);
    break;
  case Dialect::B:
    dispatchB(frame);
    break;
  case Dialect::C:
    dispatchC(frame);
    break;
  }
}

// ---------------------------------------------------------------- watchdog

void TransactionEngine::resendReceiptCopy() {
  m_rx.clear();
  if (!m_receiptCopy.isEmpty())
    writeWire(m_receiptCopy, true);
  armWatchdog();
}

void TransactionEngine::onWatchdog() {
  m_watchdog = 0;
  if (m_dispatching || m_promptDepth > 0) {
    m_watchdogDeferred = true;
    return;
  }
  emit watchdogExpired();
  expireWatchdog();
  if (m_watchdog == 0) {
    // Nothing was sent again: the command is given up and the link is free.
    m_state.awaitingReply = false;
    pumpWaiting();
  }
}

void TransactionEngine::expireWatchdog() {
  if (m_state.proveraKase) {
    if (profile().family == Family::Two && m_state.zapocetaOperacija == StartedOperation::PrijavaStart) {
      // A Menko that does not answer long frames: ask it through the short-frame service.
      m_state.zapocetaOperacija = StartedOperation::None;
      m_state.menkoFallback = true;
      send(memoryCommands().OtvoriServis());
      armWatchdog();
      return;
    }
    m_state.proveraKase = false;
    m_state.menkoFallback = false;
    checkFailed(
        QStringLiteral("Doslo je do prekida u komunikaciji.Provera da li je kasa fiskalizovana nije uspela. "
                       "Proverite kablove i da li je kasa u odgovarajucem rezimu rada!"));
    return;
  }
  if (m_state.zapocetaOperacija == StartedOperation::Prijava ||
      m_state.zapocetaOperacija == StartedOperation::CitanjeArt) {
    m_state.zapocetaOperacija = StartedOperation::None;
    deviceError({QStringLiteral("Greska"), QStringLiteral("Doslo je do prekida u komunikaciji!"),
                 UserPrompt::Mode::Notice});
    return;
  }
  // A service command (display, status, report, reading) keeps its own copy even
  // while a receipt is open: resending the receipt frame would repeat a sale step.
  if (!m_state.racunUToku || m_state.pendingService) {
    if (m_retail)
      m_retail->enableEntryLine();
    if (m_restaurant)
      m_restaurant->enableControls();
    if (!m_state.komandaUToku)
      return;
    if (m_state.brojPonavljanja <= 2) {
      ++m_state.brojPonavljanja;
      m_rx.clear();
      // Model 2's service commands are short frames with their own copy.
      const bool shortService = profile().articleMemory == ArticleMemory::ShortFrameService;
      const QByteArray &copy =
          shortService && !m_serviceShortCopy.isEmpty() ? m_serviceShortCopy : m_serviceCopy;
      writeWire(copy, true);
      armWatchdog();
      return;
    }
    m_state.brojPonavljanja = 0;
    m_state.komandaUToku = false;
    m_serviceShortCopy.clear();
    m_serviceCopy.clear();
    if (m_split)
      m_split->enableControls();
    emit serviceButtonsEnabled();
    m_state.izvestajUToku = false;
    m_state.statusIzProdaje = false;
    m_state.slobodanTekstUToku = false;
    m_state.datumVremeUToku = false;
    m_freeTextLines.clear();
    m_state.pomocnaKomanda = false;
    m_followUps.clear();
    emit cursorRestored();
    deviceError({QStringLiteral("Greska"), QStringLiteral("Doslo je do problema u komunikaciji!"),
                 UserPrompt::Mode::Question});
    return;
  }
  if (m_state.brojPonavljanjaRacuna <= 2) {
    ++m_state.brojPonavljanjaRacuna;
    resendReceiptCopy();
    return;
  }
  if (m_retail)
    m_retail->enableEntryLine();
  stepFailed(QStringLiteral("Doslo je do prekida u kominikaciji.Izaberite neku opciju za nastavak rada."),
             true);
}
