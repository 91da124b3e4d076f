#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// Tells the user what to check when the program cannot start its work.
class TUputstvo : public QDialog {
  Q_OBJECT
public:
  explicit TUputstvo(QWidget *parent = nullptr);

  QPlainTextEdit *Memo1 = nullptr;
  QPushButton *BitBtn1 = nullptr;
};
