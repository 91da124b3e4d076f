#pragma once

#include "data/dbresult.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Database;

// Amounts and quantities of report rows. One place to change when the exact money
// and quantity types take over.
using ReportMoney = double;
using ReportQuantity = double;

// The dates of a report; a one-day report has from == to.
struct DatePeriod {
  QDate from;
  QDate to;
  static DatePeriod day(const QDate &d) { return {d, d}; }
};

// A PRODATO row with its receipt's document number (turnover report and CSV).
struct TurnoverLine {
  int rbr = 0;
  int brrac = 0;
  int godina = 0;
  std::optional<QString> brojDok; // trimmed RACUNI.BROJ_DOK; none when the receipt has no header
  QDate datum;
  QString sifra, barkod, naziv;
  ReportMoney cena = 0;
  int stopa = 0;
  int storno = 0;
  ReportQuantity prodato = 0;
  ReportMoney iznos = 0;
};

// Sales of one article at one price and rate over the period.
struct ArticleSales {
  QString sifra, naziv;
  int stopa = 0;
  ReportMoney cena = 0;
  ReportQuantity kolicina = 0;
  ReportMoney iznos = 0;
};

// Sales of one tax group; rate is the PORSTOPE percentage (none when the group has no rate).
struct RateSales {
  int stopa = 0;
  std::optional<double> rate;
  ReportMoney iznos = 0;
};

// One operator's block of the cashier report; an empty sum is 0.
struct CashierTotals {
  int sifoper = 0;
  QString naziv; // KONOBARI.NAZIV of the waiter with RBR = sifoper; empty when none
  ReportMoney storno = 0;
  ReportMoney gotovina = 0;
  ReportMoney cek = 0;
  ReportMoney kartica = 0;
};

// What the kitchen or the bar turned out of one article on a day.
struct BookLine {
  QString sifra;
  QString naziv, jm; // empty when the article is not found
  ReportMoney cena = 0;
  ReportQuantity lager = 0;
  ReportQuantity ukupno = 0; // sold directly plus consumed through recipes, three decimals
};

// Sales of one article of a group over the period.
struct GroupSales {
  QString sifgrupa;
  QString grupa; // GRUPA.NAZIV; empty when the group is not found
  QString sifra, naziv, jm;
  int stopa = 0;
  std::optional<double> rate;
  ReportQuantity kol = 0;
  ReportMoney suma = 0;
};

struct StockLine {
  QString sifra, barkod, naziv, jm;
  ReportMoney cena = 0;
  ReportQuantity lager = 0;
  ReportQuantity minlag = 0; // 0 when not given
};

struct BestSeller {
  QString sifra, naziv;
  ReportQuantity kolicina = 0;
  ReportMoney iznos = 0;
};

// The statements of the database reports. Dates and every other value are bound
// parameters; each report is one statement (document numbers, names, rates and the
// recipe expansion are joins, not one look-up per line), so two tills printing at
// once never share a work table.
class ReportRepository {
public:
  explicit ReportRepository(Database &db) : m_db(db) {}

  enum class Book { Kitchen, Bar }; // articles of VRSTA "J" or "P"
  enum class BestBy { Quantity, Amount };

  // Sold lines of the period in the order they were sold.
  DbResult<QList<TurnoverLine>> turnover(const DatePeriod &period);
  // The same, one line at a time (a year's export); stops early when line answers false.
  DbResult<int> forEachTurnoverLine(const DatePeriod &period,
                                    const std::function<bool(const TurnoverLine &)> &line);
  DbResult<QList<ArticleSales>> salesByArticle(const DatePeriod &period);
  DbResult<QList<RateSales>> salesByRate(const DatePeriod &period);
  // One entry per operator of the period's receipts.
  DbResult<QList<CashierTotals>> cashiers(const DatePeriod &period);
  DbResult<QList<BookLine>> book(const QDate &day, Book which);
  // Ordered by group code, then article code.
  DbResult<QList<GroupSales>> salesByGroup(const DatePeriod &period);
  // Every article, or those whose stock is at or below their minimum.
  DbResult<QList<StockLine>> stock(bool atOrBelowMinimum);
  // The count best-selling articles, over the period or over all sales.
  DbResult<QList<BestSeller>> bestSellers(int count, const std::optional<DatePeriod> &period, BestBy by);

private:
  Database &m_db;
};
