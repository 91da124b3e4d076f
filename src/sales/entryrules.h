#pragma once

#include "common/money.h"
#include "data/articlerepository.h"

#include <QString>

#include <optional>

class ArticleLookup;
struct DeviceProfile;

// What the entry lines of the retail screen and the order window share: how a typed
// text finds its article, how a typed quantity is cut, and how a line amount is taken.
namespace EntryRules {

// Five-character cut of quantities: exactly 5 characters ending in a non-digit keep 4,
// more than 5 keep 5.
QString cutFive(const QString &text);
// A quantity's text for the cut: no trailing zeros, locale separator ("12,345", "3,33", "2").
QString generalText(Quantity q);
// Line amount of a code line: rounded, or cut to whole para as the device computes it
// (a model with the rounding switch, the switch off). Nothing when out of range.
std::optional<Money> codeLineAmount(Quantity q, Money p, const DeviceProfile &device, bool zaokruzi);

enum class Match { Code, Barcode, Weighed };
struct Found {
  Match match;
  Artikal artikal;
};
// The article an entry names. T is the text typed, C the code it stands for (T itself
// for a short entry, the code of a chosen line when voiding). Six characters are a
// barcode first and a code after; eight or more a barcode only (then, where weighed is
// set, a weighed article's barcode: its first 7 digits and six zeros); shorter ones a code.
std::optional<Found> findArticle(const ArticleLookup &articles, const QString &T, const QString &C,
                                 bool weighed);

} // namespace EntryRules
