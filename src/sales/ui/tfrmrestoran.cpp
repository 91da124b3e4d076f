#include "sales/ui/tfrmrestoran.h"

#include "device/deviceprofile.h"
#include "sales/restaurantsale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>

namespace {
QLineEdit *amountField(QWidget *parent, const char *name, const QString &caption, int x, int y) {
  auto *l = new QLabel(caption, parent);
  l->setGeometry(x, y, 72, 28);
  auto *e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(x + 72, y, 92, 28);
  e->setReadOnly(true);
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  e->setFocusPolicy(Qt::NoFocus);
  QFont f = e->font();
  f.setPointSize(12);
  e->setFont(f);
  return e;
}

QTableView *grid(QWidget *parent, const char *name, QStandardItemModel *model) {
  auto *v = new QTableView(parent);
  v->setObjectName(QLatin1String(name));
  v->setModel(model);
  v->verticalHeader()->hide();
  v->verticalHeader()->setDefaultSectionSize(22);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setSelectionMode(QAbstractItemView::SingleSelection);
  v->setFocusPolicy(Qt::NoFocus); // the keys belong to the entry line
  return v;
}

// The grids' own font, smaller so that every column fits beside the others.
void gridFont(QTableView *v) {
  QFont f = v->font();
  f.setPointSize(8);
  v->setFont(f);
  v->horizontalHeader()->setFont(f);
  v->horizontalHeader()->setMinimumSectionSize(20);
}

// Every column as wide as its title and values; the name column takes what is left, so
// that all columns stay in sight and only a long name is cut short.
void fitColumns(QTableView *v, int stretched, int least) {
  v->resizeColumnsToContents();
  int others = 0;
  for (int c = 0; c < v->model()->columnCount(); ++c)
    if (c != stretched)
      others += v->columnWidth(c);
  v->setColumnWidth(stretched, std::max(least, v->viewport()->width() - others));
}

QStandardItem *cell(const QString &text, bool right = false) {
  auto *i = new QStandardItem(text);
  if (right)
    i->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return i;
}
} // namespace

TfrmRestoran::TfrmRestoran(RestaurantSale &sale, QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_sale(sale) {
  setModal(true);
  setWindowTitle(QStringLiteral("Restoran"));
  setFixedSize(1000, 620);

  edtUnosRest = new QLineEdit(this);
  edtUnosRest->setObjectName(QStringLiteral("edtUnosRest"));
  edtUnosRest->setGeometry(8, 8, 300, 36);
  QFont big = edtUnosRest->font();
  big.setPointSize(14);
  edtUnosRest->setFont(big);
  edtUnosRest->installEventFilter(this);

  lblUkupno = new QLabel(QStringLiteral("0,00"), this);
  lblUkupno->setObjectName(QStringLiteral("lblUkupno"));
  lblUkupno->setGeometry(700, 4, 292, 56);
  lblUkupno->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblUkupno->setStyleSheet(QStringLiteral("font-size: 30pt; font-weight: bold; color: #003399;"));

  m_tables = new QStandardItemModel(0, 3, this);
  m_tables->setHorizontalHeaderLabels(
      {QStringLiteral("BR"), QStringLiteral("NAZIV"), QStringLiteral("SIFKONOB")});
  DBGridStolovi = grid(this, "DBGridStolovi", m_tables);
  DBGridStolovi->setGeometry(8, 66, 160, 330);
  gridFont(DBGridStolovi);

  m_lines = new QStandardItemModel(0, 11, this);
  m_lines->setHorizontalHeaderLabels(
      {QStringLiteral("RBR"), QStringLiteral("BRSTOLA"), QStringLiteral("SIFRA"), QStringLiteral("BARKOD"),
       QStringLiteral("NAZIV"), QStringLiteral("STOPA"), QStringLiteral("CENA"), QStringLiteral("KOLICINA"),
       QStringLiteral("IZNOS"), QStringLiteral("STORNO"), QStringLiteral("TURA")});
  DBGridStoStavke = grid(this, "DBGridStoStavke", m_lines);
  DBGridStoStavke->setSelectionMode(QAbstractItemView::NoSelection);
  DBGridStoStavke->setGeometry(174, 66, 646, 330);
  gridFont(DBGridStoStavke);

  const int fx = 828, fy = 80;
  edtGotovina = amountField(this, "edtGotovina", QStringLiteral("GOTOVINA"), fx, fy);
  edtCek = amountField(this, "edtCek", QStringLiteral("CEK"), fx, fy + 36);
  edtKartica = amountField(this, "edtKartica", QStringLiteral("KARTICA"), fx, fy + 72);
  edtPovracaj = amountField(this, "edtPovracaj", QStringLiteral("POVRACAJ"), fx, fy + 118);
  edtPovracaj->setStyleSheet(QStringLiteral("font-weight: bold;"));

  rbt = new QRadioButton(QStringLiteral("Po narudzbinama"), this);
  rbt->setGeometry(fx, fy + 166, 190, 22);
  rbt->setChecked(true);
  rbt->setFocusPolicy(Qt::NoFocus);
  rba = new QRadioButton(QStringLiteral("Po artiklima"), this);
  rba->setGeometry(fx, fy + 192, 190, 22);
  rba->setFocusPolicy(Qt::NoFocus);
  connect(rba, &QRadioButton::toggled, this, [this](bool on) { m_sale.poArtiklima = on; });

  edtBrojKart = new QLineEdit(this);
  edtTipKart = new QLineEdit(this);
  edtTransakcija = new QLineEdit(this);
  for (QLineEdit *hidden : {edtBrojKart, edtTipKart, edtTransakcija}) {
    hidden->setMaxLength(30);
    hidden->hide();
  }
  edtBrojKart->setObjectName(QStringLiteral("edtBrojKart"));
  edtTipKart->setObjectName(QStringLiteral("edtTipKart"));
  edtTransakcija->setObjectName(QStringLiteral("edtTransakcija"));

  struct B {
    QPushButton **button;
    const char *name;
    const char *caption;
    void (RestaurantSale::*op)();
  } buttons[] = {
      {&BitBtn6, "BitBtn6", "ZBIR (ENTER)", &RestaurantSale::zbir},
      {&BitBtn3, "BitBtn3", "NARUDZBINA (INS)", &RestaurantSale::narudzbina},
      {&BitBtn9, "BitBtn9", "GOTOVINA (+)", &RestaurantSale::gotovinaKey},
      {&btnCek, "btnCek", "CEK (F3)", &RestaurantSale::cekKey},
      {&BtnKartica, "BtnKartica", "KARTICA (F4)", &RestaurantSale::karticaKey},
      {&BtnOtvoriSto, "BtnOtvoriSto", "OTVORI STO (F8)", &RestaurantSale::otvoriSto},
      {&BitBtn2, "BitBtn2", "RACUN (F9)", &RestaurantSale::racunKey},
      {&BtnFioka, "BtnFioka", "OTVORI FIOKU(F11)", &RestaurantSale::fiokaKey},
      {&BitBtn7, "BitBtn7", "&SPAJANJE STOLOVA", &RestaurantSale::spajanjeKey},
      {&BitBtn8, "BitBtn8", "&RASTAVLJANJE", &RestaurantSale::rastavljanjeKey},
      {&BtnIsprazni, "BtnIsprazni", "&ISPRAZNI STO", &RestaurantSale::isprazniSto},
      {&btnOslobodiSto, "btnOslobodiSto", "&OSLOBODI STO", &RestaurantSale::oslobodiSto},
      {&BtnTekst, "BtnTekst", "SLOBODAN &TEKST", &RestaurantSale::slobodanTekstKey},
  };
  int i = 0;
  for (const B &b : buttons) {
    auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QLatin1String(b.name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setGeometry(8 + (i % 5) * 197, 410 + (i / 5) * 48, 189, 40);
    *b.button = button;
    const auto op = b.op;
    connect(button, &QPushButton::clicked, this, [this, op] { run(op); });
    ++i;
  }

  edtStatusRest = new QLineEdit(this);
  edtStatusRest->setObjectName(QStringLiteral("edtStatusRest"));
  edtStatusRest->setGeometry(8, 584, 984, 28);
  edtStatusRest->setReadOnly(true);
  edtStatusRest->setFocusPolicy(Qt::NoFocus);
  edtStatusRest->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));

  connect(DBGridStolovi, &QTableView::clicked, this, [this](const QModelIndex &index) {
    m_sale.selectRow(index.row());
    refresh();
  });
  connect(&sale, &RestaurantSale::changed, this, &TfrmRestoran::refresh);
  connect(&sale, &RestaurantSale::beep, this, [] { QApplication::beep(); });
  connect(&sale, &RestaurantSale::focusEntry, this, [this] {
    if (!edtUnosRest->isEnabled())
      return;
    // Back from a window of its own (split, merge): the screen is the active one again.
    if (isVisible() && !QApplication::activeModalWidget())
      activateWindow();
    edtUnosRest->setFocus();
  });
  refresh();
}

void TfrmRestoran::applyModel(int model) {
  const DeviceProfile &device = DeviceProfile::of(model);
  BtnTekst->setVisible(device.hasFreeText);
  BtnFioka->setVisible(device.hasDrawer);
}

void TfrmRestoran::run(void (RestaurantSale::*op)()) {
  m_sale.setEntry(edtUnosRest->text());
  (m_sale.*op)();
  refresh();
}

void TfrmRestoran::refresh() {
  if (edtUnosRest->text() != m_sale.edtUnosRest)
    edtUnosRest->setText(m_sale.edtUnosRest);
  edtUnosRest->setEnabled(m_sale.entryEnabled);
  DBGridStolovi->setEnabled(m_sale.gridEnabled);
  lblUkupno->setText(m_sale.lblUkupno());
  edtGotovina->setText(m_sale.edtGotovina());
  edtCek->setText(m_sale.edtCek());
  edtKartica->setText(m_sale.edtKartica());
  edtPovracaj->setText(m_sale.edtPovracaj());
  edtStatusRest->setText(m_sale.edtStatusRest());
  edtBrojKart->setText(m_sale.edtBrojKart);
  edtTipKart->setText(m_sale.edtTipKart);
  edtTransakcija->setText(m_sale.edtTransakcija);

  const auto &tables = m_sale.tables();
  m_tables->setRowCount(0);
  for (const RestaurantTable &t : tables)
    m_tables->appendRow(
        {cell(QString::number(t.brstola), true), cell(t.naziv), cell(QString::number(t.sifkonob), true)});
  fitColumns(DBGridStolovi, 1, 40);
  if (m_sale.currentRow() >= 0)
    DBGridStolovi->selectRow(m_sale.currentRow());
  else
    DBGridStolovi->clearSelection();

  m_lines->setRowCount(0);
  for (const TableLine &l : m_sale.lines())
    m_lines->appendRow({cell(QString::number(l.rbr), true), cell(QString::number(l.brstola), true),
                        cell(l.sifra), cell(l.barkod), cell(l.naziv), cell(QString::number(l.stopa), true),
                        cell(l.cena.text(), true), cell(l.kolicina.text(), true), cell(l.iznos.text(), true),
                        cell(QString::number(l.storno ? 1 : 0), true), cell(QString::number(l.tura), true)});
  fitColumns(DBGridStoStavke, 4, 90);
}

bool TfrmRestoran::handleKey(int key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    run(&RestaurantSale::enterKey);
    return true;
  case Qt::Key_Escape:
    escape();
    return true;
  case Qt::Key_Insert:
    run(&RestaurantSale::narudzbina);
    return true;
  case Qt::Key_Delete:
    run(&RestaurantSale::delKey);
    return true;
  case Qt::Key_Plus:
    if (!(modifiers & Qt::KeypadModifier))
      return false;
    run(&RestaurantSale::gotovinaKey);
    return true;
  case Qt::Key_F3:
    run(&RestaurantSale::cekKey);
    return true;
  case Qt::Key_F4:
    run(&RestaurantSale::karticaKey);
    return true;
  case Qt::Key_F8:
    run(&RestaurantSale::otvoriSto);
    return true;
  case Qt::Key_F9:
    run(&RestaurantSale::racunKey);
    return true;
  case Qt::Key_F11:
    run(&RestaurantSale::fiokaKey);
    return true;
  default:
    return false;
  }
}

void TfrmRestoran::escape() {
  const std::optional<int> waiter = askWaiter ? askWaiter() : std::nullopt;
  if (waiter) {
    m_sale.showWaiter(*waiter);
    refresh();
    edtUnosRest->setFocus();
    return;
  }
  close(); // "Otkaz" leaves the restaurant too
}

bool TfrmRestoran::eventFilter(QObject *watched, QEvent *event) {
  const bool press = event->type() == QEvent::KeyPress, release = event->type() == QEvent::KeyRelease;
  if (watched == edtUnosRest && (press || release)) {
    auto *ke = static_cast<QKeyEvent *>(event);
    if (press && handleKey(ke->key(), ke->modifiers()))
      return true;
    // The operator keys of the numeric pad never leave their character behind.
    if (release && (ke->modifiers() & Qt::KeypadModifier) &&
        (ke->key() == Qt::Key_Asterisk || ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus)) {
      edtUnosRest->clear();
      m_sale.edtUnosRest.clear();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmRestoran::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (m_open || event->spontaneous())
    return;
  m_open = true;
  m_sale.open();
  refresh();
  edtUnosRest->setFocus();
}

void TfrmRestoran::closeEvent(QCloseEvent *event) {
  event->ignore();
  reject();
}

void TfrmRestoran::reject() {
  // While a receipt is being sent the screen stays.
  if (!m_sale.requestClose())
    return;
  m_open = false;
  QDialog::reject();
}
