#include "data/recordrules.h"

#include "common/localetext.h"
#include "common/rounding.h"
#include "data/database.h"
#include "data/receiptrepository.h"
#include "data/recordmessages.h"
#include "data/schema.h"

#include <QSqlField>
#include <QSqlQuery>

#include <cmath>

namespace {

const QString kGreska = QStringLiteral("Greska");

bool is(const QString &a, const char *b) {
  return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool isBlank(const QVariant &v) {
  return v.isNull() || v.toString().trimmed().isEmpty();
}

// A typed number: texts in the locale's format (or with a point), numbers as they are.
std::optional<double> numberOf(const QVariant &v) {
  if (v.isNull())
    return std::nullopt;
  bool ok = false;
  double n = 0;
  if (v.typeId() == QMetaType::QString)
    n = LocaleText::toNumber(v.toString().trimmed(), &ok);
  else
    n = v.toDouble(&ok);
  if (!ok || !std::isfinite(n))
    return std::nullopt;
  return n;
}

std::optional<int> integerOf(const QVariant &v) {
  const auto n = numberOf(v);
  if (!n || *n != std::floor(*n) || std::fabs(*n) > 2147483647.0)
    return std::nullopt;
  return int(*n);
}

int decimalsOf(double value) {
  const QString t = decimalText15(value);
  const qsizetype dot = t.indexOf(QLatin1Char('.'));
  return dot < 0 ? 0 : int(t.size() - dot - 1);
}

QMetaType metaTypeOf(ColumnType t) {
  switch (t) {
  case ColumnType::Text:
    return QMetaType::fromType<QString>();
  case ColumnType::Integer:
  case ColumnType::Small:
    return QMetaType::fromType<int>();
  case ColumnType::Decimal:
  case ColumnType::Float:
    return QMetaType::fromType<double>();
  case ColumnType::Date:
    return QMetaType::fromType<QDate>();
  case ColumnType::DateTime:
    return QMetaType::fromType<QDateTime>();
  case ColumnType::Boolean:
    return QMetaType::fromType<bool>();
  }
  return {};
}

struct UniqueKey {
  const char *table;
  const char *column;
  const char *count;
};

// The count before a new row; codes compare without regard to letter case.
const UniqueKey kUniqueKeys[] = {
    {"ARTIKLI", "sifra", "SELECT COUNT(*) As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:k))"},
    {"PARTNER", "sifpartner",
     "SELECT COUNT(*) As Rezultat FROM PARTNER WHERE UPPER(TRIM(SIFPARTNER))=UPPER(TRIM(:k))"},
    {"MESTO", "sifmesto",
     "SELECT COUNT(*) As Rezultat FROM MESTO WHERE UPPER(TRIM(SIFMESTO))=UPPER(TRIM(:k))"},
    {"STOLOVI", "brstola", "SELECT COUNT(*) As Rezultat FROM STOLOVI WHERE BRSTOLA=:k"},
    {"KONOBARI", "sifkonob",
     "SELECT COUNT(*) As Rezultat FROM KONOBARI WHERE UPPER(TRIM(SIFKONOB))=UPPER(TRIM(:k))"},
    {"GRUPA", "sifgrupa",
     "SELECT COUNT(*) As Rezultat FROM GRUPA WHERE UPPER(TRIM(SIFGRUPA))=UPPER(TRIM(:k))"},
};

void emptyTextIfNull(QSqlRecord &row, std::initializer_list<const char *> columns) {
  for (const char *c : columns) {
    const int i = row.indexOf(QLatin1String(c));
    // A null QString would be bound as NULL; an empty text must be stored as one.
    if (i >= 0 && (row.value(i).isNull() || row.value(i).toString().isNull()))
      row.setValue(i, QStringLiteral(""));
  }
}

void zeroIfNull(QSqlRecord &row, std::initializer_list<const char *> columns) {
  for (const char *c : columns) {
    const int i = row.indexOf(QLatin1String(c));
    if (i >= 0 && isBlank(row.value(i)))
      row.setValue(i, 0);
  }
}

} // namespace

RecordRules::RecordRules(Database &db, RecordMessages &messages, QObject *parent)
    : QObject(parent), m_db(db), m_messages(messages) {}

void RecordRules::show(const QString &title, const QString &text) {
  if (m_messages.opensPrompt())
    expectNoOpenTransaction("a record-check message");
  m_messages.show(title, text);
}

void RecordRules::warn(const QString &text) {
  if (m_messages.opensPrompt())
    expectNoOpenTransaction("a record-check warning");
  m_messages.warning(text);
}

bool RecordRules::refuse(const QString &title, const QString &text, bool beep) {
  if (beep)
    m_messages.beep();
  show(title, text);
  return false;
}

QString RecordRules::postErrorText(const QString &table) {
  static const QHash<QString, QString> texts = {
      {QStringLiteral("ARTIKLI"),
       QStringLiteral("OBAVEZAN UNOS U POLJA SIFRA,NAZIV,CENA,PORESKA GRUPA I LAGER ILI DUPLA SIFRA")},
      {QStringLiteral("PARTNER"), QStringLiteral("OBAVEZAN UNOS U POLJA SIFRA I NAZIV")},
      {QStringLiteral("MESTO"), QStringLiteral("OBAVEZAN UNOS U POLJA SIFRA,NAZIV I PTT")},
      {QStringLiteral("STOLOVI"), QStringLiteral("OBAVEZAN UNOS U POLJE BROJ STOLA I NAZIV")},
      {QStringLiteral("KONOBARI"), QStringLiteral("OBAVEZAN UNOS U POLJA SIFRA I RBR ILI DUPLA SIFRA")},
      {QStringLiteral("SASTAV"), QStringLiteral("OBAVEZAN UNOS U POLJA SIFRA I KOLICINA")},
      {QStringLiteral("GRUPA"), QStringLiteral("OBAVEZAN UNOS U POLJE ILI DUPLA SIFRA")},
      {QStringLiteral("RATE"), QStringLiteral("OBAVEZAN UNOS U POLJE RBR,IZNOS,DATUM,NACIN ILI DUPLA SIFRA")},
  };
  return texts.value(table.toUpper());
}

QString RecordRules::duplicateText(const QString &table) {
  static const QHash<QString, QString> texts = {
      {QStringLiteral("ARTIKLI"), QStringLiteral("Artikal sa tom sifrom vec postoji!")},
      {QStringLiteral("PARTNER"), QStringLiteral("Partner sa tom sifrom vec postoji!")},
      {QStringLiteral("MESTO"), QStringLiteral("Mesto sa tom sifrom vec postoji!")},
      {QStringLiteral("STOLOVI"), QStringLiteral("Sto sa tom sifrom vec postoji!")},
      {QStringLiteral("KONOBARI"), QStringLiteral("Konobar/Operater sa tom sifrom vec postoji!")},
      {QStringLiteral("GRUPA"), QStringLiteral("Grupa sa tom sifrom vec postoji!")},
      {QStringLiteral("RATE"), QStringLiteral("Redni broj vec postoji!")},
  };
  return texts.value(table.toUpper());
}

bool RecordRules::isValidPib(const QString &pib) {
  const QString t = pib.trimmed();
  if (t.isEmpty())
    return true;
  if (pib.size() != 9)
    return false;
  bool ok = false;
  pib.toInt(&ok);
  if (!ok)
    return false;
  for (QChar c : pib)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  int p = 10;
  for (int i = 0; i < 8; ++i) {
    int s = (p + pib.at(i).digitValue()) % 10;
    if (s == 0)
      s = 10;
    p = (2 * s) % 11;
  }
  return (11 - p) % 10 == pib.at(8).digitValue();
}

QSqlRecord RecordRules::emptyRecord(const QString &table) {
  QSqlRecord rec;
  const TableDef *t = Schema::table(table);
  if (!t)
    return rec;
  for (const ColumnDef &c : t->columns)
    rec.append(QSqlField(c.name, metaTypeOf(c.type), t->sqlName()));
  return rec;
}

bool RecordRules::checkTypes(const QString &table, const QString &column, QVariant &value) {
  const TableDef *t = Schema::table(table);
  const ColumnDef *c = t ? t->column(column) : nullptr;
  if (!c || value.isNull())
    return true;
  switch (c->type) {
  case ColumnType::Text: {
    const QString s = value.toString();
    if (s.size() > c->length)
      return refuse(QString(), QStringLiteral("Losa vrednost! Najvise %1 znakova!").arg(c->length));
    value = s;
    return true;
  }
  case ColumnType::Integer:
  case ColumnType::Small: {
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty()) {
      value = QVariant();
      return true;
    }
    const auto n = integerOf(value);
    if (!n || (c->type == ColumnType::Small && (*n < -32768 || *n > 32767)))
      return refuse(QString(), QStringLiteral("Losa vrednost!"));
    value = *n;
    return true;
  }
  case ColumnType::Decimal:
  case ColumnType::Float: {
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty()) {
      value = QVariant();
      return true;
    }
    const auto n = numberOf(value);
    if (!n)
      return refuse(QString(), QStringLiteral("Losa vrednost!"));
    if (c->type == ColumnType::Decimal && std::fabs(*n) >= std::pow(10.0, c->length - c->scale))
      return refuse(QString(), QStringLiteral("Losa vrednost!"));
    value = *n;
    return true;
  }
  case ColumnType::Date:
    if (value.typeId() == QMetaType::QString) {
      const QString s = value.toString().trimmed();
      if (s.isEmpty()) {
        value = QVariant();
        return true;
      }
      QDate d = LocaleText::toDate(s);
      if (!d.isValid())
        d = QDate::fromString(s.left(10), Qt::ISODate);
      if (!d.isValid())
        return refuse(QString(), QStringLiteral("Losa vrednost!"));
      value = d;
    } else if (value.typeId() == QMetaType::QDateTime) {
      value = value.toDateTime().date();
    }
    return true;
  case ColumnType::DateTime:
    if (value.typeId() == QMetaType::QDate) {
      value = QDateTime(value.toDate(), QTime(0, 0));
    } else if (value.typeId() == QMetaType::QString) {
      const QString s = value.toString().trimmed();
      QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
      if (!dt.isValid()) {
        const QDate d = LocaleText::toDate(s);
        if (d.isValid())
          dt = QDateTime(d, QTime(0, 0));
      }
      if (!dt.isValid())
        return refuse(QString(), QStringLiteral("Losa vrednost!"));
      value = dt;
    }
    return true;
  case ColumnType::Boolean:
    value = value.toBool();
    return true;
  }
  return true;
}

bool RecordRules::checkColumn(const QString &table, const QString &column, QVariant &value, QSqlRecord &row) {
  const QString T = table.toUpper();
  if (T == QLatin1String("ARTIKLI")) {
    if (is(column, "cena") && !isBlank(value)) {
      const auto n = numberOf(value);
      if (n && *n == 0)
        return refuse(QString(), QStringLiteral("Cena ne sme da bude 0!"));
      if (!n || wholePartWidth(*n) > 7 || decimalsOf(*n) > 2)
        return refuse(QString(), QStringLiteral("Losa vrednost! Cena je u opsegu 0.00 - 9999999.99!"));
      value = *n;
    } else if (is(column, "stopa") && !isBlank(value)) {
      const auto n = integerOf(value);
      if (!n || *n < 0 || *n > 8)
        return refuse(QString(), QStringLiteral("Losa vrednost! Koristite brojeve 0-8!"));
      value = *n;
    } else if (is(column, "lager") && !isBlank(value)) {
      const auto n = numberOf(value);
      if (!n || decimalsOf(*n) > 3)
        return refuse(QString(),
                      QStringLiteral("Losa vrednost! Iznos za lager moze da ima najvise 3 decimale!"));
      value = *n;
    } else if (is(column, "minlag") && !isBlank(value)) {
      const auto n = numberOf(value);
      if (!n || decimalsOf(*n) > 3)
        return refuse(
            QString(),
            QStringLiteral("Losa vrednost! Iznos za minimalni lager moze da ima najvise 3 decimale!"));
      value = *n;
    } else if (is(column, "vrsta") && !value.isNull()) {
      const QString s = value.toString();
      if (!s.isEmpty() && s.at(0) != QLatin1Char('J') && s.at(0) != QLatin1Char('P'))
        return refuse(QString(), QStringLiteral("Losa vrednost! Koristite slova 'J' i 'P'!"));
      value = s.left(1); // one character is all the column holds
    }
  } else if (T == QLatin1String("STOLOVI")) {
    if (is(column, "brstola") && !isBlank(value)) {
      const auto n = integerOf(value);
      if (!n || *n <= 0)
        return refuse(QString(), QStringLiteral("Losa vrednost! Koristite brojeve vece od 0!"));
      value = *n;
    }
  } else if (T == QLatin1String("KONOBARI")) {
    if (is(column, "rbr") && !isBlank(value)) {
      const int low = m_firstOperator, high = m_lastOperator;
      const auto n = integerOf(value);
      if (!n || *n < low || *n > high)
        return refuse(QString(),
                      QStringLiteral("Losa vrednost! Koristite brojeve %1-%2!").arg(low).arg(high));
      value = *n;
    }
  } else if (T == QLatin1String("PARTNER")) {
    if (is(column, "pib") && !isValidPib(value.toString()))
      return refuse(QString(), QStringLiteral("Losa vrednost za PIB!"));
    if (is(column, "sifmesto") && !isBlank(value)) {
      const auto n = m_db.scalar(
          QStringLiteral(
              "SELECT COUNT(*) As Rezultat FROM MESTO WHERE UPPER(TRIM(SIFMESTO))=UPPER(TRIM(:k))"),
          {{QStringLiteral("k"), value.toString().trimmed()}});
      if (n.value_or(0).toInt() <= 0)
        return refuse(QStringLiteral("GRESKA"), QStringLiteral("Ne postoji mesto sa tom sifrom"), true);
    }
  } else if (T == QLatin1String("RACUNI")) {
    if (is(column, "sifpartner") && !isBlank(value)) {
      auto q = m_db.query(
          QStringLiteral(
              "SELECT NAZIV As Rezultat FROM PARTNER WHERE UPPER(TRIM(SIFPARTNER))=UPPER(TRIM(:k))"),
          {{QStringLiteral("k"), value.toString().trimmed()}});
      if (!q || !q->next())
        return refuse(QStringLiteral("GRESKA"), QStringLiteral("Ne postoji partner sa tom sifrom"), true);
      row.setValue(QStringLiteral("nazivkupca"), q->value(0).toString());
    } else if (is(column, "oslprom") && !value.isNull()) {
      const QString s = value.toString();
      if (s.startsWith(QLatin1Char('N'), Qt::CaseInsensitive))
        value = QStringLiteral("NE");
      else if (s.startsWith(QLatin1Char('D'), Qt::CaseInsensitive))
        value = QStringLiteral("DA");
      else if (s.isEmpty())
        value = QVariant();
      else
        return refuse(QString(), QStringLiteral("Losa vrednost! Izberite neku od vrednosti: DA ili NE!"));
    }
  } else if (T == QLatin1String("SASTAV")) {
    if (is(column, "sifsas") && !value.isNull()) {
      auto q = m_db.query(
          QStringLiteral("SELECT NAZIV As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:k))"),
          {{QStringLiteral("k"), value.toString().trimmed()}});
      if (!q)
        return refuse(kGreska, QStringLiteral("DOSLO JE DO GRESKE PRILIKOM UNOSA!"));
      if (!q->next())
        return refuse(kGreska, QStringLiteral("NE POSTOJI ARTIKAL SA TOM SIFROM!"));
      row.setValue(QStringLiteral("naziv"), q->value(0).toString());
    }
  }
  return checkTypes(table, column, value);
}

bool RecordRules::isUnique(const QString &table, const QSqlRecord &row, bool isNew,
                           const QSqlRecord &original) {
  const QString T = table.toUpper();
  const QString inputError = QStringLiteral("Greska prilikom unosa u tabelu %1!").arg(table.toLower());
  if (T == QLatin1String("RATE")) {
    if (!isNew)
      return true;
    const auto n = m_db.scalar(
        QStringLiteral("SELECT COUNT(*) As Rezultat FROM RATE WHERE GODINA=:g AND BROJ=:b AND RBR=:r"),
        {{QStringLiteral("g"), row.value(QStringLiteral("godina"))},
         {QStringLiteral("b"), row.value(QStringLiteral("broj"))},
         {QStringLiteral("r"), row.value(QStringLiteral("rbr"))}});
    if (!n) {
      warn(inputError);
      return false;
    }
    if (n->toInt() > 0) {
      warn(duplicateText(T));
      return false;
    }
    return true;
  }
  for (const UniqueKey &k : kUniqueKeys) {
    if (T != QLatin1String(k.table))
      continue;
    const QVariant key = row.value(QLatin1String(k.column));
    if (isNew) {
      const auto n = m_db.scalar(QString::fromLatin1(k.count), {{QStringLiteral("k"), key}});
      if (!n) {
        warn(inputError);
        return false;
      }
      if (n->toInt() > 0) {
        warn(duplicateText(T));
        return false;
      }
    } else if (T == QLatin1String("KONOBARI")) {
      // No other waiter may carry the same personal code, even while editing.
      const QVariant rbr =
          original.isEmpty() ? row.value(QStringLiteral("rbr")) : original.value(QStringLiteral("rbr"));
      const auto n = m_db.scalar(QStringLiteral("SELECT COUNT(*) As Rezultat FROM KONOBARI WHERE RBR<>:rbr "
                                                "AND UPPER(TRIM(SIFKONOB))=UPPER(TRIM(:k))"),
                                 {{QStringLiteral("rbr"), rbr}, {QStringLiteral("k"), key}});
      if (!n) {
        warn(inputError);
        return false;
      }
      if (n->toInt() > 0) {
        warn(duplicateText(T));
        return false;
      }
    }
    return true;
  }
  return true;
}

void RecordRules::applyDefaults(const QString &table, QSqlRecord &row, bool isNew) {
  fillDefaults(table, row, isNew, m_restaurant);
  if (isNew && table.compare(QLatin1String("PRODATO"), Qt::CaseInsensitive) == 0) {
    // A failed number query falls back to 1; the database then refuses a taken one.
    row.setValue(QStringLiteral("rbr"), ReceiptRepository(m_db).nextLineNumber().value_or(1));
  }
}

void RecordRules::fillDefaults(const QString &table, QSqlRecord &row, bool isNew, bool restaurantMode) {
  const QString T = table.toUpper();
  if (T == QLatin1String("ARTIKLI")) {
    emptyTextIfNull(row, {"barkod", "vrsta", "jm", "sifgrupa"});
    zeroIfNull(row, {"minlag"});
  } else if (T == QLatin1String("PARTNER")) {
    emptyTextIfNull(row, {"adresa", "pib", "sifmesto", "ziro"});
  } else if (T == QLatin1String("STOLOVI")) {
    if (isBlank(row.value(QStringLiteral("sifkonob"))))
      row.setValue(QStringLiteral("sifkonob"), -1);
  } else if (T == QLatin1String("STOST")) {
    emptyTextIfNull(row, {"barkod"});
  } else if (T == QLatin1String("KONOBARI")) {
    emptyTextIfNull(row, {"naziv"});
    if (row.value(QStringLiteral("admin")).isNull())
      row.setValue(QStringLiteral("admin"), false);
  } else if (T == QLatin1String("GRUPA")) {
    emptyTextIfNull(row, {"naziv"});
  } else if (T == QLatin1String("RATE")) {
    emptyTextIfNull(row, {"brojkart", "tipkart", "brtrans"});
  } else if (T == QLatin1String("RACUNI")) {
    emptyTextIfNull(row, {"sifpartner", "nazivkupca", "clan"});
    zeroIfNull(row, {"status", "brstola", "brfisis", "godina", "rok", "cek", "kartica"});
    const QVariant cash = row.value(QStringLiteral("gotovina"));
    row.setValue(QStringLiteral("gotovina"), isBlank(cash) ? 0.0 : MyRound(2, cash.toDouble()));
    if (row.value(QStringLiteral("broj_dok")).toString().trimmed().isEmpty())
      row.setValue(QStringLiteral("broj_dok"), QString::number(row.value(QStringLiteral("broj")).toInt()));
    // Only a new receipt takes the mode; editing an old one must not relabel it.
    if (isNew)
      row.setValue(QStringLiteral("rezim"), restaurantMode ? 1 : 0);
    if (isBlank(row.value(QStringLiteral("oslprom"))))
      row.setValue(QStringLiteral("oslprom"), QStringLiteral("NE"));
  }
}

bool RecordRules::checkRequired(const QString &table, const QSqlRecord &row) {
  const TableDef *t = Schema::table(table);
  if (!t)
    return true;
  for (const ColumnDef &c : t->columns) {
    if (!c.required)
      continue;
    const int i = row.indexOf(c.name);
    const QVariant v = i >= 0 ? row.value(i) : QVariant();
    if (v.isNull() || (c.type == ColumnType::Text && v.toString().trimmed().isEmpty())) {
      show(kGreska, postErrorText(table));
      return false;
    }
  }
  return true;
}

bool RecordRules::keepsAnAdministrator(const QSqlRecord &row) {
  const auto others = m_db.scalar(
      QStringLiteral("SELECT COUNT(*) As Rezultat FROM KONOBARI WHERE ADMIN=:admin AND RBR<>:rbr"),
      {{QStringLiteral("admin"), m_db.booleanValue(true)},
       {QStringLiteral("rbr"), row.value(QStringLiteral("rbr"))}});
  if (others && others->toInt() > 0)
    return true;
  warn(QStringLiteral("Bar jedan operater/konobar mora da bude administrator!"));
  return false;
}

bool RecordRules::checkBeforePost(const QString &table, const QSqlRecord &row, bool isNew,
                                  const QSqlRecord &original) {
  if (!isUnique(table, row, isNew, original))
    return false;
  // The last administrator stays one: without him nobody opens the code lists again.
  if (!isNew && table.compare(QLatin1String("KONOBARI"), Qt::CaseInsensitive) == 0 &&
      original.value(QStringLiteral("admin")).toBool() && !row.value(QStringLiteral("admin")).toBool() &&
      !keepsAnAdministrator(original))
    return false;
  QSqlRecord filled = row;
  fillDefaults(table, filled, isNew, m_restaurant);
  return checkRequired(table, filled);
}

void RecordRules::ignoringErrors(const QString &sql, const QVariantMap &binds) {
  // A savepoint of its own: on PostgreSQL a failed statement would otherwise
  // spoil the surrounding transaction and with it the row just posted.
  Transaction own(m_db);
  if (m_db.exec(sql, binds))
    own.commit();
}

void RecordRules::afterPost(const QString &table, const QSqlRecord &row, const QSqlRecord &original) {
  if (table.toUpper() != QLatin1String("ARTIKLI") || original.isEmpty())
    return;
  const QString code = original.value(QStringLiteral("sifra")).toString();
  const QVariant oldGroup = original.value(QStringLiteral("stopa"));
  const QVariant newGroup = row.value(QStringLiteral("stopa"));
  if (!newGroup.isNull() && oldGroup.toInt() != newGroup.toInt()) {
    // Open table orders carry the article's current tax group; errors are ignored.
    ignoringErrors(
        QStringLiteral("UPDATE STOST SET STOPA=:stopa WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))"),
        {{QStringLiteral("stopa"), newGroup.toInt()}, {QStringLiteral("sifra"), code}});
    emit tableChanged(QStringLiteral("STOST"));
  }
  const QVariant newName = row.value(QStringLiteral("naziv"));
  if (!newName.isNull() && original.value(QStringLiteral("naziv")).toString() != newName.toString()) {
    ignoringErrors(
        QStringLiteral("UPDATE SASTAV SET NAZIV=:naziv WHERE UPPER(TRIM(SIFSAS))=UPPER(TRIM(:sifra))"),
        {{QStringLiteral("naziv"), newName.toString()}, {QStringLiteral("sifra"), code}});
    emit tableChanged(QStringLiteral("SASTAV"));
  }
}

void RecordRules::reportPostError(const QString &table, const DbError &error) {
  if (error.keyViolation) {
    show(kGreska, QStringLiteral("DUPLA SIFRA!"));
    return;
  }
  const QString text = postErrorText(table);
  show(kGreska, text.isEmpty() ? error.text : text);
}

bool RecordRules::canDelete(const QString &table, const QSqlRecord &row) {
  if (table.toUpper() == QLatin1String("KONOBARI"))
    return canDeleteWaiter(row);
  if (table.toUpper() != QLatin1String("STOLOVI"))
    return true;
  const auto n = m_db.scalar(QStringLiteral("SELECT COUNT(*) As Rezultat FROM STOST WHERE BRSTOLA=:broj"),
                             {{QStringLiteral("broj"), row.value(QStringLiteral("brstola"))}});
  if (!n)
    return false;
  if (n->toInt() != 0) {
    warn(QStringLiteral("Sto nije prazan.Nemoguce brisanje stola!"));
    return false;
  }
  return true;
}

bool RecordRules::canDeleteWaiter(const QSqlRecord &row) {
  // Open tables name their waiter by RBR; without him they could not be settled.
  const auto tables =
      m_db.scalar(QStringLiteral("SELECT COUNT(*) As Rezultat FROM STOLOVI WHERE SIFKONOB=:rbr"),
                  {{QStringLiteral("rbr"), row.value(QStringLiteral("rbr"))}});
  if (!tables)
    return false;
  if (tables->toInt() != 0) {
    warn(QStringLiteral("Konobar ima otvorene stolove.Nemoguce brisanje konobara!"));
    return false;
  }
  return !row.value(QStringLiteral("admin")).toBool() || keepsAnAdministrator(row);
}

QString RecordRules::keyCondition(const QString &table, const QSqlRecord &original,
                                  QVariantMap &binds) const {
  const TableDef *t = Schema::table(table);
  QStringList columns = t->primaryKey;
  if (columns.isEmpty())
    for (const ColumnDef &c : t->columns)
      columns << c.name;
  QStringList parts;
  for (const QString &c : std::as_const(columns)) {
    const QVariant v = original.value(c);
    if (v.isNull()) {
      parts << c + QStringLiteral(" IS NULL");
    } else {
      parts << QStringLiteral("%1=:k_%1").arg(c);
      binds.insert(QStringLiteral("k_") + c, m_db.bindable(table, c, v));
    }
  }
  return parts.join(QStringLiteral(" AND "));
}

bool RecordRules::insert(const QString &table, QSqlRecord given) {
  const TableDef *t = Schema::table(table);
  if (!t)
    return false;
  QSqlRecord row = emptyRecord(table);
  for (int i = 0; i < given.count(); ++i)
    row.setValue(given.fieldName(i), given.value(i));
  if (!checkNew(table, row))
    return false;
  applyDefaults(table, row, true);
  if (const auto written = m_db.insertRecord(table, row); !written) {
    reportPostError(table, written.failure());
    return false;
  }
  return true;
}

bool RecordRules::checkNew(const QString &table, QSqlRecord &row) {
  return checkColumns(table, row) && checkBeforePost(table, row, true);
}

bool RecordRules::checkColumns(const QString &table, QSqlRecord &row) {
  const TableDef *t = Schema::table(table);
  if (!t)
    return false;
  for (const ColumnDef &c : t->columns) {
    QVariant v = row.value(c.name);
    if (v.isNull())
      continue;
    if (!checkColumn(table, c.name, v, row))
      return false;
    row.setValue(c.name, v);
  }
  return true;
}

bool RecordRules::checkFields(const QString &table, QSqlRecord &row) {
  if (!checkColumns(table, row))
    return false;
  QSqlRecord filled = row;
  fillDefaults(table, filled, true, m_restaurant);
  return checkRequired(table, filled);
}

bool RecordRules::update(const QString &table, QSqlRecord given, const QSqlRecord &original) {
  const TableDef *t = Schema::table(table);
  if (!t)
    return false;
  QSqlRecord row = emptyRecord(table);
  for (int i = 0; i < original.count(); ++i)
    row.setValue(original.fieldName(i), original.value(i));
  for (int i = 0; i < given.count(); ++i)
    row.setValue(given.fieldName(i), given.value(i));
  for (const ColumnDef &c : t->columns) {
    QVariant v = row.value(c.name);
    if (v.isNull() || v == original.value(c.name))
      continue;
    if (!checkColumn(table, c.name, v, row))
      return false;
    row.setValue(c.name, v);
  }
  if (!checkBeforePost(table, row, false, original))
    return false;
  applyDefaults(table, row, false);
  QStringList sets;
  QVariantMap binds;
  for (const ColumnDef &c : t->columns) {
    sets << QStringLiteral("%1=:%1").arg(c.name);
    binds.insert(c.name, m_db.bindable(table, c.name, row.value(c.name)));
  }
  const QString where = keyCondition(table, original, binds);
  const auto written = m_db.exec(
      QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(t->sqlName(), sets.join(QLatin1Char(',')), where),
      binds);
  if (!written) {
    reportPostError(table, written.failure());
    return false;
  }
  afterPost(table, row, original);
  return true;
}

bool RecordRules::remove(const QString &table, const QSqlRecord &row) {
  const TableDef *t = Schema::table(table);
  if (!t || !canDelete(table, row))
    return false;
  QVariantMap binds;
  const QString where = keyCondition(table, row, binds);
  return m_db.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(t->sqlName(), where), binds).ok();
}
