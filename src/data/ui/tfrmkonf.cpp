#include "data/ui/tfrmkonf.h"

#include "data/ui/tfrmmemorandum.h"
#include "data/vlasnik.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>

namespace {
QStringList comList(bool withNone) {
  QStringList l;
  if (withNone)
    l << QStringLiteral("NE KORISTI SE");
  for (int i = 1; i <= 8; ++i)
    l << QStringLiteral("COM%1").arg(i);
  return l;
}

QComboBox *combo(QWidget *parent, const char *name, const QStringList &items, int x, int y, int w = 150) {
  auto *c = new QComboBox(parent);
  c->setObjectName(QLatin1String(name));
  c->addItems(items);
  c->setGeometry(x, y, w, 22);
  return c;
}

QLineEdit *edit(QWidget *parent, const char *name, int x, int y, int w = 150) {
  auto *e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(x, y, w, 22);
  return e;
}

void label(QWidget *parent, const QString &text, int x, int y, int w = 130) {
  auto *l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 22);
}

// A stored code without a list entry leaves the control as it is.
void setIndexIfValid(QComboBox *c, int index) {
  if (index >= 0 && index < c->count())
    c->setCurrentIndex(index);
}

const QString &previewEntry() {
  static const QString t = QStringLiteral("PREGLED PRE STAMPE");
  return t;
}

bool allDigits(const QString &t) {
  for (QChar c : t) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  }
  return true;
}
} // namespace

const QString &TFrmKonf::unsupported() {
  static const QString t =
      QStringLiteral("Izabrani model fiskalnog uredjaja ne podrzava ovu funkcionalnost!");
  return t;
}

TFrmKonf::TFrmKonf(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Podesavanje parametara"));
  setFixedSize(580, 543);

  auto *veza = new QGroupBox(QStringLiteral("Parametri veze"), this);
  veza->setGeometry(8, 8, 280, 250);
  rbCom = new QRadioButton(QStringLiteral("COM PORT"), veza);
  rbCom->setObjectName(QStringLiteral("rbCom"));
  rbCom->setGeometry(10, 22, 110, 20);
  rbCom->setChecked(true);
  rbIP = new QRadioButton(QStringLiteral("TCP/IP"), veza);
  rbIP->setObjectName(QStringLiteral("rbIP"));
  rbIP->setGeometry(130, 22, 110, 20);
  label(veza, QStringLiteral("Komunikacioni port"), 10, 50);
  CBPort = combo(veza, "CBPort", comList(false), 130, 50, 140);
  label(veza, QStringLiteral("IP adresa"), 10, 80);
  edtIP = edit(veza, "edtIP", 130, 80, 140);
  label(veza, QStringLiteral("Port bar-kod citaca"), 10, 110);
  cbBCPort = combo(veza, "cbBCPort", comList(true), 130, 110, 140);
  label(veza, QStringLiteral("DA Sistem"), 10, 140);
  cbPos = combo(veza, "cbPos", comList(true), 130, 140, 140);
  label(veza, QStringLiteral("Povezana fioka"), 10, 170);
  cbFioka = combo(veza, "cbFioka", {QStringLiteral("NE"), QStringLiteral("DA")}, 130, 170, 140);

  auto *program = new QGroupBox(QStringLiteral("Parametri programa"), this);
  program->setGeometry(296, 8, 276, 250);
  label(program, QStringLiteral("Duzina za naziv"), 10, 22, 110);
  edtDuzina = edit(program, "edtDuzina", 120, 22, 146);
  label(program, QStringLiteral("Putanja za bazu"), 10, 52, 110);
  EdtBaza = edit(program, "EdtBaza", 120, 52, 146);
  label(program, QStringLiteral("Tip baze"), 10, 82, 110);
  // The kinds the database layer opens: embedded file, dBase directory, PostgreSQL server.
  cbTipBaze =
      combo(program, "cbTipBaze",
            {QStringLiteral("SQLITE"), QStringLiteral("DBF"), QStringLiteral("POSTGRESQL")}, 120, 82, 146);
  label(program, QStringLiteral("Prvi red displeja"), 10, 116, 110);
  cb1red = combo(program, "cb1red", {QStringLiteral("NE KORISTI SE"), QStringLiteral("SLOBODAN TEKST")}, 120,
                 116, 146);
  edt1red = edit(program, "edt1red", 120, 142, 146);
  edt1red->setMaxLength(20);
  label(program, QStringLiteral("Drugi red displeja"), 10, 176, 110);
  cb2red = combo(
      program, "cb2red",
      {QStringLiteral("NE KORISTI SE"), QStringLiteral("SLOBODAN TEKST"), QStringLiteral("DATUM I VREME")},
      120, 176, 146);
  edt2red = edit(program, "edt2red", 120, 202, 146);
  edt2red->setMaxLength(20);

  auto *uredjaj = new QGroupBox(QStringLiteral("Fiskalni uredjaj"), this);
  uredjaj->setGeometry(8, 266, 280, 150);
  label(uredjaj, QStringLiteral("Model kase"), 10, 22);
  CBModel = combo(
      uredjaj, "CBModel",
      {QStringLiteral("Taliro"), QStringLiteral("Menko"), QStringLiteral("Dravo"), QStringLiteral("Selvio")},
      130, 22, 140);
  label(uredjaj, QStringLiteral("Broj kase "), 10, 52);
  EdtBroj = edit(uredjaj, "EdtBroj", 130, 52, 140);
  cbZaokruzi = new QCheckBox(QStringLiteral("Zaokruzi"), uredjaj);
  cbZaokruzi->setObjectName(QStringLiteral("cbZaokruzi"));
  cbZaokruzi->setGeometry(130, 84, 140, 20);
  cbObuka = new QCheckBox(QStringLiteral("Obuka: simulirana kasa i baza za obuku"), uredjaj);
  cbObuka->setObjectName(QStringLiteral("cbObuka"));
  cbObuka->setGeometry(10, 116, 262, 20);

  auto *narudzbine = new QGroupBox(QStringLiteral("Narudzbine"), this);
  narudzbine->setGeometry(8, 424, 280, 62);
  label(narudzbine, QStringLiteral("Stampac"), 10, 26, 70);
  cbStampacNar = combo(narudzbine, "cbStampacNar",
                       QStringList{previewEntry()} + QPrinterInfo::availablePrinterNames(), 80, 26, 190);
  cbStampacNar->setEditable(true);
  cbStampacNar->setInsertPolicy(QComboBox::NoInsert);
  cbStampacNar->lineEdit()->setMaxLength(100);

  auto *firma = new QGroupBox(QStringLiteral("Podaci o firmi"), this);
  firma->setGeometry(296, 266, 276, 220);
  reVlasnik = new QPlainTextEdit(firma);
  reVlasnik->setObjectName(QStringLiteral("reVlasnik"));
  reVlasnik->setGeometry(10, 22, 256, 110);
  label(firma, QStringLiteral("U sistemu PDV"), 10, 140, 100);
  cbPDV = combo(firma, "cbPDV", {QStringLiteral("DA"), QStringLiteral("NE")}, 120, 140, 146);
  cbMem = new QCheckBox(QStringLiteral("Memorandum"), firma);
  cbMem->setObjectName(QStringLiteral("cbMem"));
  cbMem->setGeometry(10, 176, 110, 20);
  BitBtn3 = new QPushButton(QStringLiteral("Memorandum"), firma);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->setGeometry(120, 172, 146, 28);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(140, 500, 120, 32);
  BitBtn2 = new QPushButton(QStringLiteral("OTKAZ"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(320, 500, 120, 32);
  // Enter in any field is the OK step; the letterhead chooser opens only when asked for.
  BitBtn3->setAutoDefault(false);
  BitBtn1->setDefault(true);

  connect(rbIP, &QRadioButton::clicked, this, &TFrmKonf::rbIPClick);
  connect(CBModel, &QComboBox::currentIndexChanged, this, &TFrmKonf::CBModelChange);
  connect(cbZaokruzi, &QCheckBox::clicked, this, &TFrmKonf::cbZaokruziClick);
  connect(cb1red, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i == 0)
      edt1red->clear();
  });
  connect(cb2red, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i == 0)
      edt2red->clear();
  });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { okStep(); });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtn3, &QPushButton::clicked, this, [this] {
    if (!m_memorandum)
      m_memorandum = new TfrmMemorandum(this);
    m_memorandum->setTargetDirectory(EdtBaza->text());
    m_memorandum->exec();
  });
  applyModelSettings();
}

void TFrmKonf::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CBModel->setFocus(Qt::OtherFocusReason);
}

void TFrmKonf::keyPressEvent(QKeyEvent *event) {
  // Left only through OK or OTKAZ.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

int TFrmKonf::modelFromIndex(int index) {
  static const int models[] = {1, 2, 4, 5};
  return index >= 0 && index < 4 ? models[index] : 1;
}

int TFrmKonf::indexFromModel(int model) {
  switch (model) {
  case 1:
    return 0;
  case 2:
  case 3:
    return 1;
  case 4:
    return 2;
  case 5:
    return 3;
  }
  return -1;
}

void TFrmKonf::rbIPClick() {
  if (CBModel->currentText() != QLatin1String("Dravo")) {
    if (m_host)
      m_host->message(QStringLiteral("Greska"), unsupported());
    rbCom->setChecked(true);
  }
}

void TFrmKonf::CBModelChange() {
  if (CBModel->currentText() != QLatin1String("Dravo"))
    rbCom->setChecked(true);
  applyModelSettings();
}

void TFrmKonf::applyModelSettings() {
  const bool taliro = CBModel->currentText() == QLatin1String("Taliro");
  if (!taliro)
    cbZaokruzi->setChecked(false);
  cbZaokruzi->setEnabled(taliro);
}

void TFrmKonf::cbZaokruziClick() {
  if (cbZaokruzi->isChecked() && CBModel->currentText() != QLatin1String("Taliro")) {
    if (m_host)
      m_host->message(QStringLiteral("Greska"), unsupported());
    cbZaokruzi->setChecked(false);
  }
}

void TFrmKonf::loadRecord(const SetKonfiguracija &r) {
  m_record = r;
  setIndexIfValid(CBModel, indexFromModel(r.Model));
  (r.konekcija == 1 ? rbIP : rbCom)->setChecked(true);
  setIndexIfValid(CBPort, r.Port - 1);
  edtIP->setText(r.IP);
  setIndexIfValid(cbBCPort, r.BarKodPort);
  setIndexIfValid(cbPos, r.EFTPos);
  setIndexIfValid(cbFioka, r.Fioka - 1);
  edtDuzina->setText(QString::number(r.Duzina));
  EdtBaza->setText(r.putanjaBaza);
  setIndexIfValid(cbTipBaze, r.TipBaze - 1);
  setIndexIfValid(cb1red, r.PrviRed);
  edt1red->setText(r.PrviRedTekst);
  setIndexIfValid(cb2red, r.DrugiRed);
  edt2red->setText(r.DrugiRedTekst);
  EdtBroj->setText(r.IBFM);
  setIndexIfValid(cbPDV, r.pdv - 1);
  cbMem->setChecked(r.Memo == 1);
  cbObuka->setChecked(r.Obuka == 1);
  if (r.StampacNarudzbina.isEmpty())
    cbStampacNar->setCurrentIndex(0);
  else
    cbStampacNar->setCurrentText(r.StampacNarudzbina);
  applyModelSettings();
  cbZaokruzi->setChecked(r.Zaokruzi == 1 && cbZaokruzi->isEnabled());
}

void TFrmKonf::loadOwner(const QString &text) {
  reVlasnik->clear();
  reVlasnik->setPlainText(text);
}

SetKonfiguracija TFrmKonf::recordFromControls(bool *ok) const {
  SetKonfiguracija r = m_record;
  r.konekcija = rbIP->isChecked() ? 1 : 0;
  r.Port = CBPort->currentIndex() + 1;
  r.IP = edtIP->text().trimmed();
  r.BarKodPort = cbBCPort->currentIndex();
  r.EFTPos = cbPos->currentIndex();
  r.Fioka = cbFioka->currentIndex() + 1;
  bool duzinaOk = false;
  const int duzina = edtDuzina->text().trimmed().toInt(&duzinaOk);
  if (duzinaOk)
    r.Duzina = duzina;
  r.putanjaBaza = EdtBaza->text();
  r.TipBaze = cbTipBaze->currentIndex() + 1;
  r.PrviRed = cb1red->currentIndex();
  r.PrviRedTekst = r.PrviRed == 1 ? edt1red->text() : QString();
  r.DrugiRed = cb2red->currentIndex();
  r.DrugiRedTekst = r.DrugiRed == 1 ? edt2red->text() : QString();
  r.Model = modelFromIndex(CBModel->currentIndex());
  r.IBFM = EdtBroj->text();
  r.Zaokruzi = cbZaokruzi->isChecked() ? 1 : 0;
  r.pdv = cbPDV->currentIndex() + 1;
  r.Memo = cbMem->isChecked() ? 1 : 0;
  r.Obuka = cbObuka->isChecked() ? 1 : 0;
  const QString printer = cbStampacNar->currentText().trimmed();
  r.StampacNarudzbina = printer == previewEntry() ? QString() : printer;
  if (ok)
    *ok = duzinaOk;
  return r;
}

bool TFrmKonf::okStep() {
  // Whatever an earlier OK still waits for is replaced by this one.
  ++m_okAttempt;
  m_okState = OkState::Idle;
  auto stop = [this] {
    m_okState = OkState::Stopped;
    emit okStepFinished(false);
    return false;
  };
  if (m_host)
    m_host->clearCheckFlags();
  if (!allDigits(EdtBroj->text())) {
    if (m_host)
      m_host->message(QStringLiteral("GRESKA!"), QStringLiteral("Broj kase mora biti numericki!"));
    return stop();
  }
  if (rbIP->isChecked() && edtIP->text().trimmed().isEmpty()) {
    if (m_host)
      m_host->message(QStringLiteral("Greska"), QStringLiteral("Morate uneti IP adresu!"));
    return stop();
  }
  if (edtDuzina->text().isEmpty() || EdtBroj->text().isEmpty() || EdtBaza->text().isEmpty()) {
    if (m_host)
      m_host->deviceMessage(QStringLiteral("GRESKA!"),
                            QStringLiteral("Svi parametri moraju biti definisani!"));
    return stop();
  }
  // A record the program could not work with is refused before anything is
  // written, so vlasnik.ini and Konfiguracija.dat never disagree.
  bool duzinaOk = false;
  SetKonfiguracija rec = recordFromControls(&duzinaOk);
  QStringList bad = rec.invalidFields();
  if (!duzinaOk)
    bad.prepend(QStringLiteral("Duzina za naziv"));
  if (!bad.isEmpty()) {
    if (m_host)
      m_host->message(QStringLiteral("GRESKA!"),
                      QStringLiteral("Neispravna vrednost: %1").arg(bad.join(QStringLiteral(", "))));
    return stop();
  }
  if (m_host) {
    if (const auto moved = m_host->importOlderData(rec)) {
      rec = *moved;
      setIndexIfValid(cbTipBaze, rec.TipBaze - 1);
    }
  }
  QString error;
  const SetKonfiguracija before = m_record;
  const bool ownerChanged =
      Vlasnik::linesToWrite(Vlasnik::readText(m_workDir)) != Vlasnik::linesToWrite(reVlasnik->toPlainText());
  if (!Vlasnik::write(m_workDir, reVlasnik->toPlainText(), &error) ||
      !KonfiguracijaStore::save(m_workDir, rec, &error)) {
    if (m_host)
      m_host->message(QStringLiteral("GRESKA"), error);
    return stop();
  }
  m_record = rec;
  if (!m_host) {
    m_okState = OkState::Idle;
    emit okStepFinished(false);
    return true;
  }
  m_host->refreshLink(rec);
  if (!m_host->openDatabase(rec)) {
    m_host->beep();
    m_host->message(QStringLiteral("GRESKA"),
                    QStringLiteral("Problem u otvaranju baze.Proverite konfiguraciju putanje"));
    return stop();
  }
  QStringList differences = KonfiguracijaStore::differences(before, rec);
  if (ownerChanged)
    differences << QStringLiteral("vlasnik.ini");
  if (!differences.isEmpty())
    m_host->configurationChanged(differences);
  // A TCP connection answers after a pause and the connect, long after this step
  // has returned: the rest of the step carries its own record and attempt.
  const quint64 attempt = m_okAttempt;
  m_okState = OkState::WaitingForLink;
  m_host->openDeviceLink(rec, [window = QPointer<TFrmKonf>(this), attempt,
                               rec](KonfHost::LinkResult r, const QString &platformError) {
    if (window)
      window->linkOpened(attempt, rec, r, platformError);
  });
  return m_okState != OkState::Stopped;
}

void TFrmKonf::linkOpened(quint64 attempt, const SetKonfiguracija &rec, KonfHost::LinkResult r,
                          const QString &platformError) {
  // An answer for an OK that a later OK or the closing of the window replaced.
  if (attempt != m_okAttempt || m_okState != OkState::WaitingForLink || !m_host)
    return;
  if (r == KonfHost::LinkResult::Ok) {
    finishAfterLink(rec);
    return;
  }
  m_okState = OkState::Stopped;
  if (rec.konekcija == 1)
    m_host->deviceMessage(QStringLiteral("GRESKA"),
                          QStringLiteral("Problem u uspostavljanju konekcije! Proverite kablove"));
  else if (r == KonfHost::LinkResult::Failed && !platformError.isEmpty())
    m_host->deviceMessage(QStringLiteral("Greska"), platformError);
  else
    m_host->deviceMessage(QStringLiteral("Greska"), QStringLiteral("Port nije otvoren! Proverite kablove."));
  emit okStepFinished(false);
}

void TFrmKonf::done(int result) {
  // A link that answers after the window closed belongs to nobody.
  ++m_okAttempt;
  m_okState = OkState::Idle;
  QDialog::done(result);
}

void TFrmKonf::finishAfterLink(const SetKonfiguracija &rec) {
  QString platformError;
  QString failure;
  if (rec.BarKodPort != 0) {
    const auto r = m_host->openBarcodePort(rec, &platformError);
    if (r != KonfHost::LinkResult::Ok)
      failure = r == KonfHost::LinkResult::Failed && !platformError.isEmpty()
                    ? platformError
                    : QStringLiteral("Port za Bar-kod citac nije otvoren! Proverite kablove.");
  }
  if (failure.isEmpty() && rec.EFTPos != 0 &&
      m_host->openCardTerminalPort(rec, &platformError) != KonfHost::LinkResult::Ok)
    failure = QStringLiteral("Port za EFT Pos terminal nije otvoren! Proverite kablove.");
  if (!failure.isEmpty()) {
    m_okState = OkState::Stopped;
    m_host->deviceMessage(QStringLiteral("Greska"), failure);
    emit okStepFinished(false);
    return;
  }
  m_okState = OkState::CheckStarted;
  m_host->startDeviceCheck(rec);
  emit okStepFinished(true);
}
