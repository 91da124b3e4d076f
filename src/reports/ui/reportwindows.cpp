#include "reports/ui/reportwindows.h"

#include "common/localetext.h"
#include "reports/bandedreport.h"
#include "reports/ui/reportpreview.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

void ReportWindowHooks::fillDefaults(QWidget *parent) {
  if (!poruka)
    poruka = [parent](const QString &title, const QString &text) {
      QMessageBox::information(parent, title, text);
    };
  if (!beep)
    beep = [] { QApplication::beep(); };
  if (!showReport)
    showReport = [parent](std::shared_ptr<BandedReport> report) {
      ReportPreview preview(std::move(report), parent);
      preview.exec();
    };
  if (!now)
    now = [] { return QDateTime::currentDateTime(); };
}

QLineEdit *newDateField(QWidget *parent, const char *name) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  QChar separator = QLatin1Char('.');
  for (QChar c : LocaleText::conventions().shortDateFormat)
    if (!c.isLetter()) {
      separator = c;
      break;
    }
  // Day and month: an optional digit and a required one; the year: four required digits.
  edit->setInputMask(QStringLiteral("09") + separator + QStringLiteral("09") + separator +
                     QStringLiteral("9999;_"));
  return edit;
}
