#include "data/database.h"

#include "data/schema.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>

#include <algorithm>
#include <atomic>
#include <iterator>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

Q_LOGGING_CATEGORY(lcDatabase, "kasa.data.database")

namespace {

// Transactions open on all connections of the process (the prompts ask).
QAtomicInteger<int> g_openTransactions;
QAtomicInteger<int> g_keyRetries;

// What a write on a database that is not open reports to the cashier.
const char *const kNotOpen = "Baza podataka nije otvorena.";

std::optional<quint32> statfsType(const QString &dir) {
#ifdef Q_OS_LINUX
  struct statfs st {};
  if (::statfs(QFile::encodeName(dir).constData(), &st) == 0)
    return quint32(st.f_type); // the magic numbers are 32 bits wide
#else
  Q_UNUSED(dir);
#endif
  return std::nullopt;
}

// A database file is named in the log once per run, not at every start-up sequence.
bool firstNoticeFor(const QString &file) {
  static QMutex mutex;
  static QSet<QString> noticed;
  QMutexLocker lock(&mutex);
  if (noticed.contains(file))
    return false;
  noticed.insert(file);
  return true;
}

QString newConnectionName() {
  static QAtomicInteger<int> counter;
  return QStringLiteral("kasadb-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

// Splits a libpq connection text ("host=... port=... dbname=...") into pairs;
// values may be single-quoted with \' and \\ escapes. Nothing for bad text.
std::optional<QList<QPair<QString, QString>>> parseConnectionText(const QString &text) {
  QList<QPair<QString, QString>> out;
  int i = 0;
  const int n = text.size();
  while (true) {
    while (i < n && text.at(i).isSpace())
      ++i;
    if (i >= n)
      break;
    const int keyStart = i;
    while (i < n && text.at(i) != QLatin1Char('=') && !text.at(i).isSpace())
      ++i;
    const QString key = text.mid(keyStart, i - keyStart);
    while (i < n && text.at(i).isSpace())
      ++i;
    if (key.isEmpty() || i >= n || text.at(i) != QLatin1Char('='))
      return std::nullopt;
    ++i;
    while (i < n && text.at(i).isSpace())
      ++i;
    QString value;
    if (i < n && text.at(i) == QLatin1Char('\'')) {
      ++i;
      bool closed = false;
      while (i < n) {
        const QChar c = text.at(i++);
        if (c == QLatin1Char('\\') && i < n) {
          value += text.at(i++);
        } else if (c == QLatin1Char('\'')) {
          closed = true;
          break;
        } else {
          value += c;
        }
      }
      if (!closed)
        return std::nullopt;
    } else {
      while (i < n && !text.at(i).isSpace())
        value += text.at(i++);
    }
    out.append({key, value});
  }
  return out;
}

QString quoteConnectionValue(QString v) {
  if (!v.isEmpty() && !v.contains(QLatin1Char(' ')) && !v.contains(QLatin1Char('\'')) &&
      !v.contains(QLatin1Char('\\')) && !v.contains(QLatin1Char(';')))
    return v;
  v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
  return QLatin1Char('\'') + v + QLatin1Char('\'');
}

} // namespace

Database::Database() : m_name(newConnectionName()) {}

Database::~Database() {
  close();
  if (QSqlDatabase::contains(m_name))
    QSqlDatabase::removeDatabase(m_name);
}

QString Database::openFailureText() {
  return QStringLiteral("Problem u otvaranju baze.Proverite konfiguraciju putanje");
}

QString Database::sqliteFileName() {
  return QStringLiteral("kasa.db");
}

QSqlDatabase Database::connection() const {
  return QSqlDatabase::database(m_name, false);
}

bool Database::isOpen() const {
  return m_open && connection().isOpen();
}

bool Database::fail(const QString &reason) {
  m_lastError = reason;
  close();
  return false;
}

QString Database::sqliteFile() const {
  if (m_kind != DatabaseKind::SQLite || !isOpen())
    return {};
  const QString file = connection().databaseName();
  return file == QLatin1String(":memory:") ? QString() : QFileInfo(file).absoluteFilePath();
}

int Database::watchClose(std::function<void()> beforeClose) {
  const int id = m_nextWatcher++;
  m_closeWatchers.emplace(id, std::move(beforeClose));
  return id;
}

void Database::unwatchClose(int id) {
  m_closeWatchers.erase(id);
}

void Database::close() {
  if (m_open) {
    // A watcher may unwatch itself while it runs.
    const auto watchers = m_closeWatchers;
    for (const auto &[id, beforeClose] : watchers)
      if (m_closeWatchers.count(id))
        beforeClose();
  }
  m_statements.clear(); // a statement belongs to the connection it was prepared on
  m_open = false;
  if (m_depth > 0)
    leaveOutermost(); // closing the connection ends what it had open
  m_depth = 0;
  if (QSqlDatabase::contains(m_name)) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isOpen())
      db.close();
  }
}

bool Database::open(int tipBaze, const QString &putanjaBaza) {
  close();
  m_lastError.clear();
  const QString where = putanjaBaza.trimmed();
  switch (tipBaze) {
  case int(DatabaseKind::SQLite): {
    const QString dirPath = where.isEmpty() ? QStringLiteral(".") : where;
    QFileInfo dir(dirPath);
    if (!dir.isDir())
      return fail(QStringLiteral("database directory %1 does not exist").arg(dirPath));
    return openSqlite(QDir(dirPath).filePath(sqliteFileName()));
  }
  case int(DatabaseKind::DBase):
    return fail(QStringLiteral("dBase table directories are not supported"));
  case int(DatabaseKind::PostgreSQL):
    return openPostgres(where);
  default:
    return fail(QStringLiteral("unknown database kind %1").arg(tipBaze));
  }
}

bool Database::reopen() {
  if (m_kind != DatabaseKind::PostgreSQL || !QSqlDatabase::contains(m_name))
    return isOpen();
  // The same connection, opened again: the grids and models holding it keep working.
  close();
  QSqlDatabase db = connection();
  if (!db.open()) {
    m_lastError = db.lastError().text();
    return false;
  }
  m_open = true;
  return finishOpen();
}

bool Database::serverReachable() {
  if (m_kind != DatabaseKind::PostgreSQL)
    return isOpen();
  if (!isOpen())
    return false;
  // A statement's own failure leaves the connection sound; a lost server fails even this.
  QSqlQuery q(connection());
  return q.exec(QStringLiteral("SELECT 1"));
}

std::function<bool(QString *)> Database::serverAttempt() const {
  if (m_kind != DatabaseKind::PostgreSQL || !QSqlDatabase::contains(m_name))
    return {};
  struct Settings {
    QString host, name, user, password, options;
    int port = -1;
  };
  const QSqlDatabase c = connection();
  const Settings s{c.hostName(), c.databaseName(), c.userName(), c.password(), c.connectOptions(), c.port()};
  return [s](QString *error) {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("kasa-dosegljivost-%1").arg(++serial);
    bool reached = false;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
      db.setHostName(s.host);
      db.setDatabaseName(s.name);
      db.setUserName(s.user);
      db.setPassword(s.password);
      db.setPort(s.port);
      db.setConnectOptions(s.options);
      reached = db.open();
      if (reached) {
        QSqlQuery q(db);
        reached = q.exec(QStringLiteral("SELECT 1"));
        if (!reached && error)
          *error = q.lastError().text();
      } else if (error) {
        *error = db.lastError().text();
      }
      db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return reached;
  };
}

SqliteJournal Database::journalFor(std::optional<quint32> fsType) {
  // statfs magic numbers of file systems served by another machine.
  static const quint32 network[] = {
      0x6969,     // NFS
      0x517B,     // SMB
      0xFF534D42, // CIFS
      0xFE534D42, // SMB2/3
      0x5346414F, // AFS
      0x6B414653, // kAFS
      0x73757245, // Coda
      0x564C,     // NCP
      0x01021997, // 9P
      0x00C36400, // Ceph
  };
  if (fsType && std::find(std::begin(network), std::end(network), *fsType) != std::end(network))
    return SqliteJournal::Rollback;
  return SqliteJournal::WriteAheadLog;
}

bool Database::openInMemory() {
  close();
  m_lastError.clear();
  return openSqlite(QStringLiteral(":memory:"));
}

bool Database::openSqliteFile(const QString &file) {
  close();
  m_lastError.clear();
  return openSqlite(file);
}

bool Database::openSqlite(const QString &file) {
  if (QSqlDatabase::contains(m_name))
    QSqlDatabase::removeDatabase(m_name);
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
  db.setDatabaseName(file);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
  m_kind = DatabaseKind::SQLite;
  if (!db.open())
    return fail(db.lastError().text());
  m_open = true;
  // A file that is not a database shows up on the first read; it is never overwritten.
  if (const auto read = scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")); !read)
    return fail(read.error());
  if (file != QLatin1String(":memory:") && !setDurableJournal(file))
    return fail(m_lastError);
  // A larger page cache keeps the upper levels of the big indexes in memory; without it only speed suffers.
  (void)exec(QStringLiteral("PRAGMA cache_size=-16000"));
  return finishOpen();
}

bool Database::setDurableJournal(const QString &file) {
  const QString path = QFileInfo(file).absoluteFilePath();
  const QString dir = QFileInfo(file).absolutePath();
  const std::optional<quint32> fsType = m_probe ? m_probe(dir) : statfsType(dir);
  const bool wal = journalFor(fsType) == SqliteJournal::WriteAheadLog;
  // The mode is stored in the file, so a database moved to a share is switched back here.
  const auto mode =
      scalar(wal ? QStringLiteral("PRAGMA journal_mode=WAL") : QStringLiteral("PRAGMA journal_mode=DELETE"));
  const QString got = mode ? mode->toString().toLower() : QStringLiteral("?");
  if (!wal && firstNoticeFor(path))
    qCWarning(lcDatabase).nospace()
        << path << " lies on a network file system (f_type 0x" << Qt::hex << *fsType
        << "): rollback journal instead of the write-ahead log, several disk "
           "flushes per commit; several tills share a PostgreSQL server, not a file";
  else if (wal && got != QLatin1String("wal") && firstNoticeFor(path))
    qCWarning(lcDatabase).nospace() << path << ": SQLite kept the journal mode " << got
                                    << " instead of the write-ahead log (" << mode.error() << ")";
  // A confirmed step is on the disk before the device is sent the next one: a printed
  // line survives a power cut.
  return exec(QStringLiteral("PRAGMA synchronous=FULL")).ok(); // a failure leaves its text in m_lastError
}

bool Database::openPostgres(const QString &connectionText) {
  const auto pairs = parseConnectionText(connectionText);
  if (!pairs || pairs->isEmpty())
    return fail(QStringLiteral("bad PostgreSQL connection text"));
  if (QSqlDatabase::contains(m_name))
    QSqlDatabase::removeDatabase(m_name);
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
  QStringList options;
  for (const auto &[key, value] : *pairs) {
    if (key == QLatin1String("host") || key == QLatin1String("hostaddr"))
      db.setHostName(value);
    else if (key == QLatin1String("port"))
      db.setPort(value.toInt());
    else if (key == QLatin1String("dbname"))
      db.setDatabaseName(value);
    else if (key == QLatin1String("user"))
      db.setUserName(value);
    else if (key == QLatin1String("password"))
      db.setPassword(value);
    else
      options << key + QLatin1Char('=') + quoteConnectionValue(value);
  }
  if (!connectionText.contains(QLatin1String("connect_timeout")))
    options << QStringLiteral("connect_timeout=10"); // a server that does not answer must not hang start-up
  db.setConnectOptions(options.join(QLatin1Char(';')));
  m_kind = DatabaseKind::PostgreSQL;
  if (!db.open())
    return fail(db.lastError().text());
  m_open = true;
  return finishOpen();
}

bool Database::finishOpen() {
  if (const auto schema = Schema::ensure(*this); !schema)
    return fail(schema.error());
  return true;
}

bool Database::hasTable(const QString &name) {
  const QString sql =
      m_kind == DatabaseKind::PostgreSQL
          ? QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE "
                           "table_schema=current_schema() AND table_name=:n")
          : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name=:n");
  return scalar(sql, {{QStringLiteral("n"), name.toLower()}}).value_or(0).toInt() > 0;
}

QString Database::dateLiteral(const QDate &date) const {
  const QString iso = date.toString(Qt::ISODate);
  if (m_kind == DatabaseKind::PostgreSQL)
    return QStringLiteral("DATE '%1'").arg(iso);
  return QStringLiteral("'%1'").arg(iso); // SQLite keeps dates as ISO text
}

QString Database::booleanLiteral(bool value) const {
  if (m_kind == DatabaseKind::PostgreSQL)
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
  return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString Database::lockingClause() const {
  return m_kind == DatabaseKind::PostgreSQL ? QStringLiteral(" FOR UPDATE") : QString();
}

QString Database::firstRows(const QString &select, int count) const {
  return select + QStringLiteral(" LIMIT %1").arg(qMax(0, count));
}

QVariant Database::booleanValue(bool value) const {
  if (m_kind == DatabaseKind::PostgreSQL)
    return value ? QStringLiteral("true") : QStringLiteral("false");
  return value ? 1 : 0;
}

DbResult<QSqlQuery> Database::failed(const QSqlError &error) {
  m_lastError = error.text();
  return DbError::from(error);
}

namespace {

// Binds each ":name" of binds that occurs as a whole placeholder in sql.
void bindAll(QSqlQuery &q, const QString &sql, const QVariantMap &binds) {
  static const QRegularExpression wordEnd(QStringLiteral("^\\w"));
  for (auto it = binds.cbegin(); it != binds.cend(); ++it) {
    const QString placeholder = QLatin1Char(':') + it.key();
    for (qsizetype at = sql.indexOf(placeholder); at >= 0; at = sql.indexOf(placeholder, at + 1)) {
      if (!wordEnd.match(sql.mid(at + placeholder.size(), 1)).hasMatch()) {
        q.bindValue(placeholder, it.value());
        break;
      }
    }
  }
}

// Statements kept prepared: those with values, and reads. Others (DDL, savepoints, pragmas)
// run as they are; PostgreSQL cannot prepare all of them.
bool keptPrepared(const QString &sql, const QVariantMap &binds) {
  return !binds.isEmpty() || sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
}

// Texts built with a varying number of placeholders must not grow the kept statements without end.
constexpr std::size_t kMaxStatements = 128;

} // namespace

DbResult<QSqlQuery> Database::query(const QString &sql, const QVariantMap &binds) {
  if (!m_open) {
    m_lastError = QLatin1String(kNotOpen);
    return DbError{m_lastError};
  }
  QSqlQuery q(connection());
  q.setForwardOnly(true);
  if (binds.isEmpty()) {
    // Statements without values run as they are (PostgreSQL cannot prepare DDL or savepoints).
    if (!q.exec(sql))
      return failed(q.lastError());
    return q;
  }
  if (!q.prepare(sql))
    return failed(q.lastError());
  bindAll(q, sql, binds);
  if (!q.exec())
    return failed(q.lastError());
  return q;
}

DbResult<QSqlQuery *> Database::run(const QString &sql, const QVariantMap &binds) {
  if (!m_open) {
    m_lastError = QLatin1String(kNotOpen);
    return DbError{m_lastError};
  }
  auto found = m_statements.find(sql);
  if (found == m_statements.end()) {
    auto q = std::make_unique<QSqlQuery>(connection());
    q->setForwardOnly(true);
    if (!q->prepare(sql))
      return failed(q->lastError()).failure();
    if (m_statements.size() >= kMaxStatements)
      m_statements.clear();
    found = m_statements.emplace(sql, std::move(q)).first;
  }
  QSqlQuery *q = found->second.get();
  bindAll(*q, sql, binds);
  if (!q->exec()) {
    const DbError error = failed(q->lastError()).failure();
    // Prepared again next time, in case the connection lost it. A duplicate key (another
    // till's number, tried again at once) leaves it sound, and freeing it now would fail
    // on a server whose transaction waits for the rollback.
    if (!error.keyViolation)
      m_statements.erase(found);
    return error;
  }
  return q;
}

void Database::setKeepStatements(bool keep) {
  m_keepStatements = keep;
  if (!keep)
    m_statements.clear();
}

template <typename Read>
auto Database::withStatement(const QString &sql, const QVariantMap &binds, Read read)
    -> DbResult<decltype(read(std::declval<QSqlQuery &>()))> {
  if (!m_keepStatements || !keptPrepared(sql, binds)) {
    auto q = query(sql, binds);
    if (!q)
      return q.failure();
    return read(*q);
  }
  const auto q = run(sql, binds);
  if (!q)
    return q.failure();
  auto value = read(**q);
  (*q)->finish(); // an unfinished read would hold the database's snapshot
  return value;
}

DbResult<QList<QSqlRecord>> Database::rows(const QString &sql, const QVariantMap &binds) {
  return withStatement(sql, binds, [](QSqlQuery &q) {
    QList<QSqlRecord> out;
    while (q.next())
      out.append(q.record());
    return out;
  });
}

DbResult<> Database::exec(const QString &sql, const QVariantMap &binds) {
  const auto done = withStatement(sql, binds, [](QSqlQuery &) { return true; });
  if (!done)
    return done.failure();
  return {};
}

DbResult<QVariant> Database::scalar(const QString &sql, const QVariantMap &binds) {
  return withStatement(sql, binds, [](QSqlQuery &q) { return q.next() ? q.value(0) : QVariant(); });
}

QVariant Database::bindable(const QString &table, const QString &column, const QVariant &value) const {
  const TableDef *t = Schema::table(table);
  const ColumnDef *c = t ? t->column(column) : nullptr;
  if (value.isNull() || !c)
    return value;
  if (c->type == ColumnType::Boolean)
    return booleanValue(value.toBool());
  return value;
}

DbResult<> Database::insertRecord(const QString &table, const QSqlRecord &row) {
  const TableDef *t = Schema::table(table);
  if (!t)
    return DbError{QStringLiteral("no table %1").arg(table)};
  QStringList names, holders;
  QVariantMap binds;
  for (const ColumnDef &c : t->columns) {
    names << c.name;
    holders << QLatin1Char(':') + c.name;
    binds.insert(c.name, bindable(table, c.name, row.value(c.name)));
  }
  return exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(t->sqlName(), names.join(QLatin1Char(',')), holders.join(QLatin1Char(','))),
              binds);
}

bool Database::beginTransaction() {
  if (!isOpen()) {
    m_lastError = QLatin1String(kNotOpen);
    return false;
  }
  if (m_depth == 0) {
    QSqlDatabase db = connection();
    if (!db.transaction()) {
      m_lastError = db.lastError().text();
      return false;
    }
    g_openTransactions.ref();
  } else if (!exec(QStringLiteral("SAVEPOINT kasa_sp%1").arg(m_depth))) {
    return false;
  }
  ++m_depth;
  return true;
}

bool Database::commitTransaction() {
  if (m_depth <= 0)
    return false;
  if (m_depth == 1) {
    QSqlDatabase db = connection();
    const bool ok = db.commit();
    if (!ok) {
      m_lastError = db.lastError().text();
      db.rollback();
    }
    leaveOutermost();
    return ok;
  }
  --m_depth;
  if (!exec(QStringLiteral("RELEASE SAVEPOINT kasa_sp%1").arg(m_depth))) {
    ++m_depth;
    rollbackTransaction();
    return false;
  }
  return true;
}

bool Database::rollbackTransaction() {
  if (m_depth <= 0)
    return false;
  if (m_depth == 1) {
    leaveOutermost();
    QSqlDatabase db = connection();
    if (!db.rollback()) {
      m_lastError = db.lastError().text();
      return false;
    }
    return true;
  }
  --m_depth;
  const bool ok = exec(QStringLiteral("ROLLBACK TO SAVEPOINT kasa_sp%1").arg(m_depth)) &&
                  exec(QStringLiteral("RELEASE SAVEPOINT kasa_sp%1").arg(m_depth));
  return ok;
}

void Database::leaveOutermost() {
  m_depth = 0;
  g_openTransactions.deref();
}

int Database::openTransactions() {
  return g_openTransactions.loadRelaxed();
}

DbResult<> Database::inTransaction(const std::function<DbResult<>()> &work) {
  Transaction unit(*this);
  if (!unit.isActive())
    return DbError{m_lastError};
  if (auto done = work(); !done)
    return done; // the unit rolls back
  if (!unit.commit())
    return DbError{m_lastError};
  return {};
}

DbResult<> Database::retryingDuplicateKey(const std::function<DbResult<>()> &work, int attempts) {
  DbResult<> result;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    result = inTransaction(work);
    if (result || !result.failure().keyViolation)
      return result;
    g_keyRetries.ref();
  }
  return result;
}

int Database::duplicateKeyRetries() {
  return g_keyRetries.loadRelaxed();
}

void expectNoOpenTransaction(const char *prompt) {
  const int open = Database::openTransactions();
  if (open == 0)
    return;
#ifdef KASA_CHECKS
  qFatal("%s opened while %d database transaction(s) are open", prompt, open);
#else
  qWarning("%s opened while %d database transaction(s) are open", prompt, open);
#endif
}

DbError DbError::from(const QSqlError &error) {
  return {error.text(), Database::isKeyViolation(error), error.type() == QSqlError::ConnectionError};
}

bool Database::isKeyViolation(const QSqlError &err) {
  if (err.type() == QSqlError::NoError)
    return false;
  if (err.nativeErrorCode() == QLatin1String("23505")) // PostgreSQL unique_violation
    return true;
  const QString text = err.databaseText();
  return text.contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive) ||
         text.contains(QLatin1String("PRIMARY KEY must be unique"), Qt::CaseInsensitive) ||
         text.contains(QLatin1String("duplicate key value"), Qt::CaseInsensitive);
}

Transaction::Transaction(Database &db) : m_db(db) {
  m_active = m_db.beginTransaction();
}

Transaction::~Transaction() {
  if (m_active)
    m_db.rollbackTransaction();
}

bool Transaction::commit() {
  if (!m_active)
    return false;
  m_active = false;
  return m_db.commitTransaction();
}

void Transaction::rollback() {
  if (!m_active)
    return;
  m_active = false;
  m_db.rollbackTransaction();
}
