#include "data/ui/tfrmsifarnici.h"

#include "data/codelisttablemodel.h"
#include "data/database.h"
#include "data/recordrules.h"
#include "data/ui/recordgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>

namespace {

QTableView *gridView(QWidget *parent, const char *name, const QRect &at) {
  auto *v = new QTableView(parent);
  v->setObjectName(QLatin1String(name));
  v->setGeometry(at);
  return v;
}

QPushButton *button(QWidget *parent, const char *name, const char *text, const QRect &at) {
  auto *b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(QLatin1String(name));
  b->setGeometry(at);
  b->setAutoDefault(false);
  return b;
}

} // namespace

TfrmSifarnici::TfrmSifarnici(Database &db, RecordRules &rules, QWidget *parent)
    : QDialog(parent), m_db(db), m_rules(rules), m_maintenance(db, rules) {
  setObjectName(QStringLiteral("frmSifarnici"));
  setWindowTitle(QStringLiteral("Sifrarnici"));
  setModal(true);
  setFixedSize(760, 470);

  pageSifarnici = new QTabWidget(this);
  pageSifarnici->setObjectName(QStringLiteral("pageSifarnici"));
  pageSifarnici->setGeometry(4, 4, 752, 462);
  auto *partneri = new QWidget, *mesta = new QWidget, *konobari = new QWidget, *stolovi = new QWidget,
       *stope = new QWidget;
  pageSifarnici->addTab(partneri, QStringLiteral("Partneri"));
  pageSifarnici->addTab(mesta, QStringLiteral("Mesta"));
  pageSifarnici->addTab(konobari, QStringLiteral("Operateri/Konobari"));
  pageSifarnici->addTab(stolovi, QStringLiteral("Stolovi"));
  pageSifarnici->addTab(stope, QStringLiteral("Poreske stope, grupe"));

  const QPoint navBelow(8, 372);
  auto *trazi = new QLabel(QStringLiteral("Trazi partnera"), partneri);
  trazi->setGeometry(8, 10, 100, 18);
  EdtTraziPartner = new QLineEdit(partneri);
  EdtTraziPartner->setObjectName(QStringLiteral("EdtTraziPartner"));
  EdtTraziPartner->setGeometry(110, 8, 300, 22);
  EdtTraziPartner->installEventFilter(this);
  DBGridPartner = gridView(partneri, "DBGridPartner", QRect(8, 36, 720, 330));
  const QPoint navPartner(8, 372);
  m_partner = new RecordGrid(db, rules, QStringLiteral("PARTNER"), DBGridPartner, &navPartner, this);
  m_partner->setWidths({60, 200, 85, 150, 60, 145});
  BtnPartnerCSV = button(partneri, "BtnPartnerCSV", "Uvoz partnera iz CSV", QRect(560, 372, 168, 26));

  DBGridMesto = gridView(mesta, "DBGridMesto", QRect(8, 8, 440, 358));
  m_mesto = new RecordGrid(db, rules, QStringLiteral("MESTO"), DBGridMesto, &navBelow, this);
  m_mesto->setWidths({80, 240, 70});
  BtnMestoCSV = button(mesta, "BtnMestoCSV", "Uvoz mesta iz CSV", QRect(560, 372, 168, 26));

  DBGridKonobari = gridView(konobari, "DBGridKonobari", QRect(8, 8, 540, 358));
  m_konobari = new RecordGrid(db, rules, QStringLiteral("KONOBARI"), DBGridKonobari, &navBelow, this);
  m_konobari->setWidths({50, 0, 300, 60});
  m_konobari->hideColumn(QStringLiteral("sifkonob")); // codes are secrets
  BtnOperaterCSV = button(konobari, "BtnOperaterCSV", "Uvoz operatera iz CSV", QRect(560, 8, 168, 26));
  BtnSetPass = button(konobari, "BtnSetPass", "Podesavanje lozinke", QRect(560, 42, 168, 26));
  BtnOperaterRead = button(konobari, "BtnOperaterRead", "Citanje iz kase", QRect(560, 76, 168, 26));

  DBGridStolovi = gridView(stolovi, "DBGridStolovi", QRect(8, 8, 440, 358));
  m_stolovi = new RecordGrid(db, rules, QStringLiteral("STOLOVI"), DBGridStolovi, &navBelow, this);
  m_stolovi->setWidths({80, 240, 0});
  m_stolovi->hideColumn(QStringLiteral("sifkonob"));
  BtnStoloviCSV = button(stolovi, "BtnStoloviCSV", "Uvoz stolova iz CSV", QRect(560, 372, 168, 26));

  GroupGrupe = new QGroupBox(QStringLiteral("Grupe"), stope);
  GroupGrupe->setGeometry(8, 4, 430, 420);
  DBGridGrupa = gridView(GroupGrupe, "DBGridGrupa", QRect(8, 22, 414, 330));
  const QPoint navGrupe(8, 358);
  m_grupa = new RecordGrid(db, rules, QStringLiteral("GRUPA"), DBGridGrupa, &navGrupe, this);
  m_grupa->setWidths({80, 300});
  BtnCSVGrupe = button(GroupGrupe, "BtnCSVGrupe", "Uvoz grupa iz CSV", QRect(8, 388, 168, 26));

  GroupStope = new QGroupBox(QStringLiteral("Poreske stope"), stope);
  GroupStope->setGeometry(446, 4, 290, 420);
  DBGridStope = gridView(GroupStope, "DBGridStope", QRect(8, 22, 274, 300));
  m_stope = new RecordGrid(db, rules, QStringLiteral("PORSTOPE"), DBGridStope, nullptr, this);
  m_stope->setWidths({70, 120});
  BtnPorezRead = button(GroupStope, "BtnPorezRead", "Citanje iz kase", QRect(8, 330, 134, 26));
  BtnDefault = button(GroupStope, "BtnDefault", "Podrazumevano", QRect(148, 330, 134, 26));

  for (RecordGrid *g : {m_partner, m_mesto, m_konobari, m_stolovi, m_grupa})
    g->setSortable(true);
  m_partner->chosen = [this] { choose(); };

  // The place look-up over the partner's SIFMESTO: code and name, Del empties it.
  DBLookupComboBox1 = new QComboBox(DBGridPartner->viewport());
  DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
  m_places = new QStandardItemModel(this);
  DBLookupComboBox1->setModel(m_places);
  auto *list = new QTableView(DBLookupComboBox1);
  list->horizontalHeader()->hide();
  list->verticalHeader()->hide();
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setMinimumWidth(200);
  DBLookupComboBox1->setView(list);
  DBLookupComboBox1->installEventFilter(this);
  m_partner->setCellWidget(QStringLiteral("sifmesto"), DBLookupComboBox1);
  connect(DBLookupComboBox1, &QComboBox::activated, this, [this](int index) {
    const int row = m_partner->currentRow();
    if (row >= 0)
      m_partner->model()->setValue(row, QStringLiteral("sifmesto"), m_places->item(index, 0)->text());
  });
  connect(m_partner, &RecordGrid::overCell, this, [this] { placeLookupChanged(); });

  CheckBox1 = new QCheckBox(DBGridKonobari->viewport());
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setAutoFillBackground(true);
  m_konobari->setCellWidget(QStringLiteral("admin"), CheckBox1);
  connect(CheckBox1, &QCheckBox::clicked, this, [this](bool on) {
    const int row = m_konobari->currentRow();
    if (row >= 0)
      m_konobari->model()->setValue(row, QStringLiteral("admin"), on);
  });
  connect(m_konobari, &RecordGrid::overCell, this, [this](int row) {
    CheckBox1->setChecked(m_konobari->model()->value(row, QStringLiteral("admin")).toBool());
  });

  connect(EdtTraziPartner, &QLineEdit::textChanged, this, [this] { searchChanged(); });
  connect(BtnPartnerCSV, &QPushButton::clicked, this, [this] { importClick(CodeList::Partneri); });
  connect(BtnMestoCSV, &QPushButton::clicked, this, [this] { importClick(CodeList::Mesta); });
  connect(BtnOperaterCSV, &QPushButton::clicked, this, [this] { importClick(CodeList::Operateri); });
  connect(BtnStoloviCSV, &QPushButton::clicked, this, [this] { importClick(CodeList::Stolovi); });
  connect(BtnCSVGrupe, &QPushButton::clicked, this, [this] { importClick(CodeList::Grupe); });
  connect(BtnSetPass, &QPushButton::clicked, this, &TfrmSifarnici::BtnSetPassClick);
  connect(BtnOperaterRead, &QPushButton::clicked, this, &TfrmSifarnici::BtnOperaterReadClick);
  connect(BtnPorezRead, &QPushButton::clicked, this, &TfrmSifarnici::BtnPorezReadClick);
  connect(BtnDefault, &QPushButton::clicked, this, &TfrmSifarnici::BtnDefaultClick);
  // Places may have changed on their own tab.
  connect(pageSifarnici, &QTabWidget::currentChanged, this, [this] { fillPlaces(); });
}

TfrmSifarnici::~TfrmSifarnici() = default;

QList<RecordGrid *> TfrmSifarnici::grids() const {
  return {m_partner, m_mesto, m_konobari, m_stolovi, m_grupa, m_stope};
}

RecordGrid *TfrmSifarnici::grid(const QString &table) const {
  for (RecordGrid *g : grids())
    if (g->table() == table.toUpper())
      return g;
  return nullptr;
}

void TfrmSifarnici::setPickMode(bool pick) {
  m_pick = pick;
}

void TfrmSifarnici::maintain() {
  setPickMode(false);
  exec();
}

std::optional<QString> TfrmSifarnici::pickPartner() {
  setPickMode(true);
  clearHandBack();
  exec();
  const QString code = handBack();
  clearHandBack();
  if (code.isEmpty())
    return std::nullopt;
  return code;
}

void TfrmSifarnici::setOperatorReadEnabled(bool on) {
  BtnOperaterRead->setEnabled(on);
}

void TfrmSifarnici::setTaxReadEnabled(bool on) {
  BtnPorezRead->setEnabled(on);
}

void TfrmSifarnici::showEvent(QShowEvent *event) {
  const bool editing = !m_pick;
  for (RecordGrid *g : grids()) {
    g->setEditable(editing);
    g->open();
  }
  for (QPushButton *b : {BtnPartnerCSV, BtnMestoCSV, BtnOperaterCSV, BtnStoloviCSV, BtnCSVGrupe, BtnSetPass,
                         BtnOperaterRead, BtnPorezRead, BtnDefault})
    b->setVisible(editing);
  fillPlaces();
  pageSifarnici->setCurrentIndex(0);
  {
    const QSignalBlocker quiet(EdtTraziPartner);
    EdtTraziPartner->clear();
  }
  QDialog::showEvent(event);
  EdtTraziPartner->setFocus();
}

void TfrmSifarnici::done(int result) {
  if (!m_pick && !mayClose())
    return;
  QDialog::done(result);
  // A model keeps its connection open; the start-up sequence may open the database again.
  for (RecordGrid *g : grids())
    g->release();
}

bool TfrmSifarnici::mayClose() {
  // A refused row stays for the user to mend, or to drop with Esc.
  for (RecordGrid *g : {m_partner, m_mesto, m_stolovi, m_grupa, m_stope})
    if (!g->postPending())
      return false;
  // A waiter row that could not be posted lets the window close, as it always did.
  if (!m_konobari->postPending())
    return true;
  const QString refusal = m_maintenance.closingRefusal();
  if (refusal.isEmpty())
    return true;
  host.warn(refusal);
  return false;
}

void TfrmSifarnici::report(const MaintenanceOutcome &outcome) {
  if (!outcome.ok || !outcome.text.isEmpty())
    host.tell(outcome.title, outcome.text);
}

void TfrmSifarnici::importClick(CodeList list) {
  RecordGrid *g = grid(CodeListCsv::table(list));
  if (!g || !g->postPending())
    return;
  const QString path = host.file(false, CodeListCsv::proposedFile(list));
  if (path.isEmpty())
    return;
  report(m_maintenance.importFile(list, path));
  g->model()->select();
  g->setCurrentRow(0);
  if (list == CodeList::Mesta)
    fillPlaces();
}

void TfrmSifarnici::BtnSetPassClick() {
  const int row = m_konobari->currentRow();
  if (row < 0 || !askCode || !m_konobari->postPending())
    return;
  const auto code = askCode(m_konobari->model()->value(row, QStringLiteral("sifkonob")).toString().trimmed());
  if (!code)
    return;
  // The code goes through the checks of any edit: no other waiter may carry it.
  if (!m_konobari->model()->setValue(row, QStringLiteral("sifkonob"), *code) || !m_konobari->postPending())
    m_konobari->revertCurrent();
}

void TfrmSifarnici::BtnOperaterReadClick() {
  if (m_konobari->postPending() && readOperators)
    readOperators();
}

void TfrmSifarnici::BtnPorezReadClick() {
  if (m_stope->postPending() && readTaxRates)
    readTaxRates();
}

void TfrmSifarnici::BtnDefaultClick() {
  if (!m_stope->postPending())
    return;
  report(m_maintenance.defaultTaxRates());
}

void TfrmSifarnici::searchChanged() {
  if (!m_partner->postPending())
    return;
  CodeListTableModel *m = m_partner->model();
  const QString text = EdtTraziPartner->text();
  m->setSearch({{QStringLiteral("naziv"), text, RecordTableModel::Match::Contains}});
  m->select();
  const int row = text.isEmpty() ? 0 : m->locate({{QStringLiteral("naziv"), text}}, true);
  m_partner->setCurrentRow(std::max(row, 0)); // without a match the cursor is on the first row shown
}

void TfrmSifarnici::choose() {
  const int row = m_partner->currentRow();
  if (!m_pick || row < 0)
    return;
  m_handBack = m_partner->model()->value(row, QStringLiteral("sifpartner")).toString().trimmed();
  accept();
}

void TfrmSifarnici::fillPlaces() {
  m_places->clear();
  for (const QSqlRecord &r : CodeListRepository(m_db).places().value_or({})) {
    m_places->appendRow({new QStandardItem(r.value(0).toString().trimmed()),
                         new QStandardItem(r.value(1).toString().trimmed())});
  }
  placeLookupChanged();
}

void TfrmSifarnici::placeLookupChanged() {
  const int row = m_partner->currentRow();
  const QString code =
      row >= 0 && m_partner->model() ? m_partner->model()->value(row, QStringLiteral("sifmesto")).toString().trimmed()
                                     : QString();
  int found = -1;
  for (int r = 0; r < m_places->rowCount() && found < 0; ++r)
    if (m_places->item(r, 0)->text().compare(code, Qt::CaseInsensitive) == 0)
      found = r;
  const QSignalBlocker quiet(DBLookupComboBox1);
  DBLookupComboBox1->setCurrentIndex(found);
}

bool TfrmSifarnici::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::KeyPress || !m_partner->model())
    return QDialog::eventFilter(watched, event);
  auto *key = static_cast<QKeyEvent *>(event);
  if (watched == EdtTraziPartner) {
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
      m_partner->setCurrentRow(std::max(0, m_partner->currentRow() + (key->key() == Qt::Key_Down ? 1 : -1)));
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      choose();
      return true; // Enter in the search box never closes the window in edit mode
    }
  }
  if (watched == DBLookupComboBox1 && key->key() == Qt::Key_Delete) {
    const int row = m_partner->currentRow();
    if (row >= 0)
      m_partner->model()->setValue(row, QStringLiteral("sifmesto"), QString());
    DBLookupComboBox1->setCurrentIndex(-1);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
