#pragma once

#include "data/dbresult.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// Column types of the thirteen tables, named as the database documents them.
enum class ColumnType { Text, Integer, Small, Decimal, Float, Date, DateTime, Boolean };

struct ColumnDef {
  QString name; // lower case; lookups by name ignore case
  ColumnType type;
  int length = 0; // characters of a Text column; digits of a Decimal
  int scale = 0;  // decimals of a Decimal
  bool required = false;
  QString sqlType() const;
};

struct TableDef {
  QString name; // upper case, as the program names the table
  QList<ColumnDef> columns;
  QStringList primaryKey;
  const ColumnDef *column(const QString &name) const; // nullptr when absent; name case ignored
  QString sqlName() const { return name.toLower(); }
};

// The schema and its versions. Version 1 is the thirteen tables as the shop
// databases always had them; every later version is an upgrade applied in
// one transaction, so an older database keeps its rows.
namespace Schema {

const QList<TableDef> &tables();
const TableDef *table(const QString &name); // nullptr when unknown; case ignored
// DNEVNIK, the append-only audit journal (data/auditjournal.h); not one of tables().
const TableDef &auditTable();
// UPISANI_KORACI: the steps a till kept while the server was out of reach (and, on a
// server, every step) by their id, written with them: a step is never written twice,
// even when a till died between the commit and crossing it off. Not one of tables().
const TableDef &appliedStepsTable();
// RACUNI.KASA, kept out of the RACUNI of tables() (copies, imports and exports carry the
// shop's columns only): the till that wrote the receipt, by its fiscal device's number. NULL
// on receipts written before tills were told apart, which every till counts as its own.
const ColumnDef &receiptTillColumn();
int currentVersion();
// The statements that bring a database of version - 1 to version.
QStringList upgradeStatements(int version);
// Version stored in the database: 0 = empty database, 1 = the tables without a version record.
int storedVersion(Database &db);
// Creates or upgrades to currentVersion() (or to target when given).
DbResult<> ensure(Database &db, int target = -1);

} // namespace Schema
