#pragma once

#include "common/linksettings.h"
#include "common/scheduler.h"
#include "engine/devicewire.h"
#include "engine/racun.h"
#include "engine/salescreens.h"
#include "engine/userprompt.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class ArticleMirror;
class DeviceCommands;
class ReceiptStore;

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
  // Connection name of an open QSqlDatabase holding the shop's tables.
  void setDatabase(const QString &connectionName);
  void setMirror(ArticleMirror *mirror) { m_mirror = mirror; }
  void setRetailScreen(RetailScreen *s) { m_retail = s; }
  void setRestaurantScreen(RestaurantScreen *s) { m_restaurant = s; }
  void setSplitScreen(SplitScreen *s) { m_split = s; }

  // --- receiving ---
  // ComPortRxChar / the TCP reader: bytes from the device, in arrival order.
  void onBytesReceived(const QByteArray &bytes);

  // --- start-up ---
  // Seeds SendSeq (the start window draws 1..49 at every activation).
  void seedSendSeq(int value);
  int sendSeq() const { return m_sendSeq; }
  // Start-up check of the device for the configured model: proveraKase set, kasaProverena cleared.
  void startCheck();
  // Menko variant detection run each time the main menu is shown (models 2 and 3).
  void detectMenkoVariant();

  // --- receipt commands (each sends one frame and arms the watchdog) ---
  void Prijava(const Racun &step);                        // opening step
  void PrijavaOperatera(int operatorNumber);              // operator log-in (families 2 and 4)
  void ProdajaArt(const Racun &step);                     // one sale line (void variant when storno)
  void Placanje(const Racun &step);                       // one payment
  void KrajRacuna();                                      // close the receipt (models 2, 3, 4)
  void StornirajRacun();                                  // cancel the receipt open on the device (model 4)
  void OtvoriFioku();                                     // open the cash drawer (families 1, 4)
  void GetStatus();                                       // device status (model 4)
  void GetFMInfo();                                       // fiscal memory information (model 4)
  void FreeTextPrint(const QString &text, int attribute); // model 4
  void FreeTextEnd();                                     // model 4
  void LcdShow(const QString &text, int line);            // model 4 customer display; line 2 = home
  // Article check of one step; ends in ProdajaArt, Send, Placanje or an article write.
  void Provera(const Racun &step);
  // Starts a whole receipt that has passed its article check: opening with element 0.
  void Send(const StavkeRacuna &steps);

  // --- what the sale screens do ---
  // Retail screen shown: opening step for the cashier, flags set, Prijava sent.
  void beginRetailReceipt(int rbrKasira);
  // Retail: one sale line (stavkaKase := step, then Provera).
  void sellRetailLine(const Racun &step);
  // Retail: one payment. coversRest: on models 2, 3 and 4 the cash covers the rest, so
  // the receipt is closed (KrajRacuna) instead of a further payment.
  void payRetail(const Racun &step, bool coversRest);
  // Restaurant / split: the whole receipt built by the screen; indeksStavke := 0,
  // racunUToku set, the article check starts at element 1 (model 4: element 0).
  void startWholeReceipt(const StavkeRacuna &steps);

  // --- unfinished receipts ---
  // Retail screen, models 1, 2, 3, 5: looks at the year's last receipt and, when it
  // is unfinished, lets the cashier close, cancel or continue it (TForm5).
  void checkUnfinishedRetailReceipt();
  // Restaurant screen, models 1, 2, 3, 5: an unfinished last receipt is announced and marked finished.
  void checkUnfinishedRestaurantReceipt();
  // Model 4, retail or restaurant screen opening: statusIzProdaje set, GetStatus sent.
  void requestStatusFromSale();
  // The lines of a stored receipt, 4 texts each, as the unfinished-receipt dialog shows them.
  QList<QStringList> NapuniDialogRacun(int year, int number);
  // Reloads a stored receipt into the retail grid (RetailScreen::loadStoredReceipt).
  void NapuniNastavakRacun(int year, int number);
  // Sum of the receipt's PRODATO.IZNOS minus the sum of its RATE.IZNOS.
  double OstatakIznosa(int year, int number);
  // Records the cancellation of a stored receipt in the database; sends nothing.
  void Storniraj(int year, int number);

  // --- shared sale state ---
  int brojRacuna() const { return m_brojRacuna; }
  void setBrojRacuna(int n) { m_brojRacuna = n; }
  // The next receipt number of the year (largest PRODATO.BRRAC + 1; 1 when none).
  int nextReceiptNumber();
  int rbrKasira() const { return m_rbrKasira; }
  void setRbrKasira(int r) { m_rbrKasira = r; }
  int trenutniSto() const { return m_trenutniSto; }
  void setTrenutniSto(int s) { m_trenutniSto = s; }
  bool rezimRestoran() const { return m_rezimRestoran; }
  void setRezimRestoran(bool on) { m_rezimRestoran = on; }
  // Which split screen is the active sale window (neither = whole table).
  void setSplitMode(bool poArtiklima, bool poTurama);
  // The configuration's drawer choice cbFioka ("DA").
  void setDrawerEnabled(bool on) { m_fioka = on; }
  // The configured idle texts of the customer display (model 4, after a receipt).
  void setIdleDisplayTexts(const QString &line1, const QString &line2);
  // The configuration window is showing (start-up failures then use a message, not the instructions).
  void setConfigWindowShowing(bool showing) { m_configWindowShowing = showing; }
  void setRetailScreenOpen(bool open) { m_ekranKaseOtvoren = open; } // ekranKaseOtvoren

  // --- observable state ---
  bool kasaProverena() const { return m_kasaProverena; }
  bool proveraKase() const { return m_proveraKase; }
  bool racunUToku() const { return m_racunUToku; }
  bool komandaUToku() const { return m_komandaUToku; }
  bool busy() const { return m_racunUToku || m_komandaUToku; }
  QString zapocetaOperacija() const { return m_zapocetaOperacija; }
  int indeksStavke() const { return m_indeksStavke; }
  const Racun &stavkaKase() const { return m_stavkaKase; }
  const StavkeRacuna &stavkeRacuna() const { return m_stavke; }
  int model() const { return m_link.Model; }

  static constexpr int WatchdogMs = 3000;

signals:
  void saleButtonsEnabled();             // "&KASA", the main menu's Kasa, TForm1's port button
  void closeConfigWindow();              // the check succeeded while the configuration window showed
  void portButtonEnabled();              // TForm1's port button
  void configButtonEnabled();            // the configuration button
  void serviceButtonsEnabled();          // code-list device buttons and the article-synchronisation window
  void cursorRestored();                 // the hourglass ends
  void receiptCompleted(int brojRacuna); // a receipt was completed in the database
  void modelChanged(int model);          // Menko detection set Model 2 or 3

private:
  // state named as the domain names it
  LinkSettings &m_link;
  Scheduler &m_scheduler;
  DeviceWire *m_wire = nullptr;
  UserPrompt *m_prompt = nullptr;
  ArticleMirror *m_mirror = nullptr;
  RetailScreen *m_retail = nullptr;
  RestaurantScreen *m_restaurant = nullptr;
  SplitScreen *m_split = nullptr;

  int m_sendSeq = 1;
  int m_brojRacuna = 1;
  int m_rbrKasira = 1;
  int m_trenutniSto = 0;
  bool m_rezimRestoran = false;
  bool m_poArtiklima = false;
  bool m_poTurama = false;
  bool m_fioka = false;
  bool m_configWindowShowing = false;
  bool m_ekranKaseOtvoren = false;
  bool m_kasaProverena = false;
  bool m_proveraKase = false;
  bool m_racunUToku = false;
  bool m_komandaUToku = false;
  QString m_zapocetaOperacija;
  int m_indeksStavke = 0;
  Racun m_stavkaKase;
  StavkeRacuna m_stavke;
};

// The old program's name for the hidden link object.
using TForm1 = TransactionEngine;
