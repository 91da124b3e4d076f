#include "data/ui/recordgrid.h"

#include "data/codelisttablemodel.h"
#include "data/ui/picklistdelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

RecordGrid::RecordGrid(Database &db, RecordRules &rules, const QString &table, QTableView *view,
                       const QPoint *navigatorAt, QObject *parent)
    : QObject(parent), m_db(db), m_rules(rules), m_table(table), m_view(view) {
  QFont titles(QStringLiteral("Courier New"));
  titles.setStyleHint(QFont::TypeWriter);
  titles.setBold(true);
  m_view->horizontalHeader()->setFont(titles);
  m_view->horizontalHeader()->setSectionsClickable(true);
  m_view->verticalHeader()->setDefaultSectionSize(20);
  m_view->setItemDelegate(new PickListDelegate({}, m_view));
  m_view->setSelectionMode(QAbstractItemView::SingleSelection);
  m_view->installEventFilter(this);
  connect(m_view, &QAbstractItemView::doubleClicked, this, [this] {
    if (!m_editable && chosen)
      chosen();
  });
  connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    if (!m_sortable || !m_model || !postPending())
      return;
    m_moving = true;
    m_model->toggleSort(column);
    m_moving = false;
    setCurrentRow(0);
  });
  connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeCellWidget(); });
  if (!navigatorAt)
    return;
  struct Nav {
    QToolButton **button;
    const char *name;
    const char *text;
  } navs[] = {{&navFirst, "navFirst", "|<"}, {&navPrior, "navPrior", "<"},   {&navNext, "navNext", ">"},
              {&navLast, "navLast", ">|"},   {&navInsert, "navInsert", "+"}, {&navDelete, "navDelete", "-"}};
  int x = navigatorAt->x();
  for (const Nav &n : navs) {
    *n.button = new QToolButton(m_view->parentWidget());
    (*n.button)->setObjectName(QLatin1String(n.name));
    (*n.button)->setText(QLatin1String(n.text));
    (*n.button)->setGeometry(x, navigatorAt->y(), 30, 24);
    (*n.button)->setFocusPolicy(Qt::NoFocus);
    x += 32;
  }
  connect(navFirst, &QToolButton::clicked, this, [this] { setCurrentRow(0); });
  connect(navPrior, &QToolButton::clicked, this, [this] { setCurrentRow(std::max(0, currentRow() - 1)); });
  connect(navNext, &QToolButton::clicked, this, [this] { setCurrentRow(currentRow() + 1); });
  connect(navLast, &QToolButton::clicked, this, [this] {
    if (!m_model)
      return;
    while (m_model->canFetchMore())
      m_model->fetchMore();
    setCurrentRow(m_model->rowCount() - 1);
  });
  connect(navInsert, &QToolButton::clicked, this, [this] { insertRow(); });
  connect(navDelete, &QToolButton::clicked, this, [this] { deleteCurrent(); });
}

void RecordGrid::open() {
  release();
  m_model = new CodeListTableModel(m_db, m_rules, m_table, this);
  m_model->select();
  m_view->setModel(m_model);
  for (int c = 0; c < m_widths.size() && c < m_model->columnCount(); ++c)
    m_view->setColumnWidth(c, m_widths.at(c));
  for (const QString &name : std::as_const(m_hidden))
    m_view->setColumnHidden(m_model->column(name), true);
  // The widget over the cell is its editor.
  if (m_over)
    m_view->setItemDelegateForColumn(m_model->column(m_overColumn), m_overDelegate);
  connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
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
  connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { placeCellWidget(); });
  connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
    placeCellWidget();
    emit rowsReloaded();
  });
  setCurrentRow(0);
}

void RecordGrid::release() {
  if (m_over)
    m_over->hide();
  m_view->setModel(nullptr);
  delete m_model;
  m_model = nullptr;
}

void RecordGrid::setEditable(bool on) {
  m_editable = on;
  // Typing on a cell opens its editor (eventFilter), as do F2 and a double click.
  m_view->setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             : QAbstractItemView::NoEditTriggers);
  m_view->setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
  if (navInsert) {
    navInsert->setVisible(on);
    navDelete->setVisible(on);
  }
  placeCellWidget();
}

void RecordGrid::setCellWidget(const QString &column, QWidget *over) {
  m_overColumn = column;
  m_overDelegate = PickListDelegate::readOnly(m_view);
  m_over = over;
  over->hide();
  over->installEventFilter(this);
}

int RecordGrid::currentRow() const {
  const QModelIndex i = m_view->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void RecordGrid::setCurrentRow(int row) {
  if (!m_model)
    return;
  while (row >= m_model->rowCount() && m_model->canFetchMore())
    m_model->fetchMore();
  row = std::min(row, m_model->rowCount() - 1);
  if (row < 0)
    return;
  int column = std::max(0, m_view->currentIndex().column());
  while (column < m_model->columnCount() - 1 && m_view->isColumnHidden(column))
    ++column;
  const QModelIndex target = m_model->index(row, column);
  m_view->selectionModel()->setCurrentIndex(
      target, QItemSelectionModel::ClearAndSelect |
                  (m_editable ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows));
  m_view->scrollTo(target);
}

bool RecordGrid::leaveRow(int row) {
  if (!m_model || row < 0 || row >= m_model->rowCount())
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

bool RecordGrid::postPending() {
  commitOpenEditor(m_view);
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

void RecordGrid::insertRow() {
  if (!m_editable || !postPending())
    return;
  m_moving = true;
  const int row = m_model->appendRow();
  m_moving = false;
  if (row < 0)
    return;
  m_view->setFocus();
  m_moving = true;
  setCurrentRow(row);
  m_view->setCurrentIndex(m_model->index(row, m_view->isColumnHidden(0) ? 1 : 0));
  m_moving = false;
}

void RecordGrid::deleteCurrent() {
  const int row = currentRow();
  if (!m_editable || row < 0)
    return;
  m_moving = true;
  const bool isNew = m_model->headerData(row, Qt::Vertical).toString() == QLatin1String("*");
  m_model->revertRow(row); // edits of the row go with it
  if (!isNew && m_model->deleteRow(row) && !m_model->post())
    m_model->cancel();
  m_moving = false;
  setCurrentRow(std::min(row, m_model->rowCount() - 1));
}

void RecordGrid::revertCurrent() {
  const int row = currentRow();
  if (!m_model || row < 0)
    return;
  m_moving = true;
  m_model->revertRow(row);
  m_moving = false;
  setCurrentRow(std::min(row, m_model->rowCount() - 1));
}

void RecordGrid::placeCellWidget() {
  if (!m_over)
    return;
  const QModelIndex i = m_view->currentIndex();
  if (!m_model || !m_editable || !i.isValid() || i.column() != m_model->column(m_overColumn)) {
    m_over->hide();
    return;
  }
  // Over the cell, inside the grid's frame: the cell's rectangle is the viewport's.
  const QRect cell = m_view->visualRect(i);
  m_over->setGeometry(QRect(m_view->viewport()->mapTo(m_over->parentWidget(), cell.topLeft()), cell.size()));
  m_over->show();
  m_over->raise();
  emit overCell(i.row());
}

bool RecordGrid::handleKey(QKeyEvent *key) {
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (!m_editable) {
    if (enter && chosen) {
      chosen();
      return true;
    }
    return false;
  }
  if (key->key() == Qt::Key_Escape && m_model->hasPendingEdits()) {
    // Esc first drops the row's edits (a new row with them), as the old grid's cancel did.
    revertCurrent();
    return true;
  }
  const QModelIndex cell = m_view->currentIndex();
  if (m_over && m_over->isVisible() && cell.column() == m_model->column(m_overColumn) &&
      key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && !key->text().isEmpty()) {
    m_over->setFocus();
    QApplication::sendEvent(m_over, key);
    return true;
  }
  // A character typed on a cell opens its editor and is the editor's first character.
  if (!key->text().isEmpty() && key->text().at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier) &&
      (m_model->flags(cell) & Qt::ItemIsEditable)) {
    m_view->edit(cell);
    QWidget *editor = QApplication::focusWidget();
    if (editor && editor != m_view) {
      if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->clear();
      else if (auto *combo = qobject_cast<QComboBox *>(editor); combo && combo->lineEdit())
        combo->lineEdit()->clear();
      QApplication::sendEvent(editor, key);
      return true;
    }
  }
  return false;
}

bool RecordGrid::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress && watched == m_view && m_model)
    return handleKey(static_cast<QKeyEvent *>(event));
  return QObject::eventFilter(watched, event);
}
