#include "sales/ui/tfrmnarudzbina.h"

#include "reports/bandedreport.h"
#include "reports/ordertickets.h"
#include "reports/ui/reportpreview.h"
#include "sales/articlelookup.h"
#include "sales/tableorders.h"
#include "sales/ui/roundlinesmodel.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

namespace {
// The order window on screen; a scan goes to it.
QPointer<TfrmNarudzbina> g_showing;
} // namespace

bool showNarudzbina(QWidget *parent, int brstola, const Waiter &waiter, const OrderWindowContext &context) {
  if (!context.db)
    return false;
  DatabaseArticleLookup articles(*context.db);
  TableOrders orders(*context.db, articles);
  orders.setAmountRule(context.model, context.zaokruzi);
  if (!orders.open(brstola, waiter))
    return false;
  TfrmNarudzbina window(orders, context, parent);
  window.exec();
  return true;
}

TfrmNarudzbina::TfrmNarudzbina(TableOrders &orders, const OrderWindowContext &context, QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_orders(orders), m_context(context) {
  setModal(true);
  setWindowTitle(QStringLiteral("Narudzbine"));
  setFixedSize(900, 560);
  if (!m_context.now)
    m_context.now = [] { return QDateTime::currentDateTime(); };
  m_orders.pickArticle = m_context.pickArticle;

  LblNar = new QLabel(this);
  LblNar->setObjectName(QStringLiteral("LblNar"));
  LblNar->setGeometry(8, 6, 600, 32);
  LblNar->setStyleSheet(QStringLiteral("font-size: 16pt; font-weight: bold; color: #003399;"));

  auto *ture = new QLabel(QStringLiteral("TURE"), this);
  ture->setGeometry(8, 44, 80, 20);
  ListTure = new QListWidget(this);
  ListTure->setObjectName(QStringLiteral("ListTure"));
  ListTure->setGeometry(8, 66, 80, 330);
  ListTure->setFocusPolicy(Qt::NoFocus);
  QFont listFont = ListTure->font();
  listFont.setPointSize(14);
  ListTure->setFont(listFont);

  DBGridTure = new QTableView(this);
  DBGridTure->setObjectName(QStringLiteral("DBGridTure"));
  DBGridTure->setGeometry(96, 44, 796, 352);
  m_lines = new RoundLinesModel(orders, this);
  DBGridTure->setModel(m_lines);
  DBGridTure->verticalHeader()->hide();
  DBGridTure->verticalHeader()->setDefaultSectionSize(20);
  DBGridTure->setFocusPolicy(Qt::NoFocus);
  DBGridTure->setSelectionMode(QAbstractItemView::NoSelection);
  DBGridTure->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const int widths[] = {40, 66, 50, 152, 116, 70, 70, 76, 42, 50, 58};
  for (int c = 0; c < int(std::size(widths)); ++c)
    DBGridTure->setColumnWidth(c, widths[c]);

  edtUnosRest = new QLineEdit(this);
  edtUnosRest->setObjectName(QStringLiteral("edtUnosRest"));
  edtUnosRest->setGeometry(8, 406, 300, 34);
  edtUnosRest->setMaxLength(18);
  QFont big = edtUnosRest->font();
  big.setPointSize(14);
  edtUnosRest->setFont(big);
  edtUnosRest->installEventFilter(this);

  auto *kolLabel = new QLabel(QStringLiteral("KOLICINA"), this);
  kolLabel->setGeometry(320, 406, 80, 34);
  edtKol = new QLineEdit(this);
  edtKol->setObjectName(QStringLiteral("edtKol"));
  edtKol->setGeometry(400, 406, 120, 34);
  edtKol->setReadOnly(true);
  edtKol->setFocusPolicy(Qt::NoFocus);
  edtKol->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  edtKol->setFont(big);

  lblPonistavanje = new QLabel(QStringLiteral("PONISTI"), this);
  lblPonistavanje->setObjectName(QStringLiteral("lblPonistavanje"));
  lblPonistavanje->setGeometry(536, 406, 120, 34);
  lblPonistavanje->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-size: 16pt;"));
  lblPonistavanje->hide();

  cbKuhinja = new QCheckBox(QStringLiteral("Kuhinja"), this);
  cbKuhinja->setObjectName(QStringLiteral("cbKuhinja"));
  cbBar = new QCheckBox(QStringLiteral("Bar"), this);
  cbBar->setObjectName(QStringLiteral("cbBar"));
  cbGost = new QCheckBox(QStringLiteral("Gost"), this);
  cbGost->setObjectName(QStringLiteral("cbGost"));
  int x = 672;
  for (QCheckBox *box : {cbKuhinja, cbBar, cbGost}) {
    box->setGeometry(x, 412, 76, 24);
    box->setFocusPolicy(Qt::NoFocus);
    x += 76;
  }
  connect(cbKuhinja, &QCheckBox::toggled, this, [this](bool on) { m_orders.cbKuhinja = on; });
  connect(cbBar, &QCheckBox::toggled, this, [this](bool on) { m_orders.cbBar = on; });
  connect(cbGost, &QCheckBox::toggled, this, [this](bool on) { m_orders.cbGost = on; });

  struct B {
    QPushButton **button;
    const char *name;
    const char *caption;
  } buttons[] = {
      {&BitBtn1, "BitBtn1", "KOLICINA (*)"},
      {&BitBtn5, "BitBtn5", "PONISTI (-)"},
      {&BitBtn4, "BitBtn4", "ARTIKLI (F5)"},
      {&BtnStampa, "BtnStampa", "Stampa narudzbine"},
  };
  int i = 0;
  for (const B &b : buttons) {
    auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QLatin1String(b.name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setGeometry(8 + i * 221, 452, 213, 40);
    *b.button = button;
    ++i;
  }
  connect(BitBtn1, &QPushButton::clicked, this, [this] { run(&TableOrders::kolicinaKey); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { run(&TableOrders::ponistiKey); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { run(&TableOrders::artikliKey); });
  connect(BtnStampa, &QPushButton::clicked, this, &TfrmNarudzbina::BtnStampaClick);

  edtStatusRest = new QLineEdit(this);
  edtStatusRest->setObjectName(QStringLiteral("edtStatusRest"));
  edtStatusRest->setGeometry(8, 524, 884, 28);
  edtStatusRest->setReadOnly(true);
  edtStatusRest->setFocusPolicy(Qt::NoFocus);
  edtStatusRest->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));

  connect(ListTure, &QListWidget::itemClicked, this,
          [this](QListWidgetItem *item) { m_orders.selectRound(ListTure->row(item)); });
  connect(&orders, &TableOrders::changed, this, &TfrmNarudzbina::refresh);
  connect(&orders, &TableOrders::beep, this, [] { QApplication::beep(); });
  connect(&orders, &TableOrders::focusEntry, this, [this] { edtUnosRest->setFocus(); });

  showTicket = [this](std::shared_ptr<BandedReport> report) { printTicket(std::move(report)); };

  ListTure->addItems(m_orders.ListTure);
  refresh();
}

TfrmNarudzbina::~TfrmNarudzbina() = default;

TfrmNarudzbina *TfrmNarudzbina::showing() {
  return g_showing && g_showing->isVisible() ? g_showing.data() : nullptr;
}

bool TfrmNarudzbina::deliverScan(const QString &code) {
  TfrmNarudzbina *window = showing();
  if (!window)
    return false;
  window->m_orders.articlePicked(code);
  return true;
}

void TfrmNarudzbina::refresh() {
  LblNar->setText(m_orders.lblNar);
  if (ListTure->count() != m_orders.ListTure.size()) {
    ListTure->clear();
    ListTure->addItems(m_orders.ListTure);
  }
  ListTure->setCurrentRow(m_orders.selectedRound() - 1);
  m_lines->reload();
  if (m_lines->rowCount() > 0)
    DBGridTure->scrollTo(m_lines->index(m_lines->rowCount() - 1, 0));
  if (edtUnosRest->text() != m_orders.edtUnosRest)
    edtUnosRest->setText(m_orders.edtUnosRest);
  edtKol->setText(m_orders.edtKol());
  edtStatusRest->setText(m_orders.edtStatusRest);
  lblPonistavanje->setVisible(m_orders.lblPonistavanjeVisible);
  const QSignalBlocker k(cbKuhinja), b(cbBar), g(cbGost);
  cbKuhinja->setChecked(m_orders.cbKuhinja);
  cbBar->setChecked(m_orders.cbBar);
  cbGost->setChecked(m_orders.cbGost);
}

void TfrmNarudzbina::run(void (TableOrders::*op)()) {
  m_orders.setEntry(edtUnosRest->text());
  (m_orders.*op)();
  refresh();
}

bool TfrmNarudzbina::handleKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    run(&TableOrders::unos);
    return true;
  case Qt::Key_Asterisk:
    if (!keypad)
      return false;
    run(&TableOrders::kolicinaKey);
    return true;
  case Qt::Key_Minus:
    if (!keypad)
      return false;
    run(&TableOrders::ponistiKey);
    return true;
  case Qt::Key_F5:
    run(&TableOrders::artikliKey);
    return true;
  default:
    return false;
  }
}

bool TfrmNarudzbina::eventFilter(QObject *watched, QEvent *event) {
  if (watched == edtUnosRest) {
    if (event->type() == QEvent::KeyPress) {
      auto *ke = static_cast<QKeyEvent *>(event);
      if (handleKey(ke->key(), ke->modifiers()))
        return true;
    } else if (event->type() == QEvent::KeyRelease) {
      // The operator keys of the numeric pad leave nothing in the entry line.
      auto *ke = static_cast<QKeyEvent *>(event);
      const int k = ke->key();
      if ((ke->modifiers() & Qt::KeypadModifier) &&
          (k == Qt::Key_Asterisk || k == Qt::Key_Plus || k == Qt::Key_Minus)) {
        edtUnosRest->clear();
        m_orders.setEntry(QString());
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmNarudzbina::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  g_showing = this;
  refresh();
  edtUnosRest->setFocus();
}

void TfrmNarudzbina::BtnStampaClick() {
  m_orders.edtStatusRest.clear();
  const auto tickets = m_orders.tickets();
  if (!tickets) {
    m_orders.edtStatusRest = tickets.error();
    refresh();
    return;
  }
  const QDateTime now = m_context.now();
  for (const OrderTicket &t : *tickets) {
    switch (t.kind) {
    case OrderTicket::Kind::Kuhinja:
      showTicket(OrderTickets::kitchen(t.waiterLabel, t.items, now));
      break;
    case OrderTicket::Kind::Bar:
      showTicket(OrderTickets::bar(t.waiterLabel, t.items, now));
      break;
    case OrderTicket::Kind::Gost:
      showTicket(OrderTickets::guest(t.waiterLabel, t.lines, now));
      break;
    }
  }
  refresh();
  edtUnosRest->setFocus();
}

void TfrmNarudzbina::printTicket(std::shared_ptr<BandedReport> report) {
  if (!m_context.ticketPrinter.isEmpty()) {
    QString error;
    if (ReportPreview::printOn(*report, m_context.ticketPrinter, &error))
      return;
    // The ticket is not lost: it is shown for printing elsewhere.
    m_orders.edtStatusRest = error;
    refresh();
  }
  ReportPreview preview(std::move(report), this);
  preview.exec();
}
