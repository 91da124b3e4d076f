#include "data/dbfdirectory.h"

#include "common/legacycharset.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <shapefil.h>

#include <cstring>

namespace {

// Files of the directory that hold a table of the schema, by table name.
QMap<QString, QString> tableFiles(const QString &dir) {
  QMap<QString, QString> found;
  const QStringList files =
      QDir(dir).entryList({QStringLiteral("*.dbf"), QStringLiteral("*.DBF")}, QDir::Files);
  for (const QString &f : files) {
    const QString name = QFileInfo(f).completeBaseName().toUpper();
    if (Schema::table(name) && !found.contains(name))
      found.insert(name, QDir(dir).filePath(f));
  }
  return found;
}

// The bytes of a field without the blanks (and zero bytes) that pad it on the right.
QByteArray trimmedRight(const char *p, int width) {
  int n = width;
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
    --n;
  return QByteArray(p, n);
}

QByteArray trimmed(const char *p, int width) {
  return trimmedRight(p, width).trimmed();
}

// shapelib names what went wrong through its error hook; it goes into the import's report
// instead of onto standard error. The import runs on one thread at a time.
thread_local QByteArray t_shapelibError;

void noteShapelibError(const char *message) {
  t_shapelibError = QByteArray(message).trimmed();
}

SAHooks quietHooks() {
  SAHooks hooks;
  SASetupDefaultHooks(&hooks);
  hooks.Error = noteShapelibError;
  return hooks;
}

QString shapelibSays() {
  return t_shapelibError.isEmpty() ? QString()
                                   : QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(t_shapelibError));
}

// Julian day number 0 is the empty date of the binary date-time field.
QVariant foxDateTime(const char *p) {
  const qint32 day = qFromLittleEndian<qint32>(p);
  const qint32 ms = qFromLittleEndian<qint32>(p + 4);
  if (day <= 0)
    return QVariant();
  return QDateTime(QDate::fromJulianDay(day), QTime(0, 0).addMSecs(ms));
}

// One table read with shapelib: shapelib finds the records and their fields; the value of a
// field is taken from the record bytes it returns, typed by the field's letter. Shapelib's own
// readers know the dBase letters C, N, F, D and L; the Visual FoxPro letters I, B, Y and T hold
// binary numbers that its readers would give as text, so those are decoded here.
class DbfTable : public LegacyTable {
public:
  explicit DbfTable(DBFHandle handle) : m_h(handle) {
    const int n = DBFGetFieldCount(m_h);
    for (int i = 0; i < n; ++i) {
      char name[XBASE_FLDNAME_LEN_READ + 1] = {};
      int width = 0, decimals = 0;
      DBFGetFieldInfo(m_h, i, name, &width, &decimals);
      Field f;
      f.name = QString::fromLatin1(name);
      f.type = DBFGetNativeFieldType(m_h, i);
      f.width = width;
      f.offset = m_h->panFieldOffset[i];
      m_fields << f;
      if (!readable(f))
        m_unreadable << QStringLiteral("%1 (tip %2)").arg(f.name, QString(QLatin1Char(f.type)));
    }
    m_count = DBFGetRecordCount(m_h);
  }
  ~DbfTable() override { DBFClose(m_h); }

  QStringList columns() const override {
    QStringList names;
    for (const Field &f : m_fields)
      names << f.name;
    return names;
  }

  QStringList unreadableColumns() const override { return m_unreadable; }
  QString error() const override { return m_error; }
  int position() const override { return m_record + 1; }

  bool next(QVariantList &row) override {
    while (++m_record < m_count) {
      if (DBFIsRecordDeleted(m_h, m_record))
        continue;
      t_shapelibError.clear();
      const char *rec = DBFReadTuple(m_h, m_record);
      if (!rec) {
        m_error = QStringLiteral("zapis %1 ne moze da se procita%2").arg(m_record + 1).arg(shapelibSays());
        return false;
      }
      row.resize(m_fields.size());
      for (int i = 0; i < m_fields.size(); ++i)
        row[i] = value(m_fields.at(i), rec + m_fields.at(i).offset);
      return true;
    }
    return false;
  }

private:
  struct Field {
    QString name;
    char type = 'C';
    int width = 0;
    int offset = 0;
  };

  static bool readable(const Field &f) {
    switch (f.type) {
    case 'C':
    case 'N':
    case 'F':
    case 'D':
    case 'L':
    case 'I':
      return true;
    case 'B':
    case 'Y':
    case 'T':
      return f.width == 8;
    default:
      return false; // memo and picture fields hold a block number; the schema has none of them
    }
  }

  static QVariant value(const Field &f, const char *p) {
    switch (f.type) {
    case 'C': {
      const QByteArray bytes = trimmedRight(p, f.width);
      return LegacyCharset::toUnicode(bytes);
    }
    case 'N':
    case 'F': {
      const QByteArray t = trimmed(p, f.width);
      bool ok = false;
      const double v = t.toDouble(&ok);
      return ok ? QVariant(v) : QVariant(); // blanks or '*' overflow marks: no value
    }
    case 'D': {
      const QByteArray t = trimmed(p, f.width);
      const QDate d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
      return d.isValid() ? QVariant(d) : QVariant();
    }
    case 'L':
      switch (*p) {
      case 'T':
      case 't':
      case 'Y':
      case 'y':
        return true;
      case 'F':
      case 'f':
      case 'N':
      case 'n':
        return false;
      default:
        return QVariant(); // '?' or blank: not given
      }
    case 'I':
      return f.width == 4 ? QVariant(double(qFromLittleEndian<qint32>(p))) : QVariant();
    case 'B':
      if (f.width == 8) {
        double v;
        std::memcpy(&v, p, 8);
        return qFromLittleEndian(v);
      }
      return QVariant();
    case 'Y':
      return f.width == 8 ? QVariant(double(qFromLittleEndian<qint64>(p)) / 10000.0) : QVariant();
    case 'T':
      return f.width == 8 ? foxDateTime(p) : QVariant();
    default:
      return QVariant();
    }
  }

  DBFHandle m_h;
  QList<Field> m_fields;
  QStringList m_unreadable;
  QString m_error;
  int m_count = 0;
  int m_record = -1;
};

} // namespace

DbfDirectory::DbfDirectory(const QString &dir) : m_dir(dir) {}

bool DbfDirectory::holdsTables(const QString &dir) {
  return !tableFiles(dir).isEmpty();
}

QString DbfDirectory::description() const {
  return QStringLiteral("DBF tabele u folderu %1").arg(QDir::toNativeSeparators(m_dir));
}

QStringList DbfDirectory::tables(QString *error) const {
  if (!QFileInfo(m_dir).isDir())
    *error = QStringLiteral("folder %1 ne postoji").arg(QDir::toNativeSeparators(m_dir));
  return tableFiles(m_dir).keys();
}

std::unique_ptr<LegacyTable> DbfDirectory::open(const QString &table, QString *error) {
  const QString file = tableFiles(m_dir).value(table.toUpper());
  if (file.isEmpty()) {
    *error = QStringLiteral("nema datoteke %1.DBF").arg(table.toUpper());
    return nullptr;
  }
  // "rb": shapelib only reads the file.
  SAHooks hooks = quietHooks();
  t_shapelibError.clear();
  DBFHandle h = DBFOpenLL(QFile::encodeName(file).constData(), "rb", &hooks);
  if (!h) {
    *error = QStringLiteral("datoteka %1 nije ispravna DBF tabela%2")
                 .arg(QDir::toNativeSeparators(file), shapelibSays());
    return nullptr;
  }
  return std::make_unique<DbfTable>(h);
}
