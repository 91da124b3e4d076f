#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// One table of the older program's database, read row by row. Values come as
// the source typed them: text already in Unicode, numbers as double, dates as
// QDate or QDateTime, logicals as bool; an empty field is a null QVariant.
class LegacyTable {
public:
  virtual ~LegacyTable() = default;
  // Column names as the source spells them.
  virtual QStringList columns() const = 0;
  // The next row, one value per column; false at the end of the table or on a
  // read failure (error() then says what).
  virtual bool next(QVariantList &row) = 0;
  virtual QString error() const = 0;
  // Position of the row just read in the source (1 = first), for the report.
  virtual int position() const = 0;
  // Columns whose values the reader cannot give (a null is read instead), with the reason.
  virtual QStringList unreadableColumns() const { return {}; }
};

// The older program's database: a directory of DBF tables or an Access file.
class LegacySource {
public:
  virtual ~LegacySource() = default;
  // Where the data come from, for the report.
  virtual QString description() const = 0;
  // Tables present, as the source spells them; error says why none could be listed.
  virtual QStringList tables(QString *error) const = 0;
  // nullptr and a reason when the table cannot be opened.
  virtual std::unique_ptr<LegacyTable> open(const QString &table, QString *error) = 0;
};
