#pragma once

#include "sales/freetext.h"

#include <QDialog>

#include <functional>

class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "Unos teksta": free text printed on the fiscal device (model 4).
class TFrmFreeText : public QDialog {
  Q_OBJECT
public:
  explicit TFrmFreeText(QWidget *parent = nullptr);

  QPlainTextEdit *Memo1 = nullptr;
  QRadioButton *rbNormal = nullptr;
  QRadioButton *rbBold = nullptr;
  QPushButton *BtnOK = nullptr;
  QPushButton *BtnOtkaz = nullptr;

  // Hands the lines to the engine, which starts printing them.
  std::function<void(const QList<FreeTextLine> &)> print;

  // The sale screens empty the memo and pick "Normal" before showing it.
  void prepare();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void ok();
};
