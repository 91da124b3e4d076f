#pragma once

#include "data/dbresult.h"

#include <QObject>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

class Database;
class RecordMessages;

// The record checks and defaults of every table, one layer for whoever
// writes a row: the grids (RecordTableModel), the imports, and the repositories
// (whose new rows take their defaults from fillDefaults). Refusals show their
// message through RecordMessages and leave nothing written; the messages are
// modal, so the checks run before a transaction opens, never inside one.
class RecordRules : public QObject {
  Q_OBJECT
public:
  RecordRules(Database &db, RecordMessages &messages, QObject *parent = nullptr);

  // The device's operator numbers, allowed in KONOBARI.RBR (the device profile's range).
  void setOperatorRange(int first, int last) {
    m_firstOperator = first;
    m_lastOperator = last;
  }
  int firstOperator() const { return m_firstOperator; }
  int lastOperator() const { return m_lastOperator; }
  // The operator entered through the restaurant button (rezimRestoran): new receipts get REZIM 1.
  void setRestaurantMode(bool on) { m_restaurant = on; }
  bool restaurantMode() const { return m_restaurant; }

  // Column check as a value is entered; may rewrite value and fill other columns of row. False = refused.
  bool checkColumn(const QString &table, const QString &column, QVariant &value, QSqlRecord &row);
  // Uniqueness counts and required columns (with the defaults in place) before a row
  // is written; refusals are shown. False = refused. row is not changed.
  bool checkBeforePost(const QString &table, const QSqlRecord &row, bool isNew,
                       const QSqlRecord &original = QSqlRecord());
  // The defaults set just before a row is written, and the keys taken for it
  // (PRODATO.rbr: run it inside the inserting transaction).
  void applyDefaults(const QString &table, QSqlRecord &row, bool isNew);
  // The defaults that need no database: every row any writer inserts takes them
  // from here. restaurantMode: a new receipt gets REZIM 1.
  static void fillDefaults(const QString &table, QSqlRecord &row, bool isNew, bool restaurantMode = false);
  // Dependent updates once an edited row is stored (article tax group and name).
  void afterPost(const QString &table, const QSqlRecord &row, const QSqlRecord &original);
  // Shows why the database refused a row ("DUPLA SIFRA!" for a duplicate key).
  void reportPostError(const QString &table, const DbError &error);
  // Delete check of a row; false = refused (a table with open lines, a waiter with open
  // tables, the last administrator).
  bool canDelete(const QString &table, const QSqlRecord &row);

  // The checks of a new row that need no other row: column checks of every value
  // given (values may be rewritten), then the required columns with the defaults
  // in place. For writers that know the keys themselves (imports); refusals are shown.
  bool checkFields(const QString &table, QSqlRecord &row);
  // A whole post without a grid: column checks, pre-post checks, bound INSERT. False = refused or
  // failed (shown). Called with no transaction open, as every path that may show a message.
  bool insert(const QString &table, QSqlRecord row);
  // What insert() does before it writes: the column checks (which may rewrite values) and the
  // pre-post checks of a new row with every column of table. False = refused (shown).
  bool checkNew(const QString &table, QSqlRecord &row);
  // The same for an edit of the stored row original.
  bool update(const QString &table, QSqlRecord row, const QSqlRecord &original);
  // Delete check and bound DELETE of the stored row.
  bool remove(const QString &table, const QSqlRecord &row);

  // Every column of table, all empty (null), ready to be filled for insert().
  static QSqlRecord emptyRecord(const QString &table);
  // ISO 7064 MOD 11,10 check of a 9-digit tax number; empty after trimming also passes.
  static bool isValidPib(const QString &pib);
  // The table's text for a refused post (empty for tables without one).
  static QString postErrorText(const QString &table);
  // The table's message for a duplicate key found by the count before posting.
  static QString duplicateText(const QString &table);

signals:
  // Rows of table were changed behind the grids' backs; open views should re-read it.
  void tableChanged(const QString &table);

private:
  bool isUnique(const QString &table, const QSqlRecord &row, bool isNew, const QSqlRecord &original);
  bool checkRequired(const QString &table, const QSqlRecord &row);
  bool canDeleteWaiter(const QSqlRecord &row);
  // Another waiter than row's is an administrator; refused with the closing message otherwise.
  bool keepsAnAdministrator(const QSqlRecord &row);
  bool checkColumns(const QString &table, QSqlRecord &row);
  bool checkTypes(const QString &table, const QString &column, QVariant &value);
  QString keyCondition(const QString &table, const QSqlRecord &original, QVariantMap &binds) const;
  bool refuse(const QString &title, const QString &text, bool beep = false);
  void show(const QString &title, const QString &text);
  void warn(const QString &text);
  void ignoringErrors(const QString &sql, const QVariantMap &binds);

  Database &m_db;
  RecordMessages &m_messages;
  int m_firstOperator = 0;
  int m_lastOperator = 24;
  bool m_restaurant = false;
};
