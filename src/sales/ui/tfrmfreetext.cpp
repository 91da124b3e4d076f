#include "sales/ui/tfrmfreetext.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

TFrmFreeText::TFrmFreeText(QWidget *parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Unos teksta"));
  setFixedSize(420, 330);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(8, 8, 404, 250);
  QFont mono(QStringLiteral("Courier New"));
  mono.setStyleHint(QFont::Monospace);
  Memo1->setFont(mono);
  rbNormal = new QRadioButton(QStringLiteral("Normal"), this);
  rbNormal->setObjectName(QStringLiteral("rbNormal"));
  rbNormal->setGeometry(8, 266, 90, 20);
  rbNormal->setChecked(true);
  rbBold = new QRadioButton(QStringLiteral("Bold"), this);
  rbBold->setObjectName(QStringLiteral("rbBold"));
  rbBold->setGeometry(8, 290, 90, 20);
  BtnOK = new QPushButton(QStringLiteral("OK"), this);
  BtnOK->setObjectName(QStringLiteral("BtnOK"));
  BtnOK->setGeometry(220, 280, 90, 30);
  BtnOtkaz = new QPushButton(QStringLiteral("Otkaz"), this);
  BtnOtkaz->setObjectName(QStringLiteral("BtnOtkaz"));
  BtnOtkaz->setGeometry(320, 280, 90, 30);
  connect(BtnOK, &QPushButton::clicked, this, &TFrmFreeText::ok);
  connect(BtnOtkaz, &QPushButton::clicked, this, [this] {
    Memo1->clear();
    reject();
  });
}

void TFrmFreeText::prepare() {
  Memo1->clear();
  rbNormal->setChecked(true);
}

void TFrmFreeText::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Memo1->setFocus();
}

void TFrmFreeText::ok() {
  const QList<FreeTextLine> lines = freeTextLines(Memo1->toPlainText(), rbBold->isChecked());
  Memo1->clear();
  if (print)
    print(lines);
  accept();
}
