#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TableMerge;

// "Spajanje stolova": a thin window over TableMerge. Enter in a table field or a code
// field moves on to the next field; Enter in the receiving table's field or in the second
// code merges, as "SPOJI STOLOVE" does. The window closes once the tables are merged.
class TfrmSpajanje : public QDialog {
  Q_OBJECT
public:
  explicit TfrmSpajanje(TableMerge &merge, QWidget *parent = nullptr);

  QLineEdit *edtSto1 = nullptr;   // "NARUDZBINE SA STOLA"
  QLineEdit *edtSto2 = nullptr;   // "PREBACI NA STO"
  QLineEdit *meKon1 = nullptr;    // "KONOBAR 1", shown as "*"
  QLineEdit *meKon2 = nullptr;    // "KONOBAR 2"
  QPushButton *BitBtn1 = nullptr; // "SPOJI STOLOVE"

  void BitBtn1Click();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  TableMerge &m_merge;
};
