#pragma once

#include "common/linksettings.h"
#include "common/scheduler.h"
#include "data/serverprobe.h"
#include "device/devicecommand.h"
#include "device/deviceprofile.h"
#include "device/replyreceiver.h"
#include "device/sendsequence.h"
#include "engine/devicewire.h"
#include "engine/enginestate.h"
#include "engine/pendingline.h"
#include "engine/racun.h"
#include "engine/receiptstore.h"
#include "engine/salescreens.h"
#include "engine/userprompt.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class ArticleMirror;
class StepJournal;
class Database;
class DeviceCommands;
class MemoryCommands;
namespace ReplyParser {
struct Family4Ack;
}

// Replies of the device-memory windows (article synchronisation, code lists). When
// one is installed and claims a frame, the engine runs its reply prologue (watchdog
// stopped, SendSeq advanced, buffer emptied) and then leaves the frame to it.
class ServiceReplyHandler {
public:
  virtual ~ServiceReplyHandler() = default;
  // Whether the frame answers one of the window's commands.
  virtual bool claimsServiceReply(const QByteArray &frame) const = 0;
  // A claimed frame, after the prologue; the handler may send its next command.
  virtual void handleServiceReply(const QByteArray &frame) = 0;
};

// The reply-driven transaction engine (the hidden link object of the old program):
// sends one command per step, advances exactly one step per accepted reply, writes
// each confirmed step into the database in one transaction, runs the start-up
// check, the unfinished-receipt recovery, the article check and the watchdog.
class TransactionEngine : public QObject {
  Q_OBJECT
public:
  TransactionEngine(LinkSettings &link, Scheduler &scheduler, QObject *parent = nullptr);
  ~TransactionEngine() override;

  // --- wiring (all optional except wire, prompt and database) ---
  void setWire(DeviceWire *wire) { m_wire = wire; }
  void setPrompt(UserPrompt *prompt) { m_prompt = prompt; }
  // The shop's database (null: none open, every write fails and is shown).
  void setDatabase(Database *db) { m_store.setDatabase(db); }
  void setMirror(ArticleMirror *mirror, const QString &path = QString());
  void setServiceHandler(ServiceReplyHandler *h) { m_service = h; }
  ServiceReplyHandler *serviceHandler() const { return m_service; }
  void setRetailScreen(RetailScreen *s) { m_retail = s; }
  void setRestaurantScreen(RestaurantScreen *s) { m_restaurant = s; }
  void setSplitScreen(SplitScreen *s) { m_split = s; }
  // The working directory, where the steps a server out of reach could not take wait
  // (StepJournal). Loads what an earlier run left; lines that are no record are reported.
  // Empty: none (training).
  void setStepJournalDir(const QString &dir);

  // --- server out of reach ---
  // Writes the waiting steps to the database in their order, each once; true when none
  // waits any more. A step the database refuses for another reason than the connection
  // is kept in the conflicts file and reported. Runs by itself every few seconds while
  // steps wait; the program runs it at start before selling.
  bool replayStepJournal();
  int waitingSteps() const;
  // An attempt to reach the lost server is under way on its own thread.
  bool reachingServer() const { return m_serverProbe.running(); }
  // The status line while steps wait ("" when none does).
  static QString outageText(int waiting);
  // Shown when a new receipt is asked for while steps wait.
  static QString newReceiptRefusedText();
  // The lines of table sto a paid receipt took off in steps still waiting for the server:
  // this till shows them gone and does not let the table be paid until they are written.
  QSet<int> linesLeavingTable(int sto) const;
  // Shown when such a table is to be paid or emptied.
  static QString tableSettlingText(int sto);
  // The table has lines leaving it: refused with a message (true).
  bool refusesSettlingTable(int sto);
  static constexpr int ReplayMs = 5000;

  // --- receiving ---
  // ComPortRxChar / the TCP reader: bytes from the device, in arrival order.
  void onBytesReceived(const QByteArray &bytes);

  // --- start-up ---
  // Seeds SendSeq (the start window draws 1..49 at every activation).
  void seedSendSeq(int value);
  quint32 sendSeq() const { return m_seq.SendSeq; }
  // Start-up check of the device for the configured model: proveraKase set, kasaProverena cleared.
  void startCheck();
  // Menko variant detection run each time the main menu is shown (models 2 and 3).
  void detectMenkoVariant();
  // The configuration's OK: kasaProverena and proveraKase cleared until the next check.
  void clearCheckFlags() {
    m_state.kasaProverena = false;
    m_state.proveraKase = false;
  }

  // --- receipt commands (each sends one frame and arms the watchdog) ---
  void Prijava(const Racun &step);           // opening step
  void PrijavaOperatera(int operatorNumber); // operator log-in (families 2 and 4)
  void ProdajaArt(const Racun &step);        // one sale line (void variant when storno)
  void Placanje(const Racun &step);          // one payment
  void KrajRacuna();                         // close the receipt (models 2, 3, 4)
  void StornirajRacun();                     // cancel the receipt open on the device (model 4)
  // Auxiliary commands (never a receipt step): they wait while another reply is
  // awaited, are marked pomocnaKomanda and send nothing for a model without them.
  void OtvoriFioku();   // open the cash drawer (families 1, 4)
  void GetStatus();     // device status (model 4)
  void GetFMInfo();     // fiscal memory information (model 4)
  void IsprazniTotal(); // clear the article totals (model 4)
  void IzlazPrinter();  // model 5 leaves fiscal printer mode (no reply awaited)
  void FreeTextBegin(); // model 4
  void FreeTextPrint(const QString &text, int attribute); // model 4
  void FreeTextEnd();                                     // model 4
  void LcdShow(const QString &text, int line);            // model 4 customer display; line 2 = home
  // Retail F12 (model 4): storno of the open receipt, once the link is free.
  void stornoRetail();
  // Model 4: prints the free-text line table (text, bold mark 1/0): begin, one
  // line per reply, end.
  void printFreeText(const QList<std::pair<QString, int>> &lines);
  // Fiscal report (model 4); the report's follow-up runs after the device has printed it.
  void Izvestaj(int type, const QString &from, const QString &to);
  // Model 4: asks the device for its date and time; the answer sets the computer's
  // clock (PodesiVreme), then the service buttons come back and the pointer is restored.
  void DatumVreme();
  // Sets the computer's local clock, milliseconds 0; false when the date is not valid
  // or the system does not allow it.
  bool PodesiVreme(int year, int month, int day, int hour, int minute, int second);
  // Sends a command built by the device-memory windows through the same watchdog path.
  void sendService(const DeviceCommand &command);
  // Article check of one step; ends in ProdajaArt, Send, Placanje or an article write.
  void Provera(const Racun &step);
  // Starts a whole receipt that has passed its article check: opening with element 0.
  void Send(const StavkeRacuna &steps);

  // --- what the sale screens do ---
  // Retail screen shown: opening step for the cashier, flags set, Prijava sent.
  void beginRetailReceipt(int rbrKasira);
  // Retail: one sale line (stavkaKase := step, then Provera).
  void sellRetailLine(const Racun &step);
  // Retail: one payment of the cash, cheque or card key: a plain Placanje.
  void payRetail(const Racun &step);
  // Retail total-and-close. closeNow (models 2, 3, 4, the cash covers the rest):
  // KrajRacuna, the device books the cash with the closing. Otherwise the payment
  // goes first and the receipt is closed once the device accepted it.
  void closeRetail(const Racun &step, bool closeNow);
  // F2: the free text that follows is no step of the receipt (racunUToku cleared).
  void freeTextStarting() { m_state.racunUToku = false; }
  // Restaurant / split: the whole receipt built by the screen; indeksStavke := 0,
  // racunUToku set, the article check starts at element 1 (model 4: element 0).
  void startWholeReceipt(const StavkeRacuna &steps);
  // "ISPRAZNI STO": the voiding receipt's check starts at element 1 on every model;
  // model 4 sends no opening for it (indeksStavke 1), the others open it as usual.
  void startEmptyingReceipt(const StavkeRacuna &steps);
  // Restaurant screen shown: restaurant mode, stavkeRacuna emptied, stavkaKase the
  // waiter's opening step; model 4 asks for the status (the answer opens), the
  // others send Prijava.
  void openRestaurantScreen(int operater);

  // --- unfinished receipts ---
  // Retail screen, models 1, 2, 3, 5: asks the device whether it holds an open receipt
  // (a zero cash payment, which a device with none open refuses), then settles the year's
  // last receipt with the device: one the device no longer holds was printed and is
  // booked as closed; one it still holds is closed, cancelled (its lines voided) or
  // continued on the device as the cashier chooses (TForm5). Then the next receipt is
  // opened. A storno or marking that fails is shown and opens nothing.
  void recoverRetailReceipt();
  bool recoveringRetailReceipt() const { return m_recovery != Recovery::None; }
  // Restaurant screen, models 1, 2, 3, 5: an unfinished last receipt is announced and
  // marked finished; false when the marking failed (shown), and no receipt is opened.
  bool checkUnfinishedRestaurantReceipt();
  // Model 4, retail or restaurant screen opening: statusIzProdaje set, GetStatus sent.
  void requestStatusFromSale();
  // The lines of a stored receipt, 4 texts each, as the unfinished-receipt dialog shows them.
  QList<QStringList> NapuniDialogRacun(int year, int number);
  // Reloads a stored receipt into the retail grid (RetailScreen::loadStoredReceipt).
  void NapuniNastavakRacun(int year, int number);
  // Sum of the receipt's PRODATO.IZNOS minus the sum of its RATE.IZNOS.
  Money OstatakIznosa(int year, int number);
  // Records the cancellation of a stored receipt in the database; sends nothing.
  // False when the database refused it: the error is shown and nothing of it is written.
  bool Storniraj(int year, int number);

  // --- shared sale state ---
  // The receipt in progress. A new receipt's number is the one it hopes for until its
  // first confirmed step stores it; another till may have taken it meanwhile, and the
  // receipt then gets the year's next free number.
  int brojRacuna() const { return m_brojRacuna; }
  void setBrojRacuna(int n) {
    m_brojRacuna = n;
    m_racunUpisan = false;
    forgetReceiptSteps();
  }
  // A stored receipt of this till is continued, closed or cancelled.
  void takeUpReceipt(int number);
  // The next receipt number of the year (largest PRODATO.BRRAC + 1; 1 when none).
  int nextReceiptNumber();
  int rbrKasira() const { return m_rbrKasira; }
  void setRbrKasira(int r) { m_rbrKasira = r; }
  int trenutniSto() const { return m_trenutniSto; }
  void setTrenutniSto(int s) { m_trenutniSto = s; }
  bool rezimRestoran() const { return m_state.rezimRestoran; }
  void setRezimRestoran(bool on) { m_state.rezimRestoran = on; }
  // Which split screen is the active sale window (neither = whole table).
  void setSplitMode(bool poArtiklima, bool poTurama);
  bool rastavljanjePoArtiklima() const { return m_state.rastavljanjePoArtiklima; }
  bool rastavljanjePoTurama() const { return m_state.rastavljanjePoTurama; }
  // The configuration's drawer choice cbFioka ("DA").
  void setDrawerEnabled(bool on) { m_fioka = on; }
  // The configured idle texts of the customer display (model 4, after a receipt);
  // line2DateTime: the second line shows the date and time of that moment instead.
  void setIdleDisplayTexts(const QString &line1, const QString &line2, bool line2DateTime = false);
  // The configuration window is showing (start-up failures then use a message, not the instructions).
  void setConfigWindowShowing(bool showing) { m_configWindowShowing = showing; }
  // ekranKaseOtvoren: set when the retail screen is shown, cleared when it closes.
  void setRetailScreenOpen(bool open);

  // --- observable state ---
  bool kasaProverena() const { return m_state.kasaProverena; }
  bool proveraKase() const { return m_state.proveraKase; }
  bool racunUToku() const { return m_state.racunUToku; }
  bool komandaUToku() const { return m_state.komandaUToku; }
  bool busy() const { return m_state.racunUToku || m_state.komandaUToku; }
  // A command was written whose reply has not been accepted or given up yet.
  bool awaitingReply() const { return m_state.awaitingReply; }
  bool pomocnaKomanda() const { return m_state.pomocnaKomanda; }
  StartedOperation zapocetaOperacija() const { return m_state.zapocetaOperacija; }
  int indeksStavke() const { return m_state.indeksStavke; }
  const Racun &stavkaKase() const { return m_stavkaKase; }
  const StavkeRacuna &stavkeRacuna() const { return m_stavke; }
  int model() const { return m_link.Model; }
  // What the current model can do; follows a run-time switch between models 2 and 3.
  const DeviceProfile &profile() const { return DeviceProfile::of(m_link.Model); }

  static constexpr int WatchdogMs = 3000;
  // How long the recovery lets a new start's line empty before asking the device.
  static constexpr int kLeftoverMs = 200;

signals:
  void saleButtonsEnabled();             // "&KASA", the main menu's Kasa, TForm1's port button
  void closeConfigWindow();              // the check succeeded while the configuration window showed
  void portButtonEnabled();              // TForm1's port button
  void configButtonEnabled();            // the configuration button
  void serviceButtonsEnabled();          // code-list device buttons and the article-synchronisation window
  void cursorRestored();                 // the hourglass ends
  void receiptCompleted(int brojRacuna); // a receipt was completed in the database
  void dailyReportCompleted();           // the device finished its daily closing report
  void modelChanged(int model);          // Menko detection set Model 2 or 3
  // For the device log: every frame written (resend: a kept copy sent again), every
  // whole frame received, each watchdog expiry and each answer a person gave.
  void frameSent(const QByteArray &frame, bool resend);
  void frameReceived(const QByteArray &frame);
  void watchdogExpired();
  // A second answer to a command already confirmed, recognised by its sequence byte.
  void lateReplyDropped(const QByteArray &frame);
  void operatorAnswered(const QString &question, const QString &answer);
  // The number of steps waiting for the server changed (0: none waits).
  void waitingStepsChanged(int waiting);

private:
  // --- sending ---
  enum class Copy { Receipt, Service, ServiceShort };
  DeviceCommands commands() const;
  MemoryCommands memoryCommands() const;
  void send(const DeviceCommand &cmd);
  void writeOut(const QByteArray &bytes, int pauseMs);
  void writeWire(const QByteArray &bytes, bool resend);
  void pumpWrites();
  void armWatchdog();
  void stopWatchdog();
  void onWatchdog();
  void expireWatchdog();
  void resendReceiptCopy();
  void UpisArtikla(int broj, const QString &naziv, double cena, int grupa, const QString &barkod);
  void sendByCode(const Racun &step);

  // --- receiving ---
  void processBytes();
  void dispatch(const QByteArray &frame);
  void prologue(bool stepReply);
  void noteAnsweredSeq();
  bool isLateReply(const QByteArray &frame) const;
  void dispatchA(const QByteArray &frame);
  void dispatchB(const QByteArray &frame);
  void dispatchC(const QByteArray &frame);
  void handleAckC(const ReplyParser::Family4Ack &ack);
  void handleStatusC(const ReplyParser::Family4Ack &ack);
  void handleFailureC(const ReplyParser::Family4Ack &ack);
  bool handleMenkoShortFrame(const QByteArray &frame);

  // --- receipt steps ---
  // The step at index of the whole receipt in restaurant mode; the retail step
  // in progress (stavkaKase) otherwise or when index is outside the receipt.
  Racun &stepAt(int index);
  // The step whose reply is awaited.
  Racun &currentStep() { return stepAt(m_state.indeksStavke); }
  // The step a dialect A or B reply confirmed (the prologue moved indeksStavke past it).
  Racun &confirmedStep() { return stepAt(m_state.indeksStavke - 1); }
  // The step the article check works on.
  Racun &checkedStep() { return stepAt(m_state.provera.indeksProvere); }
  ReceiptHeader key() const;
  // Writes of the receipt in progress inside a runWrite unit; the number the receipt got
  // is taken on when the unit commits.
  DbResult<> withKey(const std::function<DbResult<>(ReceiptHeader &)> &writes);
  // The receipt is over: the next one hopes for the year's next number.
  void nextReceipt();
  int today() const;
  // RACUNI.KASA of the receipts this till writes.
  QString tillId() const;
  // One confirmed step's writes as one unit; a failure is shown and ends the handling.
  bool runWrite(const std::function<DbResult<>()> &writes);
  // The parts a confirmed sale line or payment writes (none for an opening or end).
  static StepParts stepParts(const Racun &step);
  // A confirmed receipt step as one unit. On a server out of reach (and while earlier
  // steps wait) it goes to the step journal instead and the receipt carries on; any
  // other failure is shown and ends the handling.
  bool runStep(const StepParts &parts);
  bool keepStep(const StepParts &parts, const QString &id, const QString &why);
  bool journalInUse() const;
  // A new receipt while steps wait: refused with a message (true).
  bool refusesNewReceipt();
  // True when steps wait: recovery then runs once they are written (the screen closing drops it).
  bool recoveryWaitsForJournal(std::function<void()> recovery);
  void scheduleReplay();
  void tellOutage();
  // The receipt in progress is another one from now on.
  void forgetReceiptSteps();
  QString receiptToken();
  void sendNextWholeStep();
  void completeReceipt(Dialect dialect, std::optional<quint32> brfisis);
  void clearSaleWindow(Dialect dialect);
  QList<int> acceptedLines(int endIndex, bool stopAtFirstEnd) const;
  void removeAcceptedLines(int endIndex);
  // The paid lines rbr of the receipt as it paid them, for a step that takes them off
  // table sto (a void of the receipt's own and a line already taken off are left out).
  StepPart paidLinesOff(int sto, const QList<int> &rbr) const;
  // The table's bookkeeping after a paid receipt as a step of the receipt: written as one
  // unit, or waiting in the step journal after the receipt's own steps. Paid lines another
  // till had changed are counted in m_changedElsewhere; written gets what the step found
  // when it was written (nothing while it waits). False: refused, shown.
  bool runTableStep(const StepParts &parts, std::optional<ReceiptStore::TableOutcome> *written = nullptr);
  // After the step: a warning when another till had changed the paid lines.
  void tellChangedElsewhere(int sto);
  // The table's step of a completed receipt, before the next receipt begins.
  void bookTable(Dialect dialect);
  // refusedCommand: dialect C's answered command code, what "Ponovi" sends again.
  void stepFailed(const QString &text, bool fromWatchdog, int refusedCommand = -1);
  void resendRefusedC(quint8 answered, const Racun &step);
  void nastavi(int acceptedEnd, bool fromWatchdog);
  bool closeForAcceptedLines(int failedIndex);
  // One command in flight: what the screens ask for while a reply is awaited waits
  // for it, in order; the receipt's follow-ups (drawer, display) go first.
  bool linkBusy() const { return m_state.awaitingReply || m_state.auxSettling; }
  void whenLinkFree(std::function<void()> action);
  void pumpWaiting();
  void sendAux(const DeviceCommand &cmd);
  void auxTimedOut();

  // --- start-up check and recovery ---
  void checkSucceeded();
  void checkFailed(const QString &text);
  // deviceNumber: the device's last fiscal receipt number from the status report.
  void unfinishedOnStatus(int state, quint32 deviceNumber = 0);
  void recoveryProbeAnswered(bool open, std::optional<quint32> closedAs);
  void recoveryCloseOnDevice(int year, int number);
  void recoveryNextVoid();
  // The retail line last sent, kept until the next: see PendingLine.
  void notePendingLine(const Racun &step);
  // That line when it is this year's sale line and its receipt has not booked it.
  std::optional<PendingLine> unbookedPendingLine(int year);
  // The device holds a receipt the database has no row of: its one line is the pending
  // one, booked now. False when the booking failed (shown).
  bool bookPendingFirstLine(const PendingLine &p);
  // Whether the device took the pending line of the receipt being recovered: it is
  // voided there with what the database holds of the article; taken, both are booked and
  // the database's quantity sold again; refused, the device never had it. Then next().
  void resolvePendingLine(const PendingLine &p, int year, int number, std::function<void()> next);
  void resolveAnswered(bool accepted);
  // A receipt the device printed but whose closing was never booked: the rest is booked
  // as cash, the fiscal number when known, and the receipt is finished. One unit.
  bool settleClosedOnDevice(int year, int number, std::optional<quint32> brfisis);
  // An unfinished receipt the device no longer holds: printed when the device's last
  // fiscal number is past every one booked, else cancelled on the device.
  bool settleFromDeviceNumber(int year, int number, quint32 deviceNumber);

  // --- article check ---
  void proveraLoop();
  enum class CheckResult { Settled, Waiting, Stopped };
  CheckResult checkOne(Racun &step);
  void goOn();
  void articleWriteConfirmed();
  void articleMemoryFull();
  void learnFromSale(const ReplyParser::Family4Ack &ack, const Racun &step);
  int nextFreeNumber() const;
  void saveMirror();

  // --- prompts (received bytes wait while one is open) ---
  struct PromptGuard {
    explicit PromptGuard(TransactionEngine *e);
    ~PromptGuard();
    TransactionEngine *m_e;
  };
  bool message(const QString &title, const QString &text, bool question = false);
  UserPrompt::DeviceErrorAnswer deviceError(const UserPrompt::DeviceError &request);
  int unfinishedDialog(const UserPrompt::UnfinishedReceipt &request);
  void instructions();
  // Shows a database failure; true when there was none.
  bool dbOk(const DbResult<> &result);

  LinkSettings &m_link;
  Scheduler &m_scheduler;
  DeviceWire *m_wire = nullptr;
  UserPrompt *m_prompt = nullptr;
  ArticleMirror *m_mirror = nullptr;
  QString m_mirrorPath;
  ServiceReplyHandler *m_service = nullptr;
  RetailScreen *m_retail = nullptr;
  RestaurantScreen *m_restaurant = nullptr;
  SplitScreen *m_split = nullptr;
  ReceiptStore m_store;
  std::unique_ptr<StepJournal> m_journal;
  Scheduler::TaskId m_replayTask = 0;
  ServerProbe m_serverProbe;     // the server tried off this thread before the connection is opened again
  bool m_serverAnswered = false; // a probe reached it: the next replay opens the connection again
  bool m_appliedStepsForgotten = false;

  // link state
  SendSequence m_seq;
  ReplyReceiver m_rx;
  QByteArray m_pendingBytes; // arrived while a handler or prompt was open
  int m_promptDepth = 0;
  bool m_dispatching = false;
  bool m_watchdogDeferred = false;
  Scheduler::TaskId m_auxTimeout = 0;
  std::deque<std::function<void()>> m_waiting; // asked for while the link was busy
  std::deque<std::pair<int, QByteArray>> m_writes;
  Scheduler::TaskId m_writeTask = 0;
  Scheduler::TaskId m_watchdog = 0;
  QByteArray m_receiptCopy, m_serviceCopy, m_serviceShortCopy;
  // Replies of a device that repeats each command's sequence byte can be told
  // apart: the second answer to a resent command is never the next one's.
  int m_sentSeqByte = -1;                  // of the long frame last written; -1 after a short one
  int m_replySeqByte = -1;                 // of the reply being handled
  enum class SeqEcho { Unknown, Yes, No }; // learnt, kept until the next start-up check
  SeqEcho m_seqEcho = SeqEcho::Unknown;
  int m_seqRun = 0; // while Unknown: replies in a row that matched (> 0) or did not (< 0)

  // sale state
  int m_brojRacuna = 1;
  bool m_racunUpisan = false;   // m_brojRacuna's RACUNI row is this till's
  std::optional<int> m_claimed; // stored by the write unit running now, not yet committed
  bool m_racunOdlozen = false;  // steps of the receipt in progress wait in the step journal
  QString m_receiptToken;       // the receipt in progress in the step journal
  int m_rbrKasira = 1;
  int m_trenutniSto = 0;
  bool m_fioka = false;
  QString m_lcd1, m_lcd2;
  bool m_lcd2DateTime = false;
  bool m_configWindowShowing = false;

  EngineState m_state;
  // The retail screen's recovery of an unfinished receipt with the device.
  enum class Recovery { None, Probing, Voiding, Closing, EndingBooked, Resolving, Reselling };
  Recovery m_recovery = Recovery::None;
  // The retail screen's recovery, held until the waiting steps are written: it decides by
  // the database, which lacks them until then.
  std::function<void()> m_recoveryAfterJournal;
  int m_recoveryYear = 0;
  int m_recoveryNumber = 0;
  std::deque<Racun> m_recoveryVoids;
  std::optional<PendingLine> m_resolving; // the pending line whose fate is being asked
  Racun m_resolveVoid, m_resell;
  std::function<void()> m_afterResolve;
  QList<std::pair<QString, int>> m_freeTextLines; // the free-text line table being printed
  qsizetype m_freeTextNext = 0;
  Racun m_stavkaKase;
  StavkeRacuna m_stavke;
  QList<int> m_takenOff;      // paid lines of this receipt already off the table (or waiting to leave)
  int m_tableLastRound = -1;  // the table's last round after the completed receipt's step; -1 unknown
  int m_changedElsewhere = 0; // paid lines another till had changed, found by runTableStep
  std::deque<std::function<void()>> m_followUps; // drawer, display after a receipt
};

// The old program's name for the hidden link object.
using TForm1 = TransactionEngine;
