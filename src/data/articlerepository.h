#pragma once

#include "common/money.h"
#include "data/dbresult.h"

#include <QList>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantMap>

#include <optional>

class Database;

// The rows of ARTIKLI an operation of the articles window walks: those its
// search shows (all when the condition is empty), in the order shown.
struct ArticleScope {
  QString condition; // SQL over ARTIKLI's columns with ":name" placeholders
  QVariantMap binds;
  QString orderBy; // "ORDER BY ..." or empty
};

// One article as the sale screens need it.
struct Artikal {
  QString sifra;
  QString barkod;
  QString naziv;
  Money cena;
  int stopa = 0;
};

// One component of a recipe: what one unit of the composite article consumes.
struct RecipePart {
  QString sifsas;
  double kolicina = 0;
};

// ARTIKLI and SASTAV: look-ups, stock and recipes. Codes compare without regard
// to letter case or surrounding blanks, as the schema's indexes do.
class ArticleRepository {
public:
  explicit ArticleRepository(Database &db) : m_db(db) {}

  // The article with this code or barcode; nothing for a blank text or no such article.
  DbResult<std::optional<Artikal>> bySifra(const QString &sifra);
  DbResult<std::optional<Artikal>> byBarkod(const QString &barkod);
  // The article's recipe (SASTAV rows of the composite code).
  DbResult<QList<RecipePart>> recipe(const QString &sifra);
  // Takes kolicina units of the article off its stock, and from every component of
  // its recipe the recipe quantity times kolicina. A negative kolicina gives them back.
  // Codes without an article change nothing.
  DbResult<> lowerStock(const QString &sifra, Quantity kolicina);

  // --- maintenance: whole rows, for the articles window's operations ---
  // The rows within scope, every column, in the scope's order.
  DbResult<QSqlQuery> rows(const ArticleScope &scope);
  // Codes (trimmed, upper case) of the rows within scope, or of all rows.
  DbResult<QSet<QString>> codes(const ArticleScope &scope);
  DbResult<> removeRows(const ArticleScope &scope);
  // The stored row of the article with this code; nothing when there is none.
  DbResult<std::optional<QSqlRecord>> record(const QString &sifra);
  // Writes a checked row with its defaults in place; an update is keyed by the stored code.
  DbResult<> insertRow(QSqlRecord row);
  DbResult<> updateRow(QSqlRecord row, const QString &storedSifra);
  DbResult<> setPrice(const QString &storedSifra, double cena);
  // Codes of GRUPA (trimmed, upper case).
  DbResult<QSet<QString>> groupCodes();
  // Recipe rows: removing a composite article's, adding one checked row.
  DbResult<> removeRecipe(const QString &sifra);
  DbResult<> insertRecipeRow(const QSqlRecord &row);

  // A code as the indexes compare it.
  static QString codeKey(const QString &sifra) { return sifra.trimmed().toUpper(); }

private:
  DbResult<std::optional<Artikal>> find(const char *column, const QString &value);
  DbResult<> lowerOne(const QString &sifra, double kolicina);

  Database &m_db;
};
