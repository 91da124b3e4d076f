#pragma once

#include "data/legacysource.h"

// The older program's directory of DBF tables (one free table per file, named
// after the table), read with shapelib's DBF reader and never written. Texts are
// in the legacy single-byte charset; rows marked deleted are left out, as the old
// connection hid them.
class DbfDirectory : public LegacySource {
public:
  explicit DbfDirectory(const QString &dir);

  // True when dir holds a DBF file of at least one table of the schema.
  static bool holdsTables(const QString &dir);

  QString description() const override;
  QStringList tables(QString *error) const override;
  std::unique_ptr<LegacyTable> open(const QString &table, QString *error) override;

private:
  QString m_dir;
};
