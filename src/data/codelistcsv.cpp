#include "data/codelistcsv.h"

#include "common/textfields.h"
#include "data/recordrules.h"

namespace CodeListCsv {
namespace {

enum class Kind { Text, Integer, AdminMark };

struct Field {
  const char *column;
  int cut; // characters kept of a text
  Kind kind = Kind::Text;
};

struct ListDef {
  CodeList list;
  const char *table;
  const char *file;
  QList<Field> fields; // in the order of the file's fields
};

const QList<ListDef> &lists() {
  static const QList<ListDef> defs = {
      {CodeList::Partneri,
       "PARTNER",
       "Partner.CSV",
       {{"sifpartner", 7}, {"naziv", 60}, {"adresa", 50}, {"pib", 20}, {"sifmesto", 7}, {"ziro", 35}}},
      {CodeList::Mesta, "MESTO", "Mesto.CSV", {{"sifmesto", 7}, {"naziv", 30}, {"ptt", 5}}},
      {CodeList::Operateri,
       "KONOBARI",
       "Operateri.CSV",
       {{"rbr", 0, Kind::Integer}, {"naziv", 30}, {"sifkonob", 7}, {"admin", 0, Kind::AdminMark}}},
      {CodeList::Stolovi, "STOLOVI", "Stolovi.CSV", {{"brstola", 0, Kind::Integer}, {"naziv", 20}}},
      {CodeList::Grupe, "GRUPA", "Grupe.CSV", {{"sifgrupa", 7}, {"naziv", 50}}},
  };
  return defs;
}

const ListDef &def(CodeList list) {
  for (const ListDef &d : lists())
    if (d.list == list)
      return d;
  return lists().first();
}

} // namespace

QString table(CodeList list) {
  return QLatin1String(def(list).table);
}

QString proposedFile(CodeList list) {
  return QLatin1String(def(list).file);
}

std::optional<QSqlRecord> row(CodeList list, const QString &line, QChar sep, QString *error) {
  if (line.trimmed().isEmpty())
    return std::nullopt;
  const ListDef &d = def(list);
  QSqlRecord row = RecordRules::emptyRecord(QLatin1String(d.table));
  for (int i = 0; i < d.fields.size(); ++i) {
    const Field &f = d.fields.at(i);
    const QString text = CSVGet(line, i + 1, sep).trimmed();
    switch (f.kind) {
    case Kind::Text:
      row.setValue(QLatin1String(f.column), text.left(f.cut));
      break;
    case Kind::Integer: {
      bool ok = false;
      const int n = text.toInt(&ok);
      if (!ok) {
        *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return std::nullopt;
      }
      row.setValue(QLatin1String(f.column), n);
      break;
    }
    case Kind::AdminMark:
      // Only the one letter marks an administrator: "true" does not.
      row.setValue(QLatin1String(f.column), text.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0);
      break;
    }
  }
  return row;
}

} // namespace CodeListCsv
