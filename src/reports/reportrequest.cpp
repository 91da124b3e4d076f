#include "reports/reportrequest.h"

#include "common/localetext.h"
#include "reports/bandedreport.h"
#include "reports/databasereports.h"

#include <QIODevice>
#include <QStringBuilder>

namespace ReportKinds {

bool twoDates(int kind) {
  return kind == PeriodicniPoArtiklima || kind == PeriodicniPoStopama || kind == PeriodicniPoOperaterima ||
         kind == PeriodicniPoGrupama || kind == IzvozCsv;
}

QString title(int kind, const QString &od, const QString &datum) {
  switch (kind) {
  case Promet:
    return QStringLiteral("Promet na dan: ") + datum;
  case PresekStanja:
  case DnevniPoStopama:
    return QStringLiteral("Presek stanja na dan: ") + datum;
  case PeriodicniPoArtiklima:
    return QStringLiteral("Periodicni izvestaj po artiklima od: %1 do: %2").arg(od, datum);
  case PeriodicniPoStopama:
    return QStringLiteral("Periodicni izvestaj od: %1 do: %2").arg(od, datum);
  case DnevniPoOperaterima:
    return QStringLiteral("Izvestaj kasira na dan: ") + datum;
  case PeriodicniPoOperaterima:
    return QStringLiteral("Izvestaj kasira od: %1 do: %2").arg(od, datum);
  case KnjigaKuhinje:
    return QStringLiteral("Dnevni obracun prometa kuhinje na dan: ") + datum;
  case KnjigaSanka:
    return QStringLiteral("Dnevni obracun prometa sanka na dan: ") + datum;
  case PeriodicniPoGrupama:
    return QStringLiteral("Prodati artikli po grupama od: %1 do: %2").arg(od, datum);
  default:
    return QString();
  }
}

QChar dateSeparator() {
  for (QChar c : LocaleText::conventions().shortDateFormat)
    if (!c.isLetter())
      return c;
  return QLatin1Char('.');
}

QString typedDate(const QString &text) {
  QString out;
  for (QChar c : text)
    if (!c.isSpace() && c != QLatin1Char('_'))
      out += c;
  return out;
}

bool isBlankDate(const QString &text) {
  return std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

std::optional<QDate> parseDate(const QString &text) {
  const QStringList parts = typedDate(text).split(dateSeparator());
  if (parts.size() != 3)
    return std::nullopt;
  int numbers[3];
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    numbers[i] = parts[i].toInt(&ok);
    const qsizetype len = parts[i].size();
    if (!ok || len < 1 || (i < 2 && len > 2) || (i == 2 && len != 4) ||
        parts[i].startsWith(QLatin1Char('-')) || parts[i].startsWith(QLatin1Char('+')))
      return std::nullopt;
  }
  const QDate d(numbers[2], numbers[1], numbers[0]);
  if (!d.isValid())
    return std::nullopt;
  return d;
}

} // namespace ReportKinds

namespace {
ReportOutcome refusal(const QString &text) {
  return {nullptr, QStringLiteral("Greska"), text};
}
} // namespace

std::optional<DatePeriod> ReportRequest::period(int kind, const QString &odText, const QString &datumText,
                                                ReportOutcome *out) {
  const bool two = ReportKinds::twoDates(kind);
  if (ReportKinds::isBlankDate(datumText) || (two && ReportKinds::isBlankDate(odText))) {
    *out = refusal(kUnesiteDatum);
    return std::nullopt;
  }
  const auto to = ReportKinds::parseDate(datumText);
  const auto from = two ? ReportKinds::parseDate(odText) : to;
  if (!to || !from) {
    *out = refusal(kLosDatum);
    return std::nullopt;
  }
  return DatePeriod{*from, *to};
}

ReportOutcome ReportRequest::run(int kind, const QString &odText, const QString &datumText) {
  using namespace ReportKinds;
  ReportOutcome out;
  const auto p = period(kind, odText, datumText, &out);
  if (!p)
    return out;
  const QString t = title(kind, typedDate(odText), typedDate(datumText));
  // The layout of the kind's rows, or the database's own words when the statement fails.
  auto laidOut = [](const auto &rows, auto layout) -> ReportOutcome {
    if (!rows)
      return refusal(rows.error());
    return {layout(*rows), QString(), QString()};
  };
  switch (kind) {
  case Promet:
    return laidOut(m_repo.turnover(*p), [&](const auto &r) { return DatabaseReports::turnover(t, r); });
  case PresekStanja:
  case PeriodicniPoArtiklima:
    return laidOut(m_repo.salesByArticle(*p),
                   [&](const auto &r) { return DatabaseReports::salesByArticle(t, r); });
  case DnevniPoStopama:
  case PeriodicniPoStopama:
    return laidOut(m_repo.salesByRate(*p), [&](const auto &r) { return DatabaseReports::salesByRate(t, r); });
  case DnevniPoOperaterima:
  case PeriodicniPoOperaterima: {
    const auto rows = m_repo.cashiers(*p);
    if (rows && rows->isEmpty())
      return refusal(kNemaPodataka);
    return laidOut(rows, [&](const auto &r) { return DatabaseReports::cashiers(t, r); });
  }
  case KnjigaKuhinje:
  case KnjigaSanka: {
    const auto which = kind == KnjigaKuhinje ? ReportRepository::Book::Kitchen : ReportRepository::Book::Bar;
    return laidOut(m_repo.book(p->to, which), [&](const auto &r) { return DatabaseReports::book(t, r); });
  }
  case PeriodicniPoGrupama:
    return laidOut(m_repo.salesByGroup(*p),
                   [&](const auto &r) { return DatabaseReports::salesByGroup(t, r); });
  default:
    return refusal(kLosDatum);
  }
}

ReportOutcome ReportRequest::stock(bool atOrBelowMinimum, const QDateTime &now) {
  const auto rows = m_repo.stock(atOrBelowMinimum);
  if (!rows)
    return refusal(rows.error());
  return {atOrBelowMinimum ? DatabaseReports::minimumStock(*rows, now)
                           : DatabaseReports::stockList(*rows, now),
          QString(), QString()};
}

ReportOutcome ReportRequest::bestSellers(const QString &countText, const QString &odText,
                                         const QString &doText, ReportRepository::BestBy by,
                                         const QDate &today) {
  // An empty count used to reach the database as "TOP " and come back as a date error.
  const QString count = countText.trimmed();
  bool whole = !count.isEmpty() && count.size() <= 9;
  for (QChar c : count)
    whole = whole && c >= QLatin1Char('0') && c <= QLatin1Char('9');
  if (!whole)
    return refusal(kNijeCeoBroj);
  std::optional<DatePeriod> p;
  const bool blankFrom = ReportKinds::isBlankDate(odText), blankTo = ReportKinds::isBlankDate(doText);
  if (blankFrom != blankTo)
    return refusal(kUnesiteDatum);
  if (!blankFrom) {
    const auto from = ReportKinds::parseDate(odText), to = ReportKinds::parseDate(doText);
    if (!from || !to)
      return refusal(kLosDatum);
    p = DatePeriod{*from, *to};
  }
  const int n = count.toInt();
  const auto rows = m_repo.bestSellers(n, p, by);
  if (!rows)
    return refusal(rows.error());
  return {DatabaseReports::bestSellers(QStringLiteral("Pregled %1 najprodavanijih artikala").arg(n), *rows,
                                       today),
          QString(), QString()};
}

std::optional<DatePeriod> ReportRequest::csvPeriod(const QString &odText, const QString &datumText,
                                                   ReportOutcome *out) {
  return period(ReportKinds::IzvozCsv, odText, datumText, out);
}

namespace {
// A number as its plain display text: no grouping, no trailing zeros ("12,5", "-2", "0,375").
QString number(double v, int decimals) {
  QString t = QString::number(v, 'f', decimals);
  if (t.contains(QLatin1Char('.'))) {
    while (t.endsWith(QLatin1Char('0')))
      t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
      t.chop(1);
  }
  if (t == QLatin1String("-0"))
    t = QStringLiteral("0");
  t.replace(QLatin1Char('.'), LocaleText::decimalSeparator());
  return t;
}
QString quoted(const QString &text) {
  QString t = text.trimmed();
  t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + t + QLatin1Char('"');
}
} // namespace

QString turnoverCsvLine(const TurnoverLine &l) {
  return turnoverCsvLine(l, quoted(LocaleText::date(l.datum)));
}

QString turnoverCsvLine(const TurnoverLine &l, const QString &quotedDate) {
  const QChar sep = LocaleText::listSeparator();
  const QString doc = l.brojDok ? *l.brojDok : QString::number(l.brrac);
  return QString::number(l.rbr) % sep % doc % sep % quotedDate % sep % quoted(l.sifra) % sep %
         quoted(l.naziv) % sep % quoted(l.barkod) % sep % number(l.cena, 2) % sep % QString::number(l.stopa) %
         sep % QString::number(l.storno) % sep % number(l.iznos, 2) % sep % number(l.prodato, 3);
}

DbResult<int> ReportRequest::writeCsv(const DatePeriod &p, QIODevice &out) {
  QByteArray chunk;
  QDate lastDate;
  QString lastDateText;
  bool written = true;
  auto flush = [&] {
    written = written && out.write(chunk) == chunk.size();
    chunk.clear();
  };
  auto n = m_repo.forEachTurnoverLine(p, [&](const TurnoverLine &l) {
    if (l.datum != lastDate || lastDateText.isEmpty()) {
      lastDate = l.datum;
      lastDateText = quoted(LocaleText::date(l.datum));
    }
    chunk += turnoverCsvLine(l, lastDateText).toUtf8();
    chunk += "\r\n";
    if (chunk.size() > (1 << 16))
      flush();
    return written;
  });
  flush();
  if (n && !written)
    return DbError{out.errorString()};
  return n;
}
