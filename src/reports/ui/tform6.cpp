#include "reports/ui/tform6.h"

#include "data/database.h"
#include "reports/reportrequest.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm6::TForm6(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Najprodavaniji artikli"));
  setFixedSize(380, 250);
  auto label = [this](const char *text, int x, int y) {
    auto *l = new QLabel(QString::fromLatin1(text), this);
    l->move(x, y);
    return l;
  };
  label("Prikazi", 24, 28);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(88, 24, 48, 22);
  label("najprodavanijih artikala", 148, 28);
  label("Period", 24, 76);
  edtDatumOD = newDateField(this, "edtDatumOD");
  edtDatumOD->setGeometry(88, 72, 96, 22);
  edtDatumPrometa = newDateField(this, "edtDatumPrometa");
  edtDatumPrometa->setGeometry(200, 72, 96, 22);
  label("Kriterijum", 24, 124);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({QStringLiteral("Po kolicini"), QStringLiteral("Po iznosu")});
  ComboBox1->setGeometry(88, 120, 208, 24);
  BtnStampaj = new QPushButton(QStringLiteral("&Stampaj"), this);
  BtnStampaj->setObjectName(QStringLiteral("BtnStampaj"));
  BtnStampaj->setGeometry(128, 180, 120, 32);
  BtnStampaj->setAutoDefault(false);
  for (QWidget *w : {static_cast<QWidget *>(Edit1), static_cast<QWidget *>(edtDatumOD),
                     static_cast<QWidget *>(edtDatumPrometa), static_cast<QWidget *>(ComboBox1)})
    w->installEventFilter(this);
  setTabOrder(Edit1, edtDatumOD);
  setTabOrder(edtDatumOD, edtDatumPrometa);
  setTabOrder(edtDatumPrometa, ComboBox1);
  setTabOrder(ComboBox1, BtnStampaj);
  connect(BtnStampaj, &QPushButton::clicked, this, &TForm6::BtnStampajClick);
  hooks.fillDefaults(this);
}

void TForm6::prepare() {
  Edit1->setText(QStringLiteral("10"));
  edtDatumOD->clear();
  edtDatumPrometa->clear();
  ComboBox1->setCurrentIndex(0);
}

void TForm6::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Edit1->setFocus();
}

bool TForm6::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter walks the fields in order and ends on "&Stampaj".
      QWidget *next = watched == Edit1             ? static_cast<QWidget *>(edtDatumOD)
                      : watched == edtDatumOD      ? static_cast<QWidget *>(edtDatumPrometa)
                      : watched == edtDatumPrometa ? static_cast<QWidget *>(ComboBox1)
                      : watched == ComboBox1       ? static_cast<QWidget *>(BtnStampaj)
                                                   : nullptr;
      if (next) {
        next->setFocus();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm6::BtnStampajClick() {
  if (!m_db || !m_db->isOpen()) {
    hooks.poruka(QStringLiteral("GRESKA"), Database::openFailureText());
    return;
  }
  const auto by =
      ComboBox1->currentIndex() == 1 ? ReportRepository::BestBy::Amount : ReportRepository::BestBy::Quantity;
  const ReportOutcome out = ReportRequest(*m_db).bestSellers(Edit1->text(), edtDatumOD->text(),
                                                             edtDatumPrometa->text(), by, hooks.now().date());
  if (!out.report) {
    hooks.poruka(out.title, out.text);
    return;
  }
  accept(); // the window closes once its report is built
  hooks.showReport(out.report);
}
