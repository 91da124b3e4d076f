#pragma once

#include <QChar>
#include <QDate>
#include <QString>

// The one place that owns number and date texts: money with 2 decimals,
// quantities with 3, the decimal and list separators and the short date.
// Defaults are Serbian Latin (decimal comma, ';', day.month.year).
struct LocaleConventions {
  QChar decimalSeparator = QLatin1Char(',');
  QChar listSeparator = QLatin1Char(';');
  QString shortDateFormat = QStringLiteral("dd.MM.yyyy");

  static LocaleConventions serbianLatin() { return {}; }
  // The conventions of the machine's locale (list separator follows the
  // decimal separator: ';' beside a decimal comma, ',' beside a point).
  static LocaleConventions fromSystem();
  // The till speaks Serbian: a machine left in the C or English locale still shows
  // amounts with a decimal comma; any other locale is followed.
  static LocaleConventions forTill();
};

namespace LocaleText {

const LocaleConventions &conventions();
void setConventions(const LocaleConventions &c);

QChar decimalSeparator();
QChar listSeparator();

QString number(double value, int decimals);
QString money(double value);    // 2 decimals
QString quantity(double value); // 3 decimals

// Reads a number typed in a field: the locale's decimal separator or a point,
// optional sign, blanks around it; no grouping. ok is false for anything else.
double toNumber(const QString &text, bool *ok = nullptr);

QString date(const QDate &d);
QDate toDate(const QString &text);
QString time(const QTime &t); // hh:mm:ss

} // namespace LocaleText
