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
  }
  // Every row of every table an import may write, in a fixed order.
  QStringList snapshot() {
    QStringList out;
    for (const char *table : {"artikli", "sastav", "partner", "mesto", "konobari", "stolovi", "grupa"}) {
      QSqlQuery q(db.connection());
      require(q.exec(QStringLiteral("SELECT * FROM %1").arg(QString::fromLatin1(table))));
      QStringList rows;
      while (q.next()) {
        QStringList cols;
        for (int i = 0; i < q.record().count(); ++i)
          cols << q.value(i).toString();
        rows << cols.join(QLatin1Char('|'));
      }
      rows.sort();
      out << QString::fromLatin1(table) << rows;
    }
    return out;
  }
  int journalRows() {
    const AuditCheck c = AuditJournal(db).check();
    require(c.ok);
    return c.rows;
  }
  Database db;
  Quiet messages;
  RecordRules rules{db, messages};
  QTemporaryDir dir;
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
  const QStringList before = s.snapshot();
  const int journal = s.journalRows();
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
  } else {
    require(!out.text.isEmpty());
    require(s.snapshot() == before);
    require(s.journalRows() == journal);
  }
  unit.rollback();
  return 0;
}
