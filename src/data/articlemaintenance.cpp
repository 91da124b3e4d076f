#include "data/articlemaintenance.h"

#include "common/csvfile.h"
#include "common/localetext.h"
#include "common/rounding.h"
#include "data/articlecsv.h"
#include "data/changenotifier.h"
#include "data/database.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"

#include <QHash>

using Maintenance::failure;
using Maintenance::lineText;
using Maintenance::QuietCheck;

ArticleMaintenance::ArticleMaintenance(Database &db, RecordRules &rules)
    : m_db(db), m_rules(rules), m_articles(db) {}

MaintenanceOutcome ArticleMaintenance::exportArticles(const QString &path, const ArticleScope &scope) {
  auto q = m_articles.rows(scope);
  if (!q)
    return failure(q.error());
  const QChar sep = LocaleText::listSeparator();
  QStringList lines;
  while (q->next())
    lines << ArticleCsv::articleLine(q->record(), sep);
  QString error;
  if (!CsvFile::writeLines(path, lines, &error))
    return failure(error);
  MaintenanceOutcome o;
  o.ok = true;
  o.title = QStringLiteral("Obavestenje!");
  o.text = QStringLiteral("Uspesan upis");
  o.count = int(lines.size());
  return o;
}

MaintenanceOutcome ArticleMaintenance::replaceArticles(const QList<QPair<int, QSqlRecord>> &rows,
                                                       const ArticleScope &scope, const AuditNote &note) {
  // Codes must stay unique against the file itself and the rows outside the scope.
  const auto all = m_articles.codes({});
  const auto inScope = m_articles.codes(scope);
  if (!all || !inScope)
    return failure(all ? inScope.error() : all.error());
  QSet<QString> taken = *all - *inScope;
  QuietCheck check(m_db, m_rules);
  QList<QSqlRecord> checked;
  checked.reserve(rows.size());
  for (const auto &[line, given] : rows) {
    QSqlRecord row = given;
    if (const QString refusal = check.refusal(QStringLiteral("ARTIKLI"), row); !refusal.isEmpty())
      return failure(lineText(line, refusal));
    const QString key = ArticleRepository::codeKey(row.value(QStringLiteral("sifra")).toString());
    if (taken.contains(key))
      return failure(lineText(line, RecordRules::duplicateText(QStringLiteral("ARTIKLI"))));
    taken.insert(key);
    checked.append(row);
  }
  return Maintenance::replaceRows(
      m_db, m_rules, QStringLiteral("ARTIKLI"), [&] { return m_articles.removeRows(scope); }, checked,
      [&](const QSqlRecord &row) { return m_articles.insertRow(row); }, note);
}

MaintenanceOutcome ArticleMaintenance::importArticles(const QString &path, const ArticleScope &scope) {
  QStringList lines;
  QString error;
  if (!CsvFile::readLines(path, &lines, &error))
    return failure(error);
  const QChar sep = LocaleText::listSeparator();
  QList<QPair<int, QSqlRecord>> rows;
  for (int i = 0; i < lines.size(); ++i)
    if (auto row = ArticleCsv::articleRow(lines.at(i), sep))
      rows.append({i + 1, *row});
  return replaceArticles(
      rows, scope,
      {AuditAction::Import, QStringLiteral("artikli iz %1: %2 artikala").arg(path).arg(rows.size())});
}

MaintenanceOutcome ArticleMaintenance::takeOver(const QList<DeviceArticleRow> &device,
                                                const ArticleScope &scope) {
  QList<QPair<int, QSqlRecord>> rows;
  for (int i = 0; i < device.size(); ++i) {
    const DeviceArticleRow &d = device.at(i);
    QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("ARTIKLI"));
    row.setValue(QStringLiteral("sifra"), d.sifra.trimmed());
    row.setValue(QStringLiteral("barkod"), d.barkod.trimmed());
    row.setValue(QStringLiteral("naziv"), d.naziv.trimmed());
    bool ok = false;
    const double cena = LocaleText::toNumber(d.cena, &ok);
    row.setValue(QStringLiteral("cena"), ok ? cena : 0.0);
    const int grupa = d.poreskaGrupa.trimmed().toInt(&ok);
    row.setValue(QStringLiteral("stopa"), ok ? grupa : 0);
    row.setValue(QStringLiteral("lager"), 0.0);
    rows.append({i + 1, row});
  }
  return replaceArticles(
      rows, scope, {AuditAction::ArticleTakeOver, QStringLiteral("artikli iz kase: %1").arg(rows.size())});
}

MaintenanceOutcome ArticleMaintenance::receiveGoods(const QString &path) {
  QStringList lines;
  QString error;
  if (!CsvFile::readLines(path, &lines, &error))
    return failure(error);
  const auto groups = m_articles.groupCodes();
  if (!groups)
    return failure(groups.error());
  const QChar sep = LocaleText::listSeparator();

  // First pass: every line; the message is that of the last rule the last bad line breaks.
  QList<QPair<int, ArticleCsv::ReceiptLine>> received;
  QString message;
  for (int i = 0; i < lines.size(); ++i) {
    if (lines.at(i).trimmed().isEmpty())
      continue;
    ArticleCsv::ReceiptLine l = ArticleCsv::receiptLine(lines.at(i), sep);
    if (const QString broken = ArticleCsv::lastBrokenRule(l, *groups); !broken.isEmpty())
      message = QStringLiteral("Artikal %1: %2 (red %3)").arg(l.sifra, broken).arg(i + 1);
    received.append({i + 1, l});
  }
  if (!message.isEmpty())
    return failure(message);

  // Second pass, all in one unit: edit known codes, add new ones. The rows are
  // checked as they are built, before anything is written.
  QHash<QString, QSqlRecord> pending; // by code: later lines of the same code build on earlier ones
  QList<QString> order;
  QHash<QString, QSqlRecord> stored;
  QuietCheck check(m_db, m_rules);
  for (const auto &[line, l] : std::as_const(received)) {
    const QString key = ArticleRepository::codeKey(l.sifra);
    QSqlRecord row;
    if (pending.contains(key)) {
      row = pending.value(key);
    } else {
      const auto found = m_articles.record(l.sifra);
      if (!found)
        return failure(found.error());
      if (*found) {
        stored.insert(key, **found);
        row = **found;
      } else {
        row = RecordRules::emptyRecord(QStringLiteral("ARTIKLI"));
        row.setValue(QStringLiteral("sifra"), l.sifra);
        row.setValue(QStringLiteral("lager"), 0.0);
      }
      order.append(key);
    }
    row.setValue(QStringLiteral("naziv"), l.naziv);
    row.setValue(QStringLiteral("barkod"), l.barkod);
    row.setValue(QStringLiteral("cena"), l.cenaValue);
    row.setValue(QStringLiteral("stopa"), l.stopaValue);
    row.setValue(QStringLiteral("vrsta"), l.vrsta);
    row.setValue(QStringLiteral("jm"), l.jm);
    row.setValue(QStringLiteral("sifgrupa"), l.sifgrupa);
    row.setValue(QStringLiteral("lager"),
                 MyRound(3, row.value(QStringLiteral("lager")).toDouble() + l.kolicinaValue));
    if (l.minlagValue > 0)
      row.setValue(QStringLiteral("minlag"), l.minlagValue);
    if (const QString refusal = check.refusal(QStringLiteral("ARTIKLI"), row); !refusal.isEmpty())
      return failure(QStringLiteral("Artikal %1: %2 (red %3)").arg(l.sifra, refusal).arg(line));
    pending.insert(key, row);
  }
  // The file may set new prices of known articles: each one is named in the journal.
  QStringList repriced;
  for (const QString &key : std::as_const(order)) {
    if (!stored.contains(key))
      continue;
    const Money before(stored[key].value(QStringLiteral("cena")).toDouble());
    const Money after(pending[key].value(QStringLiteral("cena")).toDouble());
    if (before.units() != after.units())
      repriced << QStringLiteral("%1: %2 -> %3")
                      .arg(stored[key].value(QStringLiteral("sifra")).toString().trimmed(), before.text(),
                           after.text());
  }
  const auto written = m_db.inTransaction([&]() -> DbResult<> {
    for (const QString &key : std::as_const(order)) {
      const QSqlRecord &row = pending[key];
      if (stored.contains(key)) {
        const QSqlRecord &original = stored[key];
        DB_TRY(m_articles.updateRow(row, original.value(QStringLiteral("sifra")).toString()));
        m_rules.afterPost(QStringLiteral("ARTIKLI"), row, original);
      } else {
        DB_TRY(m_articles.insertRow(row));
      }
    }
    AuditJournal journal(m_db);
    DB_TRY(journal.append(AuditAction::Import,
                          QStringLiteral("prijem robe iz %1: %2 artikala").arg(path).arg(order.size())));
    if (!repriced.isEmpty())
      DB_TRY(journal.append(AuditAction::PriceChange,
                            QStringLiteral("prijem robe: ") + repriced.join(QStringLiteral("; "))));
    return ChangeNotifier::announce(m_db, QStringLiteral("ARTIKLI"));
  });
  if (!written)
    return Maintenance::writeFailure(written.failure(), QStringLiteral("ARTIKLI"));
  emit m_rules.tableChanged(QStringLiteral("ARTIKLI"));
  MaintenanceOutcome o;
  o.ok = true;
  o.count = int(order.size());
  return o;
}

double ArticleMaintenance::changedPrice(double p, const PriceChange &change) {
  const double delta = p / 100 * change.percent;
  const double next = change.increase ? p + delta : p - delta;
  return change.wholeNumber ? MyRound(0, next) : MyRound(2, next);
}

MaintenanceOutcome ArticleMaintenance::changePrices(const ArticleScope &scope, const PriceChange &change,
                                                    const std::function<void(int, int)> &progress) {
  ArticleScope byName = scope;
  byName.orderBy = QStringLiteral("ORDER BY naziv");
  auto q = m_articles.rows(byName);
  if (!q)
    return failure(q.error());
  QList<QPair<QString, double>> prices;
  while (q->next())
    prices.append(
        {q->value(QStringLiteral("sifra")).toString(), q->value(QStringLiteral("cena")).toDouble()});
  const int total = int(prices.size());
  QuietCheck check(m_db, m_rules);
  for (int i = 0; i < total; ++i) {
    auto &[sifra, cena] = prices[i];
    cena = changedPrice(cena, change);
    QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("ARTIKLI"));
    row.setValue(QStringLiteral("cena"), cena);
    // Only the price is checked: the rest of the row is as stored.
    row.setValue(QStringLiteral("sifra"), sifra);
    row.setValue(QStringLiteral("naziv"), QStringLiteral("-"));
    row.setValue(QStringLiteral("stopa"), 0);
    row.setValue(QStringLiteral("lager"), 0);
    if (const QString refusal = check.refusal(QStringLiteral("ARTIKLI"), row); !refusal.isEmpty())
      return failure(QStringLiteral("Doslo je do problema prilikom promene cena!\nArtikal %1: %2")
                         .arg(sifra.trimmed(), refusal));
    if (progress)
      progress(i + 1, total);
  }
  const auto written = m_db.inTransaction([&]() -> DbResult<> {
    for (const auto &[sifra, cena] : std::as_const(prices))
      DB_TRY(m_articles.setPrice(sifra, cena));
    DB_TRY(AuditJournal(m_db).append(
        AuditAction::PriceChange,
        QStringLiteral("promena cena za %1 artikala: %2%3%%4")
            .arg(total)
            .arg(change.increase ? QLatin1Char('+') : QLatin1Char('-'))
            .arg(change.percent)
            .arg(change.wholeNumber ? QStringLiteral(", na cele dinare") : QString())));
    return ChangeNotifier::announce(m_db, QStringLiteral("ARTIKLI"));
  });
  if (!written)
    return failure(QStringLiteral("Doslo je do problema prilikom promene cena!"));
  emit m_rules.tableChanged(QStringLiteral("ARTIKLI"));
  MaintenanceOutcome o;
  o.ok = true;
  o.count = total;
  o.title = QStringLiteral("OBAVESTENJE");
  o.text = QStringLiteral("Promena cena uspesno izvrsena. Promenjena cena za %1 artikala!").arg(total);
  return o;
}

MaintenanceOutcome ArticleMaintenance::importRecipe(const QString &path, const QString &sifra) {
  QStringList lines;
  QString error;
  if (!CsvFile::readLines(path, &lines, &error))
    return failure(error);
  const QChar sep = LocaleText::listSeparator();
  QuietCheck check(m_db, m_rules);
  QList<QSqlRecord> rows;
  for (int i = 0; i < lines.size(); ++i) {
    if (lines.at(i).trimmed().isEmpty())
      continue;
    QSqlRecord row = ArticleCsv::recipeRow(lines.at(i), sep);
    const QString fileName = row.value(QStringLiteral("naziv")).toString();
    // The component check fills in the article's name; the file's own wins where it has one.
    if (const QString refusal = check.refusal(QStringLiteral("SASTAV"), row); !refusal.isEmpty())
      return failure(lineText(i + 1, refusal), QStringLiteral("Greska"));
    if (!fileName.trimmed().isEmpty())
      row.setValue(QStringLiteral("naziv"), fileName);
    rows.append(row);
  }
  return Maintenance::replaceRows(
      m_db, m_rules, QStringLiteral("SASTAV"), [&] { return m_articles.removeRecipe(sifra); }, rows,
      [&](const QSqlRecord &row) { return m_articles.insertRecipeRow(row); },
      {AuditAction::Import,
       QStringLiteral("sastavnica %1 iz %2: %3 redova").arg(sifra.trimmed(), path).arg(rows.size())});
}
