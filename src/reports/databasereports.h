#pragma once

#include "data/reportrepository.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class BandedReport;

// The layouts of the database reports: each takes its rows (and the title its caller
// chose) and gives the banded report that the preview, the printer and PDF draw.
// Lines whose quantity comes to zero are left out where the report says so.
namespace DatabaseReports {

// The letter of a tax group on the rate report ("A", "G", "D", "DJ", ...).
QString rateLetter(int stopa);

std::shared_ptr<BandedReport> turnover(const QString &title, const QList<TurnoverLine> &lines); // TqrPromet
std::shared_ptr<BandedReport> salesByArticle(const QString &title,
                                             const QList<ArticleSales> &rows); // TQRPresekStanja
std::shared_ptr<BandedReport> salesByRate(const QString &title,
                                          const QList<RateSales> &rows); // TqrIzvestajStope
std::shared_ptr<BandedReport> cashiers(const QString &title,
                                       const QList<CashierTotals> &rows);              // TqrIzvestajKasiri
std::shared_ptr<BandedReport> book(const QString &title, const QList<BookLine> &rows); // TQRKnjigaKuhinje
std::shared_ptr<BandedReport> salesByGroup(const QString &title,
                                           const QList<GroupSales> &rows); // TQRArtPoGrupama
std::shared_ptr<BandedReport> stockList(const QList<StockLine> &rows, const QDateTime &now); // TQRLagerLista
std::shared_ptr<BandedReport> minimumStock(const QList<StockLine> &rows, const QDateTime &now); // TQRMinLager
std::shared_ptr<BandedReport> bestSellers(const QString &title, const QList<BestSeller> &rows,
                                          const QDate &today); // TqrBestSale

} // namespace DatabaseReports
