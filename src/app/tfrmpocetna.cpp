#include "app/tfrmpocetna.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

TfrmPocetna::TfrmPocetna(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Prodesk v5.7.1"));
  setFixedSize(233, 227);
  BtnProdesk = new QPushButton(QStringLiteral("&KASA"), this);
  BtnProdesk->setObjectName(QStringLiteral("BtnProdesk"));
  BtnProdesk->setGeometry(30, 30, 173, 64);
  BtnProdesk->setEnabled(false);
  BtnKonfihuracija = new QPushButton(QStringLiteral("&KONFIGURACIJA"), this);
  BtnKonfihuracija->setObjectName(QStringLiteral("BtnKonfihuracija"));
  BtnKonfihuracija->setGeometry(30, 124, 173, 64);
  connect(BtnProdesk, &QPushButton::clicked, this, [this] {
    if (BtnProdeskClick)
      BtnProdeskClick();
  });
  connect(BtnKonfihuracija, &QPushButton::clicked, this, [this] {
    if (BtnKonfihuracijaClick)
      BtnKonfihuracijaClick();
  });
}

void TfrmPocetna::clearFields() {
  rezimRestoran = false;
}

void TfrmPocetna::closeEvent(QCloseEvent *event) {
  if (FormClose)
    FormClose();
  event->accept();
}

void TfrmPocetna::keyPressEvent(QKeyEvent *event) {
  auto *button = qobject_cast<QPushButton *>(focusWidget());
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && button && button->isEnabled()) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}
