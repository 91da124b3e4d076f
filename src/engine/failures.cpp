// The operator's choice after a failed or unanswered receipt step, and the end of
// a receipt: completion in the database and clearing of the sale window.
#include "engine/transactionengine.h"

#include "common/localetext.h"

QList<int> TransactionEngine::acceptedLines(int endIndex, bool stopAtFirstEnd) const {
  QList<int> rbr;
  for (int i = 1; i < int(m_stavke.size()) && i < endIndex; ++i) {
    if (stopAtFirstEnd && m_stavke[i].operacija == Racun::Kraj)
      break;
    if (m_stavke[i].operacija == Racun::Prodaja)
      rbr.append(m_stavke[i].rbrStavke);
  }
  return rbr;
}

StepPart TransactionEngine::paidLinesOff(int sto, const QList<int> &rbr) const {
  StepPart part;
  part.kind = StepKind::TableLinesOff;
  part.sto = sto;
  for (const int n : rbr) {
    if (n <= 0 || m_takenOff.contains(n))
      continue; // a void the receipt added of its own, or a line taken off after "Nastavi"
    const auto paid = std::find_if(m_stavke.begin(), m_stavke.end(), [n](const Racun &r) {
      return r.operacija == Racun::Prodaja && r.rbrStavke == n;
    });
    if (paid != m_stavke.end())
      part.lines.append({n, paid->sifra, paid->kolicina, paid->iznos});
  }
  return part;
}

bool TransactionEngine::runTableStep(const StepParts &parts,
                                     std::optional<ReceiptStore::TableOutcome> *written) {
  if (parts.isEmpty() || parts.first().sto <= 0)
    return true; // no table: nothing to book
  const int waiting = waitingSteps();
  if (!runStep(parts))
    return false;
  const bool kept = waitingSteps() > waiting;
  const ReceiptStore::TableOutcome &found = m_store.tableOutcome();
  for (const StepPart &p : parts) {
    if (p.kind != StepKind::TableLinesOff)
      continue;
    for (const PaidTableLine &l : p.lines) {
      // Waiting, a line counts as gone: it is not offered again meanwhile.
      const bool left = !kept && std::any_of(found.leftOn.begin(), found.leftOn.end(),
                                             [&](const PaidTableLine &o) { return o.rbr == l.rbr; });
      if (left)
        ++m_changedElsewhere;
      else
        m_takenOff.append(l.rbr);
    }
  }
  if (!kept && written)
    *written = found;
  return true;
}

void TransactionEngine::tellChangedElsewhere(int sto) {
  if (std::exchange(m_changedElsewhere, 0) == 0)
    return;
  message(QStringLiteral("Upozorenje!"),
          QStringLiteral("STO %1 JE U MEDJUVREMENU MENJAN NA DRUGOJ KASI!\nPlacene stavke koje su tamo "
                         "promenjene ostale su na stolu. Proverite sto.")
              .arg(sto));
}

// "Nastavi" in restaurant mode: the lines the device accepted leave the table.
void TransactionEngine::removeAcceptedLines(int endIndex) {
  const QList<int> rbr = acceptedLines(endIndex, true);
  const int sto = m_trenutniSto;
  const bool split = m_state.rastavljanjePoArtiklima || m_state.rastavljanjePoTurama;
  const int round = split && m_split ? m_split->selectedRoundIndex() + 1 : 0;
  StepParts parts{paidLinesOff(sto, rbr)};
  if (m_state.rastavljanjePoTurama)
    parts.append(StepPart{StepKind::RoundClosed, Racun{}, std::nullopt, sto, {}, round});
  std::optional<ReceiptStore::TableOutcome> written; // none while the step waits: the rounds shown stay
  m_changedElsewhere = 0;
  runTableStep(parts, &written);
  tellChangedElsewhere(sto);
  if (split) {
    if (m_split) {
      m_split->reloadLines();
      if (m_state.rastavljanjePoTurama && written && written->roundClosed)
        m_split->refillRounds(written->lastRound);
      m_split->resetAfterReceipt();
    }
  } else if (m_restaurant) {
    m_restaurant->setTotal(m_store.tables().sum(sto).value_or(Money())); // shown as 0,00 when unreadable
    m_restaurant->enableControls();
  }
}

// A table's line refused by the device: the receipt is open on the device with the
// lines it took, and nothing would ever close it (the next settling, of this table or
// another, would pour its lines into it and pay only for its own). It is paid and closed
// for what the device took; the refused line and those after it stay on the table.
// Cheque and card keep what fits into the smaller total, cash pays the rest.
bool TransactionEngine::closeForAcceptedLines(int failedIndex) {
  if (!m_state.rezimRestoran || failedIndex <= 1 || failedIndex >= int(m_stavke.size()) ||
      m_stavke[std::size_t(failedIndex)].operacija != Racun::Prodaja)
    return false;
  Money accepted;
  for (int i = 1; i < failedIndex; ++i)
    if (m_stavke[std::size_t(i)].operacija == Racun::Prodaja)
      accepted += m_stavke[std::size_t(i)].iznos;
  if (accepted <= Money())
    return false; // nothing to pay for: the device takes no payment then
  const StavkeRacuna tail(m_stavke.begin() + failedIndex, m_stavke.end());
  m_stavke.resize(std::size_t(failedIndex));
  Money rest = accepted;
  for (Racun r : tail) {
    if (r.operacija != Racun::Placanje || r.nacinPlacanja == Racun::Gotovina)
      continue;
    r.iznosPlacanja = std::min(r.iznosPlacanja, rest);
    if (r.iznosPlacanja <= Money())
      continue;
    rest -= r.iznosPlacanja;
    m_stavke.push_back(r);
  }
  bool cashStep = false;
  for (Racun r : tail) {
    if (r.operacija == Racun::Placanje && r.nacinPlacanja == Racun::Gotovina) {
      r.iznosPlacanja = r.ostatak = rest;
      cashStep = true;
      m_stavke.push_back(r);
    } else if (r.operacija == Racun::Kraj) {
      if (!cashStep)
        r.ostatak = rest; // the closing books the cash itself
      m_stavke.push_back(r);
      break;
    }
  }
  m_state.racunUToku = true;
  m_state.indeksStavke = failedIndex;
  // The device took them: they leave the table now, the screen stays shut until it closes.
  const QList<int> rbr = acceptedLines(failedIndex, true);
  const int sto = m_trenutniSto;
  m_changedElsewhere = 0;
  if (!runTableStep({paidLinesOff(sto, rbr)}))
    return true;
  tellChangedElsewhere(sto);
  sendNextWholeStep();
  return true;
}

void TransactionEngine::nastavi(int acceptedEnd, bool fromWatchdog) {
  emit portButtonEnabled();
  if (m_state.rezimRestoran) {
    // After a silence the device may hold the unanswered line too: no payment is guessed.
    if (!fromWatchdog && closeForAcceptedLines(acceptedEnd))
      return;
    removeAcceptedLines(acceptedEnd);
    m_state.racunUToku = false;
    return;
  }
  if (m_stavkaKase.operacija == Racun::Prodaja && m_retail)
    m_retail->takeLastLineOff(fromWatchdog);
}

void TransactionEngine::stepFailed(const QString &text, bool fromWatchdog, int refusedCommand) {
  const Dialect dialect = profile().dialect;
  UserPrompt::DeviceError req{QStringLiteral("Greska!"), text, UserPrompt::Mode::Error,
                              m_state.rezimRestoran || profile().alwaysOffersZaustavi};
  const auto answer = deviceError(req);
  m_rx.clear();
  if (fromWatchdog && !m_pendingBytes.isEmpty()) {
    // The device answered while the cashier was choosing. That answer settles the step:
    // a resend now would be answered a second time and that answer taken for the next
    // step's, and giving the step up would drop what the device printed.
    armWatchdog();
    return;
  }
  if (answer.izborGreske == UserPrompt::Nastavi || answer.izborGreske == UserPrompt::Zaustavi)
    m_recovery = Recovery::None; // a recovery given up goes no further
  switch (answer.izborGreske) {
  case UserPrompt::Nastavi: {
    // Only what the device confirmed counts as done: an unanswered line was never
    // written to PRODATO, so it stays on the table.
    int end = m_state.indeksStavke; // the pending step (watchdog, dialect C)
    if (!fromWatchdog && dialect != Dialect::C)
      end = m_state.indeksStavke - 1; // the reply already moved past the failed step
    if (dialect == Dialect::C)
      m_state.racunUToku = false;
    nastavi(end, fromWatchdog);
    return;
  }
  case UserPrompt::Zaustavi:
    if (m_restaurant)
      m_restaurant->enableControls();
    if (m_split)
      m_split->enableControls();
    if (m_state.rezimRestoran)
      m_state.racunUToku = false;
    if (m_link.Model == 5 && !fromWatchdog) { // model 5's refusal gives both buttons back
      emit portButtonEnabled();
      emit configButtonEnabled();
    }
    return;
  default: // Ponovi
    if (fromWatchdog) {
      // Once more by hand; a further silence brings the dialog back without automatic resends.
      resendReceiptCopy();
      return;
    }
    if (dialect != Dialect::C)
      --m_state.indeksStavke;
    const Racun &step = currentStep();
    if (dialect == Dialect::C && refusedCommand >= 0)
      resendRefusedC(quint8(refusedCommand), step);
    else
      sendByCode(step);
    return;
  }
}

void TransactionEngine::completeReceipt(Dialect dialect, std::optional<quint32> brfisis) {
  const int done = m_brojRacuna;
  // The device has closed the receipt: a failed marking is shown and the receipt stays
  // unfinished for the recovery, but the sale window moves on.
  if (m_racunUpisan || m_racunOdlozen) // else nothing of it was stored, and the number may be another till's
    runStep({StepPart{StepKind::Finished, Racun{}, dialect == Dialect::B ? std::nullopt : brfisis}});
  if (m_state.rezimRestoran)
    bookTable(dialect); // a step of this receipt: while the server is away it waits after its steps
  nextReceipt();
  if (dialect != Dialect::B && m_prompt) {
    PromptGuard g(this);
    m_prompt->pressEnterNotice(QStringLiteral("pritisni ENTER za nastavak"));
  }
  clearSaleWindow(dialect);
  if (m_state.rezimRestoran)
    m_state.racunUToku = false; // the whole receipt is over
  m_followUps.clear();
  if (profile().hasDrawer && m_fioka)
    m_followUps.emplace_back([this] { OtvoriFioku(); });
  if (dialect == Dialect::C) {
    if (!m_lcd1.isEmpty())
      m_followUps.emplace_back([this] { LcdShow(m_lcd1, 0); });
    if (m_lcd2DateTime) {
      // Taken when the line is written, so it shows the moment the receipt ended.
      m_followUps.emplace_back([this] {
        const QDateTime now = m_scheduler.now();
        LcdShow(LocaleText::date(now.date()) + QLatin1Char(' ') + now.toString(QStringLiteral("HH:mm")), 1);
      });
    } else if (!m_lcd2.isEmpty()) {
      m_followUps.emplace_back([this] { LcdShow(m_lcd2, 1); });
    }
  }
  if (dialect == Dialect::A)
    emit portButtonEnabled();
  emit receiptCompleted(done);
  if (m_recovery != Recovery::None && !m_state.rezimRestoran) {
    // The recovered receipt is settled with the device: the screen's own receipt opens.
    m_recovery = Recovery::None;
    beginRetailReceipt(m_rbrKasira);
  }
  pumpWaiting();
}

void TransactionEngine::bookTable(Dialect dialect) {
  const int sto = m_trenutniSto;
  QList<int> rbr;
  if (dialect == Dialect::C)
    rbr = acceptedLines(m_state.indeksStavke, true);
  else
    rbr = acceptedLines(int(m_stavke.size()), true);
  const bool split = m_state.rastavljanjePoArtiklima || m_state.rastavljanjePoTurama;
  const int round = split && m_split ? m_split->selectedRoundIndex() + 1 : 0;
  // Only the lines paid leave the table, whatever the receipt: one another till added
  // meanwhile stays, and so the table stays open.
  StepParts parts{paidLinesOff(sto, rbr), StepPart{StepKind::TableFreed, Racun{}, std::nullopt, sto, {}, 0}};
  if (m_state.rastavljanjePoTurama)
    parts.append(StepPart{StepKind::RoundClosed, Racun{}, std::nullopt, sto, {}, round});
  m_changedElsewhere = 0;
  std::optional<ReceiptStore::TableOutcome> written;
  runTableStep(parts, &written);
  m_tableLastRound = written ? written->lastRound : -1;
}

void TransactionEngine::clearSaleWindow(Dialect) {
  if (!m_state.rezimRestoran) {
    if (m_retail)
      m_retail->resetAfterReceipt();
    return;
  }
  const int sto = m_trenutniSto;
  const bool split = m_state.rastavljanjePoArtiklima || m_state.rastavljanjePoTurama;
  tellChangedElsewhere(sto);
  if (split && m_split)
    m_split->reloadLines();
  if (m_restaurant)
    m_trenutniSto = m_restaurant->reloadTables();
  if (split) {
    if (m_split) {
      // While the step waits the rounds shown stay as they are.
      if (m_state.rastavljanjePoTurama && m_tableLastRound >= 0)
        m_split->refillRounds(m_tableLastRound);
      m_split->resetAfterReceipt();
    }
    return;
  }
  if (m_restaurant) {
    m_restaurant->resetAmounts(m_store.tables().sum(m_trenutniSto).value_or(Money()));
    m_restaurant->enableControls();
  }
}
