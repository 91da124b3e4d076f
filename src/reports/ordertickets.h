#pragma once

#include "data/tablerepository.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class BandedReport;

// The order tickets of a round on their 105 x 99 mm paper: title, waiter and the time
// of printing, then the lines.
namespace OrderTickets {

// TqrKuhinja and TqrBar: the round's articles of their kind; an article ordered and
// voided in the same round (its quantities summing to 0) is not printed.
std::shared_ptr<BandedReport> kitchen(const QString &waiterLabel, const QList<TicketLine> &items,
                                      const QDateTime &printed);
std::shared_ptr<BandedReport> bar(const QString &waiterLabel, const QList<TicketLine> &items,
                                  const QDateTime &printed);
// TqrGost: every line of the round, voids included, with prices and the total.
std::shared_ptr<BandedReport> guest(const QString &waiterLabel, const QList<TableLine> &lines,
                                    const QDateTime &printed);

} // namespace OrderTickets
