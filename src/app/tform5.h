#pragma once

#include "engine/userprompt.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Racun": what to do with a receipt left unfinished. Left only by a button.
class TForm5 : public QDialog {
  Q_OBJECT
public:
  explicit TForm5(QWidget *parent = nullptr);

  QPlainTextEdit *Tekst = nullptr;
  QTableWidget *sgRacun = nullptr;
  QPushButton *BitBtn1 = nullptr;
  QPushButton *BitBtn2 = nullptr;
  QPushButton *BitBtn3 = nullptr;
  int izbor = 1; // kept between showings

  int ask(const UserPrompt::UnfinishedReceipt &request);

protected:
  void keyPressEvent(QKeyEvent *event) override;
};
