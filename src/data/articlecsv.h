#pragma once

#include <QChar>
#include <QSet>
#include <QSqlRecord>
#include <QString>

#include <optional>

// The lines of the three CSV files of the articles window: articles (export
// and import), goods receipt and recipes. Fields are split with CSVGet at the
// locale's list separator; numbers are read with the locale's decimal
// separator or a point, so an export reads back whatever the locale.
namespace ArticleCsv {

// One ARTIKLI row as a line: code, "name", "barcode", price, tax group, stock,
// "kind", "unit", "group", minimum stock; numbers as the grid shows them.
QString articleLine(const QSqlRecord &row, QChar sep);
// The ARTIKLI row a line of the article file becomes, its values still texts
// for the column checks; nothing for a line whose name field is empty.
std::optional<QSqlRecord> articleRow(const QString &line, QChar sep);

// One line of a goods-receipt file, every field trimmed.
struct ReceiptLine {
  QString sifra, naziv, barkod, cena, stopa, kolicina, vrsta, jm, sifgrupa, minlag;
  double cenaValue = 0, kolicinaValue = 0, minlagValue = 0;
  int stopaValue = 0;
};
ReceiptLine receiptLine(const QString &line, QChar sep);
// The message of the last rule the line breaks, empty when it breaks none.
// groups holds GRUPA's codes as ArticleRepository::codeKey gives them.
QString lastBrokenRule(ReceiptLine &line, const QSet<QString> &groups);

// The SASTAV row a line of the recipe file becomes (kolicina still a text).
QSqlRecord recipeRow(const QString &line, QChar sep);

} // namespace ArticleCsv
