// Every CSV import of the articles and code-list windows, whole: the file is read,
// checked and written into an SQLite database held in memory. Whatever the file holds,
// an import takes it whole (with its audit journal row) or leaves the tables as they were.
#include "common/localetext.h"
#include "data/articlemaintenance.h"
#include "data/auditjournal.h"
#include "data/codelistmaintenance.h"
#include "data/database.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"
#include "fuzzcheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

struct Quiet : RecordMessages {
  void show(const QString &, const QString &) override {}
  void warning(const QString &) override {}
  bool opensPrompt() const override { return false; }
};

struct Shop {
  Shop() {
    require(db.openInMemory());
    const char *const rows[] = {
        "INSERT INTO grupa (sifgrupa, naziv) VALUES ('PIC', 'Pice')",
        "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('1', '', 'Kafa', 120, 2, "
        "10), "
        "('2', '8600000000116', 'Sok', 85.5, 2, 3)",
        "INSERT INTO konobari (rbr, sifkonob, naziv, admin) VALUES (1, 'A1', 'Ana', 1)",
        "INSERT INTO stolovi (brstola, naziv, sifkonob) VALUES (5, 'Sto 5', -1)",
        "INSERT INTO mesto (sifmesto, naziv, ptt) VALUES ('11000', 'Beograd', '11000')",
    };
    for (const char *sql : rows)
      require(db.exec(QString::fromLatin1(sql)).ok());
    initial = snapshot();
    initialJournal = journalRows();
    // Counts the writes that survive: an import's own rollback takes its counts back with
    // it, so a failed import that leaves the count at 0 left every table as it was, and
    // only a count above 0 needs the rows themselves compared.
    require(db.exec(QStringLiteral("CREATE TEMP TABLE izmene (n INTEGER)")).ok());
    require(db.exec(QStringLiteral("INSERT INTO izmene VALUES (0)")).ok());
    for (const char *table : kTables)
      for (const char *event : {"INSERT", "UPDATE", "DELETE"})
        require(db.exec(QStringLiteral("CREATE TEMP TRIGGER izmena_%1_%2 AFTER %2 ON main.%1 BEGIN "
                                       "UPDATE izmene SET n = n + 1; END")
                            .arg(QString::fromLatin1(table), QString::fromLatin1(event)))
                    .ok());
    changes = QSqlQuery(db.connection());
    require(changes.prepare(QStringLiteral("SELECT n FROM izmene")));
  }
  int changeCount() {
    require(changes.exec() && changes.next());
    const int n = changes.value(0).toInt();
    changes.finish();
    return n;
  }
  // Every row of every table an import may write, in a fixed order. The queries are
  // prepared once: parsing them for every input cost more than the imports themselves.
  QStringList snapshot() {
    if (tableQueries.empty())
      for (const char *table : kTables) {
        tableQueries.emplace_back(db.connection());
        require(
            tableQueries.back().prepare(QStringLiteral("SELECT * FROM %1").arg(QString::fromLatin1(table))));
      }
    QStringList out;
    for (size_t t = 0; t < tableQueries.size(); ++t) {
      QSqlQuery &q = tableQueries[t];
      require(q.exec());
      QStringList rows;
      while (q.next()) {
        QStringList cols;
        for (int i = 0; i < q.record().count(); ++i)
          cols << q.value(i).toString();
        rows << cols.join(QLatin1Char('|'));
      }
      q.finish();
      rows.sort();
      out << QString::fromLatin1(kTables[t]) << rows;
    }
    return out;
  }
  int journalRows() {
    const AuditCheck c = AuditJournal(db).check();
    require(c.ok);
    return c.rows;
  }
  static constexpr const char *kTables[] = {"artikli",  "sastav",  "partner", "mesto",
                                            "konobari", "stolovi", "grupa",   "dnevnik"};
  Database db;
  Quiet messages;
  RecordRules rules{db, messages};
  QTemporaryDir dir;
  // After db: finished before the connection closes.
  std::vector<QSqlQuery> tableQueries;
  QSqlQuery changes;
  // Every input starts from these: each one is undone at its end.
  QStringList initial;
  int initialJournal = 0;
};

Shop &shop() {
  static int argc = 1;
  static char name[] = "csvimport_fuzz";
  static char *argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static Shop s;
  return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Shop &s = shop();
  FuzzedDataProvider in(data, size);
  const int which = in.ConsumeIntegralInRange<int>(0, 7);
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const QString path = s.dir.filePath(QStringLiteral("uvoz.csv"));
  {
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qsizetype(bytes.size()));
  }
  // Each input starts from the same tables: everything is undone at the end.
  Transaction unit(s.db);
  require(unit.isActive());
  const QStringList &before = s.initial;
  const int journal = s.initialJournal;
  ArticleMaintenance articles(s.db, s.rules);
  CodeListMaintenance lists(s.db, s.rules);
  MaintenanceOutcome out;
  switch (which) {
  case 0:
    out = articles.importArticles(path, {});
    break;
  case 1:
    out = articles.receiveGoods(path);
    break;
  case 2:
    out = articles.importRecipe(path, QStringLiteral("1"));
    break;
  default:
    out = lists.importFile(CodeList(which - 3), path);
    break;
  }
  if (out.ok) {
    require(out.count >= 0);
    require(s.journalRows() > journal); // the import's row, and a price change's when there is one
    require(s.changeCount() > 0);       // so the count sees writes, and a failure's 0 means none
  } else {
    require(!out.text.isEmpty());
    if (s.changeCount() != 0) {
      require(s.snapshot() == before);
      require(s.journalRows() == journal);
    }
  }
  unit.rollback();
  return 0;
}
