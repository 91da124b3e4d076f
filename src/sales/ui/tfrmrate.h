#pragma once

#include <QDialog>

class Invoices;
class QTableView;

// "Dospece": the instalments (RATE rows) of the receipt selected in the invoices
// window. Insert, or the down arrow on the last row, starts a new instalment;
// leaving the row or the window saves it.
class TfrmRate : public QDialog {
  Q_OBJECT
public:
  explicit TfrmRate(Invoices &invoices, QWidget *parent = nullptr);

  QTableView *DBGrid1 = nullptr;

  // Starts a new instalment row; false when the receipt takes none.
  bool insertRow();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void done(int result) override;

private:
  bool leaveRow(int row);

  Invoices &m_invoices;
  bool m_moving = false;
};
