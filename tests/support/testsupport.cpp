#include "support/testsupport.h"

#include "common/localetext.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

namespace testsupport {

void pinLocale() {
  QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
  LocaleText::setConventions(LocaleConventions::serbianLatin());
}

bool waitForImpl(const std::function<bool()> &pred, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!pred()) {
    if (deadline.hasExpired())
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

QString fiscalSimPath() {
  const QByteArray env = qgetenv("FISCAL_SIM");
  if (!env.isEmpty())
    return QString::fromLocal8Bit(env);
  return QCoreApplication::applicationDirPath() + QStringLiteral("/fiscal-sim");
}

QString sourcePath(const QString &relative) {
  const QByteArray env = qgetenv("KASA_SOURCE_DIR");
  // Test programs live in <build tree>/bin, build trees in the source tree.
  const QString root = !env.isEmpty() ? QString::fromLocal8Bit(env)
                                      : QCoreApplication::applicationDirPath() + QStringLiteral("/../..");
  return QDir(root).filePath(relative);
}

} // namespace testsupport
