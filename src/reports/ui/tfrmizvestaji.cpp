#include "reports/ui/tfrmizvestaji.h"

#include "data/database.h"
#include "reports/fiscalreports.h"
#include "reports/reportrequest.h"
#include "reports/ui/tform6.h"
#include "reports/ui/tfrmpromet.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmIzvestaji::TfrmIzvestaji(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Izvestaji"));
  setFixedSize(230, 500);
  int y = 8;
  auto button = [this](QPushButton *&b, const char *name, const char *caption, QWidget *parent, QRect at) {
    b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(at);
    b->setAutoDefault(false);
  };
  struct Dated {
    QPushButton **button;
    const char *name, *caption;
    int kind;
  } const dated[] = {
      {&BtnPromet, "BtnPromet", "UKUPAN DNEVNI PROMET", ReportKinds::Promet},
      {&BtnPresekStanja, "BtnPresekStanja", "DNEVNI PO ARTIKLIMA", ReportKinds::PresekStanja},
      {&BitBtn1, "BitBtn1", "PERIODICNI PO ARTIKLIMA", ReportKinds::PeriodicniPoArtiklima},
      {&BitBtn3, "BitBtn3", "DNEVNI PO STOPAMA", ReportKinds::DnevniPoStopama},
      {&BitBtn2, "BitBtn2", "PERIODICNI PO STOPAMA", ReportKinds::PeriodicniPoStopama},
      {&BitBtn4, "BitBtn4", "DNEVNI PO OPERATERIMA", ReportKinds::DnevniPoOperaterima},
      {&BitBtn5, "BitBtn5", "PERIODICNI PO OPERATERIMA", ReportKinds::PeriodicniPoOperaterima},
      {&BtnKnjigaKuh, "BtnKnjigaKuh", "KNJIGA KUHINJE", ReportKinds::KnjigaKuhinje},
      {&BtnKnjigaBar, "BtnKnjigaBar", "KNJIGA SANKA", ReportKinds::KnjigaSanka},
      {&BitBtn7, "BitBtn7", "PERIODICNI PO GRUPAMA", ReportKinds::PeriodicniPoGrupama},
  };
  for (const Dated &d : dated) {
    button(*d.button, d.name, d.caption, this, QRect(8, y, 214, 32));
    const int kind = d.kind;
    connect(*d.button, &QPushButton::clicked, this, [this, kind] { datedReport(kind); });
    y += 37;
  }
  button(BtnLagerLista, "BtnLagerLista", "LAGER LISTA", this, QRect(8, y, 214, 32));
  button(BtnMinLager, "BtnMinLager", "MINIMALNI LAGER", this, QRect(8, y + 37, 214, 32));
  button(BitBtn8, "BitBtn8", "NAJPRODAVANIJI ARTIKLI", this, QRect(8, y + 74, 214, 32));
  connect(BtnLagerLista, &QPushButton::clicked, this, [this] { stockReport(false); });
  connect(BtnMinLager, &QPushButton::clicked, this, [this] { stockReport(true); });
  connect(BitBtn8, &QPushButton::clicked, this, [this] {
    m_form6->prepare();
    m_form6->exec();
  });

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(236, 8, 336, 120);
  auto *heading = new QLabel(QStringLiteral("IZVESTAJI NA FISKALNOM STAMPACU"), Panel1);
  heading->setGeometry(8, 6, 320, 20);
  heading->setAlignment(Qt::AlignCenter);
  button(BtnDnevni, "BtnDnevni", "DNEVNI", Panel1, QRect(16, 34, 304, 36));
  button(BitBtn6, "BitBtn6", "PRESEK STANJA", Panel1, QRect(16, 76, 304, 36));

  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel2->setGeometry(236, 136, 336, 232);
  (new QLabel(QStringLiteral("OD"), Panel2))->setGeometry(16, 14, 24, 20);
  EdtOd = new QLineEdit(Panel2);
  EdtOd->setObjectName(QStringLiteral("EdtOd"));
  EdtOd->setGeometry(44, 12, 110, 24);
  (new QLabel(QStringLiteral("DO"), Panel2))->setGeometry(176, 14, 24, 20);
  EdtDo = new QLineEdit(Panel2);
  EdtDo->setObjectName(QStringLiteral("EdtDo"));
  EdtDo->setGeometry(204, 12, 110, 24);
  button(BtnPeriodicni, "BtnPeriodicni", "PERIODICNI", Panel2, QRect(16, 48, 304, 36));
  button(BtnArtikliFlash, "BtnArtikliFlash", "PO ARTIKLIMA", Panel2, QRect(16, 92, 304, 36));
  button(BtnOdeljenja, "BtnOdeljenja", "PO ODELJENJIMA", Panel2, QRect(16, 136, 304, 36));
  button(BtnOperateri, "BtnOperateri", "PO OPERATERIMA", Panel2, QRect(16, 180, 304, 36));
  const std::pair<QPushButton *, int> fiscal[] = {
      {BtnDnevni, FiscalReports::Dnevni},           {BitBtn6, FiscalReports::PresekStanja},
      {BtnPeriodicni, FiscalReports::Periodicni},   {BtnArtikliFlash, FiscalReports::PoArtiklima},
      {BtnOdeljenja, FiscalReports::PoOdeljenjima}, {BtnOperateri, FiscalReports::PoOperaterima},
  };
  for (const auto &[b, type] : fiscal) {
    const int t = type;
    connect(b, &QPushButton::clicked, this, [this, t] { fiscalReport(t); });
  }

  m_promet = new TfrmPromet(this);
  m_form6 = new TForm6(this);
  // The windows opened from here report, beep and preview through this menu's hooks.
  auto forward = [this](ReportWindowHooks &child) {
    child.poruka = [this](const QString &title, const QString &text) { hooks.poruka(title, text); };
    child.beep = [this] { hooks.beep(); };
    child.showReport = [this](std::shared_ptr<BandedReport> r) { hooks.showReport(std::move(r)); };
    child.now = [this] { return hooks.now(); };
  };
  forward(m_promet->hooks);
  forward(m_form6->hooks);
  hooks.fillDefaults(this);
  setModel(1);
}

void TfrmIzvestaji::setDatabase(Database *db) {
  m_db = db;
  m_promet->setDatabase(db);
  m_form6->setDatabase(db);
}

void TfrmIzvestaji::setModel(int model) {
  m_model = model;
  const bool fiscal = model == 4;
  setFixedWidth(fiscal ? 580 : 230);
  Panel1->setEnabled(fiscal);
  Panel2->setEnabled(fiscal);
}

void TfrmIzvestaji::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (m_model == 4 && PrijavaOperatera)
    PrijavaOperatera(1);
}

void TfrmIzvestaji::datedReport(int kind) {
  m_kind = kind;
  m_promet->prepare(kind);
  m_promet->exec();
}

void TfrmIzvestaji::stockReport(bool atOrBelowMinimum) {
  if (!m_db || !m_db->isOpen()) {
    hooks.poruka(QStringLiteral("GRESKA"), Database::openFailureText());
    return;
  }
  const ReportOutcome out = ReportRequest(*m_db).stock(atOrBelowMinimum, hooks.now());
  if (!out.report) {
    hooks.poruka(out.title, out.text);
    return;
  }
  hooks.showReport(out.report);
}

void TfrmIzvestaji::fiscalReport(int type) {
  if (m_model != 4)
    return;
  const FiscalReports::Check check = FiscalReports::check(type, EdtOd->text(), EdtDo->text());
  if (!check.order) {
    hooks.poruka(check.title, check.text);
    return;
  }
  if (type >= FiscalReports::PoArtiklima) {
    EdtOd->setText(check.order->from);
    EdtDo->setText(check.order->to);
  }
  if (Izvestaj)
    Izvestaj(check.order->type, check.order->from, check.order->to);
}
