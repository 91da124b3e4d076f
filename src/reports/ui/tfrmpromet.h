#pragma once

#include "reports/ui/reportwindows.h"

#include <QDialog>

#include <functional>

class Database;
class QLabel;
class QLineEdit;
class QPushButton;

// The turnover window: asks for the date or the period of a dated database report
// (kinds 1 to 10 of the reports menu, 11 the turnover CSV) and runs it.
class TfrmPromet : public QDialog {
  Q_OBJECT
public:
  explicit TfrmPromet(QWidget *parent = nullptr);

  QLabel *Label1 = nullptr; // "Datum"
  QLineEdit *edtDatumOD = nullptr;
  QLineEdit *edtDatumPrometa = nullptr;
  QPushButton *BtnStampajPromet = nullptr; // "&Stampaj"

  void setDatabase(Database *db) { m_db = db; }
  ReportWindowHooks hooks;
  // Where kind 11 writes ("Promet.CSV" proposed); empty: cancelled.
  std::function<QString()> askCsvPath;

  // The reports menu's part before showing: the kind, and the fields it asks for.
  void prepare(int vrstaIzvestaja);
  int vrstaIzvestaja() const { return m_kind; }

  void BtnStampajPrometClick();

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void exportCsv();

  Database *m_db = nullptr;
  int m_kind = 1;
};
