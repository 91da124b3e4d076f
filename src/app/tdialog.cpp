#include "app/tdialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TDialog::TDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setModal(true);
  setFixedSize(386, 170);
  Naslov = new QLabel(this);
  Naslov->setObjectName(QStringLiteral("Naslov"));
  Naslov->setGeometry(8, 0, 361, 20);
  Naslov->setAlignment(Qt::AlignCenter);
  Naslov->setStyleSheet(QStringLiteral("color: blue;"));
  tekst = new QPlainTextEdit(this);
  tekst->setObjectName(QStringLiteral("tekst"));
  tekst->setGeometry(8, 22, 361, 90);
  tekst->setReadOnly(true);
  tekst->setFrameShape(QFrame::NoFrame);
  tekst->setFocusPolicy(Qt::NoFocus);

  auto button = [this](const char *name, const QString &caption, int x) {
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 124, 80, 26);
    return b;
  };
  Button1 = button("Button1", QStringLiteral("U redu"), 103);
  Button2 = button("Button2", QStringLiteral("Otkaz"), 198);
  BtnErrOk = button("BtnErrOk", QStringLiteral("Nastavi"), 20);
  BtnErrStop = button("BtnErrStop", QStringLiteral("Zaustavi"), 150);
  BtnRepeat = button("BtnRepeat", QStringLiteral("Ponovi"), 280);
  BtnOK = button("BtnOK", QStringLiteral("OK"), 152);
  BtnErrStop->hide();

  connect(Button1, &QPushButton::clicked, this, [this] {
    odgovor = 1;
    accept();
  });
  connect(Button2, &QPushButton::clicked, this, [this] {
    odgovor = 0;
    reject();
  });
  connect(BtnErrOk, &QPushButton::clicked, this, [this] {
    izborGreske = UserPrompt::Nastavi;
    accept();
  });
  connect(BtnErrStop, &QPushButton::clicked, this, [this] {
    izborGreske = UserPrompt::Zaustavi;
    accept();
  });
  connect(BtnRepeat, &QPushButton::clicked, this, [this] {
    izborGreske = UserPrompt::Ponovi;
    accept();
  });
  connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TDialog::arrange() {
  odgovor = 0;
  if (rezimObavestenja) {
    BtnOK->show();
    for (QPushButton *b : {Button1, Button2, BtnErrOk, BtnErrStop, BtnRepeat})
      b->hide();
    BtnOK->setFocus();
  } else if (rezimGreske) {
    BtnOK->hide();
    Button1->hide();
    Button2->hide();
    BtnErrOk->show();
    BtnRepeat->show();
    if (alwaysOffersZaustavi)
      BtnErrStop->show();
    BtnErrOk->setFocus();
  } else {
    BtnOK->hide();
    Button1->show();
    Button2->show();
    BtnErrOk->hide();
    BtnRepeat->hide();
    if (alwaysOffersZaustavi)
      BtnErrStop->hide();
    Button1->setFocus();
  }
}

int TDialog::exec() {
  arrange();
  return QDialog::exec();
}

void TDialog::keyPressEvent(QKeyEvent *event) {
  // Only the buttons leave the dialog.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

UserPrompt::DeviceErrorAnswer TDialog::ask(const UserPrompt::DeviceError &request) {
  Naslov->setText(request.naslov);
  tekst->setPlainText(request.tekst);
  rezimObavestenja = request.mode == UserPrompt::Mode::Notice;
  rezimGreske = request.mode == UserPrompt::Mode::Error;
  if (request.captions.size() == 3) {
    BtnErrOk->setText(request.captions[0]);
    BtnErrStop->setText(request.captions[1]);
    BtnRepeat->setText(request.captions[2]);
  }
  if (request.mode == UserPrompt::Mode::Error)
    BtnErrStop->setVisible(request.showZaustavi);
  exec();
  return {izborGreske, odgovor == 1};
}
