#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The report of an import of the older program's data: per table the rows read, taken
// and refused with their reasons. Read-only; "U redu" or Esc closes it.
class ImportReportDialog : public QDialog {
  Q_OBJECT
public:
  explicit ImportReportDialog(QWidget *parent = nullptr);

  void setReport(bool ok, const QString &text);

  QPlainTextEdit *tekst = nullptr;
  QPushButton *BtnOk = nullptr;
};
