#include "app/tform5.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

TForm5::TForm5(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Racun"));
  setFixedSize(600, 450);
  Tekst = new QPlainTextEdit(this);
  Tekst->setObjectName(QStringLiteral("Tekst"));
  Tekst->setGeometry(8, 8, 584, 56);
  Tekst->setReadOnly(true);
  Tekst->setFocusPolicy(Qt::NoFocus);
  Tekst->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
  sgRacun = new QTableWidget(0, 4, this);
  sgRacun->setObjectName(QStringLiteral("sgRacun"));
  sgRacun->setGeometry(8, 70, 584, 320);
  sgRacun->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgRacun->verticalHeader()->hide();
  QFont mono(QStringLiteral("Courier New"));
  mono.setStyleHint(QFont::Monospace);
  sgRacun->setFont(mono);
  BitBtn1 = new QPushButton(this);
  BitBtn2 = new QPushButton(this);
  BitBtn3 = new QPushButton(this);
  int x = 40;
  int n = 1;
  for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3}) {
    b->setObjectName(QStringLiteral("BitBtn%1").arg(n));
    b->setGeometry(x, 404, 160, 32);
    const int choice = n;
    connect(b, &QPushButton::clicked, this, [this, choice] {
      izbor = choice;
      accept();
    });
    x += 180;
    ++n;
  }
}

void TForm5::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

int TForm5::ask(const UserPrompt::UnfinishedReceipt &request) {
  Tekst->setPlainText(request.tekst);
  sgRacun->setHorizontalHeaderLabels({QStringLiteral("SIFRA"), QStringLiteral(" ARTIKAL"),
                                      QStringLiteral("  KOLICINA"), QStringLiteral("      CENA")});
  sgRacun->setRowCount(int(request.rows.size()));
  for (int r = 0; r < request.rows.size(); ++r) {
    for (int c = 0; c < 4; ++c)
      sgRacun->setItem(r, c, new QTableWidgetItem(request.rows[r].value(c)));
  }
  QPushButton *buttons[] = {BitBtn1, BitBtn2, BitBtn3};
  for (int i = 0; i < 3; ++i) {
    buttons[i]->setVisible(i < request.buttons.size());
    buttons[i]->setText(request.buttons.value(i));
  }
  BitBtn1->setFocus();
  exec();
  return izbor;
}
