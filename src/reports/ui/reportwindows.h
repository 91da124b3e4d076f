#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class BandedReport;
class QLineEdit;
class QWidget;

// What the report windows need from the program around them: its message dialog,
// its beep, the print preview and the clock. Each has a plain default so a window
// also works on its own.
struct ReportWindowHooks {
  std::function<void(const QString &title, const QString &text)> poruka;
  std::function<void()> beep;
  std::function<void(std::shared_ptr<BandedReport>)> showReport;
  std::function<QDateTime()> now;

  // The defaults for the gaps, with parent as the dialogs' owner.
  void fillDefaults(QWidget *parent);
};

// A date field with the reports' mask (day and month of one or two digits, a four-digit year).
QLineEdit *newDateField(QWidget *parent, const char *name);
