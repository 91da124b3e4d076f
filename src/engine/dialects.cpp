// The three reply dialects of the receipt sequencer: A (models 1, 5), B (models 2, 3)
// and C (model 4), the database writes of a confirmed step and the completion.
#include "engine/transactionengine.h"

#include "device/devicecommands.h"
#include "device/deviceerrors.h"
#include "device/memorycommands.h"
#include "device/replyparser.h"

using namespace ReplyParser;

namespace {
bool isPayment(const Racun &r) {
  return r.operacija == Racun::Placanje || r.operacija == Racun::Kraj;
}
} // namespace

ReceiptHeader TransactionEngine::key() const {
  ReceiptHeader k;
  const QDateTime now = m_scheduler.now();
  k.id.broj = m_claimed.value_or(m_brojRacuna);
  k.stored = m_racunUpisan || m_claimed;
  k.id.godina = now.date().year();
  k.datum = now.date();
  k.vreme = now.time();
  k.sifoper = m_state.rezimRestoran && !m_stavke.empty() ? m_stavke[0].operater : m_rbrKasira;
  k.brstola = m_trenutniSto;
  k.restoran = m_state.rezimRestoran;
  k.kasa = tillId();
  return k;
}

// Tills sharing a server are told apart by their fiscal device's number: the unfinished
// receipt a till recovers is one its own device may still hold, and the number is the
// device's, set in each till's own settings, where a machine's name says nothing of it.
QString TransactionEngine::tillId() const {
  return m_link.IBFM.trimmed();
}

Racun &TransactionEngine::stepAt(int index) {
  if (m_state.rezimRestoran && index >= 0 && index < int(m_stavke.size()))
    return m_stavke[std::size_t(index)];
  return m_stavkaKase;
}

// One confirmed step's writes: all or nothing. A failure is shown and ends the
// handling; the receipt stays unfinished for the recovery at the next start.
bool TransactionEngine::runWrite(const std::function<DbResult<>()> &writes) {
  m_claimed.reset();
  const bool ok = dbOk(m_store.inStep(writes));
  if (ok && m_claimed) {
    m_brojRacuna = *m_claimed;
    m_racunUpisan = true;
  }
  m_claimed.reset();
  return ok;
}

DbResult<> TransactionEngine::withKey(const std::function<DbResult<>(ReceiptHeader &)> &writes) {
  ReceiptHeader k = key();
  const bool before = k.stored;
  DB_TRY(writes(k));
  if (k.stored && !before)
    m_claimed = k.id.broj;
  return {};
}

void TransactionEngine::takeUpReceipt(int number) {
  m_brojRacuna = number;
  m_racunUpisan = true;
  forgetReceiptSteps();
}

void TransactionEngine::nextReceipt() {
  m_brojRacuna = nextReceiptNumber();
  m_racunUpisan = false;
  forgetReceiptSteps();
}

void TransactionEngine::sendNextWholeStep() {
  if (m_state.indeksStavke < 0 || m_state.indeksStavke >= int(m_stavke.size()))
    return;
  const Racun &next = m_stavke[m_state.indeksStavke];
  switch (next.operacija) {
  case Racun::Otvaranje:
    Prijava(next);
    break;
  case Racun::Prodaja:
    if (profile().articleCheck == ArticleCheck::LearnsFromSale) { // each line is checked in its turn
      m_state.provera.indeksProvere = m_state.indeksStavke;
      Provera(next);
    } else {
      ProdajaArt(next);
    }
    break;
  case Racun::Placanje:
    Placanje(next);
    break;
  case Racun::Kraj:
    if (profile().deviceClosesReceipt) {
      Placanje(next); // a zero cash payment: the device closes
    } else {
      if (profile().dialect == Dialect::B)
        m_state.krajPoslat = true;
      KrajRacuna();
    }
    break;
  default:
    break;
  }
}

// ---------------------------------------------------------------- dialect A

void TransactionEngine::dispatchA(const QByteArray &frame) {
  if (isLong(frame, 0x7F)) {
    if (!m_state.proveraKase)
      return;
    prologue(false);
    m_state.proveraKase = false;
    if (fiscalisedFrom7F(frame))
      checkSucceeded();
    else
      checkFailed(DeviceErrors::notFiscalisedText());
    return;
  }
  if (isLong(frame, 0x74)) {
    const bool pendingWrite = m_state.provera.writePending();
    // The sale line (or the second write) follows at once: keep the entry line
    // shut until it is answered, so a quick payment cannot overtake it.
    prologue(false);
    if (pendingWrite)
      articleWriteConfirmed();
    return;
  }
  if (m_recovery == Recovery::Probing && (isLong(frame, 0x1F) || isLong(frame, 0x1C))) {
    prologue(false);
    if (isLong(frame, 0x1C)) { // the receipt was paid already: the probe closed it
      recoveryProbeAnswered(false, fiscalReceiptNumber1C(frame));
      return;
    }
    const Family1Ack ack = family1Ack(frame);
    if (ack.refused && ack.reason == 0x40) {
      deviceError({QStringLiteral("Greska!"), DeviceErrors::family1PaperText(), UserPrompt::Mode::Notice});
      m_rx.clear();
      Racun probe;
      probe.operacija = Racun::Placanje;
      Placanje(probe);
      return;
    }
    recoveryProbeAnswered(!ack.refused, std::nullopt);
    return;
  }
  if ((m_recovery == Recovery::Resolving || m_recovery == Recovery::Reselling) && isLong(frame, 0x1F)) {
    prologue(true);
    resolveAnswered(!family1Ack(frame).refused);
    return;
  }
  if (isLong(frame, 0x1F)) {
    const Family1Ack ack = family1Ack(frame);
    if (m_state.pomocnaKomanda) {
      prologue(false);
      if (!ack.refused) {
        m_state.pomocnaKomanda = false;
        m_state.auxSettling = true; // the device wants a moment before the next command
        m_scheduler.schedule(300, this, [this] {
          m_state.auxSettling = false;
          emit portButtonEnabled();
          pumpWaiting();
        });
        return;
      }
      const auto answer =
          deviceError({QStringLiteral("Greska!"), DeviceErrors::drawerRefusalText(m_link.Model),
                       UserPrompt::Mode::Error, m_state.rezimRestoran});
      m_rx.clear();
      if (answer.izborGreske == UserPrompt::Ponovi) {
        OtvoriFioku();
        return;
      }
      emit portButtonEnabled();
      if (answer.izborGreske == UserPrompt::Zaustavi)
        emit configButtonEnabled();
      m_state.pomocnaKomanda = false;
      m_followUps.clear();
      return;
    }
    prologue(true);
    ++m_state.indeksStavke;
    if (ack.refused) {
      if (ack.reason == 0x40) {
        deviceError({QStringLiteral("Greska!"), DeviceErrors::family1PaperText(), UserPrompt::Mode::Notice});
        m_rx.clear();
        --m_state.indeksStavke;
        sendByCode(currentStep());
        return;
      }
      stepFailed(DeviceErrors::reasonText(m_link.Model, ack.reason), false);
      return;
    }
    if (!runStep(stepParts(confirmedStep())))
      return;
    if (m_state.rezimRestoran) {
      sendNextWholeStep();
    } else if (m_recovery == Recovery::Voiding) {
      recoveryNextVoid();
    } else if (m_recovery == Recovery::Closing) {
      // Paid what the database holds, the device still wants more: it holds more than was
      // booked. The receipt goes on in the screen for the cashier to settle.
      m_recovery = Recovery::None;
      NapuniNastavakRacun(today(), m_brojRacuna);
    }
    return;
  }
  if (isLong(frame, 0x1C)) {
    prologue(true);
    const quint32 brfisis = fiscalReceiptNumber1C(frame);
    const Racun step = currentStep();
    if (isPayment(step) && !runStep({StepPart{StepKind::ClosingA, step, brfisis}}))
      return;
    completeReceipt(Dialect::A, brfisis);
  }
}

// ---------------------------------------------------------------- dialect B

void TransactionEngine::dispatchB(const QByteArray &frame) {
  if (!frame.isEmpty() && quint8(frame[0]) == 0x5F) {
    if (m_state.menkoFallback)
      handleMenkoShortFrame(frame);
    return;
  }
  if (isLong(frame, 0x19)) {
    if (m_state.zapocetaOperacija != StartedOperation::CitanjeFM)
      return;
    prologue(false);
    m_state.zapocetaOperacija = StartedOperation::None;
    m_state.proveraKase = false;
    m_link.Model = 3;
    emit modelChanged(3);
    checkSucceeded();
    return;
  }
  if (isLong(frame, 0x16)) {
    if (m_state.zapocetaOperacija != StartedOperation::CitanjeArt)
      return;
    prologue(false);
    m_state.zapocetaOperacija = StartedOperation::None;
    m_link.Model = 3;
    emit modelChanged(3);
    return;
  }
  if (!isLong(frame, 0x20))
    return;
  quint8 status = family2Ack(frame).status;
  // Model 3's quirk: its answer to a resent service command counts as done.
  if (m_link.Model == 3 && m_state.brojPonavljanja > 0 && !m_state.ekranKaseOtvoren)
    status = 0xFF;

  if (m_state.proveraKase && m_state.zapocetaOperacija == StartedOperation::PrijavaStart) {
    prologue(false);
    if (status != 0xFF) {
      m_state.proveraKase = false;
      m_state.zapocetaOperacija = StartedOperation::None;
      checkFailed(DeviceErrors::family2LoginFailedText());
      return;
    }
    m_state.zapocetaOperacija = StartedOperation::CitanjeFM;
    send(commands().CitanjeFMMenko());
    return;
  }
  if (m_state.zapocetaOperacija == StartedOperation::Prijava) {
    // The long-frame article read decides the variant on every showing of the
    // main menu, also for a device the start-up check took for model 3: passing
    // the fiscal-memory read in long frames does not make a Menko the variant.
    prologue(false);
    m_state.zapocetaOperacija = StartedOperation::CitanjeArt;
    send(memoryCommands().CitanjeArtiklaMenko());
    return;
  }
  if (m_state.zapocetaOperacija == StartedOperation::CitanjeArt) {
    prologue(false);
    m_state.zapocetaOperacija = StartedOperation::None;
    m_link.Model = 2;
    emit modelChanged(2);
    return;
  }
  if (m_recovery == Recovery::Probing) {
    prologue(false);
    recoveryProbeAnswered(m_link.Model == 3 ? status != 0 : status == 0xFF, std::nullopt);
    return;
  }
  if (m_recovery == Recovery::Resolving || m_recovery == Recovery::Reselling) {
    prologue(true);
    resolveAnswered(m_link.Model == 3 ? status != 0 : status == 0xFF);
    return;
  }
  if (m_recovery == Recovery::EndingBooked) {
    // The closing of a receipt booked already: nothing more to write.
    prologue(false);
    m_recovery = Recovery::None;
    beginRetailReceipt(m_rbrKasira);
    return;
  }
  // Model 3's quirk: the answer to the retail screen's opening is swallowed.
  if (m_link.Model == 3 && m_state.preskociOdgovor) {
    prologue(true);
    m_state.preskociOdgovor = false;
    return;
  }
  // Model 3's quirk: only 0 is a refusal.
  const bool done = m_link.Model == 3 ? status != 0 : status == 0xFF;
  if (profile().articleCheck == ArticleCheck::ProgramsFirst && m_state.provera.writePending()) {
    prologue(!done); // a confirmed write is followed by the sale line
    if (!done) {
      ++m_state.indeksStavke;
      stepFailed(DeviceErrors::family2RefusalText(), false);
      return;
    }
    articleWriteConfirmed();
    return;
  }
  if (m_state.pomocnaKomanda) {
    prologue(false);
    m_state.pomocnaKomanda = false;
    return;
  }
  prologue(true);
  ++m_state.indeksStavke;
  if (!done) {
    stepFailed(DeviceErrors::family2RefusalText(), false);
    return;
  }
  const Racun step = confirmedStep();
  bool sendKraj = false;
  if (m_state.krajPoslat) {
    m_state.krajPoslat = false;
    m_state.zavrsiRacun = true;
    sendKraj = !m_state.rezimRestoran; // retail: the payment before the closing was confirmed
  }
  const bool complete = m_state.zavrsiRacun;
  // A cash payment that ends the receipt is settled by the closing alone: its RATE row
  // is the part that pays the receipt, never a second row for the tendered amount.
  const bool cashClosing =
      complete && step.operacija == Racun::Placanje && step.nacinPlacanja == Racun::Gotovina;
  // The step and, when it ends the receipt, its settlement are one unit of writes.
  StepParts parts = cashClosing ? StepParts() : stepParts(step);
  if (complete)
    parts.append(StepPart{StepKind::ClosingB, step, std::nullopt});
  if (!runStep(parts))
    return;
  if (m_state.rezimRestoran && !complete) {
    sendNextWholeStep();
    return;
  }
  if (!complete && m_recovery == Recovery::Voiding) {
    recoveryNextVoid();
    return;
  }
  if (sendKraj) {
    // The closing command's own reply must not book the payment a second time.
    m_stavkaKase = Racun{};
    m_stavkaKase.operacija = Racun::Kraj;
    KrajRacuna();
  }
  if (complete) {
    m_state.zavrsiRacun = false;
    completeReceipt(Dialect::B, std::nullopt);
  }
}
