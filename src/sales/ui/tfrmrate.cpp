#include "sales/ui/tfrmrate.h"

#include "data/ui/picklistdelegate.h"
#include "sales/invoices.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

TfrmRate::TfrmRate(Invoices &invoices, QWidget *parent) : QDialog(parent), m_invoices(invoices) {
  setObjectName(QStringLiteral("frmRate"));
  setWindowTitle(QStringLiteral("Dospece"));
  setFixedSize(700, 300);
  DBGrid1 = new QTableView(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 8, 684, 284);
  DBGrid1->setItemDelegate(new PickListDelegate({}, this));
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
  DBGrid1->verticalHeader()->setDefaultSectionSize(20);
  DBGrid1->installEventFilter(this);
}

void TfrmRate::showEvent(QShowEvent *event) {
  m_invoices.showInstalments();
  InstalmentTableModel *model = m_invoices.instalments();
  DBGrid1->setModel(model);
  if (model) {
    for (const char *hidden : {"broj", "godina"})
      DBGrid1->hideColumn(model->fieldIndex(QLatin1String(hidden)));
    // The window's column order, whatever the table's is.
    const char *const order[] = {"rbr", "iznos", "datum", "nacin", "tipkart", "brojkart", "brtrans"};
    QHeaderView *header = DBGrid1->horizontalHeader();
    for (int i = 0; i < int(std::size(order)); ++i)
      header->moveSection(header->visualIndex(model->fieldIndex(QLatin1String(order[i]))), i + 2);
    const int widths[] = {45, 90, 90, 55, 90, 130, 140};
    for (int i = 0; i < int(std::size(order)); ++i)
      DBGrid1->setColumnWidth(model->fieldIndex(QLatin1String(order[i])), widths[i]);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
              if (m_moving || !previous.isValid() || current.row() == previous.row())
                return;
              if (!leaveRow(previous.row())) {
                m_moving = true;
                DBGrid1->setCurrentIndex(previous);
                m_moving = false;
              }
            });
    if (model->rowCount() > 0)
      DBGrid1->setCurrentIndex(model->index(0, model->fieldIndex(QStringLiteral("rbr"))));
  }
  QDialog::showEvent(event);
  DBGrid1->setFocus();
}

bool TfrmRate::leaveRow(int row) {
  InstalmentTableModel *model = m_invoices.instalments();
  if (!model || !model->hasPendingEdits())
    return true;
  bool typed = false;
  for (const char *c : {"rbr", "iznos", "datum", "nacin", "tipkart", "brojkart", "brtrans"})
    typed = typed || !model->value(row, QLatin1String(c)).isNull();
  if (model->isPendingInsert(row) && !typed) {
    model->cancel(); // an untouched new row is dropped
    return true;
  }
  m_moving = true;
  const bool saved = model->save();
  m_moving = false;
  return saved;
}

bool TfrmRate::insertRow() {
  InstalmentTableModel *model = m_invoices.instalments();
  if (!model || !model->acceptsNewRows())
    return false;
  commitOpenEditor(DBGrid1);
  if (model->hasPendingEdits() && !leaveRow(DBGrid1->currentIndex().row()))
    return false;
  m_moving = true;
  const int row = model->appendInstalment();
  if (row >= 0)
    DBGrid1->setCurrentIndex(model->index(row, model->fieldIndex(QStringLiteral("rbr"))));
  m_moving = false;
  return row >= 0;
}

bool TfrmRate::eventFilter(QObject *watched, QEvent *event) {
  // Keys an open cell editor passes on are its own (Enter commits the cell, Esc drops it).
  if (watched == DBGrid1 && event->type() == QEvent::KeyPress && QApplication::focusWidget() == DBGrid1) {
    auto *ke = static_cast<QKeyEvent *>(event);
    InstalmentTableModel *model = m_invoices.instalments();
    const int row = DBGrid1->currentIndex().row();
    if (ke->key() == Qt::Key_Insert ||
        (ke->key() == Qt::Key_Down && model && (row < 0 || row == model->rowCount() - 1) &&
         !model->isPendingInsert(std::max(row, 0)))) {
      insertRow();
      return true;
    }
    if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && model && model->hasPendingEdits()) {
      leaveRow(row);
      return true;
    }
    if (ke->key() == Qt::Key_Escape && model && model->hasPendingEdits()) {
      model->cancel(); // Esc first drops the row being entered, then closes
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmRate::done(int result) {
  commitOpenEditor(DBGrid1);
  m_invoices.closeInstalments();
  QDialog::done(result);
  DBGrid1->setModel(nullptr);
}
