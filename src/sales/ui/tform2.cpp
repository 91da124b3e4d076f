#include "sales/ui/tform2.h"

#include "common/scheduler.h"
#include "device/deviceprofile.h"
#include "sales/retailsale.h"
#include "sales/ui/retailgridmodel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {
QLineEdit *field(QWidget *parent, const char *name, const QString &caption, int x, int y) {
  auto *l = new QLabel(caption, parent);
  l->setGeometry(x, y, 80, 28);
  auto *e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(x + 84, y, 192, 28);
  e->setReadOnly(true);
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  e->setFocusPolicy(Qt::NoFocus);
  QFont f = e->font();
  f.setPointSize(12);
  e->setFont(f);
  return e;
}
} // namespace

TForm2::TForm2(RetailSale &sale, Scheduler &scheduler, QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_sale(sale), m_scheduler(scheduler) {
  setModal(true);
  setWindowTitle(QStringLiteral("Kasa"));
  setFixedSize(960, 600);

  edtUnos = new QLineEdit(this);
  edtUnos->setObjectName(QStringLiteral("edtUnos"));
  edtUnos->setGeometry(8, 8, 300, 34);
  edtUnos->setMaxLength(18);
  QFont big = edtUnos->font();
  big.setPointSize(14);
  edtUnos->setFont(big);
  edtUnos->installEventFilter(this);

  lblProvera = new QLabel(QStringLiteral("Provera"), this);
  lblProvera->setObjectName(QStringLiteral("lblProvera"));
  lblProvera->setGeometry(320, 8, 130, 34);
  lblProvera->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-size: 16pt;"));
  lblPonistavanje = new QLabel(QStringLiteral("Ponistavanje"), this);
  lblPonistavanje->setObjectName(QStringLiteral("lblPonistavanje"));
  lblPonistavanje->setGeometry(450, 8, 150, 34);
  lblPonistavanje->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-size: 16pt;"));

  lblUkupno = new QLabel(QStringLiteral("0,00"), this);
  lblUkupno->setObjectName(QStringLiteral("lblUkupno"));
  lblUkupno->setGeometry(676, 4, 276, 56);
  lblUkupno->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblUkupno->setStyleSheet(QStringLiteral("font-size: 30pt; font-weight: bold; color: #003399;"));

  sgArtikli = new QTableView(this);
  sgArtikli->setObjectName(QStringLiteral("sgArtikli"));
  sgArtikli->setGeometry(8, 66, 660, 320);
  m_grid = new RetailGridModel(sale, this);
  sgArtikli->setModel(m_grid);
  sgArtikli->verticalHeader()->hide();
  sgArtikli->verticalHeader()->setDefaultSectionSize(20);
  sgArtikli->setFocusPolicy(Qt::NoFocus);
  sgArtikli->setSelectionMode(QAbstractItemView::NoSelection);
  QFont mono(QStringLiteral("Courier New"));
  mono.setStyleHint(QFont::Monospace);
  mono.setPointSize(9);
  sgArtikli->setFont(mono);
  const int widths[] = {40, 56, 112, 170, 80, 80, 90};
  for (int c = 0; c < 7; ++c)
    sgArtikli->setColumnWidth(c, widths[c]);

  edtKol = field(this, "edtKol", QStringLiteral("Kolicina"), 676, 70);
  edtIznos = field(this, "edtIznos", QStringLiteral("IZNOS"), 676, 104);
  edtIznos->setReadOnly(false);
  edtGotovina = field(this, "edtGotovina", QStringLiteral("Gotovina"), 676, 150);
  edtCek = field(this, "edtCek", QStringLiteral("Cek"), 676, 184);
  edtKartica = field(this, "edtKartica", QStringLiteral("Kartica"), 676, 218);
  edtPovracaj = field(this, "edtPovracaj", QStringLiteral("Povracaj"), 676, 264);
  edtPovracaj->setStyleSheet(QStringLiteral("font-weight: bold;"));

  rb0 = new QRadioButton(QStringLiteral("1."), this);
  rb1 = new QRadioButton(QStringLiteral("2."), this);
  rb2 = new QRadioButton(QStringLiteral("pocetak"), this);
  rb0->setGeometry(676, 304, 50, 20);
  rb1->setGeometry(736, 304, 50, 20);
  rb2->setGeometry(796, 304, 80, 20);
  rb0->setChecked(true);

  struct B {
    QPushButton **button;
    const char *name;
    const char *caption;
    void (RetailSale::*op)();
  } buttons[] = {
      {&BitBtn6, "BitBtn6", "Zbir (ENTER)", &RetailSale::totalAndClose},
      {&BitBtn1, "BitBtn1", "Kolicina (*)", &RetailSale::kolicinaKey},
      {&BitBtn7, "BitBtn7", "Preracunaj kolicinu (/)", &RetailSale::preracunajKolicinu},
      {&BitBtn5, "BitBtn5", "Ponisti (-)", &RetailSale::ponistiKey},
      {&BitBtn8, "BitBtn8", "Gotovina (+)", &RetailSale::unosGotovina},
      {&btnCek, "btnCek", "Cek (F3)", &RetailSale::cekKey},
      {&BtnKartica, "BtnKartica", "Kartica (F4)", &RetailSale::karticaKey},
      {&BitBtn4, "BitBtn4", "Artikli (F5)", nullptr},
      {&BitBtn3, "BitBtn3", "Provera (F8)", &RetailSale::proveraKey},
      {&BitBtn2, "BitBtn2", "Racun (F9)", &RetailSale::racunKey},
      {&BtnFioka, "BtnFioka", "Otvori fioku (F11)", &RetailSale::fiokaKey},
      {&BtnTekst, "BtnTekst", "Slobodan tekst (F2)", &RetailSale::slobodanTekstKey},
      {&BitBtn9, "BitBtn9", "Storno racun (F12)", &RetailSale::stornoKey},
      {&BtnDisplay, "BtnDisplay", "&DISPLEJ (F1)", &RetailSale::displejKey},
  };
  int i = 0;
  for (const B &b : buttons) {
    auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QLatin1String(b.name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(8 + (i % 5) * 189, 396 + (i / 5) * 44, 181, 38);
    *b.button = button;
    const auto op = b.op;
    if (op)
      connect(button, &QPushButton::clicked, this, [this, op] { run(op); });
    ++i;
  }
  connect(BitBtn4, &QPushButton::clicked, this, [this] { handleKey(Qt::Key_F5, Qt::NoModifier); });
  BtnDisplay->hide();

  edtStatus = new QLineEdit(this);
  edtStatus->setObjectName(QStringLiteral("edtStatus"));
  edtStatus->setGeometry(8, 564, 944, 28);
  edtStatus->setReadOnly(true);
  edtStatus->setFocusPolicy(Qt::NoFocus);
  edtStatus->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));

  connect(&sale, &RetailSale::changed, this, &TForm2::refresh);
  connect(&sale, &RetailSale::beep, this, [] { QApplication::beep(); });
  connect(&sale, &RetailSale::focusEntry, this, [this] {
    if (edtUnos->isEnabled())
      edtUnos->setFocus();
  });
  connect(rb0, &QRadioButton::toggled, this, [this](bool on) {
    if (on)
      m_sale.displayLine = 0;
  });
  connect(rb1, &QRadioButton::toggled, this, [this](bool on) {
    if (on)
      m_sale.displayLine = 1;
  });
  connect(rb2, &QRadioButton::toggled, this, [this](bool on) {
    if (on)
      m_sale.displayLine = 2;
  });
  refresh();
}

void TForm2::applyModel(int model) {
  const DeviceProfile &device = DeviceProfile::of(model);
  BitBtn9->setVisible(device.cancelsOpenReceipt);
  BtnTekst->setVisible(device.hasFreeText);
  BtnFioka->setVisible(device.hasDrawer);
  // The display-line choices and their key are not offered.
  rb0->hide();
  rb1->hide();
  rb2->hide();
  BtnDisplay->hide();
}

void TForm2::run(void (RetailSale::*op)()) {
  m_sale.setEntry(edtUnos->text());
  (m_sale.*op)();
  refresh();
}

void TForm2::refresh() {
  if (edtUnos->text() != m_sale.edtUnos)
    edtUnos->setText(m_sale.edtUnos);
  edtUnos->setEnabled(m_sale.entryEnabled);
  lblUkupno->setText(m_sale.lblUkupno());
  edtKol->setText(m_sale.edtKol());
  edtIznos->setText(m_sale.edtIznos());
  edtGotovina->setText(m_sale.edtGotovina());
  edtCek->setText(m_sale.edtCek());
  edtKartica->setText(m_sale.edtKartica());
  edtPovracaj->setText(m_sale.edtPovracaj());
  edtStatus->setText(m_sale.statusLine());
  lblProvera->setVisible(m_sale.lblProveraVisible);
  lblPonistavanje->setVisible(m_sale.lblPonistavanjeVisible);
  if (m_sale.sledeciRed > 1)
    sgArtikli->scrollTo(m_grid->index(std::min(m_sale.sledeciRed - 1, RetailSale::kRows - 2), 0));
}

bool TForm2::handleKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    run(&RetailSale::unos);
    return true;
  case Qt::Key_Asterisk:
    if (!keypad)
      return false;
    run(&RetailSale::kolicinaKey);
    m_sale.edtUnos.clear(); // the operator keys never leave their text behind, readable or not
    refresh();
    return true;
  case Qt::Key_Slash:
    if (!keypad)
      return false;
    run(&RetailSale::preracunajKolicinu);
    m_sale.edtUnos.clear();
    refresh();
    return true;
  case Qt::Key_Minus:
    if (!keypad)
      return false;
    run(&RetailSale::ponistiKey);
    m_sale.edtUnos.clear();
    refresh();
    return true;
  case Qt::Key_Plus:
    if (!keypad)
      return false;
    run(&RetailSale::unosGotovina);
    m_sale.edtUnos.clear();
    refresh();
    return true;
  case Qt::Key_F1:
    run(&RetailSale::displejKey);
    return true;
  case Qt::Key_F2:
    run(&RetailSale::slobodanTekstKey);
    return true;
  case Qt::Key_F3:
    run(&RetailSale::cekKey);
    return true;
  case Qt::Key_F4:
    run(&RetailSale::karticaKey);
    return true;
  case Qt::Key_F5:
    if (m_sale.pickArticle) {
      const QString code = m_sale.pickArticle();
      if (!code.isEmpty())
        m_sale.articlePicked(code);
      refresh();
    } else {
      m_sale.setStatus(QStringLiteral("Artikli jos nisu dostupni"));
    }
    return true;
  case Qt::Key_F8:
    run(&RetailSale::proveraKey);
    return true;
  case Qt::Key_F9:
    run(&RetailSale::racunKey);
    return true;
  case Qt::Key_F11:
    run(&RetailSale::fiokaKey);
    return true;
  case Qt::Key_F12:
    run(&RetailSale::stornoKey);
    return true;
  case Qt::Key_Escape:
    run(&RetailSale::escapeKey);
    return true;
  default:
    return false;
  }
}

bool TForm2::eventFilter(QObject *watched, QEvent *event) {
  if (watched == edtUnos && event->type() == QEvent::KeyPress) {
    auto *ke = static_cast<QKeyEvent *>(event);
    if (handleKey(ke->key(), ke->modifiers()))
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm2::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  // A window restored from the task bar, or shown again while it is open, is not a
  // new receipt: only a real opening opens one on the device.
  if (m_open || event->spontaneous())
    return;
  m_open = true;
  const QDateTime now = m_scheduler.now();
  m_sale.open(now.date().year(), now.date(), now.time());
  refresh();
  edtUnos->setFocus();
}

void TForm2::hideEvent(QHideEvent *event) {
  QDialog::hideEvent(event);
  if (!m_open || event->spontaneous())
    return; // minimised: the receipt stays open
  m_open = false;
  m_sale.close();
}

void TForm2::closeEvent(QCloseEvent *event) {
  QDialog::reject(); // hides the window; hideEvent closes the screen
  event->accept();
}

void TForm2::reject() {
  // Escape belongs to the card-terminal wait; the window closes by its close box.
}
