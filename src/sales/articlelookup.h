#pragma once

#include "data/articlerepository.h"

#include <QString>

#include <optional>

class Database;

// Case-insensitive look-ups in ARTIKLI by code or by barcode.
class ArticleLookup {
public:
  virtual ~ArticleLookup() = default;
  virtual std::optional<Artikal> bySifra(const QString &sifra) const = 0;
  virtual std::optional<Artikal> byBarkod(const QString &barkod) const = 0;
};

// The look-ups in the shop's database. An article that cannot be read is not
// found: the screen says so, as for an unknown code.
class DatabaseArticleLookup : public ArticleLookup {
public:
  explicit DatabaseArticleLookup(Database &db) : m_db(db) {}

  std::optional<Artikal> bySifra(const QString &sifra) const override;
  std::optional<Artikal> byBarkod(const QString &barkod) const override;

private:
  Database &m_db;
};
