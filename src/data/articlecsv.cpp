#include "data/articlecsv.h"

#include "common/csvfile.h"
#include "common/localetext.h"
#include "common/rounding.h"
#include "common/textfields.h"
#include "data/articlerepository.h"
#include "data/recordrules.h"

#include <cmath>

namespace ArticleCsv {
namespace {

QString field(const QSqlRecord &row, const char *name) {
  return row.value(QLatin1String(name)).toString().trimmed();
}

// The code goes unquoted, as the old files have it, unless it could not be read back so.
QString codeField(const QString &code, QChar sep) {
  return code.contains(sep) || code.contains(QLatin1Char('"')) ? CsvFile::quoted(code) : code;
}

int decimalsOf(double value) {
  const QString t = decimalText15(value);
  const qsizetype dot = t.indexOf(QLatin1Char('.'));
  return dot < 0 ? 0 : int(t.size() - dot - 1);
}

std::optional<double> number(const QString &text) {
  bool ok = false;
  const double v = LocaleText::toNumber(text, &ok);
  return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

QString articleLine(const QSqlRecord &row, QChar sep) {
  const QVariant minlag = row.value(QStringLiteral("minlag"));
  const QStringList fields = {
      codeField(field(row, "sifra"), sep),
      CsvFile::quoted(row.value(QStringLiteral("naziv")).toString()),
      CsvFile::quoted(row.value(QStringLiteral("barkod")).toString()),
      LocaleText::money(row.value(QStringLiteral("cena")).toDouble()),
      QString::number(row.value(QStringLiteral("stopa")).toInt()),
      LocaleText::quantity(row.value(QStringLiteral("lager")).toDouble()),
      CsvFile::quoted(field(row, "vrsta")),
      CsvFile::quoted(field(row, "jm")),
      CsvFile::quoted(field(row, "sifgrupa")),
      minlag.isNull() ? QString() : LocaleText::quantity(minlag.toDouble()),
  };
  return fields.join(sep);
}

std::optional<QSqlRecord> articleRow(const QString &line, QChar sep) {
  const QString naziv = CSVGet(line, 2, sep);
  if (naziv.isEmpty())
    return std::nullopt;
  QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("ARTIKLI"));
  const auto text = [&](const char *column, int n, bool trim) {
    const QString v = CSVGet(line, n, sep);
    row.setValue(QLatin1String(column), trim ? v.trimmed() : v);
  };
  text("sifra", 1, true);
  row.setValue(QStringLiteral("naziv"), naziv);
  text("barkod", 3, false);
  text("cena", 4, true);
  text("stopa", 5, true);
  text("lager", 6, true);
  text("vrsta", 7, true);
  text("jm", 8, true);
  text("sifgrupa", 9, true);
  text("minlag", 10, true);
  return row;
}

ReceiptLine receiptLine(const QString &line, QChar sep) {
  const auto f = [&](int n) { return CSVGet(line, n, sep).trimmed(); };
  return {f(1), f(2), f(3), f(4), f(5), f(6), f(7), f(8), f(9), f(10)};
}

QString lastBrokenRule(ReceiptLine &l, const QSet<QString> &groups) {
  QString broken;
  const auto rule = [&](bool holds, const QString &message) {
    if (!holds)
      broken = message;
  };
  rule(l.sifra.size() >= 1 && l.sifra.size() <= 7, QStringLiteral("Sifra mora da ima 1-7 karaktera"));
  rule(l.naziv.size() >= 1 && l.naziv.size() <= 36, QStringLiteral("Naziv mora da ima 1-36 karaktera"));
  rule(l.barkod.size() <= 13, QStringLiteral("Bar kod ne sme da ima vise od 13 karaktera"));
  const auto cena = number(l.cena);
  rule(cena.has_value(), QStringLiteral("Cena nije dobra"));
  if (cena) {
    l.cenaValue = *cena;
    rule(*cena != 0, QStringLiteral("Cena ne sme da bude 0"));
    rule(*cena >= 0, QStringLiteral("Cena ne sme da bude negativna"));
    rule(wholePartWidth(std::fabs(*cena)) <= 7 && decimalsOf(*cena) <= 2,
         QStringLiteral("Cena mora biti u opsegu 0.00 - 9999999.99!"));
  }
  // A tax group that is not a whole number breaks the range rule rather than the whole receipt.
  bool integer = false;
  l.stopaValue = l.stopa.toInt(&integer);
  rule(integer && l.stopaValue >= 0 && l.stopaValue <= 8,
       QStringLiteral("Poreska stopa mora biti u opsegu 0-8!"));
  const auto kolicina = number(l.kolicina);
  rule(kolicina.has_value(), QStringLiteral("Kolicina nije dobra"));
  if (kolicina) {
    l.kolicinaValue = *kolicina;
    rule(decimalsOf(*kolicina) <= 3, QStringLiteral("Kolicina moze da ima najvise 3 decimale!"));
    rule(*kolicina >= 0, QStringLiteral("Kolicina ne sme da bude negativna!"));
  }
  rule(l.jm.size() <= 3, QStringLiteral("Jedinica mere ne sme da ima vise od 3 karaktera"));
  rule(l.vrsta.isEmpty() || l.vrsta == QLatin1String("J") || l.vrsta == QLatin1String("P"),
       QStringLiteral("Ako se koristi, vrsta artikla moze imati samo vrednost 'J' ili 'P'!"));
  rule(l.sifgrupa.isEmpty() || groups.contains(ArticleRepository::codeKey(l.sifgrupa)),
       QStringLiteral("Ne postoji grupa: ") + l.sifgrupa + QStringLiteral(" u sifrarniku grupa"));
  const auto minlag = number(l.minlag);
  rule(minlag.has_value(), QStringLiteral("Minimalna kolicina nije dobra"));
  if (minlag) {
    l.minlagValue = *minlag;
    rule(decimalsOf(*minlag) <= 3, QStringLiteral("Minimalna kolicina moze da ima najvise 3 decimale!"));
  }
  return broken;
}

QSqlRecord recipeRow(const QString &line, QChar sep) {
  QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("SASTAV"));
  row.setValue(QStringLiteral("sifra"), CSVGet(line, 1, sep).trimmed().left(7));
  row.setValue(QStringLiteral("sifsas"), CSVGet(line, 2, sep).trimmed().left(7));
  row.setValue(QStringLiteral("naziv"), CSVGet(line, 3, sep).left(36));
  row.setValue(QStringLiteral("kolicina"), CSVGet(line, 4, sep).trimmed());
  return row;
}

} // namespace ArticleCsv
