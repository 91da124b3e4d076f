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
public:
  // Only the X11 platform needs it; elsewhere nothing is installed.
  static void install(QApplication &app);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  explicit WindowActivation(QObject *parent) : QObject(parent) {}
  void activateTopmost();

  // Shown windows in the order they appeared; the last visible one gets the keys back.
  QVector<QPointer<QWidget>> m_shown;
};
