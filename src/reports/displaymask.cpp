#include "reports/displaymask.h"

#include "common/localetext.h"
#include "common/rounding.h"

#include <algorithm>

namespace DisplayMask {

QChar groupSeparator() {
  return LocaleText::decimalSeparator() == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
}

QString format(const QString &mask, double value) {
  const qsizetype point = mask.indexOf(QLatin1Char('.'));
  const QString intPart = point < 0 ? mask : mask.left(point);
  const QString fracPart = point < 0 ? QString() : mask.mid(point + 1);
  const bool grouping = intPart.contains(QLatin1Char(','));
  const int minInt = int(intPart.count(QLatin1Char('0')));
  const int minDec = int(fracPart.count(QLatin1Char('0')));
  const int maxDec = minDec + int(fracPart.count(QLatin1Char('#')));

  // The rounded value as plain decimal text with maxDec decimals.
  const QString text = decimalText15(MyRound(maxDec, value));
  const bool negative = text.startsWith(QLatin1Char('-'));
  const QString digits = negative ? text.mid(1) : text;
  const qsizetype dot = digits.indexOf(QLatin1Char('.'));
  QString whole = dot < 0 ? digits : digits.left(dot);
  QString frac = dot < 0 ? QString() : digits.mid(dot + 1);
  frac = frac.leftJustified(maxDec, QLatin1Char('0'), true);
  while (frac.size() > minDec && frac.endsWith(QLatin1Char('0')))
    frac.chop(1);
  if (whole == QLatin1String("0") && minInt == 0)
    whole.clear();
  whole = whole.rightJustified(minInt, QLatin1Char('0'));
  if (grouping) {
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
      whole.insert(at, groupSeparator());
  }
  QString out = whole;
  if (!frac.isEmpty())
    out += LocaleText::decimalSeparator() + frac;
  const bool zero = std::none_of(out.cbegin(), out.cend(),
                                 [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
  return negative && !zero ? QLatin1Char('-') + out : out;
}

} // namespace DisplayMask
