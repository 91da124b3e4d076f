#pragma once

#include <QDialog>

class FreeTablePicker;
class QLineEdit;
class QStandardItemModel;
class QTableView;

// "Slobodni stolovi": the free tables; the waiter types a number and presses Enter, or
// picks a row with Enter or a double click. The choice is the picker's izabraniSto.
class TfrmOtvSto : public QDialog {
  Q_OBJECT
public:
  explicit TfrmOtvSto(FreeTablePicker &picker, QWidget *parent = nullptr);

  QLineEdit *Edit1 = nullptr;    // "BROJ STOLA"
  QTableView *DBGrid1 = nullptr; // BR.STOLA, SIFKONOB (hidden), NAZIV

  // Another till opened or freed tables: while the window shows, the list is read again;
  // the number typed stays, and so does the row under the cursor while its table is free.
  void tablesChanged();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void chooseRow(int row);
  void refresh();

  FreeTablePicker &m_picker;
  QStandardItemModel *m_model = nullptr;
};
