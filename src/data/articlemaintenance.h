#pragma once

#include "data/articlerepository.h"
#include "data/maintenanceoutcome.h"

#include <QList>
#include <QString>

#include <functional>

class Database;
class RecordRules;

// One row of the device article list (the device article window's texts).
struct DeviceArticleRow {
  QString sifra, barkod, naziv, cena, poreskaGrupa;
};

// The whole-table operations of the articles window. Each one checks all its
// input first (every line of a file, every new price) with the record rules,
// without showing anything, and then writes everything in one transaction or
// nothing: a bad line in the middle of a file leaves the tables as they were,
// and the outcome names that line. Messages are the caller's to show, after
// the transaction has closed.
class ArticleMaintenance {
public:
  ArticleMaintenance(Database &db, RecordRules &rules);

  // "Izvoz u CSV": the rows within scope, one line each.
  MaintenanceOutcome exportArticles(const QString &path, const ArticleScope &scope);
  // "Uvoz iz CSV": the rows within scope are replaced by the file's articles.
  MaintenanceOutcome importArticles(const QString &path, const ArticleScope &scope);
  // "Prijem robe": known codes are updated and their stock raised, new ones added.
  MaintenanceOutcome receiveGoods(const QString &path);
  // "Preuzmi artikle": the rows within scope are replaced by the device's articles.
  MaintenanceOutcome takeOver(const QList<DeviceArticleRow> &rows, const ArticleScope &scope);
  // The recipe window's "Uvoz iz CSV": sifra's recipe is replaced by the file's rows
  // (rows of other composite articles in the file are added to theirs).
  MaintenanceOutcome importRecipe(const QString &path, const QString &sifra);

  struct PriceChange {
    double percent = 0;
    bool increase = false;
    bool wholeNumber = false; // round to whole dinars, else to 0.01
  };
  // "Promena cena" over the rows within scope (by name). progress(done, total) as the
  // prices are checked, before anything is written.
  MaintenanceOutcome changePrices(const ArticleScope &scope, const PriceChange &change,
                                  const std::function<void(int, int)> &progress = {});
  // The new price of p under change.
  static double changedPrice(double p, const PriceChange &change);

private:
  // Replaces the rows within scope by rows, each checked first; line numbers name the culprit.
  MaintenanceOutcome replaceArticles(const QList<QPair<int, QSqlRecord>> &rows, const ArticleScope &scope,
                                     const AuditNote &note);

  Database &m_db;
  RecordRules &m_rules;
  ArticleRepository m_articles;
};
