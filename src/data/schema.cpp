#include "data/schema.h"

#include "data/database.h"

#include <QSqlQuery>

namespace {

ColumnDef text(const char *name, int length, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::Text, length, 0, required};
}
ColumnDef integer(const char *name, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::Integer, 0, 0, required};
}
ColumnDef small(const char *name, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::Small, 0, 0, required};
}
ColumnDef decimal(const char *name, int digits, int scale, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::Decimal, digits, scale, required};
}
ColumnDef real(const char *name, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::Float, 0, 0, required};
}
ColumnDef date(const char *name) {
  return {QString::fromLatin1(name), ColumnType::Date, 0, 0, false};
}
ColumnDef dateTime(const char *name, bool required = false) {
  return {QString::fromLatin1(name), ColumnType::DateTime, 0, 0, required};
}
ColumnDef boolean(const char *name) {
  return {QString::fromLatin1(name), ColumnType::Boolean, 0, 0, false};
}

constexpr bool Req = true;

QList<TableDef> buildTables() {
  return {
      {"ARTIKLI",
       {text("sifra", 7, Req), text("barkod", 13), text("naziv", 36, Req), decimal("cena", 10, 2, Req),
        small("stopa", Req), text("jm", 3), decimal("lager", 12, 3, Req), text("vrsta", 1),
        text("sifgrupa", 7), decimal("minlag", 12, 3)},
       {"sifra"}},
      {"PRODATO",
       {integer("rbr"), integer("brrac"), date("datum"), text("sifra", 7), text("barkod", 13),
        text("naziv", 36), decimal("cena", 10, 2), integer("storno"), small("stopa"),
        decimal("prodato", 8, 3), decimal("iznos", 13, 2), integer("godina")},
       {"rbr"}},
      {"RACUNI",
       {integer("broj"), date("datum"), text("nazivkupca", 60), text("sifpartner", 9), small("rezim"),
        small("status"), integer("brstola"), integer("sifoper"), text("vreme", 8), real("cek"),
        real("kartica"), real("gotovina"), integer("brfisis"), integer("godina"), text("broj_dok", 20),
        integer("rok"), text("clan", 5), text("oslprom", 2)},
       {"godina", "broj"}},
      {"RATE",
       {integer("broj", Req), integer("godina", Req), integer("rbr", Req), real("iznos", Req),
        dateTime("datum", Req), small("nacin", Req), text("brojkart", 30), text("tipkart", 30),
        text("brtrans", 30)},
       {"godina", "broj", "rbr"}},
      {"STOLOVI", {integer("brstola", Req), text("naziv", 20, Req), integer("sifkonob")}, {"brstola"}},
      {"STOST",
       {integer("rbr"), integer("brstola"), text("sifra", 7), text("barkod", 13), text("naziv", 36),
        small("stopa"), real("cena"), real("kolicina"), real("iznos"), integer("storno"), integer("tura")},
       {"brstola", "rbr"}},
      {"KONOBARI",
       {small("rbr", Req), text("sifkonob", 7, Req), text("naziv", 30), boolean("admin")},
       {"rbr"}},
      {"PARTNER",
       {text("sifpartner", 9, Req), text("naziv", 60, Req), text("pib", 20), text("adresa", 50),
        text("sifmesto", 7), text("ziro", 35)},
       {"sifpartner"}},
      {"MESTO", {text("sifmesto", 7, Req), text("naziv", 30, Req), text("ptt", 5, Req)}, {"sifmesto"}},
      {"PORSTOPE", {small("stopa"), real("iznos")}, {"stopa"}},
      {"GRUPA", {text("sifgrupa", 7, Req), text("naziv", 50)}, {"sifgrupa"}},
      {"SASTAV",
       {text("sifra", 7, Req), text("sifsas", 7, Req), text("naziv", 36), real("kolicina", Req)},
       {}},
      {"KNJIGA", {decimal("suma", 18, 0), text("sifra", 7)}, {}},
  };
}

QString createTable(const TableDef &t) {
  QStringList parts;
  for (const ColumnDef &c : t.columns)
    parts << c.name + QLatin1Char(' ') + c.sqlType() + (c.required ? QStringLiteral(" NOT NULL") : QString());
  if (!t.primaryKey.isEmpty())
    parts << QStringLiteral("PRIMARY KEY (%1)").arg(t.primaryKey.join(QLatin1Char(',')));
  return QStringLiteral("CREATE TABLE %1 (%2)").arg(t.sqlName(), parts.join(QStringLiteral(", ")));
}

// Codes compare without regard to letter case or trailing blanks (fixed-width
// columns of older data), so their indexes are on UPPER(TRIM(code)): lookups
// written "UPPER(TRIM(col))=UPPER(TRIM(:value))" use them on both engines.
const char *const kVersion2[] = {
    "CREATE UNIQUE INDEX ux_artikli_sifra ON artikli (UPPER(TRIM(sifra)))",
    "CREATE INDEX ix_artikli_barkod ON artikli (UPPER(TRIM(barkod)))",
    "CREATE INDEX ix_artikli_naziv ON artikli (naziv)",
    "CREATE INDEX ix_prodato_godina_brrac ON prodato (godina, brrac)",
    "CREATE INDEX ix_prodato_datum ON prodato (datum)",
    "CREATE INDEX ix_prodato_sifra ON prodato (sifra)",
    "CREATE INDEX ix_racuni_datum ON racuni (datum)",
    "CREATE INDEX ix_racuni_sifoper ON racuni (sifoper)",
    "CREATE INDEX ix_stost_brstola_tura ON stost (brstola, tura)",
    "CREATE INDEX ix_stost_sifra ON stost (UPPER(TRIM(sifra)))",
    "CREATE INDEX ix_stolovi_sifkonob ON stolovi (sifkonob)",
    "CREATE UNIQUE INDEX ux_konobari_sifkonob ON konobari (UPPER(TRIM(sifkonob)))",
    "CREATE UNIQUE INDEX ux_partner_sifpartner ON partner (UPPER(TRIM(sifpartner)))",
    "CREATE INDEX ix_partner_naziv ON partner (naziv)",
    "CREATE UNIQUE INDEX ux_mesto_sifmesto ON mesto (UPPER(TRIM(sifmesto)))",
    "CREATE UNIQUE INDEX ux_grupa_sifgrupa ON grupa (UPPER(TRIM(sifgrupa)))",
    "CREATE INDEX ix_sastav_sifra ON sastav (UPPER(TRIM(sifra)))",
    "CREATE INDEX ix_sastav_sifsas ON sastav (UPPER(TRIM(sifsas)))",
};

// The reports over long periods sum sold lines by article; reading them from this
// index, already in article order, spares sorting a year of lines.
const char *const kVersion3[] = {
    "CREATE INDEX ix_prodato_artikal ON prodato (sifra, naziv, stopa, cena, datum, prodato, iznos)",
};

// Version 4: the audit journal, kept out of tables() so the copies, exports and
// restores of the shop's thirteen tables never carry or replace it.
const char *const kVersion4[] = {
    "CREATE INDEX ix_dnevnik_vreme ON dnevnik (vreme)",
};

const QString kVersionTable = QStringLiteral("kasa_verzija");

bool tableExists(Database &db, const QString &name) {
  return db.hasTable(name);
}

} // namespace

QString ColumnDef::sqlType() const {
  switch (type) {
  case ColumnType::Text:
    return QStringLiteral("VARCHAR(%1)").arg(length);
  case ColumnType::Integer:
    return QStringLiteral("INTEGER");
  case ColumnType::Small:
    return QStringLiteral("SMALLINT");
  case ColumnType::Decimal:
    return QStringLiteral("NUMERIC(%1,%2)").arg(length).arg(scale);
  case ColumnType::Float:
    return QStringLiteral("DOUBLE PRECISION");
  case ColumnType::Date:
    return QStringLiteral("DATE");
  case ColumnType::DateTime:
    return QStringLiteral("TIMESTAMP");
  case ColumnType::Boolean:
    return QStringLiteral("BOOLEAN");
  }
  return {};
}

const ColumnDef *TableDef::column(const QString &n) const {
  for (const ColumnDef &c : columns)
    if (c.name.compare(n, Qt::CaseInsensitive) == 0)
      return &c;
  return nullptr;
}

namespace Schema {

const QList<TableDef> &tables() {
  static const QList<TableDef> all = buildTables();
  return all;
}

const TableDef *table(const QString &name) {
  for (const TableDef &t : tables())
    if (t.name.compare(name, Qt::CaseInsensitive) == 0)
      return &t;
  return nullptr;
}

const TableDef &auditTable() {
  static const TableDef t{"DNEVNIK",
                          {integer("rbr", Req), text("vreme", 19, Req), text("konobar", 40),
                           text("radnja", 20, Req), text("opis", 1000), text("hes", 64, Req)},
                          {"rbr"}};
  return t;
}

const TableDef &appliedStepsTable() {
  static const TableDef t{
      "UPISANI_KORACI", {text("id", 40, Req), integer("godina"), integer("broj"), date("datum")}, {"id"}};
  return t;
}

const ColumnDef &receiptTillColumn() {
  static const ColumnDef c = text("kasa", 20);
  return c;
}

int currentVersion() {
  return 6;
}

QStringList upgradeStatements(int version) {
  QStringList out;
  if (version == 1) {
    for (const TableDef &t : tables())
      out << createTable(t);
  } else if (version == 2) {
    for (const char *s : kVersion2)
      out << QString::fromLatin1(s);
  } else if (version == 3) {
    for (const char *s : kVersion3)
      out << QString::fromLatin1(s);
  } else if (version == 4) {
    out << createTable(auditTable());
    for (const char *s : kVersion4)
      out << QString::fromLatin1(s);
  } else if (version == 5) {
    out << createTable(appliedStepsTable());
    out << QStringLiteral("CREATE INDEX ix_upisani_koraci_datum ON upisani_koraci (datum)");
  } else if (version == 6) {
    // Several tills on one server: each looks for its own unfinished receipt. The column is
    // receiptTillColumn(), spelled out (the schema's test finds it under that name).
    out << QStringLiteral("ALTER TABLE racuni ADD COLUMN kasa VARCHAR(20)");
  }
  return out;
}

int storedVersion(Database &db) {
  if (tableExists(db, kVersionTable)) {
    const auto v = db.scalar(QStringLiteral("SELECT MAX(verzija) AS rezultat FROM kasa_verzija"));
    return v && !v->isNull() ? v->toInt() : 1;
  }
  // A database made before versions were recorded already holds the tables.
  return tableExists(db, QStringLiteral("artikli")) ? 1 : 0;
}

DbResult<> ensure(Database &db, int target) {
  if (target < 0)
    target = currentVersion();
  const int stored = storedVersion(db);
  if (stored > currentVersion())
    return DbError{QStringLiteral("database schema version %1 is newer than this program (%2)")
                       .arg(stored)
                       .arg(currentVersion())};
  for (int version = stored; version < target; ++version) {
    const int next = version + 1;
    const auto upgraded = db.inTransaction([&]() -> DbResult<> {
      QStringList statements = upgradeStatements(next);
      if (!tableExists(db, kVersionTable))
        statements << QStringLiteral("CREATE TABLE kasa_verzija (verzija INTEGER NOT NULL)");
      statements << QStringLiteral("DELETE FROM kasa_verzija");
      for (const QString &s : std::as_const(statements))
        DB_TRY(db.exec(s));
      return db.exec(QStringLiteral("INSERT INTO kasa_verzija (verzija) VALUES (:v)"),
                     {{QStringLiteral("v"), next}});
    });
    if (!upgraded)
      return DbError{QStringLiteral("upgrade to version %1 failed: %2").arg(next).arg(upgraded.error())};
  }
  return {};
}

} // namespace Schema
