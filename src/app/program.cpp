#include "app/program.h"

#include "common/localetext.h"

#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tform5.h"
#include "app/tfrmpocetna.h"
#include "app/tglavna.h"
#include "app/tuputstvo.h"
#include "app/windowprompt.h"
#include "common/filelog.h"
#include "data/auditjournal.h"
#include "data/databaserestore.h"
#include "data/legacyimport.h"
#include "data/legacysource.h"
#include "data/trainingdatabase.h"
#include "data/ui/importreportdialog.h"
#include "data/ui/tfrmartmain.h"
#include "data/ui/tfrmsifarnici.h"
#include "data/vlasnik.h"
#include "device/ui/tfrmart.h"
#include "engine/articlesync.h"
#include "engine/codelistsync.h"
#include "reports/ui/tfrmizvestaji.h"
#include "reports/ui/tfrmpromet.h"
#include "sales/invoices.h"
#include "sales/ui/tform2.h"
#include "sales/ui/tfrmfreetext.h"
#include "sales/ui/tfrmotvsto.h"
#include "sales/ui/tfrmracuni.h"
#include "sales/ui/tfrmrastaviart.h"
#include "sales/ui/tfrmrastaviture.h"
#include "sales/ui/tfrmrestoran.h"
#include "sales/ui/tfrmspajanje.h"
#include "sales/ui/waitercodedialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>

// A write on a link that is not open is dropped; the watchdog handles the missing reply.
class Program::Wire : public DeviceWire {
public:
  explicit Wire(LinkController &links) : m_links(links) {}
  void write(const QByteArray &frame) override { m_links.writeFrame(frame); }

private:
  LinkController &m_links;
};

Program::Program(const QString &workDir, QObject *parent)
    : QObject(parent), m_workDir(QDir(workDir).absolutePath()), m_links(m_scheduler),
      m_wire(std::make_unique<Wire>(m_links)) {
  m_links.useLinkSettings(m_link);
  m_links.setWorkingDirectory(m_workDir);
  m_engine = std::make_unique<TransactionEngine>(m_link, m_scheduler);
  // Support asks for this file first when a device misbehaves.
  FileLog::install(QLatin1String(DeviceLog::kCategories),
                   QDir(m_workDir).filePath(QLatin1String(DeviceLog::kFileName)), DeviceLog::kMaxBytes,
                   DeviceLog::kKeepFiles);
  m_deviceLog = std::make_unique<DeviceLog>(*m_engine);
  m_retailCalls = std::make_unique<EngineRetailCalls>(*m_engine);

  // Windows in their fixed order; each is kept for the life of the program.
  m_pocetna = new TfrmPocetna;
  m_glavna = new TGlavna(m_pocetna);
  m_uputstvo = new TUputstvo(m_pocetna);
  m_dialogMain = new TDialogMain(m_pocetna);
  m_dialog = new TDialog(m_pocetna);
  m_form5 = new TForm5(m_pocetna);
  m_importReport = new ImportReportDialog(m_pocetna);
  m_prompt = std::make_unique<WindowPrompt>(*m_dialogMain, *m_dialog, *m_form5, *m_uputstvo);
  m_retail = std::make_unique<RetailSale>(m_articles, *m_retailCalls, *m_prompt, m_scheduler);
  m_form2 = new TForm2(*m_retail, m_scheduler, m_pocetna);
  m_articleSync =
      std::make_unique<ArticleSync>(*m_engine, m_link, m_scheduler, m_mirrorModel, mirrorPath(false));
  m_articleSync->setPrompt(m_prompt.get());
  m_frmArt = new TfrmArt(*m_articleSync, m_mirrorModel, m_pocetna);
  m_frmArt->setMirrorPath(mirrorPath(false));
  m_konf = new TFrmKonf(m_pocetna);
  m_form3 = new TForm3(m_db, *m_prompt, m_pocetna);
  m_form4 = new TForm4(m_db, *m_prompt, m_pocetna);
  // Shown beside the retail screen while that runs modally: as its child it is not blocked.
  m_freeText = new TFrmFreeText(m_form2);
  m_izvestaji = new TfrmIzvestaji(m_pocetna);
  m_restaurant = std::make_unique<RestaurantSale>(m_db, *m_engine, *m_prompt, m_scheduler);
  m_restoran = new TfrmRestoran(*m_restaurant, m_pocetna);
  m_artSplit = std::make_unique<ArticleSplit>(*m_restaurant, m_db, *m_engine, *m_prompt);
  m_tureSplit = std::make_unique<RoundSplit>(*m_restaurant, m_db, *m_engine, *m_prompt);
  m_rastaviArt = new TFrmRastaviArt(*m_artSplit, m_restoran);
  m_rastaviTure = new TfrmRastaviTure(*m_tureSplit, m_restoran);
  m_merge = std::make_unique<TableMerge>(m_db, *m_prompt);
  m_spajanje = new TfrmSpajanje(*m_merge, m_restoran);
  m_freeTables = std::make_unique<FreeTablePicker>(m_db);
  m_otvSto = new TfrmOtvSto(*m_freeTables, m_restoran);
  m_recordMessages = std::make_unique<WindowRecordMessages>(*m_prompt);
  m_rules = std::make_unique<RecordRules>(m_db, *m_recordMessages);
  m_artMain = new TfrmArtMain(m_db, *m_rules, m_pocetna);
  m_sifarnici = new TfrmSifarnici(m_db, *m_rules, m_pocetna);
  m_articleSync->codeLists().setStore(&m_db, m_rules.get());
  m_invoices = std::make_unique<Invoices>(m_db, *m_rules, *m_recordMessages);
  m_racuni = new TfrmRacuni(*m_invoices, m_pocetna);

  m_konf->setHost(this);
  m_konf->setWorkingDirectory(m_workDir);

  m_engine->setWire(m_wire.get());
  m_engine->setPrompt(m_prompt.get());
  m_engine->setRetailScreen(m_retail.get());
  m_engine->setRestaurantScreen(m_restaurant.get());
  m_mirror.load(mirrorPath(false));
  m_engine->setMirror(&m_mirror, mirrorPath(false));

  connect(&m_links, &LinkController::received, m_engine.get(), &TransactionEngine::onBytesReceived);
  // Another till's change: the grids showing the table read it again, and so do the
  // restaurant's tables and lines.
  connect(&m_changes, &ChangeNotifier::tableChanged, this, [this](const QString &table) {
    emit m_rules->tableChanged(table);
    if (table == QLatin1String("STOLOVI") || table == QLatin1String("STOST"))
      m_restaurant->changedElsewhere();
    if (table == QLatin1String("STOLOVI"))
      m_otvSto->tablesChanged();
  });
  // The connection opened again after a server outage listens again.
  connect(m_engine.get(), &TransactionEngine::waitingStepsChanged, this, [this](int waiting) {
    if (waiting == 0 && m_db.kind() == DatabaseKind::PostgreSQL && m_db.isOpen() && !m_changes.listening() &&
        !m_changes.listen(m_db))
      qCWarning(lcVeza).noquote() << QStringLiteral("promene sa drugih kasa se ne prate: ") +
                                         m_db.lastError();
  });
  connect(&m_links, &LinkController::dropped, this, [](const QString &reason) {
    qCWarning(lcVeza).noquote() << QStringLiteral("veza prekinuta: %1; ponovo za %2 s")
                                       .arg(reason)
                                       .arg(LinkController::ReconnectPauseMs / 1000);
  });
  connect(&m_links, &LinkController::reopened, this,
          [] { qCInfo(lcVeza).noquote() << QStringLiteral("veza ponovo otvorena"); });
  connect(&m_links.barcodeReader(), &BarcodeReader::codeRead, this, [this](const QString &code) {
    // A scan goes to the articles window while it shows (also over the retail
    // screen, whose entry line then has no focus, or as the order window's picker),
    // else to the retail entry line and to the order window, as if typed and entered.
    if (m_artMain->isVisible()) {
      m_artMain->barcodeRead(code);
      return;
    }
    if (m_form2->isVisible() && m_retail->entryEnabled)
      m_retail->articlePicked(code);
    TfrmNarudzbina::deliverScan(code);
  });

  // The card terminal serves the active sale window: the restaurant screen in restaurant
  // mode, else the retail screen.
  CardTerminal &eft = m_links.cardTerminal();
  connect(&eft, &CardTerminal::amountRequested, this, [this](const QByteArray &header) {
    SplitBill *split = activeSplit();
    const QString amount = split                       ? split->terminalAmountRequested()
                           : m_engine->rezimRestoran() ? m_restaurant->terminalAmountRequested()
                                                       : m_retail->terminalAmountRequested();
    m_links.cardTerminal().sendAmount(header, CardTerminal::amountInPara(amount).value_or(0));
  });
  connect(&eft, &CardTerminal::transactionStarted, this, [this] {
    if (SplitBill *split = activeSplit())
      split->terminalTransactionStarted();
    else if (m_engine->rezimRestoran())
      m_restaurant->terminalTransactionStarted();
    else
      m_retail->terminalTransactionStarted();
  });
  connect(&eft, &CardTerminal::transactionFailed, this, [this] {
    if (SplitBill *split = activeSplit())
      split->terminalTransactionFailed();
    else if (m_engine->rezimRestoran())
      m_restaurant->terminalTransactionFailed();
    else
      m_retail->terminalTransactionFailed();
  });
  connect(&eft, &CardTerminal::resultReceived, this, [this](const CardTerminal::Result &r) {
    if (SplitBill *split = activeSplit())
      split->terminalResult(r.approved(), r.cardType, r.reference, r.cardNumber);
    else if (m_engine->rezimRestoran())
      m_restaurant->terminalResult(r.approved(), r.cardType, r.reference, r.cardNumber);
    else
      m_retail->terminalResult(r.approved(), r.cardType, r.reference, r.cardNumber,
                               m_retailCalls->cekanjePrekinuto());
  });
  connect(m_engine.get(), &TransactionEngine::saleButtonsEnabled, this, [this] {
    m_pocetna->BtnProdesk->setEnabled(true);
    m_glavna->setSaleEnabled(true);
  });
  connect(m_engine.get(), &TransactionEngine::closeConfigWindow, this, [this] {
    if (m_konf->isVisible())
      m_konf->accept();
  });
  connect(m_engine.get(), &TransactionEngine::cursorRestored, m_frmArt, &TfrmArt::restoreCursor);
  connect(m_engine.get(), &TransactionEngine::dailyReportCompleted, this, [this] { backupDatabase(false); });
  connect(m_engine.get(), &TransactionEngine::modelChanged, this,
          [this](int model) { m_prompt->setModel(model); });

  m_pocetna->BtnProdeskClick = [this] { BtnProdeskClick(); };
  m_pocetna->BtnKonfihuracijaClick = [this] { BtnKonfihuracijaClick(); };
  m_pocetna->FormClose = [this] { FormClose(); };
  m_glavna->KasaClick = [this] { KasaClick(); };
  m_glavna->BtnRestoranClick = [this] { BtnRestoranClick(); };
  m_restoran->askWaiter = [this]() -> std::optional<int> {
    if (!m_form4->run(WaiterLogin::Mode::Restaurant))
      return std::nullopt;
    m_waiter = m_form4->result().waiter;
    return m_waiter.rbr;
  };
  m_restaurant->showSplit = [this] {
    // Filled for the current table first; with nothing to split only the message shows.
    if (m_restaurant->poArtiklima ? m_artSplit->open() : m_tureSplit->open()) {
      if (m_restaurant->poArtiklima)
        m_rastaviArt->exec();
      else
        m_rastaviTure->exec();
    }
  };
  m_restaurant->showMerge = [this] { return m_spajanje->exec() == QDialog::Accepted; };
  m_restaurant->pickFreeTable = [this]() -> std::optional<int> {
    m_freeTables->load(); // unreadable: an empty list, nothing to pick
    m_otvSto->exec();
    return m_freeTables->izabraniSto;
  };
  m_restaurant->showOrders = [this](int brstola) {
    return showNarudzbina(m_restoran, brstola, m_waiter, orderWindowContext());
  };
  m_glavna->BitBtn1Click = [this] { m_izvestaji->exec(); };
  m_glavna->ArtikliClick = [this] { m_artMain->maintain(); };
  m_retail->pickArticle = [this] { return m_artMain->pick(); };
  m_artMain->host.message = [this](const QString &title, const QString &text, bool question) {
    return m_prompt->messageDialog(title, text, question);
  };
  // "Preuzmi artikle" takes the device article list as the device article window holds it.
  m_artMain->deviceArticles = [this] {
    QList<DeviceArticleRow> rows;
    for (const MirrorArticle &a : m_mirror.rows())
      rows.append({QString::number(a.SIFRA), a.BARKOD, a.NAZIV, LocaleText::number(a.CENA, 2),
                   QString::number(a.PORESKA_GRUPA)});
    return rows;
  };
  m_artMain->showTurnover = [this] {
    TfrmPromet &promet = m_izvestaji->promet();
    promet.prepare(11);
    promet.edtDatumOD->show();
    promet.edtDatumOD->move(136, promet.edtDatumOD->y());
    promet.exec();
  };
  m_izvestaji->setDatabase(&m_db);
  m_izvestaji->hooks.poruka = [this](const QString &title, const QString &text) { message(title, text); };
  m_izvestaji->hooks.beep = [this] { beep(); };
  m_izvestaji->PrijavaOperatera = [this](int op) { m_engine->PrijavaOperatera(op); };
  m_izvestaji->Izvestaj = [this](int type, const QString &from, const QString &to) {
    m_engine->Izvestaj(type, from, to);
  };
  m_glavna->BtnSifarnikClick = [this] { m_sifarnici->maintain(); };
  m_sifarnici->host.message = m_artMain->host.message;
  m_sifarnici->host.warningBox = [this](const QString &text) { m_recordMessages->warning(text); };
  m_sifarnici->askCode = [this](const QString &current) -> std::optional<QString> {
    if (!m_form4->run(WaiterLogin::Mode::SetCode, current))
      return std::nullopt;
    return m_form4->result().code;
  };
  m_sifarnici->readOperators = [this] { m_articleSync->citanjeOperatera(); };
  m_sifarnici->readTaxRates = [this] { m_articleSync->citanjeStopa(); };
  connect(&m_articleSync->codeLists(), &CodeListSync::operatorButtonEnabled, m_sifarnici,
          &TfrmSifarnici::setOperatorReadEnabled);
  connect(&m_articleSync->codeLists(), &CodeListSync::taxButtonEnabled, m_sifarnici,
          &TfrmSifarnici::setTaxReadEnabled);
  m_glavna->BtnPosClick = [this] { BtnPosClick(); };
  m_glavna->BtnKopijaClick = [this] { backupDatabase(true); };
  m_glavna->FormShow = [this] {
    m_engine->detectMenkoVariant(); // a Menko only
  };
  m_retail->showFreeText = [this] {
    m_freeText->prepare();
    m_freeText->show();
  };
  // Over the modal restaurant screen it runs modally itself; the print option stays as left.
  m_restaurant->showFreeText = [this] {
    m_freeText->Memo1->clear();
    m_freeText->exec();
  };
  m_retail->showInvoices = [this] { m_racuni->open(); };
  m_restaurant->showInvoices = [this] { m_racuni->open(); };
  m_artSplit->showInvoices = [this] { m_racuni->open(); };
  m_tureSplit->showInvoices = [this] { m_racuni->open(); };
  m_racuni->pickPartner = [this](bool clearFilter) {
    if (clearFilter)
      m_sifarnici->EdtTraziPartner->clear();
    return m_sifarnici->pickPartner().value_or(QString());
  };
  m_racuni->message = [this](const QString &title, const QString &text) { message(title, text); };
  m_racuni->invoiceSettings = [this](QString *error) -> std::optional<InvoiceSettings> {
    InvoiceSettings s;
    s.owner = Vlasnik::read(m_workDir, error);
    if (!error->isEmpty())
      return std::nullopt;
    s.letterhead = m_konf->cbMem->isChecked();
    s.pdv = m_konf->cbPDV->currentIndex() + 1;
    s.databaseDir = DatabaseRestore::databaseDir(m_workDir, m_record.putanjaBaza);
    return s;
  };
  m_freeText->print = [this](const QList<FreeTextLine> &lines) {
    QList<std::pair<QString, int>> table;
    for (const FreeTextLine &line : lines)
      table.append({line.tekst, line.bold});
    m_engine->printFreeText(table);
  };
}

Program::~Program() {
  // Closing a connect under way answers its waiters: nobody is left to hear it.
  ++m_sequence;
  m_konf->setHost(nullptr);
  m_engine->setWire(nullptr);
  m_links.closeAtExit();
  m_trainingDevice.stop();
  delete m_pocetna;
  FileLog::uninstall();
}

void Program::start() {
  m_running =
      std::make_unique<QLockFile>(QDir(m_workDir).filePath(QLatin1String(DatabaseRestore::kLockFile)));
  m_running->setStaleLockTime(0); // never stale by age; one left by a crash goes with its process
  if (!m_running->tryLock(0))
    qWarning("another kasa holds %s", qPrintable(m_running->fileName()));
  const auto loaded = KonfiguracijaStore::load(m_workDir);
  m_record = m_loaded = loaded.record;
  m_pocetna->move(QApplication::primaryScreen()
                      ? QApplication::primaryScreen()->geometry().center() - m_pocetna->rect().center()
                      : QPoint(0, 0));
  m_pocetna->show();
  if (!loaded.error.isEmpty())
    message(QStringLiteral("GRESKA"), loaded.error);
  startupSequence();
}

// The device port's number comes with the link settings; the rest from the record.
void Program::setPortNames(const SetKonfiguracija &record) {
  m_links.setKonekcija(record.konekcija);
  m_links.setIP(record.IP.trimmed());
  m_links.setBarKodPort(record.BarKodPort);
  m_links.setEFTPos(record.EFTPos);
}

void Program::applyLiveSettings() {
  RetailSettings s;
  s.model = m_link.Model;
  s.zaokruzi = m_konf->cbZaokruzi->isChecked();
  // A practice sale never charges a real card.
  s.cardTerminal = m_konf->cbPos->currentIndex() != 0 && !training();
  s.training = training();
  m_retail->setSettings(s);
  RestaurantSettings r;
  r.model = m_link.Model;
  r.cardTerminal = s.cardTerminal;
  m_restaurant->setSettings(r);
  m_engine->setDrawerEnabled(m_konf->cbFioka->currentIndex() == 1);
  m_engine->setIdleDisplayTexts(m_konf->cb1red->currentIndex() == 1 ? m_konf->edt1red->text() : QString(),
                                m_konf->cb2red->currentIndex() == 1 ? m_konf->edt2red->text() : QString(),
                                m_konf->cb2red->currentIndex() == 2);
  m_prompt->setModel(m_link.Model);
}

OrderWindowContext Program::orderWindowContext() {
  // The live settings, as the retail screen takes them.
  OrderWindowContext c;
  c.db = &m_db;
  c.model = m_retail->settings().model;
  c.zaokruzi = m_retail->settings().zaokruzi;
  c.ticketPrinter = m_konf->recordFromControls().StampacNarudzbina;
  c.pickArticle = [this] { return m_artMain->pick(); };
  c.now = [this] { return m_scheduler.now(); };
  return c;
}

void Program::Podesavanja() {
  const DeviceProfile &profile = DeviceProfile::of(m_link.Model);
  m_rules->setOperatorRange(profile.firstOperator, profile.lastOperator);
  m_form2->applyModel(m_link.Model);
  m_restoran->applyModel(m_link.Model);
  m_izvestaji->setModel(m_link.Model);
  m_frmArt->BtnSync->setVisible(m_link.Model == 4);
  m_konf->applyModelSettings();
}

void Program::startupSequence() {
  const int sequence = ++m_sequence;
  m_retail->setStatus(QString());
  m_restaurant->setStatus(QString());
  m_engine->seedSendSeq(QRandomGenerator::global()->bounded(1, 50));
  m_pocetna->clearFields();
  m_pocetna->BtnProdesk->setEnabled(false);
  m_glavna->setSaleEnabled(false);

  const QString caption = QLatin1String(kCaption) +
                          (training() ? QStringLiteral(" - ") + QLatin1String(kTrainingMark) : QString());
  m_glavna->setTraining(training());
  m_glavna->setWindowTitle(caption);
  m_pocetna->setWindowTitle(caption);
  m_uputstvo->setWindowTitle(caption);
  m_konf->setWindowTitle(QStringLiteral("Podesavanje parametara"));
  m_frmArt->setWindowTitle(QStringLiteral("Artikli"));

  // A missing owner file only leaves the owner box empty.
  m_konf->loadOwner(Vlasnik::readText(m_workDir));
  m_konf->loadRecord(m_record);
  m_link = m_record.linkSettings();
  setPortNames(m_record);
  applyLiveSettings();

  if (!openDatabase(m_record)) {
    m_prompt->showInstructions();
    return;
  }
  QString error;
  if (m_record.BarKodPort != 0 && openBarcodePort(m_record, &error) != LinkResult::Ok) {
    m_prompt->showInstructions();
    return;
  }
  if (m_record.EFTPos != 0 && !training() && openCardTerminalPort(m_record, &error) != LinkResult::Ok) {
    m_prompt->showInstructions();
    return;
  }
  openDeviceLink(m_record, [this, sequence](LinkResult r, const QString &) {
    if (sequence != m_sequence)
      return;
    if (r != LinkResult::Ok) {
      m_prompt->showInstructions();
      return;
    }
    m_engine->startCheck();
  });
}

void Program::BtnProdeskClick() {
  const auto mode = m_pocetna->rezimRestoran ? WaiterLogin::Mode::Restaurant : WaiterLogin::Mode::Operator;
  if (m_form3->run(mode)) {
    const auto &r = m_form3->result();
    m_waiter = r.waiter;
    m_engine->setRbrKasira(r.waiter.rbr);
    m_retail->rbrKasira = r.waiter.rbr;
    m_glavna->setRights(r.allRights(), m_engine->kasaProverena());
    m_glavna->exec();
  } else {
    m_pocetna->rezimRestoran = false;
  }
  startupSequence();
}

void Program::BtnKonfihuracijaClick() {
  m_engine->setConfigWindowShowing(true);
  m_konf->exec();
  m_engine->setConfigWindowShowing(false);
  startupSequence();
}

void Program::KasaClick() {
  applyLiveSettings();
  m_retail->setStatus(QString());
  m_form2->exec();
}

SplitBill *Program::activeSplit() {
  if (!m_engine->rezimRestoran())
    return nullptr;
  if (m_engine->rastavljanjePoArtiklima())
    return m_artSplit.get();
  if (m_engine->rastavljanjePoTurama())
    return m_tureSplit.get();
  return nullptr;
}

void Program::BtnRestoranClick() {
  applyLiveSettings();
  m_pocetna->rezimRestoran = true;
  m_engine->setRezimRestoran(true);
  m_restaurant->showWaiter(m_engine->rbrKasira());
  m_restoran->exec();
  m_pocetna->rezimRestoran = false;
  m_engine->setRezimRestoran(false);
}

void Program::BtnPosClick() {
  m_links.openForArticleWindow([this](std::optional<LinkMessage> failed) {
    if (failed) {
      deviceMessage(failed->title, failed->text);
      return;
    }
    m_frmArt->exec();
  });
}

void Program::FormClose() {
  if (DeviceProfile::of(m_link.Model).leavesPrinterModeOnExit) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Potvrda!"),
                    QStringLiteral("Da li zelite da izadjete iz rezima fiskalnog stampaca?"),
                    QMessageBox::NoButton, m_pocetna);
    QPushButton *da = box.addButton(QStringLiteral("Da"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Ne"), QMessageBox::NoRole);
    box.exec();
    if (box.clickedButton() == da)
      m_engine->IzlazPrinter();
  }
  ++m_sequence; // a connect still under way ends with the program, unannounced
  m_links.closeAtExit();
  m_trainingDevice.stop();
  if (!(m_record == m_loaded))
    KonfiguracijaStore::save(m_workDir, m_record);
  if (!onTrainingDatabase() && m_db.kind() == DatabaseKind::SQLite && !m_db.sqliteFile().isEmpty())
    DatabaseBackup::copyNow(m_db, backupFolder(), m_record.brojKopija, m_scheduler.now());
}

QString Program::backupFolder() const {
  return DatabaseBackup::folderFor(m_record.putanjaKopija, QFileInfo(m_db.sqliteFile()).absolutePath());
}

// A practice database is no backup: its copies would push the shop's own out of the rotation.
bool Program::onTrainingDatabase() const {
  return training() || QFileInfo(m_db.sqliteFile()).fileName() == TrainingDatabase::fileName();
}

void Program::backupDatabase(bool asked) {
  if (onTrainingDatabase()) {
    if (asked)
      m_prompt->messageDialog(QStringLiteral("Obavestenje!"),
                              QStringLiteral("U obuci se rezervna kopija baze ne pravi."));
    return;
  }
  const bool started =
      m_backup.start(m_db, backupFolder(), m_record.brojKopija, [this, asked](const BackupResult &r) {
        m_retail->setStatus(r.message);
        if (asked)
          m_prompt->messageDialog(r.ok ? QStringLiteral("Obavestenje!") : QStringLiteral("Upozorenje!"),
                                  r.message);
      });
  if (!started && asked)
    m_prompt->messageDialog(QStringLiteral("Obavestenje!"),
                            QStringLiteral("Rezervna kopija baze se vec pravi."));
}

// ------------------------------------------------------------------ KonfHost

void Program::message(const QString &title, const QString &text) {
  m_prompt->messageDialog(title, text);
}

void Program::deviceMessage(const QString &title, const QString &text) {
  expectNoOpenTransaction("the device-error dialog");
  m_dialog->Naslov->setText(title);
  m_dialog->tekst->setPlainText(text);
  m_dialog->exec();
}

void Program::beep() {
  QApplication::beep();
}

void Program::clearCheckFlags() {
  m_engine->clearCheckFlags();
}

void Program::refreshLink(const SetKonfiguracija &record) {
  m_record = record;
  m_glavna->setTraining(training());
  m_link = record.linkSettings();
  setPortNames(record);
  applyLiveSettings();
}

bool Program::openDatabase(const SetKonfiguracija &record) {
  const bool opened = record.Obuka == 1
                          ? TrainingDatabase::open(m_db, record.TipBaze, record.putanjaBaza, m_workDir)
                          : m_db.open(record.TipBaze, record.putanjaBaza);
  if (!opened) {
    qCWarning(lcVeza).noquote() << QStringLiteral("baza nije otvorena: ") + m_db.lastError();
    return false;
  }
  m_engine->setDatabase(&m_db);
  // Steps a lost server could not take are written before anything is sold; training
  // keeps its own database and never touches them.
  m_engine->setStepJournalDir(record.Obuka == 1 ? QString() : m_workDir);
  m_engine->replayStepJournal();
  if (!m_changes.listen(m_db))
    qCWarning(lcVeza).noquote() << QStringLiteral("promene sa drugih kasa se ne prate: ") + m_db.lastError();
  Podesavanja();
  return true;
}

void Program::configurationChanged(const QStringList &differences) {
  if (const auto logged =
          AuditJournal(m_db).append(AuditAction::Configuration, differences.join(QStringLiteral("; ")));
      !logged)
    qCWarning(lcVeza).noquote() << QStringLiteral("dnevnik: ") + logged.error();
}

QString Program::mirrorPath(bool training) const {
  return QDir(m_workDir).filePath(training ? QLatin1String(kTrainingMirror)
                                           : ArticleMirror::defaultFileName());
}

// The engine keeps the mirror of the device it talks to: in training the simulated
// device's, which starts as a copy of the shop's (the shop's file is only read).
void Program::useMirror(bool on, bool freshDevice) {
  if (on && freshDevice) {
    m_mirror.load(mirrorPath(false));
    m_mirror.save(mirrorPath(true));
  } else if (on == m_mirrorForTraining) {
    return;
  } else {
    m_mirror.load(mirrorPath(on));
  }
  m_mirrorForTraining = on;
  m_mirrorModel.reload();
  m_engine->setMirror(&m_mirror, mirrorPath(on));
  m_articleSync->setMirrorPath(mirrorPath(on));
  m_frmArt->setMirrorPath(mirrorPath(on));
}

void Program::openDeviceLink(const SetKonfiguracija &record, LinkDone done) {
  setPortNames(record);
  if (record.Obuka != 1) {
    m_trainingDevice.stop();
    m_links.setDevicePath(QString());
    useMirror(false, false);
  }
  const auto open = [this, done] {
    const bool tcp = m_links.usesTcp();
    const QString where = m_links.devicePath().isEmpty()
                              ? (tcp ? m_links.tcpLink().host() : SerialPortLink::comName(m_link.Port))
                              : QStringLiteral("simulirana kasa za obuku");
    m_links.openDevice([this, tcp, where, done](bool ok) {
      qCInfo(lcVeza).noquote() << QStringLiteral("model %1 na %2: %3")
                                      .arg(m_link.Model)
                                      .arg(where,
                                           ok ? QStringLiteral("otvoreno")
                                              : QStringLiteral("nije otvoreno ") + m_links.errorString());
      if (ok)
        done(LinkResult::Ok, QString());
      else
        done(tcp ? LinkResult::Failed : LinkResult::NotOpen, tcp ? QString() : m_links.errorString());
    });
  };
  if (record.Obuka != 1) {
    open();
    return;
  }
  // Training: the configured port is never opened; the device is our own simulator.
  m_links.serialLink().close();
  m_links.tcpLink().close();
  m_links.setDevicePath(m_trainingDevice.linkPath());
  useMirror(true, !m_trainingDevice.runsFor(record.Model, record.IBFM));
  const int sequence = m_sequence;
  m_trainingDevice.start(record.Model, record.IBFM, m_mirror,
                         QDir(m_workDir).filePath(QLatin1String(kTrainingJournal)),
                         [this, sequence, open, done](bool ok, const QString &error) {
                           if (sequence != m_sequence)
                             return;
                           if (!ok) {
                             qCWarning(lcVeza).noquote() << QStringLiteral("simulirana kasa: ") + error;
                             done(LinkResult::NotOpen, error);
                             return;
                           }
                           open();
                         });
}

KonfHost::LinkResult Program::openBarcodePort(const SetKonfiguracija &record, QString *platformError) {
  m_links.setBarKodPort(record.BarKodPort);
  const bool ok = m_links.openBarcodeReader() && m_links.barcodeReader().isOpen();
  if (!ok && platformError)
    *platformError = m_links.barcodeReader().errorString();
  return ok ? LinkResult::Ok : LinkResult::NotOpen;
}

KonfHost::LinkResult Program::openCardTerminalPort(const SetKonfiguracija &record, QString *platformError) {
  if (record.Obuka == 1) {
    m_links.cardTerminal().close();
    return LinkResult::Ok;
  }
  m_links.setEFTPos(record.EFTPos);
  const bool ok = m_links.openCardTerminal() && m_links.cardTerminal().isOpen();
  if (!ok && platformError)
    *platformError = m_links.cardTerminal().errorString();
  return ok ? LinkResult::Ok : LinkResult::NotOpen;
}

void Program::startDeviceCheck(const SetKonfiguracija &record) {
  (void)record;
  m_engine->startCheck();
}

std::optional<SetKonfiguracija> Program::importOlderData(const SetKonfiguracija &record) {
  const std::unique_ptr<LegacySource> source = LegacyImport::sourceIn(record.putanjaBaza, record.TipBaze);
  if (!source)
    return std::nullopt;
  const QString dir = QDir::toNativeSeparators(QDir(record.putanjaBaza.trimmed()).absolutePath());
  if (!m_prompt->messageDialog(
          QStringLiteral("Obavestenje!"),
          QStringLiteral("Pronadjeni su podaci starog programa: %1. Da li zelite da ih prenesete u novu "
                         "bazu kasa.db u folderu %2? Stari podaci se ne menjaju.")
              .arg(source->description(), dir),
          true))
    return std::nullopt;
  const DeviceProfile &profile = DeviceProfile::of(record.Model);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ImportReport report = LegacyImport::intoDirectory(record.putanjaBaza.trimmed(), *source,
                                                          profile.firstOperator, profile.lastOperator);
  QApplication::restoreOverrideCursor();
  m_importReport->setReport(report.ok, report.text());
  m_importReport->exec();
  if (!report.ok)
    return std::nullopt;
  SetKonfiguracija moved = record;
  moved.TipBaze = int(DatabaseKind::SQLite);
  return moved;
}
