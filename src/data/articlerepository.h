#pragma once

#include "common/money.h"
#include "data/dbresult.h"

#include <QList>
#include <QString>

#include <optional>

class Database;

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

private:
  DbResult<std::optional<Artikal>> find(const char *column, const QString &value);
  DbResult<> lowerOne(const QString &sifra, double kolicina);

  Database &m_db;
};
