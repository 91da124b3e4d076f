#pragma once

#include "app/trainingdevice.h"
#include "common/linksettings.h"
#include "common/scheduler.h"
#include "data/changenotifier.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/konfiguracija.h"
#include "data/recordrules.h"
#include "data/ui/tfrmkonf.h"
#include "device/articlemirror.h"
#include "device/articlemirrormodel.h"
#include "device/linkcontroller.h"
#include "engine/devicelog.h"
#include "engine/transactionengine.h"
#include "sales/articlelookup.h"
#include "sales/engineretailcalls.h"
#include "sales/freetablepicker.h"
#include "sales/restaurantsale.h"
#include "sales/retailsale.h"
#include "sales/splitbill.h"
#include "sales/tablemerge.h"
#include "sales/ui/tfrmnarudzbina.h"

#include <QLockFile>
#include <QObject>

#include <memory>

class ArticleSync;
class ImportReportDialog;
class TDialog;
class TDialogMain;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TFrmFreeText;
class Invoices;
class TfrmRacuni;
class TGlavna;
class TUputstvo;
class TfrmArtMain;
class TfrmSifarnici;
class TfrmIzvestaji;
class TfrmArt;
class TfrmRestoran;
class TFrmRastaviArt;
class TfrmRastaviTure;
class TfrmSpajanje;
class TfrmOtvSto;
class WindowRecordMessages;
class TfrmPocetna;
class WindowPrompt;

// The whole program: creates every window once, in a fixed order, owns the
// database, the device links and the engine, and runs the start-up sequence.
class Program : public QObject, public KonfHost {
  Q_OBJECT
public:
  static constexpr const char *kCaption = "Prodesk v5.7.1";
  // Shown on the main menu and in the sale screens' status line while training.
  static constexpr const char *kTrainingMark = "OBUKA";
  // Beside the working directory's files while training: what the simulated device
  // printed, and its article mirror.
  static constexpr const char *kTrainingJournal = "obuka-dnevnik.jsonl";
  static constexpr const char *kTrainingMirror = "artikli-obuka.dat";

  // workDir holds Konfiguracija.dat, vlasnik.ini, artikli.dat and the COMn links.
  explicit Program(const QString &workDir, QObject *parent = nullptr);
  ~Program() override;

  // Loads the configuration, shows the start window and runs the start-up sequence.
  void start();
  // TfrmPocetna.FormActivate: the whole start-up sequence.
  void startupSequence();

  // --- the start window's and main menu's handlers ---
  void BtnProdeskClick();
  void BtnKonfihuracijaClick();
  void KasaClick();
  // "&RESTORAN": restaurant mode, the logged-in waiter's tables, the restaurant screen.
  void BtnRestoranClick();
  // The split window the card terminal and the engine address, if one is open.
  SplitBill *activeSplit();
  // "KO&NFIGURISANJE KASE": the device link made sure to be open, then the device article window.
  void BtnPosClick();
  void FormClose();
  // A backup of the open database in slices beside the sale; the outcome goes to the
  // retail status line, and for one asked for in the main menu also to a message.
  void backupDatabase(bool asked);

  // --- KonfHost ---
  void message(const QString &title, const QString &text) override;
  void deviceMessage(const QString &title, const QString &text) override;
  void beep() override;
  void clearCheckFlags() override;
  void refreshLink(const SetKonfiguracija &record) override;
  bool openDatabase(const SetKonfiguracija &record) override;
  void openDeviceLink(const SetKonfiguracija &record, LinkDone done) override;
  LinkResult openBarcodePort(const SetKonfiguracija &record, QString *platformError) override;
  LinkResult openCardTerminalPort(const SetKonfiguracija &record, QString *platformError) override;
  void startDeviceCheck(const SetKonfiguracija &record) override;
  std::optional<SetKonfiguracija> importOlderData(const SetKonfiguracija &record) override;
  void configurationChanged(const QStringList &differences) override;

  // What the order window of "NARUDZBINA (INS)" works with: the database, the device's
  // amount rule, the ticket printer and the articles window as its F5 picker.
  OrderWindowContext orderWindowContext();

  // The device listens on TCP port 1024; tests point the program at a simulator elsewhere.
  void setDeviceTcpPort(quint16 port) { m_links.setTcpPort(port); }

  // --- parts, for the executable and the tests ---
  TfrmPocetna &pocetna() { return *m_pocetna; }
  TGlavna &glavna() { return *m_glavna; }
  TUputstvo &uputstvo() { return *m_uputstvo; }
  TDialogMain &dialogMain() { return *m_dialogMain; }
  TDialog &dialog() { return *m_dialog; }
  TForm2 &form2() { return *m_form2; }
  TForm3 &form3() { return *m_form3; }
  TForm4 &form4() { return *m_form4; }
  TForm5 &form5() { return *m_form5; }
  TFrmKonf &konf() { return *m_konf; }
  TFrmFreeText &freeText() { return *m_freeText; }
  TfrmIzvestaji &izvestaji() { return *m_izvestaji; }
  TfrmArt &frmArt() { return *m_frmArt; }
  ArticleSync &articleSync() { return *m_articleSync; }
  ImportReportDialog &importReport() { return *m_importReport; }
  TfrmArtMain &artMain() { return *m_artMain; }
  // The code lists; pickPartner() is the invoices window's partner picker.
  TfrmSifarnici &sifarnici() { return *m_sifarnici; }
  TfrmRacuni &racuni() { return *m_racuni; }
  RetailSale &retail() { return *m_retail; }
  RestaurantSale &restaurant() { return *m_restaurant; }
  TfrmRestoran &restoran() { return *m_restoran; }
  ArticleSplit &articleSplit() { return *m_artSplit; }
  RoundSplit &roundSplit() { return *m_tureSplit; }
  TFrmRastaviArt &rastaviArt() { return *m_rastaviArt; }
  TfrmRastaviTure &rastaviTure() { return *m_rastaviTure; }
  TfrmSpajanje &spajanje() { return *m_spajanje; }
  TfrmOtvSto &otvSto() { return *m_otvSto; }
  TransactionEngine &engine() { return *m_engine; }
  Database &database() { return m_db; }
  DatabaseBackup &backup() { return m_backup; }
  Scheduler &scheduler() { return m_scheduler; }
  const SetKonfiguracija &record() const { return m_record; }
  const LinkSettings &link() const { return m_link; }
  QString workDir() const { return m_workDir; }
  // The till sells on the simulated device into the training database.
  bool training() const { return m_record.Obuka == 1; }
  TrainingDevice &trainingDevice() { return m_trainingDevice; }
  LinkController &links() { return m_links; }

private:
  class Wire;
  void applyLiveSettings();
  void Podesavanja();
  void setPortNames(const SetKonfiguracija &record);
  QString backupFolder() const;
  bool onTrainingDatabase() const;
  void useMirror(bool training, bool freshDevice);
  QString mirrorPath(bool training) const;

  QString m_workDir;
  QtScheduler m_scheduler;
  SetKonfiguracija m_record;
  SetKonfiguracija m_loaded;
  LinkSettings m_link;
  Database m_db;
  DatabaseBackup m_backup{m_scheduler};
  // Held while the program runs, so that kasa --restore never swaps the database under it.
  std::unique_ptr<QLockFile> m_running;
  LinkController m_links; // the device's serial port or TCP link, the barcode reader, the card terminal
  ArticleMirror m_mirror;
  ArticleMirrorModel m_mirrorModel{m_mirror};
  TrainingDevice m_trainingDevice{m_scheduler};
  bool m_mirrorForTraining = false;
  std::unique_ptr<Wire> m_wire;
  std::unique_ptr<TransactionEngine> m_engine;
  std::unique_ptr<DeviceLog> m_deviceLog;
  DatabaseArticleLookup m_articles{m_db};
  std::unique_ptr<EngineRetailCalls> m_retailCalls;
  std::unique_ptr<WindowPrompt> m_prompt;
  std::unique_ptr<RetailSale> m_retail;
  std::unique_ptr<RestaurantSale> m_restaurant;
  std::unique_ptr<ArticleSplit> m_artSplit;
  std::unique_ptr<RoundSplit> m_tureSplit;
  std::unique_ptr<TableMerge> m_merge;
  std::unique_ptr<FreeTablePicker> m_freeTables;
  std::unique_ptr<ArticleSync> m_articleSync;
  std::unique_ptr<WindowRecordMessages> m_recordMessages;
  std::unique_ptr<RecordRules> m_rules; // the checks of every grid and import
  std::unique_ptr<Invoices> m_invoices;
  ChangeNotifier m_changes; // what other tills on the same server changed

  // Windows, created once in the program's fixed order.
  TfrmPocetna *m_pocetna = nullptr;
  TGlavna *m_glavna = nullptr;
  TUputstvo *m_uputstvo = nullptr;
  TDialogMain *m_dialogMain = nullptr;
  TForm2 *m_form2 = nullptr;
  TfrmRestoran *m_restoran = nullptr;
  TFrmRastaviArt *m_rastaviArt = nullptr;
  TfrmRastaviTure *m_rastaviTure = nullptr;
  TfrmSpajanje *m_spajanje = nullptr;
  TfrmOtvSto *m_otvSto = nullptr;
  TfrmArt *m_frmArt = nullptr;
  TDialog *m_dialog = nullptr;
  TFrmKonf *m_konf = nullptr;
  TForm3 *m_form3 = nullptr;
  TForm4 *m_form4 = nullptr;
  // The waiter logged in by TForm3, or changed on the restaurant screen by TForm4.
  Waiter m_waiter;
  TFrmFreeText *m_freeText = nullptr;
  TForm5 *m_form5 = nullptr;
  TfrmIzvestaji *m_izvestaji = nullptr;
  ImportReportDialog *m_importReport = nullptr;
  TfrmArtMain *m_artMain = nullptr;
  TfrmSifarnici *m_sifarnici = nullptr;
  TfrmRacuni *m_racuni = nullptr;
  int m_sequence = 0; // start-up sequences run; a late TCP answer of an older one is ignored
};
