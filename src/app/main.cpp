#include "app/program.h"
#include "common/localetext.h"

#include <QApplication>
#include <QDir>
#include <QLocale>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("kasa"));
  // The till speaks Serbian: a machine left in the C or English locale still
  // shows amounts with a decimal comma.
  const QLocale::Language lang = QLocale::system().language();
  LocaleText::setConventions(lang == QLocale::C || lang == QLocale::English
                                 ? LocaleConventions::serbianLatin()
                                 : LocaleConventions::fromSystem());
  // The working directory holds the configuration, the owner file and the COMn links.
  Program program(QDir::currentPath());
  program.start();
  return app.exec();
}
