#include "app/auditcommand.h"

#include "data/auditjournal.h"
#include "data/database.h"
#include "data/konfiguracija.h"

#include <QCoreApplication>
#include <QDir>

#include <cstring>

namespace AuditCommand {

namespace {

void say(FILE *to, const QString &line) {
  std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
  std::fflush(to);
}

} // namespace

bool requested(int argc, char **argv) {
  return argc >= 2 && std::strcmp(argv[1], "--check-audit") == 0;
}

int run(const QString &workDir, FILE *out, FILE *err) {
  const auto loaded = KonfiguracijaStore::load(workDir);
  if (!loaded.error.isEmpty())
    say(err, loaded.error);
  Database db;
  if (!db.open(loaded.record.TipBaze, loaded.record.putanjaBaza)) {
    say(err, Database::openFailureText() + QStringLiteral(" (") + db.lastError() + QLatin1Char(')'));
    return NoDatabase;
  }
  const AuditCheck c = AuditJournal(db).check();
  if (c.ok) {
    say(out, QStringLiteral("DNEVNIK OK: %1 redova, poslednji hes %2")
                 .arg(c.rows)
                 .arg(c.lastHash.isEmpty() ? QStringLiteral("-") : c.lastHash));
    return Ok;
  }
  if (c.brokenRow == 0) {
    say(err, QStringLiteral("Dnevnik nije procitan: ") + c.reason);
    return NoDatabase;
  }
  say(out, QStringLiteral("DNEVNIK NARUSEN: red %1: %2 (ispravnih redova pre njega: %3)")
               .arg(c.brokenRow)
               .arg(c.reason)
               .arg(c.rows));
  return Broken;
}

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "Upotreba: kasa --check-audit\n");
    return Usage;
  }
  return run(QDir::currentPath(), stdout, stderr);
}

} // namespace AuditCommand
