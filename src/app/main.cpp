#include "app/auditcommand.h"
#include "app/program.h"
#include "app/reportcommand.h"
#include "app/windowactivation.h"
#include "common/localetext.h"
#include "data/databaserestore.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

// kasa --restore FILE: runs without a window, so it also works over a remote shell.
int restore(int argc, char **argv, const char *file) {
  QCoreApplication app(argc, argv);
  const RestoreResult r =
      DatabaseRestore::run(QDir::currentPath(), QString::fromLocal8Bit(file), QDateTime::currentDateTime());
  std::fprintf(r.ok ? stdout : stderr, "%s\n", qPrintable(r.message));
  return r.ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--restore") == 0) {
    if (argc != 3) {
      std::fprintf(stderr, "Upotreba: kasa --restore KOPIJA.db\n");
      return 2;
    }
    return restore(argc, argv, argv[2]);
  }
  if (AuditCommand::requested(argc, argv))
    return AuditCommand::main(argc, argv);
  if (ReportCommand::requested(argc, argv))
    return ReportCommand::main(argc, argv);
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("kasa"));
  WindowActivation::install(app);
  LocaleText::setConventions(LocaleConventions::forTill());
  // The working directory holds the configuration, the owner file and the COMn links.
  Program program(QDir::currentPath());
  program.start();
  return app.exec();
}
