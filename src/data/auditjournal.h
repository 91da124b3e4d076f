#pragma once

#include "data/dbresult.h"

#include <QDateTime>
#include <QList>
#include <QString>

class Database;

// What the audit journal records: the acts a shop owner or a tax inspector asks
// about afterwards ("who voided what, who changed the price").
enum class AuditAction {
  Login,           // "PRIJAVA": a cashier or waiter logged in (or a code was refused)
  LineVoid,        // "STORNO STAVKE": a sale line or an order line voided
  ReceiptStorno,   // "STORNO RACUNA": a stored receipt cancelled
  DrawerOpen,      // "FIOKA": the cash drawer opened
  PriceChange,     // "CENA": an article's price changed
  ArticleTakeOver, // "PREUZIMANJE": the device's articles replaced the article table
  Import,          // "UVOZ": a CSV file or an older program's data read into the tables
  Configuration,   // "KONFIGURACIJA": the configuration saved with changes
};

// An act to journal together with the writes it belongs to.
struct AuditNote {
  AuditAction action;
  QString opis;
};

// One row of DNEVNIK.
struct AuditRow {
  int rbr = 0;     // 1, 2, 3, ... without gaps
  QString vreme;   // local time, "yyyy-MM-dd HH:mm:ss"
  QString konobar; // who was logged in on this till: "rbr name", empty before any log-in
  QString radnja;  // the action's name (actionName)
  QString opis;    // what changed, at most 1000 characters
  QString hes;     // see AuditJournal::rowHash
};

// The outcome of walking the whole journal.
struct AuditCheck {
  bool ok = false;
  int rows = 0;      // rows that hold, in order from the first
  int brokenRow = 0; // rbr of the first row that does not hold; 0 when ok or unreadable
  QString reason;    // why it does not hold (or why the journal could not be read)
  QString lastHash;  // hes of the last row that holds: written down, it also shows a cut-off tail
};

// DNEVNIK: an append-only journal whose rows are chained by hashes, so a row
// edited, deleted or slipped in between others breaks the chain at that row.
// Rows are appended inside the caller's unit where there is one (a savepoint of
// it), so the act and its row are written together or not at all.
class AuditJournal {
public:
  explicit AuditJournal(Database &db) : m_db(db) {}

  static QString actionName(AuditAction action);

  // Who is logged in on this till; every row names them until the next log-in.
  static void setWaiter(int rbr, const QString &naziv);
  static void clearWaiter();
  static QString waiter();

  // Appends a row for action at when (the till's clock when not given).
  DbResult<> append(AuditAction action, const QString &opis, const QDateTime &when = QDateTime());
  DbResult<> append(const AuditNote &note) { return append(note.action, note.opis); }

  // Every row in order of rbr.
  DbResult<QList<AuditRow>> rows();
  // Walks the chain from the first row: numbers without gaps, each hes as rowHash gives it.
  AuditCheck check();

  // A row's hes: the lower-case hex SHA-256 of the UTF-8 bytes of
  //   F(previous) F(rbr) F(vreme) F(konobar) F(radnja) F(opis)
  // where F(x) is x's byte length in decimal, ':', then x's bytes; rbr is written in
  // decimal; previous is the hes of the row before (empty for the first row).
  // The lengths keep a character moved from one field to the next from giving the same bytes.
  static QString rowHash(const QString &previous, const AuditRow &row);

  static constexpr int kOpisLength = 1000;

private:
  Database &m_db;
};
