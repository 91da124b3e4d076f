#include "app/windowactivation.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

bool isOrdinaryWindow(const QWidget *w) {
  if (!w->isWindow())
    return false;
  const Qt::WindowType type = w->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

} // namespace

void WindowActivation::install(QApplication &app) {
  const QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("xcb") && platform != QLatin1String("offscreen"))
    return;
  if (app.findChild<WindowActivation *>(QString(), Qt::FindDirectChildrenOnly))
    return; // once per application
  app.installEventFilter(new WindowActivation(&app));
}

bool WindowActivation::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::Show && type != QEvent::Hide)
    return false;
  auto *w = qobject_cast<QWidget *>(watched);
  if (!w || !isOrdinaryWindow(w))
    return false;
  m_shown.removeAll(QPointer<QWidget>(w));
  if (type == QEvent::Show)
    m_shown.append(w);
  // After the event loop has mapped (or unmapped) the window.
  QTimer::singleShot(0, this, [this] { activateTopmost(); });
  return false;
}

void WindowActivation::activateTopmost() {
  QWidget *next = QApplication::activeModalWidget();
  for (qsizetype i = m_shown.size() - 1; !next && i >= 0; --i) {
    QWidget *w = m_shown.at(i);
    if (w && w->isVisible())
      next = w;
  }
  if (next && QApplication::activeWindow() != next)
    next->activateWindow();
}
