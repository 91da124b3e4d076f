#pragma once

#include "data/dbresult.h"

#include <QPointer>
#include <QSqlTableModel>
#include <QVariantMap>

#include <optional>

class Database;
class RecordRules;

// The one table-model base of the editable grids. Every value entered goes
// through the column checks, every post through the pre-post checks and
// defaults, every refused post through the post-error texts, and every delete
// through the delete check of RecordRules. Edits are kept until post(), which
// checks them first, then writes them and their dependent updates in one
// transaction, and shows a refusal only once that transaction is closed.
// Filters carry their values as bound parameters.
class RecordTableModel : public QSqlTableModel {
  Q_OBJECT
public:
  // table is the program's name (e.g. "ARTIKLI").
  RecordTableModel(Database &db, RecordRules &rules, const QString &table, QObject *parent = nullptr);

  // The program's name of the table ("ARTIKLI").
  QString programTable() const { return m_table; }

  // Column checks run here; a refused value is not stored (false).
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  // Re-reads the rows with the current filter and sort; pending edits are dropped.
  bool select() override;

  // Writes all pending inserts, edits and deletes in one transaction; false leaves them pending.
  bool post();
  // Drops all pending edits.
  void cancel();
  // True while some row has edits that are not written.
  bool hasPendingEdits() const { return isDirty(); }
  // True for a row appended for entry and not written yet.
  bool isPendingInsert(int row) const;
  // After a failed post(): true when the database itself refused it (not a check).
  bool refusedByDatabase() const { return m_refusedByDatabase; }

  // Appends an empty row for entry; its index, or -1.
  int appendRow();
  // Marks a row for deletion after the delete check; false = refused. Written by post().
  bool deleteRow(int row);

  // Value of a column of a row by name (case ignored); pending edits included.
  QVariant value(int row, const QString &column) const;
  // Sets a column of a row by name through the column checks.
  bool setValue(int row, const QString &column, const QVariant &value);

  // A filter condition in SQL with ":name" placeholders and their values; empty condition = all rows.
  void setBoundFilter(const QString &condition, const QVariantMap &binds = {});
  // The search boxes: AND of case-insensitive "contains" or "begins with" tests; empty texts are skipped.
  enum class Match { Contains, BeginsWith };
  struct SearchTerm {
    QString column;
    QString text;
    Match match;
  };
  void setSearch(const QList<SearchTerm> &terms);
  // The search condition in force and its values (empty = all rows).
  QString searchCondition() const { return m_searchCondition; }
  QVariantMap searchBinds() const { return m_searchBinds; }
  // The LIKE pattern for a typed text: %, _ and the escape character match literally.
  static QString likePattern(const QString &text, Match match);
  // Sort by one column name, ascending or descending; takes effect on select().
  void setSortColumn(const QString &column, Qt::SortOrder order);
  // A click on a column title: ascending, or descending when it already is ascending; re-read.
  void toggleSort(int column);
  Qt::SortOrder sortOrder() const { return m_order; }
  int sortColumn() const { return m_sortColumn; } // -1 = never sorted by a title

  // First row whose named columns equal the values (exact), or begin with them ignoring case; -1 when none.
  int locate(const QVariantMap &values, bool caseInsensitivePrefix = false);

  // Makes this a detail of master: links are (master column, detail column) pairs.
  void setMaster(RecordTableModel *master, const QList<QPair<QString, QString>> &links);

public slots:
  // Follows the master's row (e.g. its view's current row); -1 shows no rows.
  void setMasterRow(int masterRow);

protected:
  QString selectStatement() const override;
  bool insertRowIntoTable(const QSqlRecord &values) override;
  bool updateRowInTable(int row, const QSqlRecord &values) override;

private:
  void applyFilter();
  QSqlRecord bindableRecord(QSqlRecord rec) const;
  // The row as stored: by its key, or the whole original row for tables without one.
  QSqlRecord storedRow(int row);
  // The edited row as it will be written: stored values with the edits over them.
  QSqlRecord editedRow(const QSqlRecord &stored, const QSqlRecord &edits) const;
  // The pre-post and delete checks of every pending row; refusals are shown.
  bool checkPending();
  // Notes an article's new price for the journal row written with the post.
  void notePriceChange(const QSqlRecord &stored, const QSqlRecord &edited);

  Database &m_db;
  RecordRules &m_rules;
  QString m_table;
  QString m_searchCondition;
  QVariantMap m_searchBinds;
  QString m_masterCondition;
  QVariantMap m_masterBinds;
  QPointer<RecordTableModel> m_master;
  QList<QPair<QString, QString>> m_links;
  bool m_overNoRows = false;          // select() clearing QSqlTableModel's cache
  std::optional<DbError> m_postError; // the database's refusal inside post(), shown after it
  QStringList m_priceChanges;         // "sifra: old -> new" of the pending article edits, for the journal
  int m_sortColumn = -1;
  Qt::SortOrder m_order = Qt::AscendingOrder;
  bool m_refusedByDatabase = false;
};
