#include "data/codelistmaintenance.h"

#include "common/csvfile.h"
#include "common/localetext.h"
#include "data/database.h"
#include "data/recordrules.h"

#include <QSet>

using Maintenance::failure;

namespace {

// The columns whose values no two rows of a table may share.
QStringList uniqueColumns(const QString &table) {
  static const QHash<QString, QStringList> keys = {
      {QStringLiteral("PARTNER"), {QStringLiteral("sifpartner")}},
      {QStringLiteral("MESTO"), {QStringLiteral("sifmesto")}},
      {QStringLiteral("KONOBARI"), {QStringLiteral("rbr"), QStringLiteral("sifkonob")}},
      {QStringLiteral("STOLOVI"), {QStringLiteral("brstola")}},
      {QStringLiteral("GRUPA"), {QStringLiteral("sifgrupa")}},
      {QStringLiteral("PORSTOPE"), {QStringLiteral("stopa")}},
  };
  return keys.value(table);
}

// A key as the unique indexes compare it: codes without blanks and letter case.
QString keyOf(const QVariant &v) {
  return v.toString().trimmed().toUpper();
}

QString labelled(const QString &label, const QString &text) {
  return label.isEmpty() ? text : label + QStringLiteral(": ") + text;
}

} // namespace

MaintenanceOutcome CodeListMaintenance::importFile(CodeList list, const QString &path) {
  QStringList lines;
  QString error;
  if (!CsvFile::readLines(path, &lines, &error))
    return failure(error);
  const QChar sep = LocaleText::listSeparator();
  Labelled rows;
  for (int i = 0; i < lines.size(); ++i) {
    QString refused;
    const auto row = CodeListCsv::row(list, lines.at(i), sep, &refused);
    if (!refused.isEmpty())
      return failure(Maintenance::lineText(i + 1, refused));
    if (row)
      rows.append({QStringLiteral("Red %1").arg(i + 1), *row});
  }
  const QString table = CodeListCsv::table(list);
  return replace(
      table, rows,
      {AuditAction::Import, QStringLiteral("%1 iz %2: %3 redova").arg(table, path).arg(rows.size())});
}

MaintenanceOutcome CodeListMaintenance::replaceWaiters(const QList<QSqlRecord> &rows) {
  Labelled named;
  for (const QSqlRecord &r : rows)
    named.append({QStringLiteral("Operater %1").arg(r.value(QStringLiteral("rbr")).toInt()), r});
  return replace(QStringLiteral("KONOBARI"), named,
                 {AuditAction::ArticleTakeOver, QStringLiteral("operateri iz kase: %1").arg(named.size())});
}

MaintenanceOutcome CodeListMaintenance::replaceTaxRates(const QList<QSqlRecord> &rows) {
  Labelled named;
  for (const QSqlRecord &r : rows)
    named.append({QStringLiteral("Stopa %1").arg(r.value(QStringLiteral("stopa")).toInt()), r});
  return replace(QStringLiteral("PORSTOPE"), named,
                 {AuditAction::ArticleTakeOver, QStringLiteral("poreske stope: %1").arg(named.size())});
}

MaintenanceOutcome CodeListMaintenance::defaultTaxRates() {
  QList<QSqlRecord> rows;
  for (int i = 0; i <= 8; ++i) {
    QSqlRecord r = RecordRules::emptyRecord(QStringLiteral("PORSTOPE"));
    r.setValue(QStringLiteral("stopa"), i);
    r.setValue(QStringLiteral("iznos"), 0.0);
    rows.append(r);
  }
  return replaceTaxRates(rows);
}

MaintenanceOutcome CodeListMaintenance::replace(const QString &table, Labelled rows, const AuditNote &note) {
  Maintenance::QuietCheck check(m_db, m_rules);
  QHash<QString, QSet<QString>> seen;
  for (auto &[label, row] : rows) {
    if (const QString refusal = check.refusal(table, row); !refusal.isEmpty())
      return failure(labelled(label, refusal));
    for (const QString &column : uniqueColumns(table)) {
      const QString key = keyOf(row.value(column));
      if (seen[column].contains(key)) {
        const QString text = RecordRules::duplicateText(table);
        return failure(labelled(label, text.isEmpty() ? QStringLiteral("DUPLA SIFRA!") : text));
      }
      seen[column].insert(key);
    }
  }
  if (const QString refusal = wholeTableRefusal(table, rows); !refusal.isEmpty())
    return failure(refusal);
  QList<QSqlRecord> checked;
  for (const auto &[label, row] : std::as_const(rows))
    checked.append(row);
  return Maintenance::replaceRows(
      m_db, m_rules, table, [&] { return m_codes.removeAll(table); }, checked,
      [&](const QSqlRecord &row) { return m_codes.insertRow(table, row); }, note);
}

QString CodeListMaintenance::wholeTableRefusal(const QString &table, Labelled &rows) {
  if (table == QLatin1String("KONOBARI")) {
    QSet<int> numbers;
    bool admin = false;
    for (const auto &[label, row] : std::as_const(rows)) {
      numbers.insert(row.value(QStringLiteral("rbr")).toInt());
      admin = admin || row.value(QStringLiteral("admin")).toBool();
    }
    // Without an administrator nobody could open the code lists again.
    if (!admin)
      return noAdministratorText();
    const auto owners = m_codes.tableOwners();
    if (!owners)
      return owners.error();
    for (auto it = owners->cbegin(); it != owners->cend(); ++it)
      if (!numbers.contains(it.value()))
        return QStringLiteral("Konobar %1 ima otvoren sto %2. Nemoguce brisanje konobara!")
            .arg(it.value())
            .arg(it.key());
  } else if (table == QLatin1String("STOLOVI")) {
    const auto withLines = m_codes.tablesWithLines();
    const auto owners = m_codes.tableOwners();
    if (!withLines || !owners)
      return withLines ? owners.error() : withLines.error();
    QSet<int> numbers;
    for (auto &[label, row] : rows) {
      const int broj = row.value(QStringLiteral("brstola")).toInt();
      numbers.insert(broj);
      // An open table stays its waiter's: the file does not carry the owner.
      if (owners->contains(broj))
        row.setValue(QStringLiteral("sifkonob"), owners->value(broj));
    }
    for (int broj : *withLines)
      if (!numbers.contains(broj))
        return QStringLiteral("Sto %1 nije prazan.Nemoguce brisanje stola!").arg(broj);
  }
  return QString();
}

QString CodeListMaintenance::closingRefusal() {
  const auto n = m_codes.administratorCount();
  if (!n)
    return QStringLiteral("Greska prilikom citanja tabele KONOBARI!");
  return *n == 0 ? noAdministratorText() : QString();
}
