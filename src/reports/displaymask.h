#pragma once

#include <QChar>
#include <QString>

// Numbers written through the report masks ("###,###,###,##0.00", "##,##0.000",
// "##0.00"): a ',' before the point asks for thousands grouping, the '0's before it
// for the least integer digits, the '0's after it for the fixed decimals and the
// '#'s after them for further decimals shown only when not zero. Rounding is half
// away from zero on the decimal text, as everywhere else in the program.
namespace DisplayMask {

inline const QString Money = QStringLiteral("###,###,###,##0.00");          // amounts, prices
inline const QString Quantity = QStringLiteral("###,###,###,##0.000");      // quantities
inline const QString LineQuantity = QStringLiteral("##,##0.000");           // quantity of a sold line
inline const QString StockValue = QStringLiteral("###,###,###,###,##0.00"); // stock list total
inline const QString Percent = QStringLiteral("##0.00");                    // tax rates

// The grouping character that goes with the locale's decimal separator.
QChar groupSeparator();

QString format(const QString &mask, double value);

} // namespace DisplayMask
