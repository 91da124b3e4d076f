#include "common/rounding.h"

#include <cmath>
#include <cstdlib>
#include <limits>

QString decimalText15(double value) {
  if (!std::isfinite(value) || value == 0.0)
    return value == 0.0 ? QStringLiteral("0") : QString::number(value);
  // Mantissa and exponent of 15 significant digits, then laid out in fixed form.
  const QString e = QString::number(std::fabs(value), 'e', 14); // d.dddddddddddddde+XX
  const qsizetype ePos = e.indexOf(QLatin1Char('e'));
  QString digits = e.left(ePos);
  digits.remove(QLatin1Char('.'));
  const int exponent = e.mid(ePos + 1).toInt();
  QString intPart, frac;
  if (exponent >= 0) {
    if (exponent + 1 >= digits.size()) {
      intPart = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    } else {
      intPart = digits.left(exponent + 1);
      frac = digits.mid(exponent + 1);
    }
  } else {
    intPart = QStringLiteral("0");
    frac = QString(-exponent - 1, QLatin1Char('0')) + digits;
  }
  while (frac.endsWith(QLatin1Char('0')))
    frac.chop(1);
  QString text = (value < 0 ? QStringLiteral("-") : QString()) + intPart;
  if (!frac.isEmpty())
    text += QLatin1Char('.') + frac;
  return text;
}

namespace {

// Adds one unit in the last place to a string of decimal digits.
QString incrementDigits(QString digits) {
  for (qsizetype i = digits.size() - 1; i >= 0; --i) {
    if (digits[i] == QLatin1Char('9')) {
      digits[i] = QLatin1Char('0');
    } else {
      digits[i] = QChar(digits[i].unicode() + 1);
      return digits;
    }
  }
  return QLatin1Char('1') + digits;
}

double roundOnText(int digits, double value, bool roundHalfUp) {
  const int n = std::abs(digits);
  const QString text = decimalText15(value);
  const qsizetype dot = text.indexOf(QLatin1Char('.'));
  if (dot < 0)
    return value;
  const bool negative = text.startsWith(QLatin1Char('-'));
  const QString intPart = text.mid(negative ? 1 : 0, dot - (negative ? 1 : 0));
  QString frac = text.mid(dot + 1);
  if (frac.size() < n + 1)
    frac += QString(n + 1 - frac.size(), QLatin1Char('0'));
  QString whole = intPart + frac.left(n);
  if (roundHalfUp && frac.at(n) >= QLatin1Char('5'))
    whole = incrementDigits(whole);
  QString out = whole;
  if (n > 0)
    out.insert(out.size() - n, QLatin1Char('.'));
  const double result = out.toDouble();
  return negative ? -result : result;
}

} // namespace

double MyRound(int digits, double value) {
  return roundOnText(digits, value, true);
}

double MyTrunc(int digits, double value) {
  return roundOnText(digits, value, false);
}

int wholePartWidth(double value) {
  // Converting a double beyond qint64's range is undefined, so such values stop here.
  if (!std::isfinite(value) || std::fabs(value) >= 9.0e18)
    return std::numeric_limits<int>::max();
  return int(QString::number(qint64(std::trunc(value))).size());
}
