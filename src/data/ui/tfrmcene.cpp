#include "data/ui/tfrmcene.h"

#include "common/localetext.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

TFrmCene::TFrmCene(ArticleMaintenance &maintenance, QWidget *parent)
    : QDialog(parent), m_maintenance(maintenance) {
  setObjectName(QStringLiteral("FrmCene"));
  setWindowTitle(QStringLiteral("Promena cena"));
  setFixedSize(340, 220);
  auto *rg = new QGroupBox(this);
  rg->setObjectName(QStringLiteral("rg"));
  rg->setGeometry(8, 8, 160, 70);
  rbSnizenje = new QRadioButton(QStringLiteral("Snizenje cena"), rg);
  rbSnizenje->setGeometry(8, 12, 140, 22);
  rbPovecanje = new QRadioButton(QStringLiteral("Povecanje cena"), rg);
  rbPovecanje->setGeometry(8, 40, 140, 22);
  auto *label = new QLabel(QStringLiteral("Procenat (%)"), this);
  label->setGeometry(184, 8, 140, 18);
  edtProc = new QLineEdit(this);
  edtProc->setObjectName(QStringLiteral("edtProc"));
  edtProc->setGeometry(184, 28, 140, 22);
  cbCeoBroj = new QCheckBox(QStringLiteral("Zaokruzi na ceo broj"), this);
  cbCeoBroj->setObjectName(QStringLiteral("cbCeoBroj"));
  cbCeoBroj->setGeometry(184, 56, 150, 22);
  btnPromeni = new QPushButton(QStringLiteral("Promeni cene"), this);
  btnPromeni->setObjectName(QStringLiteral("btnPromeni"));
  btnPromeni->setGeometry(100, 96, 140, 28);
  connect(btnPromeni, &QPushButton::clicked, this, &TFrmCene::btnPromeniClick);
  edtStatus = new QLineEdit(this);
  edtStatus->setObjectName(QStringLiteral("edtStatus"));
  edtStatus->setReadOnly(true);
  edtStatus->setFocusPolicy(Qt::NoFocus);
  edtStatus->setGeometry(8, 140, 324, 22);
  progress = new QProgressBar(this);
  progress->setObjectName(QStringLiteral("progress"));
  progress->setGeometry(8, 176, 324, 20);
  progress->setValue(0);
}

void TFrmCene::setScope(const ArticleScope &scope, int shown) {
  m_scope = scope;
  progress->setMaximum(std::max(shown, 1));
}

void TFrmCene::showEvent(QShowEvent *event) {
  edtProc->clear();
  rbSnizenje->setChecked(true);
  cbCeoBroj->setChecked(false);
  edtStatus->clear();
  progress->setValue(0);
  QDialog::showEvent(event);
  edtProc->setFocus();
}

void TFrmCene::btnPromeniClick() {
  edtStatus->clear();
  const QString text = edtProc->text().trimmed();
  edtProc->setText(text);
  if (text.isEmpty()) {
    host.tell(QStringLiteral("GRESKA"), QStringLiteral("Morate uneti iznos procenta!"));
    edtProc->setFocus();
    return;
  }
  bool ok = false;
  const double percent = LocaleText::toNumber(text, &ok);
  if (!ok) {
    host.tell(QStringLiteral("GRESKA"), QStringLiteral("Los iznos procenta!"));
    return;
  }
  if (!host.ask(
          QStringLiteral("UPOZORENJE"),
          QStringLiteral("Svim artiklima u sifarniku bice promenjene cene prema zadatom kriterijumu! Da li "
                         "zelite da nastavite?")))
    return;
  edtStatus->setText(QStringLiteral("Promena cena u toku..."));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The bar is painted directly: no events are handled while prices are checked and written.
  const auto outcome = m_maintenance.changePrices(
      m_scope, {percent, rbPovecanje->isChecked(), cbCeoBroj->isChecked()}, [this](int done, int total) {
        progress->setMaximum(std::max(total, 1));
        progress->setValue(done);
        progress->repaint();
      });
  QApplication::restoreOverrideCursor();
  progress->setValue(0);
  edtStatus->clear();
  host.tell(outcome.title, outcome.text);
}
