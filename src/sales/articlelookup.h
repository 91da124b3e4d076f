#pragma once

#include "data/articlerepository.h"

#include <QString>

#include <map>
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
// found: the screen says so, as for an unknown code. While the server cannot be
// reached, an article read before in this run is still found as it was then, so
// the receipt under way can go on (its steps wait for the server).
class DatabaseArticleLookup : public ArticleLookup {
public:
  explicit DatabaseArticleLookup(Database &db) : m_db(db) {}
  std::optional<Artikal> bySifra(const QString &sifra) const override;
  std::optional<Artikal> byBarkod(const QString &barkod) const override;

private:
  Database &m_db;
  mutable std::map<QString, Artikal> m_bySifra, m_byBarkod; // read before, by UPPER(TRIM(code))
};
