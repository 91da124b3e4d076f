// A server out of reach: the device has confirmed a step the database cannot take. The
// step waits in the step journal, the receipt carries on, and the waiting steps are
// written in their order, each once, when the server answers again.
#include "engine/stepjournal.h"
#include "engine/transactionengine.h"

#include "data/database.h"

#include <QLoggingCategory>
#include <QUuid>

Q_LOGGING_CATEGORY(lcOutage, "kasa.engine.outage")

namespace {

// A step id a till keeps for replay is written within days; older ones only take room.
constexpr int kAppliedStepsKeptDays = 60;

QString newId() {
  return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The paid lines a replayed step found changed or gone, as the waiter reads them.
QString leftOnText(const PendingStep &s, const QList<PaidTableLine> &left) {
  if (left.isEmpty())
    return {};
  int sto = 0;
  for (const StepPart &p : s.parts)
    if (p.kind == StepKind::TableLinesOff)
      sto = p.sto;
  QStringList lines;
  for (const PaidTableLine &l : left)
    lines << QStringLiteral("stavka %1 (%2, kolicina %3, iznos %4)")
                 .arg(l.rbr)
                 .arg(l.sifra.trimmed(), l.kolicina.text(), l.iznos.text());
  return QStringLiteral("sto %1, racun %2 (%3): %4")
      .arg(sto)
      .arg(s.key.id.broj)
      .arg(s.key.datum.toString(QStringLiteral("dd.MM.yyyy")), lines.join(QStringLiteral(", ")));
}

} // namespace

QString TransactionEngine::newReceiptRefusedText() {
  return QStringLiteral(
      "Veza sa bazom je prekinuta. Novi racun nije moguc dok se sacuvani koraci ne upisu u bazu.");
}

QString TransactionEngine::tableSettlingText(int sto) {
  return QStringLiteral(
             "Sto %1 je naplacen, ali placene stavke jos nisu skinute sa stola u bazi (veza sa "
             "bazom je prekinuta). Sto se ne moze ponovo naplatiti dok se sacuvani koraci ne upisu u "
             "bazu.")
      .arg(sto);
}

QSet<int> TransactionEngine::linesLeavingTable(int sto) const {
  QSet<int> rbr;
  if (!m_journal || sto == 0)
    return rbr;
  for (const PendingStep &s : m_journal->steps())
    for (const StepPart &p : s.parts)
      if (p.kind == StepKind::TableLinesOff && p.sto == sto)
        for (const PaidTableLine &l : p.lines)
          rbr.insert(l.rbr);
  return rbr;
}

bool TransactionEngine::refusesSettlingTable(int sto) {
  if (linesLeavingTable(sto).isEmpty())
    return false;
  message(QStringLiteral("GRESKA"), tableSettlingText(sto));
  return true;
}

void TransactionEngine::setStepJournalDir(const QString &dir) {
  if (dir.isEmpty()) {
    m_journal.reset();
    tellOutage();
    return;
  }
  m_journal = std::make_unique<StepJournal>(dir);
  int bad = 0;
  if (!m_journal->load(&bad))
    message(QStringLiteral("GRESKA"), QStringLiteral("Sacuvani koraci racuna se ne mogu procitati (%1): %2")
                                          .arg(m_journal->path(), m_journal->errorString()));
  else if (bad > 0)
    message(
        QStringLiteral("GRESKA"),
        QStringLiteral("Sacuvani koraci racuna: %1 neispravnih zapisa (prekid upisa?) premesteno je u %2. "
                       "Proverite ih i upisite rucno.")
            .arg(bad)
            .arg(m_journal->conflictsPath()));
  tellOutage();
  if (!m_journal->isEmpty())
    scheduleReplay();
}

int TransactionEngine::waitingSteps() const {
  return m_journal ? m_journal->count() : 0;
}

bool TransactionEngine::journalInUse() const {
  return m_journal && const_cast<ReceiptStore &>(m_store).db().kind() == DatabaseKind::PostgreSQL;
}

StepParts TransactionEngine::stepParts(const Racun &step) {
  switch (step.operacija) {
  case Racun::Prodaja:
    return {StepPart{StepKind::SaleLine, step, std::nullopt}};
  case Racun::Placanje:
    return {StepPart{StepKind::Payment, step, std::nullopt}};
  default:
    return {}; // opening and end write nothing
  }
}

QString TransactionEngine::receiptToken() {
  if (m_receiptToken.isEmpty())
    m_receiptToken = newId();
  return m_receiptToken;
}

void TransactionEngine::forgetReceiptSteps() {
  m_racunOdlozen = false;
  m_receiptToken.clear();
}

bool TransactionEngine::runStep(const StepParts &parts) {
  const bool server = journalInUse();
  if (parts.isEmpty())
    return server || runWrite([] { return DbResult<>(); });
  if (server && !m_journal->isEmpty())
    return keepStep(parts, newId(), QString()); // it follows the steps that wait
  // On a server the step's id goes with it: when the server is lost between taking the
  // commit and answering it, the step kept for replay is recognised as written.
  const QString id = newId();
  m_claimed.reset();
  const DbResult<> done = m_store.inStep([&] {
    return withKey([&](ReceiptHeader &k) -> DbResult<> {
      for (const StepPart &p : parts)
        DB_TRY(m_store.write(k, p));
      if (!server)
        return {};
      return m_store.receipts().recordAppliedStep(id, {k.id.godina, k.stored ? k.id.broj : 0}, k.datum);
    });
  });
  const std::optional<int> claimed = std::exchange(m_claimed, std::nullopt);
  if (done) {
    if (claimed) {
      m_brojRacuna = *claimed;
      m_racunUpisan = true;
    }
    return true;
  }
  if (!server || (!done.failure().connectionLost && m_store.db().serverReachable()))
    return dbOk(done);
  qCWarning(lcOutage).noquote() << QStringLiteral("server nedostupan, korak ceka: ") + done.error();
  return keepStep(parts, id, done.error());
}

bool TransactionEngine::keepStep(const StepParts &parts, const QString &id, const QString &why) {
  PendingStep s;
  s.id = id;
  s.racun = receiptToken();
  s.key = key();
  s.parts = parts;
  if (!m_journal->append(s)) {
    qCWarning(lcOutage).noquote() << QStringLiteral("korak se ne moze sacuvati: ") + m_journal->errorString();
    return dbOk(DbError{why.isEmpty() ? m_journal->errorString() : why});
  }
  m_racunOdlozen = true;
  tellOutage();
  scheduleReplay();
  return true;
}

bool TransactionEngine::refusesNewReceipt() {
  if (waitingSteps() == 0 || m_racunUpisan || m_racunOdlozen)
    return false;
  message(QStringLiteral("GRESKA"), newReceiptRefusedText());
  return true;
}

bool TransactionEngine::recoveryWaitsForJournal(std::function<void()> recovery) {
  if (waitingSteps() == 0)
    return false;
  qCInfo(lcOutage).noquote() << QStringLiteral("nezavrseni racun se proverava kad se koraci upisu");
  m_recoveryAfterJournal = std::move(recovery);
  return true;
}

void TransactionEngine::scheduleReplay() {
  if (m_scheduler.isPending(m_replayTask))
    return;
  m_replayTask = m_scheduler.schedule(ReplayMs, this, [this] {
    m_replayTask = 0;
    replayStepJournal();
  });
}

void TransactionEngine::tellOutage() {
  const int n = waitingSteps();
  if (m_retail)
    m_retail->showDatabaseOutage(n);
  if (m_restaurant)
    m_restaurant->showDatabaseOutage(n);
  emit waitingStepsChanged(n);
}

bool TransactionEngine::replayStepJournal() {
  if (!m_journal || m_journal->isEmpty()) {
    if (m_journal && !m_appliedStepsForgotten && journalInUse() && m_store.db().serverReachable())
      m_appliedStepsForgotten =
          m_store.receipts()
              .forgetAppliedSteps(m_scheduler.now().date().addDays(-kAppliedStepsKeptDays))
              .ok();
    return true;
  }
  // Not inside a reply's handling or a prompt's event loop: the steps go in between.
  if (m_dispatching || m_promptDepth > 0 || Database::openTransactions() > 0) {
    scheduleReplay();
    return false;
  }
  Database &db = m_store.db();
  if (!db.serverReachable()) {
    // Opening the connection here would hold this thread, and the cashier's screen with
    // it, for as long as a server that takes the connection and never answers is waited
    // for: it is opened only once a connection of the probe's own got an answer.
    if (!std::exchange(m_serverAnswered, false)) {
      if (ServerProbe::Attempt attempt = db.serverAttempt()) {
        m_serverProbe.start(std::move(attempt), [this](bool reached, const QString &error) {
          if (!reached) {
            qCInfo(lcOutage).noquote() << QStringLiteral("server jos nedostupan: ") + error;
            scheduleReplay();
            return;
          }
          m_serverAnswered = true;
          replayStepJournal();
        });
        return false;
      }
    }
    if (!db.reopen()) {
      qCInfo(lcOutage).noquote() << QStringLiteral("server jos nedostupan: ") + db.lastError();
      scheduleReplay();
      return false;
    }
  }
  m_serverAnswered = false;
  ReceiptRepository receipts = m_store.receipts();
  QStringList conflicts, leftOnTables;
  bool tablesWritten = false;
  bool stopped = false;
  while (!m_journal->isEmpty()) {
    const PendingStep s = m_journal->steps().first();
    int broj = 0;
    DbResult<> done;
    const auto applied = receipts.appliedStep(s.id);
    if (!applied) {
      done = applied.failure();
    } else if (*applied) {
      broj = **applied; // written already: by the till before the server answered, or by a replay cut short
    } else {
      ReceiptHeader k = s.key;
      QString leftOn;
      if (k.kasa.isEmpty()) // kept before tills were told apart
        k.kasa = tillId();
      done = m_store.inStep([&]() -> DbResult<> {
        for (const StepPart &p : s.parts)
          DB_TRY(m_store.write(k, p));
        DB_TRY(receipts.recordAppliedStep(s.id, {k.id.godina, k.stored ? k.id.broj : 0}, k.datum));
        leftOn = leftOnText(s, m_store.tableOutcome().leftOn);
        // Kept before the commit: once the step is written it is never looked at again.
        if (!leftOn.isEmpty() && !m_journal->keepPartlyWritten(s, leftOn))
          return DbError{m_journal->errorString()};
        return {};
      });
      if (done && k.stored)
        broj = k.id.broj;
      if (done && !leftOn.isEmpty()) {
        qCWarning(lcOutage).noquote() << QStringLiteral("korak %1 upisan delimicno: %2").arg(s.id, leftOn);
        leftOnTables << leftOn;
      }
    }
    if (!done) {
      if (done.failure().connectionLost || !db.serverReachable()) {
        stopped = true;
        break;
      }
      qCWarning(lcOutage).noquote() << QStringLiteral("korak %1 odbijen: %2").arg(s.id, done.error());
      if (!m_journal->moveFirstToConflicts(done.error())) {
        dbOk(DbError{m_journal->errorString()});
        stopped = true;
        break;
      }
      conflicts << QStringLiteral("racun %1 (%2): %3")
                       .arg(s.key.id.broj)
                       .arg(s.key.datum.toString(QStringLiteral("dd.MM.yyyy")), done.error());
      continue;
    }
    for (const StepPart &p : s.parts)
      tablesWritten = tablesWritten || p.kind == StepKind::TableLinesOff;
    if (!m_journal->takeFirst(broj)) {
      dbOk(DbError{m_journal->errorString()});
      stopped = true;
      break;
    }
    // The receipt in progress has the number its first step got.
    if (s.racun == m_receiptToken && broj > 0 && !m_racunUpisan) {
      m_brojRacuna = broj;
      m_racunUpisan = true;
    }
  }
  if (m_journal->isEmpty()) {
    m_racunOdlozen = false;
    if (!m_racunUpisan) // the number hoped for while the server was away was a guess
      m_brojRacuna = nextReceiptNumber();
  }
  tellOutage();
  // The screens showed the paid lines gone from what waited; now the database says so.
  if (tablesWritten && !m_state.racunUToku) {
    if (m_split && (m_state.rastavljanjePoArtiklima || m_state.rastavljanjePoTurama))
      m_split->reloadLines();
    if (m_restaurant)
      m_restaurant->tablesWritten();
  }
  if (!conflicts.isEmpty())
    message(QStringLiteral("GRESKA"),
            QStringLiteral("Sacuvani koraci koje baza nije primila (sacuvani su u %1):\n%2")
                .arg(m_journal->conflictsPath(), conflicts.join(QLatin1Char('\n'))));
  if (!leftOnTables.isEmpty())
    message(
        QStringLiteral("GRESKA"),
        QStringLiteral("Placene stavke koje su u medjuvremenu promenjene na drugoj kasi ostale su na stolu "
                       "(sacuvano u %1). Proverite sto:\n%2")
            .arg(m_journal->conflictsPath(), leftOnTables.join(QLatin1Char('\n'))));
  if (stopped || !m_journal->isEmpty()) {
    scheduleReplay();
    return false;
  }
  if (auto recovery = std::exchange(m_recoveryAfterJournal, nullptr))
    recovery();
  return true;
}
