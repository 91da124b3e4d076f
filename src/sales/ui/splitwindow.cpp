#include "sales/ui/splitwindow.h"

#include "sales/splitbill.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {
QLineEdit *amountField(QWidget *parent, const char *name, const QString &caption, int x, int y) {
  auto *l = new QLabel(caption, parent);
  l->setGeometry(x, y, 84, 30);
  auto *e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(x + 84, y, 112, 30);
  e->setReadOnly(true);
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  e->setFocusPolicy(Qt::NoFocus);
  QFont f = e->font();
  f.setPointSize(12);
  e->setFont(f);
  return e;
}

} // namespace

QLabel *SplitWindow::heading(QWidget *parent, const QString &text, int x, int y, int w) {
  auto *l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 22);
  l->setStyleSheet(QStringLiteral("font-weight: bold; color: #003399;"));
  return l;
}

int SplitWindow::currentRow(QTableWidget *list) {
  return list->currentRow() >= 0 ? list->currentRow() : 0;
}

SplitWindow::SplitWindow(SplitBill &bill, const QString &caption, QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_bill(bill) {
  setModal(true);
  setWindowTitle(caption);
  setFixedSize(1000, 560);

  edtUnosRest = new QLineEdit(this);
  edtUnosRest->setObjectName(QStringLiteral("edtUnosRest"));
  edtUnosRest->setGeometry(8, 384, 300, 36);
  QFont big = edtUnosRest->font();
  big.setPointSize(14);
  edtUnosRest->setFont(big);
  edtUnosRest->installEventFilter(this);

  edtGotovina = amountField(this, "edtGotovina", QStringLiteral("GOTOVINA"), 320, 380);
  edtCek = amountField(this, "edtCek", QStringLiteral("CEK"), 320, 416);
  edtKartica = amountField(this, "edtKartica", QStringLiteral("KARTICA"), 524, 380);
  edtPovracaj = amountField(this, "edtPovracaj", QStringLiteral("POVRACAJ"), 524, 416);
  edtPovracaj->setStyleSheet(QStringLiteral("font-weight: bold;"));

  lblUkupno = new QLabel(QStringLiteral("0,00"), this);
  lblUkupno->setObjectName(QStringLiteral("lblUkupno"));
  lblUkupno->setGeometry(728, 378, 264, 68);
  lblUkupno->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblUkupno->setStyleSheet(QStringLiteral("font-size: 30pt; font-weight: bold; color: #003399;"));

  struct B {
    QPushButton **button;
    const char *name;
    const char *caption;
    void (SplitBill::*op)();
  } buttons[] = {
      {&BitBtn6, "BitBtn6", "ZBIR (ENTER)", &SplitBill::zbir},
      {&BitBtn9, "BitBtn9", "GOTOVINA (+)", &SplitBill::gotovinaKey},
      {&btnCek, "btnCek", "CEK (F3)", &SplitBill::cekKey},
      {&BtnKartica, "BtnKartica", "KARTICA (F4)", &SplitBill::karticaKey},
      {&btnRacun, "btnRacun", "RACUN (F9)", &SplitBill::racunKey},
  };
  int i = 0;
  for (const B &b : buttons) {
    auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QLatin1String(b.name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setGeometry(8 + i * 197, 460, 189, 40);
    *b.button = button;
    const auto op = b.op;
    connect(button, &QPushButton::clicked, this, [this, op] { run(op); });
    ++i;
  }

  edtStatusRest = new QLineEdit(this);
  edtStatusRest->setObjectName(QStringLiteral("edtStatusRest"));
  edtStatusRest->setGeometry(8, 516, 984, 30);
  edtStatusRest->setReadOnly(true);
  edtStatusRest->setFocusPolicy(Qt::NoFocus);
  edtStatusRest->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));

  connect(&bill, &SplitBill::changed, this, [this] { refresh(); });
  connect(&bill, &SplitBill::beep, this, [] { QApplication::beep(); });
  connect(&bill, &SplitBill::focusEntry, this, [this] {
    if (edtUnosRest->isEnabled())
      edtUnosRest->setFocus();
  });
}

QTableWidget *SplitWindow::lineList(const char *name, int x, int y, int w, int h) {
  auto *list = new QTableWidget(0, 2, this);
  list->setObjectName(QLatin1String(name));
  list->setGeometry(x, y, w, h);
  list->setHorizontalHeaderLabels({QString(), QStringLiteral(" KOL  ARTIKAL")});
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->horizontalHeader()->setStretchLastSection(true);
  list->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
  list->horizontalHeader()->setMinimumSectionSize(1);
  list->setColumnWidth(0, 3); // the key is there but practically hidden
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(22);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setFocusPolicy(Qt::NoFocus); // the keys belong to the entry line
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return list;
}

void SplitWindow::fillList(QTableWidget *list, const QList<SplitRow> &rows) {
  const int current = list->currentRow();
  list->setRowCount(int(rows.size()));
  for (int i = 0; i < int(rows.size()); ++i) {
    list->setItem(i, 0, new QTableWidgetItem(QString::number(rows[i].rbr)));
    list->setItem(i, 1, new QTableWidgetItem(rows[i].text));
  }
  if (!rows.isEmpty())
    list->setCurrentCell(qBound(0, current, int(rows.size()) - 1), 1);
}

void SplitWindow::run(void (SplitBill::*op)()) {
  m_bill.setEntry(edtUnosRest->text());
  (m_bill.*op)();
  refresh();
}

void SplitWindow::refresh() {
  if (edtUnosRest->text() != m_bill.edtUnosRest)
    edtUnosRest->setText(m_bill.edtUnosRest);
  edtUnosRest->setEnabled(m_bill.entryEnabled);
  lblUkupno->setText(m_bill.lblUkupno());
  edtGotovina->setText(m_bill.edtGotovina());
  edtCek->setText(m_bill.edtCek());
  edtKartica->setText(m_bill.edtKartica());
  edtPovracaj->setText(m_bill.edtPovracaj());
  edtStatusRest->setText(m_bill.edtStatusRest());
}

bool SplitWindow::handleKey(int key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    run(&SplitBill::enterKey);
    return true;
  case Qt::Key_F12:
    run(&SplitBill::zbir);
    return true;
  case Qt::Key_Delete:
    run(&SplitBill::delKey);
    return true;
  case Qt::Key_Plus:
    if (!(modifiers & Qt::KeypadModifier))
      return false;
    run(&SplitBill::gotovinaKey);
    return true;
  case Qt::Key_F3:
    run(&SplitBill::cekKey);
    return true;
  case Qt::Key_F4:
    run(&SplitBill::karticaKey);
    return true;
  case Qt::Key_F9:
    run(&SplitBill::racunKey);
    return true;
  default:
    return false;
  }
}

bool SplitWindow::eventFilter(QObject *watched, QEvent *event) {
  const bool press = event->type() == QEvent::KeyPress;
  if (watched == edtUnosRest && (press || event->type() == QEvent::KeyRelease)) {
    const auto *ke = static_cast<QKeyEvent *>(event);
    if (press && handleKey(ke->key(), ke->modifiers()))
      return true;
    // The operator keys of the numeric pad never leave their character behind.
    if (!press && (ke->modifiers() & Qt::KeypadModifier) &&
        (ke->key() == Qt::Key_Asterisk || ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus)) {
      edtUnosRest->clear();
      m_bill.edtUnosRest.clear();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void SplitWindow::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  refresh();
  edtUnosRest->setFocus();
}

void SplitWindow::closeEvent(QCloseEvent *event) {
  event->ignore();
  reject();
}

void SplitWindow::reject() {
  // While the receipt is being sent the window stays.
  if (!m_bill.requestClose())
    return;
  QDialog::reject();
}
