#pragma once

#include <QString>

#include <optional>

// One article as the sale screens need it.
struct Artikal {
  QString sifra;
  QString barkod;
  QString naziv;
  double cena = 0;
  int stopa = 0;
};

// Case-insensitive look-ups in ARTIKLI by code or by barcode.
class ArticleLookup {
public:
  virtual ~ArticleLookup() = default;
  virtual std::optional<Artikal> bySifra(const QString &sifra) const = 0;
  virtual std::optional<Artikal> byBarkod(const QString &barkod) const = 0;
};

// The look-ups on a Qt SQL connection (by its connection name), values bound.
class SqlArticleLookup : public ArticleLookup {
public:
  explicit SqlArticleLookup(QString connectionName = QString());
  void setConnectionName(const QString &name) { m_connection = name; }

  std::optional<Artikal> bySifra(const QString &sifra) const override;
  std::optional<Artikal> byBarkod(const QString &barkod) const override;

private:
  std::optional<Artikal> find(const char *column, const QString &value) const;
  QString m_connection;
};
