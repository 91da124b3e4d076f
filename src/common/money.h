#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <compare>
#include <optional>

// An exact decimal amount held as a whole number of its smallest unit: Money in para
// (2 decimals), Quantity in thousandths (3 decimals). Sums and comparisons are exact
// where doubles drift. A double or a text meets these types only at the edges (the
// database, typed fields, older callers) and is taken the way MyRound takes it: on its
// decimal text, the first dropped decimal deciding, half away from zero.
template <int Decimals> class Fixed {
  static_assert(Decimals == 2 || Decimals == 3);

public:
  static constexpr qint64 kScale = Decimals == 2 ? 100 : 1000;
  // 15 significant digits: every value is exact as a double too, and no product of two
  // values in range overflows the 128-bit intermediate the amount rules use.
  static constexpr qint64 kMaxUnits = 999'999'999'999'999;

  constexpr Fixed() = default;
  // The value rounded as MyRound rounds it; a value that is not finite or out of range
  // gives 0 (fromDouble tells those apart).
  explicit Fixed(double value) : m_units(fromDouble(value).value_or(Fixed()).m_units) {}

  static constexpr Fixed fromUnits(qint64 units) {
    Fixed f;
    f.m_units = units;
    return f;
  }
  static std::optional<Fixed> fromDouble(double value);
  // A typed number: optional sign, digits with the locale's decimal separator or a point,
  // blanks around it; no grouping, no exponent. Nothing for any other text or beyond range.
  static std::optional<Fixed> parse(const QString &text);
  // A column value: a number, or the decimal text some drivers give for NUMERIC; null is 0.
  static Fixed fromDatabase(const QVariant &value);

  constexpr qint64 units() const { return m_units; }
  double toDouble() const { return double(m_units) / double(kScale); }
  // The value bound to a database column (the double nearest the decimal).
  QVariant toDatabase() const { return toDouble(); }
  // In the locale's format with all decimals ("1234,50", "-0,375").
  QString text() const;

  constexpr bool isZero() const { return m_units == 0; }
  constexpr bool isNegative() const { return m_units < 0; }
  constexpr Fixed abs() const { return fromUnits(m_units < 0 ? -m_units : m_units); }

  // Sums saturate at the ends of the 64-bit range instead of wrapping.
  friend Fixed operator+(Fixed a, Fixed b) { return fromUnits(saturated(__int128(a.m_units) + b.m_units)); }
  friend Fixed operator-(Fixed a, Fixed b) { return fromUnits(saturated(__int128(a.m_units) - b.m_units)); }
  friend constexpr Fixed operator-(Fixed a) { return fromUnits(-a.m_units); }
  Fixed &operator+=(Fixed b) { return *this = *this + b; }
  Fixed &operator-=(Fixed b) { return *this = *this - b; }
  friend constexpr auto operator<=>(Fixed, Fixed) = default;
  friend constexpr bool operator==(Fixed, Fixed) = default;

private:
  static qint64 saturated(__int128 v);
  qint64 m_units = 0;
};

using Money = Fixed<2>;
using Quantity = Fixed<3>;

extern template class Fixed<2>;
extern template class Fixed<3>;

// Line amount q × p rounded to the para half away from zero (MyRound with 2 decimals on
// the exact product). Nothing when it is out of range.
std::optional<Money> roundedAmount(Quantity q, Money price);
// Line amount cut to the para towards zero, as a device without the rounding switch
// computes it: trunc(P × Q / 1000) with P in para and Q in thousandths.
std::optional<Money> truncatedAmount(Quantity q, Money price);
// The quantity that amount buys at price, rounded to the thousandth half away from zero
// (MyRound with 3 decimals). Nothing for a price of 0 or out of range.
std::optional<Quantity> quantityFor(Money amount, Money price);

// A gross amount (tax included) split at a tax rate in percent: the base is
// gross × 100 / (100 + rate) rounded once to the para, half away from zero, and the
// tax is what is left, so base + tax is always the gross. The rate is taken to the
// hundredth of a percent. Nothing for a rate of -100 % or less.
struct GrossSplit {
  Money base;
  Money tax;
};
std::optional<GrossSplit> splitGross(Money gross, double ratePercent);
