#pragma once

#include "data/articlemaintenance.h"
#include "data/ui/maintenancehost.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// "Promena cena": every article the articles window shows gets its price
// lowered or raised by a percentage; all of them or none.
class TFrmCene : public QDialog {
  Q_OBJECT
public:
  TFrmCene(ArticleMaintenance &maintenance, QWidget *parent = nullptr);

  MaintenanceHost host;
  // The rows the articles window shows, and how many.
  void setScope(const ArticleScope &scope, int shown);

  QRadioButton *rbSnizenje = nullptr;  // rg: "Snizenje cena"
  QRadioButton *rbPovecanje = nullptr; // rg: "Povecanje cena"
  QLineEdit *edtProc = nullptr;
  QCheckBox *cbCeoBroj = nullptr;
  QPushButton *btnPromeni = nullptr;
  QLineEdit *edtStatus = nullptr;
  QProgressBar *progress = nullptr;

  void btnPromeniClick();

protected:
  void showEvent(QShowEvent *event) override;

private:
  ArticleMaintenance &m_maintenance;
  ArticleScope m_scope;
};
