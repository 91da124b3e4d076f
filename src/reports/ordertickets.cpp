#include "reports/ordertickets.h"

#include "common/localetext.h"
#include "reports/bandedreport.h"
#include "reports/displaymask.h"

namespace OrderTickets {

namespace {

const QString kQuantityMask = QStringLiteral("##,##0.000");
const QString kPriceMask = QStringLiteral("##,##0.00");
constexpr auto R = Qt::AlignRight;

std::shared_ptr<BandedReport> ticket(const QString &title, const QString &waiterLabel,
                                     const QDateTime &printed, QList<ReportColumn> columns) {
  auto r = std::make_shared<BandedReport>();
  r->page = PageFormat::ticket();
  // The paper has no margins of its own; a little air keeps the text off the printer's
  // unprintable edge.
  r->page.marginsMm = QMarginsF(3, 3, 3, 3);
  r->fontPt = 9;
  r->titlePt = 12;
  r->title = title;
  r->titleLines = {{waiterLabel, LocaleText::date(printed.date()) + QLatin1Char(' ') +
                                     printed.time().toString(QStringLiteral("HH:mm:ss"))}};
  r->columns = std::move(columns);
  return r;
}

std::shared_ptr<BandedReport> kitchenOrBar(const QString &title, const QString &waiterLabel,
                                           const QList<TicketLine> &all, const QDateTime &printed) {
  auto r = ticket(title, waiterLabel, printed,
                  {{QStringLiteral("Rbr"), 9, Qt::AlignHCenter},
                   {QStringLiteral("Artikal"), 15},
                   {QString(), 53},
                   {QStringLiteral("Kolicina"), 22, R}});
  auto rows = std::make_shared<QList<TicketLine>>();
  for (const TicketLine &l : all)
    if (!l.kolicina.isZero())
      rows->append(l);
  r->detail = [rows](int i) {
    const TicketLine &l = rows->at(i);
    return QStringList{QString::number(i + 1), l.sifra, l.naziv,
                       DisplayMask::format(kQuantityMask, l.kolicina.toDouble())};
  };
  r->addDetails(int(rows->size()));
  return r;
}

} // namespace

std::shared_ptr<BandedReport> kitchen(const QString &waiterLabel, const QList<TicketLine> &items,
                                      const QDateTime &printed) {
  return kitchenOrBar(QStringLiteral("Narudzbenica za kuhinju"), waiterLabel, items, printed);
}

std::shared_ptr<BandedReport> bar(const QString &waiterLabel, const QList<TicketLine> &items,
                                  const QDateTime &printed) {
  return kitchenOrBar(QStringLiteral("Narudzbenica za bar"), waiterLabel, items, printed);
}

std::shared_ptr<BandedReport> guest(const QString &waiterLabel, const QList<TableLine> &lines,
                                    const QDateTime &printed) {
  auto r = ticket(QStringLiteral("NEFISKALAN ISECAK"), waiterLabel, printed,
                  {{QStringLiteral("Rbr"), 9, Qt::AlignHCenter},
                   {QStringLiteral("Artikal"), 14},
                   {QString(), 36},
                   {QStringLiteral("Kolicina"), 20, R},
                   {QStringLiteral("Cena"), 20, R}});
  const auto rows = std::make_shared<const QList<TableLine>>(lines);
  r->detail = [rows](int i) {
    const TableLine &l = rows->at(i);
    return QStringList{QString::number(i + 1), l.sifra, l.naziv,
                       DisplayMask::format(kQuantityMask, l.kolicina.toDouble()),
                       DisplayMask::format(kPriceMask, l.cena.toDouble())};
  };
  r->addDetails(int(rows->size()));
  Money total;
  for (const TableLine &l : lines)
    total += l.iznos;
  r->summary = {{QString(), QString(), QStringLiteral("Ukupno :"), QString(),
                 DisplayMask::format(kPriceMask, total.toDouble())}};
  return r;
}

} // namespace OrderTickets
