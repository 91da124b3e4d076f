#pragma once

#include "reports/ui/reportwindows.h"

#include <QDialog>

class Database;
class QComboBox;
class QLineEdit;
class QPushButton;

// The best-seller window "Najprodavaniji artikli": how many articles, over which
// period (or all sales), by quantity or by amount.
class TForm6 : public QDialog {
  Q_OBJECT
public:
  explicit TForm6(QWidget *parent = nullptr);

  QLineEdit *Edit1 = nullptr; // the count
  QLineEdit *edtDatumOD = nullptr;
  QLineEdit *edtDatumPrometa = nullptr;
  QComboBox *ComboBox1 = nullptr;    // "Po kolicini", "Po iznosu"
  QPushButton *BtnStampaj = nullptr; // "&Stampaj"

  void setDatabase(Database *db) { m_db = db; }
  ReportWindowHooks hooks;

  // The reports menu's preparation: count "10", no dates, "Po kolicini".
  void prepare();
  void BtnStampajClick();

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  Database *m_db = nullptr;
};
