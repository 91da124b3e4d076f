#include "sales/ui/tfrmotvsto.h"

#include "sales/freetablepicker.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>

TfrmOtvSto::TfrmOtvSto(FreeTablePicker &picker, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_picker(picker) {
  setModal(true);
  setWindowTitle(QStringLiteral("Slobodni stolovi"));
  setFixedSize(360, 420);
  auto *label = new QLabel(QStringLiteral("BROJ STOLA"), this);
  label->setGeometry(12, 12, 110, 34);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(124, 12, 120, 34);
  Edit1->setMaxLength(9);
  QFont big = Edit1->font();
  big.setPointSize(14);
  Edit1->setFont(big);
  Edit1->installEventFilter(this);

  m_model = new QStandardItemModel(0, 3, this);
  m_model->setHorizontalHeaderLabels(
      {QStringLiteral("BR.STOLA"), QStringLiteral("SIFKONOB"), QStringLiteral("NAZIV")});
  DBGrid1 = new QTableView(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(12, 58, 336, 350);
  DBGrid1->setModel(m_model);
  DBGrid1->verticalHeader()->hide();
  DBGrid1->verticalHeader()->setDefaultSectionSize(24);
  DBGrid1->horizontalHeader()->setStretchLastSection(true);
  DBGrid1->setColumnWidth(0, 90);
  DBGrid1->setColumnHidden(1, true); // the restaurant hides the waiter column
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->installEventFilter(this);
  connect(DBGrid1, &QTableView::doubleClicked, this,
          [this](const QModelIndex &index) { chooseRow(index.row()); });
  setTabOrder(Edit1, DBGrid1);
}

void TfrmOtvSto::refresh() {
  m_model->setRowCount(0);
  for (const RestaurantTable &t : m_picker.tables()) {
    auto *number = new QStandardItem(QString::number(t.brstola));
    number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_model->appendRow({number, new QStandardItem(QString::number(t.sifkonob)), new QStandardItem(t.naziv)});
  }
  if (m_model->rowCount() > 0)
    DBGrid1->setCurrentIndex(m_model->index(0, 0));
}

void TfrmOtvSto::tablesChanged() {
  if (!isVisible())
    return;
  const QModelIndex current = DBGrid1->currentIndex();
  const QString was = current.isValid() ? m_model->item(current.row(), 0)->text() : QString();
  if (!m_picker.reload())
    return;
  refresh();
  for (int r = 0; r < m_model->rowCount(); ++r)
    if (m_model->item(r, 0)->text() == was)
      DBGrid1->setCurrentIndex(m_model->index(r, 0));
}

void TfrmOtvSto::chooseRow(int row) {
  if (m_picker.rowChosen(row))
    accept();
}

bool TfrmOtvSto::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == Edit1) {
        m_picker.Edit1 = Edit1->text();
        if (m_picker.numberEntered())
          accept(); // a table that is not free: nothing happens
        return true;
      }
      if (watched == DBGrid1) {
        chooseRow(DBGrid1->currentIndex().row());
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmOtvSto::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Edit1->clear();
  refresh();
  Edit1->setFocus();
}
