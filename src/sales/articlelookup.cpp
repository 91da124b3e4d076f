#include "sales/articlelookup.h"

std::optional<Artikal> DatabaseArticleLookup::bySifra(const QString &sifra) const {
  return ArticleRepository(m_db).bySifra(sifra).value_or(std::nullopt);
}

std::optional<Artikal> DatabaseArticleLookup::byBarkod(const QString &barkod) const {
  return ArticleRepository(m_db).byBarkod(barkod).value_or(std::nullopt);
}
