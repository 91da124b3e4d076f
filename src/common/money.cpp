#include "common/money.h"

#include "common/localetext.h"
#include "common/rounding.h"

#include <cmath>
#include <limits>

namespace {

// Reads [sign] digits [separator digits] into units of 10^-decimals, the first dropped
// decimal rounding half away from zero. Digits past what the range can hold fail.
std::optional<qint64> readDecimal(const QString &text, int decimals, QChar separator, qint64 maxUnits) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
    negative = t[i++] == QLatin1Char('-');
  __int128 units = 0;
  int digits = 0;    // significant digits taken so far
  int fraction = -1; // decimals read; -1 before the separator
  bool anyDigit = false;
  bool roundUp = false;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c == separator || c == QLatin1Char('.')) {
      if (fraction >= 0)
        return std::nullopt;
      fraction = 0;
      continue;
    }
    if (c.unicode() < '0' || c.unicode() > '9')
      return std::nullopt;
    anyDigit = true;
    const int d = c.unicode() - '0';
    if (fraction >= decimals) {
      if (fraction == decimals)
        roundUp = d >= 5; // only the first dropped decimal counts
      ++fraction;
      continue;
    }
    if (fraction >= 0)
      ++fraction;
    if (units != 0 || d != 0)
      ++digits;
    if (digits > 18)
      return std::nullopt;
    units = units * 10 + d;
  }
  if (!anyDigit)
    return std::nullopt;
  for (int f = fraction < 0 ? 0 : fraction; f < decimals; ++f)
    units *= 10;
  if (roundUp)
    units += 1;
  if (units > maxUnits)
    return std::nullopt;
  return qint64(negative ? -units : units);
}

// Rounds n / d to the nearest whole number, halves away from zero.
__int128 roundedQuotient(__int128 n, __int128 d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  const __int128 q = n / d;
  const __int128 r = n % d; // same sign as n
  if (2 * (r < 0 ? -r : r) >= d)
    return n < 0 ? q - 1 : q + 1;
  return q;
}

template <int Decimals> std::optional<Fixed<Decimals>> inRange(__int128 units) {
  if (units > Fixed<Decimals>::kMaxUnits || units < -Fixed<Decimals>::kMaxUnits)
    return std::nullopt;
  return Fixed<Decimals>::fromUnits(qint64(units));
}

} // namespace

template <int Decimals> qint64 Fixed<Decimals>::saturated(__int128 v) {
  if (v > std::numeric_limits<qint64>::max())
    return std::numeric_limits<qint64>::max();
  if (v < std::numeric_limits<qint64>::min())
    return std::numeric_limits<qint64>::min();
  return qint64(v);
}

template <int Decimals> std::optional<Fixed<Decimals>> Fixed<Decimals>::fromDouble(double value) {
  if (!std::isfinite(value))
    return std::nullopt;
  // The 15-digit text is what MyRound rounds, so 2.675 gives 268 para.
  const auto units = readDecimal(decimalText15(value), Decimals, QLatin1Char('.'), kMaxUnits);
  if (!units)
    return std::nullopt;
  return fromUnits(*units);
}

template <int Decimals> std::optional<Fixed<Decimals>> Fixed<Decimals>::parse(const QString &text) {
  const auto units = readDecimal(text, Decimals, LocaleText::decimalSeparator(), kMaxUnits);
  if (!units)
    return std::nullopt;
  return fromUnits(*units);
}

template <int Decimals> Fixed<Decimals> Fixed<Decimals>::fromDatabase(const QVariant &value) {
  if (value.isNull())
    return {};
  if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
    if (const auto units = readDecimal(value.toString(), Decimals, QLatin1Char('.'), kMaxUnits))
      return fromUnits(*units);
  }
  return Fixed(value.toDouble());
}

template <int Decimals> QString Fixed<Decimals>::text() const {
  const quint64 magnitude = m_units < 0 ? 0 - quint64(m_units) : quint64(m_units);
  QString out = QString::number(magnitude / kScale);
  out += LocaleText::decimalSeparator();
  out += QString::number(magnitude % kScale).rightJustified(Decimals, QLatin1Char('0'));
  return m_units < 0 ? QLatin1Char('-') + out : out;
}

template class Fixed<2>;
template class Fixed<3>;

std::optional<Money> roundedAmount(Quantity q, Money price) {
  // para × thousandths is in 1/100000 of a unit: back to para with the half rounded away.
  return inRange<2>(roundedQuotient(__int128(q.units()) * price.units(), Quantity::kScale));
}

std::optional<Money> truncatedAmount(Quantity q, Money price) {
  return inRange<2>(__int128(q.units()) * price.units() / Quantity::kScale); // '/' cuts towards zero
}

std::optional<Quantity> quantityFor(Money amount, Money price) {
  if (price.isZero())
    return std::nullopt;
  return inRange<3>(roundedQuotient(__int128(amount.units()) * Quantity::kScale, price.units()));
}

std::optional<GrossSplit> splitGross(Money gross, double ratePercent) {
  const auto rate = Fixed<2>::fromDouble(ratePercent); // hundredths of a percent
  if (!rate || rate->units() <= -100 * Money::kScale)
    return std::nullopt;
  const __int128 hundred = 100 * Money::kScale;
  const auto base = inRange<2>(roundedQuotient(__int128(gross.units()) * hundred, hundred + rate->units()));
  if (!base)
    return std::nullopt;
  return GrossSplit{*base, gross - *base};
}
