#include "data/legacyimport.h"

#include "common/rounding.h"
#include "data/auditjournal.h"
#include "data/database.h"
#include "data/dbfdirectory.h"
#include "data/legacysource.h"
#include "data/mdbexport.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"
#include "data/schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The rules speak to nobody during an import: the last thing they said is the row's reason.
class NotedMessages : public RecordMessages {
public:
  void show(const QString &, const QString &text) override { m_last = text; }
  void warning(const QString &text) override { m_last = text; }
  bool opensPrompt() const override { return false; }
  QString take() {
    QString t = m_last.isEmpty() ? QStringLiteral("red je odbijen") : m_last;
    m_last.clear();
    return t;
  }

private:
  QString m_last;
};

QDateTime dateTimeFromText(const QString &text) {
  const QString t = text.trimmed();
  for (const char *format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd", "yyyyMMdd"}) {
    const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(format));
    if (dt.isValid())
      return dt;
  }
  return {};
}

// A source value in the form the column's checks and the database take; what cannot be
// read as the column's kind stays text, for the checks to refuse with their own words.
QVariant forColumn(const ColumnDef &c, const QVariant &v) {
  if (v.isNull())
    return v;
  const int type = v.typeId();
  switch (c.type) {
  case ColumnType::Text:
    if (type == QMetaType::Double)
      return QString::number(v.toDouble(), 'g', 15); // a code kept in a numeric field
    return v.toString();
  case ColumnType::Integer:
  case ColumnType::Small:
  case ColumnType::Decimal:
  case ColumnType::Float:
    if (type == QMetaType::Bool)
      return v.toBool() ? 1.0 : 0.0;
    if (type == QMetaType::QString) {
      const QString t = v.toString().trimmed();
      if (t.isEmpty())
        return QVariant();
      bool ok = false;
      const double n = t.toDouble(&ok);
      return ok ? QVariant(n) : v;
    }
    return v;
  case ColumnType::Date:
    if (type == QMetaType::QDateTime)
      return v.toDateTime().date();
    if (type == QMetaType::QString) {
      if (v.toString().trimmed().isEmpty())
        return QVariant();
      const QDateTime dt = dateTimeFromText(v.toString());
      return dt.isValid() ? QVariant(dt.date()) : v;
    }
    return v;
  case ColumnType::DateTime:
    if (type == QMetaType::QDate)
      return QDateTime(v.toDate(), QTime(0, 0));
    if (type == QMetaType::QString) {
      if (v.toString().trimmed().isEmpty())
        return QVariant();
      const QDateTime dt = dateTimeFromText(v.toString());
      return dt.isValid() ? QVariant(dt) : v;
    }
    return v;
  case ColumnType::Boolean:
    if (type == QMetaType::QString) {
      const QString t = v.toString().trimmed().toUpper();
      if (t == QLatin1String("T") || t == QLatin1String("TRUE") || t == QLatin1String("Y") ||
          t == QLatin1String("DA") || t == QLatin1String("1"))
        return true;
      if (t == QLatin1String("F") || t == QLatin1String("FALSE") || t == QLatin1String("N") ||
          t == QLatin1String("NE") || t == QLatin1String("0"))
        return false;
      return QVariant();
    }
    if (type == QMetaType::Double)
      return v.toDouble() != 0;
    return v;
  }
  return v;
}

// The columns that name a row in the report: the key, or the first two columns.
QStringList keyColumns(const TableDef &t) {
  if (!t.primaryKey.isEmpty())
    return t.primaryKey;
  QStringList first;
  for (int i = 0; i < t.columns.size() && i < 2; ++i)
    first << t.columns.at(i).name;
  return first;
}

QString keyText(const TableDef &t, const QSqlRecord &row) {
  QStringList parts;
  for (const QString &c : keyColumns(t)) {
    const QVariant v = row.value(c);
    parts << c.toUpper() + QLatin1Char(' ') +
                 (v.isNull()                        ? QStringLiteral("-")
                  : v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15)
                                                    : v.toString().trimmed());
  }
  return parts.join(QStringLiteral(", "));
}

// A refusal of the row itself (a key or another constraint), as opposed to a failing database.
bool isRowRefusal(const QSqlError &e) {
  return Database::isKeyViolation(e) || e.nativeErrorCode().startsWith(QLatin1String("23")) ||
         e.databaseText().contains(QLatin1String("constraint"), Qt::CaseInsensitive);
}

// One table of the schema from its source table into the target.
class TableCopy {
public:
  TableCopy(Database &db, RecordRules &rules, NotedMessages &noted, const TableDef &def)
      : m_db(db), m_rules(rules), m_noted(noted), m_def(def), m_template(RecordRules::emptyRecord(def.name)) {
    if (def.name == QLatin1String("RACUNI"))
      m_rezim = m_template.indexOf(QStringLiteral("rezim"));
    if (def.name == QLatin1String("PRODATO"))
      m_lineNumber = m_template.indexOf(QStringLiteral("rbr"));
  }

  // false: the table could not be read or written (failure says why); refused rows are no failure.
  bool copy(LegacyTable &source, TableImport &out, QString *failure) {
    const QStringList columns = source.columns();
    std::vector<int> target(columns.size(), -1); // schema column of each source column
    QStringList seen;
    for (int i = 0; i < columns.size(); ++i) {
      const ColumnDef *c = m_def.column(columns.at(i).trimmed());
      if (c && !seen.contains(c->name)) {
        target[i] = m_template.indexOf(c->name);
        seen << c->name;
      } else if (!columns.at(i).startsWith(QLatin1Char('_'))) { // _NullFlags and the like: the format's own
        out.extraColumns << columns.at(i).toUpper();
      }
    }
    for (const ColumnDef &c : m_def.columns)
      if (!seen.contains(c.name))
        out.missingColumns << c.name.toUpper();
    out.unreadableColumns = source.unreadableColumns();
    if (!prepareInsert(failure))
      return false;

    QVariantList values;
    while (source.next(values)) {
      ++out.read;
      QSqlRecord row = m_template;
      for (int i = 0; i < values.size() && i < int(target.size()); ++i)
        if (target[i] >= 0)
          row.setValue(target[i], forColumn(m_def.columns.at(target[i]), values.at(i)));
      const QVariant rezim = m_rezim >= 0 ? row.value(m_rezim) : QVariant();
      if (!m_rules.checkNew(m_def.name, row)) {
        out.refused.append({source.position(), keyText(m_def, row), m_noted.take()});
        continue;
      }
      RecordRules::fillDefaults(m_def.name, row, true);
      if (!rezim.isNull())
        row.setValue(m_rezim, rezim); // a stored receipt keeps the mode it was sold in
      if (m_lineNumber >= 0 && row.value(m_lineNumber).isNull())
        row.setValue(m_lineNumber, nextLineNumber());
      const auto written = insert(row);
      if (written.isValid()) {
        if (!isRowRefusal(written)) {
          *failure =
              QStringLiteral("%1, red %2: %3").arg(m_def.name).arg(source.position()).arg(written.text());
          return false;
        }
        m_rules.reportPostError(m_def.name, DbError::from(written));
        out.refused.append({source.position(), keyText(m_def, row), m_noted.take()});
        continue;
      }
      ++out.imported;
    }
    if (!source.error().isEmpty()) {
      *failure = QStringLiteral("%1: %2").arg(m_def.name, source.error());
      return false;
    }
    return true;
  }

private:
  bool prepareInsert(QString *failure) {
    QStringList names, holders;
    for (const ColumnDef &c : m_def.columns) {
      names << c.name;
      holders << QStringLiteral("?");
    }
    m_insert = QSqlQuery(m_db.connection());
    if (!m_insert.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(m_def.sqlName(), names.join(QLatin1Char(',')), holders.join(QLatin1Char(','))))) {
      *failure = m_insert.lastError().text();
      return false;
    }
    return true;
  }

  // An invalid error when the row was written.
  QSqlError insert(const QSqlRecord &row) {
    // On PostgreSQL a refused row would spoil the whole transaction; a savepoint keeps it to the row.
    std::optional<Transaction> own;
    if (m_db.kind() == DatabaseKind::PostgreSQL)
      own.emplace(m_db);
    for (int i = 0; i < m_def.columns.size(); ++i) {
      const ColumnDef &c = m_def.columns.at(i);
      QVariant v = row.value(i);
      if (!v.isNull() && c.type == ColumnType::Decimal)
        v = MyRound(c.scale, v.toDouble()); // what a decimal column keeps
      else if (!v.isNull() && c.type == ColumnType::Boolean)
        v = m_db.booleanValue(v.toBool());
      m_insert.bindValue(i, v);
    }
    if (!m_insert.exec())
      return m_insert.lastError();
    if (own && !own->commit())
      return QSqlError(m_db.lastError(), QString(), QSqlError::TransactionError);
    return {};
  }

  int nextLineNumber() {
    if (m_nextRbr == 0)
      m_nextRbr =
          m_db.scalar(QStringLiteral("SELECT COALESCE(MAX(rbr), 0) + 1 FROM prodato")).value_or(1).toInt();
    return m_nextRbr++;
  }

  Database &m_db;
  RecordRules &m_rules;
  NotedMessages &m_noted;
  const TableDef &m_def;
  QSqlRecord m_template;
  QSqlQuery m_insert;
  int m_rezim = -1;      // RACUNI.REZIM
  int m_lineNumber = -1; // PRODATO.rbr, numbered here when the source has none
  int m_nextRbr = 0;
};

QString sourceTableFor(const QStringList &present, const QString &table) {
  for (const QString &name : present)
    if (name.trimmed().compare(table, Qt::CaseInsensitive) == 0)
      return name;
  return {};
}

} // namespace

const TableImport *ImportReport::table(const QString &name) const {
  for (const TableImport &t : tables)
    if (t.table.compare(name, Qt::CaseInsensitive) == 0)
      return &t;
  return nullptr;
}

QString ImportReport::text() const {
  QStringList lines;
  lines << QStringLiteral("Uvoz iz: %1").arg(source);
  lines << (ok ? QStringLiteral("Uvoz je zavrsen.")
               : QStringLiteral("Uvoz nije uspeo: %1 Nista nije preneto.").arg(failure));
  QStringList absent;
  for (const TableImport &t : tables) {
    if (!t.found) {
      absent << t.table;
      continue;
    }
    lines << QString();
    lines << QStringLiteral("%1: procitano %2, preneto %3, odbijeno %4")
                 .arg(t.table)
                 .arg(t.read)
                 .arg(t.imported)
                 .arg(t.refused.size());
    for (int i = 0; i < t.refused.size() && i < LegacyImport::kListedRefusals; ++i) {
      const RefusedRow &r = t.refused.at(i);
      lines << QStringLiteral("  red %1 (%2): %3").arg(r.position).arg(r.key, r.reason);
    }
    if (t.refused.size() > LegacyImport::kListedRefusals)
      lines << QStringLiteral("  ... i jos %1 odbijenih redova")
                   .arg(t.refused.size() - LegacyImport::kListedRefusals);
    if (!t.missingColumns.isEmpty())
      lines << QStringLiteral("  kolone kojih nema u starim podacima: %1")
                   .arg(t.missingColumns.join(QStringLiteral(", ")));
    if (!t.extraColumns.isEmpty())
      lines
          << QStringLiteral("  kolone koje se ne prenose: %1").arg(t.extraColumns.join(QStringLiteral(", ")));
    if (!t.unreadableColumns.isEmpty())
      lines << QStringLiteral("  kolone koje ne mogu da se procitaju: %1")
                   .arg(t.unreadableColumns.join(QStringLiteral(", ")));
  }
  if (!absent.isEmpty())
    lines << QString()
          << QStringLiteral("Tabele kojih nema u starim podacima: %1").arg(absent.join(QStringLiteral(", ")));
  return lines.join(QLatin1Char('\n'));
}

LegacyImport::LegacyImport(Database &target) : m_db(target) {}

void LegacyImport::setOperatorRange(int first, int last) {
  m_firstOperator = first;
  m_lastOperator = last;
}

QStringList LegacyImport::tableOrder() {
  // Places before partners, partners before receipts, groups and articles before recipes.
  return {QStringLiteral("PORSTOPE"), QStringLiteral("GRUPA"),    QStringLiteral("MESTO"),
          QStringLiteral("PARTNER"),  QStringLiteral("KONOBARI"), QStringLiteral("STOLOVI"),
          QStringLiteral("ARTIKLI"),  QStringLiteral("SASTAV"),   QStringLiteral("RACUNI"),
          QStringLiteral("PRODATO"),  QStringLiteral("RATE"),     QStringLiteral("STOST"),
          QStringLiteral("KNJIGA")};
}

ImportReport LegacyImport::run(LegacySource &source) {
  ImportReport report;
  report.source = source.description();
  auto fail = [&report](const QString &why) {
    report.ok = false;
    report.failure = why;
    for (TableImport &t : report.tables) {
      t.imported = 0;
    }
    return report;
  };
  if (!m_db.isOpen())
    return fail(QStringLiteral("baza nije otvorena."));
  const auto sales =
      m_db.scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM racuni) + (SELECT COUNT(*) FROM prodato)"));
  if (!sales)
    return fail(sales.error());
  if (sales->toInt() > 0)
    return fail(QStringLiteral("baza vec sadrzi prodaju, a uvoz se ne mesa sa postojecim racunima. "
                               "Podatke prenesite u novu, praznu bazu."));
  QString listError;
  const QStringList present = source.tables(&listError);
  if (!listError.isEmpty())
    return fail(listError + QLatin1Char('.'));
  for (const QString &name : tableOrder()) {
    TableImport t;
    t.table = name;
    t.found = !sourceTableFor(present, name).isEmpty();
    report.tables << t;
  }
  if (std::none_of(report.tables.cbegin(), report.tables.cend(),
                   [](const TableImport &t) { return t.found; }))
    return fail(QStringLiteral("nema nijedne tabele starog programa."));

  NotedMessages noted;
  RecordRules rules(m_db, noted);
  rules.setOperatorRange(m_firstOperator, m_lastOperator);
  Transaction unit(m_db);
  if (!unit.isActive())
    return fail(m_db.lastError());
  for (TableImport &t : report.tables) {
    if (!t.found)
      continue;
    QString why;
    std::unique_ptr<LegacyTable> table = source.open(sourceTableFor(present, t.table), &why);
    if (!table)
      return fail(QStringLiteral("%1: %2.").arg(t.table, why));
    TableCopy copy(m_db, rules, noted, *Schema::table(t.table));
    if (!copy.copy(*table, t, &why))
      return fail(why + QLatin1Char('.'));
  }
  QStringList counts;
  for (const TableImport &t : std::as_const(report.tables))
    if (t.found)
      counts << QStringLiteral("%1 %2").arg(t.table).arg(t.imported);
  if (const auto logged = AuditJournal(m_db).append(
          AuditAction::Import, QStringLiteral("stari program %1: %2")
                                   .arg(source.description(), counts.join(QStringLiteral(", "))));
      !logged)
    return fail(logged.error());
  if (!unit.commit())
    return fail(m_db.lastError());
  report.ok = true;
  return report;
}

ImportReport LegacyImport::intoDirectory(const QString &dir, LegacySource &source, int firstOperator,
                                         int lastOperator) {
  const QString file = QDir(dir).filePath(Database::sqliteFileName());
  const bool existed = QFileInfo::exists(file);
  ImportReport report;
  {
    Database db;
    if (!db.open(int(DatabaseKind::SQLite), dir)) {
      report.source = source.description();
      report.failure = QStringLiteral("baza %1 ne moze da se napravi (%2).")
                           .arg(QDir::toNativeSeparators(file), db.lastError());
      return report;
    }
    LegacyImport import(db);
    import.setOperatorRange(firstOperator, lastOperator);
    report = import.run(source);
  }
  if (!report.ok && !existed)
    for (const char *tail : {"", "-wal", "-shm", "-journal"})
      QFile::remove(file + QLatin1String(tail));
  return report;
}

std::unique_ptr<LegacySource> LegacyImport::sourceIn(const QString &dir, int tipBaze) {
  const QDir d(dir.trimmed());
  if (dir.trimmed().isEmpty() || !d.exists())
    return nullptr;
  if (tipBaze == int(DatabaseKind::DBase))
    return DbfDirectory::holdsTables(d.path()) ? std::make_unique<DbfDirectory>(d.path()) : nullptr;
  if (tipBaze != int(DatabaseKind::SQLite) || d.exists(Database::sqliteFileName()))
    return nullptr;
  const QStringList mdb = d.entryList({QStringLiteral("kasa.mdb")}, QDir::Files);
  return mdb.isEmpty() ? nullptr : std::make_unique<MdbExport>(d.filePath(mdb.first()));
}
