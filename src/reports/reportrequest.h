#pragma once

#include "data/reportrepository.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

class BandedReport;
class Database;
class QIODevice;

// The dated database reports of the reports menu (vrstaIzvestaja), run by the turnover
// window: each kind's dates, title, statement and layout.
namespace ReportKinds {

constexpr int Promet = 1, PresekStanja = 2, PeriodicniPoArtiklima = 3, DnevniPoStopama = 4,
              PeriodicniPoStopama = 5, DnevniPoOperaterima = 6, PeriodicniPoOperaterima = 7,
              KnjigaKuhinje = 8, KnjigaSanka = 9, PeriodicniPoGrupama = 10, IzvozCsv = 11;

// Kinds 3, 5, 7, 10 and 11 ask for "from" and "to"; the others for one date.
bool twoDates(int kind);
// The report's title with the dates as typed; empty for kind 11.
QString title(int kind, const QString &od, const QString &datum);

// The separator between day, month and year in a typed date ('.' for dd.MM.yyyy).
QChar dateSeparator();
// A date field's text (mask "!90/90/0000": one- or two-digit day and month, four-digit
// year, separated by the locale's date separator; blanks where nothing was typed).
bool isBlankDate(const QString &text);
// The date typed, or none when it is no date (31.02.2008, letters, a missing year).
std::optional<QDate> parseDate(const QString &text);
// The typed text without the mask's blanks ("5. 3.2008" -> "5.3.2008").
QString typedDate(const QString &text);

} // namespace ReportKinds

// What "&Stampaj" of the turnover window comes to: a report to preview, or a message.
struct ReportOutcome {
  std::shared_ptr<BandedReport> report;
  QString title; // message title ("Greska")
  QString text;  // message text; empty when there is a report
};

inline const QString kLosDatum = QStringLiteral("Losa vrednost ili los format datuma!");
inline const QString kUnesiteDatum = QStringLiteral("Morate uneti datum!");
inline const QString kNijeCeoBroj = QStringLiteral("Broj najprodavanijih artikala mora da bude ceo broj!");
inline const QString kNemaPodataka = QStringLiteral("Nije pronadjen nijedan podatak za ovaj datum!");

// The turnover window's work, without the window: checks the typed dates, runs the
// kind's statement and lays out its report. A date that is not a date gives the old
// message; a database that fails gives its own error, not a date message.
class ReportRequest {
public:
  explicit ReportRequest(Database &db) : m_repo(db) {}

  // Kinds 1 to 10.
  ReportOutcome run(int kind, const QString &odText, const QString &datumText);

  // The stock list, or the articles at or below their minimum stock.
  ReportOutcome stock(bool atOrBelowMinimum, const QDateTime &now);
  // The best-seller window's "&Stampaj": the count typed, both dates or neither.
  ReportOutcome bestSellers(const QString &countText, const QString &odText, const QString &doText,
                            ReportRepository::BestBy by, const QDate &today);

  // Kind 11 before the file is chosen: the period, or the message when a date is missing or wrong.
  std::optional<DatePeriod> csvPeriod(const QString &odText, const QString &datumText,
                                      ReportOutcome *refusal);
  // Kind 11: the period's sold lines written as CSV; the number of lines, or the database's failure.
  DbResult<int> writeCsv(const DatePeriod &period, QIODevice &out);

private:
  // Checks the fields the kind needs; the period, or the refusal in out.
  std::optional<DatePeriod> period(int kind, const QString &odText, const QString &datumText,
                                   ReportOutcome *refusal);

  ReportRepository m_repo;
};

// One line of the turnover CSV (kind 11), without its line end.
QString turnoverCsvLine(const TurnoverLine &line);
// The same with the date field already written (lines of one day share it).
QString turnoverCsvLine(const TurnoverLine &line, const QString &quotedDate);
