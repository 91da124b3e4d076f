#pragma once

#include "data/dbresult.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

// The database kinds of the configuration field TipBaze.
enum class DatabaseKind {
  SQLite = 1,     // file kasa.db in the database directory, created when missing
  DBase = 2,      // directory of the older program's dBase tables: imported into kasa.db, never opened
  PostgreSQL = 3, // server; the directory field holds the connection text
};

// How SQLite keeps kasa.db whole across a crash or a power cut. Both run with
// full sync: a commit is on the disk before the next device step is sent.
enum class SqliteJournal {
  WriteAheadLog, // one fsync per commit; needs the file on this machine's own disk
  Rollback,      // several fsyncs per commit; the one that works on a network share
};

// The one facade over QSqlDatabase: opens the configured kind, keeps the
// schema current, supplies the dialect pieces and runs bound statements.
// Every value a user typed goes in as a bound parameter, never as SQL text.
class Database {
public:
  Database();
  ~Database();
  Database(const Database &) = delete;
  Database &operator=(const Database &) = delete;

  // The message shown (title "GRESKA") when opening fails, whatever the cause.
  static QString openFailureText();
  // Name of the SQLite file inside the database directory.
  static QString sqliteFileName();

  // The statfs f_type of the file system holding a directory; nullopt when it cannot be told.
  using FileSystemProbe = std::function<std::optional<quint32>(const QString &dir)>;
  // The journal for an SQLite file on a file system of the given f_type: the write-ahead
  // log needs locks and shared memory of one machine, which a network file system
  // (NFS, SMB/CIFS, ...) does not give, so there it is the rollback journal.
  static SqliteJournal journalFor(std::optional<quint32> fsType);
  // Replaces the statfs look-up made when an SQLite file is opened (tests, benchmarks).
  void setFileSystemProbe(FileSystemProbe probe) { m_probe = std::move(probe); }

  // Closes any open connection and opens the given kind (TipBaze) with putanjaBaza.
  bool open(int tipBaze, const QString &putanjaBaza);
  // Opens an SQLite database held in memory (tests, scratch work).
  bool openInMemory();
  // Opens (creating when missing) the SQLite database in the given file.
  bool openSqliteFile(const QString &file);
  void close();
  bool isOpen() const;
  // Opens the server's connection again, with the same settings (a server that went
  // away and may be back); an SQLite file is left as it is.
  bool reopen();
  // A server whose connection answers a trivial statement; false when it is gone (the
  // server stopped, the network cut). Outside a unit only; an SQLite file always answers.
  bool serverReachable();
  // Whether the server takes a new connection with this one's settings, for a thread of
  // its own (a connection belongs to the thread that made it): the attempt opens and
  // closes a connection of its own. Empty unless the database is a server.
  std::function<bool(QString *error)> serverAttempt() const;
  DatabaseKind kind() const { return m_kind; }
  // The SQLite file that is open; empty for a server or a database held in memory.
  QString sqliteFile() const;

  // Runs just before the connection closes (or is replaced by another open): whoever
  // holds on to the connection between turns of the event loop lets go of it there.
  int watchClose(std::function<void()> beforeClose);
  void unwatchClose(int id);
  // The technical reason of the last failure (for logs; users see openFailureText()).
  QString lastError() const { return m_lastError; }
  QSqlDatabase connection() const;

  // True when the table exists where unqualified names lead (the search path on PostgreSQL).
  bool hasTable(const QString &name);

  // Dialect pieces for statements composed in code.
  QString dateLiteral(const QDate &date) const;
  QString booleanLiteral(bool value) const;
  QString firstRows(const QString &select, int count) const;
  // Appended to a SELECT: its rows stay locked against other connections' changes until
  // the unit ends (FOR UPDATE on a server; an SQLite writer holds the whole file anyway).
  QString lockingClause() const;
  // The value to bind for a boolean column.
  QVariant booleanValue(bool value) const;

  // Runs sql with each ":name" of binds bound: the active query, its rows to read, or the failure.
  // Prepared anew on every call; for long reads (reports, grids) that the caller walks.
  DbResult<QSqlQuery> query(const QString &sql, const QVariantMap &binds = {});
  // All rows of a small result (an article, a recipe, a receipt's lines), read at once.
  DbResult<QList<QSqlRecord>> rows(const QString &sql, const QVariantMap &binds = {});
  // Runs a statement that writes.
  DbResult<> exec(const QString &sql, const QVariantMap &binds = {});
  // First column of the first row; a null value when there is no row.
  DbResult<QVariant> scalar(const QString &sql, const QVariantMap &binds = {});
  // rows, exec and scalar keep their statements prepared for the life of the connection:
  // preparing costs more than running the small statements of a receipt step.
  int preparedStatements() const { return int(m_statements.size()); }
  // Off: every statement is prepared anew, as before they were kept (to measure what keeping saves).
  void setKeepStatements(bool keep);
  // Inserts row into a table of the schema, every column of the table bound.
  DbResult<> insertRecord(const QString &table, const QSqlRecord &row);
  // The value to bind for a column of a schema table (booleans as the database kind takes them).
  QVariant bindable(const QString &table, const QString &column, const QVariant &value) const;

  // Transaction nesting, used by Transaction; depth 0 means none is open.
  int transactionDepth() const { return m_depth; }
  bool beginTransaction();
  bool commitTransaction();
  bool rollbackTransaction();
  // Runs work as one unit: committed when it succeeds, rolled back when it fails.
  // Inside an open unit it becomes a savepoint of it.
  DbResult<> inTransaction(const std::function<DbResult<>()> &work);
  // For a key "largest + 1" taken inside the inserting unit: work reads the largest and
  // inserts; when another till inserted the same key first, the database refuses ours and
  // work runs again (as a unit of its own, so a server's failed statement is undone) and
  // reads the new largest. A till that keeps losing gives up after attempts.
  DbResult<> retryingDuplicateKey(const std::function<DbResult<>()> &work, int attempts = 50);
  // How often this process took the next number that way (for the log of a busy server).
  static int duplicateKeyRetries();
  // Transactions open on any connection of this process.
  static int openTransactions();

  // True when err is the database refusing a duplicate key (the old "Key violation.").
  static bool isKeyViolation(const QSqlError &err);

private:
  bool openSqlite(const QString &file);
  bool setDurableJournal(const QString &file);
  bool openPostgres(const QString &connectionText);
  bool finishOpen();
  bool fail(const QString &reason);
  DbResult<QSqlQuery> failed(const QSqlError &error);
  // Runs sql on its kept statement; the caller reads it and then finishes it.
  DbResult<QSqlQuery *> run(const QString &sql, const QVariantMap &binds);
  // Runs sql (kept prepared where it can be) and gives what read makes of the result.
  template <typename Read>
  auto withStatement(const QString &sql, const QVariantMap &binds, Read read)
      -> DbResult<decltype(read(std::declval<QSqlQuery &>()))>;
  void leaveOutermost();

  QString m_name;
  FileSystemProbe m_probe;
  std::map<int, std::function<void()>> m_closeWatchers;
  int m_nextWatcher = 1;
  DatabaseKind m_kind = DatabaseKind::SQLite;
  QString m_lastError;
  int m_depth = 0;
  bool m_open = false;
  // Prepared statements of the open connection by their text; emptied when it closes.
  std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_statements;
  bool m_keepStatements = true;
};

// Every prompt asks this before it opens. A modal prompt runs an event loop that may
// hand a device reply to the engine, whose writes would then land in a transaction
// somebody else left open. Fatal in checked builds (tests and debug), logged otherwise.
void expectNoOpenTransaction(const char *prompt);

// One unit of writes: begins on construction, rolls back on destruction
// unless commit() was called. Nested units become savepoints, so an inner
// rollback undoes only its own writes.
class Transaction {
public:
  explicit Transaction(Database &db);
  ~Transaction();
  Transaction(const Transaction &) = delete;
  Transaction &operator=(const Transaction &) = delete;

  // False when the transaction could not be started.
  bool isActive() const { return m_active; }
  // Makes the writes permanent (or releases the savepoint); false on failure, after which it is rolled back.
  bool commit();
  // Undoes the writes of this unit now.
  void rollback();

private:
  Database &m_db;
  bool m_active = false;
};
