#include "support/testsupport.h"

#include "common/localetext.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>

namespace testsupport {

void pinLocale() {
  QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
  LocaleText::setConventions(LocaleConventions::serbianLatin());
}

bool waitForImpl(const std::function<bool()> &pred, int timeoutMs, int pollMs) {
  QDeadlineTimer deadline(timeoutMs);
  QTimer ask; // wakes the loop to ask again when no event comes
  ask.start(qMax(1, pollMs));
  while (!pred()) {
    if (deadline.hasExpired())
      return false;
    QDeadlineTimer next(pollMs);
    do
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    while (!next.hasExpired());
  }
  return true;
}

namespace {
void whenBy(QObject *context, std::function<bool()> cond, std::function<void()> act,
            QDeadlineTimer deadline) {
  QTimer::singleShot(20, context, [=] {
    if (cond())
      act();
    else if (!deadline.hasExpired())
      whenBy(context, cond, act, deadline);
  });
}
} // namespace

void when(QObject *context, std::function<bool()> cond, std::function<void()> act, int timeoutMs) {
  whenBy(context, std::move(cond), std::move(act), QDeadlineTimer(timeoutMs));
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
