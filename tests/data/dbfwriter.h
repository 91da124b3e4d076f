#pragma once

// Writes DBF tables with shapelib for the import tests: text fields in the legacy
// single-byte charset, numbers, dates (yyyyMMdd) and logicals as dBase stores them.
#include "common/legacycharset.h"

#include <QDate>
#include <QFile>
#include <QVariant>

#include <shapefil.h>

#include <stdexcept>
#include <vector>

struct DbfField {
  const char *name;
  char type; // C, N, D or L
  int width;
  int decimals = 0;
};

class DbfWriter {
public:
  DbfWriter(const QString &file, std::vector<DbfField> fields) : m_fields(std::move(fields)) {
    m_h = DBFCreateEx(QFile::encodeName(file).constData(), "LDID/0");
    if (!m_h)
      throw std::runtime_error("DBFCreate failed");
    for (const DbfField &f : m_fields)
      if (DBFAddNativeFieldType(m_h, f.name, f.type, f.width, f.decimals) < 0)
        throw std::runtime_error(std::string("DBFAddField failed: ") + f.name);
  }
  ~DbfWriter() { DBFClose(m_h); }

  // One value per field; a null QVariant leaves the field empty.
  void row(const QVariantList &values) {
    const int r = m_rows++;
    for (int i = 0; i < int(m_fields.size()); ++i) {
      const QVariant v = i < values.size() ? values.at(i) : QVariant();
      const DbfField &f = m_fields.at(i);
      if (v.isNull()) {
        DBFWriteNULLAttribute(m_h, r, i);
      } else if (f.type == 'C') {
        DBFWriteStringAttribute(m_h, r, i, LegacyCharset::fromUnicode(v.toString()).constData());
      } else if (f.type == 'N') {
        DBFWriteDoubleAttribute(m_h, r, i, v.toDouble());
      } else if (f.type == 'D') {
        QByteArray day = v.toDate().toString(QStringLiteral("yyyyMMdd")).toLatin1();
        DBFWriteAttributeDirectly(m_h, r, i, day.data());
      } else if (f.type == 'L') {
        DBFWriteLogicalAttribute(m_h, r, i, v.toBool() ? 'T' : 'F');
      }
    }
  }
  // The row just written is marked deleted, as dBase leaves a deleted row in the file.
  void markDeleted() { DBFMarkRecordDeleted(m_h, m_rows - 1, 1); }

private:
  DBFHandle m_h = nullptr;
  std::vector<DbfField> m_fields;
  int m_rows = 0;
};
