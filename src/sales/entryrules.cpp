#include "sales/entryrules.h"

#include "common/localetext.h"
#include "device/deviceprofile.h"
#include "sales/articlelookup.h"

namespace EntryRules {

QString cutFive(const QString &text) {
  if (text.size() == 5 && !text.back().isDigit())
    return text.left(4);
  if (text.size() > 5)
    return text.left(5);
  return text;
}

QString generalText(Quantity q) {
  QString t = q.text();
  while (t.endsWith(QLatin1Char('0')))
    t.chop(1);
  if (t.endsWith(LocaleText::decimalSeparator()))
    t.chop(1);
  return t;
}

std::optional<Money> codeLineAmount(Quantity q, Money p, const DeviceProfile &device, bool zaokruzi) {
  // Whole paras and thousandths; without the switch the product is cut, not rounded,
  // as the device does.
  if (device.hasRoundingSwitch && !zaokruzi)
    return truncatedAmount(q, p);
  return roundedAmount(q, p);
}

std::optional<Found> findArticle(const ArticleLookup &articles, const QString &T, const QString &C,
                                 bool weighed) {
  const qsizetype L = T.size();
  if (L == 6) {
    if (auto a = articles.byBarkod(T))
      return Found{Match::Barcode, *a};
    if (auto a = articles.bySifra(C))
      return Found{Match::Code, *a};
    return std::nullopt;
  }
  if (L >= 8) {
    if (auto a = articles.byBarkod(T))
      return Found{Match::Barcode, *a};
    if (weighed)
      if (auto a = articles.byBarkod(T.left(7) + QStringLiteral("000000")))
        return Found{Match::Weighed, *a};
    return std::nullopt;
  }
  if (auto a = articles.bySifra(C))
    return Found{Match::Code, *a};
  return std::nullopt;
}

} // namespace EntryRules
