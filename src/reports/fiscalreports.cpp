#include "reports/fiscalreports.h"

namespace FiscalReports {

namespace {
Check refused(const QString &text) {
  return {std::nullopt, QStringLiteral("Greska"), text};
}

struct Range {
  int limit;
  const char *missing;
};

Range rangeOf(int type) {
  switch (type) {
  case PoArtiklima:
    return {60000, "Morate uneti pocetni i krajnji broj artikla!"};
  case PoOdeljenjima:
    return {16, "Morate uneti pocetni i krajnji broj odeljenja!"};
  default:
    return {64, "Morate uneti pocetni i krajnji broj kasira!"};
  }
}
} // namespace

Check check(int type, const QString &od, const QString &doText) {
  if (type == Dnevni || type == PresekStanja)
    return {Order{type, QStringLiteral("0"), QStringLiteral("0")}, {}, {}};
  if (type == Periodicni) {
    if (od.trimmed().isEmpty() || doText.trimmed().isEmpty())
      return refused(QStringLiteral("Morate uneti pocetni i krajnji datum!"));
    // The device command reads the dates and refuses text that is none.
    return {Order{type, od, doText}, {}, {}};
  }
  const Range range = rangeOf(type);
  if (od.trimmed().isEmpty() || doText.trimmed().isEmpty())
    return refused(QString::fromLatin1(range.missing));
  bool okFrom = false, okTo = false;
  const qlonglong from = od.trimmed().toLongLong(&okFrom);
  const qlonglong to = doText.trimmed().toLongLong(&okTo);
  if (!okFrom || !okTo)
    return refused(QStringLiteral("Losa vrednost ulaznog parametra!"));
  if (from < 1 || from > range.limit || to < 1 || to > range.limit)
    return refused(QStringLiteral("Vrednost parametra mora biti izmedju 1 i %1!").arg(range.limit));
  return {Order{type, QString::number(from), QString::number(to)}, {}, {}};
}

} // namespace FiscalReports
