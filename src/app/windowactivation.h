#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QApplication;
class QWidget;

// Without a window manager (the demo's bare X server, a kiosk session) nobody hands the
// keyboard to a window that opens, and when a dialog closes the focus falls to nothing:
// every key the cashier presses is lost. The program hands it over itself.
class WindowActivation : public QObject {
  Q_OBJECT
public:
  // Only X11 and the offscreen platform (the demo's shots, the tests) need it; elsewhere
  // nothing is installed. Installing twice installs it once.
  static void install(QApplication &app);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  explicit WindowActivation(QObject *parent) : QObject(parent) {}
  void activateTopmost();

  // Shown windows in the order they appeared; the last visible one gets the keys back.
  QVector<QPointer<QWidget>> m_shown;
};
