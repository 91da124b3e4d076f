// Dialect C (model 4): replies carry the code of the command they answer, an
// error class when refused, and the device state in status reports.
#include "engine/transactionengine.h"

#include "device/articlemirror.h"
#include "device/devicecommands.h"
#include "device/deviceerrors.h"
#include "device/replyparser.h"

using namespace ReplyParser;

namespace {
enum Answered : quint8 {
  CmdPrijava = 0x01,
  CmdFreeTextPrint = 0x05,
  CmdFreeTextEnd = 0x06,
  CmdFreeTextBegin = 0x07,
  CmdIzvestaj = 0x08,
  CmdProdaja = 0x03,
  CmdPonisti = 0x04,
  CmdPlacanje = 0x09,
  CmdKraj = 0x0B,
  CmdStorno = 0x0C,
  CmdStatus = 0x0D,
  CmdIsprazniStampac = 0x0F,
  CmdIsprazniTotal = 0x12,
  CmdUpisArtikla = 0x13,
  CmdFioka = 0x15,
  CmdLcd = 0x1D,
};
bool isStepCommand(quint8 a) {
  return a == CmdPrijava || a == CmdProdaja || a == CmdPonisti || a == CmdPlacanje || a == CmdKraj ||
         a == CmdStorno;
}
// Commands outside the receipt's steps: their answers never confirm or fail a step.
bool isAuxCommand(quint8 a) {
  return a == CmdFioka || a == CmdLcd || a == CmdStatus || a == CmdIzvestaj || a == CmdIsprazniTotal ||
         a == CmdFreeTextBegin || a == CmdFreeTextPrint || a == CmdFreeTextEnd;
}
// The computer keeps its time when setting the clock is not allowed; the operator is told
// what the device says, so the clock can be set by hand.
QString clockNotSetText(const DeviceClock &c) {
  const QDateTime t = c.toDateTime();
  const QString deviceTime = t.isValid() ? t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                                         : QStringLiteral("neispravno (%1.%2.%3 %4:%5:%6)")
                                               .arg(c.day)
                                               .arg(c.month)
                                               .arg(c.year)
                                               .arg(c.hour)
                                               .arg(c.minute)
                                               .arg(c.second);
  return QStringLiteral("Vreme racunara nije podeseno! Vreme u kasi je %1. Za podesavanje sata racunara "
                        "potrebno je pravo na promenu sistemskog vremena.")
      .arg(deviceTime);
}
} // namespace

void TransactionEngine::dispatchC(const QByteArray &frame) {
  if (!frame.isEmpty() && quint8(frame[0]) == 0x5F) {
    if (isShort(frame, 0x20) && m_state.proveraKase) {
      prologue(false);
      m_state.proveraKase = false;
      m_state.zapocetaOperacija = StartedOperation::None;
      if (fiscalisedFromInfo(frame))
        checkSucceeded();
      else
        checkFailed(DeviceErrors::notFiscalisedText());
      return;
    }
    if (isShort(frame, 0x60) && m_state.datumVremeUToku) {
      prologue(false);
      m_state.datumVremeUToku = false;
      const DeviceClock c = deviceClock(frame);
      const bool set = PodesiVreme(c.year, c.month, c.day, c.hour, c.minute, c.second);
      emit serviceButtonsEnabled();
      emit cursorRestored();
      if (!set)
        message(QStringLiteral("Greska"), clockNotSetText(c));
      return;
    }
    if (isShort(frame, 0xF5)) {
      prologue(false);
      deviceError({DeviceErrors::titleObavestenje(), DeviceErrors::noticeText(noticeCode(frame)),
                   UserPrompt::Mode::Notice});
      emit serviceButtonsEnabled();
    }
    return;
  }
  if (isLong(frame, 0x21)) {
    prologue(false);
    m_state.statusIzProdaje = false;
    const FMInfo info = fmInfo(frame);
    if (info.infoType == 7 && info.remaining() < 51) {
      if (m_prompt)
        m_prompt->beep();
      message(QStringLiteral("INFORMACIJA"), DeviceErrors::remainingDailyReportsText(info.remaining()));
    }
    emit cursorRestored();
    return;
  }
  if (!isFamily4Ack(frame))
    return;
  const Family4Ack ack = family4Ack(frame);
  prologue(isStepCommand(ack.answered));
  if ((m_recovery == Recovery::Resolving || m_recovery == Recovery::Reselling) &&
      (ack.answered == CmdPonisti || ack.answered == CmdProdaja)) {
    resolveAnswered(ack.accepted());
    return;
  }
  if (ack.answered != CmdStatus)
    m_state.statusIzProdaje = false;
  if (ack.accepted())
    handleAckC(ack);
  else
    handleFailureC(ack);
}

void TransactionEngine::handleAckC(const Family4Ack &ack) {
  switch (ack.answered) {
  case CmdStatus:
    handleStatusC(ack);
    return;
  case CmdPrijava:
    if (m_state.rezimRestoran && m_state.racunUToku) {
      ++m_state.indeksStavke;
      if (m_state.indeksStavke < int(m_stavke.size())) {
        m_state.provera.indeksProvere = m_state.indeksStavke;
        Provera(m_stavke[m_state.indeksStavke]);
      }
    }
    return;
  case CmdProdaja:
  case CmdPonisti: {
    Racun &step = currentStep();
    learnFromSale(ack, step);
    if (!runStep(stepParts(step)))
      return;
    if (m_state.rezimRestoran) {
      ++m_state.indeksStavke;
      if (m_state.indeksStavke < int(m_stavke.size())) {
        m_state.provera.indeksProvere = m_state.indeksStavke;
        Provera(m_stavke[m_state.indeksStavke]);
      }
    }
    return;
  }
  case CmdPlacanje: {
    if (!runStep(stepParts(currentStep())))
      return;
    if (m_state.rezimRestoran) {
      ++m_state.indeksStavke;
      if (m_state.indeksStavke < int(m_stavke.size()))
        sendNextWholeStep();
    }
    return;
  }
  case CmdKraj:
    m_state.ekranKaseOtvoren = false;
    m_state.racunUToku = false;
    if (!runStep({StepPart{StepKind::ClosingC, Racun{}, std::nullopt}}))
      return;
    // The device completes the receipt in its status; ask for it now rather than
    // waiting for an unrelated event.
    m_state.closingAwaited = true;
    GetStatus();
    return;
  case CmdStorno: {
    m_state.ekranKaseOtvoren = false;
    m_state.racunUToku = false;
    // The device has cancelled its receipt; ours is settled only when the database
    // took the storno. Otherwise it stays unfinished (the failure is shown) for the
    // recovery when a sale screen opens next.
    // A receipt this till never stored (nothing of it was confirmed) has no rows to
    // cancel; its number may meanwhile be another till's.
    // The storno and the marking are one unit; while steps wait for the server it waits with them.
    if ((m_racunUpisan || m_racunOdlozen) && !runStep({StepPart{StepKind::Cancelled, Racun{}, std::nullopt}}))
      return;
    // The next sale gets a new number.
    nextReceipt();
    return;
  }
  case CmdIzvestaj:
    m_scheduler.schedule(5000, this, [this] { GetStatus(); });
    return;
  case CmdUpisArtikla:
    if (m_state.provera.zamenaArtiklaKorak2) {
      m_state.provera.zamenaArtiklaKorak2 = false;
      if (m_mirror && m_state.provera.mirrorRow >= 0 && m_state.provera.mirrorRow < m_mirror->count()) {
        MirrorArticle row = m_mirror->at(m_state.provera.mirrorRow);
        row.KSIFRA.clear();
        row.BARKOD.clear();
        m_mirror->update(m_state.provera.mirrorRow, row);
        saveMirror();
      }
      ProdajaArt(checkedStep());
    }
    return;
  case CmdIsprazniTotal:
    emit cursorRestored();
    return;
  case CmdFreeTextBegin:
  case CmdFreeTextPrint:
    // The free-text window's lines go out one per reply, then the end.
    if (!m_freeTextLines.isEmpty()) {
      if (m_freeTextNext < m_freeTextLines.size()) {
        const auto &line = m_freeTextLines.at(m_freeTextNext++);
        FreeTextPrint(line.first, line.second);
      } else {
        m_freeTextLines.clear();
        FreeTextEnd();
      }
      return;
    }
    m_state.pomocnaKomanda = false;
    return;
  case CmdFreeTextEnd:
    m_state.slobodanTekstUToku = false;
    [[fallthrough]];
  case CmdFioka:
  case CmdLcd:
    m_state.pomocnaKomanda = false;
    return;
  default:
    return;
  }
}

void TransactionEngine::handleStatusC(const Family4Ack &ack) {
  const int state = ack.stateOrClass;
  if (state == 0) {
    m_state.statusIzProdaje = false;
    PrijavaOperatera(m_rbrKasira);
    return;
  }
  if (state == 2 || state == 3 || state == 4) {
    m_state.statusIzProdaje = false;
    unfinishedOnStatus(state);
    return;
  }
  if ((state >= 10 && state <= 13) || (state >= 20 && state <= 22)) {
    m_scheduler.schedule(5000, this, [this] { GetStatus(); });
    return;
  }
  if (state == 30 || state == 31) {
    m_state.izvestajUToku = false;
    m_state.pomocnaKomanda = true;
    if (state == 30)
      FreeTextPrint(QStringLiteral(" "), 0);
    else
      FreeTextEnd();
    return;
  }
  if (state == 1 && m_state.izvestajUToku) {
    m_state.izvestajUToku = false;
    if (m_state.posleDnevnogIzvestaja) {
      m_state.posleDnevnogIzvestaja = false;
      emit dailyReportCompleted();
      GetFMInfo();
    } else if (m_state.posleIzvestajaArtikala) {
      m_state.posleIzvestajaArtikala = false;
      IsprazniTotal();
    } else {
      emit cursorRestored();
    }
    return;
  }
  if (m_state.slobodanTekstUToku) {
    m_state.slobodanTekstUToku = false;
    return;
  }
  if (m_state.statusIzProdaje) {
    m_state.statusIzProdaje = false;
    unfinishedOnStatus(1, ack.receiptNumber);
    return;
  }
  if (!m_state.closingAwaited) {
    emit cursorRestored();
    return; // nothing of ours was closing
  }
  m_state.closingAwaited = false;
  completeReceipt(Dialect::C, ack.receiptNumber);
}

void TransactionEngine::handleFailureC(const Family4Ack &ack) {
  const QString text = DeviceErrors::DekodirajGresku(ack.errorWord);
  const int cls = ack.stateOrClass;
  const quint8 a = ack.answered;
  const QString title = DeviceErrors::titleGreska();
  // Paper out comes first, whatever the command: the cashier must know what to fix.
  const bool paperOut = ack.errorBytes[3] == 0x08;
  if (a == CmdStatus) {
    if (paperOut) {
      deviceError({title, DeviceErrors::paperOutText(), UserPrompt::Mode::Notice});
      return;
    }
    const auto answer =
        deviceError({title, DeviceErrors::greskaSentence(text), UserPrompt::Mode::Error, true});
    m_rx.clear();
    if (answer.izborGreske == UserPrompt::Ponovi) {
      if (!m_serviceCopy.isEmpty())
        writeWire(m_serviceCopy, true);
      m_state.komandaUToku = true;
      m_state.awaitingReply = true;
      m_state.pendingService = true;
      armWatchdog();
      return;
    }
    m_state.racunUToku = false;
    m_state.pomocnaKomanda = false;
    if (answer.izborGreske == UserPrompt::Zaustavi) {
      emit portButtonEnabled();
      emit configButtonEnabled();
    }
    return;
  }
  const bool articleService = a == CmdUpisArtikla || a == CmdIsprazniStampac;
  if (paperOut) {
    if (m_state.pomocnaKomanda || isAuxCommand(a) || articleService) {
      m_state.pomocnaKomanda = false;
      m_state.izvestajUToku = false;
      m_followUps.clear();
      m_freeTextLines.clear();
      deviceError({title, DeviceErrors::paperOutText(), UserPrompt::Mode::Notice});
      if (articleService) {
        m_state.provera.zamenaArtiklaKorak2 = false;
        emit serviceButtonsEnabled();
      }
      emit cursorRestored();
      return;
    }
    // A receipt step: after the paper is in, "Ponovi" sends it again.
    stepFailed(DeviceErrors::paperOutText(), false, a);
    return;
  }
  const QString notice = QStringLiteral("Doslo je do greske ") + text + QStringLiteral(".");
  const bool drawerOrDisplay = a == CmdFioka || a == CmdLcd;
  if (cls == 1) {
    deviceError({title, notice, UserPrompt::Mode::Notice});
    m_state.izvestajUToku = false;
    m_state.pomocnaKomanda = false;
    m_followUps.clear();
    emit cursorRestored();
    if (articleService && !m_state.racunUToku)
      emit serviceButtonsEnabled(); // the article window's loop ends here
    if (a == CmdProdaja || a == CmdPonisti) {
      Racun &step = currentStep();
      learnFromSale(ack, step);
      if (!m_state.rezimRestoran && m_retail)
        m_retail->takeLastLineOff(false);
    }
    // A whole receipt goes no further: what the device took leaves the table and the
    // screen is given back, else it would stay locked with the rest of the table on it.
    if (m_state.rezimRestoran && m_state.racunUToku && !articleService) {
      if (closeForAcceptedLines(m_state.indeksStavke))
        return;
      m_state.racunUToku = false;
      removeAcceptedLines(m_state.indeksStavke);
    }
    return;
  }
  if ((cls == 2 || cls == 3 || cls == 4) && drawerOrDisplay) {
    deviceError({title, notice.left(notice.size() - 1) + QStringLiteral(". Racun mora da bude zavrsen."),
                 UserPrompt::Mode::Notice});
    m_state.pomocnaKomanda = false;
    m_followUps.clear();
    return;
  }
  if (cls == 2 && (a == CmdFreeTextPrint || a == CmdFreeTextEnd || a == CmdFreeTextBegin)) {
    deviceError({title,
                 QStringLiteral("Doslo je do greske ") + text +
                     QStringLiteral(". Ne mozete stampati slobodan tekst dok ne zavrsite racun."),
                 UserPrompt::Mode::Notice});
    m_state.pomocnaKomanda = false;
    m_freeTextLines.clear();
    return;
  }
  if (cls == 2) {
    UserPrompt::DeviceError req{title, DeviceErrors::greskaProdajeSentence(text), UserPrompt::Mode::Error,
                                true};
    req.captions = {QStringLiteral("Zatvori prethodni"), QStringLiteral("Storniraj prethodni"),
                    QStringLiteral("Nastavi dalje")};
    const auto answer = deviceError(req);
    m_rx.clear();
    if (answer.izborGreske == 1) {
      KrajRacuna();
    } else if (answer.izborGreske == 2) {
      StornirajRacun();
    } else if (a == CmdPrijava || a == CmdIzvestaj) {
      if (m_retail && m_retail->isVisible())
        m_retail->enableEntryLine();
      if (m_restaurant)
        m_restaurant->enableControls();
      if (m_split)
        m_split->enableControls();
    } else if (articleService) {
      if (m_retail && m_retail->isVisible())
        m_retail->enableEntryLine();
    } else if (m_state.rezimRestoran) {
      removeAcceptedLines(m_state.indeksStavke);
    } else if (m_retail && m_retail->isVisible()) {
      m_retail->enableEntryLine();
    }
    if (articleService) {
      m_state.provera.zamenaArtiklaKorak2 = false;
      emit serviceButtonsEnabled();
      emit cursorRestored();
    }
    return;
  }
  if (articleService && !m_state.racunUToku) {
    // No receipt is open behind the article window's writes: nothing to close or repeat.
    deviceError({title, notice, UserPrompt::Mode::Notice});
    emit serviceButtonsEnabled();
    emit cursorRestored();
    return;
  }
  if (cls == 3 || cls == 4) {
    m_rx.clear();
    KrajRacuna();
    return;
  }
  if (cls == 30 || cls == 31) {
    m_state.pomocnaKomanda = true;
    if (cls == 30)
      FreeTextPrint(QStringLiteral(" "), 0);
    else
      FreeTextEnd();
    return;
  }
  if (m_state.pomocnaKomanda || isAuxCommand(a)) {
    m_state.pomocnaKomanda = false;
    m_followUps.clear();
    m_freeTextLines.clear();
    deviceError({title, DeviceErrors::greskaKomandeSentence(a, text), UserPrompt::Mode::Notice});
    return;
  }
  stepFailed(DeviceErrors::greskaProdajeSentence(text), false, a);
}

// "Ponovi" after a refusal: the refused command itself, as the reply names it.
void TransactionEngine::resendRefusedC(quint8 answered, const Racun &step) {
  switch (answered) {
  case CmdKraj:
    KrajRacuna();
    break;
  case CmdStorno:
    StornirajRacun();
    break;
  case CmdPrijava:
    if (m_state.rezimRestoran)
      Prijava(step);
    else
      PrijavaOperatera(m_rbrKasira);
    break;
  case CmdProdaja:
  case CmdPonisti:
    ProdajaArt(step);
    break;
  case CmdPlacanje:
    Placanje(step);
    break;
  default:
    sendByCode(step);
    break;
  }
}
