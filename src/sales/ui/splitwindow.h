#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SplitBill;
struct SplitRow;

// What both split-bill windows show and do: the total of the lines to pay, the four
// payment fields, the entry line with its keys, the status line and the payment
// buttons. A thin window over SplitBill; the two windows add their lists.
class SplitWindow : public QDialog {
  Q_OBJECT
public:
  SplitWindow(SplitBill &bill, const QString &caption, QWidget *parent = nullptr);

  QLabel *lblUkupno = nullptr;
  QLineEdit *edtGotovina = nullptr;
  QLineEdit *edtCek = nullptr;
  QLineEdit *edtKartica = nullptr;
  QLineEdit *edtPovracaj = nullptr;
  QLineEdit *edtUnosRest = nullptr;
  QLineEdit *edtStatusRest = nullptr;
  QPushButton *BitBtn6 = nullptr;    // "ZBIR (ENTER)"
  QPushButton *BitBtn9 = nullptr;    // "GOTOVINA (+)"
  QPushButton *btnCek = nullptr;     // "CEK (F3)"
  QPushButton *BtnKartica = nullptr; // "KARTICA (F4)"
  QPushButton *btnRacun = nullptr;   // "RACUN (F9)"

  // The key handling of the entry line (edtUnosRestKeyDown); public for tests.
  bool handleKey(int key, Qt::KeyboardModifiers modifiers);

protected:
  // A two-column line list: the hidden key (the line's number) and " KOL  ARTIKAL".
  QTableWidget *lineList(const char *name, int x, int y, int w, int h);
  static void fillList(QTableWidget *list, const QList<SplitRow> &rows);
  static QLabel *heading(QWidget *parent, const QString &text, int x, int y, int w);
  // The list's current row, the first when none is.
  static int currentRow(QTableWidget *list);
  void run(void (SplitBill::*op)());
  virtual void refresh();

  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void reject() override;

  SplitBill &m_bill;
};
