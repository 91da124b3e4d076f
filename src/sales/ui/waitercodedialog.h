#pragma once

#include "sales/waiterlogin.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class UserPrompt;

// The look shared by TForm3 and TForm4: a prompt, a masked code entry, OK and
// Otkaz. Enter in the entry runs OK.
class WaiterCodeDialog : public QDialog {
  Q_OBJECT
public:
  WaiterCodeDialog(WaiterLogin::Window window, Database &db, UserPrompt &prompt, QWidget *parent = nullptr);

  QLabel *Label1 = nullptr;
  QLineEdit *medtsifra = nullptr;
  QPushButton *BitBtn1 = nullptr; // "OK"
  QPushButton *BitBtn2 = nullptr; // "Otkaz"

  // Shows the window modally in the given mode; for SetCode the entry starts with
  // currentCode (masked) and result().code is the new one. True when a code was accepted.
  bool run(WaiterLogin::Mode mode, const QString &currentCode = QString());

  const WaiterLogin::Result &result() const { return m_result; }

private:
  void ok();

  WaiterLogin::Window m_window;
  UserPrompt &m_prompt;
  WaiterLogin m_login;
  WaiterLogin::Mode m_mode = WaiterLogin::Mode::Operator;
  WaiterLogin::Result m_result;
};

// The program's login (opened by "&KASA").
class TForm3 : public WaiterCodeDialog {
  Q_OBJECT
public:
  TForm3(Database &db, UserPrompt &prompt, QWidget *parent = nullptr)
      : WaiterCodeDialog(WaiterLogin::Window::Login, db, prompt, parent) {}
};

// Change of waiter inside a sale screen.
class TForm4 : public WaiterCodeDialog {
  Q_OBJECT
public:
  TForm4(Database &db, UserPrompt &prompt, QWidget *parent = nullptr)
      : WaiterCodeDialog(WaiterLogin::Window::ChangeWaiter, db, prompt, parent) {}
};
