#include "sales/articlelookup.h"

namespace {

std::optional<Artikal> remembered(const DbResult<std::optional<Artikal>> &read, const QString &code,
                                  std::map<QString, Artikal> &seen) {
  const QString key = code.trimmed().toUpper();
  if (!read) {
    const auto it = seen.find(key);
    return it == seen.end() ? std::nullopt : std::optional<Artikal>(it->second);
  }
  if (*read)
    seen[key] = **read;
  else
    seen.erase(key);
  return *read;
}

} // namespace

std::optional<Artikal> DatabaseArticleLookup::bySifra(const QString &sifra) const {
  return remembered(ArticleRepository(m_db).bySifra(sifra), sifra, m_bySifra);
}

std::optional<Artikal> DatabaseArticleLookup::byBarkod(const QString &barkod) const {
  return remembered(ArticleRepository(m_db).byBarkod(barkod), barkod, m_byBarkod);
}
