#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Database;
class LegacySource;

// A row the record checks (or the database) would not take.
struct RefusedRow {
  int position = 0; // row of the source table, from 1
  QString key;      // its key columns, e.g. "SIFRA 17"
  QString reason;   // the check's own message
};

// What came over of one table of the schema.
struct TableImport {
  QString table;      // as the schema names it (ARTIKLI, ...)
  bool found = false; // the source has the table
  int read = 0;
  int imported = 0;
  QList<RefusedRow> refused;
  QStringList extraColumns;      // source columns the schema has no place for
  QStringList missingColumns;    // schema columns the source lacks (they take their defaults)
  QStringList unreadableColumns; // source columns of a kind that cannot be read
};

struct ImportReport {
  bool ok = false;
  QString source;  // where the data came from
  QString failure; // why nothing was imported
  QList<TableImport> tables;

  const TableImport *table(const QString &name) const;
  // The report as the user reads it: per table the rows read, taken and refused, with the reasons.
  QString text() const;
};

// Moves a shop's data from the older program's database into this program's,
// table by table and column by column as the schema names them, every row through
// the record checks. One transaction: a table that cannot be read leaves the target
// as it was. A target that already holds sales is refused, so histories never mix.
class LegacyImport {
public:
  // Refused rows listed per table in the report text; the count covers them all.
  static constexpr int kListedRefusals = 50;

  explicit LegacyImport(Database &target);
  // The device's operator numbers allowed in KONOBARI.RBR.
  void setOperatorRange(int first, int last);

  ImportReport run(LegacySource &source);

  // Into kasa.db of dir, made for it when missing; a file made here is removed again
  // when the import fails.
  static ImportReport intoDirectory(const QString &dir, LegacySource &source, int firstOperator,
                                    int lastOperator);
  // The older program's data that a database directory of the kind tipBaze offers: DBF tables
  // for kind 2; kasa.mdb for kind 1 while no kasa.db is there yet. nullptr when there are none.
  static std::unique_ptr<LegacySource> sourceIn(const QString &dir, int tipBaze);
  // The tables in the order they are imported: code lists before the rows that refer to them.
  static QStringList tableOrder();

private:
  Database &m_db;
  int m_firstOperator = 0;
  int m_lastOperator = 24;
};
