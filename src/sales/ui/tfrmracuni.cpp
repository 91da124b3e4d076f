#include "sales/ui/tfrmracuni.h"

#include "data/ui/picklistdelegate.h"
#include "reports/bandedreport.h"
#include "reports/ui/reportpreview.h"
#include "sales/invoices.h"
#include "sales/ui/tfrmrate.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSqlRecord>
#include <QStyle>
#include <QTableView>

TfrmRacuni::TfrmRacuni(Invoices &invoices, QWidget *parent) : QDialog(parent), m_invoices(invoices) {
  setObjectName(QStringLiteral("frmRacuni"));
  setWindowTitle(QStringLiteral("Racuni"));
  setFixedSize(900, 560);

  DBGrid1 = new QTableView(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 8, 884, 270);
  DBGrid1->setItemDelegate(new PickListDelegate({}, this));
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
  DBGrid1->verticalHeader()->setDefaultSectionSize(20);
  DBGrid1->installEventFilter(this);

  lblStavke = new QLabel(QStringLiteral("STAVKE RACUNA"), this);
  lblStavke->setObjectName(QStringLiteral("lblStavke"));
  lblStavke->setGeometry(8, 284, 300, 18);
  QFont bold = lblStavke->font();
  bold.setBold(true);
  lblStavke->setFont(bold);

  DBGrid2 = new QTableView(this);
  DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
  DBGrid2->setGeometry(8, 304, 884, 200);
  DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid2->setFocusPolicy(Qt::NoFocus);
  DBGrid2->verticalHeader()->setDefaultSectionSize(20);
  DBGrid2->setModel(m_invoices.lines());
  const int lineWidths[] = {80, 330, 110, 60, 110, 120};
  for (int c = 0; c < InvoiceLinesModel::ColumnCount; ++c)
    DBGrid2->setColumnWidth(c, lineWidths[c]);

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                            QStringLiteral("STAMPA"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setToolTip(QStringLiteral("Stampa racuna"));
  BitBtn1->setGeometry(8, 514, 140, 34);
  btnSifPartner = new QPushButton(QStringLiteral("PARTNERI (F5)"), this);
  btnSifPartner->setObjectName(QStringLiteral("btnSifPartner"));
  btnSifPartner->setGeometry(600, 514, 140, 34);
  BitBtn2 = new QPushButton(QStringLiteral("DOSPECE(F8)"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(752, 514, 140, 34);
  for (QPushButton *b : {BitBtn1, btnSifPartner, BitBtn2})
    b->setAutoDefault(false);
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmRacuni::BitBtn1Click);
  connect(btnSifPartner, &QPushButton::clicked, this, &TfrmRacuni::btnSifPartnerClick);
  connect(BitBtn2, &QPushButton::clicked, this, &TfrmRacuni::BitBtn2Click);

  frmRate = new TfrmRate(m_invoices, this);

  connect(&m_invoices, &Invoices::currentChanged, this, [this](int row) {
    if (m_moving || !m_invoices.receipts() || row < 0)
      return;
    m_moving = true;
    const int column = std::max(0, DBGrid1->currentIndex().column());
    DBGrid1->setCurrentIndex(m_invoices.receipts()->index(row, column));
    m_moving = false;
  });
}

void TfrmRacuni::open() {
  exec();
}

void TfrmRacuni::bindModels() {
  InvoiceTableModel *model = m_invoices.receipts();
  DBGrid1->setModel(model);
  if (!model)
    return;
  const QStringList &shown = InvoiceTableModel::shownColumns();
  for (int c = 0; c < model->columnCount(); ++c)
    DBGrid1->setColumnHidden(c, !shown.contains(model->record().fieldName(c).toLower()));
  // The grid shows the columns in their own order, whatever the table's is.
  for (int i = 0; i < shown.size(); ++i) {
    const int logical = model->fieldIndex(shown[i]);
    DBGrid1->horizontalHeader()->moveSection(DBGrid1->horizontalHeader()->visualIndex(logical), i);
  }
  const int widths[] = {110, 90, 80, 250, 90, 50, 110, 60};
  for (int i = 0; i < shown.size(); ++i)
    DBGrid1->setColumnWidth(model->fieldIndex(shown[i]), widths[i]);
  DBGrid1->setItemDelegateForColumn(
      model->fieldIndex(QStringLiteral("oslprom")),
      new PickListDelegate({QStringLiteral("NE"), QStringLiteral("DA")}, DBGrid1));
  connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current, const QModelIndex &previous) {
            if (m_moving)
              return;
            if (previous.isValid() && current.row() != previous.row() && !m_invoices.save()) {
              m_moving = true;
              DBGrid1->setCurrentIndex(previous); // a refused edit keeps the cursor on its row
              m_moving = false;
              return;
            }
            selectRow(current.row());
          });
}

void TfrmRacuni::selectRow(int row) {
  m_moving = true;
  m_invoices.setCurrentRow(row);
  m_moving = false;
}

void TfrmRacuni::showEvent(QShowEvent *event) {
  if (!event->spontaneous()) {
    m_invoices.refresh();
    bindModels();
    if (InvoiceTableModel *model = m_invoices.receipts(); model && model->rowCount() > 0) {
      m_moving = true;
      DBGrid1->setCurrentIndex(model->index(0, model->fieldIndex(QStringLiteral("broj_dok"))));
      m_moving = false;
    }
  }
  QDialog::showEvent(event);
  DBGrid1->setFocus();
}

void TfrmRacuni::done(int result) {
  commitOpenEditor(DBGrid1);
  QDialog::done(result);
  DBGrid1->setModel(nullptr);
  m_invoices.close(); // a pending edit is saved, errors ignored
}

void TfrmRacuni::BitBtn1Click() {
  commitOpenEditor(DBGrid1);
  const auto invoice = m_invoices.printable();
  if (!invoice)
    return;
  QString error;
  const auto settings =
      invoiceSettings ? invoiceSettings(&error) : std::optional<InvoiceSettings>(InvoiceSettings{});
  if (!settings) {
    if (message)
      message(QStringLiteral("GRESKA"), error);
    return;
  }
  std::shared_ptr<BandedReport> report = TQRRacun::build(*invoice, *settings);
  if (showReport) {
    showReport(report);
  } else {
    ReportPreview preview(report, this);
    preview.exec();
  }
  takeFocusBack();
}

void TfrmRacuni::takeFocusBack() {
  // The window under a closed modal one is not activated by every window system.
  activateWindow();
  DBGrid1->setFocus();
}

void TfrmRacuni::btnSifPartnerClick() {
  pick(true);
}

void TfrmRacuni::pickFromGrid() {
  pick(false);
}

void TfrmRacuni::pick(bool clearFilter) {
  commitOpenEditor(DBGrid1);
  if (!pickPartner) {
    if (message)
      message(QStringLiteral("Obavestenje!"), QStringLiteral("Partneri jos nisu dostupni"));
    takeFocusBack();
    return;
  }
  const QString code = pickPartner(clearFilter);
  if (!code.isEmpty())
    m_invoices.setPartner(code);
  takeFocusBack();
}

void TfrmRacuni::BitBtn2Click() {
  commitOpenEditor(DBGrid1);
  if (!m_invoices.currentReceipt())
    return;
  frmRate->exec();
  takeFocusBack();
}

bool TfrmRacuni::eventFilter(QObject *watched, QEvent *event) {
  // Keys an open cell editor passes on are its own (Enter commits the cell, Esc drops it).
  if (watched == DBGrid1 && event->type() == QEvent::KeyPress && QApplication::focusWidget() == DBGrid1) {
    auto *ke = static_cast<QKeyEvent *>(event);
    switch (ke->key()) {
    case Qt::Key_F5:
      pickFromGrid();
      return true;
    case Qt::Key_F8:
      BitBtn2Click();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (m_invoices.receipts() && m_invoices.receipts()->hasPendingEdits()) {
        m_invoices.save();
        return true;
      }
      break;
    case Qt::Key_Escape:
      if (m_invoices.receipts() && m_invoices.receipts()->hasPendingEdits()) {
        m_invoices.receipts()->cancel(); // Esc first drops the edit, then closes
        return true;
      }
      break;
    default:
      break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmRacuni::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_F5)
    btnSifPartnerClick();
  else if (event->key() == Qt::Key_F8)
    BitBtn2Click();
  else
    QDialog::keyPressEvent(event);
}
