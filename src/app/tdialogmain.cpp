#include "app/tdialogmain.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TDialogMain::TDialogMain(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setModal(true);
  setFixedSize(386, 137);
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(13);
  setFont(f);

  Naslov = new QLabel(this);
  Naslov->setObjectName(QStringLiteral("Naslov"));
  Naslov->setGeometry(8, 0, 361, 20);
  Naslov->setAlignment(Qt::AlignCenter);
  Naslov->setStyleSheet(QStringLiteral("color: blue;"));

  tekst = new QPlainTextEdit(this);
  tekst->setObjectName(QStringLiteral("tekst"));
  tekst->setGeometry(8, 22, 361, 52);
  tekst->setReadOnly(true);
  tekst->setFrameShape(QFrame::NoFrame);
  tekst->setFocusPolicy(Qt::NoFocus);

  Button1 = new QPushButton(QStringLiteral("U redu"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(152, 78, 80, 24);
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Otkaz"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(198, 78, 80, 24);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, [this] {
    potvrda = 1;
    done(QDialog::Accepted);
  });
  connect(Button2, &QPushButton::clicked, this, [this] {
    potvrda = 0;
    done(QDialog::Rejected);
  });
}

void TDialogMain::prepareButtons() {
  potvrda = 0;
  Button2->setVisible(pitanje);
  Button1->move(pitanje ? 103 : 152, 78);
}

int TDialogMain::exec() {
  prepareButtons();
  return QDialog::exec();
}

void TDialogMain::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Button1->setFocus(Qt::OtherFocusReason);
}

void TDialogMain::keyPressEvent(QKeyEvent *event) {
  // Escape must not close the box: only its buttons answer it.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TDialogMain::poruka(const QString &title, const QString &text) {
  Naslov->setText(title);
  tekst->setPlainText(text);
  pitanje = false;
  exec();
}

bool TDialogMain::pitaj(const QString &title, const QString &text) {
  Naslov->setText(title);
  tekst->setPlainText(text);
  pitanje = true;
  exec();
  pitanje = false;
  return potvrda == 1;
}
