#include "data/recordtablemodel.h"

#include "common/money.h"
#include "data/auditjournal.h"
#include "data/changenotifier.h"
#include "data/database.h"
#include "data/recordrules.h"
#include "data/schema.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>

RecordTableModel::RecordTableModel(Database &db, RecordRules &rules, const QString &table, QObject *parent)
    : QSqlTableModel(parent, db.connection()), m_db(db), m_rules(rules), m_table(table.toUpper()) {
  setEditStrategy(QSqlTableModel::OnManualSubmit);
  setTable(table.toLower());
  // Views showing a table re-read it when the rules changed it behind their back.
  connect(&m_rules, &RecordRules::tableChanged, this, [this](const QString &changed) {
    if (changed.compare(m_table, Qt::CaseInsensitive) == 0 && !isDirty())
      select();
  });
}

QSqlRecord RecordTableModel::bindableRecord(QSqlRecord rec) const {
  const TableDef *t = Schema::table(m_table);
  for (int i = 0; i < rec.count(); ++i) {
    rec.setGenerated(i, true);
    const ColumnDef *c = t ? t->column(rec.fieldName(i)) : nullptr;
    if (c && c->type == ColumnType::Boolean && !rec.value(i).isNull())
      rec.setValue(i, m_db.booleanValue(rec.value(i).toBool()));
  }
  return rec;
}

bool RecordTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !index.isValid())
    return QSqlTableModel::setData(index, value, role);
  QSqlRecord row = record(index.row());
  const QSqlRecord before = row;
  QVariant v = value;
  if (!m_rules.checkColumn(m_table, row.fieldName(index.column()), v, row))
    return false;
  if (!QSqlTableModel::setData(index, v, role))
    return false;
  // Columns filled by the check itself (a partner's name, a component's name).
  for (int i = 0; i < row.count(); ++i)
    if (i != index.column() && row.value(i) != before.value(i))
      QSqlTableModel::setData(this->index(index.row(), i), row.value(i), role);
  return true;
}

bool RecordTableModel::select() {
  if (m_searchBinds.isEmpty() && m_masterBinds.isEmpty())
    return QSqlTableModel::select();
  const QString sql = selectStatement();
  if (sql.isEmpty())
    return false;
  // Posted rows stay in QSqlTableModel's cache until its own select() clears it; a
  // re-read past it would show a new row twice and an edited one with its old place.
  // Its select() over no rows clears the cache (and pending edits) without binds.
  m_overNoRows = true;
  QSqlTableModel::select();
  m_overNoRows = false;
  QSqlQuery q(m_db.connection());
  q.setForwardOnly(false);
  if (!q.prepare(sql)) {
    setLastError(q.lastError());
    return false;
  }
  QVariantMap binds = m_searchBinds;
  binds.insert(m_masterBinds);
  for (auto it = binds.cbegin(); it != binds.cend(); ++it)
    q.bindValue(QLatin1Char(':') + it.key(), it.value());
  if (!q.exec()) {
    setLastError(q.lastError());
    return false;
  }
  beginResetModel();
  QSqlQueryModel::setQuery(std::move(q));
  endResetModel();
  return true;
}

QString RecordTableModel::selectStatement() const {
  if (!m_overNoRows)
    return QSqlTableModel::selectStatement();
  return database().driver()->sqlStatement(QSqlDriver::SelectStatement, tableName(), record(), false) +
         QStringLiteral(" WHERE 1=0");
}

bool RecordTableModel::post() {
  // Refusals are modal messages: they come before the transaction opens, and the
  // database's own refusal after it has closed.
  m_refusedByDatabase = false;
  if (!checkPending())
    return false;
  m_postError.reset();
  bool submitted = false;
  const auto written = m_db.inTransaction([&]() -> DbResult<> {
    submitted = submitAll();
    if (!submitted)
      return m_postError.value_or(DbError::from(lastError()));
    if (!m_priceChanges.isEmpty())
      DB_TRY(AuditJournal(m_db).append(AuditAction::PriceChange, m_priceChanges.join(QStringLiteral("; "))));
    return ChangeNotifier::announce(m_db, m_table); // other tills' grids read it again
  });
  if (written)
    return true;
  m_refusedByDatabase = true;
  m_rules.reportPostError(m_table, written.failure());
  if (submitted)
    select(); // the commit failed: show what is stored
  return false;
}

void RecordTableModel::notePriceChange(const QSqlRecord &stored, const QSqlRecord &edited) {
  const QString cena = QStringLiteral("cena");
  if (m_table != QLatin1String("ARTIKLI") || stored.indexOf(cena) < 0 || edited.indexOf(cena) < 0)
    return;
  const Money before(stored.value(cena).toDouble()), after(edited.value(cena).toDouble());
  if (before.units() != after.units())
    m_priceChanges << QStringLiteral("%1: %2 -> %3")
                          .arg(stored.value(QStringLiteral("sifra")).toString().trimmed(), before.text(),
                               after.text());
}

bool RecordTableModel::checkPending() {
  m_priceChanges.clear();
  for (int r = 0; r < rowCount(); ++r) {
    // QSqlTableModel marks a pending insert "*" and a pending delete "!".
    const QString op = headerData(r, Qt::Vertical, Qt::DisplayRole).toString();
    if (op == QLatin1String("!")) {
      if (!m_rules.canDelete(m_table, record(r)))
        return false;
      continue;
    }
    QSqlRecord edits = record(r);
    bool dirty = false;
    for (int c = 0; c < edits.count(); ++c) {
      const bool changed = isDirty(index(r, c));
      edits.setGenerated(c, changed);
      dirty = dirty || changed;
    }
    if (op == QLatin1String("*")) {
      if (!m_rules.checkBeforePost(m_table, editedRow(record(), edits), true))
        return false;
    } else if (dirty) {
      const QSqlRecord stored = storedRow(r);
      const QSqlRecord edited = editedRow(stored, edits);
      if (!m_rules.checkBeforePost(m_table, edited, false, stored))
        return false;
      notePriceChange(stored, edited);
    }
  }
  return true;
}

bool RecordTableModel::isPendingInsert(int row) const {
  // QSqlTableModel marks a pending insert "*".
  return headerData(row, Qt::Vertical, Qt::DisplayRole).toString() == QLatin1String("*");
}

void RecordTableModel::cancel() {
  revertAll();
}

int RecordTableModel::appendRow() {
  const int r = rowCount();
  return insertRow(r) ? r : -1;
}

bool RecordTableModel::deleteRow(int row) {
  if (row < 0 || row >= rowCount() || !m_rules.canDelete(m_table, record(row)))
    return false;
  return removeRow(row);
}

QVariant RecordTableModel::value(int row, const QString &column) const {
  const int c = fieldIndex(column);
  return c < 0 ? QVariant() : data(index(row, c), Qt::EditRole);
}

bool RecordTableModel::setValue(int row, const QString &column, const QVariant &value) {
  const int c = fieldIndex(column);
  return c >= 0 && setData(index(row, c), value, Qt::EditRole);
}

QString RecordTableModel::likePattern(const QString &text, Match match) {
  QString escaped;
  for (QChar ch : text) {
    if (ch == QLatin1Char('!') || ch == QLatin1Char('%') || ch == QLatin1Char('_'))
      escaped += QLatin1Char('!');
    escaped += ch;
  }
  return (match == Match::Contains ? QStringLiteral("%") : QString()) + escaped + QStringLiteral("%");
}

void RecordTableModel::setBoundFilter(const QString &condition, const QVariantMap &binds) {
  m_searchCondition = condition;
  m_searchBinds = binds;
  applyFilter();
}

void RecordTableModel::setSearch(const QList<SearchTerm> &terms) {
  QStringList parts;
  QVariantMap binds;
  for (const SearchTerm &t : terms) {
    if (t.text.isEmpty() || fieldIndex(t.column) < 0)
      continue;
    const QString name = QStringLiteral("s%1").arg(binds.size());
    parts << QStringLiteral("UPPER(%1) LIKE UPPER(:%2) ESCAPE '!'").arg(t.column.toLower(), name);
    binds.insert(name, likePattern(t.text, t.match));
  }
  setBoundFilter(parts.join(QStringLiteral(" AND ")), binds);
}

void RecordTableModel::setSortColumn(const QString &column, Qt::SortOrder order) {
  const int c = fieldIndex(column);
  if (c >= 0)
    setSort(c, order);
}

void RecordTableModel::toggleSort(int column) {
  if (column < 0 || column >= columnCount())
    return;
  m_order =
      column == m_sortColumn && m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  m_sortColumn = column;
  setSort(column, m_order);
  select();
}

void RecordTableModel::applyFilter() {
  QStringList parts;
  if (!m_searchCondition.isEmpty())
    parts << QLatin1Char('(') + m_searchCondition + QLatin1Char(')');
  if (!m_masterCondition.isEmpty())
    parts << QLatin1Char('(') + m_masterCondition + QLatin1Char(')');
  const bool active = query().isActive();
  setFilter(parts.join(QStringLiteral(" AND ")));
  if (!active)
    select();
}

int RecordTableModel::locate(const QVariantMap &values, bool caseInsensitivePrefix) {
  for (int r = 0;; ++r) {
    while (r >= rowCount() && canFetchMore())
      fetchMore();
    if (r >= rowCount())
      return -1;
    bool all = true;
    for (auto it = values.cbegin(); it != values.cend() && all; ++it) {
      const QVariant cur = value(r, it.key());
      if (caseInsensitivePrefix) {
        all = cur.toString().startsWith(it.value().toString(), Qt::CaseInsensitive);
      } else {
        bool a = false, b = false;
        const double x = cur.toDouble(&a), y = it.value().toDouble(&b);
        const bool numeric = it.value().typeId() != QMetaType::QString && a && b;
        all = numeric ? x == y : (!cur.isNull() && cur.toString() == it.value().toString());
      }
    }
    if (all)
      return r;
  }
}

void RecordTableModel::setMaster(RecordTableModel *master, const QList<QPair<QString, QString>> &links) {
  m_master = master;
  m_links = links;
  setMasterRow(-1);
}

void RecordTableModel::setMasterRow(int masterRow) {
  QStringList parts;
  QVariantMap binds;
  if (!m_master || masterRow < 0 || masterRow >= m_master->rowCount()) {
    parts << QStringLiteral("1=0");
  } else {
    for (const auto &[masterColumn, detailColumn] : std::as_const(m_links)) {
      const QString name = QStringLiteral("m%1").arg(binds.size());
      parts << QStringLiteral("%1=:%2").arg(detailColumn.toLower(), name);
      binds.insert(name, m_master->value(masterRow, masterColumn));
    }
  }
  m_masterCondition = parts.join(QStringLiteral(" AND "));
  m_masterBinds = binds;
  applyFilter();
}

QSqlRecord RecordTableModel::storedRow(int row) {
  QSqlRecord original = primaryValues(row);
  if (!primaryKey().isEmpty()) {
    QStringList conditions;
    QVariantMap binds;
    for (int i = 0; i < original.count(); ++i) {
      conditions << QStringLiteral("%1=:k%2").arg(original.fieldName(i)).arg(i);
      binds.insert(QStringLiteral("k%1").arg(i), original.value(i));
    }
    auto q = m_db.query(QStringLiteral("SELECT * FROM %1 WHERE %2")
                            .arg(tableName().toLower(), conditions.join(QStringLiteral(" AND "))),
                        binds);
    if (q && q->next())
      original = q->record();
  }
  return original;
}

QSqlRecord RecordTableModel::editedRow(const QSqlRecord &stored, const QSqlRecord &edits) const {
  QSqlRecord full = record();
  for (int i = 0; i < full.count(); ++i)
    full.setValue(i, stored.value(full.fieldName(i)));
  for (int i = 0; i < edits.count(); ++i)
    if (edits.isGenerated(i))
      full.setValue(edits.fieldName(i), edits.value(i));
  return full;
}

// Inside post()'s transaction: the checks have passed, only defaults and keys are set here.
bool RecordTableModel::insertRowIntoTable(const QSqlRecord &values) {
  QSqlRecord row = editedRow(record(), values);
  m_rules.applyDefaults(m_table, row, true);
  if (!QSqlTableModel::insertRowIntoTable(bindableRecord(row))) {
    m_postError = DbError::from(lastError());
    return false;
  }
  return true;
}

bool RecordTableModel::updateRowInTable(int row, const QSqlRecord &values) {
  const QSqlRecord original = storedRow(row);
  QSqlRecord full = editedRow(original, values);
  m_rules.applyDefaults(m_table, full, false);
  if (!QSqlTableModel::updateRowInTable(row, bindableRecord(full))) {
    m_postError = DbError::from(lastError());
    return false;
  }
  m_rules.afterPost(m_table, full, original);
  return true;
}
