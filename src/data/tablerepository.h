#pragma once

#include "common/money.h"
#include "data/dbresult.h"

#include <QList>
#include <QString>
#include <optional>

class Database;

// One STOST row: an open order line on a table.
struct TableLine {
  int rbr = 0;
  int brstola = 0;
  QString sifra;
  QString barkod;
  QString naziv;
  int stopa = 0;
  Money cena;
  Quantity kolicina;
  Money iznos;
  bool storno = false;
  int tura = 0;
};

// An article's quantity on a kitchen or bar ticket.
struct TicketLine {
  QString sifra;
  QString naziv;
  Quantity kolicina;
};

// One STOLOVI row as the table pickers show it.
struct RestaurantTable {
  int brstola = 0;
  QString naziv;
  int sifkonob = -1; // the waiter holding it; -1 free
};

// STOLOVI and STOST: the restaurant tables, who holds them, and their open order
// lines grouped in rounds (TURA).
class TableRepository {
public:
  explicit TableRepository(Database &db) : m_db(db) {}

  // --- order lines ---
  DbResult<QList<TableLine>> lines(int brstola);
  DbResult<QList<TableLine>> roundLines(int brstola, int tura);
  // The lines of the table and its STOLOVI row, locked against other tills' changes
  // until the caller's unit ends: what a paid receipt takes off the table is checked
  // against them and nobody moves them meanwhile.
  DbResult<QList<TableLine>> lockLines(int brstola);
  // Inserts line on its table as the table's next line number (defaults from the record rules).
  DbResult<> addLine(const TableLine &line);
  // Largest RBR on the table + 1; 1 for an empty table.
  DbResult<int> nextLineNumber(int brstola);
  // The table's highest round; 0 when it has no lines.
  DbResult<int> lastRound(int brstola);
  DbResult<int> countLines(int brstola);
  DbResult<int> countRoundLines(int brstola, int tura);
  // Sum of the table's line amounts, to the para; 0 for an empty table.
  DbResult<Money> sum(int brstola);
  // Sum of the listed lines' amounts.
  DbResult<Money> sumOfLines(int brstola, const QList<int> &rbr);
  // Quantity and amount of one article on the table, voids included (what can still be voided).
  struct ArticleTotal {
    Quantity kolicina;
    Money iznos;
    bool present = false; // the article has a line on the table
  };
  DbResult<ArticleTotal> articleTotal(int brstola, const QString &sifra);
  // A round's articles prepared in the kitchen (VRSTA "J") or served at the bar ("P"), summed.
  DbResult<QList<TicketLine>> ticket(int brstola, int tura, QChar vrsta);
  DbResult<> deleteLines(int brstola, const QList<int> &rbr);
  DbResult<> deleteAllLines(int brstola);
  // Round tura was paid off whole: the later rounds move one down. Gives the table's
  // last round afterwards.
  DbResult<int> closeRound(int brstola, int tura);
  // Every line of table from goes to table to, after its lines and rounds.
  DbResult<> moveLines(int from, int to);
  // Merging: the lines of from move to to and from is freed, all or nothing, with both
  // tables and their lines locked. False, and nothing done, when either table is no longer
  // held by the waiter the merge was checked for (another till freed, took or settled it).
  DbResult<bool> mergeTables(int from, int to, int fromOwner, int toOwner);

  // --- tables ---
  // The tables nobody holds, by number.
  DbResult<QList<RestaurantTable>> freeTables();
  DbResult<> takeTable(int brstola, int sifkonob);
  // The tables a waiter holds (SIFKONOB = his RBR), by number.
  DbResult<QList<RestaurantTable>> tablesOf(int sifkonob);
  // Opens a free table for a waiter in one conditional update ("free -> mine"): of two
  // tills asking at once exactly one gets true. False: it is not free or does not exist.
  DbResult<bool> takeFreeTable(int brstola, int sifkonob);
  // SIFKONOB := -1.
  DbResult<> freeTable(int brstola);
  // Who holds a table and that waiter's code (empty for a free table or an unknown
  // waiter); nothing when the table does not exist.
  struct Owner {
    int sifkonob = -1;
    QString code;
  };
  DbResult<std::optional<Owner>> owner(int brstola);
  // Frees the table only while it has no lines, in one statement, so that a line added
  // by another till meanwhile keeps it open. False: it has lines (or does not exist).
  DbResult<bool> freeEmptyTable(int brstola);

private:
  // Other tills' screens hear of a change of the table's rows once it commits.
  DbResult<> announce(const DbResult<> &written, const char *table);
  DbResult<bool> announce(const DbResult<bool> &written, const char *table);

  DbResult<QList<TableLine>> select(const QString &where, const QVariantMap &binds, bool lock = false);
  DbResult<int> integer(const QString &sql, const QVariantMap &binds, int whenNull);

  Database &m_db;
};
