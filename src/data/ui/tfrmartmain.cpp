#include "data/ui/tfrmartmain.h"

#include "data/articletablemodel.h"
#include "data/database.h"
#include "data/recordrules.h"
#include "data/ui/picklistdelegate.h"
#include "data/ui/tfrmcene.h"
#include "data/ui/tfrmsastavnica.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QToolButton>

namespace {

QLineEdit *searchBox(QWidget *parent, const char *name, const QString &caption, int x, int w) {
  auto *label = new QLabel(caption, parent);
  label->setGeometry(x, 8, w, 16);
  auto *e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(x, 24, w, 22);
  return e;
}

} // namespace

TfrmArtMain::TfrmArtMain(Database &db, RecordRules &rules, QWidget *parent)
    : QDialog(parent), m_db(db), m_rules(rules), m_maintenance(db, rules) {
  setObjectName(QStringLiteral("frmArtMain"));
  setWindowTitle(QStringLiteral("Artikli"));
  setFixedSize(800, 499);

  EditTrazi = searchBox(this, "EditTrazi", QStringLiteral("Naziv"), 8, 300);
  EditTrazi->setMaxLength(36);
  edtTraziSifra = searchBox(this, "edtTraziSifra", QStringLiteral("Sifra"), 316, 120);
  edtTraziBarkod = searchBox(this, "edtTraziBarkod", QStringLiteral("Barkod"), 444, 160);

  DBGrid1 = new QTableView(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 54, 784, 320);
  QFont titles(QStringLiteral("Courier New"));
  titles.setStyleHint(QFont::TypeWriter);
  titles.setBold(true);
  DBGrid1->horizontalHeader()->setFont(titles);
  DBGrid1->horizontalHeader()->setSectionsClickable(true);
  DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  DBGrid1->verticalHeader()->setDefaultSectionSize(20);
  DBGrid1->setItemDelegate(new PickListDelegate({}, this));
  QStringList stope;
  for (int i = 0; i <= 8; ++i)
    stope << QString::number(i);
  DBGrid1->setItemDelegateForColumn(ArticleTableModel::Stopa, new PickListDelegate(stope, this));
  DBGrid1->setItemDelegateForColumn(ArticleTableModel::Vrsta,
                                    new PickListDelegate({QStringLiteral("J"), QStringLiteral("P")}, this));
  // The group is chosen in the look-up list over the cell.
  DBGrid1->setItemDelegateForColumn(ArticleTableModel::SifGrupa, PickListDelegate::readOnly(this));
  DBGrid1->installEventFilter(this);
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    if (!postPending())
      return;
    m_model->toggleSort(column);
    setCurrentRow(m_model->rowCount() > 0 ? 0 : -1);
  });

  DBLookupComboBox1 = new QComboBox(DBGrid1->viewport());
  DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
  auto *list = new QTableView(DBLookupComboBox1);
  list->horizontalHeader()->hide();
  list->verticalHeader()->hide();
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setMinimumWidth(150);
  DBLookupComboBox1->setView(list);
  DBLookupComboBox1->hide();
  DBLookupComboBox1->installEventFilter(this);
  connect(DBLookupComboBox1, &QComboBox::activated, this, [this](int index) {
    const int row = currentRow();
    if (row >= 0 && m_groups)
      m_model->setValue(row, QStringLiteral("sifgrupa"),
                        m_groups->index(index, 0).data().toString().trimmed());
  });

  struct Nav {
    QToolButton **button;
    const char *name;
    const char *text;
  } navs[] = {{&navFirst, "navFirst", "|<"}, {&navPrior, "navPrior", "<"},   {&navNext, "navNext", ">"},
              {&navLast, "navLast", ">|"},   {&navInsert, "navInsert", "+"}, {&navDelete, "navDelete", "-"}};
  int x = 8;
  for (const Nav &n : navs) {
    *n.button = new QToolButton(this);
    (*n.button)->setObjectName(QLatin1String(n.name));
    (*n.button)->setText(QLatin1String(n.text));
    (*n.button)->setGeometry(x, 380, 30, 24);
    (*n.button)->setFocusPolicy(Qt::NoFocus);
    x += 32;
  }
  connect(navFirst, &QToolButton::clicked, this, [this] { setCurrentRow(0); });
  connect(navPrior, &QToolButton::clicked, this, [this] { setCurrentRow(std::max(0, currentRow() - 1)); });
  connect(navNext, &QToolButton::clicked, this, [this] { setCurrentRow(currentRow() + 1); });
  connect(navLast, &QToolButton::clicked, this, [this] {
    while (m_model->canFetchMore())
      m_model->fetchMore();
    setCurrentRow(m_model->rowCount() - 1);
  });
  connect(navInsert, &QToolButton::clicked, this, [this] { insertRow(); });
  connect(navDelete, &QToolButton::clicked, this, [this] { deleteCurrent(false); });

  struct Btn {
    QPushButton **button;
    const char *name;
    const char *text;
    void (TfrmArtMain::*handler)();
    int x, y;
  } buttons[] = {
      {&btnAFSave, "btnAFSave", "Izvoz u CSV", &TfrmArtMain::btnAFSaveClick, 8, 414},
      {&btnAFLoad, "btnAFLoad", "Uvoz iz CSV", &TfrmArtMain::btnAFLoadClick, 160, 414},
      {&BtnPrometSave, "BtnPrometSave", "Izvoz prometa u CSV", &TfrmArtMain::BtnPrometSaveClick, 312, 414},
      {&BtnSastavnica, "BtnSastavnica", "Sastavnica", &TfrmArtMain::BtnSastavnicaClick, 464, 414},
      {&BtnPrenesi, "BtnPrenesi", "Preuzmi artikle", &TfrmArtMain::BtnPrenesiClick, 8, 446},
      {&BitBtn1, "BitBtn1", "Prijem robe", &TfrmArtMain::BitBtn1Click, 160, 446},
      {&BtnPromenaCena, "BtnPromenaCena", "Promena cena", &TfrmArtMain::BtnPromenaCenaClick, 312, 446},
  };
  for (const Btn &b : buttons) {
    *b.button = new QPushButton(QLatin1String(b.text), this);
    (*b.button)->setObjectName(QLatin1String(b.name));
    (*b.button)->setGeometry(b.x, b.y, 144, 26);
    (*b.button)->setAutoDefault(false);
    connect(*b.button, &QPushButton::clicked, this, b.handler);
  }
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  lblStatus->setGeometry(8, 476, 784, 18);

  for (QLineEdit *box : {EditTrazi, edtTraziSifra, edtTraziBarkod})
    box->installEventFilter(this);
  connect(EditTrazi, &QLineEdit::textEdited, this, [this] { searchChanged(ArticleTableModel::Naziv); });
  connect(edtTraziSifra, &QLineEdit::textEdited, this, [this] { searchChanged(ArticleTableModel::Sifra); });
  connect(edtTraziBarkod, &QLineEdit::textChanged, this,
          [this] { searchChanged(ArticleTableModel::Barkod); });

  m_cene = new TFrmCene(m_maintenance, this);
  m_sastavnica = new TfrmSastavnica(db, rules, m_maintenance, this);
}

TfrmArtMain::~TfrmArtMain() = default;

void TfrmArtMain::setPickMode(bool pick) {
  m_pick = pick;
}

void TfrmArtMain::maintain() {
  setPickMode(false);
  exec();
}

QString TfrmArtMain::pick() {
  setPickMode(true);
  exec();
  const QString code = handBack();
  clearHandBack();
  return code;
}

void TfrmArtMain::prepareModel() {
  // The database may have been opened again since the last showing: a model per showing.
  delete m_model;
  m_model = new ArticleTableModel(m_db, m_rules, this);
  m_model->select();
  DBGrid1->setModel(m_model);
  connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current, const QModelIndex &previous) {
            if (m_moving || !previous.isValid() || current.row() == previous.row())
              return;
            const int target = current.row();
            m_moving = true;
            if (leaveRow(previous.row()))
              setCurrentRow(std::min(target, m_model->rowCount() - 1));
            else
              setCurrentRow(previous.row());
            m_moving = false;
          });
  connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { placeGroupLookup(); });
  connect(DBGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeGroupLookup(); });
  const int widths[] = {60, 110, 240, 80, 45, 35, 80, 45, 60, 80};
  for (int c = 0; c < ArticleTableModel::ColumnCount; ++c)
    DBGrid1->setColumnWidth(c, widths[c]);

  delete m_groups;
  m_groups = new QSqlQueryModel(this);
  QSqlQuery q(m_db.connection());
  q.exec(QStringLiteral("SELECT sifgrupa, naziv FROM grupa ORDER BY sifgrupa"));
  m_groups->setQuery(std::move(q));
  DBLookupComboBox1->setModel(m_groups);
  DBLookupComboBox1->setModelColumn(0);
}

void TfrmArtMain::showEvent(QShowEvent *event) {
  prepareModel();
  for (QLineEdit *box : {EditTrazi, edtTraziSifra, edtTraziBarkod}) {
    const QSignalBlocker quiet(box);
    box->clear();
  }
  lblStatus->clear();
  const bool maintenance = !m_pick;
  for (QPushButton *b :
       {btnAFSave, btnAFLoad, BtnPrometSave, BtnSastavnica, BtnPrenesi, BitBtn1, BtnPromenaCena})
    b->setVisible(maintenance);
  navInsert->setVisible(maintenance);
  navDelete->setVisible(maintenance);
  // Typing on a cell opens its editor (eventFilter), as do F2 and a double click.
  const QAbstractItemView::EditTriggers editing =
      QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed;
  DBGrid1->setEditTriggers(maintenance ? editing : QAbstractItemView::NoEditTriggers);
  DBGrid1->setSelectionBehavior(maintenance ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  setCurrentRow(m_model->rowCount() > 0 ? 0 : -1);
  QDialog::showEvent(event);
  EditTrazi->setFocus();
}

void TfrmArtMain::done(int result) {
  // Closing posts the row being edited; a refused post keeps the window open.
  commitOpenEditor(DBGrid1);
  if (m_model && !postPending())
    return;
  DBLookupComboBox1->hide();
  QDialog::done(result);
  releaseModels();
}

// A model keeps its database connection open; the start-up sequence may open the
// database again before the next showing.
void TfrmArtMain::releaseModels() {
  DBGrid1->setModel(nullptr);
  delete m_model;
  m_model = nullptr;
  if (m_groups)
    m_groups->clear();
}

int TfrmArtMain::currentRow() const {
  const QModelIndex i = DBGrid1->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void TfrmArtMain::setCurrentRow(int row) {
  if (!m_model)
    return;
  while (row >= m_model->rowCount() && m_model->canFetchMore())
    m_model->fetchMore();
  if (row < 0 || row >= m_model->rowCount()) {
    if (row >= m_model->rowCount() && m_model->rowCount() > 0)
      row = m_model->rowCount() - 1;
    else
      return;
  }
  const int column = std::max(0, DBGrid1->currentIndex().column());
  const QModelIndex target = m_model->index(row, column);
  DBGrid1->selectionModel()->setCurrentIndex(
      target, QItemSelectionModel::ClearAndSelect |
                  (m_pick ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
  DBGrid1->scrollTo(target);
}

bool TfrmArtMain::leaveRow(int row) {
  if (row < 0 || row >= m_model->rowCount())
    return true;
  const bool isNew = m_model->headerData(row, Qt::Vertical).toString() == QLatin1String("*");
  bool edited = false;
  for (int c = 0; c < m_model->columnCount() && !edited; ++c)
    edited = !m_model->index(row, c).data(Qt::EditRole).isNull();
  if (isNew && !edited) {
    m_model->revertRow(row); // an unfinished new row is dropped
    return true;
  }
  return postPending();
}

bool TfrmArtMain::postPending() {
  if (!m_model || !m_model->hasPendingEdits())
    return true;
  const int row = currentRow();
  const bool wasMoving = m_moving;
  m_moving = true;
  const bool posted = m_model->post();
  if (posted)
    setCurrentRow(row);
  m_moving = wasMoving;
  return posted;
}

void TfrmArtMain::searchChanged(int column) {
  if (!postPending())
    return;
  m_moving = true;
  const int row = m_model->search(EditTrazi->text(), edtTraziSifra->text(), edtTraziBarkod->text(),
                                  ArticleTableModel::Column(column));
  setCurrentRow(std::max(row, 0)); // without a match the cursor is on the first row shown
  m_moving = false;
}

void TfrmArtMain::choose() {
  const int row = currentRow();
  if (row < 0)
    return;
  m_handBack = m_model->value(row, QStringLiteral("sifra")).toString().trimmed();
  accept();
}

void TfrmArtMain::insertRow() {
  if (!postPending())
    return;
  m_moving = true;
  const int row = m_model->appendRow();
  m_moving = false;
  if (row < 0)
    return;
  DBGrid1->setFocus();
  m_moving = true;
  setCurrentRow(row);
  m_moving = false;
  DBGrid1->setCurrentIndex(m_model->index(row, ArticleTableModel::Sifra));
}

void TfrmArtMain::deleteCurrent(bool ask) {
  const int row = currentRow();
  if (row < 0)
    return;
  if (ask && !host.ask(QStringLiteral("UPOZORENJE"), QStringLiteral("Da li zelite da obrisete artikal?")))
    return;
  m_moving = true;
  if (m_model->headerData(row, Qt::Vertical).toString() == QLatin1String("*")) {
    m_model->revertRow(row);
  } else {
    m_model->revertRow(row); // edits of the row go with it
    if (m_model->deleteRow(row) && !m_model->post())
      m_model->cancel();
  }
  m_moving = false;
  setCurrentRow(std::min(row, m_model->rowCount() - 1));
}

void TfrmArtMain::placeGroupLookup() {
  const QModelIndex i = DBGrid1->currentIndex();
  if (m_pick || !i.isValid() || i.column() != ArticleTableModel::SifGrupa) {
    DBLookupComboBox1->hide();
    return;
  }
  const QRect cell = DBGrid1->visualRect(i);
  DBLookupComboBox1->setGeometry(cell);
  const QString code = i.data().toString().trimmed();
  int found = -1;
  for (int r = 0; m_groups && r < m_groups->rowCount() && found < 0; ++r)
    if (m_groups->index(r, 0).data().toString().trimmed().compare(code, Qt::CaseInsensitive) == 0)
      found = r;
  const QSignalBlocker quiet(DBLookupComboBox1);
  DBLookupComboBox1->setCurrentIndex(found);
  DBLookupComboBox1->show();
}

bool TfrmArtMain::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::KeyPress || !m_model)
    return QDialog::eventFilter(watched, event);
  auto *key = static_cast<QKeyEvent *>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (watched == EditTrazi || watched == edtTraziSifra || watched == edtTraziBarkod) {
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
      setCurrentRow(std::max(0, currentRow() + (key->key() == Qt::Key_Down ? 1 : -1)));
      return true;
    }
    if (enter) {
      if (m_pick)
        choose();
      return true; // Enter in a search box never closes the maintenance window
    }
    return false;
  }
  if (watched == DBLookupComboBox1 && key->key() == Qt::Key_Delete) {
    if (currentRow() >= 0)
      m_model->setValue(currentRow(), QStringLiteral("sifgrupa"), QString());
    DBLookupComboBox1->setCurrentIndex(-1);
    return true;
  }
  if (watched == DBGrid1) {
    if (m_pick && enter) {
      choose();
      return true;
    }
    if (!m_pick && key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
      deleteCurrent(true);
      return true;
    }
    if (!m_pick && key->key() == Qt::Key_Escape && m_model->hasPendingEdits()) {
      // Esc first drops the row's edits (a new row with them), as the old grid's cancel did.
      const int row = currentRow();
      m_moving = true;
      m_model->revertRow(row);
      m_moving = false;
      setCurrentRow(std::min(row, m_model->rowCount() - 1));
      return true;
    }
    if (!m_pick && DBGrid1->currentIndex().column() == ArticleTableModel::SifGrupa &&
        key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && !key->text().isEmpty() &&
        DBLookupComboBox1->isVisible()) {
      DBLookupComboBox1->setFocus();
      QApplication::sendEvent(DBLookupComboBox1, event);
      return true;
    }
    // A character typed on a cell opens its editor and is the editor's first character.
    if (!m_pick && !key->text().isEmpty() && key->text().at(0).isPrint() &&
        !(key->modifiers() & Qt::ControlModifier)) {
      const QModelIndex cell = DBGrid1->currentIndex();
      DBGrid1->edit(cell);
      QWidget *editor = QApplication::focusWidget();
      if (editor && editor != DBGrid1) {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
          line->clear();
        else if (auto *combo = qobject_cast<QComboBox *>(editor); combo && combo->lineEdit())
          combo->lineEdit()->clear();
        QApplication::sendEvent(editor, event);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmArtMain::barcodeRead(const QString &code) {
  if (!m_model)
    return;
  if (edtTraziBarkod->hasFocus()) {
    edtTraziBarkod->setText(code);
    return;
  }
  const int row = currentRow();
  if (row >= 0)
    m_model->setValue(row, QStringLiteral("barkod"), code);
}

void TfrmArtMain::reloadAfter(const MaintenanceOutcome &outcome, bool tellSuccess) {
  m_model->select();
  setCurrentRow(m_model->rowCount() > 0 ? 0 : -1);
  if (!outcome.ok || (tellSuccess && !outcome.text.isEmpty()))
    host.tell(outcome.title, outcome.text);
}

void TfrmArtMain::btnAFSaveClick() {
  if (!postPending())
    return;
  const QString path = host.file(true, QStringLiteral("Artikli.CSV"));
  if (path.isEmpty())
    return;
  reloadAfter(m_maintenance.exportArticles(path, m_model->scope()), true);
}

void TfrmArtMain::btnAFLoadClick() {
  if (!postPending())
    return;
  const QString path = host.file(false, QStringLiteral("Artikli.CSV"));
  if (path.isEmpty())
    return;
  reloadAfter(m_maintenance.importArticles(path, m_model->scope()), false);
}

void TfrmArtMain::BitBtn1Click() {
  if (!postPending())
    return;
  const QString path = host.file(false, QStringLiteral("Prijem.CSV"));
  if (path.isEmpty())
    return;
  reloadAfter(m_maintenance.receiveGoods(path), false);
}

void TfrmArtMain::BtnPromenaCenaClick() {
  if (!postPending())
    return;
  m_cene->host = host;
  m_cene->setScope(m_model->scope(), m_model->rowCount());
  m_cene->exec();
  m_model->select();
  setCurrentRow(m_model->rowCount() > 0 ? 0 : -1);
}

void TfrmArtMain::BtnSastavnicaClick() {
  const int row = currentRow();
  if (row < 0 || !postPending())
    return;
  m_sastavnica->host = host;
  m_sastavnica->open(m_model->value(currentRow(), QStringLiteral("sifra")).toString().trimmed(),
                     m_model->value(currentRow(), QStringLiteral("naziv")).toString().trimmed());
}

void TfrmArtMain::BtnPrenesiClick() {
  if (!postPending())
    return;
  if (!host.ask(QStringLiteral("UPOZORENJE"),
                QStringLiteral("Bice preuzeti artikli iz tabele artikala fiskalnog "
                               "uredjaja sa kojim radite! Da li zelite da nastavite?")))
    return;
  const QList<DeviceArticleRow> rows = deviceArticles ? deviceArticles() : QList<DeviceArticleRow>();
  reloadAfter(m_maintenance.takeOver(rows, m_model->scope()), false);
}

void TfrmArtMain::BtnPrometSaveClick() {
  if (showTurnover)
    showTurnover();
  else
    lblStatus->setText(QStringLiteral("Izvoz prometa jos nije dostupan"));
}
