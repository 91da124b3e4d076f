#include "common/localetext.h"

#include "common/rounding.h"

#include <QLocale>
#include <cmath>

LocaleConventions LocaleConventions::fromSystem() {
  const QLocale sys = QLocale::system();
  LocaleConventions c;
  c.decimalSeparator = sys.decimalPoint().isEmpty() ? QLatin1Char(',') : sys.decimalPoint().at(0);
  c.listSeparator = c.decimalSeparator == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
  c.shortDateFormat = sys.dateFormat(QLocale::ShortFormat);
  return c;
}

LocaleConventions LocaleConventions::forTill() {
  const QLocale::Language lang = QLocale::system().language();
  return lang == QLocale::C || lang == QLocale::English ? serbianLatin() : fromSystem();
}

namespace LocaleText {
namespace {
LocaleConventions &current() {
  static LocaleConventions c;
  return c;
}
} // namespace

const LocaleConventions &conventions() {
  return current();
}
void setConventions(const LocaleConventions &c) {
  current() = c;
}

QChar decimalSeparator() {
  return current().decimalSeparator;
}
QChar listSeparator() {
  return current().listSeparator;
}

QString number(double value, int decimals) {
  double v = MyRound(decimals, value);
  if (v == 0.0)
    v = 0.0; // no "-0,00"
  QString t = QString::number(v, 'f', decimals);
  if (decimals > 0)
    t.replace(QLatin1Char('.'), current().decimalSeparator);
  return t;
}

QString money(double value) {
  return number(value, 2);
}
QString quantity(double value) {
  return number(value, 3);
}

double toNumber(const QString &text, bool *ok) {
  QString t = text.trimmed();
  t.replace(current().decimalSeparator, QLatin1Char('.'));
  bool valid = !t.isEmpty();
  int points = 0;
  for (qsizetype i = 0; i < t.size() && valid; ++i) {
    const QChar c = t[i];
    if (c == QLatin1Char('.'))
      valid = ++points == 1;
    else if (c == QLatin1Char('-') || c == QLatin1Char('+'))
      valid = i == 0 && t.size() > 1;
    else
      valid = c.isDigit() && c.unicode() < 128;
  }
  double v = valid ? t.toDouble(&valid) : 0.0;
  if (valid && !std::isfinite(v))
    valid = false;
  if (ok)
    *ok = valid;
  return valid ? v : 0.0;
}

QString date(const QDate &d) {
  return d.toString(current().shortDateFormat);
}

QDate toDate(const QString &text) {
  const QString t = text.trimmed();
  QDate d = QDate::fromString(t, current().shortDateFormat);
  if (!d.isValid()) // day and month typed without leading zeros
    d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
  return d;
}

QString time(const QTime &t) {
  return t.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace LocaleText
